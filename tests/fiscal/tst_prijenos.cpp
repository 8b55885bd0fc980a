// The exchange with the stand-in fiscal service over HTTPS, and the reading of its answers.
#include "core/clock.h"
#include "core/errors.h"
#include "core/paths.h"
#include "fiscal/fiskalnostanje.h"
#include "fiscal/potpis.h"
#include "fiscal/prijenos.h"
#include "fiscal/zahtjev.h"
#include "fiscal/zastitnikod.h"
#include "fiscaltestutil.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>
#include <libxml/parser.h>

using namespace tarvel;
using namespace tarvel::fiscal;

class TestPrijenos : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    fiscaltest::Pki m_pki;
    fiscaltest::CisServer m_server;
    QString m_folder;

    void pripremiRacun()
    {
        RacunPodaci r;
        r.oibOperatera = "98765432106";
        r.datVr = "05.03.2013T14:22:07";
        r.slijed = "N";
        r.brRac = "27/POS1/1";
        r.ukIznos = 125;
        r.stPdv = {25, 0, 0, 0, 0};
        r.ukOsnov = {100, 0, 0, 0, 0};
        r.ukPdv = {25, 0, 0, 0, 0};
        r.nacPlac = "G - Novčanice i kovanice";
        stanje().brojRacuna = r.brRac;
        Popunixmlracun(r, {"12345678901", "Da", "POS1", "1", "firma.p12"});
        KreirajPotpisniKontekst();
        UcitajZahtjev();
        ParsirajZahtjev();
        DodajZastitniKod(stanje().dokument, stanje().KljucZKI);
        PotpisiZahtjev();
    }

    static QString posalji(QString* error = nullptr)
    {
        try {
            return PosaljiZahtjev();
        } catch (const TarvelError& e) {
            if (error)
                *error = e.message();
            return QStringLiteral("<raised>");
        }
    }

    static QString odgovor(const QByteArray& xml, const QString& vrsta)
    {
        xmlDocPtr doc = xmlReadMemory(xml.constData(), int(xml.size()), "a.xml", nullptr, XML_PARSE_NONET);
        if (!doc)
            return QStringLiteral("<not xml>");
        const QString result = procitajOdgovor(doc, vrsta);
        xmlFreeDoc(doc);
        return result;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_tmp.isValid());
        QVERIFY(m_pki.napravi(m_tmp.filePath("pki")));
        m_folder = m_tmp.filePath("prog");
        for (const char* sub : {"xml", "xml_in", "xml_out"})
            QVERIFY(QDir().mkpath(m_folder + "/" + sub));
        Paths::setProgramFolder(m_folder);
        Clock::setFixed(QDateTime(QDate(2013, 3, 5), QTime(14, 25, 1)));
        QVERIFY(m_server.start(m_tmp.filePath("cis"), m_pki.serverCert(), m_pki.serverKljuc(), m_pki.ca()));
        InicijalizirajXmlSec();
        stanje().certifikat = m_pki.p12Lanac();
        stanje().lozinka = fiscaltest::Pki::lozinka();
        stanje().KljucZKI = UcitajKljuc(m_pki.p12Lanac(), fiscaltest::Pki::lozinka());
    }
    void init()
    {
        fiscaltest::zapisi(Paths::settingsFile(), QStringLiteral("[CIS]\nPRODUKCIJA=%1\nTEST=%1\nCA=%2\n")
                                                      .arg(m_server.address(), m_pki.ca())
                                                      .toUtf8());
        postavke() = CisPostavke::procitaj();
        stanje().TestniCIS = false;
    }
    void cleanupTestCase()
    {
        m_server.stop();
        UgasiXmlSec();
        Clock::setFixed({});
    }

    void settings()
    {
        fiscaltest::zapisi(Paths::settingsFile(), "[OSTALO]\nX=1\n");
        const CisPostavke defaults = CisPostavke::procitaj();
        QCOMPARE(defaults.vremenskoOgranicenjeMs, 40000);
        QCOMPARE(adresaServisa(defaults, false),
                 QStringLiteral("https://cis.porezna-uprava.hr:8449/FiskalizacijaService"));
        QCOMPARE(adresaServisa(defaults, true),
                 QStringLiteral("https://cistest.apis-it.hr:8449/FiskalizacijaServiceTest"));
        QVERIFY(defaults.ca.isEmpty());
        fiscaltest::zapisi(Paths::settingsFile(), "[CIS]\nPRODUKCIJA=prod.example\nTEST=127.0.0.1:9999\nCA=/"
                                                  "x/ca.pem\n[MREZA]\nPROBA=127.0.0.1:81\n");
        const CisPostavke p = CisPostavke::procitaj();
        QCOMPARE(adresaServisa(p, false), QStringLiteral("https://prod.example:8449/FiskalizacijaService"));
        QCOMPARE(adresaServisa(p, true), QStringLiteral("https://127.0.0.1:9999/FiskalizacijaServiceTest"));
        QCOMPARE(p.ca, QStringLiteral("/x/ca.pem"));
        QCOMPARE(p.proba, QStringLiteral("127.0.0.1:81"));
        QVERIFY(jeTestniCIS("61873204959"));
        QVERIFY(!jeTestniCIS("12345678901"));
    }

    void answers_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("vrsta");
        QTest::addColumn<QString>("result");
        const QByteArray env = "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                               "xmlns:tns=\"http://www.apis-it.hr/fin/2012/types/f73\"><soap:Body>";
        const QString written = "Greška zapisana u " + m_folder + "/xml/response.xml";
        QTest::newRow("jir")
            << env + "<tns:RacunOdgovor><tns:Jir>j-1</tns:Jir></tns:RacunOdgovor></soap:Body></soap:Envelope>"
            << "RacunZahtjev"
            << "j-1";
        QTest::newRow("error trimmed")
            << env + "<tns:RacunOdgovor><tns:Greske><tns:Greska><tns:PorukaGreske> Krivo  </tns:PorukaGreske>"
                     "</tns:Greska></tns:Greske></tns:RacunOdgovor></soap:Body></soap:Envelope>"
            << "RacunZahtjev"
            << "Greška: Krivo";
        QTest::newRow("neither") << env + "<tns:RacunOdgovor/></soap:Body></soap:Envelope>"
                                 << "RacunZahtjev" << written;
        QTest::newRow("other prefix is not read")
            << QByteArray("<s:Envelope "
                          "xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><tns:RacunOdgovor "
                          "xmlns:tns=\"x\"><tns:Jir>j-2</tns:Jir></tns:RacunOdgovor></s:Body></s:Envelope>")
            << "RacunZahtjev" << written;
        QTest::newRow("premises ok") << env + "<tns:PoslovniProstorOdgovor/></soap:Body></soap:Envelope>"
                                     << "PoslovniProstorZahtjev"
                                     << "Poslovni prostor prijavljen";
        QTest::newRow("premises error")
            << env + "<tns:PoslovniProstorOdgovor><tns:Greske><tns:Greska><tns:PorukaGreske>Ne "
                     "valja</tns:PorukaGreske>"
                     "</tns:Greska></tns:Greske></tns:PoslovniProstorOdgovor></soap:Body></soap:Envelope>"
            << "PoslovniProstorZahtjev"
            << "Greška: Ne valja";
    }
    void answerEntitiesNotExpanded()
    {
        // the answer comes from outside: no external entity is read into it
        InicijalizirajXmlSec();
        fiscaltest::zapisi(m_tmp.filePath("tajna.txt"), "TAJNA");
        const QByteArray xml =
            "<!DOCTYPE x [<!ENTITY e SYSTEM \"file://" + m_tmp.filePath("tajna.txt").toUtf8() +
            "\">]><soap:Envelope xmlns:soap=\"s\" xmlns:tns=\"t\"><soap:Body><tns:RacunOdgovor>"
            "<tns:Jir>&e;</tns:Jir></tns:RacunOdgovor></soap:Body></soap:Envelope>";
        m_server.setMode({{"mode", "raw"}, {"body", QString::fromUtf8(xml)}});
        pripremiRacun();
        const QString result = posalji();
        QVERIFY2(!result.contains("TAJNA"), qPrintable(result));
        QVERIFY(!fiscaltest::procitaj(Paths::file("xml/response.xml")).contains("TAJNA"));
        OslobodiZahtjev();
    }

    void answers()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, vrsta);
        QFETCH(QString, result);
        QCOMPARE(odgovor(xml, vrsta), result);
    }

    void exchange_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("testni");
        QTest::addColumn<QString>("result");
        QTest::newRow("jir") << "jir" << false << "a1b2c3d4-0000-4000-8000-000000000001";
        QTest::newRow("jir from the test service") << "jir" << true << "a1b2c3d4-0000-4000-8000-000000000001";
        QTest::newRow("error answer") << "greska" << false << "Greška: Neispravan OIB";
        QTest::newRow("neither") << "prazno" << false << "Greška zapisana u %1xml/response.xml";
    }
    void exchange()
    {
        QFETCH(QString, mode);
        QFETCH(bool, testni);
        QFETCH(QString, result);
        QFile::remove(Paths::file("xml/response.xml"));
        QFile::remove(Paths::file("xml_in/27-POS1-1.xml"));
        m_server.setMode({{"mode", mode}});
        stanje().TestniCIS = testni;
        pripremiRacun();
        const qsizetype before = m_server.log().size();
        QString error;
        QCOMPARE(posalji(&error), result.contains("%1") ? result.arg(m_folder + "/") : result);
        QVERIFY(error.isEmpty());
        const QList<QJsonObject> log = m_server.log();
        QCOMPARE(log.size(), before + 1);
        const QJsonObject entry = log.last();
        QCOMPARE(entry["verified"].toBool(), true);
        QCOMPARE(entry["path"].toString(), testni ? "/FiskalizacijaServiceTest" : "/FiskalizacijaService");
        QCOMPARE(entry["content_type"].toString(), "text/xml; charset=\"utf-8\"");
        QCOMPARE(entry["soap_action"].toString(), "\"\"");
        QCOMPARE(entry["user_agent"].toString(), "Tarvelstat/1.0");
        const QByteArray posted = m_server.request(entry["n"].toInt());
        QCOMPARE(posted.count("<X509Certificate>"), 1);
        QCOMPARE(QString::fromUtf8(posted), stanje().linijeZahtjeva.join("\r\n") + "\r\n");
        const QByteArray saved = fiscaltest::procitaj(Paths::file("xml/response.xml"));
        QVERIFY(saved.contains("RacunOdgovor"));
        QCOMPARE(fiscaltest::procitaj(Paths::file("xml_in/27-POS1-1.xml")), saved);
        OslobodiZahtjev();
    }

    void transportFailures_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("not xml") << "notxml";
        QTest::newRow("http 500") << "http500";
        QTest::newRow("no answer") << "hang";
        QTest::newRow("refused") << "refused";
        QTest::newRow("untrusted server") << "untrusted";
        QTest::newRow("system authorities only") << "no-ca";
    }
    void transportFailures()
    {
        QFETCH(QString, mode);
        fiscaltest::CisServer stranger;
        if (mode == "refused") {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            postavke().produkcija = QStringLiteral("127.0.0.1:%1").arg(probe.serverPort());
            probe.close();
        } else if (mode == "untrusted") {
            QVERIFY(stranger.start(m_tmp.filePath("strani"), m_pki.stranaServerCert(),
                                   m_pki.stranaServerKljuc(), m_pki.ca()));
            postavke().produkcija = stranger.address();
        } else if (mode == "no-ca") {
            postavke().ca.clear();
        } else {
            m_server.setMode({{"mode", mode}, {"seconds", 10}});
        }
        postavke().vremenskoOgranicenjeMs = 1500;
        QFile::remove(Paths::file("xml/response.xml"));
        pripremiRacun();
        const qsizetype before = m_server.log().size();
        QString error;
        QElapsedTimer t;
        t.start();
        QCOMPARE(posalji(&error), QStringLiteral("<raised>"));
        QVERIFY(!error.isEmpty());
        qInfo("%s: %s", qPrintable(mode), qPrintable(error));
        QVERIFY2(t.elapsed() < 8000, qPrintable(QString::number(t.elapsed())));
        QVERIFY(!QFile::exists(Paths::file("xml/response.xml")));
        const bool reached = mode == "notxml" || mode == "http500" || mode == "hang";
        QCOMPARE(m_server.log().size(), before + (reached ? 1 : 0));
        if (reached)
            QVERIFY(m_server.log().last()["verified"].toBool());
        if (mode == "untrusted")
            QVERIFY(stranger.log().isEmpty());
        OslobodiZahtjev();
    }

    void premisesExchange()
    {
        m_server.setMode({{"mode", "prostor-greska"}, {"poruka", "Prostor već postoji"}});
        ProstorPodaci p{"12345678901", "POS1",   "Ulica", "1",          "",    "10000",
                        "Zagreb",      "Zagreb", "0-24",  "05.03.2013", false, "firma.p12"};
        Popunixmlprostor(p);
        KreirajPotpisniKontekst();
        UcitajZahtjev();
        ParsirajZahtjev();
        PotpisiZahtjev();
        QCOMPARE(posalji(), QStringLiteral("Greška: Prostor već postoji"));
        QVERIFY(m_server.log().last()["verified"].toBool());
        QCOMPARE(m_server.log().last()["kind"].toString(), "PoslovniProstorZahtjev");
        QVERIFY(fiscaltest::procitaj(Paths::file("xml_in/Prostor_05.03.2013.xml"))
                    .contains("PoslovniProstorOdgovor"));
        m_server.setMode({{"mode", "prostor"}});
        QCOMPARE(posalji(), QStringLiteral("Poslovni prostor prijavljen"));
        OslobodiZahtjev();
    }
};

QTEST_GUILESS_MAIN(TestPrijenos)
#include "tst_prijenos.moc"
