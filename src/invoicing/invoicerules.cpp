#include "invoicing/invoicerules.h"

#include "core/errors.h"
#include "core/format.h"

namespace tarvel::invoicing {

namespace {

double numberOf(const QVariant& v)
{
    return v.isNull() ? 0.0 : v.toDouble();
}

std::optional<double> optionalNumber(const QVariant& v)
{
    if (v.isNull())
        return std::nullopt;
    return v.toDouble();
}

QVariant variantOf(const std::optional<double>& v)
{
    return v ? QVariant(*v) : QVariant();
}

QString vatColumn(const char* name, int group)
{
    return QLatin1String(name) + QString::number(group);
}

} // namespace

CompanyValues CompanyValues::fromColumns(const QVariantMap& opci)
{
    CompanyValues c;
    c.counter = numberOf(opci.value(QStringLiteral("BR_RAC")));
    c.sklad = opci.value(QStringLiteral("SKLAD")).toString();
    c.naplur = opci.value(QStringLiteral("NAPLUR")).toString();
    c.poslGod = opci.value(QStringLiteral("POSL_GOD")).toString();
    c.uPdv = opci.value(QStringLiteral("U_PDV")).toString();
    return c;
}

// ---- Numbering ----------------------------------------------------------------------------------

QString composeInvoiceNumber(double counter, const QString& sklad, const QString& naplur,
                             const QString& poslGod)
{
    const fmt::Decimal d = fmt::roundDecimal(counter, 0);
    // A counter of 0 would leave the number part empty under "######"; an invoice needs a number.
    QString number = d.intDigits.isEmpty() ? QStringLiteral("0") : d.intDigits;
    if (d.negative)
        number.prepend(QLatin1Char('-'));
    return number + QLatin1Char('/') + sklad.trimmed() + QLatin1Char('/') + naplur.trimmed() +
           QLatin1Char(' ') + poslGod;
}

QString composeInvoiceNumber(const CompanyValues& opci)
{
    return composeInvoiceNumber(opci.counter, opci.sklad, opci.naplur, opci.poslGod);
}

std::optional<qint64> invoiceSequenceNumber(const QString& brRac)
{
    const qsizetype slash = brRac.indexOf(QLatin1Char('/'));
    const QString part = slash >= 0 ? brRac.left(slash) : brRac;
    bool ok = false;
    const qint64 n = part.trimmed().toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return n;
}

double counterAfterNewInvoice(double counter)
{
    return counter + 1;
}

CounterAfterDelete counterAfterDelete(double counter, const QString& deletedBrRac)
{
    CounterAfterDelete r;
    r.counter = counter;
    const std::optional<qint64> n = invoiceSequenceNumber(deletedBrRac);
    r.numberPartIsNumber = n.has_value();
    if (n && double(*n) == counter - 1) {
        r.lowered = true;
        r.counter = counter - 1;
    }
    return r;
}

// ---- Amounts ------------------------------------------------------------------------------------

double roundToCents(double value)
{
    const fmt::Decimal d = fmt::roundDecimal(value, 2);
    QString text =
        (d.intDigits.isEmpty() ? QStringLiteral("0") : d.intDigits) + QLatin1Char('.') + d.fracDigits;
    if (d.negative)
        text.prepend(QLatin1Char('-'));
    return text.toDouble();
}

double lineVat(double base, double rate)
{
    return roundToCents(base * (rate / 100.0));
}

double lineGross(double base, double vat)
{
    return roundToCents(base + vat);
}

double baseFromGross(double gross, double rate)
{
    if (100.0 + rate == 0.0)
        throw TarvelError(ErrorKind::InvalidNumber,
                          QStringLiteral("Stopa PDV-a od -100 % ne dopušta izračun osnovice."));
    return roundToCents(gross * 100.0 / (100.0 + rate));
}

LineAmounts computeLine(double base, double rate)
{
    LineAmounts a;
    a.base = roundToCents(base);
    a.vat = lineVat(a.base, roundToCents(rate));
    a.gross = lineGross(a.base, a.vat);
    return a;
}

LineAmounts lineFromGrossRecomputed(double gross, double rate)
{
    return computeLine(baseFromGross(roundToCents(gross), roundToCents(rate)), rate);
}

LineAmounts lineFromGrossKept(double gross, double rate)
{
    LineAmounts a;
    a.gross = roundToCents(gross);
    a.base = baseFromGross(a.gross, roundToCents(rate));
    a.vat = roundToCents(a.gross - a.base);
    return a;
}

double baseFromPrice(double price, double quantity)
{
    return roundToCents(price * quantity);
}

// ---- Invoice lines, totals, VAT groups ----------------------------------------------------------

InvoiceTotals invoiceTotals(const InvoiceLines& lines)
{
    InvoiceTotals t;
    for (const InvoiceLine& l : lines) {
        t.base += l.base;
        t.vat += l.vat;
        t.gross += l.gross;
    }
    return t;
}

QString shownTotalText(const InvoiceLines& lines)
{
    double sum = 0;
    for (const InvoiceLine& l : lines)
        sum += l.gross;
    return fmt::number(sum, QStringLiteral("###,###,###,##0.00"));
}

VatGroups vatBreakdown(const InvoiceLines& lines)
{
    VatGroups g;
    g[0].rate = lines[0].rate;
    g[0].base = lines[0].base;
    g[0].tax = lines[0].vat;
    for (int n = 1; n < LineCount; ++n) {
        const InvoiceLine& line = lines[n];
        if (!line.isUsed())
            continue;
        const double rate = roundToCents(line.rate);
        int match = -1;
        for (int k = 0; k < n; ++k) {
            if (roundToCents(g[k].rateOrZero()) == rate) {
                match = k;
                break;
            }
        }
        if (match >= 0) {
            g[match].base = g[match].baseOrZero() + line.base;
            g[match].tax = g[match].taxOrZero() + line.vat;
        } else {
            g[n].rate = line.rate;
            g[n].base = line.base;
            g[n].tax = line.vat;
        }
    }
    return g;
}

// ---- Payment method -----------------------------------------------------------------------------

const QStringList& paymentMethodTexts()
{
    static const QStringList texts{
        QStringLiteral("G - Novčanice i kovanice"), QStringLiteral("K - Kartica"), QStringLiteral("C - Ček"),
        QStringLiteral("T - Transakcijski račun"),  QStringLiteral("O - Ostalo"),
    };
    return texts;
}

QChar paymentCode(const QString& nacPlac)
{
    const QString t = nacPlac.trimmed();
    return t.isEmpty() ? QChar() : t.at(0);
}

bool isBankTransfer(const QString& nacPlac)
{
    return paymentCode(nacPlac) == QLatin1Char('T');
}

// ---- Columns written on store -------------------------------------------------------------------

QString lineColumn(const char* name, int line)
{
    const QString base = QLatin1String(name);
    return line == 1 ? base : base + QString::number(line);
}

void setNumberColumns(QVariantMap& row, const QString& brRac, const CompanyValues& opci)
{
    row.insert(QStringLiteral("SLIJED"), QStringLiteral("N"));
    row.insert(QStringLiteral("BR_RAC"), brRac);
    row.insert(QStringLiteral("BR_OZN"), opci.sklad);
}

void setLineColumns(QVariantMap& row, const InvoiceLines& lines, LineKind kind)
{
    for (int n = 1; n <= LineCount; ++n) {
        const InvoiceLine& l = lines[n - 1];
        row.insert(lineColumn("OPIS", n), l.description);
        row.insert(lineColumn("OSNOVICA", n), l.base);
        row.insert(lineColumn("ST_PDV", n), l.rate);
        row.insert(lineColumn("PDV", n), l.vat);
        row.insert(lineColumn("IZNOS", n), l.gross);
        if (kind == LineKind::WithQuantities) {
            row.insert(lineColumn("kolicina", n), l.quantity);
            row.insert(lineColumn("JMJ", n), l.unit);
            row.insert(lineColumn("cijena", n), l.price);
        }
    }
}

void setTotalColumns(QVariantMap& row, const InvoiceTotals& totals)
{
    row.insert(QStringLiteral("UKOSNOV"), totals.base);
    row.insert(QStringLiteral("UKPDV"), totals.vat);
    row.insert(QStringLiteral("UKIZNOS"), totals.gross);
}

void setVatGroupColumns(QVariantMap& row, const VatGroups& groups)
{
    for (int k = 1; k <= VatGroupCount; ++k) {
        const VatGroup& g = groups[k - 1];
        row.insert(vatColumn("UKOSNOV", k), variantOf(g.base));
        row.insert(vatColumn("UKPDV", k), variantOf(g.tax));
        row.insert(vatColumn("STPDV", k), variantOf(g.rate));
    }
}

void setFixedColumns(QVariantMap& row, const CompanyValues& opci)
{
    row.insert(QStringLiteral("SPECNAMJ"), QString::fromLatin1(SpecNamj));
    row.insert(QStringLiteral("U_PDV"), opci.uPdv);
    row.insert(QStringLiteral("JIR"), QStringLiteral(""));
    row.insert(QStringLiteral("ZAST_KOD"), QStringLiteral(""));
}

QVariantMap storedInvoiceColumns(const QString& brRac, const InvoiceLines& lines, LineKind kind,
                                 const CompanyValues& opci)
{
    QVariantMap row;
    setNumberColumns(row, brRac, opci);
    setLineColumns(row, lines, kind);
    setTotalColumns(row, invoiceTotals(lines));
    setVatGroupColumns(row, vatBreakdown(lines));
    setFixedColumns(row, opci);
    return row;
}

InvoiceLines linesFromColumns(const QVariantMap& row, LineKind kind)
{
    InvoiceLines lines;
    for (int n = 1; n <= LineCount; ++n) {
        InvoiceLine& l = lines[n - 1];
        l.description = row.value(lineColumn("OPIS", n)).toString();
        l.base = numberOf(row.value(lineColumn("OSNOVICA", n)));
        l.rate = numberOf(row.value(lineColumn("ST_PDV", n)));
        l.vat = numberOf(row.value(lineColumn("PDV", n)));
        l.gross = numberOf(row.value(lineColumn("IZNOS", n)));
        if (kind == LineKind::WithQuantities) {
            l.quantity = numberOf(row.value(lineColumn("kolicina", n)));
            l.unit = row.value(lineColumn("JMJ", n)).toString();
            l.price = numberOf(row.value(lineColumn("cijena", n)));
        }
    }
    return lines;
}

VatGroups vatGroupsFromColumns(const QVariantMap& row)
{
    VatGroups groups;
    for (int k = 1; k <= VatGroupCount; ++k) {
        VatGroup& g = groups[k - 1];
        g.base = optionalNumber(row.value(vatColumn("UKOSNOV", k)));
        g.tax = optionalNumber(row.value(vatColumn("UKPDV", k)));
        g.rate = optionalNumber(row.value(vatColumn("STPDV", k)));
    }
    return groups;
}

} // namespace tarvel::invoicing
