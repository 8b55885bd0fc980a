#pragma once

#include "data/filter.h"

#include <QDate>
#include <QObject>
#include <QSqlDatabase>
#include <QStringList>
#include <QVariant>

namespace tarvel::data {

struct TableDef;

// A lookup field: a read-only column whose value is `resultColumn` of the row of `targetTable`
// whose `targetKey` equals this row's `keyColumn` (empty when there is no such row).
struct LookupDef
{
    QString name;
    QString keyColumn;
    QString targetTable;
    QString targetKey;
    QString resultColumn;
    int width = 0;
};

// A dataset over one table, the way the screens use it: open/close, a structured filter and a sort,
// locate, navigation, append/edit/post/cancel/delete on the current row, lookup fields and display
// formats. It holds the row order as keys and fetches values on demand, so it stays fast on large
// tables. Store errors are raised as tarvel::TarvelError of the matching kind.
class TableObject : public QObject
{
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };

    TableObject(QSqlDatabase* db, const QString& tableName, QObject* parent = nullptr);
    ~TableObject() override;

    QString tableName() const;
    void setTableName(const QString& name); // only while closed
    QSqlDatabase* database() const;

    void open();
    void close();
    bool active() const;
    // Reads the rows again with the same filter and sort and keeps the current row where it still exists.
    void refresh();

    void setFilter(const Filter& filter); // applies at once when open
    Filter filter() const;
    void setSort(const QString& sort); // "AUTOKEY", "NAZIV_KOM DESC", "BROJ_DOK, DAT_DOKUM"
    QString sort() const;

    void addLookup(const LookupDef& lookup); // only while closed
    QList<LookupDef> lookups() const;
    bool isLookup(const QString& column) const;
    void setDisplayFormat(const QString& column, const QString& mask);
    QString displayFormat(const QString& column) const;

    int recordCount() const;
    int recNo() const; // 0-based position of the current row, -1 when empty
    bool bof() const;
    bool eof() const;
    bool isEmpty() const { return recordCount() == 0; }
    void first();
    void last();
    void next();
    void prior();
    void moveTo(int row);
    // Case-insensitive (Croatian letters too) when asked; `partial` matches a prefix.
    bool locate(const QString& column, const QVariant& value, bool caseInsensitive = false,
                bool partial = false);
    // The store's key of the current row (rowid, equal to AUTOKEY/ID where the table has one); -1 when empty.
    // In the tables without a counter it holds only until the table is rebuilt by the check or compacted.
    qint64 currentKey() const;
    bool moveToKey(qint64 key); // false when the row is not among the rows read

    State state() const;
    void append();
    void edit();
    void post();
    void cancel();
    void remove(); // deletes the current row

    QVariant value(const QString& column) const; // current row (or the edit buffer); lookups too
    void setValue(const QString& column, const QVariant& v);
    QString asString(const QString& column) const;
    double asDouble(const QString& column) const;
    QDate asDate(const QString& column) const;
    QString displayText(const QString& column) const; // with the column's display format
    QStringList columns() const;                      // table columns in their order, then lookups
    // Any row without moving the current one (for grids); the edit buffer for the row being edited.
    QVariant valueAt(int row, const QString& column) const;
    QString displayTextAt(int row, const QString& column) const;

Q_SIGNALS:
    void currentChanged(); // the current row moved
    void dataChanged();    // rows were added, changed, removed or read again

private:
    QString formatted(const QString& column, const QVariant& v) const;
    struct Private;
    Private* d;
};

// Copies every field of the source's current row except its auto-increment key into a new row of the
// target, by position, and posts it (both hold the same field list, e.g. FISKAL).
void AppendirajJednog(TableObject* source, TableObject* target);

} // namespace tarvel::data
