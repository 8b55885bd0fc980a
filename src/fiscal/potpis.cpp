#include "fiscal/potpis.h"

#include "core/clock.h"
#include "core/errors.h"
#include "core/format.h"
#include "core/paths.h"
#include "fiscal/fiskalnostanje.h"
#include "fiscal/xmlpomoc.h"
#include "fiscal/zahtjev.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdio>
#include <libxml/parser.h>
#include <libxslt/xslt.h>
#include <openssl/provider.h>
#include <xmlsec/crypto.h>
#include <xmlsec/templates.h>
#include <xmlsec/xmldsig.h>
#include <xmlsec/xmlsec.h>
#include <xmlsec/xmltree.h>

namespace tarvel::fiscal {

namespace {

bool g_pripremljen = false;

void zapisiTekst(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    // A new file rather than a truncated one: ext4 flushes a file truncated and written again at
    // its close, which costs milliseconds per request on a busy disk.
    QFile::remove(path);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(data) != data.size())
        throw TarvelError(ErrorKind::Other, QStringLiteral("Ne mogu zapisati datoteku ") + path +
                                                QStringLiteral(": ") + f.errorString());
}

// Steps shared by InicijalizirajXmlSec and UcitajKljuc; returns the failing step's texts.
struct Greska
{
    QString jir;
    QString kratko;
};

std::optional<Greska> pripremi(const char* porukaInit)
{
    if (g_pripremljen)
        return std::nullopt;
    ucitajOpenSslProvidere();
    xmlInitParser();
    LIBXML_TEST_VERSION
    xmlLoadExtDtdDefaultValue = XML_DETECT_IDS | XML_COMPLETE_ATTRS;
    xmlSubstituteEntitiesDefault(1);
    xmlIndentTreeOutput = 1;
    if (xmlSecInit() < 0)
        std::fprintf(stderr, "%s\n", porukaInit);
    if (xmlSecCheckVersionExt(1, 2, 8, xmlSecCheckVersionABICompatible) != 1)
        return Greska{QStringLiteral("Greška - Učitana kriva verzija xmlsec biblioteke"),
                      QStringLiteral("Učitana kriva verzija xmlsec biblioteke.")};
#ifdef XMLSEC_CRYPTO_DYNAMIC_LOADING
    if (xmlSecCryptoDLLoadLibrary(BAD_CAST "openssl") < 0)
        return Greska{QStringLiteral("Greška - ne mogu učitati xmlsec-crypto biblioteku. Provjerite"),
                      QStringLiteral("ne mogu učitati xmlsec-crypto biblioteku. Provjerite\n")};
#endif
    if (xmlSecCryptoAppInit(nullptr) < 0)
        return Greska{QStringLiteral("Greška - neuspjela crypto inicijalizacija."),
                      QStringLiteral("neuspjela crypto inicijalizacija.")};
    if (xmlSecCryptoInit() < 0)
        return Greska{QStringLiteral("Greška - neuspjela xmlsec-crypto inicijalizacija."),
                      QStringLiteral("neuspjela xmlsec-crypto inicijalizacija.")};
    g_pripremljen = true;
    return std::nullopt;
}

xmlSecKeyPtr ucitajPkcs12(const QString& certifikat, const QString& lozinka)
{
    if (certifikat.isEmpty())
        return nullptr;
    const QByteArray file = QFile::encodeName(certifikat);
    const QByteArray pwd = lozinka.toUtf8();
    return xmlSecCryptoAppKeyLoad(file.constData(), xmlSecKeyDataFormatPkcs12, pwd.constData(), nullptr,
                                  nullptr);
}

// Opening a PKCS#12 file costs more than signing a request, so the signing key of a request is a copy
// of the one last read from the same, unchanged file with the same password.
struct SpremljeniKljuc
{
    QString certifikat;
    QString lozinka;
    QDateTime promjena;
    qint64 velicina = -1;
    xmlSecKeyPtr kljuc = nullptr;

