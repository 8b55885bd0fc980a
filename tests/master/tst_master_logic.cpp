#include "core/cipher.h"
#include "core/errors.h"
#include "data/tablemodel.h"
#include "fixture.h"
#include "master/cjenik.h"
#include "master/ispiscjenika.h"
#include "master/opci.h"
#include "master/posta.h"
#include "util/reportexport.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>

using namespace tarvel;
using namespace tarvel::master;

class TstMasterLogic : public QObject
{
    Q_OBJECT
    std::unique_ptr<MasterFixture> fx;

private Q_SLOTS:
    void init() { fx = std::make_unique<MasterFixture>(); }
    void cleanup() { fx.reset(); }

    void priceWithVat_data()
    {
        QTest::addColumn<double>("cijena");
        QTest::addColumn<double>("stopa");
        QTest::addColumn<double>("expected");
        QTest::newRow("100 at 25") << 100.0 << 25.0 << 125.0;
        QTest::newRow("10,01 at 13 (11,3113)") << 10.01 << 13.0 << 11.31;
        QTest::newRow("0,10 at 5 (0,105 stored above)") << 0.1 << 5.0 << 0.11;
        QTest::newRow("rate 0") << 19.99 << 0.0 << 19.99;
        QTest::newRow("negative price") << -10.01 << 13.0 << -11.31;
    }
    void priceWithVat()
    {
        QFETCH(double, cijena);
        QFETCH(double, stopa);
        QFETCH(double, expected);
        QCOMPARE(cijenaSaPdv(cijena, stopa), expected);
    }

    void chosenArticle()
    {
        fx->addArticle(QStringLiteral("Kava"), QStringLiteral("kom"), 8, 25, 10);
        data::TableObject& t = *fx->dm->CjenikTable;
        t.open();
        OdabraniArtikl a = OdabraniArtikl::izReda(t);
        QCOMPARE(a.naziv, QStringLiteral("Kava"));
        QCOMPARE(a.jmj, QStringLiteral("kom"));
        QCOMPARE(a.cijena, 8.0);
        QCOMPARE(a.cijenaSa, 10.0);
        QCOMPARE(a.stopa, 25.0);
        QVERIFY(a.odabran());
        a.odustani();
        QVERIFY(!a.odabran());
        QCOMPARE(a.cijenaSa, 0.0);
        QCOMPARE(a.stopa, 25.0);
        a.reset();
        QCOMPARE(a.jmj, QString());
        QCOMPARE(a.cijena, 0.0);
    }

