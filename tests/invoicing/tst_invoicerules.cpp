#include "core/errors.h"
#include "invoicing/invoicerules.h"

#include <QTest>

using namespace tarvel;
using namespace tarvel::invoicing;

namespace {

// "base@rate" per line, VAT and gross by the line formulas; "=gross" after it overrides the gross
// amount as typed; lines separated by ';', missing lines empty.
InvoiceLines parseLines(const QString& text)
{
    InvoiceLines lines;
    const QStringList parts = text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (int i = 0; i < parts.size(); ++i) {
        QString p = parts[i].trimmed();
        std::optional<double> typedGross;
        if (const qsizetype eq = p.indexOf(QLatin1Char('=')); eq >= 0) {
            typedGross = p.mid(eq + 1).toDouble();
            p = p.left(eq);
        }
        const QStringList br = p.split(QLatin1Char('@'));
        const LineAmounts a = computeLine(br[0].toDouble(), br[1].toDouble());
        lines[i].base = a.base;
        lines[i].rate = br[1].toDouble();
        lines[i].vat = a.vat;
        lines[i].gross = typedGross.value_or(a.gross);
    }
    return lines;
}

// "base:tax:rate" per group, "_" for an empty column, "-" for a wholly empty group; groups by '|'.
VatGroups parseGroups(const QString& text)
{
    VatGroups groups;
    const QStringList parts = text.split(QLatin1Char('|'));
    for (int k = 0; k < parts.size(); ++k) {
        const QString p = parts[k].trimmed();
        if (p == QLatin1String("-"))
            continue;
        const QStringList c = p.split(QLatin1Char(':'));
        auto col = [](const QString& s) -> std::optional<double> {
            if (s == QLatin1String("_"))
                return std::nullopt;
            return s.toDouble();
        };
        groups[k].base = col(c[0]);
        groups[k].tax = col(c[1]);
        groups[k].rate = col(c[2]);
    }
    return groups;
}

QString describe(const VatGroups& groups)
{
    QStringList out;
    auto col = [](const std::optional<double>& v) {
        return v ? QString::number(*v, 'f', 2) : QStringLiteral("_");
    };
    for (const VatGroup& g : groups)
        out << (g.isEmpty() ? QStringLiteral("-") : col(g.base) + ':' + col(g.tax) + ':' + col(g.rate));
    return out.join(QStringLiteral(" | "));
}

} // namespace

class TestInvoiceRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void numberText_data();
    void numberText();
    void numberTextFromCompanyRow();
    void sequenceNumber_data();
    void sequenceNumber();
    void counterAfterDelete_data();
    void counterAfterDelete();
    void deletingNewestGivesItsNumberAgain();
    void roundToCents_data();
    void roundToCents();
    void lineFormulas_data();
    void lineFormulas();
    void baseFromGrossRefusesMinusHundred();
    void totals();
    void shownTotal_data();
    void shownTotal();
    void vatBreakdown_data();
    void vatBreakdown();
    void vanishedRateLeavesNothingAfterEdit();
    void payment_data();
    void payment();
    void storedColumns();
    void storedColumnsReadBack();
};

void TestInvoiceRules::numberText_data()
{
    QTest::addColumn<double>("counter");
    QTest::addColumn<QString>("sklad");
    QTest::addColumn<QString>("naplur");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << 17.0 << "POSL1"
                           << "3"
                           << "2016"
                           << "17/POSL1/3 2016";
    QTest::newRow("premises with blanks around") << 17.0 << " P1 "
                                                 << "2"
                                                 << "2016"
                                                 << "17/P1/2 2016";
    QTest::newRow("device with blanks") << 5.0 << "P1"
                                        << "  12 "
                                        << "2017"
                                        << "5/P1/12 2017";
    QTest::newRow("inner blank kept") << 5.0 << "P 1"
                                      << "2"
                                      << "2017"
                                      << "5/P 1/2 2017";
    QTest::newRow("year as stored") << 5.0 << "P1"
                                    << "2"
                                    << " 17"
                                    << "5/P1/2  17";
    QTest::newRow("more digits than the mask") << 1234567.0 << "P1"
                                               << "2"
                                               << "2016"
                                               << "1234567/P1/2 2016";
    QTest::newRow("fraction below half") << 17.4 << "P1"
                                         << "2"
                                         << "2016"
                                         << "17/P1/2 2016";
    QTest::newRow("fraction half") << 17.5 << "P1"
                                   << "2"
                                   << "2016"
                                   << "18/P1/2 2016";
    QTest::newRow("zero counter still numbered") << 0.0 << "P1"
                                                 << "2"
                                                 << "2016"
                                                 << "0/P1/2 2016";
}

