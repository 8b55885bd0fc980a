// The receipt print job on the data module's rows: what reaches the sink, in which job, on which
// printer, and the printer switch around it.
#include "bookfixture.h"
#include "core/errors.h"
#include "invoicing/receiptjob.h"

#include <QtTest>

using namespace tarvel;
using namespace tarvel::invoicing;

namespace {

struct Job
{
    QString printer;
    QString title;
    QList<QByteArray> lines;
};

struct KeepingSink : ReceiptSink
{
    QList<Job> jobs;
    QStringList* events = nullptr;
    bool fail = false;
    void printRaw(const QString& printer, const QString& title, const QList<QByteArray>& lines) override
    {
        if (events)
            *events << QStringLiteral("job ") + printer;
        if (fail)
            throw TarvelError(ErrorKind::Other, QStringLiteral("Ispis na pisač nije uspio"));
        jobs << Job{printer, title, lines};
    }
};

QStringList textLines(const QList<QByteArray>& blocks)
{
    QStringList out;
    for (const QByteArray& b : blocks)
        out << (b.endsWith("\n\r") ? fromWindows1250(b.chopped(2)) : QStringLiteral("<no LF CR>"));
    return out;
}

} // namespace

class TestBookReceipt : public QObject
{
    Q_OBJECT

    std::unique_ptr<BookFixture> fx;
    KeepingSink sink;
    QStringList events;
    QString selected;

private Q_SLOTS:
    void init()
    {
        fx = std::make_unique<BookFixture>();
        sink = KeepingSink{};
        sink.events = &events;
        events.clear();
        selected = QStringLiteral("Uredski");
        setReceiptSink(&sink);
        PrinterSwitch::active() = {[this] { return selected; },
                                   [this](const QString& n) {
                                       events << QStringLiteral("select ") + n;
                                       selected = n;
                                       return true;
                                   }};
        fx->setOpci("GLAVNI_PRINTER", QStringLiteral("  Blagajna  "));
    }
    void cleanup()
    {
        setReceiptSink(nullptr);
        PrinterSwitch::active() = PrinterSwitch::defaults();
        fx.reset();
    }

    // One job on the receipt printer with the title, the previous printer selected again after it.
    void invoiceReceiptIsOneJobOnTheReceiptPrinter()
    {
        QVariantMap inv = BookFixture::sampleInvoice();
        inv["OPIS2"] = QStringLiteral("Dodatak");
        inv["OSNOVICA2"] = 0.0;
        inv["IZNOS2"] = 0.0;
        fx->addInvoice(inv);
        ispisiRacun40(*fx->dm, QStringLiteral("KUPCI"));
        QCOMPARE(events, QStringList({"select Blagajna", "job Blagajna", "select Uredski"}));
        QCOMPARE(sink.jobs.size(), 1);
        QCOMPARE(sink.jobs[0].printer, QStringLiteral("Blagajna"));
        QCOMPARE(sink.jobs[0].title, QStringLiteral("OPZ-STAT-1 Print"));
        const QStringList lines = textLines(sink.jobs[0].lines);
        QCOMPARE(sink.jobs[0].lines.first(), QByteArray("\n\n\n\n\n\r"));
        QCOMPARE(sink.jobs[0].lines.last(), QByteArray(9, '\n') + "\n\r");
        QCOMPARE(lines[1], QString(14, ' ') + "Tvrtka d.o.o.");
        QCOMPARE(lines[2], QString(15, ' ') + "Ilica 12 a");
        QVERIFY(lines.contains("Usluga                            125,00"));
        QVERIFY(!lines.join('\n').contains("Dodatak")); // gross 0
        QVERIFY(lines.contains("UKUPNO Kn:                        125,00"));
        // the groups 2 to 5 are null in the store and read as 0
        QVERIFY(lines.contains("PDV               25    100,00     25,00"));
        QCOMPARE(lines.filter(QRegularExpression("^PDV")).size(), 1);
    }

