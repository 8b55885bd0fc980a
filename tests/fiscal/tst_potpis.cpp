// Protective code against the openssl command line; signed requests against xmlsec1 --verify.
#include "core/clock.h"
#include "core/errors.h"
#include "core/paths.h"
#include "fiscal/fiskalnostanje.h"
#include "fiscal/potpis.h"
#include "fiscal/zahtjev.h"
#include "fiscal/zastitnikod.h"
#include "fiscaltestutil.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QtTest>
#include <libxml/tree.h>

using namespace tarvel;
using namespace tarvel::fiscal;

class TestPotpis : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    fiscaltest::Pki m_pki;
    QString m_folder;

    QString zkiOpenssl(const QString& input)
    {
        const fiscaltest::Rezultat r =
            fiscaltest::pokreni("openssl", {"dgst", "-sha1", "-sign", m_pki.kljuc()}, {}, input.toUtf8());
        if (r.code != 0 || r.out.isEmpty())
            return QStringLiteral("<openssl failed>");
        return QString::fromLatin1(QCryptographicHash::hash(r.out, QCryptographicHash::Md5).toHex());
    }

    static RacunPodaci racun(const QString& brRac, double total, const QString& datVr)
    {
        RacunPodaci r;
        r.oibOperatera = QStringLiteral("98765432106");
        r.datVr = datVr;
        r.slijed = QStringLiteral("N");
        r.brRac = brRac;
        r.ukIznos = total;
        r.stPdv = {25, 0, 0, 0, 0};
        r.ukOsnov = {total / 1.25, 0, 0, 0, 0};
        r.ukPdv = {total - total / 1.25, 0, 0, 0, 0};
        r.nacPlac = QStringLiteral("K - Kartica");
        r.nakDost = QStringLiteral("Ne");
        return r;
    }
    static TvrtkaPodaci tvrtka(const QString& cert = QStringLiteral("firma.p12"))
    {
        return {QStringLiteral("12345678901"), QStringLiteral("Da"), QStringLiteral("POS1"),
                QStringLiteral("1"), cert};
    }

    // Builds, reads back and parses an invoice request, as the fiscalization does before signing.
    static void pripremiRacun(const RacunPodaci& r, const TvrtkaPodaci& t)
    {
        stanje().brojRacuna = r.brRac;
        Popunixmlracun(r, t);
        UcitajZahtjev();
        ParsirajZahtjev();
    }

    fiscaltest::Rezultat verify(const QString& file, const QString& vrsta)
    {
        return fiscaltest::pokreni("xmlsec1",
                                   {"--verify", "--id-attr:Id",
                                    QStringLiteral("http://www.apis-it.hr/fin/2012/types/f73:") + vrsta,
                                    "--trusted-pem", m_pki.ca(), file});
    }

    static QByteArray dokument()
    {
        xmlChar* buf = nullptr;
        int size = 0;
        xmlDocDumpMemory(stanje().dokument, &buf, &size);
        const QByteArray doc(reinterpret_cast<char*>(buf), size);
        xmlFree(buf);
        return doc;
    }

    QString sent()
    {
        const QString path = m_tmp.filePath("sent.xml");
        fiscaltest::zapisi(path, stanje().linijeZahtjeva.join("\r\n").toUtf8() + "\r\n");
        return path;
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
        InicijalizirajXmlSec();
    }
    void cleanupTestCase()
    {
        UgasiXmlSec();
        Clock::setFixed({});
    }
    void cleanup()
    {
        OslobodiZahtjev();
        if (stanje().KljucZKI) {
            oslobodiKljuc(stanje().KljucZKI);
            stanje().KljucZKI = nullptr;
        }
        stanje().ZastitniKod.clear();
    }

    void keyLoading_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("loads");
        QTest::newRow("modern AES") << m_pki.p12Moderni() << fiscaltest::Pki::lozinka() << true;
        QTest::newRow("legacy RC2/3DES") << m_pki.p12Legacy() << fiscaltest::Pki::lozinka() << true;
        QTest::newRow("with its CA") << m_pki.p12Lanac() << fiscaltest::Pki::lozinka() << true;
        QTest::newRow("wrong password") << m_pki.p12Moderni() << "kriva" << false;
        QTest::newRow("missing file") << m_tmp.filePath("nema.p12") << fiscaltest::Pki::lozinka() << false;
        QTest::newRow("no certificate") << QString() << QString() << false;
    }
    void keyLoading()
    {
        QFETCH(QString, file);
        QFETCH(QString, password);
        QFETCH(bool, loads);
        _xmlSecKey* key = UcitajKljuc(file, password);
        QCOMPARE(key != nullptr, loads);
        if (key) {
            // the same key signs as the one the certificate was made with
            const QString input = QStringLiteral("1234567890105.03.2013 14:22:0727POS111234.50");
            QCOMPARE(IzracunajZastitniKod(input, key), zkiOpenssl(input));
        }
        oslobodiKljuc(key);
    }

    void protectiveCodeOfExample()
    {
        stanje().KljucZKI = UcitajKljuc(m_pki.p12Moderni(), fiscaltest::Pki::lozinka());
        QVERIFY(stanje().KljucZKI);
        pripremiRacun(racun("27/POS1/1", 1234.5, "05.03.2013T14:22:07"), tvrtka());
        QCOMPARE(ulazZastitnogKoda(stanje().dokument),
                 QStringLiteral("1234567890105.03.2013 14:22:0727POS111234.50"));
        DodajZastitniKod(stanje().dokument, stanje().KljucZKI);
        const QString expected = zkiOpenssl(QStringLiteral("1234567890105.03.2013 14:22:0727POS111234.50"));
        QCOMPARE(stanje().ZastitniKod, expected);
        QVERIFY(QRegularExpression("^[0-9a-f]{32}$").match(expected).hasMatch());
        QVERIFY(dokument().contains("<tns:ZastKod>" + expected.toLatin1() + "</tns:ZastKod>"));
    }

    void protectiveCodeTable_data()
    {
        QTest::addColumn<QString>("brRac");
        QTest::addColumn<double>("total");
        QTest::addColumn<QString>("datVr");
        QTest::addColumn<QString>("input");
        QTest::newRow("cancelling") << "28/POS1/1" << -150.0 << "06.03.2013T09:00:00"
                                    << "1234567890106.03.2013 09:00:0028POS11-150.00";
        QTest::newRow("large") << "1000/POS1/1 2013" << 98765.43 << "31.12.2013T23:59:59"
                               << "1234567890131.12.2013 23:59:591000POS1198765.43";
        QTest::newRow("zero, no slash") << "5" << 0.0 << "01.01.2014T00:00:00"
                                        << "1234567890101.01.2014 00:00:00POS110.00";
    }
    void protectiveCodeTable()
    {
        QFETCH(QString, brRac);
        QFETCH(double, total);
        QFETCH(QString, datVr);
        QFETCH(QString, input);
        stanje().KljucZKI = UcitajKljuc(m_pki.p12Legacy(), fiscaltest::Pki::lozinka());
        QVERIFY(stanje().KljucZKI);
        pripremiRacun(racun(brRac, total, datVr), tvrtka());
        QCOMPARE(ulazZastitnogKoda(stanje().dokument), input);
        DodajZastitniKod(stanje().dokument, stanje().KljucZKI);
        QCOMPARE(stanje().ZastitniKod, zkiOpenssl(input));
    }

    void existingCodeKept()
    {
        stanje().KljucZKI = UcitajKljuc(m_pki.p12Moderni(), fiscaltest::Pki::lozinka());
        stanje().ZastitniKod = QStringLiteral("prijasnji");
        Popunixmlracun(racun("27/POS1/1", 10, "05.03.2013T14:22:07"), tvrtka());
        QByteArray file = fiscaltest::procitaj(datotekaZahtjeva());
        file.replace("<tns:ZastKod></tns:ZastKod>", "<tns:ZastKod>abc</tns:ZastKod>");
        fiscaltest::zapisi(datotekaZahtjeva(), file);
        UcitajZahtjev();
        ParsirajZahtjev();
        DodajZastitniKod(stanje().dokument, stanje().KljucZKI);
        QCOMPARE(stanje().ZastitniKod, QStringLiteral("prijasnji"));
        QVERIFY(!QString::fromUtf8(stanje().TekstZahtjeva).isEmpty());
        QVERIFY(dokument().contains("<tns:ZastKod>abc</tns:ZastKod>"));
    }

    void noKeyLeavesCodeEmpty()
    {
        pripremiRacun(racun("27/POS1/1", 10, "05.03.2013T14:22:07"), tvrtka());
        DodajZastitniKod(stanje().dokument, nullptr);
        QCOMPARE(stanje().ZastitniKod, QString());
        QCOMPARE(IzracunajZastitniKod(QString(), nullptr), QString());
        QVERIFY(dokument().contains("<tns:ZastKod/>"));
        // nor does an empty Oib give a code
        TvrtkaPodaci t = tvrtka();
        t.oib.clear();
        stanje().KljucZKI = UcitajKljuc(m_pki.p12Moderni(), fiscaltest::Pki::lozinka());
        pripremiRacun(racun("27/POS1/1", 10, "05.03.2013T14:22:07"), t);
        DodajZastitniKod(stanje().dokument, stanje().KljucZKI);
        QCOMPARE(stanje().ZastitniKod, QString());
    }

    void signedInvoiceVerifies_data()
    {
        QTest::addColumn<QString>("p12");
        QTest::addColumn<int>("inBuffer");
        QTest::newRow("modern") << m_pki.p12Moderni() << 1;
        QTest::newRow("legacy") << m_pki.p12Legacy() << 1;
        QTest::newRow("with its CA") << m_pki.p12Lanac() << 2;
    }
    void signedInvoiceVerifies()
    {
        QFETCH(QString, p12);
        QFETCH(int, inBuffer);
        stanje().certifikat = p12;
        stanje().lozinka = fiscaltest::Pki::lozinka();
        stanje().KljucZKI = UcitajKljuc(p12, fiscaltest::Pki::lozinka());
        KreirajPotpisniKontekst();
        pripremiRacun(racun("27/POS1/1", 1234.5, "05.03.2013T14:22:07"),
                      tvrtka("C:\\Certs\\Đurđa & sin.pfx"));
        QCOMPARE(stanje().VrstaZahtjeva, QStringLiteral("RacunZahtjev"));
        DodajZastitniKod(stanje().dokument, stanje().KljucZKI);
        PotpisiZahtjev();

        const QString file = sent();
        const fiscaltest::Rezultat v = verify(file, "RacunZahtjev");
        QVERIFY2(v.code == 0, v.err.constData());
        QCOMPARE(fiscaltest::pokreni("xmllint", {"--noout", file}).code, 0);
        const QByteArray text = fiscaltest::procitaj(file);
        QCOMPARE(text.count("<X509Certificate>"), 1);
        QVERIFY(text.contains("<tns:ZastKod>" + stanje().ZastitniKod.toLatin1() + "</tns:ZastKod>"));
        QVERIFY(text.contains("<KeyName>C:\\Certs\\Đurđa &amp; sin.pfx</KeyName>"));

        const QByteArray buffer = fiscaltest::procitaj(Paths::file("buffer.txt"));
        QCOMPARE(buffer.count("<X509Certificate>"), inBuffer);
        QCOMPARE(fiscaltest::procitaj(Paths::file("xml_out/27-POS1-1.xml")), buffer);
        QCOMPARE(buffer.count("\r\n"), buffer.count('\n'));
        QVERIFY2(verify(Paths::file("buffer.txt"), "RacunZahtjev").code == 0, "buffer.txt");

        // the certificate left in the message is the signing one
        const fiscaltest::Rezultat pem =
            fiscaltest::pokreni("openssl", {"x509", "-outform", "DER", "-in", m_pki.cert()});
        QVERIFY(QString::fromLatin1(text)
                    .remove(QRegularExpression("\\s"))
                    .contains(QString::fromLatin1(pem.out.toBase64())));

        // a changed amount breaks the signature
        QByteArray tampered = text;
        tampered.replace("<tns:IznosUkupno>1234.50<", "<tns:IznosUkupno>1234.51<");
        QVERIFY(tampered != text);
        const QString tamperedFile = m_tmp.filePath("tampered.xml");
        fiscaltest::zapisi(tamperedFile, tampered);
        QVERIFY(verify(tamperedFile, "RacunZahtjev").code != 0);
    }

    void signedPremisesVerifies()
    {
        stanje().certifikat = m_pki.p12Lanac();
        stanje().lozinka = fiscaltest::Pki::lozinka();
        KreirajPotpisniKontekst();
        ProstorPodaci p;
        p.oib = "12345678901";
        p.oznaka = "POS1";
        p.ulica = "Šetalište";
        p.kucniBroj = "1";
        p.brojPoste = "10000";
        p.naselje = "Zagreb";
        p.opcina = "Zagreb";
        p.radnoVrijeme = "0-24";
        p.datumPocetka = "05.03.2013";
        p.imeCert = "firma.p12";
        Popunixmlprostor(p);
        UcitajZahtjev();
        QCOMPARE(stanje().VrstaZahtjeva, QStringLiteral("PoslovniProstorZahtjev"));
        ParsirajZahtjev();
        PotpisiZahtjev();
        const QString file = sent();
        const fiscaltest::Rezultat v = verify(file, "PoslovniProstorZahtjev");
        QVERIFY2(v.code == 0, v.err.constData());
        QCOMPARE(fiscaltest::procitaj(file).count("<X509Certificate>"), 1);
        QVERIFY(QString::fromUtf8(fiscaltest::procitaj(file)).contains(QStringLiteral("Šetalište")) ||
                fiscaltest::procitaj(file).contains("&#x160;etali&#x161;te"));
        QCOMPARE(fiscaltest::procitaj(Paths::file("xml_out/Prostor_05.03.2013.xml")),
                 fiscaltest::procitaj(Paths::file("buffer.txt")));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("jir");
        QTest::addColumn<QString>("message");
        QTest::newRow("signing key") << "key"
                                     << "Greška - Ne mogu učitati privatni ključ"
                                     << "Ne mogu učitati privatni ključ";
        QTest::newRow("no template") << "template"
                                     << "Greška - XML početni čvor nije nađen"
                                     << "XML početni čvor nije nađen";
        QTest::newRow("signing") << "sign"
                                 << "Greška - potpisivanje neuspješno"
                                 << "Potpisivanje neuspješno";
    }
    void failures()
    {
        QFETCH(QString, step);
        QFETCH(QString, jir);
        QFETCH(QString, message);
        QFile::remove(Paths::file("jir.txt"));
        stanje().certifikat = step == "key" ? QString() : m_pki.p12Moderni();
        stanje().lozinka = fiscaltest::Pki::lozinka();
        try {
            KreirajPotpisniKontekst();
            Popunixmlracun(racun("27/POS1/1", 10, "05.03.2013T14:22:07"), tvrtka());
            QByteArray file = fiscaltest::procitaj(datotekaZahtjeva());
            if (step == "template")
                file.replace("<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\">", "<Signature>");
            if (step == "sign")
                file.replace("<Reference URI=\"#racunId\">", "<Reference URI=\"#nema\">");
            fiscaltest::zapisi(datotekaZahtjeva(), file);
            UcitajZahtjev();
            ParsirajZahtjev();
            PotpisiZahtjev();
            QFAIL("no error raised");
        } catch (const TarvelError& e) {
            QCOMPARE(e.message(), message);
        }
        QCOMPARE(QString::fromUtf8(fiscaltest::procitaj(Paths::file("jir.txt"))), jir + "\r\n");
        QCOMPARE(stanje().detaljnaGreska, jir);
    }

    void replacedKeyFileIsReadAgain()
    {
        const QString path = m_tmp.filePath("zamjena.p12");
        QFile::remove(path);
        QVERIFY(QFile::copy(m_pki.p12Moderni(), path));
        stanje().certifikat = path;
        stanje().lozinka = fiscaltest::Pki::lozinka();
        KreirajPotpisniKontekst();
        pripremiRacun(racun("27/POS1/1", 10, "05.03.2013T14:22:07"), tvrtka());
        PotpisiZahtjev();
        QCOMPARE(verify(sent(), "RacunZahtjev").code, 0);
        OslobodiZahtjev();

        // another certificate under the same name
        QFile::remove(path);
        QVERIFY(fiscaltest::openssl(m_pki.dir, {"pkcs12", "-export", "-inkey", "strani-server.key", "-in",
                                                "strani-server.pem", "-out", path, "-passout",
                                                "pass:" + fiscaltest::Pki::lozinka()}));
        KreirajPotpisniKontekst();
        pripremiRacun(racun("27/POS1/1", 10, "05.03.2013T14:22:07"), tvrtka());
        PotpisiZahtjev();
        const fiscaltest::Rezultat der =
            fiscaltest::pokreni("openssl", {"x509", "-outform", "DER", "-in", m_pki.stranaServerCert()});
        QVERIFY(QString::fromLatin1(fiscaltest::procitaj(sent()))
                    .remove(QRegularExpression("\\s"))
                    .contains(QString::fromLatin1(der.out.toBase64())));
        QVERIFY(verify(sent(), "RacunZahtjev").code != 0); // not issued by the trusted CA
        OslobodiZahtjev();

        // and a wrong password is refused even right after a good one
        stanje().lozinka = QStringLiteral("kriva");
        QVERIFY_THROWS_EXCEPTION(TarvelError, KreirajPotpisniKontekst());
    }

    void restartAfterShutdown()
    {
        UgasiXmlSec();
        InicijalizirajXmlSec();
        stanje().certifikat = m_pki.p12Moderni();
        stanje().lozinka = fiscaltest::Pki::lozinka();
        KreirajPotpisniKontekst();
        pripremiRacun(racun("27/POS1/1", 10, "05.03.2013T14:22:07"), tvrtka());
        PotpisiZahtjev();
        QCOMPARE(verify(sent(), "RacunZahtjev").code, 0);
    }
};

QTEST_GUILESS_MAIN(TestPotpis)
#include "tst_potpis.moc"
