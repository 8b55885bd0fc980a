#include "reports/render.h"
#include "reports/report.h"
#include "reports/tableobjectsource.h" // the adapter must at least compile against the data layer

#include <QtTest>

using namespace tarvel::reports;

namespace {

// Invoices of three customers, ordered by customer.
QList<QVariantMap> invoices(int perCustomer = 3)
{
    QList<QVariantMap> rows;
    const QStringList customers{QStringLiteral("Ančić d.o.o."), QStringLiteral("Bošnjak obrt"),
                                QStringLiteral("Čačić j.d.o.o.")};
    int no = 1;
    for (int c = 0; c < customers.size(); ++c)
        for (int i = 0; i < perCustomer; ++i, ++no)
            rows.append({{QStringLiteral("KUPAC"), customers[c]},
                         {QStringLiteral("BR_RAC"), QStringLiteral("%1-1-1").arg(no)},
                         {QStringLiteral("UKIZNOS"), 10.25 * no},
                         {QStringLiteral("DATUM"), QDate(2026, 3, no)}});
    return rows;
}

QList<QVariantMap> numbered(int n)
{
    QList<QVariantMap> rows;
    for (int i = 1; i <= n; ++i)
        rows.append({{QStringLiteral("N"), i}, {QStringLiteral("IZNOS"), 1.5 * i}});
    return rows;
}

// The band of each item on the page, neighbours merged: the order in which bands were placed.
QList<BandType> bandOrder(const PreparedPage& page)
{
    QList<BandType> out;
    for (const PreparedItem& it : page.items)
        if (out.isEmpty() || out.back() != it.band)
            out << it.band;
    return out;
}

QStringList textsOf(const PreparedReport& r, const QString& name)
{
    QStringList out;
    for (const PreparedItem* it : r.findAll(name))
        out << it->text;
    return out;
}

// A list with page header, column header, 6 mm details and "Strana N od M" in the page footer.
void listLayout(Report& r)
{
    r.pageHeader(10).label(QStringLiteral("Popis računa")).at(0, 0, 190, 6).name(QStringLiteral("naslov"));
    r.columnHeader(6).label(QStringLiteral("Broj")).at(0, 0, 30, 5).name(QStringLiteral("stupac"));
    r.detail(6).field(QStringLiteral("N")).at(0, 0, 30, 5);
    r.pageFooter(8)
        .field([](const Context& c) { return c.pageText(); })
        .at(0, 2, 190, 5)
        .right()
        .name(QStringLiteral("strana"));
}

// The layout of the engine header's example, as a layout class is written.
class TDnevnikReport : public Report
{
public:
    explicit TDnevnikReport(RecordSource* rows)
    {
        setSource(rows);
        setPage(PageSetup::a4Landscape());
        pageHeader(12).label("Dnevnik izdanih računa").at(0, 0, 0, 6).center().bold();
        auto& ch = columnHeader(6);
        ch.label("RBr.").at(0, 0, 12, 5).framed();
        ch.label("Broj računa").at(12, 0, 30, 5).framed();
        auto& g = addGroup("NAC_PLAC");
        g.footer(6).sum("UKIZNOS", "###,###,##0.00").at(200, 0, 30, 5).right();
        auto& d = detail(5);
        d.field([](const Context& c) { return QString::number(c.recordNo()) + '.'; }).at(0, 0, 10, 5).name("rb");
        d.field("BR_RAC").at(12, 0, 30, 5);
        d.dateField("DATUM").at(44, 0, 22, 5);
        d.field("UKIZNOS", "###,###,##0.00").at(200, 0, 30, 5).right();
        d.field("OPIS").at(232, 0, 45, 5).wrap();
        d.label("storno").at(68, 0, 15, 5).name("storno").visibleIf([](const Context& c) {
            return c.num("UKIZNOS") < 0;
        });
        summary(6).sum("UKIZNOS", "###,###,##0.00").at(200, 0, 30, 5).right().bold().name("ukupno");
        pageFooter(5).field([](const Context& c) { return c.pageText(); }).at(0, 0, 0, 5).right().name("str");
    }
};

} // namespace

