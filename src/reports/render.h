#pragma once

#include "reports/prepared.h"

#include <QImage>
#include <functional>

class QPainter;
class QPagedPaintDevice;

namespace tarvel::reports {

// Draws one page with the painter's origin at the sheet's top-left corner; `dpiX`/`dpiY` are the
// device's dots per inch (the painter's device must use the same for its fonts).
void renderPage(QPainter& painter, const PreparedPage& page, double dpiX, double dpiY);

// The page as a picture at `dpi`, white paper.
QImage pageImage(const PreparedPage& page, double dpi);

// Draws pages `from`..`to` (1-based, inclusive; to < 1: the last) on a printer or PDF writer, each on
// a sheet of its own size. `beforePage` is asked before each page and may stop the job by returning
// false. Returns false when the device could not be opened or the job was stopped.
bool renderReport(const PreparedReport& report, QPagedPaintDevice& device, int from = 1, int to = 0,
                  const std::function<bool(int page)>& beforePage = {});

} // namespace tarvel::reports
