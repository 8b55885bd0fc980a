#pragma once

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QSizeF>

namespace tarvel::reports {

// Paper and the part of it a layout prints on, in millimetres. An A5 layout prints in the upper half
// of an A4 portrait sheet: the sheet stays A4 (that is what the printer and the PDF get), the body
// ends at `usedHeight`.
struct PageSetup
{
    QPageSize::PageSizeId sheet = QPageSize::A4;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QMarginsF margins{10, 10, 10, 10}; // left, top, right, bottom
    double usedHeight = 0;             // 0: the whole sheet

    static PageSetup a4Portrait() { return {}; }
    static PageSetup a4Landscape()
    {
        PageSetup p;
        p.orientation = QPageLayout::Landscape;
        return p;
    }
    static PageSetup a5OnA4()
    {
        PageSetup p;
        p.usedHeight = 297.0 / 2;
        return p;
    }
    PageSetup& withMargins(double left, double top, double right, double bottom)
    {
        margins = QMarginsF(left, top, right, bottom);
        return *this;
    }

    // The sheet as it lies, in mm (landscape A4 is 297 x 210).
    QSizeF sheetSize() const
    {
        const QSizeF s = QPageSize(sheet).size(QPageSize::Millimeter);
        return orientation == QPageLayout::Landscape ? s.transposed() : s;
    }
    // The area the bands print in, in mm from the sheet's top-left corner.
    QRectF bodyRect() const
    {
        const QSizeF s = sheetSize();
        const double h = usedHeight > 0 && usedHeight < s.height() ? usedHeight : s.height();
        return QRectF(margins.left(), margins.top(), s.width() - margins.left() - margins.right(),
                      h - margins.top() - margins.bottom());
    }
    // Paper for a printer or a PDF writer; the engine positions everything itself, so no margins.
    QPageLayout pageLayout() const
    {
        return QPageLayout(QPageSize(sheet), orientation, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    }
    bool operator==(const PageSetup&) const = default;
};

} // namespace tarvel::reports