class TestReportEngine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void layoutClassAsWritten();
    void bandsPrintInTheirOrder();
    void detailListBreaksOverPagesWithHeadersAndPageNumbers();
    void pageFooterOnFirstAndLastPageCanBeLeftOut();
    void groupFootersSumPerGroupAndSummaryOverAll();
    void nestedGroupsAndNewPagePerGroup();
    void groupHeaderRepeatsOnTheNextPage();
    void hiddenItemIsAbsentAndHiddenBandTakesNoSpace();
    void fieldMasks_data();
    void fieldMasks();
    void datesStoredAsIsoText();
    void a5LayoutStaysInTheUpperHalfOfA4();
    void landscapeSheet();
    void wrappedTextGrowsItsBandAndPushesItemsBelow();
    void chainedDetailsAndSubDetailPerRecord();
    void runningNumbersCountReportAndGroup();
    void datasetAdapterRestoresTheCurrentRow();
    void emptySourcePrintsSummaryOnly();
    void oneRecordReportWithoutSource();
    void linesFramesPicturesAndRichText();
    void renderedPageShowsItsText();
};

void TestReportEngine::layoutClassAsWritten()
{
    ListSource rows;
    rows.append({{"NAC_PLAC", "G - Novčanice"}, {"BR_RAC", "1-1-1"}, {"DATUM", "2026-03-01"}, {"UKIZNOS", 125.0},
                 {"OPIS", "Usluga"}});
    rows.append({{"NAC_PLAC", "G - Novčanice"}, {"BR_RAC", "2-1-1"}, {"DATUM", "2026-03-01"}, {"UKIZNOS", -125.0},
                 {"OPIS", "Storno računa 1-1-1"}});
    rows.append({{"NAC_PLAC", "T - Transakcijski račun"}, {"BR_RAC", "3-1-1"}, {"DATUM", "2026-03-02"},
                 {"UKIZNOS", 1000.5}, {"OPIS", "Najam opreme za mjesec ožujak, prema ugovoru broj 12/2026"}});
    TDnevnikReport layout(&rows);
    const PreparedReport p = layout.prepare();
    QCOMPARE(p.pageCount(), 1);
    QCOMPARE(p.pages[0].size(), QSizeF(297, 210));
    QCOMPARE(textsOf(p, "rb"), (QStringList{"1.", "2.", "3."}));
    QCOMPARE(textsOf(p, "DATUM"), (QStringList{"01.03.2026", "01.03.2026", "02.03.2026"}));
    QCOMPARE(textsOf(p, "storno").size(), 1);
    QCOMPARE(textsOf(p, "UKIZNOS"), (QStringList{"125,00", "-125,00", "0,00", "1.000,50", "1.000,50"}));
    QCOMPARE(textsOf(p, "ukupno"), QStringList{"1.000,50"});
    QCOMPARE(textsOf(p, "str"), QStringList{"Strana 1 od 1"});
    const PreparedItem* title = p.pages[0].items.data();
    QCOMPARE(title->rect.width(), 277.0);
}

void TestReportEngine::bandsPrintInTheirOrder()
{
    ListSource src(invoices(2));
    Report r;
    r.setSource(&src);
    r.title(10).label(QStringLiteral("Naslov"));
    r.pageHeader(8).label(QStringLiteral("Zaglavlje"));
    r.columnHeader(6).label(QStringLiteral("Stupci"));
    Group& g = r.addGroup(QStringLiteral("KUPAC"));
    g.header(6).field(QStringLiteral("KUPAC"));
    g.footer(6).sum(QStringLiteral("UKIZNOS"));
    r.detail(5).field(QStringLiteral("BR_RAC"));
    r.summary(6).label(QStringLiteral("Sveukupno"));
    r.pageFooter(6).label(QStringLiteral("Podnožje"));
    const PreparedReport p = r.prepare();
    QCOMPARE(p.pageCount(), 1);
    using B = BandType;
    const QList<BandType> expected{B::PageHeader,  B::Title,       B::ColumnHeader, B::GroupHeader,
                                   B::Detail,      B::GroupFooter, B::GroupHeader,  B::Detail,
                                   B::GroupFooter, B::GroupHeader, B::Detail,       B::GroupFooter,
                                   B::Summary,     B::PageFooter};
    QCOMPARE(bandOrder(p.pages[0]), expected);
    // Bands follow one another downwards; the page footer sits at the foot of the body.
    const auto& items = p.pages[0].items;
    for (size_t i = 1; i + 1 < items.size(); ++i)
        QVERIFY2(items[i].rect.top() >= items[i - 1].rect.top(), qPrintable(items[i].text));
    QCOMPARE(items.back().text, QStringLiteral("Podnožje"));
    QCOMPARE(items.back().rect.top(), 297.0 - 10 - 6);
    QCOMPARE(p.pages[0].texts().mid(0, 5),
             (QStringList{QStringLiteral("Zaglavlje"), QStringLiteral("Naslov"), QStringLiteral("Stupci"),
                          QStringLiteral("Ančić d.o.o."), QStringLiteral("1-1-1")}));
}

