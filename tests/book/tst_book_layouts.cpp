// The invoice layouts and the day's log on prepared pages: what prints and what is left out.
#include "bookfixture.h"
#include "reports/layouts/invoicelayouts.h"
#include "reports/tableobjectsource.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QtTest>

using namespace tarvel;
using namespace tarvel::reports;

namespace {

enum class Layout { A4, A5Customer, A5Companion, Dolnik };

RacunZaIspis podaci(const QVariantMap& racun, bool customerMode = true)
{
    RacunZaIspis p;
    p.racun = racun;
    p.tvrtka = {{"NAZIV", "Tvrtka d.o.o."},
                {"ULICA", " Ilica "},
                {"K_BR", "12"},
                {"K_BR_D", "a"},
                {"PTT", "10000"},
                {"MJESTO", "Zagreb"},
                {"OIB", "11111111119"},
                {"VR_OBVEZ", "R1"},
                {"U_PDV", "Da"},
                {"FOOTER", "<p>IBAN HR1210010051863000160</p>"}};
    if (!racun.value("OIB_KUP").toString().trimmed().isEmpty())
        p.kupac = QVariantMap{{"NAZIV_KOM", BookFixture::CustomerName},
                              {"ULICA_KOM", "Vukovarska 5"},
                              {"PTT_KOM", "21000 Split"},
                              {"POR_BROJ", BookFixture::CustomerOib}};
    p.operater = BookFixture::OperatorName;
    p.kupci = customerMode;
    return p;
}

PreparedReport prepare(Layout l, const RacunZaIspis& p)
{
    switch (l) {
    case Layout::A4: {
        TFormaTiskanjeKarticeReport r(p);
        return r.prepare();
    }
    case Layout::A5Customer: {
        TPrTiskanjeRacunaA5NovaReport r(p);
        return r.prepare();
    }
    case Layout::A5Companion: {
        TTiskanjeKarticeA5Report r(p);
        return r.prepare();
    }
    case Layout::Dolnik: {
        TPrTiskanjeDolnikReport r(p);
        return r.prepare();
    }
    }
    return {};
}

QString textOf(const PreparedReport& rep, const QString& name)
{
    const auto all = rep.findAll(name);
    return all.empty() ? QStringLiteral("<none>") : all.front()->text;
}
bool has(const PreparedReport& rep, const QString& name)
{
    return !rep.findAll(name).empty();
}

// Line 1 at 25 %, line 2 at 13 %.
QVariantMap twoRates(const QString& uPdv)
{
    QVariantMap r = BookFixture::sampleInvoice(QStringLiteral("7/POSL1/3 2026"), QStringLiteral("jir-1"));
    r["U_PDV"] = uPdv;
    r["OPIS2"] = "Knjiga";
    r["OSNOVICA2"] = 100.0;
    r["ST_PDV2"] = 13.0;
    r["PDV2"] = 13.0;
    r["IZNOS2"] = 113.0;
    r["UKOSNOV"] = 200.0;
    r["UKPDV"] = 38.0;
    r["UKIZNOS"] = 238.0;
    r["UKOSNOV2"] = 100.0;
    r["UKPDV2"] = 13.0;
    r["STPDV2"] = 13.0;
    return r;
}

// Where the text's ink lies across the line, in mm, as the renderer aligns it in its box.
std::pair<double, double> inkSpan(const PreparedItem& it)
{
    QImage fine(1, 1, QImage::Format_Mono);
    fine.setDotsPerMeterX(qRound(1200 / 0.0254));
    fine.setDotsPerMeterY(qRound(1200 / 0.0254));
    const double w = QFontMetricsF(it.font, &fine).horizontalAdvance(it.text) * 25.4 / 1200;
    const QRectF& r = it.rect;
    if (it.wrap) // broken at words inside its box
        return {r.left(), std::min(r.right(), r.left() + w)};
    if (it.alignment & Qt::AlignRight)
        return {r.right() - w, r.right()};
    if (it.alignment & Qt::AlignHCenter)
        return {r.center().x() - w / 2, r.center().x() + w / 2};
    return {r.left(), r.left() + w};
}

// Texts on one line of the page whose ink runs into each other.
QStringList overlaps(const PreparedPage& page)
{
    QStringList found;
    std::vector<const PreparedItem*> texts;
    for (const PreparedItem& it : page.items)
        if (it.kind == PreparedItem::Kind::Text && !it.text.trimmed().isEmpty())
            texts.push_back(&it);
    for (size_t i = 0; i < texts.size(); ++i)
        for (size_t j = i + 1; j < texts.size(); ++j) {
            const PreparedItem& a = *texts[i];
            const PreparedItem& b = *texts[j];
            if (std::min(a.rect.bottom(), b.rect.bottom()) - std::max(a.rect.top(), b.rect.top()) < 0.5)
                continue;
            const auto [a0, a1] = inkSpan(a);
            const auto [b0, b1] = inkSpan(b);
            if (std::min(a1, b1) - std::max(a0, b0) > 0.2)
                found << QStringLiteral("\"%1\" / \"%2\"").arg(a.text, b.text);
        }
    return found;
}

} // namespace

