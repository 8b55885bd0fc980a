#include "app/oforma.h"
#include "core/paths.h"
#include "fixture.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QtTest>

using namespace tarvel;
using namespace tarvel::app;

// Receives the links the about window opens.
class LinkCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls << url; }
};

class TstOForma : public QObject
{
    Q_OBJECT
    AppFixture fx;
    LinkCatcher links;

    QString exeInProgramFolder() const
    {
        return Paths::file(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QDir().mkpath(Paths::programFolder());
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &links, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &links, "open");
    }

    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    }

    void versionLine()
    {
        QFile::remove(exeInProgramFolder());
        QCOMPARE(TOForma::versionLine(), QStringLiteral("Verzija: 1.0 od  16.11.1999."));
        QFile exe(exeInProgramFolder());
        QVERIFY(exe.open(QIODevice::WriteOnly));
        exe.write("x");
        exe.flush();
        QVERIFY(
            exe.setFileTime(QDateTime(QDate(2024, 3, 7), QTime(12, 0)), QFileDevice::FileModificationTime));
        exe.close();
        QCOMPARE(TOForma::versionLine(), QStringLiteral("Verzija 1.0 od 07.03.2024"));

        TOForma about(false);
        about.show();
        QCOMPARE(about.versionLabel()->text(), QStringLiteral("Verzija 1.0 od 07.03.2024"));
        QCOMPARE(about.windowTitle(), QStringLiteral("O programu"));
        QVERIFY(about.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(about.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(about.productLabel()->text(),
                 QStringLiteral("Program za vođenje računa i naplate sa OPZ-STAT-1 obrascem"));
        // Showing it makes the program folder the working folder.
        QCOMPARE(QDir(QDir::currentPath()).canonicalPath(), QDir(Paths::programFolder()).canonicalPath());
    }

    void closesOnKeyAndClick_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("key") << "key";
        QTest::newRow("picture") << "picture";
        QTest::newRow("version") << "version";
        QTest::newRow("product") << "product";
    }
    void closesOnKeyAndClick()
    {
        QFETCH(QString, how);
        TOForma about(false);
        whenModal([&](QWidget*) {
            if (how == QLatin1String("key"))
                QTest::keyClick(&about, Qt::Key_A);
            else if (how == QLatin1String("picture"))
                QTest::mouseClick(about.picture(), Qt::LeftButton);
            else if (how == QLatin1String("version"))
                QTest::mouseClick(about.versionLabel(), Qt::LeftButton);
            else
                QTest::mouseClick(about.productLabel(), Qt::LeftButton);
        });
        QElapsedTimer t;
        t.start();
        about.exec();
        QVERIFY(t.elapsed() < TOForma::SplashMs);
    }

    // From the menu it waits; as splash it closes after three seconds.
    void splashClosesByItself()
    {
        TOForma menu(false);
        menu.show();
        TOForma splash(true);
        QElapsedTimer t;
        t.start();
        splash.show();
        QTRY_VERIFY_WITH_TIMEOUT(!splash.isVisible(), 5000);
        QVERIFY2(t.elapsed() >= TOForma::SplashMs - 50, qPrintable(QString::number(t.elapsed())));
        QVERIFY(menu.isVisible());
    }

    void linkLines()
    {
        TOForma about(false);
        about.show();
        links.urls.clear();
        QTest::mouseClick(about.mailLink(), Qt::LeftButton);
        QTest::mouseClick(about.webLink(), Qt::LeftButton);
        QCOMPARE(links.urls.size(), 2);
        QCOMPARE(links.urls.at(0).scheme(), QStringLiteral("mailto"));
        QCOMPARE(links.urls.at(1).scheme(), QStringLiteral("http"));
        QVERIFY(about.isVisible()); // a link opens, the window stays
        // Underlined while the mouse is over the link, not a second later.
        QTest::mouseMove(about.mailLink());
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(about.mailLink(), &enter);
        QVERIFY(about.mailLink()->font().underline());
        QTRY_VERIFY_WITH_TIMEOUT(!about.mailLink()->font().underline(), 2500);
    }
};

TARVEL_TEST_MAIN(TstOForma)
#include "tst_oforma.moc"
