#include "app/osnovnaforma.h"
#include "app/poruka.h"
#include "app/probe.h"
#include "app/screens.h"
#include "core/paths.h"
#include "data/tdm.h"
#include "fixture.h"
#include "master/opcaforma.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTcpServer>
#include <QtTest>

using namespace tarvel;
using namespace tarvel::app;

// The company screen's "Registriraj u PU - F12" as the program wires it.
class TestPrijavaProstora : public QObject
{
    Q_OBJECT
    AppFixture fixture;

    // Through QSettings, as the program reads it: a file written behind its back may be read from the
    // settings cache of this process.
    static void setProbe(const QString& value)
    {
        QSettings ini(Paths::settingsFile(), QSettings::IniFormat);
        ini.setValue(QStringLiteral("MREZA/PROBA"), value);
        ini.sync();
    }

private Q_SLOTS:
    void init()
    {
        QDir(Paths::programFolder()).removeRecursively();
        QDir().mkpath(Paths::file(QStringLiteral("baze")));
    }

    void probeAddressIsOneSetting_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("host and port")
            << QStringLiteral("127.0.0.1:8123") << QStringLiteral("127.0.0.1") << 8123;
        QTest::newRow("host alone") << QStringLiteral("primjer.hr") << QStringLiteral("primjer.hr") << 80;
        QTest::newRow("bad port") << QStringLiteral("primjer.hr:x") << QStringLiteral("primjer.hr") << 80;
    }

    void probeAddressIsOneSetting()
    {
        QFETCH(QString, value);
        QFETCH(QString, host);
        QFETCH(int, port);
        setProbe(value);
        const ProbeTarget t = ProbeTarget::fromSettings();
        QCOMPARE(t.host, host);
        QCOMPARE(int(t.port), port);
    }

    void emptyRequiredFieldGetsTheFocus()
    {
        QTcpServer reachable; // the pre-check finds "the internet"
        QVERIFY(reachable.listen(QHostAddress::LocalHost));
        data::TDM dm;
        dm.create();
        setProbe(QStringLiteral("127.0.0.1:%1").arg(reachable.serverPort()));

        TOsnovnaForma window;
        installScreens(window);
        master::TOpcaForma f(&window);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        auto* oib = qobject_cast<QLineEdit*>(f.polje(QStringLiteral("OIB")));
        QVERIFY(oib);
        oib->setText(QStringLiteral("12345678903"));

        Poruka::Script script;
        oib->setFocus();
        QTest::keyClick(oib, Qt::Key_F12);
        QCOMPARE(script.texts(), QStringList{QStringLiteral("Polje je obavezan podatak. Molimo popunite.")});
        QTRY_COMPARE(QApplication::focusWidget(), f.polje(QStringLiteral("ULICA")));
        // The fields F12 stores were saved before the check, and TestniCIS follows the stored OIB.
        QVERIFY(!dm.testniCIS);
        dm.OpcaTable->open();
        QCOMPARE(dm.OpcaTable->asString(QStringLiteral("OIB")), QStringLiteral("12345678903"));
    }
};

TARVEL_TEST_MAIN(TestPrijavaProstora)
#include "tst_prijavaprostora.moc"