    void isprazni()
    {
        if (kljuc)
            xmlSecKeyDestroy(kljuc);
        *this = SpremljeniKljuc();
    }
};
SpremljeniKljuc g_kljuc;

xmlSecKeyPtr kljucZaPotpis(const QString& certifikat, const QString& lozinka)
{
    const QFileInfo info(certifikat);
    if (certifikat.isEmpty() || !info.isFile())
        return nullptr;
    if (!g_kljuc.kljuc || g_kljuc.certifikat != certifikat || g_kljuc.lozinka != lozinka ||
        g_kljuc.promjena != info.lastModified() || g_kljuc.velicina != info.size()) {
        g_kljuc.isprazni();
        xmlSecKeyPtr k = ucitajPkcs12(certifikat, lozinka);
        if (!k)
            return nullptr;
        g_kljuc = {certifikat, lozinka, info.lastModified(), info.size(), k};
    }
    return xmlSecKeyDuplicate(g_kljuc.kljuc);
}

QString datotekaKopije(const char* folder)
{
    const FiskalnoStanje& s = stanje();
    QString name;
    if (s.VrstaZahtjeva == QLatin1String("RacunZahtjev")) {
        name = s.brojRacuna.trimmed();
        name.replace(QLatin1Char('/'), QLatin1Char('-'));
    } else {
        name = QStringLiteral("Prostor_") + fmt::date(Clock::today());
    }
    return Paths::file(QLatin1String(folder) + QLatin1Char('/') + name + QStringLiteral(".xml"));
}

} // namespace

void zapisiJir(const QString& linija)
{
    zapisiTekst(Paths::file(QStringLiteral("jir.txt")), linija.toUtf8() + "\r\n");
}

void neuspjeh(const QString& jirLinija, const QString& kratko)
{
    stanje().detaljnaGreska = jirLinija;
    try {
        zapisiJir(jirLinija);
    } catch (const TarvelError&) {
        // the short text still reaches the user
    }
    throw TarvelError(ErrorKind::Other, kratko);
}

bool ucitajOpenSslProvidere()
{
    static const bool ok = OSSL_PROVIDER_load(nullptr, "default") && OSSL_PROVIDER_load(nullptr, "legacy");
    return ok;
}

QString datotekaKopijeZahtjeva()
{
    return datotekaKopije("xml_out");
}

QString datotekaKopijeOdgovora()
{
    return datotekaKopije("xml_in");
}

void InicijalizirajXmlSec()
{
    if (auto g = pripremi("Greška: xmlsec initialization failed."))
        neuspjeh(g->jir, g->kratko);
}

_xmlSecKey* UcitajKljuc(const QString& certifikat, const QString& lozinka)
{
    if (pripremi("Greška: xmlsec inicijalizacija nije uspjela."))
        return nullptr;
    return ucitajPkcs12(certifikat, lozinka);
}

void oslobodiKljuc(_xmlSecKey* key)
{
    if (key)
        xmlSecKeyDestroy(key);
}

void KreirajPotpisniKontekst()
{
    FiskalnoStanje& s = stanje();
    if (s.potpisniKontekst) {
        xmlSecDSigCtxDestroy(s.potpisniKontekst);
        s.potpisniKontekst = nullptr;
    }
    pripremi("Greška: xmlsec initialization failed.");
    s.potpisniKontekst = g_pripremljen ? xmlSecDSigCtxCreate(nullptr) : nullptr;
    if (!s.potpisniKontekst)
        neuspjeh(QStringLiteral("Greška - Ne mogu kreirati potpisnu proceduru"),
                 QStringLiteral("Ne mogu kreirati potpisni kontekst"));
    s.potpisniKontekst->signKey = kljucZaPotpis(s.certifikat, s.lozinka);
    if (!s.potpisniKontekst->signKey)
        neuspjeh(QStringLiteral("Greška - Ne mogu učitati privatni ključ"),
                 QStringLiteral("Ne mogu učitati privatni ključ"));
}

void UcitajZahtjev()
{
    FiskalnoStanje& s = stanje();
    QFile f(datotekaZahtjeva());
    if (!f.open(QIODevice::ReadOnly))
        throw TarvelError(ErrorKind::Other, QStringLiteral("Ne mogu pročitati datoteku ") + f.fileName() +
                                                QStringLiteral(": ") + f.errorString());
    const QByteArray raw = f.readAll();
    QList<QByteArray> lines = raw.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    s.TekstZahtjeva.clear();
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        s.TekstZahtjeva += line + "\r\n";
    }
    s.VrstaZahtjeva = s.TekstZahtjeva.contains("RacunZahtjev") ? QStringLiteral("RacunZahtjev")
                                                               : QStringLiteral("PoslovniProstorZahtjev");
}

