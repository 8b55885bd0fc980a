#include "invoicing/entrymarks.h"

namespace tarvel::invoicing {

bool isFiscalized(const QString& jir)
{
    return !jir.isEmpty() && !jir.startsWith(QStringLiteral("Greška"));
}

EntryMode entryMode(const EntryMarks& marks, bool currentRowFiscalized)
{
    if (marks.newMark)
        return marks.copyMark ? EntryMode::Copy : EntryMode::New;
    return currentRowFiscalized ? EntryMode::View : EntryMode::Edit;
}

} // namespace tarvel::invoicing
