#include "data/access/mdbfile.h"

#include "core/errors.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <cstring>
#include <mdbtools.h>

namespace tarvel::data::access {

namespace {

[[noreturn]] void fail(const QString& message)
{
    throw TarvelError(ErrorKind::Other, message);
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString damaged(const QString& path)
{
    return QStringLiteral("Datoteka \"%1\" nije ispravna Access baza podataka ili je oštećena.")
        .arg(shown(path));
}

// Owns what libmdb allocates for one table.
struct TableHandle
{
    MdbTableDef* def = nullptr;
    ~TableHandle()
    {
        if (def)
            mdb_free_tabledef(def);
    }
};

QString typeName(int type)
{
    switch (type) {
    case MDB_BOOL:
        return QStringLiteral("Boolean");
    case MDB_BYTE:
        return QStringLiteral("Byte");
    case MDB_INT:
        return QStringLiteral("Integer");
    case MDB_LONGINT:
        return QStringLiteral("Long Integer");
    case MDB_MONEY:
        return QStringLiteral("Currency");
    case MDB_FLOAT:
        return QStringLiteral("Single");
    case MDB_DOUBLE:
        return QStringLiteral("Double");
    case MDB_DATETIME:
        return QStringLiteral("DateTime");
    case MDB_BINARY:
        return QStringLiteral("Binary");
    case MDB_TEXT:
        return QStringLiteral("Text");
    case MDB_OLE:
        return QStringLiteral("OLE");
    case MDB_MEMO:
        return QStringLiteral("Memo/Hyperlink");
    case MDB_REPID:
        return QStringLiteral("Replication ID");
    case MDB_NUMERIC:
        return QStringLiteral("Numeric");
    case MDB_COMPLEX:
        return QStringLiteral("Complex");
    }
    return QStringLiteral("Unknown 0x%1").arg(type, 2, 16, QLatin1Char('0'));
}

QString takeGString(char* text)
{
    QString s = text ? QString::fromUtf8(text) : QString();
    g_free(text);
    return s;
}

} // namespace

QVariant jetDateToVariant(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6)
        return {};
    double whole = std::trunc(value);
    qint64 day = static_cast<qint64>(whole);
    qint64 seconds = std::llround(std::fabs(value - whole) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++day;
    }
    const QDate date = QDate(1899, 12, 30).addDays(day);
    if (seconds == 0)
        return date;
    const QTime time(static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                     static_cast<int>(seconds % 60));
    return QDateTime(date, time, Qt::UTC);
}

struct MdbFile::Impl
{
    QString path;
    MdbHandle* mdb = nullptr;
    QStringList tables;

    std::unique_ptr<TableHandle> open(const QString& table) const
    {
        auto h = std::make_unique<TableHandle>();
        QByteArray name = table.toUtf8();
        h->def = mdb_read_table_by_name(mdb, name.data(), MDB_TABLE);
        if (!h->def || !mdb_read_columns(h->def))
            fail(damaged(path));
        return h;
    }