void TestReportEngine::detailListBreaksOverPagesWithHeadersAndPageNumbers()
{
    ListSource src(numbered(100));
    Report r;
    r.setSource(&src);
    listLayout(r);
    const PreparedReport p = r.prepare();
    // Body 277 mm: header 10 + column header 6, footer 8 reserved => 253 mm, 42 rows of 6 mm a page.
    QCOMPARE(p.pageCount(), 3);
    QStringList all;
    for (int i = 0; i < p.pageCount(); ++i) {
        const PreparedPage& page = p.pages[i];
        QCOMPARE(page.items.front().text, QStringLiteral("Popis računa"));
        QCOMPARE(page.findAll(QStringLiteral("stupac")).size(), size_t(1));
        const PreparedItem* footer = page.find(QStringLiteral("strana"));
        QVERIFY(footer);
        QCOMPARE(footer->text, QStringLiteral("Strana %1 od 3").arg(i + 1));
        for (const PreparedItem* d : page.findAll(QStringLiteral("N"))) {
            QVERIFY2(d->rect.bottom() <= footer->rect.top(), "a detail ran into the page footer");
            all << d->text;
        }
    }
    QCOMPARE(p.pages[0].findAll(QStringLiteral("N")).size(), size_t(42));
    QCOMPARE(p.pages[2].findAll(QStringLiteral("N")).size(), size_t(16));
    QStringList expected;
    for (int i = 1; i <= 100; ++i)
        expected << QString::number(i);
    QCOMPARE(all, expected); // every record once, in order
}

void TestReportEngine::pageFooterOnFirstAndLastPageCanBeLeftOut()
{
    ListSource src(numbered(100));
    Report r;
    r.setSource(&src);
    listLayout(r);
    r.pageHeader().onFirstPage(false);
    r.pageFooter().onFirstPage(false).onLastPage(false);
    r.title(20).label(QStringLiteral("Naslovna"));
    const PreparedReport p = r.prepare();
    QVERIFY(p.pageCount() >= 3);
    QVERIFY(!p.pages[0].containsText(QStringLiteral("Popis računa")));
    QVERIFY(p.pages[0].containsText(QStringLiteral("Naslovna")));
    QVERIFY(!p.pages[1].containsText(QStringLiteral("Naslovna")));
    QVERIFY(p.pages[1].containsText(QStringLiteral("Popis računa")));
    QVERIFY(!p.pages[0].find(QStringLiteral("strana")));
    QVERIFY(p.pages[1].find(QStringLiteral("strana")));
    QVERIFY(!p.pages.back().find(QStringLiteral("strana")));
}

void TestReportEngine::groupFootersSumPerGroupAndSummaryOverAll()
{
    ListSource src(invoices(3));
    Report r;
    r.setSource(&src);
    Group& g = r.addGroup(QStringLiteral("KUPAC"));
    g.header(6).field(QStringLiteral("KUPAC")).name(QStringLiteral("glava"));
    // The footer still sees the group's last record, not the next group's first.
    g.footer(6).field(QStringLiteral("KUPAC")).name(QStringLiteral("kupac_u_podnozju"));
    g.footer().sum(QStringLiteral("UKIZNOS"), QStringLiteral("###,##0.00")).at(100, 0, 40, 5);
    g.footer().field([](const Context& c) { return c.groupRecordNo(); }).at(150, 0, 10, 5).name("broj");
    r.detail(5).field(QStringLiteral("UKIZNOS"), QStringLiteral("###,##0.00"));
    r.detail()
        .field([](const Context& c) { return c.sum(QStringLiteral("UKIZNOS")); }, "0.00")
        .name("tekuci");
    r.summary(6).sum(QStringLiteral("UKIZNOS"), QStringLiteral("###,##0.00")).name(QStringLiteral("ukupno"));
    const PreparedReport p = r.prepare();
    // 10.25 * (1+2+3), * (4+5+6), * (7+8+9)
    QCOMPARE(textsOf(p, QStringLiteral("UKIZNOS")).mid(0, 3),
             (QStringList{QStringLiteral("10,25"), QStringLiteral("20,50"), QStringLiteral("30,75")}));
    const QStringList footers = [&] {
        QStringList out;
        for (const PreparedItem* it : p.findAll(QStringLiteral("UKIZNOS")))
            if (it->band == BandType::GroupFooter)
                out << it->text;
        return out;
    }();
    QCOMPARE(footers,
             (QStringList{QStringLiteral("61,50"), QStringLiteral("153,75"), QStringLiteral("246,00")}));
    QCOMPARE(textsOf(p, QStringLiteral("ukupno")), QStringList{QStringLiteral("461,25")});
    QCOMPARE(textsOf(p, QStringLiteral("kupac_u_podnozju")),
             (QStringList{QStringLiteral("Ančić d.o.o."), QStringLiteral("Bošnjak obrt"),
                          QStringLiteral("Čačić j.d.o.o.")}));
    QCOMPARE(textsOf(p, QStringLiteral("broj")), (QStringList{"3", "3", "3"}));
    QCOMPARE(textsOf(p, QStringLiteral("tekuci")).mid(2, 2), (QStringList{"61,50", "102,50"}));
}

