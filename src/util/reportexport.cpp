#include "util/reportexport.h"

#include "core/errors.h"
#include "reports/render.h"
#include "reports/report.h"

#include <QDir>
#include <QFileInfo>
#include <QPdfWriter>
#include <QSaveFile>

namespace tarvel::util {

void ReportExport(reports::Report& layout, const QString& fileName)
{
    ReportExport(layout.prepare(), fileName);
}

void ReportExport(const reports::PreparedReport& report, const QString& fileName)
{
    const QString shown = QDir::toNativeSeparators(fileName);
    if (report.pageCount() == 0)
        throw TarvelError(
            ErrorKind::NoDataForDisplay,
            QStringLiteral("Ispis nema nijednu stranicu; datoteka %1 nije zapisana.").arg(shown));
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw TarvelError(
            ErrorKind::Other,
            QStringLiteral("Datoteku %1 nije moguće zapisati: %2").arg(shown, file.errorString()));
    {
        QPdfWriter pdf(&file);
        pdf.setResolution(1200);
        pdf.setCreator(QStringLiteral("Tarvelstat"));
        pdf.setTitle(report.title.isEmpty() ? QFileInfo(fileName).completeBaseName() : report.title);
        if (!reports::renderReport(report, pdf)) {
            file.cancelWriting();
            throw TarvelError(ErrorKind::Other,
                              QStringLiteral("PDF datoteku %1 nije moguće izraditi.").arg(shown));
        }
    }
    if (!file.commit())
        throw TarvelError(
            ErrorKind::Other,
            QStringLiteral("Datoteku %1 nije moguće zapisati: %2").arg(shown, file.errorString()));
}

} // namespace tarvel::util
