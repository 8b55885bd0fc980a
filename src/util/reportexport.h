#pragma once

#include <QString>

namespace tarvel::reports {
class Report;
struct PreparedReport;
} // namespace tarvel::reports

namespace tarvel::util {

// Prepares the layout and writes its pages to a PDF file, each page on a sheet of the layout's
// size, text kept as text. An existing file is replaced only once the new one is complete; a file
// that cannot be written raises a TarvelError.
void ReportExport(reports::Report& layout, const QString& fileName);
void ReportExport(const reports::PreparedReport& report, const QString& fileName);

} // namespace tarvel::util
