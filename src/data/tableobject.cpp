#include "data/tableobject.h"

#include "core/errors.h"
#include "core/format.h"
#include "data/schema.h"
#include "data/store.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>

namespace tarvel::data {

namespace {

constexpr int BlockSize = 64;
constexpr int MaxBlocks = 16;

struct Col
{
    QString name;
    ColType type = ColType::Text;
    int width = 0;
};

ColType typeFromDeclared(const QString& declared, bool pk, int* width)
{
    const QString t = declared.toUpper();
    *width = 0;
    if (t.contains(QLatin1String("INT")))
        return pk ? ColType::Counter : ColType::Integer;
    static const QRegularExpression widthRe(QStringLiteral("\\(\\s*(\\d+)\\s*\\)"));
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("TEXT")) ||
        t.contains(QLatin1String("CLOB"))) {
        const auto m = widthRe.match(t);
        if (m.hasMatch()) {
            *width = m.captured(1).toInt();
            return ColType::Text;
        }
        return ColType::Memo;
    }
    if (t.contains(QLatin1String("DOUB")) || t.contains(QLatin1String("REAL")) ||
        t.contains(QLatin1String("FLOA")) || t.contains(QLatin1String("NUMERIC")) ||
        t.contains(QLatin1String("DECIMAL")))
        return ColType::Double;
    if (t.contains(QLatin1String("DATE")) || t.contains(QLatin1String("TIME")))
        return ColType::Date;
    return ColType::Memo;
}

QString plainNumber(double v)
{
    QString s = QString::number(v, 'g', 15);
    s.replace(QLatin1Char('.'), QLatin1Char(','));
    return s;
}

// A stored date: "yyyy-MM-dd" gives a QDate, with a time part a QDateTime.
QVariant dateFromStore(const QVariant& raw)
{
    const QString s = raw.toString().trimmed();
    if (s.size() >= 19) {
        QDateTime dt = QDateTime::fromString(s.left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!dt.isValid())
            dt = QDateTime::fromString(s.left(19), QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
        if (dt.isValid())
            return dt;
    }
    const QDate d = QDate::fromString(s.left(10), QStringLiteral("yyyy-MM-dd"));
    if (d.isValid())
        return d;
    return s;
}

QVariant fromStore(const Col& c, const QVariant& raw)
{
    if (!raw.isValid() || raw.isNull())
        return QVariant();
    switch (c.type) {
    case ColType::Text:
    case ColType::Memo:
        return raw.toString();
    case ColType::Double:
        return raw.toDouble();
    case ColType::Integer:
    case ColType::Counter:
        return raw.toLongLong();
    case ColType::Date:
        return dateFromStore(raw);
    }
    return raw;
}

} // namespace

struct TableObject::Private
{
    QSqlDatabase* db = nullptr;
    QString table;
    bool active = false;
    Filter filter;
    QString sort;
    QString orderBy; // built from `sort` on open
    QList<LookupDef> lookups;
    QHash<QString, QString> formats; // upper-case column -> mask
    QList<Col> cols;
    QHash<QString, int> index; // upper-case name -> position (lookups after the columns)

    QVector<qint64> keys;
    int cur = -1;
    bool bof = true;
    bool eof = true;

    State state = State::Inactive;
    QVector<QVariant> buffer; // store values of the table columns
    QVector<bool> changed;

    mutable QHash<int, QVector<QVector<QVariant>>> blocks;
    mutable QList<int> lru;

    int fieldCount() const { return int(cols.size() + lookups.size()); }

    [[noreturn]] void fail(const QString& text) const { throw TarvelError(ErrorKind::Other, text); }

    void requireActive() const
    {
        if (!active)
            fail(QStringLiteral("Tablica %1 nije otvorena.").arg(table));
    }

    int fieldIndex(const QString& column) const
    {
        const int i = index.value(column.toUpper(), -1);
        if (i < 0)
            fail(QStringLiteral("Polje %1 ne postoji u tablici %2.").arg(column, table));
        return i;
    }

    QString lookupExpr(const LookupDef& l) const
    {
        // An empty key names no party, even where a row with an empty key exists.
        return QStringLiteral("(SELECT %1 FROM %2 WHERE %3 = t.%4 AND t.%4 <> '' LIMIT 1)")
            .arg(quoteIdentifier(l.resultColumn), quoteIdentifier(l.targetTable),
                 quoteIdentifier(l.targetKey), quoteIdentifier(l.keyColumn));
    }

