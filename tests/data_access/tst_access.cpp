#include "core/errors.h"
#include "core/paths.h"
#include "data/access/companion.h"
#include "data/access/mdbfile.h"
#include "data/access/mdbimport.h"
#include "data/tdm.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

using namespace tarvel;
using namespace tarvel::data;
using namespace tarvel::data::access;

namespace {

const QString kFixture = QStringLiteral(TARVEL_FIXTURES "/access/node-adodb.mdb");
const QString kDateFormat = QStringLiteral("%Y-%m-%d %H:%M:%S");

QByteArray run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(program), p.readAllStandardError().constData());
    return p.readAllStandardOutput();
}

// One cell of mdb-export's CSV: an empty value is printed bare, a text always in quotes.
struct CsvCell
{
    QString text;
    bool quoted = false;
};

QList<QList<CsvCell>> parseCsv(const QString& csv)
{
    QList<QList<CsvCell>> rows;
    QList<CsvCell> row;
    CsvCell cell;
    bool inQuotes = false;
    for (int i = 0; i < csv.size(); ++i) {
        const QChar c = csv[i];
        if (inQuotes) {
            if (c == QLatin1Char('"') && i + 1 < csv.size() && csv[i + 1] == QLatin1Char('"')) {
                cell.text += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                inQuotes = false;
            } else {
                cell.text += c;
            }
        } else if (c == QLatin1Char('"')) {
            inQuotes = cell.quoted = true;
        } else if (c == QLatin1Char(',')) {
            row << cell;
            cell = {};
        } else if (c == QLatin1Char('\n')) {
            row << cell;
            rows << row;
            row.clear();
            cell = {};
        } else if (c != QLatin1Char('\r')) {
            cell.text += c;
        }
    }
    if (!row.isEmpty() || !cell.text.isEmpty())
        rows << (row << cell);
    return rows;
}

QList<QList<CsvCell>> exported(const QString& file, const QString& table)
{
    return parseCsv(QString::fromUtf8(
        run(QStringLiteral("mdb-export"),
            {QStringLiteral("-D"), kDateFormat, QStringLiteral("-T"), kDateFormat, file, table})));
}

// What mdb-export prints for a value the reader gives.
CsvCell asExported(const QVariant& v)
{
    if (v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::QString:
        return {v.toString(), true};
    case QMetaType::Bool:
        return {v.toBool() ? QStringLiteral("1") : QStringLiteral("0"), false};
    case QMetaType::QDate:
        return {v.toDate().toString(QStringLiteral("yyyy-MM-dd 00:00:00")), true};
    case QMetaType::QDateTime:
        return {v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), true};
    case QMetaType::Double:
        return {QString::number(v.toDouble(), 'g', 16), false};
    default:
        return {v.toString(), false};
    }
}

QByteArray sha256(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

ColumnDef col(const QString& name, ColType type, int width = 0, bool key = false)
{
    return ColumnDef{name, type, width, key};
}

// The fixture's own table, as the program's schema would describe it.
TableDef usersDef()
{
    return TableDef{QStringLiteral("Users"),
                    {col(QStringLiteral("UserId"), ColType::Counter, 0, true),
                     col(QStringLiteral("UserName"), ColType::Text, 255),
                     col(QStringLiteral("UserSex"), ColType::Text, 255),
                     col(QStringLiteral("UserBirthday"), ColType::Date),
                     col(QStringLiteral("UserMarried"), ColType::Integer)},
                    {}};
}

QStringList sqlTables(QSqlDatabase& db)
{
    QStringList t = db.tables();
    t.removeAll(QStringLiteral("sqlite_sequence"));
    t.sort();
    return t;
}

QList<QVariantList> selectAll(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    QList<QVariantList> out;
    while (q.next()) {
        QVariantList r;
        for (int i = 0; i < q.record().count(); ++i)
            r << q.value(i);
        out << r;
    }
    return out;
}

} // namespace

