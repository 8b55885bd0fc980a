#pragma once

#include <QString>

namespace tarvel::app {

// The program's current printer: print jobs that name no printer go to it. At start the
// workstation's default printer.
QString currentPrinterName();

// Makes the installed printer `name` the current printer (an unknown name keeps the current one),
// then makes the current printer the workstation's default printer (CUPS user default).
// Returns false when the default could not be written.
bool PrinterSelect(const QString& name);

} // namespace tarvel::app