void TestInvoiceRules::numberText()
{
    QFETCH(double, counter);
    QFETCH(QString, sklad);
    QFETCH(QString, naplur);
    QFETCH(QString, year);
    QFETCH(QString, expected);
    QCOMPARE(composeInvoiceNumber(counter, sklad, naplur, year), expected);
}

void TestInvoiceRules::numberTextFromCompanyRow()
{
    const QVariantMap opci{{"BR_RAC", 17.0},     {"SKLAD", " P1 "}, {"NAPLUR", "2"},
                           {"POSL_GOD", "2016"}, {"U_PDV", "Da"},   {"NAZIV", "Firma"}};
    const CompanyValues c = CompanyValues::fromColumns(opci);
    QCOMPARE(composeInvoiceNumber(c), QStringLiteral("17/P1/2 2016"));
    QCOMPARE(c.sklad, QStringLiteral(" P1 ")); // BR_OZN takes it untrimmed
    QCOMPARE(c.uPdv, QStringLiteral("Da"));
    // a fresh OPCI row has no counter yet
    QCOMPARE(CompanyValues::fromColumns({{"BR_RAC", QVariant()}}).counter, 0.0);
}

void TestInvoiceRules::sequenceNumber_data()
{
    QTest::addColumn<QString>("brRac");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<qint64>("number");
    QTest::newRow("composed") << "17/P1/2 2016" << true << qint64(17);
    QTest::newRow("first slash only") << "5/6/7 2016" << true << qint64(5);
    QTest::newRow("no slash") << "42" << true << qint64(42);
    QTest::newRow("blanks around") << " 17 /P1/2 2016" << true << qint64(17);
    QTest::newRow("typed by hand") << "R-17/P1/2 2016" << false << qint64(0);
    QTest::newRow("digits and letters") << "17a/P1/2 2016" << false << qint64(0);
    QTest::newRow("empty number part") << "/P1/2 2016" << false << qint64(0);
    QTest::newRow("empty") << "" << false << qint64(0);
}

void TestInvoiceRules::sequenceNumber()
{
    QFETCH(QString, brRac);
    QFETCH(bool, isNumber);
    QFETCH(qint64, number);
    const std::optional<qint64> n = invoiceSequenceNumber(brRac);
    QCOMPARE(n.has_value(), isNumber);
    if (isNumber)
        QCOMPARE(*n, number);
}

void TestInvoiceRules::counterAfterDelete_data()
{
    QTest::addColumn<double>("counter");
    QTest::addColumn<QString>("deleted");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<bool>("lowered");
    QTest::addColumn<double>("after");
    QTest::newRow("newest") << 18.0 << "17/P1/2 2016" << true << true << 17.0;
    QTest::newRow("older") << 18.0 << "16/P1/2 2016" << true << false << 18.0;
    QTest::newRow("newest of another year, same number") << 18.0 << "17/P1/2 2015" << true << true << 17.0;
    QTest::newRow("number not issued yet") << 18.0 << "18/P1/2 2016" << true << false << 18.0;
    QTest::newRow("not a number") << 18.0 << "X/P1/2 2016" << false << false << 18.0;
}

void TestInvoiceRules::counterAfterDelete()
{
    QFETCH(double, counter);
    QFETCH(QString, deleted);
    QFETCH(bool, isNumber);
    QFETCH(bool, lowered);
    QFETCH(double, after);
    const CounterAfterDelete r = invoicing::counterAfterDelete(counter, deleted);
    QCOMPARE(r.numberPartIsNumber, isNumber);
    QCOMPARE(r.lowered, lowered);
    QCOMPARE(r.counter, after);
}

void TestInvoiceRules::deletingNewestGivesItsNumberAgain()
{
    CompanyValues opci;
    opci.counter = 17;
    opci.sklad = QStringLiteral("P1");
    opci.naplur = QStringLiteral("2");
    opci.poslGod = QStringLiteral("2016");
    const QString issued = composeInvoiceNumber(opci);
    opci.counter = counterAfterNewInvoice(opci.counter);
    QCOMPARE(opci.counter, 18.0);
    opci.counter = invoicing::counterAfterDelete(opci.counter, issued).counter;
    QCOMPARE(composeInvoiceNumber(opci), issued);
}

