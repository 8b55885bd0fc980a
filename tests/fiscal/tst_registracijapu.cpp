// "Registriraj u PU - F12" without the screen: what is stored, the required fields in their order,
// the date, the exchange with the stand-in fiscal service and the outcome the screen acts on.
#include "core/cipher.h"
#include "core/clock.h"
#include "core/errors.h"
#include "core/paths.h"
#include "data/tdm.h"
#include "fiscal/fiskalizacija.h"
#include "fiscal/fiskalnostanje.h"
#include "fiscal/prijenos.h"
#include "fiscal/registracijapu.h"
#include "fiscaltestutil.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

using namespace tarvel;
using namespace tarvel::fiscal;
using tarvel::data::TableObject;
using tarvel::data::TDM;

namespace {

struct Prikaz : FiskalniPrikaz
{
    QStringList obavijesti;
    bool kursor = false;
    bool kursorUkljucen = false;
    void cekanje(bool v) override
    {
        kursor = v;
        kursorUkljucen |= v;
    }
    void obavijest(const QString& t) override { obavijesti << t; }
};

// Field names as the company screen's value struct has them.
struct Ekran
{
    QString oibOp, oib, naziv, odgIme, odgPrez, tel, fax, email, uPdv, vrObvez, brRac, poslGod, naplur, sklad,
        ulica, kBr, kBrD, ptt, mjesto, opcina, radVr, passCert, imeCert, pathMje, ispis;
};

const QString kObavezno = QStringLiteral("Polje je obavezan podatak. Molimo popunite.");

} // namespace

class TestRegistracijaPU : public QObject
{
    Q_OBJECT

    // short, because OPCI.IME_CERT holds at most 50 characters
    QTemporaryDir m_tmp{QDir::tempPath() + QStringLiteral("/tr-XXXXXX")};
    fiscaltest::Pki m_pki;
    fiscaltest::CisServer m_server;
    TDM* m_tdm = nullptr;

    PodaciZaPU podaci() const
    {
        Ekran e;
        e.oibOp = "98765432106";
        e.oib = "12345678903";
        e.naziv = "Obrt Šime & kći";
        e.tel = "01 555 000";
        e.uPdv = "Da";
        e.vrObvez = "R1";
        e.brRac = "41";
        e.poslGod = "2013";
        e.naplur = "2";
        e.sklad = "POS1";
        e.ulica = "  Šetalište kapetana Radića ";
        e.kBr = "12";
        e.kBrD = "";
        e.ptt = "31000";
        e.mjesto = "Osijek";
        e.opcina = "Osijek";
        e.radVr = "Pon-Pet 8-16";
        e.passCert = fiscaltest::Pki::lozinka();
        e.imeCert = m_pki.p12Moderni();
        e.pathMje = "";
        e.ispis = "A5";
        return podaciZaPU(e, false);
    }

    // A row as the company screen's F9 left it, with what F12 must not touch.
    void pocetniOpci()
    {
        TableObject* o = m_tdm->OpcaTable;
        if (!o->active())
            o->open();
        o->first();
        if (o->isEmpty())
            o->append();
        else
            o->edit();
        o->setValue("OIB", "11111111119");
        o->setValue("NAZIV", "Staro");
        o->setValue("TEL", "099 123");
        o->setValue("EMAIL", "ured@primjer.hr");
        o->setValue("GLAVNI_PRINTER", "Epson");
        o->setValue("FOOTER", "Hvala!");
        o->setValue("PROM", QDate(2010, 1, 4));
        o->setValue("PASS_CERT", QString());
        o->post();
    }

