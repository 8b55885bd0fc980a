#include "fiscal/prijenos.h"

#include "core/errors.h"
#include "core/paths.h"
#include "fiscal/fiskalnostanje.h"
#include "fiscal/potpis.h"
#include "fiscal/xmlpomoc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTcpSocket>
#include <curl/curl.h>
#include <libxml/parser.h>
#include <memory>

namespace tarvel::fiscal {

namespace {

const char* const kUserAgent = "Tarvelstat/1.0";

size_t primi(char* data, size_t size, size_t count, void* user)
{
    static_cast<QByteArray*>(user)->append(data, qsizetype(size * count));
    return size * count;
}

QByteArray procitajDatoteku(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void spremiOdgovor(xmlDocPtr doc, const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(path); // a new file, as the request files (see zapisiLinije)
    if (xmlSaveFileEnc(QFile::encodeName(path).constData(), doc, "UTF-8") < 0)
        throw TarvelError(ErrorKind::Other, QStringLiteral("Ne mogu zapisati datoteku ") + path);
}

QString tekstPuta(xmlDocPtr doc, std::initializer_list<const char*> path)
{
    auto it = path.begin();
    xmlNodePtr n = NadjiCvor(doc, *it);
    for (++it; n && it != path.end(); ++it)
        n = NadjiCvor(n, *it);
    return n ? tekst(n) : QString();
}

bool imaPut(xmlDocPtr doc, std::initializer_list<const char*> path)
{
    auto it = path.begin();
    xmlNodePtr n = NadjiCvor(doc, *it);
    for (++it; n && it != path.end(); ++it)
        n = NadjiCvor(n, *it);
    return n != nullptr;
}

} // namespace

CisPostavke CisPostavke::procitaj()
{
    CisPostavke p;
    QSettings ini(Paths::settingsFile(), QSettings::IniFormat);
    p.produkcija = ini.value(QStringLiteral("CIS/PRODUKCIJA"), p.produkcija).toString().trimmed();
    p.test = ini.value(QStringLiteral("CIS/TEST"), p.test).toString().trimmed();
    p.ca = ini.value(QStringLiteral("CIS/CA")).toString().trimmed();
    p.proba = ini.value(QStringLiteral("MREZA/PROBA"), p.proba).toString().trimmed();
    return p;
}

CisPostavke& postavke()
{
    static CisPostavke p = CisPostavke::procitaj();
    return p;
}

QString adresaServisa(const CisPostavke& p, bool testni)
{
    QString host = testni ? p.test : p.produkcija;
    // a bare host gets the service port; "host:port" (or "[v6]:port") keeps its own
    const bool imaPort = host.startsWith(QLatin1Char('[')) ? host.contains(QStringLiteral("]:"))
                                                           : host.contains(QLatin1Char(':'));
    if (!imaPort)
        host += QStringLiteral(":8449");
    return QStringLiteral("https://") + host +
           (testni ? QStringLiteral("/FiskalizacijaServiceTest") : QStringLiteral("/FiskalizacijaService"));
}

_xmlNode* NadjiCvor(_xmlNode* node, const char* name)
{
    for (xmlNodePtr n = node ? node->children : nullptr; n; n = n->next) {
        if (n->type != XML_ELEMENT_NODE)
            continue;
        QByteArray q;
        if (n->ns && n->ns->prefix)
            q = QByteArray(reinterpret_cast<const char*>(n->ns->prefix)) + ':';
        q += reinterpret_cast<const char*>(n->name);
        if (q == name)
            return n;
    }
    return nullptr;
}

_xmlNode* NadjiCvor(_xmlDoc* doc, const char* name)
{
    return doc ? NadjiCvor(reinterpret_cast<xmlNodePtr>(doc), name) : nullptr;
}

QString procitajOdgovor(_xmlDoc* answer, const QString& vrsta)
{
    if (vrsta == QLatin1String("RacunZahtjev")) {
        QString result =
            QStringLiteral("Greška zapisana u ") + Paths::file(QStringLiteral("xml/response.xml"));
        if (imaPut(answer, {"soap:Envelope", "soap:Body", "tns:RacunOdgovor", "tns:Jir"}))
            result = tekstPuta(answer, {"soap:Envelope", "soap:Body", "tns:RacunOdgovor", "tns:Jir"});
        if (result.startsWith(QStringLiteral("Greška")) &&
            imaPut(answer, {"soap:Envelope", "soap:Body", "tns:RacunOdgovor", "tns:Greske", "tns:Greska",
                            "tns:PorukaGreske"}))
            result = QStringLiteral("Greška: ") +
                     tekstPuta(answer, {"soap:Envelope", "soap:Body", "tns:RacunOdgovor", "tns:Greske",
                                        "tns:Greska", "tns:PorukaGreske"})
                         .trimmed();
        return result;
    }
    QString result = QStringLiteral("Poslovni prostor prijavljen");
    if (imaPut(answer, {"soap:Envelope", "soap:Body", "tns:PoslovniProstorOdgovor", "tns:Greske",
                        "tns:Greska", "tns:PorukaGreske"}))
        result = QStringLiteral("Greška: ") +
                 tekstPuta(answer, {"soap:Envelope", "soap:Body", "tns:PoslovniProstorOdgovor", "tns:Greske",
                                    "tns:Greska", "tns:PorukaGreske"})
                     .trimmed();
    return result;
}

QString PosaljiZahtjev()
{
    static const bool curlReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!curlReady)
        throw TarvelError(ErrorKind::Other, QStringLiteral("Ne mogu pripremiti HTTPS klijent."));
    FiskalnoStanje& s = stanje();
    const CisPostavke& p = postavke();

