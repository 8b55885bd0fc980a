// The request files: line tables, number and date formats, escaping, the file's bytes.
#include "core/clock.h"
#include "core/errors.h"
#include "core/paths.h"
#include "fiscal/fiskalnostanje.h"
#include "fiscal/zahtjev.h"
#include "fiscaltestutil.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace tarvel;
using namespace tarvel::fiscal;

class TestZahtjev : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    static QStringList linijeDatoteke()
    {
        const QByteArray data = fiscaltest::procitaj(datotekaZahtjeva());
        QStringList lines = QString::fromUtf8(data).split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    // Lines from the one after `from` up to, not including, `to`.
    static QStringList izmedju(const QStringList& lines, const QString& from, const QString& to)
    {
        const qsizetype a = lines.indexOf(from);
        const qsizetype b = lines.indexOf(to, a + 1);
        if (a < 0 || b < 0)
            return {QStringLiteral("<missing>")};
        return lines.mid(a + 1, b - a - 1);
    }

    static RacunPodaci primjer()
    {
        RacunPodaci r;
        r.oibOperatera = QStringLiteral("98765432106");
        r.datVr = QStringLiteral("05.03.2013T14:22:07");
        r.slijed = QStringLiteral("N");
        r.brRac = QStringLiteral("27/POS1/1");
        r.ukIznos = 1234.5;
        r.stPdv = {25, 13, 5, 0, 0};
        r.ukOsnov = {987.6, 0, 0, 0, 0};
        r.ukPdv = {246.9, 0, 0, 0, 0};
        r.nacPlac = QStringLiteral("G - Novčanice i kovanice");
        r.nakDost = QStringLiteral("Ne");
        return r;
    }
    static TvrtkaPodaci tvrtka()
    {
        return {QStringLiteral("12345678901"), QStringLiteral("Da"), QStringLiteral("POS1"),
                QStringLiteral(" 1 "), QStringLiteral("/cert/firma.p12")};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        Paths::setProgramFolder(m_dir.path());
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("xml"))));
        Clock::setFixed(QDateTime(QDate(2013, 3, 5), QTime(14, 25, 1)));
    }
    void cleanupTestCase() { Clock::setFixed({}); }

    void wholeInvoiceRequest()
    {
        Popunixmlracun(primjer(), tvrtka());
        const QString id = stanje().IdPoruke;
        QVERIFY(QRegularExpression(
                    QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"))
                    .match(id)
                    .hasMatch());
        QCOMPARE(stanje().vrijemeSlanja, QStringLiteral("05.03.2013T14:25:01"));
        const QStringList expected = {
            "<?xml version=\"1.0\"?><soapenv:Envelope "
            "xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\">",
            "<soapenv:Body>",
            "<tns:RacunZahtjev xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
            "xmlns:tns=\"http://www.apis-it.hr/fin/2012/types/f73\" "
            "xsi:schemaLocation=\"http://www.apis-it.hr/fin/2012/types/f73 "
            "../schema/FiskalizacijaSchema.xsd\" Id=\"racunId\">",
            "<tns:Zaglavlje>",
            "<tns:IdPoruke>" + id + "</tns:IdPoruke>",
            "<tns:DatumVrijeme>05.03.2013T14:25:01</tns:DatumVrijeme>",
            "</tns:Zaglavlje>",
            "<tns:Racun>",
            "<tns:Oib>12345678901</tns:Oib>",
            "<tns:USustPdv>true</tns:USustPdv>",
            "<tns:DatVrijeme>05.03.2013T14:22:07</tns:DatVrijeme>",
            "<tns:OznSlijed>N</tns:OznSlijed>",
            "<tns:BrRac>",
            "<tns:BrOznRac>27</tns:BrOznRac>",
            "<tns:OznPosPr>POS1</tns:OznPosPr>",
            "<tns:OznNapUr>1</tns:OznNapUr>",
            "</tns:BrRac>",
            "<tns:Pdv>",
            "<tns:Porez>",
            "<tns:Stopa>25.00</tns:Stopa>",
            "<tns:Osnovica>987.60</tns:Osnovica>",
            "<tns:Iznos>246.90</tns:Iznos>",
            "</tns:Porez>",
            "</tns:Pdv>",
            "<tns:IznosUkupno>1234.50</tns:IznosUkupno>",
            "<tns:NacinPlac>G</tns:NacinPlac>",
            "<tns:OibOper>98765432106</tns:OibOper>",
            "<tns:ZastKod></tns:ZastKod>",
            "<tns:NakDost>false</tns:NakDost>",
            "<tns:SpecNamj>61873204959</tns:SpecNamj>",
            "</tns:Racun>",
            "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\">",
            "<SignedInfo>",
            "<CanonicalizationMethod Algorithm=\"http://www.w3.org/2001/10/xml-exc-c14n#\"/>",
            "<SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\"/>",
            "<Reference URI=\"#racunId\">",
            "<Transforms>",
            "<Transform Algorithm=\"http://www.w3.org/2000/09/xmldsig#enveloped-signature\"/>",
            "<Transform Algorithm=\"http://www.w3.org/2001/10/xml-exc-c14n#\"/>",
            "</Transforms>",
            "<DigestMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\"/>",
            "<DigestValue/>",
            "</Reference>",
            "</SignedInfo>",
            "<SignatureValue/>",
            "<KeyInfo>",
            "<KeyName>/cert/firma.p12</KeyName>",
            "<X509Data/>",
            "</KeyInfo>",
            "</Signature>",
            "</tns:RacunZahtjev>",
            "</soapenv:Body>",
            "</soapenv:Envelope>",
        };
        QCOMPARE(linijeDatoteke(), expected);
        const QByteArray raw = fiscaltest::procitaj(datotekaZahtjeva());
        QVERIFY(raw.endsWith("</soapenv:Envelope>\r\n"));
        QCOMPARE(raw.count("\r\n"), raw.count('\n'));
        QVERIFY(!raw.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(fiscaltest::pokreni("xmllint", {"--noout", datotekaZahtjeva()}).code, 0);

        // a second request gets a new message identifier
        Popunixmlracun(primjer(), tvrtka());
        QVERIFY(stanje().IdPoruke != id);
    }

    void invoiceBody_data()
    {
        QTest::addColumn<QString>("uPdv");
        QTest::addColumn<QList<double>>("groups"); // rate, base, tax for each of the five groups
        QTest::addColumn<double>("total");
        QTest::addColumn<QStringList>("expected"); // the lines after </tns:BrRac> up to IznosUkupno

        const QList<double> zero(15, 0.0);
        QTest::newRow("not in VAT") << "Ne"
                                    << QList<double>{25, 100, 25, 13, 10, 1.3, 0, 0, 0, 0, 0, 0, 0, 0, 0}
                                    << 125.0 << QStringList{};
        QTest::newRow("lower-case da is not Da") << "da" << zero << 0.0 << QStringList{};
        QTest::newRow("one group with zero amounts") << "Da" << zero << 0.0
                                                     << QStringList{"<tns:Pdv>",
                                                                    "<tns:Porez>",
                                                                    "<tns:Stopa>0.00</tns:Stopa>",
                                                                    "<tns:Osnovica>0.00</tns:Osnovica>",
                                                                    "<tns:Iznos>0.00</tns:Iznos>",
                                                                    "</tns:Porez>",
                                                                    "</tns:Pdv>"};
        QTest::newRow("groups 1 and 3")
            << "Da" << QList<double>{25, 100, 25, 13, 0, 0, 5, 20, 1, 0, 0, 0, 0, 0, 0} << 146.0
            << QStringList{"<tns:Pdv>",
                           "<tns:Porez>",
                           "<tns:Stopa>25.00</tns:Stopa>",
                           "<tns:Osnovica>100.00</tns:Osnovica>",
                           "<tns:Iznos>25.00</tns:Iznos>",
                           "</tns:Porez>",
                           "<tns:Porez>",
                           "<tns:Stopa>5.00</tns:Stopa>",
                           "<tns:Osnovica>20.00</tns:Osnovica>",
                           "<tns:Iznos>1.00</tns:Iznos>",
                           "</tns:Porez>",
                           "</tns:Pdv>"};
        QTest::newRow("all five groups, rounding half away from zero")
            << "Da" << QList<double>{25,        0.125, 0.03, 13,  2.625, 0.35, 5,    1234567.5,
                                     61728.375, 10,    1,    0.1, 0,     1,    0.005}
            << 1234571.6
            << QStringList{"<tns:Pdv>",
                           "<tns:Porez>",
                           "<tns:Stopa>25.00</tns:Stopa>",
                           "<tns:Osnovica>0.13</tns:Osnovica>",
                           "<tns:Iznos>0.03</tns:Iznos>",
                           "</tns:Porez>",
                           "<tns:Porez>",
                           "<tns:Stopa>13.00</tns:Stopa>",
                           "<tns:Osnovica>2.63</tns:Osnovica>",
                           "<tns:Iznos>0.35</tns:Iznos>",
                           "</tns:Porez>",
                           "<tns:Porez>",
                           "<tns:Stopa>5.00</tns:Stopa>",
                           "<tns:Osnovica>1234567.50</tns:Osnovica>",
                           "<tns:Iznos>61728.38</tns:Iznos>",
                           "</tns:Porez>",
                           "<tns:Porez>",
                           "<tns:Stopa>10.00</tns:Stopa>",
                           "<tns:Osnovica>1.00</tns:Osnovica>",
                           "<tns:Iznos>0.10</tns:Iznos>",
                           "</tns:Porez>",
                           "<tns:Porez>",
                           "<tns:Stopa>0.00</tns:Stopa>",
                           "<tns:Osnovica>1.00</tns:Osnovica>",
                           "<tns:Iznos>0.01</tns:Iznos>",
                           "</tns:Porez>",
                           "</tns:Pdv>"};
        QTest::newRow("cancelling invoice")
            << "Da" << QList<double>{-25, -120, -30, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0} << -150.0
            << QStringList{"<tns:Pdv>",
                           "<tns:Porez>",
                           "<tns:Stopa>-25.00</tns:Stopa>",
                           "<tns:Osnovica>-120.00</tns:Osnovica>",
                           "<tns:Iznos>-30.00</tns:Iznos>",
                           "</tns:Porez>",
                           "</tns:Pdv>"};
    }
    void invoiceBody()
    {
        QFETCH(QString, uPdv);
        QFETCH(QList<double>, groups);
        QFETCH(double, total);
        QFETCH(QStringList, expected);
        RacunPodaci r = primjer();
        for (int i = 0; i < 5; ++i) {
            r.stPdv[i] = groups[3 * i];
            r.ukOsnov[i] = groups[3 * i + 1];
            r.ukPdv[i] = groups[3 * i + 2];
        }
        r.ukIznos = total;
        TvrtkaPodaci t = tvrtka();
        t.uPdv = uPdv;
        Popunixmlracun(r, t);
        const QStringList lines = linijeDatoteke();
        QCOMPARE(izmedju(lines, "</tns:BrRac>", "<tns:IznosUkupno>" + iznos(total) + "</tns:IznosUkupno>"),
                 expected);
        QCOMPARE(lines.contains(QStringLiteral("<tns:USustPdv>true</tns:USustPdv>")), uPdv == "Da");
        QCOMPARE(lines.contains(QStringLiteral("<tns:USustPdv>false</tns:USustPdv>")), uPdv != "Da");
    }

    void formats_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("rate");
        QTest::newRow("1234.5") << 1234.5 << "1234.50"
                                << "1234.50";
        QTest::newRow("-150") << -150.0 << "-150.00"
                              << "-150.00";
        QTest::newRow("zero") << 0.0 << "0.00"
                              << "0.00";
        QTest::newRow("small") << 0.005 << "0.01"
                               << "0.01";
        QTest::newRow("negative half") << -2.625 << "-2.63"
                                       << "-2.63";
        QTest::newRow("tiny negative is zero") << -0.004 << "0.00"
                                               << "0.00";
        QTest::newRow("no grouping") << 12345678.9 << "12345678.90"
                                     << "12345678.90";
        QTest::newRow("rate") << 25.0 << "25.00"
                              << "25.00";
    }
    void formats()
    {
        QFETCH(double, value);
        QFETCH(QString, amount);
        QFETCH(QString, rate);
        QCOMPARE(iznos(value), amount);
        QCOMPARE(stopa(value), rate);
    }

    void invoiceFields_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("line");
        QTest::newRow("number before slash") << "brRac"
                                             << "27/POS1/1"
                                             << "<tns:BrOznRac>27</tns:BrOznRac>";
        QTest::newRow("number with year") << "brRac"
                                          << "17/POSL1/3 2016"
                                          << "<tns:BrOznRac>17</tns:BrOznRac>";
        QTest::newRow("number without slash") << "brRac"
                                              << "27"
                                              << "<tns:BrOznRac></tns:BrOznRac>";
        QTest::newRow("payment T") << "nacPlac"
                                   << "T - Transakcijski račun"
                                   << "<tns:NacinPlac>T</tns:NacinPlac>";
        QTest::newRow("payment K padded") << "nacPlac"
                                          << "  K - Kartica"
                                          << "<tns:NacinPlac>K</tns:NacinPlac>";
        QTest::newRow("payment C") << "nacPlac"
                                   << "C - Ček"
                                   << "<tns:NacinPlac>C</tns:NacinPlac>";
        QTest::newRow("payment O") << "nacPlac"
                                   << "O - Ostalo"
                                   << "<tns:NacinPlac>O</tns:NacinPlac>";
        QTest::newRow("late delivery") << "nakDost"
                                       << "Da"
                                       << "<tns:NakDost>true</tns:NakDost>";
        QTest::newRow("no late delivery") << "nakDost"
                                          << "Ne"
                                          << "<tns:NakDost>false</tns:NakDost>";
        QTest::newRow("late delivery empty") << "nakDost"
                                             << ""
                                             << "<tns:NakDost>false</tns:NakDost>";
        QTest::newRow("null issue time is now")
            << "datVr" << QString() << "<tns:DatVrijeme>05.03.2013T14:25:01</tns:DatVrijeme>";
        QTest::newRow("issue time as stored") << "datVr"
                                              << "01.02.2013T08:09:10"
                                              << "<tns:DatVrijeme>01.02.2013T08:09:10</tns:DatVrijeme>";
        QTest::newRow("device trimmed") << "naplUr"
                                        << "  12 "
                                        << "<tns:OznNapUr>12</tns:OznNapUr>";
        QTest::newRow("premises as stored") << "sklad"
                                            << "P&1"
                                            << "<tns:OznPosPr>P&amp;1</tns:OznPosPr>";
        QTest::newRow("certificate path escaped")
            << "imeCert"
            << "C:\\Certs\\A&B <Đurđa> š.pfx"
            << "<KeyName>C:\\Certs\\A&amp;B &lt;Đurđa&gt; š.pfx</KeyName>";
    }
    void invoiceFields()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, line);
        RacunPodaci r = primjer();
        TvrtkaPodaci t = tvrtka();
        if (field == "brRac")
            r.brRac = value;
        else if (field == "nacPlac")
            r.nacPlac = value;
        else if (field == "nakDost")
            r.nakDost = value;
        else if (field == "datVr")
            r.datVr = value;
        else if (field == "naplUr")
            t.naplUr = value;
        else if (field == "sklad")
            t.sklad = value;
        else if (field == "imeCert")
            t.imeCert = value;
        Popunixmlracun(r, t);
        QVERIFY2(linijeDatoteke().contains(line), qPrintable(linijeDatoteke().join('\n')));
        // whatever the values, the file stays well-formed XML in UTF-8
        const fiscaltest::Rezultat lint = fiscaltest::pokreni("xmllint", {"--noout", datotekaZahtjeva()});
        QVERIFY2(lint.code == 0, lint.err.constData());
    }

    void utf8AndPoint()
    {
        QCOMPARE(Utf8(QStringLiteral("ĆćČčĐđŠšŽž")),
                 QStringLiteral("&#262;&#263;&#268;&#269;&#272;&#273;&#352;&#353;&#381;&#382;"));
        QCOMPARE(Utf8(QStringLiteral("Šetalište 1, ä")), QStringLiteral("&#352;etali&#353;te 1, ä"));
        QCOMPARE(Tockazarez(QStringLiteral("1.234,50,7")), QStringLiteral("1.234.50.7"));
        QCOMPARE(xmlTekst(QStringLiteral("a&b<c>d\"e'")), QStringLiteral("a&amp;b&lt;c&gt;d\"e'"));
    }

    void premisesRequest_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("close");
        QTest::newRow("empty suffix") << "  " << false;
        QTest::newRow("suffix and closing") << "a" << true;
    }
    void premisesRequest()
    {
        QFETCH(QString, suffix);
        QFETCH(bool, close);
        ProstorPodaci p;
        p.oib = QStringLiteral(" 12345678901 ");
        p.oznaka = QStringLiteral("POS1");
        p.ulica = QStringLiteral(" Šetalište Ž&Č ");
        p.kucniBroj = QStringLiteral("12");
        p.kucniBrojDodatak = suffix;
        p.brojPoste = QStringLiteral("10000");
        p.naselje = QStringLiteral("Đakovo");
        p.opcina = QStringLiteral("Općina <x>");
        p.radnoVrijeme = QStringLiteral("Pon-Pet 8-16");
        p.datumPocetka = QStringLiteral("05.03.2013");
        p.zatvori = close;
        p.imeCert = QStringLiteral("/cert/firma.p12");
        Popunixmlprostor(p);
        const QStringList lines = linijeDatoteke();
        QCOMPARE(lines.size(), 48 - (suffix.trimmed().isEmpty() ? 1 : 0) - (close ? 0 : 1));
        QCOMPARE(lines.at(0), QStringLiteral("<?xml version=\"1.0\"?>"));
        QCOMPARE(
            lines.at(1),
            QStringLiteral("<soapenv:Envelope xmlns:soapenv=\"http://schemas.xmlsoap.org/soap/envelope/\">"));
        QCOMPARE(lines.at(3),
                 QStringLiteral(
                     "<tns:PoslovniProstorZahtjev xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                     "xmlns:tns=\"http://www.apis-it.hr/fin/2012/types/f73\" "
                     "xsi:schemaLocation=\"http://www.apis-it.hr/fin/2012/types/f73 "
                     "../schema/FiskalizacijaSchema.xsd\" Id=\"racunId\">"));
        QVERIFY(lines.at(5).startsWith("<tns:IdPoruke>") && lines.at(5).size() == 36 + 29);
        QCOMPARE(lines.at(6), QStringLiteral("<tns:DatumVrijeme>05.03.2013T14:25:01</tns:DatumVrijeme>"));
        QStringList expected = {
            "<tns:PoslovniProstor>",
            "<tns:Oib>12345678901</tns:Oib>",
            "<tns:OznPoslProstora>POS1</tns:OznPoslProstora>",
            "<tns:AdresniPodatak>",
            "<tns:Adresa>",
            "<tns:Ulica>&#352;etali&#353;te &#381;&amp;&#268;</tns:Ulica>",
            "<tns:KucniBroj>12</tns:KucniBroj>",
        };
        if (!suffix.trimmed().isEmpty())
            expected << "<tns:KucniBrojDodatak>a</tns:KucniBrojDodatak>";
        expected << "<tns:BrojPoste>10000</tns:BrojPoste>"
                 << "<tns:Naselje>&#272;akovo</tns:Naselje>"
                 << "<tns:Opcina>Op&#263;ina &lt;x&gt;</tns:Opcina>"
                 << "</tns:Adresa>"
                 << "</tns:AdresniPodatak>"
                 << "<tns:RadnoVrijeme>Pon-Pet 8-16</tns:RadnoVrijeme>"
                 << "<tns:DatumPocetkaPrimjene>05.03.2013</tns:DatumPocetkaPrimjene>";
        if (close)
            expected << "<tns:OznakaZatvaranja>Z</tns:OznakaZatvaranja>";
        expected << "<tns:SpecNamj>61873204959</tns:SpecNamj>"
                 << "</tns:PoslovniProstor>";
        QCOMPARE(lines.mid(8, expected.size()), expected);
        const QStringList tail = lines.mid(8 + expected.size());
        QCOMPARE(tail.mid(0, 19), potpisniPredlozak(QStringLiteral("/cert/firma.p12")));
        QCOMPARE(tail.mid(19),
                 (QStringList{"</tns:PoslovniProstorZahtjev>", "</soapenv:Body>", "</soapenv:Envelope>"}));
        QCOMPARE(fiscaltest::pokreni("xmllint", {"--noout", datotekaZahtjeva()}).code, 0);
    }

    void unwritableFileRaises()
    {
        // a missing folder is made; a file in the folder's place cannot be written through
        QVERIFY(QDir(m_dir.filePath(QStringLiteral("xml"))).removeRecursively());
        Popunixmlracun(primjer(), tvrtka());
        QVERIFY(QFile::exists(datotekaZahtjeva()));
        QVERIFY(QDir(m_dir.filePath(QStringLiteral("xml"))).removeRecursively());
        fiscaltest::zapisi(m_dir.filePath(QStringLiteral("xml")), "x");
        QVERIFY_THROWS_EXCEPTION(TarvelError, Popunixmlracun(primjer(), tvrtka()));
        QVERIFY(QFile::remove(m_dir.filePath(QStringLiteral("xml"))));
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("xml"))));
    }
};

QTEST_GUILESS_MAIN(TestZahtjev)
#include "tst_zahtjev.moc"
