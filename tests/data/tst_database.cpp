#include "core/errors.h"
#include "core/paths.h"
#include "data/checkbaze.h"
#include "data/schema.h"
#include "data/store.h"
#include "data/tdm.h"
#include "fixture.h"

#include <QSettings>
#include <QTest>

using namespace tarvel;
using namespace tarvel::data;

namespace {

constexpr quint32 Build1 = 0x5A2B1234;
constexpr quint32 Build2 = 0x5A2C4321;

QString storedVersionText()
{
    QSettings ini(Paths::settingsFile(), QSettings::IniFormat);
    return ini.value(QStringLiteral("POSTAVKE/VERZIJA")).toString();
}

// An older database: every table as the literal lists give it, OPCI without the e-mail columns.
void makeOlderDatabase(const QString& file)
{
    RawDb raw(file);
    for (const auto& t : expectedTables()) {
        if (t.first == QLatin1String("OPCI"))
            raw.createLiteral(t.first, {QStringLiteral("eHOST"), QStringLiteral("eUSERNAME"),
                                        QStringLiteral("ePASSWORD"), QStringLiteral("ePORT")});
        else
            raw.createLiteral(t.first);
    }
    raw.exec(
        QStringLiteral("INSERT INTO OPCI (NAZIV, OIB, OIB_OP, SKLAD, BR_RAC, PROM, FOOTER, GLAVNI_PRINTER) "
                       "VALUES ('Tarvel d.o.o.', '12345678903', '11111111119', 'PP1', 42, '2023-07-01', "
                       "'Hvala na povjerenju', 'EPSON')"));
    raw.exec(QStringLiteral("INSERT INTO KOMINT (NAZIV_KOM, POR_BROJ) VALUES ('Ana Anić', '11111111119')"));
    raw.exec(
        QStringLiteral("INSERT INTO KUPCI (NAZIV_KOM, POR_BROJ) VALUES ('ČAČAK d.o.o.', '22222222228')"));
    // Invoices with gaps in their keys, as deletions leave them, and ledger entries pointing at them.
    for (int key : {3, 7, 8, 15}) {
        raw.exec(QStringLiteral("INSERT INTO FISKAL (AUTOKEY, BR_RAC, UKIZNOS, OIB_KUP) VALUES (?, ?, ?, ?)"),
                 {key, QStringLiteral("%1/PP1/1").arg(key), key * 10.5, QStringLiteral("22222222228")});
        raw.exec(
            QStringLiteral("INSERT INTO PROMETNA (AUTOKEY, POR_BROJ, VK, BROJ_DOK, POTRAZUJE, KEYFISKAL) "
                           "VALUES (?, '22222222228', 'Z', ?, ?, ?)"),
            {100 + key, QStringLiteral("%1/PP1/1").arg(key), key * 10.5, key});
    }
    // The last invoices were deleted; their ledger entry stayed behind.
    raw.exec(QStringLiteral("INSERT INTO FISKAL (AUTOKEY, BR_RAC) VALUES (20, '20/PP1/1')"));
    raw.exec(QStringLiteral("DELETE FROM FISKAL WHERE AUTOKEY = 20"));
    raw.exec(QStringLiteral("INSERT INTO PRIVR (AUTOKEY) VALUES (50)"));
    raw.exec(QStringLiteral("DELETE FROM PRIVR"));
    raw.exec(QStringLiteral("INSERT INTO CJENIK (ID, NAZIV, CIJENA) VALUES (4, 'Usluga', 100)"));
    raw.exec(QStringLiteral("INSERT INTO CJENIK (ID, NAZIV, CIJENA) VALUES (9, 'Roba', 20)"));
}

QMap<QString, int> rowCounts(const RawDb& raw)
{
    QMap<QString, int> counts;
    for (const auto& t : expectedTables())
        counts[t.first] = raw.scalar(QStringLiteral("SELECT count(*) FROM ") + t.first).toInt();
    return counts;
}

} // namespace