void TestReportEngine::nestedGroupsAndNewPagePerGroup()
{
    QList<QVariantMap> rows;
    const char* data[][3] = {
        {"A", "x", "1"}, {"A", "x", "2"}, {"A", "y", "3"}, {"B", "y", "4"}, {"B", "y", "5"}};
    for (auto& d : data)
        rows.append({{"G1", d[0]}, {"G2", d[1]}, {"V", QString::fromLatin1(d[2]).toDouble()}});
    ListSource src(rows);
    Report r;
    r.setSource(&src);
    Group& outer = r.addGroup(QStringLiteral("G1"));
    outer.newPageEach();
    Group& inner = r.addGroup(QStringLiteral("G2"));
    outer.footer(5).sum(QStringLiteral("V"), QStringLiteral("0")).name(QStringLiteral("s1"));
    inner.footer(5).sum(QStringLiteral("V"), QStringLiteral("0")).name(QStringLiteral("s2"));
    inner.header(5).field([](const Context& c) { return c.str("G1") + c.str("G2"); }).name("h2");
    r.detail(5).field(QStringLiteral("V"));
    const PreparedReport p = r.prepare();
    QCOMPARE(p.pageCount(), 2);
    QCOMPARE(textsOf(p, QStringLiteral("h2")), (QStringList{"Ax", "Ay", "By"}));
    QCOMPARE(textsOf(p, QStringLiteral("s2")), (QStringList{"3", "3", "9"}));
    QCOMPARE(textsOf(p, QStringLiteral("s1")), (QStringList{"6", "9"}));
    QVERIFY(p.pages[1].containsText(QStringLiteral("By")));
    QVERIFY(!p.pages[0].containsText(QStringLiteral("By")));
}

void TestReportEngine::groupHeaderRepeatsOnTheNextPage()
{
    ListSource src(invoices(30));
    Report r;
    r.setSource(&src);
    r.pageHeader(10).label(QStringLiteral("Kartica"));
    r.columnHeader(6).label(QStringLiteral("Broj"));
    r.columnHeader().onFirstPage(false);
    Group& g = r.addGroup(QStringLiteral("KUPAC"));
    g.repeatHeader();
    g.header(6).field(QStringLiteral("KUPAC")).name(QStringLiteral("kupac"));
    g.footer(6).sum(QStringLiteral("UKIZNOS")).name(QStringLiteral("zbroj"));
    r.detail(8).field(QStringLiteral("KUPAC")).name(QStringLiteral("d"));
    const PreparedReport p = r.prepare();
    QVERIFY(p.pageCount() >= 3);
    QVERIFY(!p.pages[0].containsText(QStringLiteral("Broj")));
    for (int i = 1; i < p.pageCount(); ++i) {
        const PreparedPage& page = p.pages[i];
        QCOMPARE(page.texts().mid(0, 2), (QStringList{QStringLiteral("Kartica"), QStringLiteral("Broj")}));
        // The first thing under the column header names the customer whose rows continue here.
        const PreparedItem* first = page.find(QStringLiteral("kupac"));
        const PreparedItem* detail = page.find(QStringLiteral("d"));
        QVERIFY(first && detail);
        QCOMPARE(page.texts().at(2), first->text);
        if (detail->rect.top() < first->rect.top())
            QFAIL("a detail came before its group header");
    }
    // Three groups, each header once at its start plus once per page it runs onto.
    QCOMPARE(textsOf(p, QStringLiteral("zbroj")).size(), 3);
    QCOMPARE(int(p.findAll(QStringLiteral("kupac")).size()), 3 + p.pageCount() - 1);
}

