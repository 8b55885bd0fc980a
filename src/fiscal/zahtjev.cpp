#include "fiscal/zahtjev.h"

#include "core/clock.h"
#include "core/errors.h"
#include "core/format.h"
#include "core/paths.h"
#include "fiscal/fiskalnostanje.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

namespace tarvel::fiscal {

namespace {

const QString kEnvelope =
    QStringLiteral("<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\">");
const QString kAtributi = QStringLiteral(
    " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
    " xmlns:tns=\"http://www.apis-it.hr/fin/2012/types/f73\""
    " xsi:schemaLocation=\"http://www.apis-it.hr/fin/2012/types/f73 ../schema/FiskalizacijaSchema.xsd\""
    " Id=\"racunId\">");

QString element(const QString& name, const QString& value)
{
    return QLatin1Char('<') + name + QLatin1Char('>') + value + QLatin1String("</") + name + QLatin1Char('>');
}

QString noviId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

// Values of the premises request: trimmed, escaped, Croatian letters as character references.
QString vrijednostProstora(const QString& v)
{
    return Utf8(xmlTekst(v.trimmed()));
}

} // namespace

QString Tockazarez(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char(','), QLatin1Char('.'));
    return out;
}

QString Utf8(const QString& text)
{
    static const std::pair<char16_t, const char*> table[] = {
        {u'Ć', "&#262;"}, {u'ć', "&#263;"}, {u'Č', "&#268;"}, {u'č', "&#269;"}, {u'Đ', "&#272;"},
        {u'đ', "&#273;"}, {u'Š', "&#352;"}, {u'š', "&#353;"}, {u'Ž', "&#381;"}, {u'ž', "&#382;"},
    };
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char* ref = nullptr;
        for (const auto& [letter, r] : table)
            if (c.unicode() == letter)
                ref = r;
        if (ref)
            out += QLatin1String(ref);
        else
            out += c;
    }
    return out;
}