class TestDatabase : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        TDM::setExecutableFileTime(Build1);
        TDM::setBusyTimeout(200);
    }
    void cleanup() { TDM::setExecutableFileTime(std::nullopt); }

    void createdSchemaMatchesTheTableLists_data();
    void createdSchemaMatchesTheTableLists();
    void firstStartCreatesFileAndTables();
    void olderOpciGainsMailColumnsEmpty();
    void invoiceKeysAndLedgerLinksSurvive();
    void missingTableIsCreated();
    void failingCreateStopsWithoutVersionOrLoss();
    void busyFileStopsCheckWithoutLoss();
    void rowsThatCannotBeCopiedKeepTheOldTable();
    void failedBackupStopsBeforeAnyTable();
    void checkRunsOncePerBuild();
    void dosDateTime_data();
    void dosDateTime();
    void unopenableFileIsNeverOverwritten_data();
    void unopenableFileIsNeverOverwritten();
    void compaction_data();
    void compaction();
    void compactionThroughDataModuleReopens();
    void compactionWithAnotherConnection();
    void operatorLabel_data();
    void operatorLabel();
    void testniCis_data();
    void testniCis();
    void companionMode_data();
    void companionMode();
    void transactionCommitsAndRollsBack();
    void nestedTransactionsAreSavepoints();
    void busyDatabaseRaisesTableBusy();
};

void TestDatabase::createdSchemaMatchesTheTableLists_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("columns");
    QTest::addColumn<int>("count");
    const QMap<QString, int> counts{{"CJENIK", 6}, {"PDV", 4},      {"POSTA", 2},     {"FISKAL", 82},
                                    {"OPCI", 35},  {"KUPCI", 29},   {"KOMINT", 29},   {"PROMETNA", 15},
                                    {"PRIVR", 14}, {"OPZSTAT", 13}, {"OTVORENE", 13}, {"ZATTAB", 6}};
    for (const auto& t : expectedTables())
        QTest::newRow(qPrintable(t.first)) << t.first << t.second << counts.value(t.first);
}

void TestDatabase::createdSchemaMatchesTheTableLists()
{
    QFETCH(QString, table);
    QFETCH(QString, columns);
    QFETCH(int, count);
    ProgramFolder folder;
    {
        TDM tdm;
        tdm.create();
    }
    RawDb raw(folder.db());
    QSqlQuery q(raw.db());
    QVERIFY(q.exec(QStringLiteral("SELECT name, type, pk FROM pragma_table_info('%1')").arg(table)));
    QStringList actual;
    QStringList keys;
    while (q.next()) {
        actual << q.value(0).toString() + QLatin1Char(' ') + q.value(1).toString();
        if (q.value(2).toInt())
            keys << q.value(0).toString();
    }
    QCOMPARE(actual.join(QLatin1Char(',')), columns);
    QCOMPARE(actual.size(), count);

    const QString sql =
        raw.scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = ?"), {table}).toString();
    if (columns.startsWith(QLatin1String("AUTOKEY")) || columns.contains(QLatin1String(",AUTOKEY "))) {
        QCOMPARE(keys, QStringList{QStringLiteral("AUTOKEY")});
        QVERIFY2(sql.contains(
                     QLatin1String("\"AUTOKEY\" INTEGER CONSTRAINT \"AUTOKEY\" PRIMARY KEY AUTOINCREMENT")),
                 qPrintable(sql));
    } else if (columns.startsWith(QLatin1String("ID "))) {
        QCOMPARE(keys, QStringList{QStringLiteral("ID")});
        QVERIFY(sql.contains(QLatin1String("AUTOINCREMENT")));
    } else {
        QVERIFY(keys.isEmpty());
    }
}

void TestDatabase::firstStartCreatesFileAndTables()
{
    ProgramFolder folder;
    QDir(folder.dir.path()).rmdir(QStringLiteral("baze"));
    QList<std::tuple<int, int, QString>> steps;
    {
        TDM tdm;
        tdm.progress = [&](int p, int m, const QString& s) { steps.append({p, m, s}); };
        tdm.create();
        QVERIFY(tdm.isOpen());
        QVERIFY(tdm.checkRanAtCreate());
        QVERIFY(tdm.lastCheck().ok());
        QVERIFY(tdm.OpcaTable->active()); // step 6 leaves OPCI open
    }
    QVERIFY(QFileInfo::exists(folder.db()));
    QVERIFY(QFileInfo::exists(Paths::backupFile()));
    QCOMPARE(storedVersionText(), QString::number(Build1));
    RawDb raw(folder.db());
    QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name <> "
                                       "'sqlite_sequence'"))
                 .toInt(),
             12);
    // Progress: maximum 10, one status per table in the processing order, then the closing text.
    QVERIFY(!steps.isEmpty());
    QCOMPARE(steps.first(), std::make_tuple(0, 10, QStringLiteral("Pričekajte....provjera baze: CJENIK")));
    QStringList tables;
    for (const auto& [p, m, s] : steps) {
        if (m != 0) {
            QCOMPARE(m, 10);
            QVERIFY(p >= 0 && p <= 10);
        }
        if (s.startsWith(QStringLiteral("Pričekajte....provjera baze: ")) && !tables.contains(s.mid(29)))
            tables << s.mid(29);
    }
    QCOMPARE(tables, (QStringList{"CJENIK", "PDV", "POSTA", "FISKAL", "OPCI", "KUPCI", "KOMINT", "PROMETNA",
                                  "PRIVR", "OPZSTAT", "OTVORENE", "ZATTAB"}));
    QCOMPARE(std::get<2>(steps.last()), QStringLiteral("Provjera baza završena"));
    QCOMPARE(std::get<1>(steps.last()), 0);
}