void TestInvoiceRules::roundToCents_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("expected");
    QTest::newRow("11.3113") << 11.3113 << 11.31;
    QTest::newRow("half up") << 0.125 << 0.13;
    QTest::newRow("half away from zero") << -0.125 << -0.13;
    QTest::newRow("2.675 stored below") << 2.675 << 2.67;
    QTest::newRow("2.345 stored above") << 2.345 << 2.35;
    QTest::newRow("1.555 stored below") << 1.555 << 1.55;
    QTest::newRow("0.005 stored above") << 0.005 << 0.01;
    QTest::newRow("sum noise") << 0.1 + 0.2 << 0.3;
    QTest::newRow("carry") << 9.995 << 9.99; // 9.995 is stored below
    QTest::newRow("carry up") << 99.9951 << 100.0;
    QTest::newRow("zero") << 0.0 << 0.0;
}

void TestInvoiceRules::roundToCents()
{
    QFETCH(double, value);
    QFETCH(double, expected);
    QCOMPARE(invoicing::roundToCents(value), expected);
}

void TestInvoiceRules::lineFormulas_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<double>("input");
    QTest::addColumn<double>("rate");
    QTest::addColumn<double>("base");
    QTest::addColumn<double>("vat");
    QTest::addColumn<double>("gross");
    // compute: input is the base; recomputed / kept: input is the typed gross amount
    QTest::newRow("100 at 25") << "compute" << 100.0 << 25.0 << 100.0 << 25.0 << 125.0;
    QTest::newRow("100 at 0") << "compute" << 100.0 << 0.0 << 100.0 << 0.0 << 100.0;
    QTest::newRow("VAT product stored below half") << "compute" << 10.70 << 25.0 << 10.70 << 2.67 << 13.37;
    QTest::newRow("VAT product stored above half") << "compute" << 0.10 << 5.0 << 0.10 << 0.01 << 0.11;
    QTest::newRow("negative base") << "compute" << -100.0 << 25.0 << -100.0 << -25.0 << -125.0;
    QTest::newRow("negative half away from zero") << "compute" << -10.70 << 25.0 << -10.70 << -2.67 << -13.37;
    QTest::newRow("125.00 gross at 25") << "recomputed" << 125.0 << 25.0 << 100.0 << 25.0 << 125.0;
    QTest::newRow("100.00 gross at 25") << "recomputed" << 100.0 << 25.0 << 80.0 << 20.0 << 100.0;
    QTest::newRow("100.00 gross at 13, recomputed")
        << "recomputed" << 100.0 << 13.0 << 88.50 << 11.51 << 100.01;
    QTest::newRow("125.00 gross at 25, kept") << "kept" << 125.0 << 25.0 << 100.0 << 25.0 << 125.0;
    QTest::newRow("100.00 gross at 25, kept") << "kept" << 100.0 << 25.0 << 80.0 << 20.0 << 100.0;
    QTest::newRow("100.00 gross at 13, kept") << "kept" << 100.0 << 13.0 << 88.50 << 11.50 << 100.0;
    QTest::newRow("1.00 gross at 13, kept") << "kept" << 1.0 << 13.0 << 0.88 << 0.12 << 1.0;
    QTest::newRow("1.00 gross at 13, recomputed") << "recomputed" << 1.0 << 13.0 << 0.88 << 0.11 << 0.99;
    QTest::newRow("price 100 x 3") << "price" << 100.0 << 3.0 << 300.0 << 75.0 << 375.0;
    QTest::newRow("price 33.333 x 3") << "price" << 33.333 << 3.0 << 100.0 << 25.0 << 125.0;
}