    QString opci(const char* column) const { return m_tdm->OpcaTable->asString(QLatin1String(column)); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_tmp.isValid());
        QVERIFY(m_pki.napravi(m_tmp.filePath("pki")));
        const QString folder = m_tmp.filePath("prog");
        for (const char* sub : {"baze", "xml", "xml_in", "xml_out"})
            QVERIFY(QDir().mkpath(folder + "/" + sub));
        Paths::setProgramFolder(folder);
        Clock::setFixed(QDateTime(QDate(2013, 3, 5), QTime(14, 25, 1)));
        QVERIFY(m_server.start(m_tmp.filePath("cis"), m_pki.serverCert(), m_pki.serverKljuc(), m_pki.ca()));
        m_tdm = new TDM(this);
        m_tdm->create();
    }
    void init()
    {
        fiscaltest::zapisi(Paths::settingsFile(),
                           QStringLiteral("[CIS]\nPRODUKCIJA=%1\nTEST=%1\nCA=%2\n[MREZA]\nPROBA=%1\n")
                               .arg(m_server.address(), m_pki.ca())
                               .toUtf8());
        postavke() = CisPostavke::procitaj();
        postavke().vremenskoOgranicenjeMs = 3000;
        m_server.setMode({{"mode", "prostor"}});
        pocetniOpci();
    }
    void cleanupTestCase()
    {
        m_server.stop();
        Clock::setFixed({});
    }

    void registers()
    {
        const qsizetype sent = m_server.log().size();
        Prikaz prikaz;
        const IshodPU r = RegistrirajUPU(*m_tdm, podaci(), prikaz);
        QVERIFY(!r.greska);
        QCOMPARE(r.polje, QString());
        QCOMPARE(r.promjena, QDate(2013, 3, 5));
        QVERIFY(r.poslano);
        QCOMPARE(r.rezultat, QStringLiteral("Poslovni prostor prijavljen"));
        QCOMPARE(prikaz.obavijesti,
                 QStringList{"XML poslan u CIS PU. Rezultat: \n\nPoslovni prostor prijavljen"});
        QVERIFY(prikaz.kursorUkljucen && !prikaz.kursor);

        // the subset is stored as typed, PROM today, the password enciphered
        QCOMPARE(opci("OIB"), QStringLiteral("12345678903"));
        QCOMPARE(opci("OIB_OP"), QStringLiteral("98765432106"));
        QCOMPARE(opci("NAZIV"), QStringLiteral("Obrt Šime & kći"));
        QCOMPARE(opci("ULICA"), QStringLiteral("  Šetalište kapetana Radića "));
        QCOMPARE(opci("BR_RAC"), QStringLiteral("41"));
        QCOMPARE(opci("NAPLUR"), QStringLiteral("2"));
        QCOMPARE(opci("ISPIS"), QStringLiteral("A5"));
        QCOMPARE(opci("IME_CERT"), m_pki.p12Moderni());
        QCOMPARE(m_tdm->OpcaTable->asDate("PROM"), QDate(2013, 3, 5));
        QVERIFY(opci("PASS_CERT") != fiscaltest::Pki::lozinka());
        QCOMPARE(decipherPassword(opci("PASS_CERT")), fiscaltest::Pki::lozinka());
        // contact data, printer, e-mail and footer are F9's
        QCOMPARE(opci("TEL"), QStringLiteral("099 123"));
        QCOMPARE(opci("EMAIL"), QStringLiteral("ured@primjer.hr"));
        QCOMPARE(opci("GLAVNI_PRINTER"), QStringLiteral("Epson"));
        QCOMPARE(opci("FOOTER"), QStringLiteral("Hvala!"));

        // one signed premises request from the stored row, to production
        QCOMPARE(m_server.log().size(), sent + 1);
        const QJsonObject entry = m_server.log().last();
        QVERIFY(entry["verified"].toBool());
        QCOMPARE(entry["path"].toString(), "/FiskalizacijaService");
        QCOMPARE(entry["kind"].toString(), "PoslovniProstorZahtjev");
        const QByteArray posted = m_server.request(entry["n"].toInt());
        QVERIFY(posted.contains("<tns:Oib>12345678903</tns:Oib>"));
        QVERIFY(posted.contains("<tns:Ulica>Šetalište kapetana Radića</tns:Ulica>"));
        QVERIFY(posted.contains("<tns:DatumPocetkaPrimjene>05.03.2013</tns:DatumPocetkaPrimjene>"));
        QVERIFY(!posted.contains("KucniBrojDodatak"));
        QVERIFY(!posted.contains("OznakaZatvaranja"));
        QCOMPARE(QString::fromUtf8(fiscaltest::procitaj(Paths::file("jir.txt"))),
                 QStringLiteral("Poslovni prostor prijavljen\r\n"));
    }

    void closingAndTestService()
    {
        QSignalSpy changed(m_tdm, &TDM::sharedValuesChanged);
        m_tdm->testniCIS = false;
        PodaciZaPU p = podaci();
        p.oib = QLatin1String(MaticniOIB);
        p.zatvori = true;
        p.imeCert = m_pki.p12Legacy();
        Prikaz prikaz;
        const IshodPU r = RegistrirajUPU(*m_tdm, p, prikaz);
        QVERIFY(!r.greska);
        QVERIFY(m_tdm->testniCIS);
        QVERIFY(stanje().TestniCIS);
        QCOMPARE(changed.size(), 1);
        const QJsonObject entry = m_server.log().last();
        QCOMPARE(entry["path"].toString(), "/FiskalizacijaServiceTest");
        QVERIFY(entry["verified"].toBool());
        QVERIFY(
            m_server.request(entry["n"].toInt()).contains("<tns:OznakaZatvaranja>Z</tns:OznakaZatvaranja>"));

        // a real OIB afterwards goes back to production at once
        RegistrirajUPU(*m_tdm, podaci(), prikaz);
        QVERIFY(!m_tdm->testniCIS && !stanje().TestniCIS);
        QCOMPARE(m_server.log().last()["path"].toString(), "/FiskalizacijaService");
    }

    void requiredFieldStops_data()
    {
        QTest::addColumn<QStringList>("empty");
        QTest::addColumn<QString>("focus");
        QTest::newRow("OIB firme") << QStringList{"oib"} << "OIB";
        QTest::newRow("Ulica") << QStringList{"ulica"} << "ULICA";
        QTest::newRow("Kućni broj") << QStringList{"kBr"} << "K_BR";
        QTest::newRow("Poštanski broj") << QStringList{"ptt"} << "PTT";
        QTest::newRow("Mjesto") << QStringList{"mjesto"} << "MJESTO";
        QTest::newRow("Općina") << QStringList{"opcina"} << "OPCINA";
        QTest::newRow("Radno vrijeme, blanks only") << QStringList{"radVr"} << "RAD_VR";
        QTest::newRow("Šifra posl. prostora") << QStringList{"sklad"} << "SKLAD";
        QTest::newRow("the first in order wins") << QStringList{"sklad", "radVr", "ptt"} << "PTT";
        QTest::newRow("suffix is not required") << QStringList{"kBrD", "sklad"} << "SKLAD";
    }
    void requiredFieldStops()
    {
        QFETCH(QStringList, empty);
        QFETCH(QString, focus);
        PodaciZaPU p = podaci();
        QHash<QString, QString*> fields{{"oib", &p.oib},       {"ulica", &p.ulica}, {"kBr", &p.kBr},
                                        {"kBrD", &p.kBrD},     {"ptt", &p.ptt},     {"mjesto", &p.mjesto},
                                        {"opcina", &p.opcina}, {"radVr", &p.radVr}, {"sklad", &p.sklad}};
        for (const QString& f : empty)
            *fields.value(f) = QStringLiteral("  ");
        p.naziv = QStringLiteral("Novi naziv");
        const qsizetype sent = m_server.log().size();
        QFile::remove(Paths::file("jir.txt"));

        Prikaz prikaz;
        const IshodPU r = RegistrirajUPU(*m_tdm, p, prikaz);
        QCOMPARE(r.polje, focus);
        QVERIFY(!r.promjena.isValid());
        QVERIFY(!r.poslano && !r.greska);
        QCOMPARE(prikaz.obavijesti, QStringList{kObavezno});
        QVERIFY(!prikaz.kursor);
        QCOMPARE(m_server.log().size(), sent);
        QVERIFY(!QFile::exists(Paths::file("jir.txt")));
        // the subset is stored all the same
        QCOMPARE(opci("NAZIV"), QStringLiteral("Novi naziv"));
        QCOMPARE(m_tdm->OpcaTable->asDate("PROM"), QDate(2013, 3, 5));
        QCOMPARE(decipherPassword(opci("PASS_CERT")), fiscaltest::Pki::lozinka());
    }

    void probeWarnsOnly()
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        postavke().proba = QStringLiteral("127.0.0.1:%1").arg(probe.serverPort());
        probe.close();
        PodaciZaPU p = podaci();
        p.radVr.clear();
        Prikaz prikaz;
        QCOMPARE(RegistrirajUPU(*m_tdm, p, prikaz).polje, QStringLiteral("RAD_VR"));
        QCOMPARE(prikaz.obavijesti,
                 (QStringList{"S Internet vezom nešto nije u radu. Ispravite grešku i pokušajte kasnije.",
                              kObavezno}));
    }

    void serviceRejects()
    {
        m_server.setMode({{"mode", "prostor-greska"}, {"poruka", "Neispravan OIB"}});
        Prikaz prikaz;
        const IshodPU r = RegistrirajUPU(*m_tdm, podaci(), prikaz);
        QVERIFY(r.poslano && !r.greska);
        QCOMPARE(r.rezultat, QStringLiteral("Greška: Neispravan OIB"));
        QCOMPARE(prikaz.obavijesti, QStringList{"XML poslan u CIS PU. Rezultat: \n\nGreška: Neispravan OIB"});
        QCOMPARE(r.promjena, QDate(2013, 3, 5));
    }

    void exchangeFailureHandedBack_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("jirLine");
        QTest::newRow("wrong password") << "kriva"
                                        << "prostor"
                                        << "Ne mogu učitati privatni ključ"
                                        << "Greška - Ne mogu učitati privatni ključ";
        QTest::newRow("HTTP 500") << fiscaltest::Pki::lozinka() << "http500"
                                  << ""
                                  << "";
        QTest::newRow("answer not XML") << fiscaltest::Pki::lozinka() << "notxml"
                                        << "Odgovor CIS-a nije XML dokument."
                                        << "";
    }
    void exchangeFailureHandedBack()
    {
        QFETCH(QString, password);
        QFETCH(QString, how);
        QFETCH(QString, message);
        QFETCH(QString, jirLine);
        m_server.setMode({{"mode", how}});
        QFile::remove(Paths::file("jir.txt"));
        PodaciZaPU p = podaci();
        p.passCert = password;
        Prikaz prikaz;
        const IshodPU r = RegistrirajUPU(*m_tdm, p, prikaz);
        QVERIFY(r.greska.has_value());
        if (!message.isEmpty())
            QCOMPARE(r.greska->message(), message);
        QVERIFY(!r.poslano);
        QCOMPARE(r.polje, QString());
        QCOMPARE(r.promjena, QDate(2013, 3, 5));
        QCOMPARE(prikaz.obavijesti, QStringList());
        QVERIFY(!prikaz.kursor);
        QCOMPARE(m_tdm->OpcaTable->asDate("PROM"), QDate(2013, 3, 5));
        if (!jirLine.isEmpty())
            QCOMPARE(QString::fromUtf8(fiscaltest::procitaj(Paths::file("jir.txt"))), jirLine + "\r\n");
        // the libraries were shut down again, so the next run starts clean
        QVERIFY(!stanje().KljucZKI && !stanje().dokument && !stanje().potpisniKontekst);
    }

    void passwordTooLongStoresNothing()
    {
        PodaciZaPU p = podaci();
        p.passCert = QString(60, QLatin1Char('x'));
        p.naziv = QStringLiteral("Ne smije se spremiti");
        const qsizetype sent = m_server.log().size();
        Prikaz prikaz;
        QVERIFY_THROWS_EXCEPTION(TarvelError, RegistrirajUPU(*m_tdm, p, prikaz));
        QCOMPARE(opci("NAZIV"), QStringLiteral("Staro"));
        QCOMPARE(m_tdm->OpcaTable->state(), TableObject::State::Browse);
        QCOMPARE(m_server.log().size(), sent);
        QVERIFY(!prikaz.kursor);
    }
};

QTEST_GUILESS_MAIN(TestRegistracijaPU)
#include "tst_registracijapu.moc"
