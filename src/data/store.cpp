#include "data/store.h"

#include "core/errors.h"
#include "core/format.h"

#include <QDate>
#include <QDateTime>
#include <QSqlDriver>
#include <QSqlRecord>
#include <sqlite3.h>

namespace tarvel::data {

QString foldCase(const QString& text)
{
    // Per character, so a folded prefix keeps its length.
    QString out = text;
    for (QChar& c : out)
        c = c.toLower();
    return out;
}

namespace {

void sqlFold(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto* data = static_cast<const char16_t*>(sqlite3_value_text16(argv[0]));
    const int bytes = sqlite3_value_bytes16(argv[0]);
    const QString folded = foldCase(QString::fromUtf16(data, bytes / 2));
    sqlite3_result_text16(ctx, folded.utf16(), int(folded.size() * 2), SQLITE_TRANSIENT);
}

} // namespace

void registerStoreFunctions(QSqlDatabase& db)
{
    const QVariant h = db.driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        return;
    auto* handle = *static_cast<sqlite3* const*>(h.data());
    if (!handle)
        return;
    sqlite3_create_function_v2(handle, "tarvel_fold", 1, SQLITE_UTF16 | SQLITE_DETERMINISTIC, nullptr,
                               &sqlFold, nullptr, nullptr, nullptr);
}

namespace {

int primaryCode(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xff) : -1;
}

} // namespace

bool isBusyError(const QSqlError& error)
{
    const int c = primaryCode(error);
    return c == SQLITE_BUSY || c == SQLITE_LOCKED;
}

void raiseStoreError(const QSqlError& error, const QString& context)
{
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.text();
    if (!context.isEmpty())
        text = context + QStringLiteral(": ") + text;
    switch (primaryCode(error)) {
    case SQLITE_BUSY:
        throw TarvelError(ErrorKind::TableBusy, text);
    case SQLITE_LOCKED:
        throw TarvelError(ErrorKind::RecordLocked, text);
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
    case SQLITE_TOOBIG:
        throw TarvelError(ErrorKind::InvalidField, text);
    default:
        throw TarvelError(ErrorKind::Other, text);
    }
}

QVariant toStoreValue(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QVariant();
    switch (v.typeId()) {
    case QMetaType::QDate:
        return fmt::isoDate(v.toDate());
    case QMetaType::QDateTime:
        return fmt::isoDateTime(v.toDateTime());
    case QMetaType::Bool:
        return v.toBool() ? 1 : 0;
    default:
        return v;
    }
}

QSqlQuery execSql(QSqlDatabase& db, const QString& sql, const QVariantList& binds)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        raiseStoreError(q.lastError());
    for (const QVariant& b : binds)
        q.addBindValue(toStoreValue(b));
    if (!q.exec())
        raiseStoreError(q.lastError());
    return q;
}

QVariant scalar(QSqlDatabase& db, const QString& sql, const QVariantList& binds)
{
    QSqlQuery q = execSql(db, sql, binds);
    QVariant v;
    if (q.next())
        v = q.value(0);
    q.finish();
    return v;
}

namespace {

sqlite3* handleOf(QSqlDatabase& db)
{
    const QVariant h = db.driver() ? db.driver()->handle() : QVariant();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(h.data());
}

[[noreturn]] void raiseHandleError(sqlite3* h, int rc)
{
    const QString text = QString::fromUtf8(sqlite3_errmsg(h));
    raiseStoreError(QSqlError(QString(), text, QSqlError::StatementError, QString::number(rc)));
}

} // namespace