void TestInvoiceRules::lineFormulas()
{
    QFETCH(QString, rule);
    QFETCH(double, input);
    QFETCH(double, rate);
    QFETCH(double, base);
    QFETCH(double, vat);
    QFETCH(double, gross);
    LineAmounts a;
    if (rule == QLatin1String("compute"))
        a = computeLine(input, rate);
    else if (rule == QLatin1String("recomputed"))
        a = lineFromGrossRecomputed(input, rate);
    else if (rule == QLatin1String("kept"))
        a = lineFromGrossKept(input, rate);
    else // "rate" holds the quantity; the line then runs at 25 %
        a = computeLine(baseFromPrice(input, rate), 25.0);
    QCOMPARE(a.base, base);
    QCOMPARE(a.vat, vat);
    QCOMPARE(a.gross, gross);
    // every amount comes out with two decimals: a second rounding changes nothing
    QCOMPARE(invoicing::roundToCents(a.vat), a.vat);
    QCOMPARE(invoicing::roundToCents(a.gross), a.gross);
}

void TestInvoiceRules::baseFromGrossRefusesMinusHundred()
{
    try {
        baseFromGross(50.0, -100.0);
        QFAIL("no error for a rate of -100");
    } catch (const TarvelError& e) {
        QCOMPARE(e.kind(), ErrorKind::InvalidNumber);
    }
    QCOMPARE(baseFromGross(-125.0, -25.0), -166.67); // a cancelled invoice's rate still works
}

void TestInvoiceRules::totals()
{
    // line 3: base 0 with a gross amount typed; it counts in the total but not in the breakdown
    InvoiceLines lines = parseLines(QStringLiteral("0.10@0; 0.20@0; 0@13=50"));
    const InvoiceTotals t = invoiceTotals(lines);
    QCOMPARE(t.base, 0.1 + 0.2); // plain sums, nothing rounded
    QVERIFY(t.base != 0.3);
    QCOMPARE(t.vat, 0.0);
    QCOMPARE(t.gross, 0.1 + 0.2 + 50.0);
    const VatGroups g = invoicing::vatBreakdown(lines);
    QCOMPARE(describe(g), describe(parseGroups(QStringLiteral("0.30:0:0 | - | - | - | -"))));
}

void TestInvoiceRules::shownTotal_data()
{
    QTest::addColumn<QString>("lines");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << ""
                           << "0,00";
    QTest::newRow("one line") << "100@25"
                              << "125,00";
    QTest::newRow("grouping") << "1000000@25; 0@0=0.5"
                              << "1.250.000,50";
    QTest::newRow("negative") << "-100@25"
                              << "-125,00";
}

void TestInvoiceRules::shownTotal()
{
    QFETCH(QString, lines);
    QFETCH(QString, expected);
    QCOMPARE(shownTotalText(parseLines(lines)), expected);
}

void TestInvoiceRules::vatBreakdown_data()
{
    QTest::addColumn<QString>("lines");
    QTest::addColumn<QString>("groups");
    QTest::newRow("25/25/13") << "100@25; 200@25; 100@13"
                              << "300:75:25 | - | 100:13:13 | - | -";
    QTest::newRow("25/13/25") << "100@25; 100@13; 40@25"
                              << "140:35:25 | 100:13:13 | - | - | -";
    QTest::newRow("25/25/0: empty group 2 compares as 0") << "100@25; 100@25; 100@0"
                                                          << "200:50:25 | 100:0:_ | - | - | -";
    QTest::newRow("base 0 at rate 0, then 25") << "0@0; 100@25"
                                               << "0:0:0 | 100:25:25 | - | - | -";
    QTest::newRow("base 0 at 25 still sets group 1") << "0@25; 100@25"
                                                     << "100:25:25 | - | - | - | -";
    QTest::newRow("five empty lines") << ""
                                      << "0:0:0 | - | - | - | -";
    QTest::newRow("unused line skipped, rate opens its own group") << "100@25; 100@25; 0@13=50; 100@13"
                                                                   << "200:50:25 | - | - | 100:13:13 | -";
    QTest::newRow("zero rate joins the first empty group") << "100@25; 100@25; 50@5; 100@0"
                                                           << "200:50:25 | 100:0:_ | 50:2.5:5 | - | -";
    QTest::newRow("line 5 joins group 4") << "100@25; 100@13; 100@5; 100@10; 100@10"
                                          << "100:25:25 | 100:13:13 | 100:5:5 | 200:20:10 | -";
    QTest::newRow("negative base counts as used") << "100@13; -100@25; -40@25"
                                                  << "100:13:13 | -140:-35:25 | - | - | -";
    QTest::newRow("negative and positive bases at one rate") << "100@25; -40@25"
                                                             << "60:15:25 | - | - | - | -";
    QTest::newRow("rates compare at two decimals") << "100@13; 100@12.999"
                                                   << "200:26:13 | - | - | - | -";
}

