#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace tarvel::data::access {

class MdbFile;

// The printer control sequences of a 40-column receipt, taken from the companion exchange-office
// database.
struct PrinterControl
{
    QByteArray prefix; // from PR1..PR10
    QByteArray suffix; // from PO1..PO10
};

// Reads OPCITABLE of the file that PATH_MJE names (trimmed here). Nothing when the path is empty or
// names no existing file (the receipt then uses its own line feeds); a file that exists but cannot be
// read, or lacks the table or one of its columns, raises TarvelError. The file is opened only for this
// call and never written.
std::optional<PrinterControl> readPrinterControl(const QString& pathMje);

// The bytes that the named integer columns of a table's first row make: each value that is not 0 gives
// the one character with that code, in the order of the columns; empty values count as 0. A table
// without rows gives an empty sequence.
QByteArray controlSequence(const MdbFile& file, const QString& table, const QStringList& columns);

} // namespace tarvel::data::access