void TestDatabase::olderOpciGainsMailColumnsEmpty()
{
    ProgramFolder folder;
    makeOlderDatabase(folder.db());
    {
        TDM tdm;
        tdm.create();
        QVERIFY(tdm.checkRanAtCreate());
        QCOMPARE(tdm.operatorLabelText, QStringLiteral("Operater: Ana Anić"));
    }
    RawDb raw(folder.db());
    QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM OPCI")).toInt(), 1);
    QSqlQuery q(raw.db());
    QVERIFY(q.exec(QStringLiteral("SELECT NAZIV, OIB, OIB_OP, SKLAD, BR_RAC, PROM, FOOTER, GLAVNI_PRINTER, "
                                  "eHOST, eUSERNAME, ePASSWORD, ePORT FROM OPCI")));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("Tarvel d.o.o."));
    QCOMPARE(q.value(1).toString(), QStringLiteral("12345678903"));
    QCOMPARE(q.value(2).toString(), QStringLiteral("11111111119"));
    QCOMPARE(q.value(3).toString(), QStringLiteral("PP1"));
    QCOMPARE(q.value(4).toDouble(), 42.0);
    QCOMPARE(q.value(5).toString(), QStringLiteral("2023-07-01"));
    QCOMPARE(q.value(6).toString(), QStringLiteral("Hvala na povjerenju"));
    QCOMPARE(q.value(7).toString(), QStringLiteral("EPSON"));
    for (int i = 8; i < 12; ++i)
        QVERIFY2(q.value(i).isNull(), qPrintable(QString::number(i)));
}

void TestDatabase::invoiceKeysAndLedgerLinksSurvive()
{
    ProgramFolder folder;
    makeOlderDatabase(folder.db());
    {
        TDM tdm;
        tdm.create();
        // A new invoice continues after the highest key ever given, not after the highest kept one.
        tdm.FiskalTable->open();
        tdm.FiskalTable->append();
        tdm.FiskalTable->setValue(QStringLiteral("BR_RAC"), QStringLiteral("16/PP1/1"));
        tdm.FiskalTable->post();
        QCOMPARE(tdm.FiskalTable->value(QStringLiteral("AUTOKEY")).toLongLong(), 21LL);
        tdm.PrivrTable->open();
        tdm.PrivrTable->append();
        tdm.PrivrTable->post();
        QCOMPARE(tdm.PrivrTable->value(QStringLiteral("AUTOKEY")).toLongLong(), 51LL);
    }
    RawDb raw(folder.db());
    QCOMPARE(raw.column(QStringLiteral("SELECT AUTOKEY FROM FISKAL WHERE AUTOKEY <= 15 ORDER BY AUTOKEY")),
             (QStringList{"3", "7", "8", "15"}));
    QCOMPARE(raw.column(QStringLiteral("SELECT F.BR_RAC || '=' || P.BROJ_DOK FROM PROMETNA P JOIN FISKAL F "
                                       "ON F.AUTOKEY = P.KEYFISKAL ORDER BY P.AUTOKEY")),
             (QStringList{"3/PP1/1=3/PP1/1", "7/PP1/1=7/PP1/1", "8/PP1/1=8/PP1/1", "15/PP1/1=15/PP1/1"}));
    QCOMPARE(raw.column(QStringLiteral("SELECT AUTOKEY FROM PROMETNA ORDER BY AUTOKEY")),
             (QStringList{"103", "107", "108", "115"}));
    QCOMPARE(raw.column(QStringLiteral("SELECT ID || NAZIV FROM CJENIK ORDER BY ID")),
             (QStringList{"4Usluga", "9Roba"}));
}