QString xmlTekst(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString iznos(double value)
{
    return Tockazarez(fmt::number(value, QStringLiteral("###########0.00")));
}

QString stopa(double value)
{
    return Tockazarez(fmt::number(value, QStringLiteral("##0.00")));
}

QStringList potpisniPredlozak(const QString& imeCert)
{
    return {
        QStringLiteral("<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\">"),
        QStringLiteral("<SignedInfo>"),
        QStringLiteral("<CanonicalizationMethod Algorithm=\"http://www.w3.org/2001/10/xml-exc-c14n#\"/>"),
        QStringLiteral("<SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\"/>"),
        QStringLiteral("<Reference URI=\"#racunId\">"),
        QStringLiteral("<Transforms>"),
        QStringLiteral("<Transform Algorithm=\"http://www.w3.org/2000/09/xmldsig#enveloped-signature\"/>"),
        QStringLiteral("<Transform Algorithm=\"http://www.w3.org/2001/10/xml-exc-c14n#\"/>"),
        QStringLiteral("</Transforms>"),
        QStringLiteral("<DigestMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\"/>"),
        QStringLiteral("<DigestValue/>"),
        QStringLiteral("</Reference>"),
        QStringLiteral("</SignedInfo>"),
        QStringLiteral("<SignatureValue/>"),
        QStringLiteral("<KeyInfo>"),
        element(QStringLiteral("KeyName"), xmlTekst(imeCert)),
        QStringLiteral("<X509Data/>"),
        QStringLiteral("</KeyInfo>"),
        QStringLiteral("</Signature>"),
    };
}

QStringList linijeRacuna(const RacunPodaci& racun, const TvrtkaPodaci& tvrtka)
{
    FiskalnoStanje& s = stanje();
    s.IdPoruke = noviId();
    s.vrijemeSlanja = fmt::fiscalDateTime(Clock::now());
    const bool uPdv = tvrtka.uPdv == QLatin1String("Da");

    QStringList l;
    l << QStringLiteral("<?xml version=\"1.0\"?>") + kEnvelope;
    l << QStringLiteral("<soapenv:Body>");
    l << QStringLiteral("<tns:RacunZahtjev") + kAtributi;
    l << QStringLiteral("<tns:Zaglavlje>");
    l << element(QStringLiteral("tns:IdPoruke"), s.IdPoruke);
    l << element(QStringLiteral("tns:DatumVrijeme"), s.vrijemeSlanja);
    l << QStringLiteral("</tns:Zaglavlje>");
    l << QStringLiteral("<tns:Racun>");
    l << element(QStringLiteral("tns:Oib"), xmlTekst(tvrtka.oib));
    l << element(QStringLiteral("tns:USustPdv"), uPdv ? QStringLiteral("true") : QStringLiteral("false"));
    l << element(QStringLiteral("tns:DatVrijeme"),
                 xmlTekst(racun.datVr.isNull() ? s.vrijemeSlanja : racun.datVr));
    l << element(QStringLiteral("tns:OznSlijed"), xmlTekst(racun.slijed));
    l << QStringLiteral("<tns:BrRac>");
    const qsizetype slash = racun.brRac.indexOf(QLatin1Char('/'));
    l << element(QStringLiteral("tns:BrOznRac"), xmlTekst(slash < 0 ? QString() : racun.brRac.left(slash)));
    l << element(QStringLiteral("tns:OznPosPr"), xmlTekst(tvrtka.sklad));
    l << element(QStringLiteral("tns:OznNapUr"), xmlTekst(tvrtka.naplUr.trimmed()));
    l << QStringLiteral("</tns:BrRac>");
    if (uPdv) {
        l << QStringLiteral("<tns:Pdv>");
        for (int i = 0; i < 5; ++i) {
            if (i > 0 && racun.ukPdv[i] == 0)
                continue;
            l << QStringLiteral("<tns:Porez>");
            l << element(QStringLiteral("tns:Stopa"), stopa(racun.stPdv[i]));
            l << element(QStringLiteral("tns:Osnovica"), iznos(racun.ukOsnov[i]));
            l << element(QStringLiteral("tns:Iznos"), iznos(racun.ukPdv[i]));
            l << QStringLiteral("</tns:Porez>");
        }
        l << QStringLiteral("</tns:Pdv>");
    }
    l << element(QStringLiteral("tns:IznosUkupno"), iznos(racun.ukIznos));
    QString nacin = racun.nacPlac;
    nacin.remove(QLatin1Char(' '));
    l << element(QStringLiteral("tns:NacinPlac"), xmlTekst(nacin.left(1)));
    l << element(QStringLiteral("tns:OibOper"), xmlTekst(racun.oibOperatera));
    l << QStringLiteral("<tns:ZastKod></tns:ZastKod>");
    l << element(QStringLiteral("tns:NakDost"),
                 racun.nakDost == QLatin1String("Da") ? QStringLiteral("true") : QStringLiteral("false"));
    l << element(QStringLiteral("tns:SpecNamj"), QLatin1String(MaticniOIB));
    l << QStringLiteral("</tns:Racun>");
    l << potpisniPredlozak(tvrtka.imeCert);
    l << QStringLiteral("</tns:RacunZahtjev>") << QStringLiteral("</soapenv:Body>")
      << QStringLiteral("</soapenv:Envelope>");
    return l;
}

QStringList linijeProstora(const ProstorPodaci& p)
{
    QStringList l;
    l << QStringLiteral("<?xml version=\"1.0\"?>");
    l << kEnvelope;
    l << QStringLiteral("<soapenv:Body>");
    l << QStringLiteral("<tns:PoslovniProstorZahtjev") + kAtributi;
    l << QStringLiteral("<tns:Zaglavlje>");
    l << element(QStringLiteral("tns:IdPoruke"), noviId());
    l << element(QStringLiteral("tns:DatumVrijeme"), fmt::fiscalDateTime(Clock::now()));
    l << QStringLiteral("</tns:Zaglavlje>");
    l << QStringLiteral("<tns:PoslovniProstor>");
    l << element(QStringLiteral("tns:Oib"), vrijednostProstora(p.oib));
    l << element(QStringLiteral("tns:OznPoslProstora"), vrijednostProstora(p.oznaka));
    l << QStringLiteral("<tns:AdresniPodatak>");
    l << QStringLiteral("<tns:Adresa>");
    l << element(QStringLiteral("tns:Ulica"), vrijednostProstora(p.ulica));
    l << element(QStringLiteral("tns:KucniBroj"), vrijednostProstora(p.kucniBroj));
    if (!p.kucniBrojDodatak.trimmed().isEmpty())
        l << element(QStringLiteral("tns:KucniBrojDodatak"), vrijednostProstora(p.kucniBrojDodatak));
    l << element(QStringLiteral("tns:BrojPoste"), vrijednostProstora(p.brojPoste));
    l << element(QStringLiteral("tns:Naselje"), vrijednostProstora(p.naselje));
    l << element(QStringLiteral("tns:Opcina"), vrijednostProstora(p.opcina));
    l << QStringLiteral("</tns:Adresa>");
    l << QStringLiteral("</tns:AdresniPodatak>");
    l << element(QStringLiteral("tns:RadnoVrijeme"), vrijednostProstora(p.radnoVrijeme));
    l << element(QStringLiteral("tns:DatumPocetkaPrimjene"), vrijednostProstora(p.datumPocetka));
    if (p.zatvori)
        l << QStringLiteral("<tns:OznakaZatvaranja>Z</tns:OznakaZatvaranja>");
    l << element(QStringLiteral("tns:SpecNamj"), QLatin1String(MaticniOIB));
    l << QStringLiteral("</tns:PoslovniProstor>");
    l << potpisniPredlozak(p.imeCert);
    l << QStringLiteral("</tns:PoslovniProstorZahtjev>") << QStringLiteral("</soapenv:Body>")
      << QStringLiteral("</soapenv:Envelope>");
    return l;
}

QString datotekaZahtjeva()
{
    return Paths::file(QStringLiteral("xml/zahtjev.xml"));
}

void zapisiLinije(const QString& path, const QStringList& lines)
{
    QByteArray data;
    for (const QString& line : lines)
        data += line.toUtf8() + "\r\n";
    QDir().mkpath(QFileInfo(path).absolutePath());
    // A new file rather than a truncated one: ext4 flushes a file truncated and written again at
    // its close, which costs milliseconds per request on a busy disk.
    QFile::remove(path);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(data) != data.size())
        throw TarvelError(ErrorKind::Other, QStringLiteral("Ne mogu zapisati datoteku ") + path +
                                                QStringLiteral(": ") + f.errorString());
}

void Popunixmlracun(const RacunPodaci& racun, const TvrtkaPodaci& tvrtka)
{
    zapisiLinije(datotekaZahtjeva(), linijeRacuna(racun, tvrtka));
}

void Popunixmlprostor(const ProstorPodaci& prostor)
{
    zapisiLinije(datotekaZahtjeva(), linijeProstora(prostor));
}

} // namespace tarvel::fiscal
