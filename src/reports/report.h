#pragma once

#include "reports/prepared.h"
#include "reports/recordsource.h"

#include <QDate>
#include <QFont>
#include <QImage>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// A small banded report engine. A layout is a Report whose bands hold items; values and visibility
// are callables evaluated for each record. prepare() lays the bands out on pages of positioned items,
// which render.h draws on any paint device. Sizes and positions are millimetres; an item's position
// is relative to its band's top-left corner at the left edge of the body. Text is measured on a
// QGuiApplication's fonts, so one must exist.
//
//     class TDnevnikReport : public Report
//     {
//     public:
//         explicit TDnevnikReport(RecordSource* rows)
//         {
//             setSource(rows);
//             setPage(PageSetup::a4Landscape());
//             pageHeader(12).label("Dnevnik izdanih računa").at(0, 0, 0, 6).center().bold();
//             auto& ch = columnHeader(6);
//             ch.label("RBr.").at(0, 0, 12, 5).framed();
//             ch.label("Broj računa").at(12, 0, 30, 5).framed();
//             auto& g = addGroup("NAC_PLAC");
//             g.footer(6).sum("UKIZNOS", "###,###,##0.00").at(200, 0, 30, 5).right();
//             auto& d = detail(5);
//             d.field([](const Context& c) { return QString::number(c.recordNo()) + '.'; }).at(0, 0, 10, 5);
//             d.field("BR_RAC").at(12, 0, 30, 5);
//             d.dateField("DATUM").at(44, 0, 22, 5);
//             d.field("UKIZNOS", "###,###,##0.00").at(200, 0, 30, 5).right();
//             d.field("OPIS").at(232, 0, 45, 5).wrap(); // grows the band with its lines
//             d.label("storno").at(68, 0, 15, 5).visibleIf([](const Context& c) { return c.num("UKIZNOS") <
//             0; }); summary(6).sum("UKIZNOS", "###,###,##0.00").at(200, 0, 30, 5).right().bold();
//             pageFooter(5).field([](const Context& c) { return c.pageText(); }).at(0, 0, 0, 5).right();
//         }
//     };
//
//     TDnevnikReport layout(&rows);
//     showPreview(layout);                      // preview.h, or
//     util::ReportExport(layout, "RACUN.PDF");  // util/reportexport.h, or
//     PreparedReport pages = layout.prepare();  // what tests read
namespace tarvel::reports {

class Report;
class Band;
struct EngineState;

// What a callable sees: the current record, counters, page numbers and sums.
class Context
{
public:
    // The current record of the band's source (the sub-detail's row inside a sub-detail).
    QVariant value(const QString& column) const;
    QString str(const QString& column) const { return value(column).toString(); }
    double num(const QString& column) const { return value(column).toDouble(); }
    QDate date(const QString& column) const;
    // Inside a sub-detail: the master record's value; elsewhere the same as value().
    QVariant master(const QString& column) const;

    int recordNo() const;      // 1-based position of the master record in the report
    int groupRecordNo() const; // 1-based position within the innermost group
    int subRecordNo() const;   // 1-based position within the current sub-detail
    int pageNo() const;        // 1-based
    int pageCount() const;     // asking for it makes the engine prepare twice
    QString pageText() const;  // "Strana N od M"

    double sum(const QString& name) const;                      // over the report so far
    double groupSum(const QString& name, int level = -1) const; // the group of `level` (-1: innermost)
    double pageSum(const QString& name) const;                  // records placed on this page

    const Report& report() const { return *m_report; }

private:
    friend struct EngineState;
    Context(const Report* r, EngineState* s) : m_report(r), m_state(s) {}
    const Report* m_report;
    EngineState* m_state;
};

using ValueFn = std::function<QVariant(const Context&)>;
using Condition = std::function<bool(const Context&)>;

class Item
{
public:
    enum class Kind { Label, Field, RichText, Line, Frame, Picture };

    // Width 0: to the right edge of the body; height 0: one line of the item's font.
    Item& at(double x, double y, double width = 0, double height = 0);
    Item& name(const QString& name);
    Item& font(const QFont& font);
    Item& size(double points);
    Item& bold(bool on = true);
    Item& italic(bool on = true);
    Item& left();
    Item& center();
    Item& right();
    Item& align(Qt::Alignment alignment);
    Item& mask(const QString& mask); // tarvel::fmt::number masks for numbers
    // Word wrap; the item grows downwards with its text, and so do its band and the items below it.
    Item& wrap(bool on = true);
    Item& framed(int sides = AllSides, double penWidth = 0.2);
    Item& penWidth(double mm);
    Item& visibleIf(Condition condition);

    Kind kind() const { return m_kind; }
    // The text a label or field prints for the context (mask applied).
    QString textFor(const Context& c) const;

private:
    friend class Band;
    friend struct EngineState;
    explicit Item(Kind k) : m_kind(k) {}

    Kind m_kind;
    QRectF m_rect;
    QLineF m_line;
    bool m_toRightEdge = false;
    QString m_name;
    std::optional<QFont> m_font;
    double m_size = 0;
    int m_bold = -1, m_italic = -1;
    Qt::Alignment m_align = Qt::AlignLeft | Qt::AlignTop;
    QString m_mask;
    bool m_wrap = false;
    int m_frameSides = NoSides;
    double m_pen = 0.2;
    ValueFn m_value;
    QImage m_image;
    Condition m_visible;
};

class Band
{
public:
    BandType type() const { return m_type; }
    Band& height(double mm);
    Band& visibleIf(Condition condition);
    Band& newPageBefore(bool on = true); // start a fresh page unless already at the top of one
    Band& onFirstPage(bool on);          // page header, column header, page footer: on the first page too
    Band& onLastPage(bool on);           // page footer: print on the last page too

