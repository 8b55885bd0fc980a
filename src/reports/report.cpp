#include "reports/report.h"

#include "core/format.h"
#include "reports/textmeasure.h"

#include <QHash>
#include <algorithm>

namespace tarvel::reports {

// ---------------------------------------------------------------------------------------------
// The engine's run through the records.

struct EngineState
{
    const Report* r = nullptr;
    int knownPageCount = 0;
    bool pageCountAsked = false;

    PreparedReport out;
    QRectF body;
    double cursor = 0;
    bool atPageTop = true;
    bool lastPage = false;

    RecordSource* master = nullptr;
    RecordSource* current = nullptr;
    int recordNo = 0;
    int subRecordNo = 0;
    std::vector<int> groupRecordNo;
    QHash<QString, double> reportSums, pageSums;
    std::vector<QHash<QString, double>> groupSums;
    int openGroups = 0; // levels whose header has been placed and whose footer has not

    Context ctx() { return Context(r, this); }
    int pageNo() const { return int(out.pages.size()); }
    PreparedPage& page() { return out.pages.back(); }

    QFont fontOf(const Item& item) const
    {
        QFont f = item.m_font ? *item.m_font : r->m_font;
        if (item.m_size > 0)
            f.setPointSizeF(item.m_size);
        if (item.m_bold >= 0)
            f.setBold(item.m_bold == 1);
        if (item.m_italic >= 0)
            f.setItalic(item.m_italic == 1);
        return f;
    }

    bool shows(const Condition& c) { return !c || c(ctx()); }

    // The band's items for the current record, positioned relative to the band, and its height.
    double layout(const Band& band, std::vector<PreparedItem>& items)
    {
        struct Grower
        {
            double origBottom;
            double delta;
        };
        std::vector<Grower> growers;
        std::vector<std::pair<const Item*, PreparedItem>> placed;
        double origBottom = 0, bottom = 0;
        const Context c = ctx();

        std::vector<const Item*> order;
        for (const auto& it : band.m_items)
            order.push_back(it.get());
        std::stable_sort(order.begin(), order.end(),
                         [](const Item* a, const Item* b) { return a->m_rect.top() < b->m_rect.top(); });

        for (const Item* item : order) {
            if (item->m_visible && !item->m_visible(c))
                continue;
            PreparedItem p;
            p.name = item->m_name;
            p.band = band.m_type;
            p.penWidth = item->m_pen;
            p.frameSides = item->m_frameSides;
            p.alignment = item->m_align;
            p.wrap = item->m_wrap;
            QRectF rect = item->m_rect;
            if (rect.width() <= 0) // to the right edge of the body
                rect.setWidth(body.width() - rect.left());
            double grow = 0;
            switch (item->m_kind) {
            case Item::Kind::Label:
            case Item::Kind::Field: {
                p.kind = PreparedItem::Kind::Text;
                p.font = fontOf(*item);
                p.text = item->textFor(c);
                if (rect.height() <= 0)
                    rect.setHeight(measure::lineHeight(p.font));
                if (p.wrap) {
                    const double need = measure::textHeight(p.font, p.text, rect.width(), true);
                    grow = std::max(0.0, need - rect.height());
                }
                break;
            }
            case Item::Kind::RichText: {
                p.kind = PreparedItem::Kind::RichText;
                p.font = fontOf(*item);
                p.html = item->m_value ? item->m_value(c).toString() : QString();
                p.text = measure::richTextPlain(p.html);
                p.wrap = true;
                const double need = measure::richTextHeight(p.font, p.html, rect.width(), p.alignment);
                if (need > rect.height())
                    grow = need - rect.height();
                break;
            }
            case Item::Kind::Line:
                p.kind = PreparedItem::Kind::Line;
                p.line = item->m_line;
                if (item->m_toRightEdge)
                    p.line.setP2(QPointF(body.width(), p.line.y2()));
                rect = QRectF(p.line.p1(), p.line.p2()).normalized();
                break;
            case Item::Kind::Frame:
                p.kind = PreparedItem::Kind::Rect;
                break;
            case Item::Kind::Picture:
                p.kind = PreparedItem::Kind::Picture;
                p.image = item->m_value ? item->m_value(c).value<QImage>() : item->m_image;
                if (p.image.isNull())
                    continue;
                break;
            }
            double shift = 0;
            for (const Grower& g : growers)
                if (g.origBottom <= rect.top() + 0.01)
                    shift = std::max(shift, g.delta);
            const double itemBottom = rect.bottom();
            origBottom = std::max(origBottom, itemBottom);
            rect.translate(0, shift);
            p.line.translate(0, shift);
            rect.setHeight(rect.height() + grow);
            if (grow > 0)
                growers.push_back({itemBottom, shift + grow});
            bottom = std::max(bottom, rect.bottom());
            p.rect = rect;
            placed.emplace_back(item, std::move(p));
        }
        // Keep the layout's own order of items on the page.
        for (const auto& it : band.m_items)
            for (auto& [item, p] : placed)
                if (item == it.get())
                    items.push_back(std::move(p));
        return std::max(band.m_height + std::max(0.0, bottom - origBottom), bottom);
    }