void TestDatabase::missingTableIsCreated()
{
    ProgramFolder folder;
    makeOlderDatabase(folder.db());
    {
        RawDb raw(folder.db());
        QVERIFY(raw.exec(QStringLiteral("DROP TABLE ZATTAB")));
    }
    // Even when Postavke.ini already carries this build's stamp, a missing table brings the check on.
    TDM::writeStoredVersion(Build1);
    {
        TDM tdm;
        tdm.create();
        QVERIFY(tdm.checkRanAtCreate());
        QVERIFY(tdm.lastCheck().ok());
    }
    RawDb raw(folder.db());
    QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM ZATTAB")).toInt(), 0);
    QCOMPARE(
        raw.column(QStringLiteral("SELECT name FROM pragma_table_info('ZATTAB')")).join(QLatin1Char(',')),
        QStringLiteral("AUTOKEY,DAT_DOKUM,BROJ_DOK,DAT_DOSP,DUGOVANJE,ZATVARANJE"));
}

void TestDatabase::failingCreateStopsWithoutVersionOrLoss()
{
    ProgramFolder folder;
    makeOlderDatabase(folder.db());
    QMap<QString, int> before;
    {
        RawDb raw(folder.db());
        // KOMINT's name taken by an index: its CREATE fails after six tables are rebuilt.
        QVERIFY(raw.exec(QStringLiteral("DROP TABLE KOMINT")));
        QVERIFY(raw.exec(QStringLiteral("CREATE INDEX KOMINT ON OTVORENE(VK)")));
        before = rowCounts(raw);
    }
    TDM::writeStoredVersion(777);
    {
        TDM tdm;
        try {
            tdm.create();
            QFAIL("the check should have stopped");
        } catch (const TarvelError& e) {
            QVERIFY2(e.message().contains(QLatin1String("KOMINT")), qPrintable(e.message()));
        }
        QCOMPARE(tdm.lastCheck().stoppedAt, QStringLiteral("KOMINT"));
        QCOMPARE(tdm.lastCheck().rebuilt, (QStringList{"CJENIK", "PDV", "POSTA", "FISKAL", "OPCI", "KUPCI"}));
        QVERIFY(!tdm.lastCheck().ok());
        QVERIFY(tdm.isOpen());
    }
    QCOMPARE(storedVersionText(), QStringLiteral("777"));
    RawDb raw(folder.db());
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (it.key() == QLatin1String("KOMINT"))
            continue;
        QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM ") + it.key()).toInt(), it.value());
    }
    // Before the stop: rebuilt (OPCI has its new columns); after it: untouched.
    QVERIFY(raw.column(QStringLiteral("SELECT name FROM pragma_table_info('OPCI')")).contains("ePORT"));
    QCOMPARE(raw.column(QStringLiteral("SELECT AUTOKEY FROM PROMETNA ORDER BY AUTOKEY")),
             (QStringList{"103", "107", "108", "115"}));
    QVERIFY(raw.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name='PROMETNA_KEYFISKAL'"))
                .toInt() == 0);

    // Once the obstacle is gone the next start finishes the work.
    QVERIFY(raw.exec(QStringLiteral("DROP INDEX KOMINT")));
    TDM tdm;
    tdm.create();
    QVERIFY(tdm.checkRanAtCreate());
    QVERIFY(tdm.lastCheck().ok());
    QCOMPARE(storedVersionText(), QString::number(Build1));
}

void TestDatabase::busyFileStopsCheckWithoutLoss()
{
    ProgramFolder folder;
    makeOlderDatabase(folder.db());
    RawDb other(folder.db());
    const QMap<QString, int> before = rowCounts(other);
    // Another workstation in the middle of reading: no table can be replaced.
    QVERIFY(other.exec(QStringLiteral("BEGIN")));
    QVERIFY(other.scalar(QStringLiteral("SELECT count(*) FROM FISKAL")).toInt() == 4);
    TDM::writeStoredVersion(5);
    {
        TDM tdm;
        QVERIFY_THROWS_EXCEPTION(TarvelError, tdm.create());
        QCOMPARE(tdm.lastCheck().stoppedAt, QStringLiteral("CJENIK"));
        QVERIFY(tdm.lastCheck().rebuilt.isEmpty());
    }
    QVERIFY(other.exec(QStringLiteral("COMMIT")));
    QCOMPARE(storedVersionText(), QStringLiteral("5"));
    QCOMPARE(rowCounts(other), before);
    QVERIFY(!other.column(QStringLiteral("SELECT name FROM pragma_table_info('OPCI')")).contains("ePORT"));
}