    QVariant value(MdbColumn* col) const
    {
        if (col->col_type == MDB_BOOL) // libmdb keeps a boolean's value in its null flag
            return QVariant(col->cur_value_len == 0);
        const int start = col->cur_value_start;
        const int len = col->cur_value_len;
        if (len == 0)
            return {};
        unsigned char* buf = mdb->pg_buf;
        if (start < 0 || start + len > static_cast<int>(mdb->fmt->pg_size))
            fail(damaged(path));
        switch (col->col_type) {
        case MDB_BYTE:
            return int(mdb_get_byte(buf, start));
        case MDB_INT:
            return int(static_cast<qint16>(mdb_get_int16(buf, start)));
        case MDB_LONGINT:
        case MDB_COMPLEX:
            return int(static_cast<qint32>(mdb_get_int32(buf, start)));
        case MDB_FLOAT:
            return double(mdb_get_single(buf, start));
        case MDB_DOUBLE:
            return mdb_get_double(buf, start);
        case MDB_DATETIME:
            return jetDateToVariant(mdb_get_double(buf, start));
        case MDB_MONEY: {
            qint64 units = 0;
            std::memcpy(&units, buf + start, sizeof units); // little-endian ten-thousandths
            return double(units) / 10000.0;
        }
        case MDB_NUMERIC: {
            const QString text =
                takeGString(mdb_numeric_to_string(mdb, start, col->col_scale, col->col_prec));
            bool ok = false;
            const qlonglong n = text.toLongLong(&ok);
            if (ok)
                return n;
            const double d = text.toDouble(&ok);
            return ok ? QVariant(d) : QVariant();
        }
        case MDB_TEXT:
            return takeGString(mdb_col_to_string(mdb, buf, start, MDB_TEXT, len));
        case MDB_MEMO: {
            // A memo may be far longer than libmdb's default conversion buffer; the stored byte length
            // (low 30 bits of the header) bounds its UTF-8 form at three bytes per stored byte.
            const quint32 stored = static_cast<quint32>(mdb_get_int32(buf, start)) & 0x3fffffffu;
            const size_t saved = mdb->bind_size;
            mdb_set_bind_size(mdb, std::max<size_t>(saved, size_t(stored) * 3 + 16));
            QString text = takeGString(mdb_col_to_string(mdb, buf, start, MDB_MEMO, len));
            mdb_set_bind_size(mdb, saved);
            return text;
        }
        case MDB_BINARY:
            return QByteArray(reinterpret_cast<const char*>(buf + start), len);
        case MDB_REPID:
            return takeGString(mdb_col_to_string(mdb, buf, start, MDB_REPID, len));
        default:
            return {};
        }
    }
};

MdbFile::MdbFile(const QString& path) : d(std::make_unique<Impl>())
{
    d->path = path;
    const QFileInfo info(path);
    if (!info.exists())
        fail(QStringLiteral("Datoteka \"%1\" ne postoji.").arg(shown(path)));
    QFile probe(path);
    if (info.isDir() || !probe.open(QIODevice::ReadOnly))
        fail(QStringLiteral("Datoteka \"%1\" ne može se otvoriti za čitanje.").arg(shown(path)));
    probe.close();

    const QByteArray encoded = QFile::encodeName(path);
    d->mdb = mdb_open(encoded.constData(), MDB_NOFLAGS);
    if (!d->mdb)
        fail(damaged(path));
    if (!mdb_read_catalog(d->mdb, MDB_TABLE)) {
        mdb_close(d->mdb);
        d->mdb = nullptr;
        fail(damaged(path));
    }
    for (unsigned int i = 0; i < d->mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(d->mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && !mdb_is_system_table(entry))
            d->tables << QString::fromUtf8(entry->object_name);
    }
}

MdbFile::~MdbFile()
{
    if (d->mdb)
        mdb_close(d->mdb);
}

const QString& MdbFile::path() const
{
    return d->path;
}

int MdbFile::jetVersion() const
{
    const guint32 v = d->mdb->f->jet_version;
    return v == MDB_VER_JET3 ? 3 : int(v) + 3;
}

QStringList MdbFile::tableNames() const
{
    return d->tables;
}

std::optional<QString> MdbFile::findTable(const QString& name) const
{
    for (const QString& t : d->tables)
        if (t.compare(name, Qt::CaseInsensitive) == 0)
            return t;
    return std::nullopt;
}

static QString existingTable(const MdbFile& file, const QString& table)
{
    if (auto t = file.findTable(table))
        return *t;
    fail(QStringLiteral("Datoteka \"%1\" nema tablicu %2.").arg(shown(file.path()), table));
}

QList<AccessColumn> MdbFile::columns(const QString& table) const
{
    auto h = d->open(existingTable(*this, table));
    const bool wideText = d->mdb->f->jet_version != MDB_VER_JET3; // UCS-2: two bytes a character
    QList<AccessColumn> out;
    for (unsigned int i = 0; i < h->def->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(h->def->columns, i));
        AccessColumn c;
        c.name = QString::fromUtf8(col->name);
        c.type = static_cast<AccessType>(col->col_type);
        c.typeName = typeName(col->col_type);
        c.size = (col->col_type == MDB_TEXT && wideText) ? col->col_size / 2 : col->col_size;
        c.autoNumber = col->is_long_auto;
        out << c;
    }
    return out;
}

qint64 MdbFile::declaredRowCount(const QString& table) const
{
    return d->open(existingTable(*this, table))->def->num_rows;
}

qint64 MdbFile::readRows(const QString& table, const std::function<bool(const QVariantList&)>& onRow) const
{
    const QString name = existingTable(*this, table);
    auto h = d->open(name);
    MdbTableDef* def = h->def;
    mdb_rewind_table(def);
    QList<MdbColumn*> cols;
    for (unsigned int i = 0; i < def->num_cols; ++i)
        cols << static_cast<MdbColumn*>(g_ptr_array_index(def->columns, i));

    qint64 count = 0;
    QVariantList row;
    row.reserve(cols.size());
    while (mdb_fetch_row(def)) {
        row.clear();
        for (MdbColumn* col : cols)
            row << d->value(col);
        ++count;
        if (!onRow(row))
            return count;
    }
    // libmdb ends a scan quietly at a page it cannot read; the definition's count tells the truth.
    if (count < qint64(def->num_rows))
        fail(QStringLiteral("Datoteka \"%1\" je oštećena: iz tablice %2 pročitano je %3 od %4 redaka.")
                 .arg(shown(d->path), name)
                 .arg(count)
                 .arg(def->num_rows));
    return count;
}

QList<QVariantList> MdbFile::rows(const QString& table) const
{
    QList<QVariantList> out;
    readRows(table, [&](const QVariantList& r) {
        out << r;
        return true;
    });
    return out;
}

} // namespace tarvel::data::access
