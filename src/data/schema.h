#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace tarvel::data {

// Column types in the vocabulary of the table definitions.
enum class ColType { Text, Double, Date, Integer, Memo, Counter };

struct ColumnDef
{
    QString name;
    ColType type = ColType::Text;
    int width = 0;           // characters, for Text
    bool primaryKey = false; // "AUTOKEY COUNTER CONSTRAINT AUTOKEY PRIMARY KEY"
};

// An index that keeps lookups fast; it changes no meaning.
struct IndexDef
{
    QString name;
    QStringList columns;
};

struct TableDef
{
    QString name;
    QList<ColumnDef> columns;
    QList<IndexDef> indexes;
    const ColumnDef* column(const QString& name) const; // case-insensitive; nullptr when absent
};

// Every table of the main database, in the processing order of the database check.
const QList<TableDef>& schema();
const TableDef* tableDef(const QString& name); // case-insensitive; nullptr when absent

// SQL text built from the definitions (SQLite dialect). Identifiers come from the definitions only.
QString quoteIdentifier(const QString& name);
QString sqlType(const ColumnDef& c); // "TEXT(100)", "DOUBLE", "DATE", "INTEGER", "TEXT" for Memo
QString columnSql(const ColumnDef& c);
QString createStatement(const TableDef& t, const QString& schemaName = QString());
QStringList indexStatements(const TableDef& t); // CREATE INDEX IF NOT EXISTS ...

} // namespace tarvel::data