    // The operator is looked up by the invoice's OIB in the run mode's party table.
    void operatorFromThePartyTableOfTheRunMode_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("line");
        QTest::newRow("companion: KOMINT knows the operator")
            << "KOMINT" << QStringLiteral("Operater : Ana Operaterka");
        QTest::newRow("customer mode: KUPCI does not, OIB_OPER prints")
            << "KUPCI" << QStringLiteral("Operater : 12345678903");
    }
    void operatorFromThePartyTableOfTheRunMode()
    {
        QFETCH(QString, table);
        QFETCH(QString, line);
        fx->addInvoice(BookFixture::sampleInvoice());
        QVERIFY(textLines(racunNa40(*fx->dm, table)).contains(line));
    }

    void certificateReceiptFromTheCompanyRow()
    {
        fx->setOpci("IME_CERT", QStringLiteral("fiskal.p12"));
        fx->setOpci("PASS_CERT", encipherPassword(QStringLiteral("Šifra1")));
        fx->addInvoice(BookFixture::sampleInvoice());
        ispisiCertifikat40(*fx->dm, QStringLiteral("KOMINT"));
        QCOMPARE(sink.jobs.size(), 1);
        const QStringList lines = textLines(sink.jobs[0].lines);
        QVERIFY(lines.contains(QString(12, ' ') + "Datum: 15.03.2016"));
        QVERIFY(lines.contains(QString(9, ' ') + "Vrijedi do: 2021 godine"));
        QVERIFY(lines.contains(QString(13, ' ') + "Lozinka: Šifra1"));
        QVERIFY(lines.contains("Operater : Ana Operaterka"));
        QCOMPARE(events.last(), QStringLiteral("select Uredski"));
    }

    // A failed job still selects the previous printer again, and the error reaches the caller.
    void failedJobSelectsThePreviousPrinterAgain()
    {
        fx->addInvoice(BookFixture::sampleInvoice());
        sink.fail = true;
        QVERIFY_THROWS_EXCEPTION(TarvelError, ispisiRacun40(*fx->dm, QStringLiteral("KUPCI")));
        QCOMPARE(events, QStringList({"select Blagajna", "job Blagajna", "select Uredski"}));
        QCOMPARE(selected, QStringLiteral("Uredski"));
    }

    // Raw receipt bytes never go to whatever page printer happens to be selected.
    void noReceiptPrinterIsAnError()
    {
        fx->setOpci("GLAVNI_PRINTER", QStringLiteral("   "));
        fx->addInvoice(BookFixture::sampleInvoice());
        QVERIFY_THROWS_EXCEPTION(TarvelError, ispisiRacun40(*fx->dm, QStringLiteral("KUPCI")));
        QVERIFY(events.isEmpty());
    }

    // The companion database exists but has no OPCITABLE: reported, nothing printed, no switch.
    void unreadableCompanionDatabasePrintsNothing()
    {
        fx->setOpci("PATH_MJE", QStringLiteral(" " TARVEL_FIXTURES "/access/node-adodb.mdb "));
        fx->addInvoice(BookFixture::sampleInvoice());
        QVERIFY_THROWS_EXCEPTION(TarvelError, ispisiRacun40(*fx->dm, QStringLiteral("KUPCI")));
        QVERIFY(events.isEmpty());
        QVERIFY(sink.jobs.isEmpty());
    }

    // PATH_MJE naming no file: the plain line feeds.
    void missingCompanionFileGivesLineFeeds()
    {
        fx->setOpci("PATH_MJE", fx->dir.filePath("nema/mjenjacnica.mdb"));
        fx->addInvoice(BookFixture::sampleInvoice());
        const QList<QByteArray> lines = racunNa40(*fx->dm, QStringLiteral("KUPCI"));
        QCOMPARE(lines.first(), QByteArray("\n\n\n\n\n\r"));
    }
};

QTEST_MAIN(TestBookReceipt)
#include "tst_book_receipt.moc"
