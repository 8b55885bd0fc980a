#pragma once

#include "data/schema.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace tarvel::data::access {

// Same shape as TDM::progress, so the main window's progress bar can take it directly.
using ImportProgress = std::function<void(int position, int maximum, const QString& status)>;

struct ImportedTable
{
    QString name; // as the definitions spell it
    qint64 rows = 0;
    QStringList missingColumns; // in the definitions, not in the file: came out empty
    QStringList extraColumns;   // in the file, not in the definitions: not copied
};

struct ImportResult
{
    QList<ImportedTable> tables; // in the order of the definitions
    QStringList absentTables;    // defined, but not in the file (left empty)
    QStringList foreignTables;   // in the file, not defined (not copied)
    qint64 totalRows = 0;
    // The final message: rows per table, then the columns that were not copied.
    QString summary() const;
};

// Copies every defined table that the Jet file holds into `db`, column by column by name (names
// compared without case): counter values (AUTOKEY, ID) kept, texts, numbers and empty values as they
// are, dates as ISO text ("YYYY-MM-DD", with " HH:MM:SS" when the value has a time of day). Defined
// tables the database lacks are created from their definitions (createStatement, indexStatements),
// also those the file does not hold. Everything runs in one transaction: on any failure nothing stays
// behind and TarvelError is raised. A database whose defined tables already hold rows is refused before
// anything is written. The .mdb file is only read.
ImportResult importAccessDatabase(const QString& mdbPath, QSqlDatabase& db, const QList<TableDef>& tables,
                                  const ImportProgress& progress = {});

// A value read from a Jet file in the form the store keeps for a column of `type` (what the import
// writes). A value that has no such form (a text that is no number for a Double column) raises
// TarvelError of kind InvalidField.
QVariant storeValue(const QVariant& value, ColType type);

// First start: when "baze" holds "fiskal.mdb" and there is no baze/fiskal.db yet, builds fiskal.db from
// it (in a side file renamed into place only when the import has succeeded, so a failure leaves no
// database behind). Nothing to do gives no result. Call it before the data module opens the database.
std::optional<ImportResult> importOnFirstStart(const QList<TableDef>& tables,
                                               const ImportProgress& progress = {});

} // namespace tarvel::data::access