    QString columnExpr(const QString& name) const
    {
        const int i = index.value(name.toUpper(), -1);
        if (i < 0)
            return QString();
        if (i < cols.size())
            return QStringLiteral("t.") + quoteIdentifier(cols[i].name);
        return lookupExpr(lookups[i - cols.size()]);
    }

    QString from() const
    {
        return QStringLiteral(" FROM ") + quoteIdentifier(table) + QStringLiteral(" AS t");
    }

    void readColumns()
    {
        QList<Col> read;
        QSqlQuery q =
            execSql(*db, QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?)"), {table});
        while (q.next()) {
            Col c;
            c.name = q.value(0).toString();
            c.type = typeFromDeclared(q.value(1).toString(), q.value(2).toInt() > 0, &c.width);
            read << c;
        }
        q.finish();
        if (read.isEmpty())
            fail(QStringLiteral("Tablica %1 ne postoji u bazi podataka.").arg(table));
        cols = read;
        rebuildIndex();
    }

    void rebuildIndex()
    {
        index.clear();
        for (int i = 0; i < cols.size(); ++i)
            index.insert(cols[i].name.toUpper(), i);
        for (int i = 0; i < lookups.size(); ++i)
            index.insert(lookups[i].name.toUpper(), int(cols.size()) + i);
    }

    QString buildOrderBy(const QString& s) const
    {
        QStringList parts;
        bool unique = false;
        for (const QString& piece : s.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QStringList words = piece.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (words.isEmpty())
                continue;
            const QString expr = columnExpr(words[0]);
            if (expr.isEmpty() || words.size() > 2)
                fail(QStringLiteral("Neispravan poredak \"%1\" za tablicu %2.").arg(s, table));
            QString dir;
            if (words.size() == 2) {
                const QString w = words[1].toUpper();
                if (w != QLatin1String("ASC") && w != QLatin1String("DESC"))
                    fail(QStringLiteral("Neispravan poredak \"%1\" za tablicu %2.").arg(s, table));
                dir = QLatin1Char(' ') + w;
            }
            if (unique)
                continue;
            const int i = index.value(words[0].toUpper());
            unique = i < cols.size() && cols[i].type == ColType::Counter;
            parts << expr + dir;
        }
        if (!unique) {
            // Equal values keep the store's order, so the order is stable from one reading to the next.
            // The counter is the rowid; naming it lets the store read the keys from its small index.
            QString key = QStringLiteral("t.rowid");
            for (const Col& c : cols)
                if (c.type == ColType::Counter)
                    key = QStringLiteral("t.") + quoteIdentifier(c.name);
            parts << key;
        }
        return QStringLiteral(" ORDER BY ") + parts.join(QStringLiteral(", "));
    }

    void readKeys()
    {
        const SqlCondition where = filterToSql(filter, [this](const QString& n) { return columnExpr(n); });
        QString sql = QStringLiteral("SELECT t.rowid") + from();
        if (!where.sql.isEmpty())
            sql += QStringLiteral(" WHERE ") + where.sql;
        sql += orderBy;
        keys = readIntegers(*db, sql, where.binds);
        clearCache();
    }

    void clearCache() const
    {
        blocks.clear();
        lru.clear();
    }

    QString selectList() const
    {
        QStringList s;
        s << QStringLiteral("t.rowid");
        for (const Col& c : cols)
            s << QStringLiteral("t.") + quoteIdentifier(c.name);
        for (const LookupDef& l : lookups)
            s << lookupExpr(l);
        return s.join(QLatin1Char(','));
    }