    void put(std::vector<PreparedItem>& items, double y)
    {
        const QPointF off(body.left(), y);
        for (PreparedItem& p : items) {
            p.rect.translate(off);
            p.line.translate(off);
            page().items.push_back(std::move(p));
        }
    }

    double footerReserve() const { return r->m_pageFooter ? r->m_pageFooter->m_height : 0; }

    void startPage()
    {
        out.pages.emplace_back();
        page().setup = r->m_page;
        cursor = body.top();
        pageSums.clear();
        const bool first = pageNo() == 1;
        if (r->m_pageHeader && (!first || r->m_pageHeader->m_firstPage))
            placeFixed(*r->m_pageHeader);
        if (first && r->m_titleBand)
            placeFixed(*r->m_titleBand);
        if (r->m_columnHeader && (!first || r->m_columnHeader->m_firstPage))
            placeFixed(*r->m_columnHeader);
        for (int l = 0; l < openGroups; ++l)
            if (r->m_groups[l]->m_repeat && r->m_groups[l]->m_header)
                placeFixed(*r->m_groups[l]->m_header);
        atPageTop = true;
    }

    void finishPage()
    {
        const Band* f = r->m_pageFooter.get();
        if (!f)
            return;
        if ((pageNo() == 1 && !f->m_firstPage) || (lastPage && !f->m_lastPage) || !shows(f->m_visible))
            return;
        std::vector<PreparedItem> items;
        const double h = layout(*f, items);
        put(items, body.bottom() - std::max(h, f->m_height));
    }

    void newPage()
    {
        finishPage();
        startPage();
    }

    // Headers and the title: placed where the cursor is, never moved to another page.
    void placeFixed(const Band& band)
    {
        if (!shows(band.m_visible))
            return;
        std::vector<PreparedItem> items;
        const double h = layout(band, items);
        put(items, cursor);
        cursor += h;
    }

    bool place(const Band& band)
    {
        if (!shows(band.m_visible))
            return false;
        if (band.m_newPage && !atPageTop)
            newPage();
        std::vector<PreparedItem> items;
        double h = layout(band, items);
        const double limit = body.bottom() - footerReserve();
        if (cursor + h > limit + 1e-6 && !atPageTop) {
            newPage();
            items.clear();
            h = layout(band, items);
        }
        put(items, cursor);
        cursor += h;
        atPageTop = false;
        return true;
    }

    void moveMaster(int row)
    {
        if (master)
            master->moveTo(row);
        current = master;
    }

    void accumulate(QHash<QString, double>* pageTarget)
    {
        const Context c = ctx();
        for (const auto& [name, fn] : r->m_sums) {
            const double v = fn ? fn(c).toDouble() : c.num(name);
            if (pageTarget) {
                (*pageTarget)[name] += v;
                continue;
            }
            reportSums[name] += v;
            for (auto& g : groupSums)
                g[name] += v;
        }
    }

