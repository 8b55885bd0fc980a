// FiskalizirajRacun and PrijaviProstor end to end: the data module's FISKAL and OPCI rows, the
// stand-in fiscal service, the files and the notices.
#include "core/clock.h"
#include "core/errors.h"
#include "core/paths.h"
#include "data/tdm.h"
#include "fiscal/fiskalizacija.h"
#include "fiscal/fiskalnostanje.h"
#include "fiscal/potpis.h"
#include "fiscal/prijenos.h"
#include "fiscaltestutil.h"

#include <QCryptographicHash>
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
    QStringList potvrde;
    QStringList dogadjaji;
    bool gumb = true;
    bool timer = true;
    bool kursor = false;
    bool labele = false;
    void napredak(bool v) override { labele = v; }
    void cekanje(bool v) override { kursor = v; }
    void gumbFiskaliziraj(bool v) override
    {
        gumb = v;
        if (!v)
            dogadjaji << "gumb iskljucen";
    }
    void statusniTimer(bool v) override
    {
        timer = v;
        dogadjaji << (v ? "timer" : "timer stop");
    }
    void obavijest(const QString& t) override { obavijesti << t; }
    void potvrda(const QString& jir, const QString& zki, const QString& trajanje) override
    {
        potvrde << jir << zki << trajanje;
    }
};

} // namespace

class TestFiskalizacija : public QObject
{
    Q_OBJECT

    // short, because OPCI.IME_CERT holds at most 50 characters
    QTemporaryDir m_tmp{QDir::tempPath() + QStringLiteral("/tf-XXXXXX")};
    fiscaltest::Pki m_pki;
    fiscaltest::CisServer m_server;
    TDM* m_tdm = nullptr;

    QString zkiOpenssl(const QString& input)
    {
        const fiscaltest::Rezultat r =
            fiscaltest::pokreni("openssl", {"dgst", "-sha1", "-sign", m_pki.kljuc()}, {}, input.toUtf8());
        return QString::fromLatin1(QCryptographicHash::hash(r.out, QCryptographicHash::Md5).toHex());
    }

    void postaviOpci(const QString& oib, const QString& cert)
    {
        TableObject* o = m_tdm->OpcaTable;
        if (!o->active())
            o->open();
        o->first();
        if (o->isEmpty())
            o->append();
        else
            o->edit();
        o->setValue("NAZIV", "Test d.o.o.");
        o->setValue("OIB", oib);
        o->setValue("SKLAD", "POS1");
        o->setValue("NAPLUR", "1");
        o->setValue("U_PDV", "Da");
        o->setValue("BR_RAC", 28.0);
        o->setValue("IME_CERT", cert);
        o->post();
    }

    // Appends an invoice and leaves FISKAL on it.
    void noviRacun(const QString& brRac, double total = 125, const QString& jir = {})
    {
        TableObject* f = m_tdm->FiskalTable;
        if (!f->active())
            f->open();
        f->append();
        f->setValue("OIB", "98765432106");
        f->setValue("OIB_OPER", "98765432106");
        f->setValue("DAT_VR", "05.03.2013T14:22:07");
        f->setValue("SLIJED", "N");
        f->setValue("BR_RAC", brRac);
        f->setValue("UKIZNOS", total);
        f->setValue("UKOSNOV1", total / 1.25);
        f->setValue("UKPDV1", total - total / 1.25);
        f->setValue("STPDV1", 25.0);
        f->setValue("NAC_PLAC", "G - Novčanice i kovanice");
        f->setValue("NAK_DOST", "Ne");
        if (!jir.isEmpty())
            f->setValue("JIR", jir);
        f->post();
        f->last();
    }

    void ini(const QString& cisHost)
    {
        fiscaltest::zapisi(Paths::settingsFile(),
                           QStringLiteral("[CIS]\nPRODUKCIJA=%1\nTEST=%1\nCA=%2\n[MREZA]\nPROBA=%1\n")
                               .arg(cisHost, m_pki.ca())
                               .toUtf8());
        postavke() = CisPostavke::procitaj();
        postavke().vremenskoOgranicenjeMs = 3000;
    }