    Item& label(const QString& text);
    Item& field(const QString& column, const QString& mask = {});
    Item& field(ValueFn value, const QString& mask = {});
    // A date column, stored as a date or as ISO text, printed "dd.MM.yyyy" (or by a QDate format).
    Item& dateField(const QString& column, const QString& format = {});
    // A registered sum in this band's scope: the group's sum in a group band, the page's in a page
    // header or footer, the report's elsewhere. Registers a sum of the column `name` if needed.
    Item& sum(const QString& name, const QString& mask = {});
    Item& richText(const QString& htmlOrPlain);
    Item& richText(ValueFn value);
    Item& line(double x1, double y1, double x2, double y2);
    Item& hline(double y); // across the whole body
    Item& frame(double x, double y, double width, double height);
    Item& picture(const QImage& image);
    Item& picture(std::function<QImage(const Context&)> image);

    const std::vector<std::unique_ptr<Item>>& items() const { return m_items; }

private:
    friend class Report;
    friend class Group;
    friend class SubDetail;
    friend struct EngineState;
    Band(Report* owner, BandType type, int level) : m_owner(owner), m_type(type), m_level(level) {}
    Item& add(Item::Kind kind);

    Report* m_owner;
    BandType m_type;
    int m_level; // group level for group bands
    double m_height = 0;
    Condition m_visible;
    bool m_newPage = false;
    bool m_firstPage = true;
    bool m_lastPage = true;
    std::vector<std::unique_ptr<Item>> m_items;
};

// A group of consecutive records with the same key; the source must be ordered by the key.
class Group
{
public:
    Band& header(double height = 0);
    Band& footer(double height = 0);
    Group& newPageEach(bool on = true);  // every group but the first starts a page
    Group& repeatHeader(bool on = true); // a group running onto a new page shows its header again

private:
    friend class Report;
    friend struct EngineState;
    Group(Report* owner, int level, ValueFn key);
    ValueFn m_key;
    bool m_newPage = false;
    bool m_repeat = false;
    std::unique_ptr<Band> m_header, m_footer;
};

// Rows printed under each master record, from a source the layout gives for that record.
class SubDetail
{
public:
    using SourceFn = std::function<std::shared_ptr<RecordSource>(const Context&)>;
    Band& header(double height = 0);
    Band& band(double height = 0);
    Band& footer(double height = 0);

private:
    friend class Report;
    friend struct EngineState;
    SubDetail(Report* owner, SourceFn source);
    SourceFn m_source;
    std::unique_ptr<Band> m_header, m_band, m_footer;
};

class Report
{
public:
    Report();
    virtual ~Report();
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    void setPage(const PageSetup& page) { m_page = page; }
    const PageSetup& page() const { return m_page; }
    void setFont(const QFont& font) { m_font = font; } // the items' default font
    const QFont& font() const { return m_font; }
    void setTitle(const QString& title) { m_title = title; } // the document's title
    const QString& title() const { return m_title; }
    void setPreviewMinMaxButtons(bool on) { m_previewMinMax = on; }

    // The master records; without a source the detail bands print once (a one-record report).
    void setSource(RecordSource* source) { m_source = source; }
    void setSource(std::shared_ptr<RecordSource> source)
    {
        m_ownedSource = std::move(source);
        m_source = m_ownedSource.get();
    }
    RecordSource* source() const { return m_source; }

    // Each band is made on first use; a later call with a height changes it.
    Band& title(double height = 0);
    Band& pageHeader(double height = 0);
    Band& columnHeader(double height = 0); // under the page header on every page
    Band& detail(double height = 0);
    Band& addDetail(double height = 0); // a further detail band chained to the first, same record
    Band& summary(double height = 0);
    Band& addSummary(double height = 0); // a further band right under the summary
    Band& pageFooter(double height = 0);
    Group& addGroup(const QString& column); // outermost first
    Group& addGroup(ValueFn key);
    SubDetail& addSubDetail(SubDetail::SourceFn source);

    // A sum over the master records; without a callable it sums the column of the same name.
    void addSum(const QString& name, ValueFn value = {});
    bool hasSum(const QString& name) const;

    // Lays the report out. Layouts override beforePrepare() to read what they need first.
    PreparedReport prepare();

protected:
    virtual void beforePrepare() {}

private:
    friend struct EngineState;
    friend class Context;
    Band& band(std::unique_ptr<Band>& slot, BandType type, double height);

    PageSetup m_page;
    QFont m_font;
    QString m_title;
    bool m_previewMinMax = true;
    RecordSource* m_source = nullptr;
    std::shared_ptr<RecordSource> m_ownedSource;
    std::unique_ptr<Band> m_titleBand, m_pageHeader, m_columnHeader, m_summary, m_pageFooter;
    std::vector<std::unique_ptr<Band>> m_moreSummaries;
    std::vector<std::unique_ptr<Band>> m_details;
    std::vector<std::unique_ptr<Group>> m_groups;
    std::vector<std::unique_ptr<SubDetail>> m_subDetails;
    std::vector<std::pair<QString, ValueFn>> m_sums;
};

} // namespace tarvel::reports