Q_DECLARE_METATYPE(Layout)

class TestBookLayouts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void vatBreakdown_data()
    {
        QTest::addColumn<Layout>("layout");
        QTest::newRow("A4") << Layout::A4;
        QTest::newRow("A5 customer") << Layout::A5Customer;
        QTest::newRow("A5 companion") << Layout::A5Companion;
    }
    void vatBreakdown()
    {
        QFETCH(Layout, layout);
        const PreparedReport in = prepare(layout, podaci(twoRates("Da"), layout != Layout::A5Companion));
        QCOMPARE(textOf(in, "grupa1.stopa"), QStringLiteral("25,00%"));
        QCOMPARE(textOf(in, "grupa2.stopa"), QStringLiteral("13,00%"));
        QCOMPARE(textOf(in, "grupa2.osnovica"), QStringLiteral("100,00"));
        QVERIFY(!has(in, "grupa3.stopa"));
        QCOMPARE(textOf(in, "linija2.stopa"), QStringLiteral("13,00%"));
        QCOMPARE(textOf(in, "UKIZNOS"), QStringLiteral("238,00"));
        QVERIFY(has(in, "VR_OBVEZ"));
        QVERIFY(has(in, "stopaNaslov"));

        const PreparedReport out = prepare(layout, podaci(twoRates("Ne"), layout != Layout::A5Companion));
        QVERIFY(!has(out, "grupa1.stopa"));
        QVERIFY(!has(out, "pdvNaslov"));
        QVERIFY(!has(out, "linija1.stopa"));
        QVERIFY(!has(out, "VR_OBVEZ"));
        QVERIFY(!has(out, "stopaNaslov"));
        const QString text = QStringLiteral(
            "Poduzetnik nije u sustavu PDV-a pa prema čl. 90. Zakona o PDV-u, PDV nije obračunan");
        QCOMPARE(out.text().contains(text), layout != Layout::A5Companion);
        QVERIFY(!in.text().contains(text));
    }

    // U_PDV neither "Da" nor "Ne": line rates and breakdown, but no VR_OBVEZ and no rate heading.
    void vatStateUnknown()
    {
        const PreparedReport r = prepare(Layout::A4, podaci(twoRates(""), true));
        QVERIFY(has(r, "linija1.stopa"));
        QVERIFY(has(r, "grupa1.stopa"));
        QVERIFY(!has(r, "VR_OBVEZ"));
        QVERIFY(!has(r, "stopaNaslov"));
    }

    void fiscalCaptions_data()
    {
        QTest::addColumn<Layout>("layout");
        QTest::newRow("A4") << Layout::A4;
        QTest::newRow("A5 customer") << Layout::A5Customer;
        QTest::newRow("A5 companion") << Layout::A5Companion;
        QTest::newRow("special A4") << Layout::Dolnik;
    }
    void fiscalCaptions()
    {
        QFETCH(Layout, layout);
        const PreparedReport unsent = prepare(layout, podaci(BookFixture::sampleInvoice()));
        for (const char* n : {"DATSAT", "fiskDatumNaslov", "jirNaslov", "zkiNaslov"})
            QVERIFY2(!has(unsent, n), n);
        QVERIFY(!unsent.text().contains("Datum i vrijeme fiskalizacije"));

        const PreparedReport fiscal =
            prepare(layout, podaci(BookFixture::sampleInvoice("5/POSL1/3 2026", "j-i-r")));
        QCOMPARE(textOf(fiscal, "JIR"), QStringLiteral("j-i-r"));
        QCOMPARE(textOf(fiscal, "DATSAT"), QStringLiteral("01.12.2026T10:30:05"));
        QVERIFY(has(fiscal, "zkiNaslov"));

        QVariantMap failed = BookFixture::sampleInvoice("5/POSL1/3 2026", "Greška: s004 Neispravan potpis");
        const PreparedReport error = prepare(layout, podaci(failed));
        QVERIFY(has(error, "jirNaslov"));
        QCOMPARE(textOf(error, "JIR"), QString());
        QVERIFY(!error.text().contains("Greška"));
    }

    void dueDate_data()
    {
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<QString>("payment");
        QTest::addColumn<QString>("line");
        for (auto [l, name] : {std::pair{Layout::A4, "A4"}, {Layout::Dolnik, "special A4"}}) {
            QTest::addRow("%s cash", name) << l << "G - Novčanice i kovanice"
                                           << "<none>";
            QTest::addRow("%s transfer", name) << l << "T - Transakcijski račun"
                                               << "Valuta / platiti do: 16.12.2026";
            QTest::addRow("%s T without dash", name) << l << "T Transakcijski"
                                                     << "<none>";
        }
        QTest::newRow("companion A5 never") << Layout::A5Companion << "T - Transakcijski račun"
                                            << "<none>";
    }
    void dueDate()
    {
        QFETCH(Layout, layout);
        QFETCH(QString, payment);
        QFETCH(QString, line);
        QVariantMap r = BookFixture::sampleInvoice();
        r["NAC_PLAC"] = payment;
        QCOMPARE(textOf(prepare(layout, podaci(r)), "valuta"), line);
    }

    void ownUnitPerLine()
    {
        QVariantMap r = BookFixture::sampleInvoice();
        const QStringList units{"kom", "h", "m"};
        for (int n = 2; n <= 3; ++n) {
            const QString s = QString::number(n);
            r["OPIS" + s] = "Stavka " + s;
            r["OSNOVICA" + s] = 10.0 * n;
            r["ST_PDV" + s] = 25.0;
            r["IZNOS" + s] = 12.5 * n;
            r["kolicina" + s] = double(n);
            r["cijena" + s] = 10.0;
            r["JMJ" + s] = units[n - 1];
        }
        r["kolicina"] = 0.0; // quantity and price 0 do not print, the unit empty neither
        r["cijena"] = 0.0;
        r["JMJ3"] = QString();
        for (Layout l : {Layout::A4, Layout::A5Customer, Layout::Dolnik}) {
            const PreparedReport p = prepare(l, podaci(r));
            QCOMPARE(textOf(p, "linija1.jm"), QStringLiteral("kom"));
            QCOMPARE(textOf(p, "linija2.jm"), QStringLiteral("h"));
            QVERIFY(!has(p, "linija3.jm"));
            QVERIFY(!has(p, "linija1.kol"));
            QVERIFY(!has(p, "linija1.cijena"));
            QCOMPARE(textOf(p, "linija3.kol"), QStringLiteral("3"));
            QVERIFY(!has(p, "linija4.opis"));
        }
    }

    void cancellingInvoiceKeepsItsSigns()
    {
        QVariantMap r = BookFixture::sampleInvoice("18/POSL1/3 2026");
        for (const char* c :
             {"OSNOVICA", "PDV", "IZNOS", "UKOSNOV", "UKPDV", "UKIZNOS", "UKOSNOV1", "UKPDV1", "STPDV1"})
            r[c] = -r[c].toDouble();
        r["NAZIV"] = "Storno - Kupac d.o.o.";
        for (Layout l : {Layout::A4, Layout::A5Companion, Layout::Dolnik}) {
            const PreparedReport p = prepare(l, podaci(r));
            QCOMPARE(textOf(p, "UKIZNOS"), QStringLiteral("-125,00"));
            QCOMPARE(textOf(p, "grupa1.stopa"), QStringLiteral("-25,00%"));
            QCOMPARE(textOf(p, "grupa1.osnovica"), QStringLiteral("-100,00"));
            QCOMPARE(textOf(p, "grupa1.pdv"), QStringLiteral("-25,00"));
            QCOMPARE(textOf(p, "linija1.ukupno"), QStringLiteral("-125,00"));
        }
    }

    void customerBlock()
    {
        const PreparedReport with = prepare(Layout::A4, podaci(BookFixture::sampleInvoice()));
        QCOMPARE(textOf(with, "kupac"), QString::fromLatin1(BookFixture::CustomerName));
        QCOMPARE(textOf(with, "kupacOib"), QString::fromLatin1(BookFixture::CustomerOib));
        QCOMPARE(textOf(with, "VR_OBVEZ"), QStringLiteral("R1"));

        QVariantMap r = BookFixture::sampleInvoice();
        r["OIB_KUP"] = "   ";
        for (Layout l : {Layout::A4, Layout::A5Customer}) {
            const PreparedReport p = prepare(l, podaci(r));
            QVERIFY(!has(p, "kupac"));
            QVERIFY(!has(p, "kupacOibNaslov"));
            QVERIFY(!has(p, "VR_OBVEZ"));
        }
        const PreparedReport special = prepare(Layout::Dolnik, podaci(r));
        QCOMPARE(textOf(special, "kupacNaslov"), QStringLiteral("Kupac: FIZIČKA OSOBA - GRAĐANIN"));
        QVERIFY(!has(special, "kupac"));
        QCOMPARE(textOf(prepare(Layout::Dolnik, podaci(BookFixture::sampleInvoice())), "kupacNaslov"),
                 QStringLiteral("KUPAC:"));
        // companion mode: never a customer block, the special layout speaks of a private person
        const PreparedReport companion =
            prepare(Layout::A5Companion, podaci(BookFixture::sampleInvoice(), false));
        QVERIFY(!has(companion, "kupac"));
        QVERIFY(companion.text().contains("Ukupni iznos Kn"));
        QCOMPARE(textOf(prepare(Layout::Dolnik, podaci(BookFixture::sampleInvoice(), false)), "kupacNaslov"),
                 QStringLiteral("Kupac: FIZIČKA OSOBA - GRAĐANIN"));
        QVERIFY(!has(prepare(Layout::A4, podaci(BookFixture::sampleInvoice(), false)), "kupac"));
    }

    void specialLayout()
    {
        QVariantMap r = twoRates("Ne");
        r["OPIS3"] = "Napomena: jamstvo 2 godine";
        r["OIB_KUP"] = QString();
        r["UKOSNOV1"] = 0.0;
        const PreparedReport p = prepare(Layout::Dolnik, podaci(r));
        // a text line: description only
        QCOMPARE(textOf(p, "linija3.opis"), QStringLiteral("Napomena: jamstvo 2 godine"));
        QVERIFY(!has(p, "linija3.broj"));
        QVERIFY(!has(p, "linija3.iznos"));
        QVERIFY(!has(p, "linija4.opis"));
        // no U_PDV rule: groups with a base print, group 1 always without a customer
        QCOMPARE(textOf(p, "grupa1.osnovica"), QStringLiteral("0,00"));
        QCOMPARE(textOf(p, "grupa2.stopa"), QStringLiteral("13,00%"));
        QVERIFY(!p.text().contains("nije u sustavu PDV-a"));
        QVERIFY(!has(p, "VR_OBVEZ"));
        QVERIFY(!has(p, "FOOTER"));
        QVERIFY(!p.text().contains("IBAN HR1210010051863000160"));
        QCOMPARE(textOf(p, "zaglavlje"), TPrTiskanjeDolnikReport::zaglavlje().letterhead.first());
        QVERIFY(p.text().contains(TPrTiskanjeDolnikReport::zaglavlje().placeOfIssue));
        QVERIFY(p.text().contains(TPrTiskanjeDolnikReport::zaglavlje().footer.first()));
        QVERIFY(!p.text().contains("Tvrtka d.o.o.")); // the letterhead replaces the company block

        r["OIB_KUP"] = QString::fromLatin1(BookFixture::CustomerOib);
        QVERIFY(!has(prepare(Layout::Dolnik, podaci(r)), "grupa1.stopa"));
    }

    void dateLineAndNumber()
    {
        const PreparedReport p = prepare(Layout::A4, podaci(BookFixture::sampleInvoice()));
        QCOMPARE(textOf(p, "datumRacuna"), QStringLiteral("Datum i vrijeme računa: 01.12.2026 10:30:00"));
        QCOMPARE(textOf(p, "BR_RAC"), QStringLiteral("5/POSL1/3 2026"));
        QCOMPARE(textOf(p, "operater"), QStringLiteral("Operater: Ana Operaterka"));
        QVERIFY(p.text().contains("Ilica 12 a"));
        QCOMPARE(p.pageCount(), 1);
        QCOMPARE(p.pages[0].setup.usedHeight, 0.0);
        const PreparedReport a5 = prepare(Layout::A5Customer, podaci(BookFixture::sampleInvoice()));
        QCOMPARE(a5.pages[0].setup.usedHeight, 297.0 / 2);
        for (const PreparedItem& it : a5.pages[0].items)
            QVERIFY2(it.rect.bottom() <= 297.0 / 2, qPrintable(it.name + " " + it.text));
    }

    void footText_data()
    {
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<QVariant>("footer");
        QTest::addColumn<bool>("prints");
        for (auto [l, name] :
             {std::pair{Layout::A4, "A4"}, {Layout::A5Customer, "A5"}, {Layout::A5Companion, "companion"}}) {
            QTest::addRow("%s text", name) << l << QVariant("<b>Hvala na povjerenju</b>") << true;
            QTest::addRow("%s blank", name) << l << QVariant(" \n ") << false;
            QTest::addRow("%s null", name) << l << QVariant() << false;
        }
    }
    void footText()
    {
        QFETCH(Layout, layout);
        QFETCH(QVariant, footer);
        QFETCH(bool, prints);
        RacunZaIspis p = podaci(BookFixture::sampleInvoice(), layout != Layout::A5Companion);
        p.tvrtka["FOOTER"] = footer;
        const PreparedReport r = prepare(layout, p);
        QCOMPARE(has(r, "FOOTER"), prints);
        if (prints)
            QCOMPARE(textOf(r, "FOOTER"), QStringLiteral("Hvala na povjerenju"));
        // the rule above the foot text goes with it
        const BandType footBand = layout == Layout::A4 ? BandType::PageFooter : BandType::Summary;
        int footLines = 0;
        for (const PreparedItem& it : r.pages[0].items)
            if (it.band == footBand && it.kind == PreparedItem::Kind::Line)
                ++footLines;
        const int summaryRules = footBand == BandType::Summary ? 1 : 0;
        QCOMPARE(footLines, summaryRules + (prints ? 1 : 0));
    }

    // A null foot text is stored as "_" (and posted) by the standard and the customer A5 layouts.
    void nullFootTextIsStored()
    {
        BookFixture fx;
        fx.exec("UPDATE OPCI SET FOOTER = NULL");
        fx.addInvoice(BookFixture::sampleInvoice());
        RacunZaIspis p = RacunZaIspis::izModula(*fx.dm, QStringLiteral("KUPCI"), true);
        QVERIFY(p.tvrtka.value("FOOTER").isNull());
        QCOMPARE(p.kupac.value_or(QVariantMap()).value("NAZIV_KOM").toString(),
                 QString::fromLatin1(BookFixture::CustomerName));
        QCOMPARE(p.operater, QString::fromLatin1(BookFixture::OperatorName));
        TPrTiskanjeRacunaA5NovaReport layout(p, fx.dm->OpcaTable);
        const PreparedReport r = layout.prepare();
        QVERIFY(!has(r, "FOOTER"));
        QCOMPARE(fx.scalar("SELECT FOOTER FROM OPCI").toString(), QStringLiteral("_"));

        // the companion layout stores nothing
        fx.exec("UPDATE OPCI SET FOOTER = NULL");
        fx.dm->OpcaTable->refresh();
        TTiskanjeKarticeA5Report companion(RacunZaIspis::izModula(*fx.dm, QStringLiteral("KOMINT"), false));
        companion.prepare();
        QVERIFY(fx.scalar("SELECT FOOTER FROM OPCI").isNull());
    }

    void daysLog()
    {
        BookFixture fx;
        QVariantMap a = BookFixture::sampleInvoice("5/POSL1/3 2026");
        QVariantMap b = BookFixture::sampleInvoice("6/POSL1/3 2026");
        b["UKOSNOV"] = -100.0;
        b["UKPDV"] = -25.0;
        b["UKIZNOS"] = -125.0;
        b["OPIS"] = "Storno - Usluga";
        QVariantMap c = BookFixture::sampleInvoice("7/POSL1/3 2026");
        c["UKOSNOV"] = 1000.5;
        c["UKPDV"] = 250.13;
        c["UKIZNOS"] = 1250.63;
        fx.addInvoice(a);
        fx.addInvoice(b);
        fx.addInvoice(c);
        data::TableObject rows(&fx.dm->connection(), QStringLiteral("FISKAL"));
        rows.setSort(QStringLiteral("AUTOKEY"));
        rows.open();
        TableObjectSource src(rows);
        TFormaObracunReport log(&src,
                                {{"NAZIV", "Tvrtka d.o.o."}, {"MJESTO", "Zagreb"}, {"OIB", "11111111119"}},
                                QDate(2026, 12, 11));
        const PreparedReport r = log.prepare();
        QCOMPARE(r.pages[0].setup.orientation, QPageLayout::Landscape);
        QCOMPARE(textOf(r, "datumIspisa"), QStringLiteral("11.12.2026"));
        QCOMPARE(r.findAll("rbr").size(), size_t(3));
        QCOMPARE(r.findAll("rbr")[2]->text, QStringLiteral("3."));
        QCOMPARE(textOf(r, "sumaUKIZNOS"), QStringLiteral("1.250,63"));
        QCOMPARE(textOf(r, "sumaUKPDV"), QStringLiteral("250,13"));
        QCOMPARE(textOf(r, "sumaUKOSNOV"), QStringLiteral("1.000,50"));
        QVERIFY(r.text().contains("Dnevnik izdanih računa"));
        QVERIFY(r.text().contains("Naćin plaćanja"));
        QVERIFY(r.text().contains("Storno - Usluga"));
        QVERIFY(r.text().contains("01.12.2026"));
        const QStringList found = overlaps(r.pages[0]);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(", ")));
    }
    // Headings, lines and totals of a full two-rate fiscalized invoice stand clear of each other.
    void noTextRunsIntoAnother_data()
    {
        QTest::addColumn<Layout>("layout");
        QTest::newRow("A4") << Layout::A4;
        QTest::newRow("A5 customer") << Layout::A5Customer;
        QTest::newRow("A5 companion") << Layout::A5Companion;
        QTest::newRow("special A4") << Layout::Dolnik;
    }
    void noTextRunsIntoAnother()
    {
        QFETCH(Layout, layout);
        QVariantMap r = twoRates("Da");
        r["NAC_PLAC"] = "T - Transakcijski račun";
        r["JIR"] = "1a2b3c4d-1a2b-1a2b-1a2b-1a2b3c4d5e6f";
        r["ZAST_KOD"] = "abcdef0123456789abcdef0123456789";
        r["DATSAT"] = "01.12.2026T10:30:05";
        r["kolicina2"] = 2.0;
        r["cijena2"] = 50.0;
        r["JMJ2"] = "kom";
        // a description of the full 100 characters
        r["OPIS2"] = QStringLiteral("Održavanje računalne opreme i mreže u poslovnom prostoru, ")
                         .repeated(2)
                         .left(100);
        const PreparedReport p = prepare(layout, podaci(r, layout != Layout::A5Companion));
        const QStringList found = overlaps(p.pages[0]);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(", ")));
        QCOMPARE(textOf(p, "linija2.opis"), r["OPIS2"].toString());
    }
};

QTEST_MAIN(TestBookLayouts)
#include "tst_book_layouts.moc"