class TestAccess : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    int m_dbCount = 0;

    QString copyOf(const QString& name, qint64 truncateTo = -1, qint64 garbageAt = -1, int garbageLen = 0)
    {
        const QString path = m_tmp.filePath(name);
        QFile::remove(path);
        QFile in(kFixture);
        if (!in.open(QIODevice::ReadOnly))
            qFatal("fixture missing");
        QByteArray bytes = in.readAll();
        if (truncateTo >= 0)
            bytes.truncate(truncateTo);
        for (int i = 0; i < garbageLen; ++i)
            bytes[garbageAt + i] = char(0xA5 ^ (i * 37));
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QSqlDatabase freshDb()
    {
        const QString name = QStringLiteral("t%1").arg(++m_dbCount);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(m_tmp.filePath(name + QStringLiteral(".db")));
        if (!db.open())
            qFatal("cannot open sqlite");
        return db;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_tmp.isValid());
        QVERIFY(QFile::exists(kFixture));
    }

    // --- reader, against the mdbtools command-line tools ---

    void tablesAsMdbTablesListsThem()
    {
        const MdbFile file(kFixture);
        QCOMPARE(file.jetVersion(), 4);
        const QStringList expected =
            QString::fromUtf8(run(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), kFixture}))
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(file.tableNames(), expected);
        QCOMPARE(file.findTable(QStringLiteral("USERS")).value_or(QString()), QStringLiteral("Users"));
        QVERIFY(!file.findTable(QStringLiteral("MSysObjects"))); // system tables are not the file's data
    }

    void columnsAsMdbSchemaDeclaresThem()
    {
        const MdbFile file(kFixture);
        const QString schema =
            QString::fromUtf8(run(QStringLiteral("mdb-schema"), {kFixture, QStringLiteral("access")}));
        for (const QString& table : file.tableNames()) {
            const int at = schema.indexOf(QStringLiteral("CREATE TABLE [%1]").arg(table));
            QVERIFY2(at >= 0, qPrintable(table));
            const QString body = schema.mid(at, schema.indexOf(QStringLiteral(");"), at) - at);
            static const QRegularExpression line(
                QStringLiteral("\\[([^\\]]+)\\]\\s+([A-Za-z/ ]+?)(?: \\((\\d+)\\))?(?: NOT NULL)?,?\\s*$"),
                QRegularExpression::MultilineOption);
            QStringList names, types;
            for (auto it = line.globalMatch(body.section(QLatin1Char('\n'), 1)); it.hasNext();) {
                const auto m = it.next();
                names << m.captured(1);
                types << (m.captured(3).isEmpty()
                              ? m.captured(2)
                              : m.captured(2) + QStringLiteral(" (") + m.captured(3) + QLatin1Char(')'));
            }
            QStringList ourNames, ourTypes;
            for (const AccessColumn& c : file.columns(table)) {
                ourNames << c.name;
                ourTypes << (c.type == AccessType::Text ? c.typeName + QStringLiteral(" (%1)").arg(c.size)
                                                        : c.typeName);
            }
            QCOMPARE(ourNames, names);
            QCOMPARE(ourTypes, types);
        }
    }

    void rowsAsMdbExportPrintsThem()
    {
        const MdbFile file(kFixture);
        for (const QString& table : file.tableNames()) {
            const auto csv = exported(kFixture, table);
            QVERIFY(csv.size() >= 2);
            const QList<QVariantList> rows = file.rows(table);
            QCOMPARE(rows.size(), csv.size() - 1);
            QCOMPARE(qint64(rows.size()), file.declaredRowCount(table));
            for (int r = 0; r < rows.size(); ++r) {
                QCOMPARE(rows[r].size(), csv[r + 1].size());
                for (int c = 0; c < rows[r].size(); ++c) {
                    const CsvCell ours = asExported(rows[r][c]);
                    const CsvCell theirs = csv[r + 1][c];
                    QCOMPARE(ours.text, theirs.text);
                    QCOMPARE(ours.quoted, theirs.quoted);
                }
            }
        }
    }

    void valuesComeTyped()
    {
        const MdbFile file(kFixture);
        const QList<QVariantList> rows = file.rows(QStringLiteral("users"));
        QCOMPARE(rows.size(), 3);
        const QVariantList& third = rows[2];
        QCOMPARE(third[0], QVariant(3));
        QCOMPARE(third[1], QVariant(QStringLiteral("张三"))); // UCS-2 text, not the Latin-1 guess
        QCOMPARE(third[2], QVariant(QStringLiteral("男")));
        QCOMPARE(third[3].typeId(), QMetaType::QDate);
        QCOMPARE(third[3].toDate(), QDate(1986, 12, 18));
        QCOMPARE(third[4], QVariant(true));
        QCOMPARE(rows[1][4], QVariant(false));
        const QList<AccessColumn> cols = file.columns(QStringLiteral("Users"));
        QCOMPARE(cols[0].type, AccessType::LongInteger);
        QCOMPARE(cols[3].type, AccessType::DateTime);
        QCOMPARE(cols[4].type, AccessType::Boolean);
    }

    void readingStopsWhenAsked()
    {
        const MdbFile file(kFixture);
        int seen = 0;
        QCOMPARE(file.readRows(QStringLiteral("Users"), [&](const QVariantList&) { return ++seen < 2; }),
                 qint64(2));
        QCOMPARE(seen, 2);
    }

    void jetDates_data()
    {
        QTest::addColumn<double>("stored");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("epoch") << 0.0 << QVariant(QDate(1899, 12, 30));
        QTest::newRow("plain date") << 45000.0 << QVariant(QDate(2023, 3, 15));
        QTest::newRow("noon") << 1.5 << QVariant(QDateTime(QDate(1899, 12, 31), QTime(12, 0), Qt::UTC));
        QTest::newRow("seconds") << 43831.0 + (12 * 3600 + 30 * 60 + 1) / 86400.0
                                 << QVariant(QDateTime(QDate(2020, 1, 1), QTime(12, 30, 1), Qt::UTC));
        // before 1899-12-30 the fraction still counts forward from midnight
        QTest::newRow("negative") << -1.25 << QVariant(QDateTime(QDate(1899, 12, 29), QTime(6, 0), Qt::UTC));
        QTest::newRow("rounds into next day") << 36526.9999999999 << QVariant(QDate(2000, 1, 2));
        QTest::newRow("nonsense") << 1.0e300 << QVariant();
    }
    void jetDates()
    {
        QFETCH(double, stored);
        QFETCH(QVariant, expected);
        QCOMPARE(jetDateToVariant(stored), expected);
    }

    void badFilesAreRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expectedText");
        QTest::newRow("missing") << "missing"
                                 << "ne postoji";
        QTest::newRow("folder") << "folder"
                                << "ne može se otvoriti";
        QTest::newRow("empty") << "empty"
                               << "oštećena";
        QTest::newRow("text file") << "text"
                                   << "oštećena";
        QTest::newRow("wrong header") << "header"
                                      << "oštećena";
        QTest::newRow("only first page") << "page"
                                         << "oštećena";
        QTest::newRow("half") << "half"
                              << "oštećena";
        // the catalog and the table definition survive, the data pages are gone: libmdb alone would
        // give an empty table without a word
        QTest::newRow("data pages cut off") << "tail"
                                            << "pročitano je 0 od 3 redaka";
    }
    void badFilesAreRefused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, expectedText);
        const qint64 size = QFileInfo(kFixture).size();
        QString path;
        if (kind == QLatin1String("missing")) {
            path = m_tmp.filePath(QStringLiteral("nema.mdb"));
        } else if (kind == QLatin1String("folder")) {
            path = m_tmp.filePath(QStringLiteral("mapa.mdb"));
            QDir().mkpath(path);
        } else if (kind == QLatin1String("empty")) {
            path = copyOf(QStringLiteral("empty.mdb"), 0);
        } else if (kind == QLatin1String("text")) {
            path = m_tmp.filePath(QStringLiteral("text.mdb"));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("NAZIV;OIB\nTarvel;12345678903\n").repeated(200));
        } else if (kind == QLatin1String("header")) {
            path = copyOf(QStringLiteral("header.mdb"), -1, 0, 32);
        } else if (kind == QLatin1String("page")) {
            path = copyOf(QStringLiteral("page.mdb"), 4096);
        } else if (kind == QLatin1String("tail")) {
            path = copyOf(QStringLiteral("tail.mdb"), 26 * 4096);
        } else {
            path = copyOf(QStringLiteral("half.mdb"), size / 2);
        }
        try {
            const MdbFile file(path);
            for (const QString& t : file.tableNames())
                file.rows(t);
            file.rows(QStringLiteral("Users"));
            QFAIL("no error");
        } catch (const TarvelError& e) {
            QVERIFY2(e.message().contains(expectedText), qPrintable(e.message()));
            QVERIFY2(e.message().contains(QFileInfo(path).fileName()), qPrintable(e.message()));
        }
    }

    // --- companion database ---

    void controlSequenceFromNamedIntegerColumns()
    {
        const MdbFile file(kFixture);
        // first row: UserId 1, UserMarried true
        QCOMPARE(controlSequence(file, QStringLiteral("Users"),
                                 {QStringLiteral("userid"), QStringLiteral("UserMarried")}),
                 QByteArray("\x01\x01", 2));
        QCOMPARE(controlSequence(file, QStringLiteral("Users"), {}), QByteArray());
        QVERIFY_THROWS_EXCEPTION(TarvelError,
                                 controlSequence(file, QStringLiteral("Users"), {QStringLiteral("PR1")}));
        // a text that is no number is not a control code
        QVERIFY_THROWS_EXCEPTION(
            TarvelError, controlSequence(file, QStringLiteral("Users"), {QStringLiteral("UserName")}));
    }

    void companionFileChoice()
    {
        QVERIFY(!readPrinterControl(QString()));
        QVERIFY(!readPrinterControl(QStringLiteral("   ")));
        QVERIFY(!readPrinterControl(m_tmp.filePath(QStringLiteral("mjenjacnica-nema.mdb"))));

        // exists, but is no readable Jet file
        const QString garbage = copyOf(QStringLiteral("mjenjacnica.mdb"), -1, 0, 64);
        QVERIFY_THROWS_EXCEPTION(TarvelError,
                                 readPrinterControl(QStringLiteral("  ") + garbage + QStringLiteral(" ")));
        // exists and reads, but has no OPCITABLE: reported, not silently replaced by line feeds
        try {
            readPrinterControl(QStringLiteral(" ") + kFixture + QStringLiteral("  "));
            QFAIL("no error");
        } catch (const TarvelError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("OPCITABLE")), qPrintable(e.message()));
        }
    }

    // --- import ---

    void importCopiesEveryValue()
    {
        const QByteArray before = sha256(kFixture);
        QSqlDatabase db = freshDb();
        QList<int> positions;
        int maximum = -1;
        QString lastStatus;
        const ImportResult r =
            importAccessDatabase(kFixture, db, {usersDef()}, [&](int pos, int max, const QString& s) {
                positions << pos;
                maximum = max;
                lastStatus = s;
            });
        QCOMPARE(r.tables.size(), 1);
        QCOMPARE(r.tables[0].rows, qint64(3));
        QCOMPARE(r.totalRows, qint64(3));
        QVERIFY(r.tables[0].missingColumns.isEmpty());
        QVERIFY(r.tables[0].extraColumns.isEmpty());
        QVERIFY(r.summary().contains(QStringLiteral("Users: uvezeno redaka 3")));
        QCOMPARE(maximum, 3);
        QCOMPARE(positions.last(), 3);
        QVERIFY(std::is_sorted(positions.begin(), positions.end()));
        QCOMPARE(lastStatus, QStringLiteral("Uvoz baze podataka završen"));

        const auto csv = exported(kFixture, QStringLiteral("Users"));
        const auto stored = selectAll(
            db, QStringLiteral(
                    "SELECT UserId, UserName, UserSex, UserBirthday, UserMarried FROM Users ORDER BY rowid"));
        QCOMPARE(stored.size(), csv.size() - 1);
        for (int i = 0; i < stored.size(); ++i) {
            const auto& e = csv[i + 1];
            QCOMPARE(stored[i][0].toLongLong(), e[0].text.toLongLong());
            QCOMPARE(stored[i][1].toString(), e[1].text);
            QCOMPARE(stored[i][2].toString(), e[2].text);
            QCOMPARE(stored[i][3].toString(), e[3].text.left(10)); // no time of day: the date alone
            QCOMPARE(stored[i][4].toLongLong(), e[4].text.toLongLong());
        }
        QCOMPARE(sha256(kFixture), before); // the .mdb file is only read
    }

    void importMapsColumnsByName()
    {
        QSqlDatabase db = freshDb();
        // the caller's table: other order, other case, a column the file lacks
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("CREATE TABLE USERS (NAPOMENA TEXT, USERNAME TEXT, "
                                      "USERID INTEGER PRIMARY KEY AUTOINCREMENT, USERBIRTHDAY TEXT)")));
        const TableDef def{QStringLiteral("USERS"),
                           {col(QStringLiteral("NAPOMENA"), ColType::Text, 40),
                            col(QStringLiteral("USERNAME"), ColType::Text, 255),
                            col(QStringLiteral("USERID"), ColType::Counter, 0, true),
                            col(QStringLiteral("USERBIRTHDAY"), ColType::Date)},
                           {}};
        const TableDef absent{QStringLiteral("ZATTAB"),
                              {col(QStringLiteral("AUTOKEY"), ColType::Counter, 0, true),
                               col(QStringLiteral("DUGOVANJE"), ColType::Double)},
                              {}};
        const ImportResult r = importAccessDatabase(kFixture, db, {def, absent});
        QCOMPARE(r.tables.size(), 1);
        QCOMPARE(r.tables[0].missingColumns, QStringList{QStringLiteral("NAPOMENA")});
        QCOMPARE(r.tables[0].extraColumns,
                 (QStringList{QStringLiteral("UserSex"), QStringLiteral("UserMarried")}));
        QCOMPARE(r.absentTables, QStringList{QStringLiteral("ZATTAB")});
        QVERIFY(r.summary().contains(QStringLiteral("USERS.UserSex")));
        QVERIFY(r.summary().contains(QStringLiteral("USERS.NAPOMENA")));
        QVERIFY(r.summary().contains(QStringLiteral("ZATTAB")));

        const auto rows = selectAll(
            db, QStringLiteral("SELECT USERID, USERNAME, NAPOMENA, USERBIRTHDAY FROM USERS ORDER BY USERID"));
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0][0].toInt(), 1);
        QCOMPARE(rows[2][1].toString(), QStringLiteral("张三"));
        QVERIFY(rows[2][2].isNull());
        QCOMPARE(rows[1][3].toString(), QStringLiteral("1988-12-18"));
        // the counter goes on after the kept values
        QVERIFY(q.exec(QStringLiteral("INSERT INTO USERS (USERNAME) VALUES ('novi')")));
        QCOMPARE(q.lastInsertId().toInt(), 4);
        // a defined table the file lacks is there, empty
        QVERIFY(sqlTables(db).contains(QStringLiteral("ZATTAB")));
        QCOMPARE(selectAll(db, QStringLiteral("SELECT COUNT(*) FROM ZATTAB"))[0][0].toInt(), 0);
    }

    void importConvertsToTheDefinedType_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("type");
        QTest::addColumn<QVariantList>("expected");
        QTest::newRow("long integer as double") << 0 << int(ColType::Double) << QVariantList{1.0, 2.0, 3.0};
        QTest::newRow("boolean as double") << 4 << int(ColType::Double) << QVariantList{1.0, 0.0, 1.0};
        QTest::newRow("date as text")
            << 3 << int(ColType::Text)
            << QVariantList{QStringLiteral("1989-01-25"), QStringLiteral("1988-12-18"),
                            QStringLiteral("1986-12-18")};
        QTest::newRow("text as memo")
            << 1 << int(ColType::Memo)
            << QVariantList{QStringLiteral("Nuintun"), QStringLiteral("Angela"), QStringLiteral("张三")};
        QTest::newRow("number as text")
            << 0 << int(ColType::Text)
            << QVariantList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
    }
    void importConvertsToTheDefinedType()
    {
        QFETCH(int, column);
        QFETCH(int, type);
        QFETCH(QVariantList, expected);
        TableDef def = usersDef();
        def.columns[column].type = ColType(type);
        def.columns[column].primaryKey = false;
        QSqlDatabase db = freshDb();
        importAccessDatabase(kFixture, db, {def});
        QVariantList got;
        for (const auto& r :
             selectAll(db, QStringLiteral("SELECT \"%1\", typeof(\"%1\") FROM Users ORDER BY rowid")
                               .arg(def.columns[column].name))) {
            got << r[0];
            QCOMPARE(r[1].toString(),
                     type == int(ColType::Double) ? QStringLiteral("real") : QStringLiteral("text"));
        }
        QCOMPARE(got.size(), expected.size());
        for (int i = 0; i < got.size(); ++i)
            QCOMPARE(got[i].toString(), expected[i].toString());
    }

    void storeForms_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("type");
        QTest::addColumn<QVariant>("expected"); // invalid: refused
        const QDateTime evening(QDate(2000, 6, 17), QTime(20, 36, 24), Qt::UTC);
        QTest::newRow("date-time keeps its time")
            << QVariant(evening) << int(ColType::Date) << QVariant(QStringLiteral("2000-06-17 20:36:24"));
        QTest::newRow("midnight is a date") << QVariant(QDateTime(QDate(2000, 6, 17), QTime(0, 0), Qt::UTC))
                                            << int(ColType::Date) << QVariant(QStringLiteral("2000-06-17"));
        QTest::newRow("date") << QVariant(QDate(2016, 2, 29)) << int(ColType::Date)
                              << QVariant(QStringLiteral("2016-02-29"));
        QTest::newRow("ISO text into a date")
            << QVariant(QStringLiteral("2016-02-29T07:05:00")) << int(ColType::Date)
            << QVariant(QStringLiteral("2016-02-29 07:05:00"));
        QTest::newRow("empty stays empty")
            << QVariant() << int(ColType::Double) << QVariant(QMetaType(QMetaType::Nullptr));
        QTest::newRow("decimal comma")
            << QVariant(QStringLiteral("12,5")) << int(ColType::Double) << QVariant(12.5);
        QTest::newRow("double into integer")
            << QVariant(2.6) << int(ColType::Integer) << QVariant(qlonglong(3));
        QTest::newRow("money keeps its cents")
            << QVariant(1234.56) << int(ColType::Double) << QVariant(1234.56);
        QTest::newRow("word into a number")
            << QVariant(QStringLiteral("Male")) << int(ColType::Double) << QVariant();
        QTest::newRow("word into a date")
            << QVariant(QStringLiteral("sutra")) << int(ColType::Date) << QVariant();
    }
    void storeForms()
    {
        QFETCH(QVariant, value);
        QFETCH(int, type);
        QFETCH(QVariant, expected);
        if (!expected.isValid()) {
            QVERIFY_THROWS_EXCEPTION(TarvelError, storeValue(value, ColType(type)));
            return;
        }
        const QVariant got = storeValue(value, ColType(type));
        if (expected.typeId() == QMetaType::Nullptr) {
            QVERIFY(got.isNull());
            return;
        }
        QCOMPARE(got, expected);
    }

    void importKeepsCounterValues()
    {
        // an empty table whose counter has already moved on: keys the store handed out itself would
        // start at 2, the file's keys start at 1
        QSqlDatabase db = freshDb();
        QSqlQuery q(db);
        QVERIFY(q.exec(createStatement(usersDef())));
        QVERIFY(q.exec(QStringLiteral("INSERT INTO Users (UserName) VALUES ('privremeni')")));
        QVERIFY(q.exec(QStringLiteral("DELETE FROM Users")));
        importAccessDatabase(kFixture, db, {usersDef()});
        const auto rows = selectAll(db, QStringLiteral("SELECT UserId, UserName FROM Users ORDER BY UserId"));
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0][0].toInt(), 1);
        QCOMPARE(rows[0][1].toString(), QStringLiteral("Nuintun"));
        QCOMPARE(rows[2][0].toInt(), 3);
        QCOMPARE(rows[2][1].toString(), QStringLiteral("张三"));
    }

    void importRefusesNonEmptyDatabase()
    {
        QSqlDatabase db = freshDb();
        QSqlQuery q(db);
        QVERIFY(q.exec(createStatement(usersDef())));
        QVERIFY(q.exec(QStringLiteral("INSERT INTO Users (UserName) VALUES ('postojeći')")));
        try {
            importAccessDatabase(kFixture, db, {usersDef()});
            QFAIL("no error");
        } catch (const TarvelError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("nije prazna")), qPrintable(e.message()));
        }
        QCOMPARE(selectAll(db, QStringLiteral("SELECT COUNT(*) FROM Users"))[0][0].toInt(), 1);
    }

    void failedImportLeavesNothing_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("third row breaks a constraint") << "constraint";
        QTest::newRow("text into a number column") << "type";
        QTest::newRow("truncated file") << "truncated";
        QTest::newRow("data pages cut off") << "tail";
        QTest::newRow("garbage file") << "garbage";
        QTest::newRow("no table of ours") << "foreign";
    }
    void failedImportLeavesNothing()
    {
        QFETCH(QString, what);
        QSqlDatabase db = freshDb();
        QString source = kFixture;
        QList<TableDef> defs{TableDef{QStringLiteral("ZATTAB"),
                                      {col(QStringLiteral("AUTOKEY"), ColType::Counter, 0, true)},
                                      {}},
                             usersDef()};
        QStringList before;
        if (what == QLatin1String("constraint")) {
            QSqlQuery q(db);
            // the caller's own table: married 1, 0, 1 breaks at the third row, after two were written
            QVERIFY(q.exec(
                QStringLiteral("CREATE TABLE Users (UserId INTEGER PRIMARY KEY, UserName TEXT, UserSex TEXT, "
                               "UserBirthday TEXT, UserMarried INTEGER UNIQUE)")));
            before << QStringLiteral("Users");
        } else if (what == QLatin1String("type")) {
            defs[1].columns[2].type = ColType::Double; // "Male" is no number
        } else if (what == QLatin1String("truncated")) {
            source = copyOf(QStringLiteral("import-truncated.mdb"), QFileInfo(kFixture).size() / 2);
        } else if (what == QLatin1String("tail")) {
            source = copyOf(QStringLiteral("import-tail.mdb"), 26 * 4096);
        } else if (what == QLatin1String("garbage")) {
            source = copyOf(QStringLiteral("import-garbage.mdb"), -1, 0, 128);
        } else {
            defs.removeLast();
        }
        QVERIFY_THROWS_EXCEPTION(TarvelError, importAccessDatabase(source, db, defs));
        QCOMPARE(sqlTables(db), before);
        for (const QString& t : before)
            QCOMPARE(selectAll(db, QStringLiteral("SELECT COUNT(*) FROM ") + t)[0][0].toInt(), 0);
        // and the connection is usable again: no transaction left open
        QVERIFY(db.transaction());
        QVERIFY(db.rollback());
    }

    void firstStartImportsOnce()
    {
        QTemporaryDir folder;
        Paths::setProgramFolder(folder.path());
        QVERIFY(QDir().mkpath(Paths::file(QStringLiteral("baze"))));
        QVERIFY(!importOnFirstStart({usersDef()})); // nothing to import

        // the old program's file name in its own spelling
        QVERIFY(QFile::copy(kFixture, Paths::file(QStringLiteral("baze/FISKAL.MDB"))));
        int calls = 0;
        const auto r = importOnFirstStart({usersDef()}, [&](int, int, const QString&) { ++calls; });
        QVERIFY(r);
        QCOMPARE(r->totalRows, qint64(3));
        QVERIFY(calls > 0);
        QVERIFY(QFile::exists(Paths::databaseFile()));
        QVERIFY(!QFile::exists(Paths::databaseFile() + QStringLiteral(".uvoz")));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
            db.setDatabaseName(Paths::databaseFile());
            QVERIFY(db.open());
            QCOMPARE(selectAll(db, QStringLiteral("SELECT COUNT(*) FROM Users"))[0][0].toInt(), 3);
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("check"));
        QVERIFY(!importOnFirstStart({usersDef()})); // the database is there now
    }

    void firstStartThenTheDataModuleOpensIt()
    {
        QTemporaryDir folder;
        Paths::setProgramFolder(folder.path());
        QVERIFY(QDir().mkpath(Paths::file(QStringLiteral("baze"))));
        QVERIFY(QFile::copy(kFixture, Paths::file(QStringLiteral("baze/fiskal.mdb"))));

        // the program's own schema: the fixture holds none of its tables, so there is nothing to take over
        try {
            importOnFirstStart(schema());
            QFAIL("no error");
        } catch (const TarvelError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("nema nijednu tablicu")), qPrintable(e.message()));
        }
        QVERIFY(!QFile::exists(Paths::databaseFile()));

        // with the fixture's table beside the schema the file is taken over and every schema table made
        const auto r = importOnFirstStart(QList<TableDef>(schema()) << usersDef());
        QVERIFY(r);
        QCOMPARE(r->absentTables.size(), schema().size());
        TDM::setExecutableFileTime(20261211u);
        {
            TDM tdm;
            tdm.create(); // opens the imported file and runs its structure check without complaint
            QVERIFY(tdm.checkRanAtCreate());
            QVERIFY(tdm.lastCheck().ok());
            QCOMPARE(selectAll(tdm.connection(), QStringLiteral("SELECT COUNT(*) FROM Users"))[0][0].toInt(),
                     3);
            for (const TableDef& t : schema())
                QVERIFY2(tdm.connection().tables().contains(t.name), qPrintable(t.name));
        }
        TDM::setExecutableFileTime(std::nullopt);
    }

    void firstStartFailureLeavesNoDatabase()
    {
        QTemporaryDir folder;
        Paths::setProgramFolder(folder.path());
        QVERIFY(QDir().mkpath(Paths::file(QStringLiteral("baze"))));
        const QString broken =
            copyOf(QStringLiteral("first-start-broken.mdb"), QFileInfo(kFixture).size() / 2);
        QVERIFY(QFile::copy(broken, Paths::file(QStringLiteral("baze/fiskal.mdb"))));
        QVERIFY_THROWS_EXCEPTION(TarvelError, importOnFirstStart({usersDef()}));
        QCOMPARE(QDir(Paths::file(QStringLiteral("baze"))).entryList(QDir::Files),
                 QStringList{QStringLiteral("fiskal.mdb")});
    }
};

QTEST_GUILESS_MAIN(TestAccess)
#include "tst_access.moc"