void TestDatabase::rowsThatCannotBeCopiedKeepTheOldTable()
{
    ProgramFolder folder;
    makeOlderDatabase(folder.db());
    {
        RawDb raw(folder.db());
        // A column the definitions no longer have: copying by name cannot place its values.
        QVERIFY(raw.exec(QStringLiteral("ALTER TABLE KUPCI ADD COLUMN STARI_KONTO TEXT(10)")));
        QVERIFY(raw.exec(QStringLiteral("UPDATE KUPCI SET STARI_KONTO = '1200'")));
        // And keys the new table cannot hold.
        QVERIFY(raw.exec(QStringLiteral("DROP TABLE ZATTAB")));
        QVERIFY(raw.exec(QStringLiteral("CREATE TABLE ZATTAB (AUTOKEY TEXT(10), BROJ_DOK TEXT(30))")));
        QVERIFY(raw.exec(QStringLiteral("INSERT INTO ZATTAB VALUES ('A1', '1/PP1/1')")));
    }
    TDM::writeStoredVersion(9);
    {
        TDM tdm;
        QVERIFY_THROWS_EXCEPTION(TarvelError, tdm.create());
        const CheckResult& r = tdm.lastCheck();
        QVERIFY(r.stoppedAt.isEmpty());
        QCOMPARE(r.keptOld, (QStringList{"KUPCI", "ZATTAB"}));
        QVERIFY(r.rebuilt.contains(QStringLiteral("KOMINT")));
        QVERIFY(r.rebuilt.contains(QStringLiteral("OTVORENE")));
        QVERIFY2(r.message().contains(QLatin1String("STARI_KONTO")), qPrintable(r.message()));
        QVERIFY(r.message().contains(QLatin1String("KUPCI")));
    }
    QCOMPARE(storedVersionText(), QStringLiteral("9"));
    RawDb raw(folder.db());
    QCOMPARE(raw.scalar(QStringLiteral("SELECT NAZIV_KOM || '/' || STARI_KONTO FROM KUPCI")).toString(),
             QStringLiteral("ČAČAK d.o.o./1200"));
    QCOMPARE(raw.scalar(QStringLiteral("SELECT AUTOKEY FROM ZATTAB")).toString(), QStringLiteral("A1"));
    QVERIFY(raw.column(QStringLiteral("SELECT name FROM pragma_table_info('OPCI')")).contains("ePORT"));
}

void TestDatabase::failedBackupStopsBeforeAnyTable()
{
    ProgramFolder folder;
    makeOlderDatabase(folder.db());
    // The backup's place is taken by a folder with content, so no copy can be made there.
    QVERIFY(QDir().mkpath(Paths::backupFile() + QStringLiteral("/zauzeto")));
    TDM::writeStoredVersion(3);
    {
        TDM tdm;
        QVERIFY_THROWS_EXCEPTION(TarvelError, tdm.create());
        QVERIFY(!tdm.lastCheck().backupMade);
        QVERIFY(tdm.lastCheck().rebuilt.isEmpty());
    }
    QCOMPARE(storedVersionText(), QStringLiteral("3"));
    RawDb raw(folder.db());
    QVERIFY(!raw.column(QStringLiteral("SELECT name FROM pragma_table_info('OPCI')")).contains("ePORT"));
    QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM FISKAL")).toInt(), 4);
}

void TestDatabase::checkRunsOncePerBuild()
{
    ProgramFolder folder;
    int statuses = 0;
    auto start = [&] {
        TDM tdm;
        tdm.progress = [&](int, int, const QString&) { ++statuses; };
        tdm.create();
        return tdm.checkRanAtCreate();
    };
    QVERIFY(start()); // new file
    QCOMPARE(storedVersionText(), QString::number(Build1));
    statuses = 0;
    QVERIFY(!start()); // same build
    QCOMPARE(statuses, 0);
    TDM::setExecutableFileTime(Build2);
    QVERIFY(start()); // new build
    QVERIFY(statuses > 0);
    QCOMPARE(storedVersionText(), QString::number(Build2));
    QVERIFY(!start());

    // A missing Postavke.ini is created with 0, which no build matches.
    QVERIFY(QFile::remove(Paths::settingsFile()));
    QCOMPARE(TDM::storedVersion(), 0.0);
    QVERIFY(QFileInfo::exists(Paths::settingsFile()));
    QVERIFY(start());
}

void TestDatabase::dosDateTime_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<quint32>("packed");
    QTest::newRow("afternoon") << QDateTime(QDate(2024, 3, 15), QTime(10, 20, 30)) << quint32(0x586F528F);
    QTest::newRow("odd seconds drop to even")
        << QDateTime(QDate(2024, 3, 15), QTime(10, 20, 31)) << quint32(0x586F528F);
    QTest::newRow("first DOS day") << QDateTime(QDate(1980, 1, 1), QTime(0, 0)) << quint32(0x00210000);
    QTest::newRow("before DOS time") << QDateTime(QDate(1979, 12, 31), QTime(23, 59)) << quint32(0);
}

