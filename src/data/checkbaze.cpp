#include "data/checkbaze.h"

#include "core/errors.h"
#include "core/paths.h"
#include "data/schema.h"
#include "data/store.h"
#include "data/tdm.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlQuery>
#include <atomic>
#include <sqlite3.h>

namespace tarvel::data {

QString CheckResult::message() const
{
    if (completed)
        return QString();
    QStringList lines;
    if (!stoppedAt.isEmpty())
        lines << QStringLiteral("Provjera baze prekinuta kod tablice %1: %2").arg(stoppedAt, error);
    else if (!error.isEmpty())
        lines << QStringLiteral("Provjera baze nije izvršena: %1").arg(error);
    if (!keptOld.isEmpty())
        lines << QStringLiteral("Tablice ostavljene u staroj strukturi (podaci su sačuvani): %1")
                     .arg(keptOld.join(QStringLiteral(", ")));
    lines << details;
    return lines.join(QLatin1Char('\n'));
}

CheckBaze::CheckBaze(QSqlDatabase& db, Progress progress)
    : m_db(db), m_progress(std::move(progress)), m_stamp(TDM::executableFileTime())
{
}

void CheckBaze::setVersionStamp(quint32 stamp)
{
    m_stamp = stamp;
}

void CheckBaze::report(int position, int maximum, const QString& status)
{
    if (m_progress)
        m_progress(position, maximum, status);
}

namespace {

const QString Backup = QStringLiteral("tarvel_backup");

bool run(QSqlDatabase& db, const QString& sql, const QVariantList& binds = {}, QString* error = nullptr)
{
    try {
        execSql(db, sql, binds).finish();
        return true;
    } catch (const TarvelError& e) {
        if (error)
            *error = e.message();
        return false;
    }
}

QStringList backupColumns(QSqlDatabase& db, const QString& table)
{
    QStringList cols;
    QSqlQuery q = execSql(db, QStringLiteral("SELECT name FROM pragma_table_info(?, ?)"), {table, Backup});
    while (q.next())
        cols << q.value(0).toString();
    q.finish();
    return cols;
}

bool hasCounter(const TableDef& t)
{
    for (const ColumnDef& c : t.columns)
        if (c.type == ColType::Counter)
            return true;
    return false;
}

} // namespace

CheckResult CheckBaze::run()
{
    CheckResult result;
    constexpr int Maximum = 10;

    // The copy is the only other place the rows live while a table is rebuilt: without it, stop.
    const QString backup = Paths::backupFile();
    QDir().mkpath(QFileInfo(backup).absolutePath());
    if (QFileInfo::exists(backup) && !QFile::remove(backup)) {
        result.error = QStringLiteral("Sigurnosna kopija %1 ne može se zamijeniti.").arg(backup);
        report(0, 0, result.error);
        return result;
    }
    QString err;
    if (!data::run(m_db, QStringLiteral("VACUUM INTO ?"), {backup}, &err)) {
        result.error = QStringLiteral("Sigurnosna kopija %1 nije napravljena: %2").arg(backup, err);
        report(0, 0, result.error);
        return result;
    }
    result.backupMade = true;
    if (!data::run(m_db, QStringLiteral("ATTACH DATABASE ? AS ") + Backup, {backup}, &err)) {
        result.error = err;
        report(0, 0, result.error);
        return result;
    }

    bool hasSequence = false;
    try {
        hasSequence = scalar(m_db, QStringLiteral("SELECT count(*) FROM ") + Backup +
                                       QStringLiteral(".sqlite_master WHERE name = 'sqlite_sequence'"))
                          .toInt() > 0;
    } catch (const TarvelError&) {
    }

    int step = 0;
    for (const TableDef& t : schema()) {
        report(std::min(step, Maximum), Maximum, QStringLiteral("Pričekajte....provjera baze: ") + t.name);
        const QString name = quoteIdentifier(t.name);
        if (!data::run(m_db, QStringLiteral("BEGIN IMMEDIATE"), {}, &err)) {
            result.stoppedAt = t.name;
            result.error = err;
            break;
        }
        auto rollback = [&] { data::run(m_db, QStringLiteral("ROLLBACK")); };
        if (!data::run(m_db, QStringLiteral("DROP TABLE IF EXISTS main.") + name, {}, &err) ||
            !data::run(m_db, createStatement(t, QStringLiteral("main")), {}, &err)) {
            rollback();
            result.stoppedAt = t.name;
            result.error = err;
            break;
        }
        bool copied = true;
        const QStringList old = backupColumns(m_db, t.name);
        if (!old.isEmpty()) {
            QStringList common, dropped;
            for (const QString& c : old) {
                if (const ColumnDef* cd = t.column(c))
                    common << quoteIdentifier(cd->name);
                else
                    dropped << c;
            }
            if (!dropped.isEmpty()) {
                copied = false;
                err = QStringLiteral("stupci %1 ne postoje u novoj strukturi")
                          .arg(dropped.join(QStringLiteral(", ")));
            } else {
                const QString list = common.join(QLatin1Char(','));
                copied = data::run(m_db,
                                   QStringLiteral("INSERT INTO main.") + name + QLatin1Char('(') + list +
                                       QStringLiteral(") SELECT ") + list + QStringLiteral(" FROM ") +
                                       Backup + QLatin1Char('.') + name + QStringLiteral(" ORDER BY rowid"),
                                   {}, &err);
            }
        }
        // The counter goes on after the highest key it ever gave, not after the highest kept one: a
        // deleted invoice's number must not come back to meet ledger entries still pointing at it.
        if (copied && hasSequence && hasCounter(t)) {
            const QString old = QStringLiteral("(SELECT max(seq) FROM ") + Backup +
                                QStringLiteral(".sqlite_sequence WHERE name = ?)");
            copied = data::run(m_db,
                               QStringLiteral("UPDATE main.sqlite_sequence SET seq = ") + old +
                                   QStringLiteral(" WHERE name = ? AND seq < ") + old,
                               {t.name, t.name, t.name}, &err) &&
                     data::run(
                         m_db,
                         QStringLiteral("INSERT INTO main.sqlite_sequence (name, seq) SELECT ?, ") + old +
                             QStringLiteral(" WHERE ") + old +
                             QStringLiteral(" IS NOT NULL AND NOT EXISTS (SELECT 1 FROM main.sqlite_sequence "
                                            "WHERE name = ?)"),
                         {t.name, t.name, t.name, t.name}, &err);
        }
        for (const QString& sql : indexStatements(t))
            if (copied && !data::run(m_db, sql, {}, &err))
                copied = false;
        if (!copied) {
            rollback();
            result.keptOld << t.name;
            result.details << QStringLiteral("%1: %2").arg(t.name, err);
        } else if (!data::run(m_db, QStringLiteral("COMMIT"), {}, &err)) {
            rollback();
            result.stoppedAt = t.name;
            result.error = err;
            break;
        } else {
            result.rebuilt << t.name;
        }
        ++step;
        report(std::min(step, Maximum), Maximum, QStringLiteral("Pričekajte....provjera baze: ") + t.name);
    }
    data::run(m_db, QStringLiteral("DETACH DATABASE ") + Backup);

    if (result.stoppedAt.isEmpty() && result.keptOld.isEmpty()) {
        TDM::writeStoredVersion(m_stamp);
        result.completed = true;
        report(Maximum, Maximum, QStringLiteral("Provjera baza završena"));
        report(0, 0, QStringLiteral("Provjera baza završena"));
    } else {
        report(0, 0,
               result.stoppedAt.isEmpty() ? QStringLiteral("Provjera baza završena s greškama")
                                          : QStringLiteral("Provjera baze prekinuta: ") + result.stoppedAt);
    }
    return result;
}

namespace {

bool copyDatabase(const QString& from, const QString& to)
{
    sqlite3* src = nullptr;
    sqlite3* dst = nullptr;
    bool ok = sqlite3_open_v2(from.toUtf8().constData(), &src, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
              sqlite3_open_v2(to.toUtf8().constData(), &dst, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    if (ok) {
        sqlite3_busy_timeout(dst, 2000);
        sqlite3_backup* b = sqlite3_backup_init(dst, "main", src, "main");
        ok = b && sqlite3_backup_step(b, -1) == SQLITE_DONE;
        if (b)
            ok = sqlite3_backup_finish(b) == SQLITE_OK && ok;
    }
    sqlite3_close_v2(src);
    sqlite3_close_v2(dst);
    return ok;
}

} // namespace

bool CompactAndRepair(const QString& file)
{
    const QFileInfo info(file);
    if (!info.isFile())
        return false;
    const QString target = file + QLatin1Char('x');
    if (QFileInfo::exists(target) && !QFile::remove(target))
        return false;

    static std::atomic<int> counter{0};
    const QString name = QStringLiteral("tarvel_compact_%1").arg(++counter);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
        if (db.open()) {
            try {
                ok = scalar(db, QStringLiteral("PRAGMA quick_check")).toString() == QLatin1String("ok") &&
                     data::run(db, QStringLiteral("VACUUM INTO ?"), {target});
            } catch (const TarvelError&) {
                ok = false;
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    // The compacted copy is written back through the store rather than renamed over the file: a
    // workstation that still has the file open keeps working on the same file, and one that is
    // reading or writing makes the copy fail (busy) instead of losing its work.
    if (ok)
        ok = copyDatabase(target, file);
    if (QFileInfo::exists(target))
        QFile::remove(target);
    return ok;
}

} // namespace tarvel::data