    const QVector<QVariant>& row(int r) const
    {
        const int b = r / BlockSize;
        auto it = blocks.find(b);
        if (it == blocks.end()) {
            const int start = b * BlockSize;
            const int end = std::min<int>(int(keys.size()), start + BlockSize);
            QVariantList binds;
            QStringList marks;
            for (int i = start; i < end; ++i) {
                binds << keys[i];
                marks << QStringLiteral("?");
            }
            const QVector<QVector<QVariant>> found = readRows(
                *db,
                QStringLiteral("SELECT ") + selectList() + from() + QStringLiteral(" WHERE t.rowid IN (") +
                    marks.join(QLatin1Char(',')) + QLatin1Char(')'),
                binds);
            QHash<qint64, QVector<QVariant>> byKey;
            const int n = fieldCount();
            for (const QVector<QVariant>& f : found)
                byKey.insert(f[0].toLongLong(), f.mid(1, n));
            QVector<QVector<QVariant>> rows(end - start);
            for (int i = start; i < end; ++i)
                rows[i - start] =
                    byKey.value(keys[i], QVector<QVariant>(n)); // a row gone meanwhile reads empty
            if (blocks.size() >= MaxBlocks && !lru.isEmpty())
                blocks.remove(lru.takeFirst());
            it = blocks.insert(b, std::move(rows));
            lru.append(b);
        } else if (lru.last() != b) {
            lru.removeOne(b);
            lru.append(b);
        }
        return it.value()[r - b * BlockSize];
    }

    // A lookup field holds at most its width, like the text field it is.
    static QVariant lookupText(const LookupDef& l, const QVariant& raw)
    {
        if (!raw.isValid() || raw.isNull())
            return QVariant();
        const QString s = raw.toString();
        return l.width > 0 ? s.left(l.width) : s;
    }

    QVariant lookupValue(const LookupDef& l, const QVariant& key) const
    {
        if (!key.isValid() || key.isNull() || key.toString().isEmpty())
            return QVariant();
        return scalar(*db,
                      QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ? LIMIT 1")
                          .arg(quoteIdentifier(l.resultColumn), quoteIdentifier(l.targetTable),
                               quoteIdentifier(l.targetKey)),
                      {key});
    }

    // The value of field `i` in the current row or the edit buffer, as the column type gives it.
    QVariant currentValue(int i) const
    {
        if (state == State::Edit || state == State::Insert) {
            if (i < cols.size())
                return fromStore(cols[i], buffer[i]);
            const LookupDef& l = lookups[i - cols.size()];
            const int k = index.value(l.keyColumn.toUpper(), -1);
            return k >= 0 && k < cols.size() ? lookupText(l, lookupValue(l, buffer[k])) : QVariant();
        }
        if (cur < 0)
            return QVariant();
        return valueAt(cur, i);
    }

    QVariant valueAt(int r, int i) const
    {
        const QVariant raw = row(r).at(i);
        if (i < cols.size())
            return fromStore(cols[i], raw);
        return lookupText(lookups[i - cols.size()], raw);
    }

    // Converts a value for column `c` into the store's form, refusing what the column cannot hold.
    QVariant toColumn(const Col& c, const QVariant& v) const
    {
        if (!v.isValid() || v.isNull())
            return QVariant();
        const bool isText = v.typeId() == QMetaType::QString;
        const QString text = isText ? v.toString() : QString();
        auto refuse = [&](ErrorKind kind, const QString& what) -> QVariant {
            throw TarvelError(
                kind,
                QStringLiteral("Vrijednost \"%1\" nije %2 (polje %3).").arg(v.toString(), what, c.name));
        };
        switch (c.type) {
        case ColType::Text:
        case ColType::Memo:
            return toStoreValue(v).toString();
        case ColType::Double: {
            if (isText) {
                if (text.trimmed().isEmpty())
                    return QVariant();
                const auto n = fmt::parseNumber(text.trimmed());
                if (!n)
                    return refuse(ErrorKind::InvalidField, QStringLiteral("broj"));
                return *n;
            }
            bool ok = false;
            const double d = v.toDouble(&ok);
            if (!ok)
                return refuse(ErrorKind::InvalidField, QStringLiteral("broj"));
            return d;
        }
        case ColType::Integer:
        case ColType::Counter: {
            bool ok = false;
            qlonglong n = 0;
            if (isText) {
                if (text.trimmed().isEmpty())
                    return QVariant();
                n = text.trimmed().toLongLong(&ok);
            } else if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
                const double d = v.toDouble();
                ok = d == double(qlonglong(d));
                n = qlonglong(d);
            } else {
                n = v.toLongLong(&ok);
            }
            if (!ok)
                return refuse(ErrorKind::InvalidField, QStringLiteral("cijeli broj"));
            return n;
        }
        case ColType::Date: {
            if (v.typeId() == QMetaType::QDate)
                return v.toDate().isValid() ? QVariant(fmt::isoDate(v.toDate())) : QVariant();
            if (v.typeId() == QMetaType::QDateTime)
                return v.toDateTime().isValid() ? QVariant(fmt::isoDateTime(v.toDateTime())) : QVariant();
            const QString s = v.toString().trimmed();
            if (s.isEmpty())
                return QVariant();
            const QVariant iso = dateFromStore(s);
            if (iso.typeId() == QMetaType::QDate)
                return fmt::isoDate(iso.toDate());
            if (iso.typeId() == QMetaType::QDateTime)
                return fmt::isoDateTime(iso.toDateTime());
            const QDate d = fmt::parseDate(s);
            if (d.isValid())
                return fmt::isoDate(d);
            return refuse(ErrorKind::InvalidDate, QStringLiteral("datum"));
        }
        }
        return v;
    }

    int position(qint64 key) const
    {
        const auto it = std::find(keys.cbegin(), keys.cend(), key);
        return it == keys.cend() ? -1 : int(it - keys.cbegin());
    }
};

