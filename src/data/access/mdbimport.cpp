#include "data/access/mdbimport.h"

#include "core/errors.h"
#include "core/paths.h"
#include "data/access/mdbfile.h"
#include "data/tdm.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <cmath>

namespace tarvel::data::access {

namespace {

[[noreturn]] void fail(const QString& message, ErrorKind kind = ErrorKind::Other)
{
    throw TarvelError(kind, message);
}

QString quoted(const QString& identifier)
{
    QString s = identifier;
    return QLatin1Char('"') + s.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

int indexOf(const QStringList& names, const QString& name)
{
    for (int i = 0; i < names.size(); ++i)
        if (names[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString isoDate(const QDate& d)
{
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}

QString isoDateTime(const QDateTime& t)
{
    if (t.time() == QTime(0, 0))
        return isoDate(t.date());
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

struct Cell
{
    const QString& table;
    const QString& column;
    qint64 row;
};

[[noreturn]] void refuse(const Cell& at, const QVariant& v)
{
    if (at.table.isEmpty())
        fail(QStringLiteral("Vrijednost \"%1\" ne može se prenijeti.").arg(v.toString()),
             ErrorKind::InvalidField);
    fail(QStringLiteral("Vrijednost \"%1\" stupca %2 u tablici %3 (redak %4) ne može se prenijeti.")
             .arg(v.toString(), at.column, at.table)
             .arg(at.row),
         ErrorKind::InvalidField);
}

bool isNumber(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

QVariant toStore(const QVariant& v, ColType type, const Cell& at)
{
    if (v.isNull())
        return {};
    switch (type) {
    case ColType::Text:
    case ColType::Memo:
        if (v.typeId() == QMetaType::QDate)
            return isoDate(v.toDate());
        if (v.typeId() == QMetaType::QDateTime)
            return isoDateTime(v.toDateTime());
        return v.toString();
    case ColType::Double: {
        if (isNumber(v))
            return v.toDouble();
        const QString text = v.toString().trimmed();
        if (text.isEmpty())
            return {};
        bool ok = false;
        const double d = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        if (!ok)
            refuse(at, v);
        return d;
    }
    case ColType::Integer:
    case ColType::Counter: {
        if (isNumber(v)) {
            const double d = v.toDouble();
            if (!std::isfinite(d))
                refuse(at, v);
            return v.typeId() == QMetaType::Double ? qlonglong(std::llround(d)) : v.toLongLong();
        }
        const QString text = v.toString().trimmed();
        if (text.isEmpty())
            return {};
        bool ok = false;
        const qlonglong n = text.toLongLong(&ok);
        if (!ok)
            refuse(at, v);
        return n;
    }
    case ColType::Date: {
        if (v.typeId() == QMetaType::QDate)
            return isoDate(v.toDate());
        if (v.typeId() == QMetaType::QDateTime)
            return isoDateTime(v.toDateTime());
        const QString text = v.toString().trimmed();
        if (text.isEmpty())
            return {};
        QDateTime t = QDateTime::fromString(text, Qt::ISODate);
        if (!t.isValid())
            t = QDateTime(QDate::fromString(text, Qt::ISODate), QTime(0, 0));
        if (!t.isValid())
            refuse(at, v);
        return isoDateTime(t);
    }
    }
    return v;
}

QString findMainMdb(const QString& folder)
{
    const QStringList files = QDir(folder).entryList(QDir::Files);
    const int i = indexOf(files, QStringLiteral("fiskal.mdb"));
    return i < 0 ? QString() : folder + QLatin1Char('/') + files[i];
}

} // namespace

QVariant storeValue(const QVariant& value, ColType type)
{
    const QString none;
    return toStore(value, type, Cell{none, none, 0});
}

QString ImportResult::summary() const
{
    QStringList lines{QStringLiteral("Uvoz baze podataka završen.")};
    for (const ImportedTable& t : tables)
        lines << QStringLiteral("%1: uvezeno redaka %2").arg(t.name).arg(t.rows);
    QStringList extra, missing;
    for (const ImportedTable& t : tables) {
        for (const QString& c : t.extraColumns)
            extra << t.name + QLatin1Char('.') + c;
        for (const QString& c : t.missingColumns)
            missing << t.name + QLatin1Char('.') + c;
    }
    const QString sep = QStringLiteral(", ");
    if (!extra.isEmpty())
        lines << QStringLiteral("Stupci koje program ne poznaje (nisu preneseni): ") + extra.join(sep);
    if (!missing.isEmpty())
        lines << QStringLiteral("Stupci kojih nema u datoteci (ostali su prazni): ") + missing.join(sep);
    if (!absentTables.isEmpty())
        lines << QStringLiteral("Tablice kojih nema u datoteci (ostale su prazne): ") +
                     absentTables.join(sep);
    if (!foreignTables.isEmpty())
        lines << QStringLiteral("Tablice koje program ne poznaje (nisu prenesene): ") +
                     foreignTables.join(sep);
    return lines.join(QLatin1Char('\n'));
}

ImportResult importAccessDatabase(const QString& mdbPath, QSqlDatabase& db, const QList<TableDef>& tables,
                                  const ImportProgress& progress)
{
    const MdbFile file(mdbPath);
    if (!db.isOpen())
        fail(QStringLiteral("Uvoz nije moguć: baza podataka nije otvorena."));

    struct Plan
    {
        const TableDef* def;
        QString source;
        QList<int> sourceIndex; // per defined column, -1 when the file lacks it
        ImportedTable report;
    };
    QList<Plan> plans;
    ImportResult result;
    qint64 expected = 0;
    QStringList matched;
    for (const TableDef& def : tables) {
        const auto source = file.findTable(def.name);
        if (!source) {
            result.absentTables << def.name;
            continue;
        }
        matched << *source;
        Plan p{&def, *source, {}, {}};
        p.report.name = def.name;
        QStringList sourceCols;
        for (const AccessColumn& c : file.columns(*source))
            sourceCols << c.name;
        QStringList definedCols;
        for (const ColumnDef& c : def.columns) {
            const int i = indexOf(sourceCols, c.name);
            p.sourceIndex << i;
            definedCols << c.name;
            if (i < 0)
                p.report.missingColumns << c.name;
        }
        for (const QString& c : sourceCols)
            if (indexOf(definedCols, c) < 0)
                p.report.extraColumns << c;
        expected += file.declaredRowCount(*source);
        plans << p;
    }
    for (const QString& t : file.tableNames())
        if (indexOf(matched, t) < 0)
            result.foreignTables << t;
    if (plans.isEmpty())
        fail(QStringLiteral("Datoteka \"%1\" nema nijednu tablicu baze podataka programa.")
                 .arg(QDir::toNativeSeparators(mdbPath)));

    const QStringList existing = db.tables();
    for (const TableDef& def : tables) {
        if (indexOf(existing, def.name) < 0)
            continue;
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(quoted(def.name))))
            fail(QStringLiteral("Uvoz nije moguć: %1").arg(q.lastError().text()));
        if (q.next())
            fail(QStringLiteral(
                     "Baza podataka nije prazna (tablica %1 ima podatke). Uvoz se radi samo u praznu "
                     "bazu.")
                     .arg(def.name));
    }

    const int maximum = int(std::min<qint64>(expected, INT_MAX));
    qint64 done = 0;
    auto report = [&](const QString& status) {
        if (progress)
            progress(int(std::min<qint64>(done, maximum)), maximum, status);
    };

    Transaction unit(db);
    // Every defined table exists afterwards, also those the file lacks: the data module expects them all.
    for (const TableDef& def : tables) {
        if (indexOf(existing, def.name) >= 0)
            continue;
        for (const QString& sql : QStringList{createStatement(def)} + indexStatements(def)) {
            QSqlQuery create(db);
            if (!create.exec(sql))
                fail(QStringLiteral("Tablica %1 ne može se stvoriti: %2")
                         .arg(def.name, create.lastError().text()));
        }
    }
    for (Plan& p : plans) {
        const TableDef& def = *p.def;
        const QString status = QStringLiteral("Uvoz baze podataka: ") + def.name;
        report(status);
        QStringList names, marks;
        QList<int> targets;
        for (int i = 0; i < def.columns.size(); ++i) {
            if (p.sourceIndex[i] < 0)
                continue;
            names << quoted(def.columns[i].name);
            marks << QStringLiteral("?");
            targets << i;
        }
        QSqlQuery insert(db);
        if (!insert.prepare(
                QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                    .arg(quoted(def.name), names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')))))
            fail(QStringLiteral("Tablica %1 ne može se puniti: %2").arg(def.name, insert.lastError().text()));
        qint64 row = 0;
        file.readRows(p.source, [&](const QVariantList& values) {
            ++row;
            for (int k = 0; k < targets.size(); ++k) {
                const ColumnDef& col = def.columns[targets[k]];
                insert.bindValue(
                    k, toStore(values[p.sourceIndex[targets[k]]], col.type, Cell{def.name, col.name, row}));
            }
            if (!insert.exec())
                fail(QStringLiteral("Redak %1 tablice %2 ne može se upisati: %3")
                         .arg(row)
                         .arg(def.name, insert.lastError().text()));
            if (++done % 256 == 0)
                report(status);
            return true;
        });
        p.report.rows = row;
        result.totalRows += row;
        result.tables << p.report;
    }
    unit.commit();
    report(QStringLiteral("Uvoz baze podataka završen"));
    return result;
}

std::optional<ImportResult> importOnFirstStart(const QList<TableDef>& tables, const ImportProgress& progress)
{
    const QString target = Paths::databaseFile();
    const QString source = findMainMdb(QFileInfo(target).absolutePath());
    if (source.isEmpty() || QFileInfo::exists(target))
        return std::nullopt;

    const QString side = target + QStringLiteral(".uvoz");
    auto discard = [&] {
        QFile::remove(side);
        QFile::remove(side + QStringLiteral("-journal"));
    };
    discard();
    const QString connection = QStringLiteral("tarvel-access-import");
    std::optional<ImportResult> result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(side);
        try {
            if (!db.open())
                fail(QStringLiteral("Baza podataka \"%1\" ne može se stvoriti: %2")
                         .arg(QDir::toNativeSeparators(target), db.lastError().text()));
            result = importAccessDatabase(source, db, tables, progress);
            db.close();
        } catch (...) {
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(connection);
            discard();
            throw;
        }
    }
    QSqlDatabase::removeDatabase(connection);
    if (!QFile::rename(side, target)) {
        discard();
        fail(QStringLiteral("Baza podataka \"%1\" ne može se spremiti.")
                 .arg(QDir::toNativeSeparators(target)));
    }
    return result;
}

} // namespace tarvel::data::access
