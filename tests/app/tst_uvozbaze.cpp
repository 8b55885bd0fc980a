#include "app/osnovnaforma.h"
#include "app/poruka.h"
#include "app/uvozbaze.h"
#include "core/paths.h"
#include "data/tdm.h"
#include "fixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QSqlQuery>
#include <QtTest>

using namespace tarvel;
using namespace tarvel::app;

namespace {

QByteArray sha256(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// A real Jet file, but not one of the older program: it holds none of the program's tables.
const QString foreignJetFile = QStringLiteral(TARVEL_FIXTURES "/access/node-adodb.mdb");

} // namespace

class TestUvozBaze : public QObject
{
    Q_OBJECT
    AppFixture fixture;

private Q_SLOTS:
    void init()
    {
        QDir(Paths::programFolder()).removeRecursively();
        QDir().mkpath(Paths::file(QStringLiteral("baze")));
        uvoz::setFileChooser({});
    }

    void firstStartWithoutOldFileDoesNothing()
    {
        Poruka::Script script;
        TOsnovnaForma window;
        uvoz::pokreniPriPrvomStartu(window);
        QVERIFY(script.texts().isEmpty());
        QVERIFY(!QFileInfo::exists(Paths::databaseFile()));
    }

    void firstStartWithUnusableFileIsReportedAndLeavesNoDatabase()
    {
        const QString old = Paths::file(QStringLiteral("baze/FISKAL.MDB"));
        QVERIFY(QFile::copy(foreignJetFile, old));
        const QByteArray before = sha256(old);
        Poruka::Script script;
        TOsnovnaForma window;
        uvoz::pokreniPriPrvomStartu(window);
        QCOMPARE(script.texts().size(), 1);
        QVERIFY(!QFileInfo::exists(Paths::databaseFile()));
        QCOMPARE(sha256(old), before);
        QVERIFY(window.isVisible()); // the user saw the progress
        QVERIFY(!window.progressBar()->isVisible());
    }

    void firstStartWithExistingDatabaseImportsNothing()
    {
        QVERIFY(QFile::copy(foreignJetFile, Paths::file(QStringLiteral("baze/fiskal.mdb"))));
        {
            data::TDM dm;
            dm.create();
        }
        Poruka::Script script;
        TOsnovnaForma window;
        uvoz::pokreniPriPrvomStartu(window);
        QVERIFY(script.texts().isEmpty());
    }

    void menuImport_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<int>("messages");
        QTest::newRow("file question cancelled") << QString() << QList<bool>{} << 0;
        QTest::newRow("import question answered Ne") << foreignJetFile << QList<bool>{false} << 1;
        QTest::newRow("file without the program's tables") << foreignJetFile << QList<bool>{true} << 2;
    }

    void menuImport()
    {
        QFETCH(QString, chosen);
        QFETCH(QList<bool>, answers);
        QFETCH(int, messages);
        data::TDM dm;
        dm.create();
        dm.KupciTable->open();
        dm.KupciTable->append();
        dm.KupciTable->setValue(QStringLiteral("POR_BROJ"), QStringLiteral("12345678903"));
        dm.KupciTable->setValue(QStringLiteral("NAZIV_KOM"), QStringLiteral("Kupac d.o.o."));
        dm.KupciTable->post();

        TOsnovnaForma window;
        window.attachDataModule();
        uvoz::setFileChooser([chosen](QWidget*) { return chosen; });
        Poruka::Script script(answers);
        window.menuAction(QStringLiteral("Uvoz stare baze podataka"))->trigger();
        QCOMPARE(script.texts().size(), messages);
        QCOMPARE(script.remaining(), 0);

        QSqlQuery q(dm.connection());
        QVERIFY(q.exec(QStringLiteral("SELECT NAZIV_KOM FROM KUPCI")));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("Kupac d.o.o."));
        QVERIFY(!q.next());
    }
};

TARVEL_TEST_MAIN(TestUvozBaze)
#include "tst_uvozbaze.moc"