TableObject::TableObject(QSqlDatabase* db, const QString& tableName, QObject* parent)
    : QObject(parent), d(new Private)
{
    d->db = db;
    d->table = tableName;
}

TableObject::~TableObject()
{
    delete d;
}

QString TableObject::tableName() const
{
    return d->table;
}

void TableObject::setTableName(const QString& name)
{
    if (d->active)
        d->fail(QStringLiteral("Naziv tablice %1 ne može se mijenjati dok je otvorena.").arg(d->table));
    d->table = name;
}

QSqlDatabase* TableObject::database() const
{
    return d->db;
}

void TableObject::open()
{
    if (d->active)
        return;
    d->readColumns();
    d->orderBy = d->buildOrderBy(d->sort);
    d->readKeys();
    d->active = true;
    d->state = State::Browse;
    d->cur = d->keys.isEmpty() ? -1 : 0;
    d->bof = true;
    d->eof = d->keys.isEmpty();
    Q_EMIT dataChanged();
    Q_EMIT currentChanged();
}

void TableObject::close()
{
    if (!d->active)
        return;
    d->active = false;
    d->state = State::Inactive;
    d->keys.clear();
    d->clearCache();
    d->buffer.clear();
    d->cur = -1;
    d->bof = d->eof = true;
    Q_EMIT dataChanged();
    Q_EMIT currentChanged();
}

bool TableObject::active() const
{
    return d->active;
}

void TableObject::refresh()
{
    d->requireActive();
    if (d->state != State::Browse)
        post();
    const qint64 key = d->cur >= 0 ? d->keys[d->cur] : -1;
    const int old = d->cur;
    d->readColumns();
    d->orderBy = d->buildOrderBy(d->sort);
    d->readKeys();
    int pos = key >= 0 ? d->position(key) : -1;
    if (pos < 0 && !d->keys.isEmpty())
        pos = std::clamp(old, 0, int(d->keys.size()) - 1);
    d->cur = pos;
    d->bof = d->keys.isEmpty();
    d->eof = d->keys.isEmpty();
    Q_EMIT dataChanged();
    Q_EMIT currentChanged();
}

void TableObject::setFilter(const Filter& filter)
{
    if (!d->active) {
        d->filter = filter;
        return;
    }
    if (d->state != State::Browse)
        post();
    const Filter old = d->filter;
    d->filter = filter;
    try {
        d->readKeys();
    } catch (const TarvelError&) {
        d->filter = old; // the rows shown stay those of the old filter
        throw;
    }
    d->cur = d->keys.isEmpty() ? -1 : 0;
    d->bof = true;
    d->eof = d->keys.isEmpty();
    Q_EMIT dataChanged();
    Q_EMIT currentChanged();
}

Filter TableObject::filter() const
{
    return d->filter;
}

void TableObject::setSort(const QString& sort)
{
    if (!d->active) {
        d->sort = sort;
        return;
    }
    if (d->state != State::Browse)
        post();
    const QString order = d->buildOrderBy(sort); // refuses an unknown column before anything changes
    d->sort = sort;
    d->orderBy = order;
    const qint64 key = d->cur >= 0 ? d->keys[d->cur] : -1;
    d->readKeys();
    d->cur = key >= 0 ? d->position(key) : -1;
    if (d->cur < 0 && !d->keys.isEmpty())
        d->cur = 0;
    Q_EMIT dataChanged();
    Q_EMIT currentChanged();
}

