#pragma once

#include "reports/pagesetup.h"

#include <QFont>
#include <QImage>
#include <QLineF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <vector>

namespace tarvel::reports {

enum class BandType {
    Title,
    PageHeader,
    ColumnHeader,
    GroupHeader,
    Detail,
    SubDetailHeader,
    SubDetail,
    SubDetailFooter,
    GroupFooter,
    Summary,
    PageFooter,
};

enum FrameSide { NoSides = 0, LeftSide = 1, TopSide = 2, RightSide = 4, BottomSide = 8, AllSides = 15 };

// One thing placed on a prepared page; positions are millimetres from the sheet's top-left corner.
struct PreparedItem
{
    enum class Kind { Text, RichText, Line, Rect, Picture };
    Kind kind = Kind::Text;
    QRectF rect;
    QLineF line;  // Line only
    QString text; // Text: as printed; RichText: its plain text
    QString html; // RichText only
    QFont font;   // Text and RichText
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop;
    bool wrap = false;
    double penWidth = 0.2; // mm: lines, rectangles and the frame of a text
    int frameSides = NoSides;
    QImage image; // Picture only
    QString name; // the layout's name for the item, for tests and look-ups
    BandType band = BandType::Detail;
};

struct PreparedPage
{
    PageSetup setup;
    std::vector<PreparedItem> items; // in the order they were placed

    QSizeF size() const { return setup.sheetSize(); }
    // The texts of the page in placing order, one per line.
    QString text() const;
    QStringList texts() const;
    bool containsText(const QString& needle, Qt::CaseSensitivity cs = Qt::CaseSensitive) const;
    const PreparedItem* find(const QString& name) const; // the first item with that name
    std::vector<const PreparedItem*> findAll(const QString& name) const;
};

struct PreparedReport
{
    QString title;
    bool previewMinMaxButtons = true; // the price list previews without them
    std::vector<PreparedPage> pages;

    int pageCount() const { return int(pages.size()); }
    QString text() const; // all pages, separated by a form feed
    std::vector<const PreparedItem*> findAll(const QString& name) const;
};

} // namespace tarvel::reports