void TestDatabase::dosDateTime()
{
    QFETCH(QDateTime, time);
    QFETCH(quint32, packed);
    QCOMPARE(TDM::dosDateTime(time), packed);
}

void TestDatabase::unopenableFileIsNeverOverwritten_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("directory");
    QTest::newRow("not a database") << QByteArray("Standard Jet DB\0\0\0 stari Access podaci", 36) << false;
    QTest::newRow("damaged header") << QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\xff')
                                    << false;
    QTest::newRow("a folder") << QByteArray() << true;
}

void TestDatabase::unopenableFileIsNeverOverwritten()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, directory);
    ProgramFolder folder;
    if (directory) {
        QVERIFY(QDir().mkpath(folder.db()));
    } else {
        QFile f(folder.db());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    TDM::writeStoredVersion(1);
    TDM tdm;
    bool raised = false;
    try {
        tdm.create();
    } catch (const TarvelError& e) {
        raised = true;
        QVERIFY2(e.message().contains(QLatin1String("fiskal.db")), qPrintable(e.message()));
    }
    QVERIFY(raised);
    QVERIFY(!tdm.isOpen());
    if (!directory)
        QCOMPARE(fileBytes(folder.db()), content);
    QVERIFY(!QFileInfo::exists(Paths::backupFile()));
    QCOMPARE(storedVersionText(), QStringLiteral("1"));
}

void TestDatabase::compaction_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("expected");
    QTest::newRow("database") << "database" << true;
    QTest::newRow("leftover x file") << "leftover" << true;
    QTest::newRow("missing file") << "missing" << false;
    QTest::newRow("not a database") << "garbage" << false;
    QTest::newRow("x name taken by a folder") << "blocked" << false;
}

void TestDatabase::compaction()
{
    QFETCH(QString, kind);
    QFETCH(bool, expected);
    ProgramFolder folder;
    const QString file = folder.db();
    if (kind == QLatin1String("garbage")) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'x'));
    } else if (kind != QLatin1String("missing")) {
        RawDb raw(file);
        raw.createLiteral(QStringLiteral("FISKAL"));
        for (int i = 0; i < 300; ++i)
            raw.exec(QStringLiteral("INSERT INTO FISKAL (BR_RAC, OPIS) VALUES (?, ?)"),
                     {QString::number(i), QString(90, QLatin1Char('a'))});
        raw.exec(QStringLiteral("DELETE FROM FISKAL WHERE AUTOKEY % 3 <> 0"));
    }
    if (kind == QLatin1String("leftover")) {
        QFile f(file + QLatin1Char('x'));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("stari ostatak");
    }
    if (kind == QLatin1String("blocked"))
        QVERIFY(QDir().mkpath(file + QStringLiteral("x/zauzeto")));
    const QByteArray before = fileBytes(file);

    QCOMPARE(CompactAndRepair(file), expected);

    if (expected) {
        QVERIFY(!QFileInfo::exists(file + QLatin1Char('x')));
        QVERIFY(fileBytes(file).size() < before.size());
        RawDb raw(file);
        QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM FISKAL")).toInt(), 100);
        QCOMPARE(
            raw.scalar(QStringLiteral("SELECT min(AUTOKEY) || '-' || max(AUTOKEY) FROM FISKAL")).toString(),
            QStringLiteral("3-300"));
    } else {
        QCOMPARE(fileBytes(file), before);
        if (kind != QLatin1String("blocked"))
            QVERIFY(!QFileInfo::exists(file + QLatin1Char('x')));
    }
}

void TestDatabase::compactionThroughDataModuleReopens()
{
    ProgramFolder folder;
    TDM tdm;
    tdm.create();
    tdm.FiskalTable->open();
    tdm.FiskalTable->append();
    tdm.FiskalTable->setValue(QStringLiteral("BR_RAC"), QStringLiteral("1/PP1/1"));
    tdm.FiskalTable->post();
    QVERIFY(tdm.compactAndRepair());
    QVERIFY(tdm.isOpen());
    QVERIFY(tdm.FiskalTable->active());
    QCOMPARE(tdm.FiskalTable->recordCount(), 1);
    QCOMPARE(tdm.FiskalTable->asString(QStringLiteral("BR_RAC")), QStringLiteral("1/PP1/1"));
    // The data module's check from the menu: tables reopened, rows kept.
    QVERIFY(tdm.checkDatabase().ok());
    QVERIFY(tdm.FiskalTable->active());
    QCOMPARE(tdm.FiskalTable->recordCount(), 1);
}

