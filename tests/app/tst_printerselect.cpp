#include "app/printerselect.h"

#include <QDir>
#include <QFile>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

using namespace tarvel::app;

// PrinterSelect against a real cupsd on 127.0.0.1 with two raw queues, started and stopped here.
class TstPrinterSelect : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QProcess cupsd;
    QString server;

    QString path(const QString& p) const { return dir.path() + QLatin1Char('/') + p; }

    static bool write(const QString& file, const QString& text)
    {
        QFile f(file);
        return f.open(QIODevice::WriteOnly) && f.write(text.toUtf8()) > 0;
    }

    QString lpstatDefault()
    {
        QProcess p;
        p.start(QStringLiteral("lpstat"), {QStringLiteral("-d")});
        p.waitForFinished(10000);
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString daemon =
            QStandardPaths::findExecutable(QStringLiteral("cupsd"), {"/usr/sbin", "/usr/bin"});
        if (daemon.isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("lpadmin"), {"/usr/sbin"}).isEmpty())
            QSKIP("cupsd and lpadmin are needed");
        quint16 port = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            port = probe.serverPort();
        }
        server = QStringLiteral("127.0.0.1:%1").arg(port);
        for (const char* d : {"etc", "spool", "tmp", "cache", "state", "log", "client", "home"})
            QVERIFY(QDir().mkpath(path(QLatin1String(d))));
        QVERIFY(write(
            path("etc/cupsd.conf"),
            QStringLiteral("Listen %1\nServerName 127.0.0.1\nLogLevel warn\nBrowsing Off\n"
                           "DefaultAuthType None\n<Location />\n Order allow,deny\n Allow all\n"
                           "</Location>\n<Location /admin>\n Order allow,deny\n Allow all\n</Location>\n"
                           "<Policy default>\n <Limit All>\n  Order allow,deny\n  Allow all\n </Limit>\n"
                           "</Policy>\n")
                .arg(server)));
        QVERIFY(write(
            path("etc/cups-files.conf"),
            QStringLiteral("ServerRoot %1\nRequestRoot %2\nTempDir %3\nCacheDir %4\nStateDir %5\n"
                           "ErrorLog %6/error_log\nAccessLog %6/access_log\nPageLog %6/page_log\n"
                           "FileDevice Yes\nSandboxing Relaxed\nSystemGroup root\n")
                .arg(path("etc"), path("spool"), path("tmp"), path("cache"), path("state"), path("log"))));
        cupsd.start(daemon, {QStringLiteral("-f"), QStringLiteral("-c"), path("etc/cupsd.conf"),
                             QStringLiteral("-s"), path("etc/cups-files.conf")});
        QVERIFY(cupsd.waitForStarted());
        // The client side: this server, and a private home for the user's lpoptions.
        qputenv("CUPS_SERVER", server.toUtf8());
        qputenv("CUPS_SERVERROOT", path("client").toUtf8());
        qputenv("HOME", path("home").toUtf8());
        for (const QString& queue : {QStringLiteral("Racuni"), QStringLiteral("Kuhinja")}) {
            bool added = false;
            for (int i = 0; i < 50 && !added; ++i) {
                QProcess lpadmin;
                lpadmin.start(QStringLiteral("lpadmin"), {QStringLiteral("-h"), server, QStringLiteral("-p"),
                                                          queue, QStringLiteral("-E"), QStringLiteral("-v"),
                                                          QStringLiteral("file:///dev/null")});
                lpadmin.waitForFinished(10000);
                added = lpadmin.exitCode() == 0;
                if (!added)
                    QTest::qWait(100);
            }
            QVERIFY2(added, qPrintable(queue));
        }
    }
    void cleanupTestCase()
    {
        if (cupsd.state() != QProcess::NotRunning) {
            cupsd.terminate();
            if (!cupsd.waitForFinished(5000))
                cupsd.kill();
        }
    }

    void choosesAndSetsDefault()
    {
        QVERIFY(QPrinterInfo::availablePrinterNames().contains(QStringLiteral("Kuhinja")));
        QVERIFY(PrinterSelect(QStringLiteral("Kuhinja")));
        QCOMPARE(currentPrinterName(), QStringLiteral("Kuhinja"));
        QVERIFY(lpstatDefault().endsWith(QStringLiteral(": Kuhinja")));

        QVERIFY(PrinterSelect(QStringLiteral("Racuni")));
        QCOMPARE(currentPrinterName(), QStringLiteral("Racuni"));
        QVERIFY(lpstatDefault().endsWith(QStringLiteral(": Racuni")));
    }

    // A name that is not installed keeps the current printer and still writes it as the default.
    void unknownNameKeepsCurrent()
    {
        QVERIFY(PrinterSelect(QStringLiteral("Kuhinja")));
        QFile::remove(path("home/.cups/lpoptions"));
        QVERIFY(PrinterSelect(QStringLiteral("Nepostojeći")));
        QCOMPARE(currentPrinterName(), QStringLiteral("Kuhinja"));
        QVERIFY(QFile::exists(path("home/.cups/lpoptions")));
        QVERIFY(lpstatDefault().endsWith(QStringLiteral(": Kuhinja")));
    }
};

QTEST_MAIN(TstPrinterSelect)
#include "tst_printerselect.moc"