void TestReportEngine::hiddenItemIsAbsentAndHiddenBandTakesNoSpace()
{
    ListSource src(invoices(1));
    Report r;
    r.setSource(&src);
    Band& d = r.detail(10);
    d.field(QStringLiteral("BR_RAC"));
    d.label(QStringLiteral("Veliki iznos"))
        .at(50, 0, 40, 5)
        .name(QStringLiteral("veliki"))
        .visibleIf([](const Context& c) { return c.num(QStringLiteral("UKIZNOS")) > 15; });
    r.addDetail(7)
        .visibleIf(
            [](const Context& c) { return c.str(QStringLiteral("KUPAC")).startsWith(QStringLiteral("B")); })
        .label(QStringLiteral("Samo Bošnjak"))
        .name(QStringLiteral("bosnjak"));
    const PreparedReport p = r.prepare();
    const auto numbers = p.findAll(QStringLiteral("BR_RAC"));
    QCOMPARE(numbers.size(), size_t(3));
    QCOMPARE(p.findAll(QStringLiteral("veliki")).size(), size_t(2)); // 20,50 and 30,75; not 10,25
    QVERIFY(numbers[0]->rect.top() + 10 == numbers[1]->rect.top());
    QCOMPARE(p.findAll(QStringLiteral("bosnjak")).size(), size_t(1));
    // The second customer's chained band took 7 mm, the others none.
    QCOMPARE(numbers[2]->rect.top() - numbers[1]->rect.top(), 17.0);
    QCOMPARE(numbers[0]->rect.top(), 10.0);
}

void TestReportEngine::fieldMasks_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("expected");
    QTest::newRow("amount") << QVariant(1234567.5) << "###,###,###,###,##0.00"
                            << "1.234.567,50";
    QTest::newRow("negative amount") << QVariant(-12.5) << "###,##0.00"
                                     << "-12,50";
    QTest::newRow("rate") << QVariant(25.0) << "#0.00%"
                          << "25,00%";
    QTest::newRow("half away from zero") << QVariant(0.125) << "0.00"
                                         << "0,13";
    QTest::newRow("integer with mask") << QVariant(7) << "000"
                                       << "007";
    QTest::newRow("integer plain") << QVariant(42) << ""
                                   << "42";
    QTest::newRow("double plain") << QVariant(12.5) << ""
                                  << "12,5";
    QTest::newRow("date") << QVariant(QDate(2026, 3, 5)) << ""
                          << "05.03.2026";
    QTest::newRow("text ignores mask") << QVariant(QStringLiteral("Šljunak")) << "0.00"
                                       << "Šljunak";
    QTest::newRow("null") << QVariant() << "0.00"
                          << "";
    QTest::newRow("date with format") << QVariant(QDate(2026, 3, 5)) << "d.M.yy"
                                      << "5.3.26";
}

void TestReportEngine::fieldMasks()
{
    QFETCH(QVariant, value);
    QFETCH(QString, mask);
    QFETCH(QString, expected);
    ListSource src({{{QStringLiteral("V"), value}}});
    Report r;
    r.setSource(&src);
    r.detail(5).field(QStringLiteral("V"), mask);
    const PreparedReport p = r.prepare();
    QCOMPARE(textsOf(p, QStringLiteral("V")), QStringList{expected});
}

void TestReportEngine::datesStoredAsIsoText()
{
    ListSource src({{{QStringLiteral("DATUM"), QStringLiteral("2026-12-31")}},
                    {{QStringLiteral("DATUM"), QStringLiteral("2026-01-02 08:15:00")}},
                    {{QStringLiteral("DATUM"), QVariant()}}});
    Report r;
    r.setSource(&src);
    r.detail(5).dateField(QStringLiteral("DATUM"));
    QCOMPARE(textsOf(r.prepare(), QStringLiteral("DATUM")), (QStringList{"31.12.2026", "02.01.2026", ""}));
}