void TestDatabase::compactionWithAnotherConnection()
{
    ProgramFolder folder;
    const QString file = folder.db();
    {
        RawDb raw(file);
        raw.createLiteral(QStringLiteral("PROMETNA"));
        for (int i = 0; i < 500; ++i)
            raw.exec(QStringLiteral("INSERT INTO PROMETNA (BROJ_DOK, OPIS) VALUES (?, ?)"),
                     {QString::number(i), QString(40, QLatin1Char('o'))});
        raw.exec(QStringLiteral("DELETE FROM PROMETNA WHERE AUTOKEY > 10"));
    }
    RawDb other(file);
    QCOMPARE(other.scalar(QStringLiteral("SELECT count(*) FROM PROMETNA")).toInt(), 10);

    // Reading at the moment of the compaction: it fails and changes nothing.
    QVERIFY(other.exec(QStringLiteral("BEGIN")));
    QCOMPARE(other.scalar(QStringLiteral("SELECT count(*) FROM PROMETNA")).toInt(), 10);
    const QByteArray before = fileBytes(file);
    QVERIFY(!CompactAndRepair(file));
    QCOMPARE(fileBytes(file), before);
    QVERIFY(!QFileInfo::exists(file + QLatin1Char('x')));
    QVERIFY(other.exec(QStringLiteral("COMMIT")));

    // Merely open elsewhere: compacted, and what that connection writes afterwards lands in the file.
    QVERIFY(CompactAndRepair(file));
    QVERIFY(fileBytes(file).size() < before.size());
    QVERIFY(other.exec(QStringLiteral("INSERT INTO PROMETNA (BROJ_DOK) VALUES ('poslije')")));
    RawDb fresh(file);
    QCOMPARE(fresh.scalar(QStringLiteral("SELECT count(*) FROM PROMETNA")).toInt(), 11);
    QCOMPARE(fresh.scalar(QStringLiteral("SELECT max(AUTOKEY) FROM PROMETNA")).toInt(), 501);
}

namespace {

void prepareCompany(const QString& oib, const QString& operatorOib, const QString& pathMje)
{
    TDM tdm;
    tdm.create();
    TableObject* o = tdm.OpcaTable;
    if (o->isEmpty())
        o->append();
    else
        o->edit();
    o->setValue(QStringLiteral("OIB"), oib);
    o->setValue(QStringLiteral("OIB_OP"), operatorOib);
    o->setValue(QStringLiteral("PATH_MJE"), pathMje);
    o->setValue(QStringLiteral("GLAVNI_PRINTER"), QStringLiteral("POS-58"));
    o->post();
    TableObject k(&tdm.connection(), QStringLiteral("KOMINT"));
    k.open();
    k.append();
    k.setValue(QStringLiteral("NAZIV_KOM"), QStringLiteral("Marko Marić"));
    k.setValue(QStringLiteral("POR_BROJ"), QStringLiteral("11111111119"));
    k.post();
}

} // namespace

void TestDatabase::operatorLabel_data()
{
    QTest::addColumn<QString>("operatorOib");
    QTest::addColumn<QString>("label");
    QTest::newRow("known operator") << "11111111119"
                                    << "Operater: Marko Marić";
    QTest::newRow("operator no longer in KOMINT") << "99999999994"
                                                  << "Operater: Molim prijavite operatera !";
    QTest::newRow("nobody signed in") << ""
                                      << "Operater: Molim prijavite operatera !";
}

void TestDatabase::operatorLabel()
{
    QFETCH(QString, operatorOib);
    QFETCH(QString, label);
    ProgramFolder folder;
    prepareCompany(QStringLiteral("12345678903"), operatorOib, QString());
    TDM tdm;
    tdm.create();
    QCOMPARE(tdm.operatorLabelText, label);
    QCOMPARE(tdm.operatorOib, operatorOib);
    QCOMPARE(tdm.receiptPrinter, QStringLiteral("POS-58"));
}

void TestDatabase::testniCis_data()
{
    QTest::addColumn<QString>("oib");
    QTest::addColumn<bool>("testni");
    QTest::newRow("maker's OIB") << "61873204959" << true;
    QTest::newRow("another company") << "12345678903" << false;
    QTest::newRow("no OIB") << "" << false;
}

void TestDatabase::testniCis()
{
    QFETCH(QString, oib);
    QFETCH(bool, testni);
    ProgramFolder folder;
    prepareCompany(oib, QString(), QString());
    TDM tdm;
    tdm.create();
    QCOMPARE(tdm.testniCIS, testni);
}