void ParsirajZahtjev()
{
    FiskalnoStanje& s = stanje();
    if (s.dokument) {
        xmlFreeDoc(s.dokument);
        s.dokument = nullptr;
    }
    s.dokument = xmlReadMemory(s.TekstZahtjeva.constData(), int(s.TekstZahtjeva.size()), "zahtjev.xml",
                               "UTF-8", XML_PARSE_NONET);
    if (!s.dokument)
        throw TarvelError(ErrorKind::Other, QStringLiteral("Zahtjev nije ispravan XML."));
}

void PotpisiZahtjev()
{
    FiskalnoStanje& s = stanje();
    xmlNodePtr root = s.dokument ? xmlDocGetRootElement(s.dokument) : nullptr;
    xmlNodePtr signature = root ? xmlSecFindNode(root, xmlSecNodeSignature, xmlSecDSigNs) : nullptr;
    if (!signature)
        neuspjeh(QStringLiteral("Greška - XML početni čvor nije nađen"),
                 QStringLiteral("XML početni čvor nije nađen"));

    const QByteArray vrsta = s.VrstaZahtjeva.toLatin1();
    xmlNodePtr zahtjev = xmlSecFindNode(root, BAD_CAST vrsta.constData(), BAD_CAST kTnsNs);
    xmlAttrPtr id = zahtjev ? xmlHasProp(zahtjev, BAD_CAST "Id") : nullptr;
    if (id && !xmlGetID(s.dokument, BAD_CAST "racunId"))
        xmlAddID(nullptr, s.dokument, BAD_CAST "racunId", id);

    if (!s.potpisniKontekst || xmlSecDSigCtxSign(s.potpisniKontekst, signature) < 0)
        neuspjeh(QStringLiteral("Greška - potpisivanje neuspješno"),
                 QStringLiteral("Potpisivanje neuspješno"));

    xmlChar* buf = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(s.dokument, &buf, &size, "UTF-8");
    const QByteArray potpisan(reinterpret_cast<const char*>(buf), size);
    xmlFree(buf);

    QString text = QString::fromUtf8(potpisan);
    if (text.count(QStringLiteral("X509Certificate>")) > 2) {
        const qsizetype from = text.indexOf(QStringLiteral("<X509Certificate>"));
        const QString end = QStringLiteral("</X509Certificate>");
        const qsizetype to = text.indexOf(end, from);
        if (from >= 0 && to > from)
            text.remove(from, to + end.size() - from);
        text = text.trimmed();
    }
    s.linijeZahtjeva = text.split(QLatin1Char('\n'));
    for (QString& line : s.linijeZahtjeva)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);

    QByteArray crlf = potpisan;
    crlf.replace("\r\n", "\n").replace("\n", "\r\n");
    zapisiTekst(Paths::file(QStringLiteral("buffer.txt")), crlf);
    zapisiTekst(datotekaKopijeZahtjeva(), crlf);
}

void OslobodiZahtjev()
{
    FiskalnoStanje& s = stanje();
    s.TekstZahtjeva.clear();
    s.linijeZahtjeva.clear();
    if (s.dokument) {
        xmlFreeDoc(s.dokument);
        s.dokument = nullptr;
    }
    if (s.potpisniKontekst) {
        xmlSecDSigCtxDestroy(s.potpisniKontekst);
        s.potpisniKontekst = nullptr;
    }
}

void UgasiXmlSec()
{
    FiskalnoStanje& s = stanje();
    OslobodiZahtjev();
    if (s.KljucZKI) {
        xmlSecKeyDestroy(s.KljucZKI);
        s.KljucZKI = nullptr;
    }
    g_kljuc.isprazni();
    if (!g_pripremljen)
        return;
    xmlSecCryptoShutdown();
    xmlSecCryptoAppShutdown();
    xmlSecShutdown();
    xsltCleanupGlobals();
    xmlCleanupParser();
    g_pripremljen = false;
}

} // namespace tarvel::fiscal
