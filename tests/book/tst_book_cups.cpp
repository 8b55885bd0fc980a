// The invoice receipt through a real cupsd: the receipt printer's raw queue passes the bytes unchanged
// to the printer, in one job with the receipt's title, and the page printer is the selected (and
// default) one again.
#include "app/printerselect.h"
#include "bookfixture.h"
#include "core/errors.h"
#include "cupsserver.h"
#include "invoicing/receiptjob.h"

#include <QApplication>
#include <QPrinterInfo>
#include <QtTest>

using namespace tarvel;
using namespace tarvel::invoicing;

class TestBookCups : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    CupsTestServer m_cups;

private Q_SLOTS:
    void initTestCase()
    {
        if (!CupsTestServer::available())
            QSKIP("cupsd and lpadmin are needed");
        QVERIFY(m_tmp.isValid());
        QVERIFY(m_cups.start(m_tmp.filePath("cups")));
        QVERIFY(m_cups.addQueue(QStringLiteral("Uredski"), QStringLiteral("file:///dev/null")));
        QVERIFY(m_cups.addRawSocketQueue(QStringLiteral("Blagajna")));
        QVERIFY(QPrinterInfo::availablePrinterNames().contains(QStringLiteral("Blagajna")));
        QVERIFY(app::PrinterSelect(QStringLiteral("Uredski")));
        QVERIFY(m_cups.defaultPrinter().endsWith(QStringLiteral(": Uredski")));
    }
    void cleanupTestCase()
    {
        m_cups.stop();
        QVERIFY(!m_cups.running());
    }

    void receiptBytesArriveUnchanged()
    {
        BookFixture fx;
        fx.setOpci("GLAVNI_PRINTER", QStringLiteral("Blagajna"));
        // Croatian letters, so the Windows-1250 bytes above 0x7F must pass untouched too
        fx.setOpci("NAZIV", QStringLiteral("Obrt Šišmiš Đurđa"));
        QVariantMap inv = BookFixture::sampleInvoice(QStringLiteral("17/POSL1/3 2026"),
                                                     QStringLiteral("12345678-1234-1234-1234-123456789012"));
        inv["OPIS"] = QStringLiteral("Čišćenje žbuke");
        fx.addInvoice(inv);

        const QList<QByteArray> lines = racunNa40(*fx.dm, QStringLiteral("KOMINT"));
        QByteArray expected;
        for (const QByteArray& l : lines)
            expected += l;
        QVERIFY(expected.contains("\x8a"
                                  "i\x9am"));
        QVERIFY(expected.contains('\r'));

        ispisiRacun40(*fx.dm, QStringLiteral("KOMINT"));
        if (!m_cups.waitForJobs(QStringLiteral("Blagajna"), 1))
            qInfo().noquote() << m_cups.errorLog();
        const QList<CupsTestServer::Job> jobs = m_cups.jobs(QStringLiteral("Blagajna"));
        QCOMPARE(jobs.size(), 1);
        QCOMPARE(jobs[0].title, QStringLiteral("OPZ-STAT-1 Print"));
        QCOMPARE(jobs[0].state, IPP_JSTATE_COMPLETED);
        QCOMPARE(jobs[0].format, QStringLiteral("application/vnd.cups-raw"));
        QTRY_COMPARE(m_cups.received(QStringLiteral("Blagajna")).value(0).size(), expected.size());
        QCOMPARE(m_cups.received(QStringLiteral("Blagajna")).size(), 1);
        QCOMPARE(m_cups.received(QStringLiteral("Blagajna")).value(0), expected);

        // nothing went to the page printer, which is selected and the default again
        QVERIFY(m_cups.jobs(QStringLiteral("Uredski")).isEmpty());
        QCOMPARE(app::currentPrinterName(), QStringLiteral("Uredski"));
        QVERIFY(m_cups.defaultPrinter().endsWith(QStringLiteral(": Uredski")));
    }

    // A receipt printer that is not installed: an error, and no job anywhere.
    void unknownReceiptPrinter()
    {
        BookFixture fx;
        fx.setOpci("GLAVNI_PRINTER", QStringLiteral("Nepostojeći"));
        fx.addInvoice(BookFixture::sampleInvoice());
        const int before = int(m_cups.jobs(QStringLiteral("Uredski")).size());
        QVERIFY_THROWS_EXCEPTION(TarvelError, ispisiRacun40(*fx.dm, QStringLiteral("KOMINT")));
        QCOMPARE(int(m_cups.jobs(QStringLiteral("Uredski")).size()), before);
        QCOMPARE(app::currentPrinterName(), QStringLiteral("Uredski"));
    }
};

QTEST_MAIN(TestBookCups)
#include "tst_book_cups.moc"