    void printSubDetails()
    {
        for (const auto& sd : r->m_subDetails) {
            std::shared_ptr<RecordSource> src = sd->m_source ? sd->m_source(ctx()) : nullptr;
            if (!src)
                continue;
            const int n = src->count();
            if (n == 0)
                continue;
            if (sd->m_header)
                place(*sd->m_header);
            for (int j = 0; j < n; ++j) {
                src->moveTo(j);
                current = src.get();
                subRecordNo = j + 1;
                if (sd->m_band)
                    place(*sd->m_band);
            }
            if (sd->m_footer)
                place(*sd->m_footer);
            current = master;
            subRecordNo = 0;
        }
    }

    void run()
    {
        body = r->m_page.bodyRect();
        master = r->m_source;
        current = master;
        const int levels = int(r->m_groups.size());
        groupRecordNo.assign(levels, 0);
        groupSums.assign(levels, {});
        startPage();

        const int n = master ? master->count() : 1;
        std::vector<QVariant> prevKeys(levels);
        for (int i = 0; i < n; ++i) {
            moveMaster(i);
            std::vector<QVariant> keys(levels);
            for (int l = 0; l < levels; ++l)
                keys[l] = r->m_groups[l]->m_key(ctx());
            int changed = levels;
            if (i == 0)
                changed = 0;
            else
                for (int l = 0; l < levels; ++l)
                    if (keys[l] != prevKeys[l]) {
                        changed = l;
                        break;
                    }
            if (i > 0 && changed < levels) {
                moveMaster(i - 1);
                for (int l = levels - 1; l >= changed; --l) {
                    openGroups = l + 1;
                    if (r->m_groups[l]->m_footer)
                        place(*r->m_groups[l]->m_footer);
                }
                openGroups = changed;
                moveMaster(i);
            }
            recordNo = i + 1;
            for (int l = changed; l < levels; ++l) {
                groupSums[l].clear();
                groupRecordNo[l] = 0;
            }
            for (int l = changed; l < levels; ++l) {
                const Group& g = *r->m_groups[l];
                if (g.m_newPage && i > 0 && !atPageTop)
                    newPage();
                if (g.m_header)
                    place(*g.m_header);
                openGroups = l + 1;
            }
            for (int& c : groupRecordNo)
                ++c;
            accumulate(nullptr);
            for (const auto& d : r->m_details)
                place(*d);
            accumulate(&pageSums);
            printSubDetails();
            prevKeys = std::move(keys);
        }
        if (n > 0 && levels > 0) {
            moveMaster(n - 1);
            for (int l = levels - 1; l >= 0; --l) {
                openGroups = l + 1;
                if (r->m_groups[l]->m_footer)
                    place(*r->m_groups[l]->m_footer);
            }
            openGroups = 0;
        }
        if (r->m_summary)
            place(*r->m_summary);
        for (const auto& b : r->m_moreSummaries)
            place(*b);
        lastPage = true;
        finishPage();
    }
};

// ---------------------------------------------------------------------------------------------
// Context

QVariant Context::value(const QString& column) const
{
    return m_state->current ? m_state->current->value(column) : QVariant();
}

QDate Context::date(const QString& column) const
{
    const QVariant v = value(column);
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    return QDate::fromString(v.toString().left(10), Qt::ISODate);
}

QVariant Context::master(const QString& column) const
{
    return m_state->master ? m_state->master->value(column) : QVariant();
}

int Context::recordNo() const
{
    return m_state->recordNo;
}

int Context::groupRecordNo() const
{
    return m_state->groupRecordNo.empty() ? m_state->recordNo : m_state->groupRecordNo.back();
}

int Context::subRecordNo() const
{
    return m_state->subRecordNo;
}

int Context::pageNo() const
{
    return m_state->pageNo();
}

int Context::pageCount() const
{
    m_state->pageCountAsked = true;
    return m_state->knownPageCount > 0 ? m_state->knownPageCount : m_state->pageNo();
}

QString Context::pageText() const
{
    return QStringLiteral("Strana %1 od %2").arg(pageNo()).arg(pageCount());
}

double Context::sum(const QString& name) const
{
    return m_state->reportSums.value(name);
}

double Context::groupSum(const QString& name, int level) const
{
    const auto& g = m_state->groupSums;
    if (g.empty())
        return sum(name);
    if (level < 0 || level >= int(g.size()))
        level = int(g.size()) - 1;
    return g[level].value(name);
}

double Context::pageSum(const QString& name) const
{
    return m_state->pageSums.value(name);
}

// ---------------------------------------------------------------------------------------------
// Items

Item& Item::at(double x, double y, double width, double height)
{
    m_rect = QRectF(x, y, width, height);
    return *this;
}
Item& Item::name(const QString& name)
{
    m_name = name;
    return *this;
}
Item& Item::font(const QFont& font)
{
    m_font = font;
    return *this;
}
Item& Item::size(double points)
{
    m_size = points;
    return *this;
}
Item& Item::bold(bool on)
{
    m_bold = on ? 1 : 0;
    return *this;
}
Item& Item::italic(bool on)
{
    m_italic = on ? 1 : 0;
    return *this;
}
Item& Item::left()
{
    return align(Qt::AlignLeft);
}
Item& Item::center()
{
    return align(Qt::AlignHCenter);
}
Item& Item::right()
{
    return align(Qt::AlignRight);
}
Item& Item::align(Qt::Alignment alignment)
{
    if (!(alignment & Qt::AlignVertical_Mask))
        alignment |= m_align & Qt::AlignVertical_Mask;
    m_align = alignment;
    return *this;
}
Item& Item::mask(const QString& mask)
{
    m_mask = mask;
    return *this;
}
Item& Item::wrap(bool on)
{
    m_wrap = on;
    return *this;
}
Item& Item::framed(int sides, double penWidth)
{
    m_frameSides = sides;
    m_pen = penWidth;
    return *this;
}
Item& Item::penWidth(double mm)
{
    m_pen = mm;
    return *this;
}
Item& Item::visibleIf(Condition condition)
{
    m_visible = std::move(condition);
    return *this;
}

namespace {

QString formatValue(const QVariant& v, const QString& mask)
{
    if (!v.isValid() || v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::QDate:
        return mask.isEmpty() ? fmt::date(v.toDate()) : v.toDate().toString(mask);
    case QMetaType::QDateTime:
        return fmt::dateTime(v.toDateTime());
    case QMetaType::QTime:
        return fmt::time(v.toTime());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
        return mask.isEmpty() ? QString::number(v.toLongLong()) : fmt::number(v.toDouble(), mask);
    case QMetaType::Double:
    case QMetaType::Float:
        return fmt::number(v.toDouble(), mask.isEmpty() ? QStringLiteral("0.##########") : mask);
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("Da") : QStringLiteral("Ne");
    default:
        return v.toString();
    }
}

} // namespace

QString Item::textFor(const Context& c) const
{
    if (!m_value)
        return {};
    return formatValue(m_value(c), m_mask);
}

// ---------------------------------------------------------------------------------------------
// Bands

Band& Band::height(double mm)
{
    m_height = mm;
    return *this;
}
Band& Band::visibleIf(Condition condition)
{
    m_visible = std::move(condition);
    return *this;
}
Band& Band::newPageBefore(bool on)
{
    m_newPage = on;
    return *this;
}
Band& Band::onFirstPage(bool on)
{
    m_firstPage = on;
    return *this;
}
Band& Band::onLastPage(bool on)
{
    m_lastPage = on;
    return *this;
}

Item& Band::add(Item::Kind kind)
{
    m_items.push_back(std::unique_ptr<Item>(new Item(kind)));
    return *m_items.back();
}

Item& Band::label(const QString& text)
{
    Item& it = add(Item::Kind::Label);
    it.m_value = [text](const Context&) { return QVariant(text); };
    return it;
}

Item& Band::field(const QString& column, const QString& mask)
{
    return field([column](const Context& c) { return c.value(column); }, mask).name(column);
}

Item& Band::dateField(const QString& column, const QString& format)
{
    return field(
               [column](const Context& c) {
                   const QDate d = c.date(column);
                   return d.isValid() ? QVariant(d) : QVariant();
               },
               format)
        .name(column);
}

Item& Band::field(ValueFn value, const QString& mask)
{
    Item& it = add(Item::Kind::Field);
    it.m_value = std::move(value);
    it.m_mask = mask;
    return it;
}

Item& Band::sum(const QString& name, const QString& mask)
{
    if (!m_owner->hasSum(name))
        m_owner->addSum(name);
    ValueFn fn;
    switch (m_type) {
    case BandType::GroupHeader:
    case BandType::GroupFooter: {
        const int level = m_level;
        fn = [name, level](const Context& c) { return c.groupSum(name, level); };
        break;
    }
    case BandType::PageHeader:
    case BandType::PageFooter:
        fn = [name](const Context& c) { return c.pageSum(name); };
        break;
    default:
        fn = [name](const Context& c) { return c.sum(name); };
    }
    return field(std::move(fn), mask.isEmpty() ? QStringLiteral("#,##0.00") : mask).name(name);
}

Item& Band::richText(const QString& htmlOrPlain)
{
    return richText([htmlOrPlain](const Context&) { return QVariant(htmlOrPlain); });
}

Item& Band::richText(ValueFn value)
{
    Item& it = add(Item::Kind::RichText);
    it.m_value = std::move(value);
    it.m_wrap = true;
    return it;
}

Item& Band::line(double x1, double y1, double x2, double y2)
{
    Item& it = add(Item::Kind::Line);
    it.m_line = QLineF(x1, y1, x2, y2);
    it.m_rect = QRectF(it.m_line.p1(), it.m_line.p2()).normalized();
    return it;
}

Item& Band::hline(double y)
{
    Item& it = line(0, y, 0, y);
    it.m_toRightEdge = true;
    return it;
}

Item& Band::frame(double x, double y, double width, double height)
{
    return add(Item::Kind::Frame).at(x, y, width, height);
}

Item& Band::picture(const QImage& image)
{
    Item& it = add(Item::Kind::Picture);
    it.m_image = image;
    return it;
}

Item& Band::picture(std::function<QImage(const Context&)> image)
{
    Item& it = add(Item::Kind::Picture);
    it.m_value = [image = std::move(image)](const Context& c) { return QVariant::fromValue(image(c)); };
    return it;
}

// ---------------------------------------------------------------------------------------------
// Groups and sub-details

Group::Group(Report* owner, int level, ValueFn key)
    : m_key(std::move(key)), m_header(new Band(owner, BandType::GroupHeader, level)),
      m_footer(new Band(owner, BandType::GroupFooter, level))
{
}

Band& Group::header(double height)
{
    if (height > 0)
        m_header->m_height = height;
    return *m_header;
}

Band& Group::footer(double height)
{
    if (height > 0)
        m_footer->m_height = height;
    return *m_footer;
}

Group& Group::newPageEach(bool on)
{
    m_newPage = on;
    return *this;
}

Group& Group::repeatHeader(bool on)
{
    m_repeat = on;
    return *this;
}

SubDetail::SubDetail(Report* owner, SourceFn source)
    : m_source(std::move(source)), m_header(new Band(owner, BandType::SubDetailHeader, 0)),
      m_band(new Band(owner, BandType::SubDetail, 0)), m_footer(new Band(owner, BandType::SubDetailFooter, 0))
{
}

Band& SubDetail::header(double height)
{
    if (height > 0)
        m_header->m_height = height;
    return *m_header;
}

Band& SubDetail::band(double height)
{
    if (height > 0)
        m_band->m_height = height;
    return *m_band;
}

Band& SubDetail::footer(double height)
{
    if (height > 0)
        m_footer->m_height = height;
    return *m_footer;
}

// ---------------------------------------------------------------------------------------------
// Report

Report::Report() : m_font(QStringLiteral("DejaVu Sans"), 9) {}

Report::~Report() = default;

Band& Report::band(std::unique_ptr<Band>& slot, BandType type, double height)
{
    if (!slot)
        slot.reset(new Band(this, type, 0));
    if (height > 0)
        slot->m_height = height;
    return *slot;
}

Band& Report::title(double height)
{
    return band(m_titleBand, BandType::Title, height);
}
Band& Report::pageHeader(double height)
{
    return band(m_pageHeader, BandType::PageHeader, height);
}
Band& Report::columnHeader(double height)
{
    return band(m_columnHeader, BandType::ColumnHeader, height);
}
Band& Report::summary(double height)
{
    return band(m_summary, BandType::Summary, height);
}
Band& Report::addSummary(double height)
{
    summary();
    m_moreSummaries.emplace_back(new Band(this, BandType::Summary, 0));
    m_moreSummaries.back()->m_height = height;
    return *m_moreSummaries.back();
}
Band& Report::pageFooter(double height)
{
    return band(m_pageFooter, BandType::PageFooter, height);
}

Band& Report::detail(double height)
{
    if (m_details.empty())
        m_details.emplace_back(new Band(this, BandType::Detail, 0));
    if (height > 0)
        m_details.front()->m_height = height;
    return *m_details.front();
}

Band& Report::addDetail(double height)
{
    if (m_details.empty())
        detail();
    m_details.emplace_back(new Band(this, BandType::Detail, 0));
    m_details.back()->m_height = height;
    return *m_details.back();
}

Group& Report::addGroup(const QString& column)
{
    return addGroup([column](const Context& c) { return c.value(column); });
}

Group& Report::addGroup(ValueFn key)
{
    m_groups.emplace_back(new Group(this, int(m_groups.size()), std::move(key)));
    return *m_groups.back();
}

SubDetail& Report::addSubDetail(SubDetail::SourceFn source)
{
    m_subDetails.emplace_back(new SubDetail(this, std::move(source)));
    return *m_subDetails.back();
}

void Report::addSum(const QString& name, ValueFn value)
{
    for (auto& s : m_sums)
        if (s.first == name) {
            s.second = std::move(value);
            return;
        }
    m_sums.emplace_back(name, std::move(value));
}

bool Report::hasSum(const QString& name) const
{
    return std::any_of(m_sums.begin(), m_sums.end(), [&](const auto& s) { return s.first == name; });
}

PreparedReport Report::prepare()
{
    beforePrepare();
    const int keep = m_source ? m_source->position() : -1;
    EngineState s;
    s.r = this;
    s.run();
    // "Page N of M" needs the count of a finished run; a second run rarely changes it, a third never
    // should, but stop there whatever happens.
    for (int pass = 0; pass < 2 && s.pageCountAsked && s.knownPageCount != s.pageNo(); ++pass) {
        EngineState again;
        again.r = this;
        again.knownPageCount = s.pageNo();
        again.run();
        s = std::move(again);
    }
    if (m_source && keep >= 0)
        m_source->moveTo(keep);
    s.out.title = m_title;
    s.out.previewMinMaxButtons = m_previewMinMax;
    return std::move(s.out);
}

// ---------------------------------------------------------------------------------------------
// Prepared pages

QStringList PreparedPage::texts() const
{
    QStringList out;
    for (const PreparedItem& p : items)
        if (p.kind == PreparedItem::Kind::Text || p.kind == PreparedItem::Kind::RichText)
            out << p.text;
    return out;
}

QString PreparedPage::text() const
{
    return texts().join(QLatin1Char('\n'));
}

bool PreparedPage::containsText(const QString& needle, Qt::CaseSensitivity cs) const
{
    for (const PreparedItem& p : items)
        if ((p.kind == PreparedItem::Kind::Text || p.kind == PreparedItem::Kind::RichText) &&
            p.text.contains(needle, cs))
            return true;
    return false;
}

const PreparedItem* PreparedPage::find(const QString& name) const
{
    for (const PreparedItem& p : items)
        if (p.name == name)
            return &p;
    return nullptr;
}

std::vector<const PreparedItem*> PreparedPage::findAll(const QString& name) const
{
    std::vector<const PreparedItem*> out;
    for (const PreparedItem& p : items)
        if (p.name == name)
            out.push_back(&p);
    return out;
}

QString PreparedReport::text() const
{
    QStringList out;
    for (const PreparedPage& p : pages)
        out << p.text();
    return out.join(QLatin1Char('\f'));
}

std::vector<const PreparedItem*> PreparedReport::findAll(const QString& name) const
{
    std::vector<const PreparedItem*> out;
    for (const PreparedPage& p : pages)
        for (const PreparedItem* i : p.findAll(name))
            out.push_back(i);
    return out;
}

} // namespace tarvel::reports