    QString red(const char* column) const { return m_tdm->FiskalTable->asString(QLatin1String(column)); }

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
        ini(m_server.address());
        postaviOpci("12345678901", m_pki.p12Lanac());
        otvoriFiskalizaciju(m_pki.p12Lanac(), fiscaltest::Pki::lozinka());
        m_server.setMode({{"mode", "jir"}, {"jir", "a1b2c3d4-0000-4000-8000-000000000001"}});
    }
    void cleanup() { zatvoriFiskalizaciju(); }
    void cleanupTestCase()
    {
        m_server.stop();
        Clock::setFixed({});
    }

    void latestInvoiceGetsJir()
    {
        noviRacun("27/POS1/1");
        Prikaz p;
        FiskalizirajRacun(m_tdm->FiskalTable, m_tdm->OpcaTable, p);
        QCOMPARE(p.obavijesti, QStringList());
        QCOMPARE(red("JIR"), QStringLiteral("a1b2c3d4-0000-4000-8000-000000000001"));
        QCOMPARE(red("CIS_PORUKA"), QStringLiteral("Fiskalizacija provedena"));
        QCOMPARE(red("NAK_DOST"), QStringLiteral("Ne"));
        QCOMPARE(red("DATSAT"), QStringLiteral("05.03.2013T14:25:01"));
        QCOMPARE(red("UUID").size(), 36);
        const QString zki = zkiOpenssl("1234567890105.03.2013 14:22:0727POS11125.00");
        QCOMPARE(red("ZAST_KOD"), zki);
        QCOMPARE(p.potvrde.size(), 3);
        QCOMPARE(p.potvrde.at(0), red("JIR"));
        QCOMPARE(p.potvrde.at(1), zki);
        QVERIFY(
            QRegularExpression("^Trajanje: [1-9]?[0-9]*\\.[0-9]{3} msec$").match(p.potvrde.at(2)).hasMatch());
        QCOMPARE(fiscaltest::procitaj(Paths::file("jir.txt")),
                 QByteArray("a1b2c3d4-0000-4000-8000-000000000001\r\n"));
        QVERIFY(stanje().zavrseno);
        QVERIFY(p.gumb && p.timer && !p.kursor && !p.labele);
        QCOMPARE(p.dogadjaji.first(), QStringLiteral("timer stop"));
        QVERIFY(p.dogadjaji.contains("gumb iskljucen"));
        QVERIFY(stanje().ZastitniKod.isEmpty());

        const QJsonObject entry = m_server.log().last();
        QVERIFY(entry["verified"].toBool());
        QCOMPARE(entry["path"].toString(), "/FiskalizacijaService");
        const QByteArray posted = m_server.request(entry["n"].toInt());
        QVERIFY(posted.contains("<tns:NakDost>false</tns:NakDost>"));
        QVERIFY(posted.contains(("<tns:IdPoruke>" + red("UUID") + "</tns:IdPoruke>").toUtf8()));
        QCOMPARE(posted.count("<X509Certificate>"), 1);
        QCOMPARE(fiscaltest::procitaj(Paths::file("buffer.txt")).count("<X509Certificate>"), 2);
        QVERIFY(QFile::exists(Paths::file("xml_out/27-POS1-1.xml")));
        QVERIFY(QFile::exists(Paths::file("xml_in/27-POS1-1.xml")));

        // a second run sends nothing and changes nothing
        const qsizetype sent = m_server.log().size();
        const QString uuid = red("UUID");
        Prikaz q;
        FiskalizirajRacun(m_tdm->FiskalTable, m_tdm->OpcaTable, q);
        QCOMPARE(q.obavijesti, QStringList{"Račun je već fiskaliziran!"});
        QCOMPARE(m_server.log().size(), sent);
        QCOMPARE(red("UUID"), uuid);
        QVERIFY(q.potvrde.isEmpty());
        QVERIFY(stanje().zavrseno && q.timer && q.gumb);
    }

    void olderInvoiceIsLateDelivery()
    {
        noviRacun("20/POS1/1");
        Prikaz p;
        FiskalizirajRacun(m_tdm->FiskalTable, m_tdm->OpcaTable, p);
        QCOMPARE(red("NAK_DOST"), QStringLiteral("Da"));
        QVERIFY(
            m_server.request(m_server.log().last()["n"].toInt()).contains("<tns:NakDost>true</tns:NakDost>"));
        QCOMPARE(red("CIS_PORUKA"), QStringLiteral("Fiskalizacija provedena"));
    }

    void earlierErrorIsSentAgain()
    {
        noviRacun("27/POS1/1", 50, "Greška: staro");
        const qsizetype sent = m_server.log().size();
        Prikaz p;
        FiskalizirajRacun(m_tdm->FiskalTable, m_tdm->OpcaTable, p);
        QCOMPARE(m_server.log().size(), sent + 1);
        QCOMPARE(red("JIR"), QStringLiteral("a1b2c3d4-0000-4000-8000-000000000001"));
    }

    void errorAnswerStoredAndCut()
    {
        const QString poruka =
            "Neispravan potpis poruke, certifikat nije izdan od strane FINA-e ili je istekao";
        m_server.setMode({{"mode", "greska"}, {"poruka", poruka}});
        noviRacun("27/POS1/1");
        Prikaz p;
        FiskalizirajRacun(m_tdm->FiskalTable, m_tdm->OpcaTable, p);
        QCOMPARE(red("JIR"), QString());
        QCOMPARE(red("CIS_PORUKA"), ("Greška: " + poruka).left(60));
        QCOMPARE(red("UUID").size(), 36);
        QCOMPARE(red("ZAST_KOD").size(), 32);
        QCOMPARE(red("DATSAT"), QStringLiteral("05.03.2013T14:25:01"));
        QCOMPARE(p.obavijesti, QStringList{"XML računa poslan u CIS PU. Rezultat: \n\nGreška: " + poruka});
        QCOMPARE(QString::fromUtf8(fiscaltest::procitaj(Paths::file("jir.txt"))),
                 "Greška: " + poruka + "\r\n");
        QVERIFY(p.potvrde.isEmpty());
    }

    void unreachableKeepsCode_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("refused") << "refused";
        QTest::newRow("no answer") << "hang";
        QTest::newRow("not xml") << "notxml";
    }
    void unreachableKeepsCode()
    {
        QFETCH(QString, how);
        if (how == "refused") {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            ini(QStringLiteral("127.0.0.1:%1").arg(probe.serverPort()));
            probe.close();
        } else {
            m_server.setMode({{"mode", how}, {"seconds", 10}});
        }
        noviRacun("27/POS1/1");
        Prikaz p;
        FiskalizirajRacun(m_tdm->FiskalTable, m_tdm->OpcaTable, p);
        QCOMPARE(red("JIR"), QString());
        QCOMPARE(red("CIS_PORUKA"), QStringLiteral("Greška u kominikaciji sa CIS-om"));
        const QString zki = zkiOpenssl("1234567890105.03.2013 14:22:0727POS11125.00");
        QCOMPARE(red("ZAST_KOD"), zki);
        QCOMPARE(red("UUID").size(), 36);
        QCOMPARE(red("DATSAT"), QStringLiteral("05.03.2013T14:25:01"));
        QCOMPARE(
            p.obavijesti,
            QStringList{
                "Račun nije fiskaliziran, ali ga možete ispisati. Pokušajte ga fiskalizirati kasnije.\n\n"
                "ZKI generiran :\n\n" +
                zki + "\n\n"});
        QVERIFY(stanje().zavrseno && p.gumb && p.timer && !p.kursor);
        QVERIFY(stanje().ZastitniKod.isEmpty());
    }

    void noCertificate()
    {
        zatvoriFiskalizaciju();
        postaviOpci("12345678901", QString());
        otvoriFiskalizaciju(QString(), QString());
        QVERIFY(!stanje().KljucZKI);
        noviRacun("27/POS1/1");
        const qsizetype sent = m_server.log().size();
        Prikaz p;
        FiskalizirajRacun(m_tdm->FiskalTable, m_tdm->OpcaTable, p);
        QCOMPARE(m_server.log().size(), sent);
        QCOMPARE(red("CIS_PORUKA"), QStringLiteral("Greška u kominikaciji sa CIS-om"));
        QCOMPARE(red("ZAST_KOD"), QString());
        QCOMPARE(p.obavijesti,
                 QStringList{"Račun nije fiskaliziran. Greška u komunikaciji sa serverom ili certifikatom. "
                             "\n\nGreška - Ne mogu učitati privatni ključ"});
        QCOMPARE(QString::fromUtf8(fiscaltest::procitaj(Paths::file("jir.txt"))),
                 QStringLiteral("Greška - Ne mogu učitati privatni ključ\r\n"));
    }

    void makerOibUsesTestService()
    {
        postaviOpci(MaticniOIB, m_pki.p12Moderni());
        noviRacun("27/POS1/1");
        Prikaz p;
        FiskalizirajRacun(m_tdm->FiskalTable, m_tdm->OpcaTable, p);
        QCOMPARE(m_server.log().last()["path"].toString(), "/FiskalizacijaServiceTest");
        QCOMPARE(red("CIS_PORUKA"), QStringLiteral("Fiskalizacija provedena"));
    }

    void requiredPremisesFields()
    {
        ProstorPodaci p{"12345678901", "POS1",   "Ulica", "1",          "",    "10000",
                        "Zagreb",      "Zagreb", "0-24",  "05.03.2013", false, "x"};
        QCOMPARE(prvoPraznoObaveznoPolje(p), -1);
        p.radnoVrijeme = "  ";
        QCOMPARE(prvoPraznoObaveznoPolje(p), 6);
        p.ulica = "";
        QCOMPARE(prvoPraznoObaveznoPolje(p), 1);
        p.oib = " ";
        QCOMPARE(prvoPraznoObaveznoPolje(p), 0);
    }

    void premisesRegistration_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("probeUp");
        QTest::addColumn<QString>("result");
        QTest::newRow("registered") << "prostor" << true << "Poslovni prostor prijavljen";
        QTest::newRow("rejected, probe down") << "prostor-greska" << false << "Greška: Neispravan prostor";
    }
    void premisesRegistration()
    {
        QFETCH(QString, mode);
        QFETCH(bool, probeUp);
        QFETCH(QString, result);
        zatvoriFiskalizaciju();
        QTcpServer probe;
        if (!probeUp) {
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            postavke().proba = QStringLiteral("127.0.0.1:%1").arg(probe.serverPort());
            probe.close();
        }
        m_server.setMode({{"mode", mode}});
        ProstorPodaci p{"12345678901", "POS1",   "Šetalište", "1",          "",   "10000",
                        "Zagreb",      "Zagreb", "0-24",      "05.03.2013", true, m_pki.p12Legacy()};
        Prikaz prikaz;
        QCOMPARE(PrijaviProstor(p, fiscaltest::Pki::lozinka(), prikaz), result);
        QStringList expected;
        if (!probeUp)
            expected << "S Internet vezom nešto nije u radu. Ispravite grešku i pokušajte kasnije.";
        expected << "XML poslan u CIS PU. Rezultat: \n\n" + result;
        QCOMPARE(prikaz.obavijesti, expected);
        const QJsonObject entry = m_server.log().last();
        QVERIFY(entry["verified"].toBool());
        QCOMPARE(entry["kind"].toString(), "PoslovniProstorZahtjev");
        const QByteArray posted = m_server.request(entry["n"].toInt());
        QVERIFY(posted.contains("<tns:OznakaZatvaranja>Z</tns:OznakaZatvaranja>"));
        QVERIFY(!posted.contains("KucniBrojDodatak"));
        QCOMPARE(QString::fromUtf8(fiscaltest::procitaj(Paths::file("jir.txt"))), result + "\r\n");
        QVERIFY(QFile::exists(Paths::file("xml_in/Prostor_05.03.2013.xml")));
        QVERIFY(!prikaz.kursor);
        QVERIFY(!stanje().KljucZKI);
    }

    void premisesFromStoredCompany()
    {
        zatvoriFiskalizaciju();
        QCOMPARE(QString::fromLatin1(MaticniOIB), QString::fromLatin1(TDM::MaticniOIB));
        TableObject* o = m_tdm->OpcaTable;
        o->edit();
        o->setValue("OIB", MaticniOIB);
        o->setValue("ULICA", " Ulica Đure & Šime ");
        o->setValue("K_BR", "12");
        o->setValue("K_BR_D", "b");
        o->setValue("PTT", "31000");
        o->setValue("MJESTO", "Osijek");
        o->setValue("OPCINA", "Osijek");
        o->setValue("RAD_VR", "Pon-Sub 7-21");
        o->setValue("IME_CERT", m_pki.p12Moderni());
        o->post();
        m_server.setMode({{"mode", "prostor"}});
        const ProstorPodaci p = prostorIzReda(*o, false);
        QCOMPARE(prvoPraznoObaveznoPolje(p), -1);
        QCOMPARE(p.datumPocetka, QStringLiteral("05.03.2013"));
        Prikaz prikaz;
        QCOMPARE(PrijaviProstor(p, fiscaltest::Pki::lozinka(), prikaz),
                 QStringLiteral("Poslovni prostor prijavljen"));
        const QJsonObject entry = m_server.log().last();
        QCOMPARE(entry["path"].toString(), "/FiskalizacijaServiceTest");
        QVERIFY(entry["verified"].toBool());
        const QByteArray file = fiscaltest::procitaj(datotekaZahtjeva());
        QVERIFY(file.contains("<tns:Ulica>Ulica &#272;ure &amp; &#352;ime</tns:Ulica>"));
        QVERIFY(file.contains("<tns:KucniBrojDodatak>b</tns:KucniBrojDodatak>"));
        QVERIFY(!file.contains("OznakaZatvaranja"));
    }

    void premisesWithBadPassword()
    {
        zatvoriFiskalizaciju();
        ProstorPodaci p{"12345678901", "POS1",   "Ulica", "1",          "",    "10000",
                        "Zagreb",      "Zagreb", "0-24",  "05.03.2013", false, m_pki.p12Moderni()};
        Prikaz prikaz;
        const qsizetype sent = m_server.log().size();
        QVERIFY_THROWS_EXCEPTION(TarvelError, PrijaviProstor(p, "kriva", prikaz));
        QCOMPARE(m_server.log().size(), sent);
        QCOMPARE(QString::fromUtf8(fiscaltest::procitaj(Paths::file("jir.txt"))),
                 QStringLiteral("Greška - Ne mogu učitati privatni ključ\r\n"));
        QVERIFY(!prikaz.kursor);
    }
};

QTEST_GUILESS_MAIN(TestFiskalizacija)
#include "tst_fiskalizacija.moc"