namespace {

class Statement
{
public:
    Statement(QSqlDatabase& db, const QString& sql, const QVariantList& binds)
        : m_h(db.isOpen() ? handleOf(db) : nullptr)
    {
        if (!m_h)
            return;
        int rc = sqlite3_prepare16_v2(m_h, sql.utf16(), int(sql.size() * 2), &m_st, nullptr);
        if (rc != SQLITE_OK)
            raiseHandleError(m_h, rc);
        for (int i = 0; i < binds.size(); ++i) {
            const QVariant v = toStoreValue(binds[i]);
            const int n = i + 1;
            if (!v.isValid() || v.isNull()) {
                rc = sqlite3_bind_null(m_st, n);
            } else {
                switch (v.typeId()) {
                case QMetaType::Int:
                case QMetaType::UInt:
                case QMetaType::LongLong:
                case QMetaType::ULongLong:
                    rc = sqlite3_bind_int64(m_st, n, v.toLongLong());
                    break;
                case QMetaType::Double:
                case QMetaType::Float:
                    rc = sqlite3_bind_double(m_st, n, v.toDouble());
                    break;
                default: {
                    const QString s = v.toString();
                    rc = sqlite3_bind_text16(m_st, n, s.utf16(), int(s.size() * 2), SQLITE_TRANSIENT);
                }
                }
            }
            if (rc != SQLITE_OK)
                raiseHandleError(m_h, rc);
        }
    }
    ~Statement() { sqlite3_finalize(m_st); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    bool valid() const { return m_st != nullptr; }
    bool step()
    {
        const int rc = sqlite3_step(m_st);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            raiseHandleError(m_h, rc);
        return false;
    }
    sqlite3_stmt* get() const { return m_st; }

private:
    sqlite3* m_h = nullptr;
    sqlite3_stmt* m_st = nullptr;
};

} // namespace

QVector<qint64> readIntegers(QSqlDatabase& db, const QString& sql, const QVariantList& binds)
{
    QVector<qint64> out;
    Statement st(db, sql, binds);
    if (!st.valid()) {
        QSqlQuery q = execSql(db, sql, binds);
        while (q.next())
            out.append(q.value(0).toLongLong());
        return out;
    }
    while (st.step())
        out.append(sqlite3_column_int64(st.get(), 0));
    return out;
}

QVector<QVector<QVariant>> readRows(QSqlDatabase& db, const QString& sql, const QVariantList& binds)
{
    QVector<QVector<QVariant>> out;
    Statement st(db, sql, binds);
    if (!st.valid()) {
        QSqlQuery q = execSql(db, sql, binds);
        const int n = q.record().count();
        while (q.next()) {
            QVector<QVariant> row(n);
            for (int i = 0; i < n; ++i)
                row[i] = q.isNull(i) ? QVariant() : q.value(i);
            out.append(std::move(row));
        }
        return out;
    }
    const int n = sqlite3_column_count(st.get());
    while (st.step()) {
        QVector<QVariant> row(n);
        for (int i = 0; i < n; ++i) {
            switch (sqlite3_column_type(st.get(), i)) {
            case SQLITE_INTEGER:
                row[i] = qlonglong(sqlite3_column_int64(st.get(), i));
                break;
            case SQLITE_FLOAT:
                row[i] = sqlite3_column_double(st.get(), i);
                break;
            case SQLITE_NULL:
                break;
            default: {
                const auto* text = static_cast<const char16_t*>(sqlite3_column_text16(st.get(), i));
                row[i] = QString::fromUtf16(text, sqlite3_column_bytes16(st.get(), i) / 2);
            }
            }
        }
        out.append(std::move(row));
    }
    return out;
}

SqlCondition conditionToSql(const Condition& c, const std::function<QString(const QString&)>& columnExpr)
{
    const QString col = columnExpr(c.column);
    if (col.isEmpty())
        throw TarvelError(ErrorKind::Other, QStringLiteral("Nepoznato polje u filtru: ") + c.column);
    SqlCondition out;
    const bool ci = c.caseInsensitive;
    const QVariant value = toStoreValue(c.value);
    auto textValue = [&] { return ci ? QVariant(foldCase(value.toString())) : QVariant(value.toString()); };
    const QString colText = ci ? QStringLiteral("tarvel_fold(%1)").arg(col) : col;
    const bool emptyText = value.typeId() == QMetaType::QString && value.toString().isEmpty();
    switch (c.op) {
    case Condition::Op::Eq:
        if (!value.isValid() || emptyText) {
            out.sql = QStringLiteral("COALESCE(%1,'') = ''").arg(col);
        } else if (ci) {
            out.sql = colText + QStringLiteral(" = ?");
            out.binds << textValue();
        } else {
            out.sql = col + QStringLiteral(" = ?");
            out.binds << value;
        }
        break;
    case Condition::Op::Ne:
        if (!value.isValid() || emptyText) {
            out.sql = QStringLiteral("COALESCE(%1,'') <> ''").arg(col);
        } else {
            out.sql = QStringLiteral("(%1 IS NULL OR %1 <> ?)").arg(ci ? colText : col);
            out.binds << (ci ? textValue() : value);
        }
        break;
    case Condition::Op::Lt:
    case Condition::Op::Le:
    case Condition::Op::Gt:
    case Condition::Op::Ge: {
        static const char* ops[] = {"<", "<=", ">", ">="};
        const int i = int(c.op) - int(Condition::Op::Lt);
        out.sql = col + QLatin1Char(' ') + QLatin1String(ops[i]) + QStringLiteral(" ?");
        out.binds << value;
        break;
    }
    case Condition::Op::BeginsWith: {
        const QVariant prefix = textValue();
        const qsizetype n = prefix.toString().size();
        if (n == 0) {
            out.sql = QStringLiteral("1");
        } else {
            out.sql = QStringLiteral("substr(%1,1,%2) = ?").arg(colText).arg(n);
            out.binds << prefix;
        }
        break;
    }
    case Condition::Op::Contains: {
        const QVariant part = textValue();
        if (part.toString().isEmpty()) {
            out.sql = QStringLiteral("1");
        } else {
            out.sql = QStringLiteral("instr(%1, ?) > 0").arg(colText);
            out.binds << part;
        }
        break;
    }
    case Condition::Op::IsNull:
        out.sql = col + QStringLiteral(" IS NULL");
        break;
    case Condition::Op::NotNull:
        out.sql = col + QStringLiteral(" IS NOT NULL");
        break;
    }
    return out;
}

SqlCondition filterToSql(const Filter& filter, const std::function<QString(const QString&)>& columnExpr)
{
    SqlCondition out;
    QStringList parts;
    for (const Condition& c : filter.all) {
        SqlCondition s = conditionToSql(c, columnExpr);
        parts << QLatin1Char('(') + s.sql + QLatin1Char(')');
        out.binds << s.binds;
    }
    for (const QList<Condition>& group : filter.anyOf) {
        if (group.isEmpty())
            continue;
        QStringList alt;
        for (const Condition& c : group) {
            SqlCondition s = conditionToSql(c, columnExpr);
            alt << QLatin1Char('(') + s.sql + QLatin1Char(')');
            out.binds << s.binds;
        }
        parts << QLatin1Char('(') + alt.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    }
    out.sql = parts.join(QStringLiteral(" AND "));
    return out;
}

} // namespace tarvel::data