void TestReportEngine::a5LayoutStaysInTheUpperHalfOfA4()
{
    ListSource src(numbered(40));
    Report r;
    r.setPage(PageSetup::a5OnA4().withMargins(10, 8, 10, 8));
    r.setSource(&src);
    listLayout(r);
    const PreparedReport p = r.prepare();
    QVERIFY(p.pageCount() > 1);
    for (const PreparedPage& page : p.pages) {
        QCOMPARE(page.size(), QSizeF(210, 297));
        for (const PreparedItem& it : page.items)
            QVERIFY2(it.rect.bottom() <= 148.5 - 8 + 1e-9, qPrintable(it.text));
        QCOMPARE(page.find(QStringLiteral("strana"))->rect.top(), 148.5 - 8 - 8 + 2);
    }
    // Body 132.5 mm less 10 + 6 headers and 8 footer: 18 rows of 6 mm.
    QCOMPARE(p.pages[0].findAll(QStringLiteral("N")).size(), size_t(18));
}

void TestReportEngine::landscapeSheet()
{
    Report r;
    r.setPage(PageSetup::a4Landscape());
    r.detail(5).hline(2).name(QStringLiteral("crta"));
    r.detail().label(QStringLiteral("Široko")).right().name(QStringLiteral("desno"));
    const PreparedReport p = r.prepare();
    QCOMPARE(p.pages[0].size(), QSizeF(297, 210));
    const PreparedItem* line = p.pages[0].find(QStringLiteral("crta"));
    QCOMPARE(line->line, QLineF(10, 12, 287, 12));
    QCOMPARE(p.pages[0].find(QStringLiteral("desno"))->rect.right(), 287.0);
    QCOMPARE(p.pages[0].setup.pageLayout().orientation(), QPageLayout::Landscape);
}

void TestReportEngine::wrappedTextGrowsItsBandAndPushesItemsBelow()
{
    const QString longText =
        QStringLiteral("Poduzetnik nije u sustavu PDV-a pa prema čl. 90. Zakona o PDV-u, "
                       "PDV nije obračunan. ")
            .repeated(3);
    ListSource src({{{QStringLiteral("T"), longText}}, {{QStringLiteral("T"), QStringLiteral("Kratko")}}});
    Report r;
    r.setSource(&src);
    Band& d = r.detail(12);
    d.field(QStringLiteral("T")).at(0, 0, 50, 5).wrap();
    d.label(QStringLiteral("Ispod")).at(0, 6, 50, 5).name(QStringLiteral("ispod"));
    d.label(QStringLiteral("Desno")).at(60, 0, 50, 5).name(QStringLiteral("desno"));
    const PreparedReport p = r.prepare();
    const auto texts = p.findAll(QStringLiteral("T"));
    const auto below = p.findAll(QStringLiteral("ispod"));
    const auto right = p.findAll(QStringLiteral("desno"));
    QVERIFY(texts[0]->rect.height() > 20);
    QVERIFY(texts[0]->wrap);
    const double grow = texts[0]->rect.height() - 5;
    QCOMPARE(below[0]->rect.top(), texts[0]->rect.top() + 6 + grow);  // pushed down by the growth
    QCOMPARE(right[0]->rect.top(), texts[0]->rect.top());             // beside it: stays
    QCOMPARE(texts[1]->rect.top(), texts[0]->rect.top() + 12 + grow); // the band grew as much
    QCOMPARE(texts[1]->rect.height(), 5.0);
    QCOMPARE(below[1]->rect.top(), texts[1]->rect.top() + 6);

    // An item of automatic size (full width, one line) grows the same way.
    Report auto_;
    ListSource one({{{QStringLiteral("T"), longText.repeated(3)}}});
    auto_.setSource(&one);
    auto_.detail(5).field(QStringLiteral("T")).wrap();
    auto_.detail().label(QStringLiteral("Ispod")).at(0, 5).name(QStringLiteral("ispod"));
    auto_.detail().hline(5).name(QStringLiteral("crta"));
    const PreparedReport q = auto_.prepare();
    const PreparedItem* t = q.pages[0].find(QStringLiteral("T"));
    QCOMPARE(t->rect.width(), 190.0);
    QVERIFY(t->rect.height() > 8);
    // Both stood 5 mm below the top of a one-line item: they keep that gap under its last line.
    const double gap = q.pages[0].find(QStringLiteral("ispod"))->rect.top() - t->rect.bottom();
    QVERIFY2(gap > 0 && gap < 2, qPrintable(QString::number(gap)));
    QCOMPARE(q.pages[0].find(QStringLiteral("crta"))->line.y1() - t->rect.bottom(), gap);
    QCOMPARE(q.pages[0].find(QStringLiteral("crta"))->line.x2(), 200.0);
}

