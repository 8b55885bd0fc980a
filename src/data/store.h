#pragma once

#include "data/filter.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <QVector>
#include <functional>

namespace tarvel::data {

// Croatian letters included (Č/č, Ć/ć, Đ/đ, Š/š, Ž/ž): the same folding the store's tarvel_fold() applies.
QString foldCase(const QString& text);

// Registers tarvel_fold(text) on an open SQLite connection; the table objects use it for
// case-insensitive comparisons.
void registerStoreFunctions(QSqlDatabase& db);

// Raises the store error as a TarvelError: busy file -> TableBusy, locked row/table -> RecordLocked,
// a rejected value -> InvalidField, anything else -> Other with the store's text.
[[noreturn]] void raiseStoreError(const QSqlError& error, const QString& context = QString());
bool isBusyError(const QSqlError& error);

// A value as the store keeps it: dates as ISO text, booleans as 0/1.
QVariant toStoreValue(const QVariant& v);

// Runs one statement with bound parameters; raises TarvelError on failure. The query is returned
// positioned before its first row.
QSqlQuery execSql(QSqlDatabase& db, const QString& sql, const QVariantList& binds = {});
// The first column of the first row, or an invalid QVariant when there is no row.
QVariant scalar(QSqlDatabase& db, const QString& sql, const QVariantList& binds = {});

// The first column of every row as integers (the row keys of a table object), read straight from
// the SQLite handle, which is several times faster than row-by-row QSqlQuery on 100,000 rows.
QVector<qint64> readIntegers(QSqlDatabase& db, const QString& sql, const QVariantList& binds = {});

// Every row with all its columns (integers as qlonglong, reals as double, text as QString, NULL as
// an invalid QVariant), read the same way.
QVector<QVector<QVariant>> readRows(QSqlDatabase& db, const QString& sql, const QVariantList& binds = {});

// A filter as SQL text with its parameters. `columnExpr` maps a column name to its SQL expression
// and returns an empty string for a name it does not know (which raises TarvelError).
struct SqlCondition
{
    QString sql; // empty for an empty filter
    QVariantList binds;
};
SqlCondition filterToSql(const Filter& filter, const std::function<QString(const QString&)>& columnExpr);
SqlCondition conditionToSql(const Condition& c, const std::function<QString(const QString&)>& columnExpr);

} // namespace tarvel::data
