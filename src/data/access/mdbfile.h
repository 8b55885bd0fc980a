#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

namespace tarvel::data::access {

// Column types of a Jet file, with the codes libmdb uses.
enum class AccessType {
    Boolean = 0x01,
    Byte = 0x02,
    Integer = 0x03,     // 16 bit
    LongInteger = 0x04, // 32 bit
    Currency = 0x05,
    Single = 0x06,
    Double = 0x07,
    DateTime = 0x08,
    Binary = 0x09,
    Text = 0x0a,
    Ole = 0x0b,
    Memo = 0x0c,
    ReplicationId = 0x0f,
    Numeric = 0x10,
    Complex = 0x12,
};

struct AccessColumn
{
    QString name;
    AccessType type = AccessType::Text;
    QString typeName;        // as Access names it: "Text", "Long Integer", "DateTime", ...
    int size = 0;            // characters for Text, bytes otherwise
    bool autoNumber = false; // COUNTER
};

// A Jet 3/4 (Access 97 to 2003, also later .accdb) file, opened read-only through libmdb. The file is
// never written. Every failure is raised as TarvelError with a Croatian message naming the file.
//
// Values come as QVariant: Text/Memo as QString, Byte/Integer/Long Integer as int, Double/Single/
// Currency as double, Numeric as qlonglong when it has no decimals and as double otherwise, Boolean
// as bool, Date/Time as QDate when the stored value has no time of day and as QDateTime (Qt::UTC, the
// wall clock as stored) otherwise, Binary as QByteArray. Empty values are null QVariants. OLE objects
// are not read (they come as null).
class MdbFile
{
public:
    explicit MdbFile(const QString& path);
    ~MdbFile();
    MdbFile(const MdbFile&) = delete;
    MdbFile& operator=(const MdbFile&) = delete;

    const QString& path() const;
    int jetVersion() const; // 3 for Jet 3, 4 for Jet 4, 5 and up for the .accdb formats

    QStringList tableNames() const; // user tables, in catalog order
    // The file's spelling of a table name given in any case; nothing when the file has no such table.
    std::optional<QString> findTable(const QString& name) const;
    QList<AccessColumn> columns(const QString& table) const;
    qint64 declaredRowCount(const QString& table) const; // the row count the table definition records

    // Reads the rows in store order, values in column order; onRow returns false to stop early.
    // Returns the number of rows delivered. A table that yields fewer rows than its definition
    // records (a truncated or damaged file) raises TarvelError after the last readable row.
    qint64 readRows(const QString& table, const std::function<bool(const QVariantList&)>& onRow) const;
    QList<QVariantList> rows(const QString& table) const; // for small tables

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// A Jet date-time (days since 1899-12-30, fraction of a day as the time) as the reader returns it.
QVariant jetDateToVariant(double value);

} // namespace tarvel::data::access
