#pragma once

#include <QList>
#include <QString>

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

struct TableDef
{
    QString name;
    QList<ColumnDef> columns;
    const ColumnDef* column(const QString& name) const; // case-insensitive; nullptr when absent
};

// Every table of the main database, in the processing order of the database check.
const QList<TableDef>& schema();
const TableDef* tableDef(const QString& name); // case-insensitive; nullptr when absent

} // namespace tarvel::data