QString TableObject::sort() const
{
    return d->sort;
}

void TableObject::addLookup(const LookupDef& lookup)
{
    if (d->active)
        d->fail(QStringLiteral("Polje %1 ne može se dodati otvorenoj tablici.").arg(lookup.name));
    for (const LookupDef& l : d->lookups)
        if (l.name.compare(lookup.name, Qt::CaseInsensitive) == 0)
            return;
    d->lookups << lookup;
}

QList<LookupDef> TableObject::lookups() const
{
    return d->lookups;
}

void TableObject::setDisplayFormat(const QString& column, const QString& mask)
{
    if (mask.isEmpty())
        d->formats.remove(column.toUpper());
    else
        d->formats.insert(column.toUpper(), mask);
}

QString TableObject::displayFormat(const QString& column) const
{
    return d->formats.value(column.toUpper());
}

int TableObject::recordCount() const
{
    return d->active ? int(d->keys.size()) : 0;
}

int TableObject::recNo() const
{
    return d->active ? d->cur : -1;
}

bool TableObject::bof() const
{
    return !d->active || d->bof;
}

bool TableObject::eof() const
{
    return !d->active || d->eof;
}

void TableObject::first()
{
    d->requireActive();
    if (d->state != State::Browse)
        post();
    d->cur = d->keys.isEmpty() ? -1 : 0;
    d->bof = true;
    d->eof = d->keys.isEmpty();
    Q_EMIT currentChanged();
}

void TableObject::last()
{
    d->requireActive();
    if (d->state != State::Browse)
        post();
    d->cur = int(d->keys.size()) - 1;
    d->eof = true;
    d->bof = d->keys.isEmpty();
    Q_EMIT currentChanged();
}

void TableObject::next()
{
    d->requireActive();
    if (d->state != State::Browse)
        post();
    d->bof = false;
    if (d->cur + 1 < d->keys.size()) {
        ++d->cur;
        d->eof = false;
        Q_EMIT currentChanged();
    } else {
        d->eof = true;
    }
}

void TableObject::prior()
{
    d->requireActive();
    if (d->state != State::Browse)
        post();
    d->eof = false;
    if (d->cur > 0) {
        --d->cur;
        d->bof = false;
        Q_EMIT currentChanged();
    } else {
        d->bof = true;
    }
}

void TableObject::moveTo(int row)
{
    d->requireActive();
    if (d->state != State::Browse)
        post();
    if (d->keys.isEmpty())
        return;
    d->cur = std::clamp(row, 0, int(d->keys.size()) - 1);
    d->bof = d->eof = false;
    Q_EMIT currentChanged();
}

qint64 TableObject::currentKey() const
{
    return d->active && d->cur >= 0 ? d->keys[d->cur] : -1;
}

bool TableObject::moveToKey(qint64 key)
{
    d->requireActive();
    const int pos = d->position(key);
    if (pos < 0)
        return false;
    moveTo(pos);
    return true;
}

bool TableObject::locate(const QString& column, const QVariant& value, bool caseInsensitive, bool partial)
{
    d->requireActive();
    if (d->state != State::Browse)
        post();
    d->fieldIndex(column);
    Filter f = d->filter;
    Condition c;
    c.column = column;
    c.op = partial ? Condition::Op::BeginsWith : Condition::Op::Eq;
    c.value = value;
    c.caseInsensitive = caseInsensitive;
    f.add(c);
    const SqlCondition where = filterToSql(f, [this](const QString& n) { return d->columnExpr(n); });
    const QVector<qint64> found = readIntegers(*d->db,
                                               QStringLiteral("SELECT t.rowid") + d->from() +
                                                   QStringLiteral(" WHERE ") + where.sql + d->orderBy,
                                               where.binds);
    int pos = -1;
    for (qint64 key : found)
        if ((pos = d->position(key)) >= 0)
            break;
    if (pos < 0)
        return false;
    d->cur = pos;
    d->bof = d->eof = false;
    Q_EMIT currentChanged();
    return true;
}

TableObject::State TableObject::state() const
{
    return d->state;
}

void TableObject::append()
{
    d->requireActive();
    if (d->state != State::Browse)
        post();
    d->buffer = QVector<QVariant>(d->cols.size());
    d->changed = QVector<bool>(d->cols.size(), false);
    d->state = State::Insert;
}