void TestDatabase::companionMode_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("companion");
    QTest::newRow("existing file") << "@" << true;
    QTest::newRow("existing file with blanks around") << "  @  " << true;
    QTest::newRow("missing file") << "@.nema" << false;
    QTest::newRow("a folder") << "#" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks only") << "   " << false;
}

void TestDatabase::companionMode()
{
    QFETCH(QString, path);
    QFETCH(bool, companion);
    ProgramFolder folder;
    const QString companionFile = folder.dir.path() + QStringLiteral("/mjenjacnica.mdb");
    QFile f(companionFile);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("jet");
    f.close();
    path.replace(QLatin1Char('@'), companionFile);
    path.replace(QLatin1Char('#'), folder.dir.path());
    prepareCompany(QStringLiteral("12345678903"), QString(), path);
    TDM tdm;
    tdm.create();
    QCOMPARE(tdm.companionMode, companion);
    QCOMPARE(tdm.companionDatabase, path.trimmed());
}

void TestDatabase::transactionCommitsAndRollsBack()
{
    ProgramFolder folder;
    TDM tdm;
    tdm.create();
    TableObject* p = tdm.PrometnaTable;
    p->open();
    {
        Transaction t(tdm.connection());
        p->append();
        p->setValue(QStringLiteral("BROJ_DOK"), QStringLiteral("kept"));
        p->post();
        t.commit();
    }
    {
        Transaction t(tdm.connection());
        p->append();
        p->setValue(QStringLiteral("BROJ_DOK"), QStringLiteral("undone"));
        p->post();
    }
    p->refresh();
    QCOMPARE(p->recordCount(), 1);
    QCOMPARE(p->asString(QStringLiteral("BROJ_DOK")), QStringLiteral("kept"));
    // Left by an exception: rolled back.
    try {
        Transaction t(tdm.connection());
        p->append();
        p->setValue(QStringLiteral("BROJ_DOK"), QStringLiteral("exception"));
        p->post();
        throw TarvelError(ErrorKind::Other, QStringLiteral("prekid"));
    } catch (const TarvelError&) {
    }
    p->refresh();
    QCOMPARE(p->recordCount(), 1);
}

void TestDatabase::nestedTransactionsAreSavepoints()
{
    ProgramFolder folder;
    TDM tdm;
    tdm.create();
    RawDb other(folder.db());
    auto count = [&] { return other.scalar(QStringLiteral("SELECT count(*) FROM PRIVR")).toInt(); };
    auto insert = [&](const QString& v) {
        execSql(tdm.connection(), QStringLiteral("INSERT INTO PRIVR (BROJ_DOK) VALUES (?)"), {v}).finish();
    };
    {
        Transaction outer(tdm.connection());
        insert(QStringLiteral("a"));
        {
            Transaction inner(tdm.connection());
            insert(QStringLiteral("b"));
        } // left without commit: only b is undone
        {
            Transaction inner(tdm.connection());
            insert(QStringLiteral("c"));
            inner.commit();
        }
        QCOMPARE(count(), 0); // nothing visible before the outer commit
        outer.commit();
    }
    QCOMPARE(other.column(QStringLiteral("SELECT BROJ_DOK FROM PRIVR ORDER BY AUTOKEY")),
             (QStringList{"a", "c"}));
}

void TestDatabase::busyDatabaseRaisesTableBusy()
{
    ProgramFolder folder;
    TDM tdm;
    tdm.create();
    TableObject* k = tdm.KupciTable;
    k->open();
    k->append();
    k->setValue(QStringLiteral("NAZIV_KOM"), QStringLiteral("Prvi"));
    k->post();

    RawDb other(folder.db());
    QVERIFY(other.exec(QStringLiteral("BEGIN IMMEDIATE")));
    QVERIFY(other.exec(QStringLiteral("INSERT INTO KUPCI (NAZIV_KOM) VALUES ('Drugi')")));
    k->append();
    k->setValue(QStringLiteral("NAZIV_KOM"), QStringLiteral("Treći"));
    try {
        k->post();
        QFAIL("post should fail while another connection writes");
    } catch (const TarvelError& e) {
        QCOMPARE(e.kind(), ErrorKind::TableBusy);
    }
    QCOMPARE(k->state(), TableObject::State::Insert); // the typed values stay for another try
    k->edit();
    QVERIFY_THROWS_EXCEPTION(TarvelError, execSql(tdm.connection(), QStringLiteral("DELETE FROM KUPCI")));
    QVERIFY(other.exec(QStringLiteral("COMMIT")));
    k->post();
    k->refresh();
    QCOMPARE(k->recordCount(), 3);
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
