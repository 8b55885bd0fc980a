// Import throughput of an Access file beside mdb-export of the same file.
//   bench_access_import [file.mdb] [rounds]
// Without a file it uses the test fixture. The tables are described from the file itself, so any Jet
// file can be measured.
#include "core/errors.h"
#include "data/access/mdbfile.h"
#include "data/access/mdbimport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <cstdio>

using namespace tarvel::data;
using namespace tarvel::data::access;

static QList<TableDef> describe(const MdbFile& file)
{
    QList<TableDef> defs;
    for (const QString& t : file.tableNames()) {
        TableDef def{t, {}, {}};
        for (const AccessColumn& c : file.columns(t)) {
            ColumnDef col{c.name, ColType::Text, c.size, false};
            switch (c.type) {
            case AccessType::Boolean:
            case AccessType::Byte:
            case AccessType::Integer:
            case AccessType::LongInteger:
                col.type = c.autoNumber ? ColType::Counter : ColType::Integer;
                col.primaryKey = c.autoNumber;
                break;
            case AccessType::Currency:
            case AccessType::Single:
            case AccessType::Double:
            case AccessType::Numeric:
                col.type = ColType::Double;
                break;
            case AccessType::DateTime:
                col.type = ColType::Date;
                break;
            case AccessType::Memo:
                col.type = ColType::Memo;
                break;
            default:
                break;
            }
            def.columns << col;
        }
        defs << def;
    }
    return defs;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString path = args.size() > 1 ? args[1] : QStringLiteral(TARVEL_FIXTURES "/access/node-adodb.mdb");
    const int rounds = args.size() > 2 ? args[2].toInt() : 200;
    try {
        QList<TableDef> defs;
        QStringList tables;
        qint64 rowsPerRound = 0;
        {
            const MdbFile file(path);
            defs = describe(file);
            tables = file.tableNames();
            for (const QString& t : tables)
                rowsPerRound += file.declaredRowCount(t);
        }

        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < rounds; ++i) {
            const MdbFile file(path);
            for (const QString& t : tables)
                file.readRows(t, [](const QVariantList&) { return true; });
        }
        const double readMs = clock.nsecsElapsed() / 1e6;

        clock.restart();
        for (int i = 0; i < rounds; ++i) {
            const QString name = QStringLiteral("bench%1").arg(i);
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
                db.setDatabaseName(QStringLiteral(":memory:"));
                db.open();
                importAccessDatabase(path, db, defs);
                db.close();
            }
            QSqlDatabase::removeDatabase(name);
        }
        const double importMs = clock.nsecsElapsed() / 1e6;

        clock.restart();
        for (int i = 0; i < rounds; ++i) {
            for (const QString& t : tables) {
                QProcess p;
                p.setStandardOutputFile(QProcess::nullDevice());
                p.start(QStringLiteral("mdb-export"), {path, t});
                p.waitForFinished(-1);
            }
        }
        const double exportMs = clock.nsecsElapsed() / 1e6;

        const double rows = double(rowsPerRound) * rounds;
        std::printf("file %s: %d tables, %lld rows, %d rounds\n", qPrintable(path), int(tables.size()),
                    static_cast<long long>(rowsPerRound), rounds);
        std::printf("read (MdbFile)        %10.1f ms  %12.0f rows/s\n", readMs, rows / (readMs / 1000));
        std::printf("import into SQLite    %10.1f ms  %12.0f rows/s\n", importMs, rows / (importMs / 1000));
        std::printf("mdb-export (process)  %10.1f ms  %12.0f rows/s\n", exportMs, rows / (exportMs / 1000));
    } catch (const tarvel::TarvelError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