void TableObject::edit()
{
    d->requireActive();
    if (d->state == State::Edit || d->state == State::Insert)
        return;
    if (d->cur < 0) {
        append();
        return;
    }
    const QVector<QVariant>& r = d->row(d->cur);
    d->buffer = r.mid(0, d->cols.size());
    d->changed = QVector<bool>(d->cols.size(), false);
    d->state = State::Edit;
}

void TableObject::post()
{
    d->requireActive();
    if (d->state != State::Edit && d->state != State::Insert)
        return;
    for (int i = 0; i < d->cols.size(); ++i) {
        const Col& c = d->cols[i];
        if (!d->changed[i] || c.type != ColType::Text || c.width <= 0)
            continue;
        const QString s = d->buffer[i].toString();
        if (s.size() > c.width)
            throw TarvelError(ErrorKind::InvalidField,
                              QStringLiteral("Polje %1 može imati najviše %2 znakova (upisano %3).")
                                  .arg(c.name)
                                  .arg(c.width)
                                  .arg(s.size()));
    }
    QStringList names;
    QVariantList binds;
    for (int i = 0; i < d->cols.size(); ++i) {
        if (!d->changed[i])
            continue;
        names << quoteIdentifier(d->cols[i].name);
        binds << d->buffer[i];
    }
    if (d->state == State::Insert) {
        QString sql = QStringLiteral("INSERT INTO ") + quoteIdentifier(d->table);
        if (names.isEmpty()) {
            sql += QStringLiteral(" DEFAULT VALUES");
        } else {
            QStringList marks;
            for (int i = 0; i < names.size(); ++i)
                marks << QStringLiteral("?");
            sql += QStringLiteral(" (") + names.join(QLatin1Char(',')) + QStringLiteral(") VALUES (") +
                   marks.join(QLatin1Char(',')) + QLatin1Char(')');
        }
        QSqlQuery q = execSql(*d->db, sql, binds);
        const qint64 key = q.lastInsertId().toLongLong();
        q.finish();
        // Like a static cursor: the new row stays at the end until the rows are read again.
        d->keys.append(key);
        d->cur = int(d->keys.size()) - 1;
    } else if (!names.isEmpty()) {
        QStringList sets;
        for (const QString& n : names)
            sets << n + QStringLiteral(" = ?");
        binds << d->keys[d->cur];
        QSqlQuery q =
            execSql(*d->db,
                    QStringLiteral("UPDATE ") + quoteIdentifier(d->table) + QStringLiteral(" SET ") +
                        sets.join(QLatin1Char(',')) + QStringLiteral(" WHERE rowid = ?"),
                    binds);
        const int affected = q.numRowsAffected();
        q.finish();
        if (affected == 0)
            throw TarvelError(
                ErrorKind::Other,
                QStringLiteral("Zapis tablice %1 je u međuvremenu obrisan na drugom mjestu.").arg(d->table));
    }
    d->state = State::Browse;
    d->buffer.clear();
    d->clearCache();
    d->bof = d->eof = false;
    Q_EMIT dataChanged();
    Q_EMIT currentChanged();
}

void TableObject::cancel()
{
    if (d->state != State::Edit && d->state != State::Insert)
        return;
    d->state = State::Browse;
    d->buffer.clear();
    Q_EMIT currentChanged();
}

void TableObject::remove()
{
    d->requireActive();
    if (d->state == State::Insert) {
        cancel();
        return;
    }
    if (d->cur < 0)
        d->fail(QStringLiteral("Tablica %1 je prazna.").arg(d->table));
    d->state = State::Browse;
    d->buffer.clear();
    execSql(*d->db,
            QStringLiteral("DELETE FROM ") + quoteIdentifier(d->table) + QStringLiteral(" WHERE rowid = ?"),
            {d->keys[d->cur]})
        .finish();
    const bool wasLast = d->cur == d->keys.size() - 1;
    d->keys.remove(d->cur);
    d->clearCache();
    if (d->cur >= d->keys.size())
        d->cur = int(d->keys.size()) - 1;
    d->eof = wasLast || d->keys.isEmpty();
    d->bof = d->keys.isEmpty();
    Q_EMIT dataChanged();
    Q_EMIT currentChanged();
}

QVariant TableObject::value(const QString& column) const
{
    d->requireActive();
    return d->currentValue(d->fieldIndex(column));
}