    // The search text is a value, never SQL: quotes and wildcards are letters like any other.
    void priceListFilter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("prefix, any case") << "ka" << QStringList{"Kava", "kakao"};
        QTest::newRow("Croatian letters, any case") << "č" << QStringList{"Čaj", "Čokolada"};
        QTest::newRow("not inside") << "aj" << QStringList{};
        QTest::newRow("quote") << "O'" << QStringList{"O'Neill sok"};
        QTest::newRow("wildcard is a letter") << "*" << QStringList{};
        QTest::newRow("percent is a letter") << "%" << QStringList{};
        QTest::newRow("empty: all") << "" << QStringList{"Kava", "kakao", "Čaj", "Čokolada", "O'Neill sok"};
    }
    void priceListFilter()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        for (const char* n : {"Kava", "kakao", "Čaj", "Čokolada", "O'Neill sok"})
            fx->addArticle(QString::fromUtf8(n), QStringLiteral("kom"), 1, 25, 1.25);
        data::TableObject& t = *fx->dm->CjenikTable;
        t.open();
        t.setFilter(filterCjenika(text));
        QStringList got;
        for (int i = 0; i < t.recordCount(); ++i)
            got << t.valueAt(i, QStringLiteral("NAZIV")).toString();
        QCOMPARE(got, expected);
    }

    void questions()
    {
        QCOMPARE(pitanjeBrisanjaCijene(QStringLiteral("Kava")),
                 QStringLiteral("Dali stvarno brišete ovu cijenu - Kava ?"));
        QCOMPARE(pitanjeBrisanjaPoste(QStringLiteral("SPLIT"), QStringLiteral("21000")),
                 QStringLiteral("Stvarno želite obrisati mjesto: SPLIT s poštanskim brojem: 21000"));
    }

    void postalSearch_data()
    {
        QTest::addColumn<int>("order");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("place");
        QTest::newRow("place prefix, first in order") << 0 << "ZA" << true << "ZADAR";
        QTest::newRow("place exact case") << 0 << "za" << true << "zabok";
        QTest::newRow("lower-case place is not found by upper case") << 0 << "ZAB" << false << "OSIJEK";
        QTest::newRow("number prefix") << 1 << "10" << true << "ZAGREB";
        QTest::newRow("number none") << 1 << "99" << false << "OSIJEK";
        QTest::newRow("empty keeps the row") << 0 << "" << false << "OSIJEK";
    }
    void postalSearch()
    {
        QFETCH(int, order);
        QFETCH(QString, text);
        QFETCH(bool, found);
        QFETCH(QString, place);
        for (auto [b, n] : {std::pair{"ZAGREB", "10000"},
                            {"ZADAR", "23000"},
                            {"zabok", "49210"},
                            {"SPLIT", "21000"},
                            {"OSIJEK", "31000"},
                            {"ZAPREŠIĆ", "10290"}})
            fx->addPlace(QString::fromUtf8(b), QString::fromUtf8(n));
        const auto r = order ? PostaRedoslijed::PostanskiBroj : PostaRedoslijed::Mjesto;
        data::TableObject& t = *fx->dm->PostaTable;
        t.setSort(sortPoste(r));
        t.open();
        QVERIFY(t.locate(QStringLiteral("BNAZ"), QStringLiteral("OSIJEK")));
        QCOMPARE(traziPostu(t, r, text), found);
        QCOMPARE(t.asString(QStringLiteral("BNAZ")), place);
    }

    void postalSaveTrimsAndPartyText()
    {
        data::TableObject& t = *fx->dm->PostaTable;
        t.open();
        zapisiPostu(t, true, QStringLiteral("  SPLIT "), QStringLiteral(" 21000"));
        QCOMPARE(pttKomitenta(t), QStringLiteral("21000 SPLIT"));
        zapisiPostu(t, false, QStringLiteral("SPLIT 2"), QStringLiteral("21001"));
        QCOMPARE(fx->scalar(QStringLiteral("SELECT count(*) FROM POSTA")).toInt(), 1);
        QCOMPARE(fx->scalar(QStringLiteral("SELECT NOVIBR || ' ' || BNAZ FROM POSTA")).toString(),
                 QStringLiteral("21001 SPLIT 2"));
        // Empty values are stored as given.
        zapisiPostu(t, true, QString(), QString());
        QCOMPARE(fx->scalar(QStringLiteral("SELECT count(*) FROM POSTA")).toInt(), 2);
        // A place longer than the column is refused, the row left as it was.
        QVERIFY_THROWS_EXCEPTION(TarvelError,
                                 zapisiPostu(t, false, QString(26, QLatin1Char('A')), QStringLiteral("1")));
        QCOMPARE(t.state(), data::TableObject::State::Browse);
    }

    // A fresh database has no OPCI row; the company data create it with the maker's OIB, which keeps
    // the test service on.
    void missingOpciRow()
    {
        QVERIFY(!fx->dm->testniCIS);
        QSignalSpy shared(fx->dm.get(), &data::TDM::sharedValuesChanged);
        QVERIFY(osigurajOpciRed(*fx->dm));
        QCOMPARE(fx->scalar(QStringLiteral("SELECT count(*) FROM OPCI")).toInt(), 1);
        QCOMPARE(fx->scalar(QStringLiteral("SELECT OIB FROM OPCI")).toString(),
                 QStringLiteral("61873204959"));
        QVERIFY(fx->dm->testniCIS);
        QCOMPARE(shared.count(), 1);
        QVERIFY(!osigurajOpciRed(*fx->dm));
        QCOMPARE(fx->scalar(QStringLiteral("SELECT count(*) FROM OPCI")).toInt(), 1);
    }

    void placeholderName_data()
    {
        QTest::addColumn<QVariant>("naziv");
        QTest::addColumn<bool>("placeholder");
        QTest::newRow("no row") << QVariant() << true;
        QTest::newRow("placeholder") << QVariant(QStringLiteral("Upišite naziv firme")) << true;
        QTest::newRow("empty name") << QVariant(QStringLiteral("  ")) << true;
        QTest::newRow("real name") << QVariant(QStringLiteral("Obrt Upišite")) << false;
    }
    void placeholderName()
    {
        QFETCH(QVariant, naziv);
        QFETCH(bool, placeholder);
        if (naziv.isValid())
            fx->sql(QStringLiteral("INSERT INTO OPCI (NAZIV, OIB) VALUES (?, '61873204959')"), {naziv});
        fx->dm->OpcaTable->close();
        QCOMPARE(opciPodaciNepopunjeni(*fx->dm->OpcaTable), placeholder);
        QVERIFY(!fx->dm->OpcaTable->active()); // left as it was found
    }

    void saveEffects()
    {
        const QString mdb = fx->dir.filePath(QStringLiteral("mjenjacnica.mdb"));
        QFile f(mdb);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        fx->sql(
            QStringLiteral("INSERT INTO KOMINT (NAZIV_KOM, POR_BROJ) VALUES ('Ana Anić', '12345678903')"));
        osigurajOpciRed(*fx->dm);
        fx->sql(QStringLiteral("UPDATE OPCI SET PROM = '2025-03-01'"));
        fx->dm->OpcaTable->refresh();

        OpciPodaci p = procitajOpci(*fx->dm->OpcaTable);
        QCOMPARE(p.uPdv, QStringLiteral("Da"));
        QCOMPARE(p.vrObvez, QStringLiteral("R1"));
        QCOMPARE(p.naplur, QStringLiteral("3"));
        QCOMPARE(p.ispis, QStringLiteral("A4"));
        QCOMPARE(p.prom, QDate(2025, 3, 1));
        p.oib = QStringLiteral("69435151530");
        p.oibOp = QStringLiteral("12345678903");
        p.naziv = QStringLiteral("Obrt Šestica");
        p.brRac = QStringLiteral("17");
        p.passCert = QStringLiteral("Lozinka čćžšđ");
        p.pathMje = QStringLiteral("  ") + mdb + QStringLiteral(" ");
        p.glavniPrinter = QStringLiteral("Epson TM");
        p.ispis = QStringLiteral("40");
        p.prom = QDate(2020, 1, 1); // not written back
        QSignalSpy shared(fx->dm.get(), &data::TDM::sharedValuesChanged);
        zapamtiOpci(*fx->dm, p);

        QSqlQuery q =
            fx->sql(QStringLiteral("SELECT OIB, OIB_OP, NAZIV, BR_RAC, PASS_CERT, FOOTER, ISPIS, PROM, "
                                   "GLAVNI_PRINTER, NAPLUR, U_PDV FROM OPCI"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("69435151530"));
        QCOMPARE(q.value(1).toString(), QStringLiteral("12345678903"));
        QCOMPARE(q.value(2).toString(), QStringLiteral("Obrt Šestica"));
        QCOMPARE(q.value(3).toDouble(), 17.0);
        QVERIFY(q.value(4).toString() != p.passCert);
        QVERIFY(q.value(4).toString().size() <= 50);
        QCOMPARE(decipherPassword(q.value(4).toString()), p.passCert);
        QCOMPARE(q.value(5).toString(), QStringLiteral("-"));
        QCOMPARE(q.value(6).toString(), QStringLiteral("40"));
        QCOMPARE(q.value(7).toString(), QStringLiteral("2025-03-01"));
        QCOMPARE(q.value(8).toString(), QStringLiteral("Epson TM"));
        QCOMPARE(q.value(9).toString(), QStringLiteral("3"));
        QCOMPARE(q.value(10).toString(), QStringLiteral("Da"));

        QVERIFY(!fx->dm->testniCIS);
        QVERIFY(fx->dm->companionMode);
        QCOMPARE(fx->dm->receiptPrinter, QStringLiteral("Epson TM"));
        QCOMPARE(fx->dm->operatorOib, QStringLiteral("12345678903"));
        QCOMPARE(fx->dm->operatorLabelText, QStringLiteral("Operater: Ana Anić"));
        QVERIFY(shared.count() >= 1);
        QCOMPARE(procitajOpci(*fx->dm->OpcaTable).passCert, p.passCert);

        // A footer that is there stays; an unknown operator asks for sign-in; the maker's OIB is the test
        // service.
        fx->sql(QStringLiteral("UPDATE OPCI SET FOOTER = 'Hvala na povjerenju'"));
        fx->dm->OpcaTable->refresh();
        p.oib = QString::fromLatin1(data::TDM::MaticniOIB);
        p.oibOp = QStringLiteral("11111111111");
        p.pathMje = fx->dir.filePath(QStringLiteral("nema.mdb"));
        zapamtiOpci(*fx->dm, p);
        QCOMPARE(fx->scalar(QStringLiteral("SELECT FOOTER FROM OPCI")).toString(),
                 QStringLiteral("Hvala na povjerenju"));
        QVERIFY(fx->dm->testniCIS);
        QVERIFY(!fx->dm->companionMode);
        QCOMPARE(fx->dm->operatorLabelText, QStringLiteral("Operater: Molim prijavite operatera !"));
    }

    void footerText_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("empty") << ""
                               << "-";
        QTest::newRow("blanks and lines") << " \n\t "
                                          << "-";
        QTest::newRow("text kept as typed") << " Hvala!\n"
                                            << " Hvala!\n";
    }
    void footerText()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QCOMPARE(podnozjeZaSpremanje(typed), stored);
    }

    void gridModel()
    {
        data::TableObject& t = *fx->dm->CjenikTable;
        data::TableModel model(&t);
        model.setColumns({QStringLiteral("ID"), QStringLiteral("NAZIV"), QStringLiteral("STOPA")});
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        t.open();
        for (int i = 0; i < 30; ++i) {
            t.append();
            t.setValue(QStringLiteral("NAZIV"), QStringLiteral("Artikl %1").arg(i));
            t.setValue(QStringLiteral("STOPA"), 25.0);
            t.post();
        }
        QCOMPARE(model.rowCount(), 30);
        QCOMPARE(model.index(0, 2).data().toString(), QStringLiteral("25 %"));
        t.setFilter(filterCjenika(QStringLiteral("Artikl 1")));
        QCOMPARE(model.rowCount(), 11);
        t.remove();
        QCOMPARE(model.rowCount(), 10);
        t.close();
        QCOMPARE(model.rowCount(), 0);
    }

    // The print: header on every page, the column headings once, masks on the amounts, the filter applied.
    void priceListPrint()
    {
        osigurajOpciRed(*fx->dm);
        fx->sql(QStringLiteral("UPDATE OPCI SET NAZIV = 'Obrt Šestica', MJESTO = 'Split'"));
        fx->dm->OpcaTable->refresh();
        fx->addArticle(QStringLiteral("Usluga servisa"), QStringLiteral("sat"), 1234.5, 25, 1543.13);
        for (int i = 0; i < 80; ++i)
            fx->addArticle(QStringLiteral("Artikl %1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("kom"),
                           10.01, 13, 11.31);
        data::TableObject& t = *fx->dm->CjenikTable;
        t.open();
        TIspisCjenikaReport layout(t, *fx->dm->OpcaTable);
        reports::PreparedReport r = layout.prepare();
        QVERIFY(r.pageCount() >= 2);
        for (int p = 0; p < r.pageCount(); ++p) {
            const auto& page = r.pages[p];
            QVERIFY(page.containsText(QStringLiteral("Obrt Šestica")));
            QVERIFY(page.containsText(QStringLiteral("Split")));
            QVERIFY(page.containsText(QStringLiteral("OIB: 61873204959")));
            QCOMPARE(page.find(QStringLiteral("naslov"))->text, QStringLiteral("CJENIK"));
            QVERIFY(page.find(QStringLiteral("naslov"))->font.bold());
            QVERIFY(page.find(QStringLiteral("naslov"))->alignment & Qt::AlignHCenter);
            QCOMPARE(page.find(QStringLiteral("datum"))->text, QStringLiteral("Datum: 11.12.2026"));
            QCOMPARE(page.find(QStringLiteral("strana"))->text, QStringLiteral("Strana: %1").arg(p + 1));
            QCOMPARE(page.findAll(QStringLiteral("hOPIS")).size(), size_t(p == 0 ? 1 : 0));
        }
        QStringList headings;
        for (const char* n : {"hID", "hOPIS", "hCIJENA", "hSTOPA", "hCIJENA_SA"})
            headings << r.pages[0].find(QLatin1String(n))->text;
        QCOMPARE(headings,
                 (QStringList{"ID", "OPIS", "Cijena bez PDV-a", "Stopa PDV-a %", "Cijena sa PDV-om"}));
        const auto prices = r.findAll(QStringLiteral("CIJENA"));
        QCOMPARE(prices.size(), size_t(81));
        QCOMPARE(prices[0]->text, QStringLiteral("1.234,50 Kn"));
        QVERIFY(prices[0]->alignment & Qt::AlignRight);
        QCOMPARE(r.findAll(QStringLiteral("CIJENA_SA"))[0]->text, QStringLiteral("1.543,13 Kn"));
        QCOMPARE(r.findAll(QStringLiteral("CIJENA_SA"))[1]->text, QStringLiteral("11,31 Kn"));
        QCOMPARE(r.findAll(QStringLiteral("STOPA"))[1]->text, QStringLiteral("13"));
        QVERIFY(r.findAll(QStringLiteral("ID"))[0]->alignment & Qt::AlignHCenter);
        QCOMPARE(r.findAll(QStringLiteral("ID"))[0]->text, QStringLiteral("1"));

        t.setFilter(filterCjenika(QStringLiteral("usl")));
        const reports::PreparedReport one = layout.prepare();
        QCOMPARE(one.pageCount(), 1);
        QCOMPARE(one.findAll(QStringLiteral("NAZIV")).size(), size_t(1));
        QCOMPARE(one.findAll(QStringLiteral("NAZIV"))[0]->text, QStringLiteral("Usluga servisa"));

        // Once as a PDF, read by pdftotext.
        const QString pdf = fx->dir.filePath(QStringLiteral("cjenik.pdf"));
        util::ReportExport(layout, pdf);
        if (const QString keep = qEnvironmentVariable("TARVEL_SCREENSHOTS"); !keep.isEmpty())
            QFile::copy(pdf, keep + QStringLiteral("/cjenik.pdf"));
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        for (const char* s : {"CJENIK", "Obrt Šestica", "OIB: 61873204959", "Datum: 11.12.2026", "Strana: 1",
                              "Cijena sa PDV-om", "Usluga servisa", "1.234,50 Kn", "1.543,13 Kn"})
            QVERIFY2(text.contains(QString::fromUtf8(s)), s);
        QVERIFY(!text.contains(QStringLiteral("Artikl 01")));
    }
};

QTEST_MAIN(TstMasterLogic)
#include "tst_master_logic.moc"