    QByteArray body;
    for (const QString& line : s.linijeZahtjeva)
        body += line.toUtf8() + "\r\n";
    const QByteArray url = adresaServisa(p, s.TestniCIS).toUtf8();

    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl)
        throw TarvelError(ErrorKind::Other, QStringLiteral("Ne mogu pripremiti HTTPS klijent."));
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Content-Type: text/xml; charset=\"utf-8\"");
    headers = curl_slist_append(headers, "SOAPAction: \"\"");
    headers = curl_slist_append(headers, "Expect:");
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headerGuard(headers, curl_slist_free_all);

    QByteArray answer;
    char errbuf[CURL_ERROR_SIZE] = {};
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, long(p.vremenskoOgranicenjeMs));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, long(p.vremenskoOgranicenjeMs));
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(c, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, primi);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errbuf);

    // The configured authorities are trusted in addition to the system's, never instead of them.
    QByteArray trusted;
    if (!p.ca.isEmpty()) {
        char* systemBundle = nullptr;
        if (curl_easy_getinfo(c, CURLINFO_CAINFO, &systemBundle) == CURLE_OK && systemBundle)
            trusted = procitajDatoteku(QFile::decodeName(systemBundle)) + "\n";
        trusted += procitajDatoteku(p.ca);
        curl_blob blob{trusted.data(), size_t(trusted.size()), CURL_BLOB_NOCOPY};
        curl_easy_setopt(c, CURLOPT_CAINFO_BLOB, &blob);
    }

    const CURLcode rc = curl_easy_perform(c);
    if (rc != CURLE_OK)
        throw TarvelError(ErrorKind::Other,
                          QStringLiteral("Greška u komunikaciji s CIS-om: ") +
                              QString::fromUtf8(errbuf[0] ? errbuf : curl_easy_strerror(rc)));

    std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> doc(
        xmlReadMemory(answer.constData(), int(answer.size()), "response.xml", nullptr, XML_PARSE_NONET),
        xmlFreeDoc);
    if (!doc)
        throw TarvelError(ErrorKind::Other, QStringLiteral("Odgovor CIS-a nije XML dokument."));
    spremiOdgovor(doc.get(), Paths::file(QStringLiteral("xml/response.xml")));
    spremiOdgovor(doc.get(), datotekaKopijeOdgovora());
    return procitajOdgovor(doc.get(), s.VrstaZahtjeva);
}

bool internetDostupan()
{
    const QString target = postavke().proba;
    const qsizetype colon = target.lastIndexOf(QLatin1Char(':'));
    const QString host = colon > 0 ? target.left(colon) : target;
    const quint16 port = colon > 0 ? quint16(target.mid(colon + 1).toUInt()) : quint16(80);
    QTcpSocket socket;
    socket.connectToHost(host, port);
    const bool ok = socket.waitForConnected(2000);
    socket.abort();
    return ok;
}

} // namespace tarvel::fiscal