QVariant TableObject::valueAt(int row, const QString& column) const
{
    d->requireActive();
    const int i = d->fieldIndex(column);
    if (row < 0 || row >= d->keys.size())
        return QVariant();
    if (row == d->cur && d->state == State::Edit)
        return d->currentValue(i);
    return d->valueAt(row, i);
}

void TableObject::setValue(const QString& column, const QVariant& v)
{
    d->requireActive();
    const int i = d->fieldIndex(column);
    if (i >= d->cols.size())
        d->fail(QStringLiteral("Polje %1 se ne može mijenjati.").arg(column));
    if (d->state != State::Edit && d->state != State::Insert)
        d->fail(QStringLiteral("Tablica %1 nije u načinu upisa ili izmjene.").arg(d->table));
    const Col& c = d->cols[i];
    if (c.type == ColType::Counter && d->state == State::Edit)
        d->fail(QStringLiteral("Polje %1 se ne može mijenjati.").arg(column));
    d->buffer[i] = d->toColumn(c, v);
    d->changed[i] = true;
}

namespace {

QString textOf(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QString();
    switch (v.typeId()) {
    case QMetaType::Double:
        return plainNumber(v.toDouble());
    case QMetaType::QDate:
        return fmt::date(v.toDate());
    case QMetaType::QDateTime:
        return fmt::dateTime(v.toDateTime());
    default:
        return v.toString();
    }
}

} // namespace

QString TableObject::asString(const QString& column) const
{
    return textOf(value(column));
}

double TableObject::asDouble(const QString& column) const
{
    const QVariant v = value(column);
    if (!v.isValid() || v.isNull())
        return 0.0;
    if (v.typeId() == QMetaType::QString)
        return fmt::parseNumber(v.toString().trimmed()).value_or(0.0);
    return v.toDouble();
}

QDate TableObject::asDate(const QString& column) const
{
    const QVariant v = value(column);
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    if (v.typeId() == QMetaType::QString) {
        const QVariant iso = dateFromStore(v);
        if (iso.typeId() == QMetaType::QDate)
            return iso.toDate();
        if (iso.typeId() == QMetaType::QDateTime)
            return iso.toDateTime().date();
        return fmt::parseDate(v.toString().trimmed());
    }
    return QDate();
}

QString TableObject::formatted(const QString& column, const QVariant& v) const
{
    const QString mask = d->formats.value(column.toUpper());
    if (!mask.isEmpty() && v.isValid() && !v.isNull() && v.typeId() != QMetaType::QString &&
        v.typeId() != QMetaType::QDate && v.typeId() != QMetaType::QDateTime)
        return fmt::number(v.toDouble(), mask);
    return textOf(v);
}

QString TableObject::displayText(const QString& column) const
{
    return formatted(column, value(column));
}

QString TableObject::displayTextAt(int row, const QString& column) const
{
    return formatted(column, valueAt(row, column));
}

QStringList TableObject::columns() const
{
    QStringList out;
    if (d->active) {
        for (const Col& c : d->cols)
            out << c.name;
    } else if (const TableDef* t = tableDef(d->table)) {
        for (const ColumnDef& c : t->columns)
            out << c.name;
    }
    for (const LookupDef& l : d->lookups)
        out << l.name;
    return out;
}

bool TableObject::isLookup(const QString& column) const
{
    for (const LookupDef& l : d->lookups)
        if (l.name.compare(column, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void AppendirajJednog(TableObject* source, TableObject* target)
{
    if (!source || !target)
        return;
    auto isKey = [](TableObject* t, const QString& c) {
        const TableDef* def = tableDef(t->tableName());
        const ColumnDef* cd = def ? def->column(c) : nullptr;
        return cd ? cd->type == ColType::Counter
                  : c.compare(QLatin1String("AUTOKEY"), Qt::CaseInsensitive) == 0;
    };
    QVariantList values;
    for (const QString& c : source->columns()) {
        if (source->isLookup(c) || isKey(source, c))
            continue;
        values << source->value(c);
        if (values.size() == 256)
            break;
    }
    target->append();
    int i = 0;
    for (const QString& c : target->columns()) {
        if (target->isLookup(c) || isKey(target, c))
            continue;
        if (i >= values.size())
            break;
        target->setValue(c, values[i++]);
    }
    target->post();
}

} // namespace tarvel::data