void TestReportEngine::chainedDetailsAndSubDetailPerRecord()
{
    ListSource src(invoices(1));
    Report r;
    r.setSource(&src);
    r.detail(5).field(QStringLiteral("BR_RAC")).name(QStringLiteral("d"));
    r.addDetail(5).field([](const Context& c) { return QStringLiteral("2:") + c.str("BR_RAC"); }).name("d");
    SubDetail& sd = r.addSubDetail([](const Context& c) {
        auto s = std::make_shared<ListSource>();
        const int n = c.recordNo(); // record k has k lines
        for (int i = 1; i <= n; ++i)
            s->append({{QStringLiteral("STAVKA"), QStringLiteral("s%1").arg(i)}});
        return s;
    });
    sd.header(4).label(QStringLiteral("stavke")).name("d");
    sd.band(4)
        .field([](const Context& c) {
            return c.master(QStringLiteral("BR_RAC")).toString() + QLatin1Char('/') + c.str("STAVKA") +
                   QLatin1Char('#') + QString::number(c.subRecordNo());
        })
        .name("d");
    sd.footer(4).label(QStringLiteral("kraj")).name("d");
    const PreparedReport p = r.prepare();
    QCOMPARE(textsOf(p, QStringLiteral("d")),
             (QStringList{"1-1-1", "2:1-1-1", "stavke", "1-1-1/s1#1", "kraj",               //
                          "2-1-1", "2:2-1-1", "stavke", "2-1-1/s1#1", "2-1-1/s2#2", "kraj", //
                          "3-1-1", "2:3-1-1", "stavke", "3-1-1/s1#1", "3-1-1/s2#2", "3-1-1/s3#3", "kraj"}));
    const auto sub = p.findAll(QStringLiteral("d"));
    QCOMPARE(sub[3]->band, BandType::SubDetail);
    QCOMPARE(sub[2]->band, BandType::SubDetailHeader);
}

void TestReportEngine::runningNumbersCountReportAndGroup()
{
    ListSource src(invoices(2));
    Report r;
    r.setSource(&src);
    r.addGroup(QStringLiteral("KUPAC"));
    r.detail(5)
        .field(
            [](const Context& c) { return QStringLiteral("%1.%2").arg(c.recordNo()).arg(c.groupRecordNo()); })
        .name("rb");
    const PreparedReport p = r.prepare();
    QCOMPARE(textsOf(p, QStringLiteral("rb")), (QStringList{"1.1", "2.2", "3.1", "4.2", "5.1", "6.2"}));
}

namespace {
// The shape of a table object, as far as the adapter needs it.
struct FakeDataset
{
    QList<QVariantMap> rows;
    int pos = 0;
    int moves = 0;
    int recordCount() const { return int(rows.size()); }
    int recNo() const { return pos; }
    void moveTo(int row)
    {
        pos = row;
        ++moves;
    }
    QVariant value(const QString& column) const { return rows.value(pos).value(column); }
};
} // namespace

void TestReportEngine::datasetAdapterRestoresTheCurrentRow()
{
    FakeDataset ds{invoices(2), 4};
    DatasetSource<FakeDataset> src(ds);
    Report r;
    r.setSource(&src);
    r.detail(5).field(QStringLiteral("BR_RAC"));
    const PreparedReport p = r.prepare();
    QCOMPARE(textsOf(p, QStringLiteral("BR_RAC")).size(), 6);
    QCOMPARE(textsOf(p, QStringLiteral("BR_RAC")).first(), QStringLiteral("1-1-1"));
    QCOMPARE(ds.pos, 4);
    QVERIFY(ds.moves >= 6);
}

void TestReportEngine::emptySourcePrintsSummaryOnly()
{
    ListSource src;
    Report r;
    r.setSource(&src);
    r.addGroup(QStringLiteral("KUPAC")).footer(5).label(QStringLiteral("grupa"));
    r.detail(5).field(QStringLiteral("BR_RAC"));
    r.summary(5).sum(QStringLiteral("UKIZNOS")).name(QStringLiteral("ukupno"));
    const PreparedReport p = r.prepare();
    QCOMPARE(p.pageCount(), 1);
    QCOMPARE(p.pages[0].texts(), QStringList{QStringLiteral("0,00")});
}