void TestInvoiceRules::vatBreakdown()
{
    QFETCH(QString, lines);
    QFETCH(QString, groups);
    const VatGroups got = invoicing::vatBreakdown(parseLines(lines));
    const VatGroups want = parseGroups(groups);
    QCOMPARE(describe(got), describe(want));
    for (int k = 0; k < VatGroupCount; ++k) {
        QCOMPARE(got[k].base.has_value(), want[k].base.has_value());
        QCOMPARE(got[k].tax.has_value(), want[k].tax.has_value());
        QCOMPARE(got[k].rate.has_value(), want[k].rate.has_value());
    }
}

void TestInvoiceRules::vanishedRateLeavesNothingAfterEdit()
{
    CompanyValues opci;
    opci.sklad = QStringLiteral("P1");
    opci.uPdv = QStringLiteral("Da");
    // the stored row before the edit
    QVariantMap row =
        storedInvoiceColumns(QStringLiteral("1/P1/2 2016"),
                             parseLines(QStringLiteral("100@25; 200@25; 100@13")), LineKind::Plain, opci);
    QCOMPARE(row.value("STPDV3").toDouble(), 13.0);
    QCOMPARE(row.value("UKOSNOV3").toDouble(), 100.0);
    // line 3 changed to 25 %: the store writes its columns over the row
    const QVariantMap edit =
        storedInvoiceColumns(QStringLiteral("1/P1/2 2016"),
                             parseLines(QStringLiteral("100@25; 200@25; 100@25")), LineKind::Plain, opci);
    for (auto it = edit.cbegin(); it != edit.cend(); ++it)
        row.insert(it.key(), it.value());
    for (const char* c : {"UKOSNOV3", "UKPDV3", "STPDV3"}) {
        QVERIFY2(row.contains(c), c);
        QVERIFY2(row.value(c).isNull(), c);
    }
    QCOMPARE(row.value("UKOSNOV1").toDouble(), 400.0);
    QCOMPARE(row.value("UKPDV1").toDouble(), 100.0);
    QCOMPARE(vatGroupsFromColumns(row)[2], VatGroup{});
}

void TestInvoiceRules::payment_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("bankTransfer");
    const QStringList& list = paymentMethodTexts();
    QTest::newRow("cash") << list[0] << "G" << false;
    QTest::newRow("card") << list[1] << "K" << false;
    QTest::newRow("cheque") << list[2] << "C" << false;
    QTest::newRow("transfer") << list[3] << "T" << true;
    QTest::newRow("other") << list[4] << "O" << false;
    QTest::newRow("customer window's initial text") << "T - Transakcijski račun - IBAN"
                                                    << "T" << true;
    QTest::newRow("typed with a leading blank") << "  T virman"
                                                << "T" << true;
    QTest::newRow("typed lower case") << "t - virman"
                                      << "t" << false;
    QTest::newRow("typed Croatian letter") << "Čekom"
                                           << "Č" << false;
    QTest::newRow("empty") << ""
                           << "" << false;
}

void TestInvoiceRules::payment()
{
    QFETCH(QString, text);
    QFETCH(QString, code);
    QFETCH(bool, bankTransfer);
    const QChar c = paymentCode(text);
    QCOMPARE(c.isNull() ? QString() : QString(c), code);
    QCOMPARE(isBankTransfer(text), bankTransfer);
}