void TestReportEngine::oneRecordReportWithoutSource()
{
    // An invoice: one record, values from the layout's own callables.
    const QString number = QStringLiteral("17-1-1");
    Report r;
    r.title(30).label(QStringLiteral("Račun broj:")).at(0, 0, 30, 6);
    r.title().field([&](const Context&) { return number; }).at(32, 0, 40, 6).size(14).bold().name("BR_RAC");
    r.detail(5).label(QStringLiteral("1.")).name(QStringLiteral("l1"));
    r.summary(20).label(QStringLiteral("UKUPNO:"));
    // The A5 invoices print their foot text in a band right under the summary.
    r.addSummary(6)
        .visibleIf([](const Context&) { return true; })
        .richText(QStringLiteral("Hvala!"))
        .name(QStringLiteral("podnozje"));
    const PreparedReport p = r.prepare();
    QCOMPARE(p.pages[0].find(QStringLiteral("podnozje"))->rect.top(), 10.0 + 30 + 5 + 20);
    QCOMPARE(p.pageCount(), 1);
    QCOMPARE(p.pages[0].find(QStringLiteral("BR_RAC"))->text, number);
    QVERIFY(p.pages[0].find(QStringLiteral("BR_RAC"))->font.bold());
    QCOMPARE(p.pages[0].find(QStringLiteral("BR_RAC"))->font.pointSizeF(), 14.0);
    QCOMPARE(p.pages[0].find(QStringLiteral("l1"))->rect.top(), 10.0 + 30);
}

void TestReportEngine::linesFramesPicturesAndRichText()
{
    QImage logo(40, 20, QImage::Format_RGB32);
    logo.fill(Qt::red);
    Report r;
    Band& t = r.title(40);
    t.frame(0, 0, 100, 20).name(QStringLiteral("okvir"));
    t.line(0, 25, 190, 25).penWidth(0.5).name(QStringLiteral("crta"));
    t.picture(logo).at(150, 0, 40, 40).name(QStringLiteral("logo"));
    t.picture([](const Context&) { return QImage(); }).name(QStringLiteral("nema"));
    t.label(QStringLiteral("Opis")).at(0, 30, 20, 5).framed(BottomSide).name(QStringLiteral("naslov"));
    Band& f = r.summary(10);
    f.richText(QStringLiteral("<p align=center><b>Hvala</b> na povjerenju, <i>dođite</i> opet.</p>"))
        .at(0, 0, 190, 5)
        .name(QStringLiteral("footer"));
    const PreparedReport p = r.prepare();
    const PreparedPage& pg = p.pages[0];
    QCOMPARE(pg.find(QStringLiteral("okvir"))->kind, PreparedItem::Kind::Rect);
    QCOMPARE(pg.find(QStringLiteral("okvir"))->rect, QRectF(10, 10, 100, 20));
    QCOMPARE(pg.find(QStringLiteral("crta"))->kind, PreparedItem::Kind::Line);
    QCOMPARE(pg.find(QStringLiteral("crta"))->penWidth, 0.5);
    QCOMPARE(pg.find(QStringLiteral("logo"))->kind, PreparedItem::Kind::Picture);
    QVERIFY(!pg.find(QStringLiteral("nema"))); // no picture, no item
    QCOMPARE(pg.find(QStringLiteral("naslov"))->frameSides, int(BottomSide));
    const PreparedItem* rich = pg.find(QStringLiteral("footer"));
    QCOMPARE(rich->kind, PreparedItem::Kind::RichText);
    QCOMPARE(rich->text, QStringLiteral("Hvala na povjerenju, dođite opet."));
    QVERIFY(pg.containsText(QStringLiteral("dođite")));
}

void TestReportEngine::renderedPageShowsItsText()
{
    Report r;
    r.title(20).label(QStringLiteral("ŠĐČĆŽ")).at(0, 0, 60, 10).size(20).bold();
    const PreparedReport p = r.prepare();
    const QImage img = pageImage(p.pages[0], 72);
    QCOMPARE(img.size(), QSize(595, 842));
    auto darkIn = [&](const QRect& area) {
        int dark = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                dark += qGray(img.pixel(x, y)) < 128;
        return dark;
    };
    // 10 mm margin = 28 pt; the label lies within 28..198 x 28..56.
    QVERIFY(darkIn(QRect(28, 28, 170, 28)) > 50);
    QCOMPARE(darkIn(QRect(28, 100, 500, 600)), 0);
}

QTEST_MAIN(TestReportEngine)
#include "tst_reportengine.moc"