void TestInvoiceRules::storedColumns()
{
    QCOMPARE(paymentMethodTexts(), QStringList({"G - Novčanice i kovanice", "K - Kartica", "C - Ček",
                                                "T - Transakcijski račun", "O - Ostalo"}));
    QCOMPARE(QString::fromUtf8(DefaultPaymentMethod), paymentMethodTexts().first());

    CompanyValues opci;
    opci.sklad = QStringLiteral(" P1 ");
    opci.uPdv = QStringLiteral("Ne");
    InvoiceLines lines = parseLines(QStringLiteral("100@25; 50@13"));
    lines[0].description = QStringLiteral("Usluga čišćenja");
    lines[1].quantity = 3;
    lines[1].unit = QStringLiteral("kom");
    lines[1].price = 16.67;

    const QVariantMap plain =
        storedInvoiceColumns(QStringLiteral("7/P1/2 2016"), lines, LineKind::Plain, opci);
    QCOMPARE(plain.value("SPECNAMJ").toString(), QStringLiteral("61873204959"));
    QCOMPARE(plain.value("U_PDV").toString(), QStringLiteral("Ne"));
    for (const char* c : {"JIR", "ZAST_KOD"}) {
        QVERIFY2(plain.contains(c), c);
        QCOMPARE(plain.value(c).toString(), QString());
    }
    QCOMPARE(plain.value("SLIJED").toString(), QStringLiteral("N"));
    QCOMPARE(plain.value("BR_RAC").toString(), QStringLiteral("7/P1/2 2016"));
    QCOMPARE(plain.value("BR_OZN").toString(), QStringLiteral(" P1 "));
    QCOMPARE(plain.value("OPIS").toString(), QStringLiteral("Usluga čišćenja"));
    QCOMPARE(plain.value("OSNOVICA2").toDouble(), 50.0);
    QCOMPARE(plain.value("ST_PDV2").toDouble(), 13.0);
    QCOMPARE(plain.value("PDV2").toDouble(), 6.5);
    QCOMPARE(plain.value("IZNOS2").toDouble(), 56.5);
    QVERIFY(plain.contains("OPIS5"));
    QCOMPARE(plain.value("UKOSNOV").toDouble(), 150.0);
    QCOMPARE(plain.value("UKPDV").toDouble(), 31.5);
    QCOMPARE(plain.value("UKIZNOS").toDouble(), 181.5);
    QCOMPARE(plain.value("STPDV2").toDouble(), 13.0);
    // the companion-mode window never writes quantities, units or prices
    for (const char* c : {"kolicina", "JMJ", "cijena", "kolicina2", "cijena5"})
        QVERIFY2(!plain.contains(c), c);
    // nothing of the window's own fields
    for (const char* c : {"OIB", "NAZIV", "DAT_VR", "DATUM", "NAC_PLAC", "AUTOKEY"})
        QVERIFY2(!plain.contains(c), c);

    const QVariantMap withQty =
        storedInvoiceColumns(QStringLiteral("7/P1/2 2016"), lines, LineKind::WithQuantities, opci);
    QCOMPARE(withQty.value("kolicina").toDouble(), 1.0);
    QCOMPARE(withQty.value("kolicina2").toDouble(), 3.0);
    QCOMPARE(withQty.value("JMJ2").toString(), QStringLiteral("kom"));
    QCOMPARE(withQty.value("cijena2").toDouble(), 16.67);
    QVERIFY(withQty.contains("cijena5"));
    QCOMPARE(withQty.size(), plain.size() + 15);
}

void TestInvoiceRules::storedColumnsReadBack()
{
    CompanyValues opci;
    InvoiceLines lines = parseLines(QStringLiteral("100@25; 100@25; 100@0; -20@13"));
    lines[2].description = QStringLiteral("Žurna dostava");
    lines[3].unit = QStringLiteral("h");
    lines[3].quantity = 2.5;
    const QVariantMap row =
        storedInvoiceColumns(QStringLiteral("1/P1/2 2016"), lines, LineKind::WithQuantities, opci);
    const InvoiceLines back = linesFromColumns(row, LineKind::WithQuantities);
    for (int i = 0; i < LineCount; ++i) {
        QCOMPARE(back[i].description, lines[i].description);
        QCOMPARE(back[i].base, lines[i].base);
        QCOMPARE(back[i].rate, lines[i].rate);
        QCOMPARE(back[i].vat, lines[i].vat);
        QCOMPARE(back[i].gross, lines[i].gross);
        QCOMPARE(back[i].quantity, lines[i].quantity);
        QCOMPARE(back[i].unit, lines[i].unit);
        QCOMPARE(back[i].price, lines[i].price);
    }
    const VatGroups groups = vatGroupsFromColumns(row);
    QCOMPARE(groups, invoicing::vatBreakdown(lines));
    QVERIFY(!groups[1].rate.has_value()); // the 0 % line filled empty group 2 and left its rate null
    QCOMPARE(groups[1].baseOrZero(), 100.0);
}

QTEST_APPLESS_MAIN(TestInvoiceRules)
#include "tst_invoicerules.moc"
