#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <array>
#include <optional>

// The rules that give an invoice its number, line amounts, totals and VAT groups. Plain values in,
// plain values out: the entry windows, the invoice book, the fiscal request and the prints share them.
namespace tarvel::invoicing {

inline constexpr int LineCount = 5;
inline constexpr int VatGroupCount = 5;

// The software vendor's tax number, stored in every invoice as the special-purpose mark.
inline constexpr const char* SpecNamj = "61873204959";

// The parts of OPCI that numbering and storing read.
struct CompanyValues
{
    double counter = 0; // BR_RAC: the next number to issue
    QString sklad;      // SKLAD, business premises mark, as stored
    QString naplur;     // NAPLUR, payment device mark, as stored
    QString poslGod;    // POSL_GOD, business year, as stored
    QString uPdv;       // U_PDV, "Da" / "Ne"

    static CompanyValues fromColumns(const QVariantMap& opci);
};

// ---- Numbering ----------------------------------------------------------------------------------

// counter "######" + "/" + trimmed premises + "/" + trimmed device + " " + year as stored.
QString composeInvoiceNumber(double counter, const QString& sklad, const QString& naplur,
                             const QString& poslGod);
QString composeInvoiceNumber(const CompanyValues& opci);

// The sequential number: the text before the first "/" read as a whole number; none when it is not one.
std::optional<qint64> invoiceSequenceNumber(const QString& brRac);

// A new, copied or cancelling invoice raises the counter by one.
double counterAfterNewInvoice(double counter);

struct CounterAfterDelete
{
    bool numberPartIsNumber = false; // false: the book asks once more and leaves the counter alone
    bool lowered = false;
    double counter = 0;
};
// Deleting the invoice numbered counter - 1 gives its number back; any other delete leaves the counter.
CounterAfterDelete counterAfterDelete(double counter, const QString& deletedBrRac);

// ---- Amounts ------------------------------------------------------------------------------------

// The two-decimal rule of every amount and rate field: the value's 18-significant-digit decimal
// expansion rounded at the second decimal, half away from zero (the same rule as Zaokruzi).
double roundToCents(double value);

struct LineAmounts
{
    double base = 0;
    double vat = 0;
    double gross = 0;
    friend bool operator==(const LineAmounts&, const LineAmounts&) = default;
};

double lineVat(double base, double rate);        // base x (rate / 100), to cents
double lineGross(double base, double vat);       // base + VAT, to cents
double baseFromGross(double gross, double rate); // gross x 100 / (100 + rate), to cents; rate -100 throws

// VAT and gross from base and rate (the recompute of every line).
LineAmounts computeLine(double base, double rate);
// Companion-mode entry: the base is derived from the gross amount and the line is then recomputed,
// so the gross amount can move by a cent from what was typed.
LineAmounts lineFromGrossRecomputed(double gross, double rate);
// Customer entry and the price-list choice: the typed gross stays, base and VAT follow it.
LineAmounts lineFromGrossKept(double gross, double rate);
// Customer entry: base = unit price x quantity, to cents.
double baseFromPrice(double price, double quantity);

// ---- Invoice lines, totals, VAT groups ----------------------------------------------------------

struct InvoiceLine
{
    QString description; // OPIS
    double base = 0;     // OSNOVICA
    double rate = 0;     // ST_PDV
    double vat = 0;      // PDV
    double gross = 0;    // IZNOS
    // customer variant only
    double quantity = 1; // kolicina
    QString unit;        // JMJ
    double price = 0;    // cijena

    // A line whose base is 0 stays out of the VAT breakdown.
    bool isUsed() const { return base != 0; }
};
using InvoiceLines = std::array<InvoiceLine, LineCount>;

struct InvoiceTotals
{
    double base = 0;  // UKOSNOV
    double vat = 0;   // UKPDV
    double gross = 0; // UKIZNOS
};
// Plain sums of the five lines as they stand; no rounding.
InvoiceTotals invoiceTotals(const InvoiceLines& lines);

// The total the entry windows show under "UKUPNO Kn: ": the sum of the gross amounts.
QString shownTotalText(const InvoiceLines& lines);

// One slot of the breakdown. Each column is empty (null) until a line fills it; an empty column reads
// as 0 wherever it is compared or added to.
struct VatGroup
{
    std::optional<double> base; // UKOSNOVn
    std::optional<double> tax;  // UKPDVn
    std::optional<double> rate; // STPDVn

    double baseOrZero() const { return base.value_or(0); }
    double taxOrZero() const { return tax.value_or(0); }
    double rateOrZero() const { return rate.value_or(0); }
    bool isEmpty() const { return !base && !tax && !rate; }
    friend bool operator==(const VatGroup&, const VatGroup&) = default;
};
using VatGroups = std::array<VatGroup, VatGroupCount>;

// Group 1 takes line 1 whatever its base; each later used line joins the first of the groups before
// its own whose rate equals its rate (an empty rate compares as 0), or else opens the group of its own
// number.
VatGroups vatBreakdown(const InvoiceLines& lines);

// ---- Payment method -----------------------------------------------------------------------------

// The list both entry windows offer, in order.
const QStringList& paymentMethodTexts();
inline constexpr const char* DefaultPaymentMethod = "G - Novčanice i kovanice";
// The first character of the trimmed NAC_PLAC; a null QChar for an empty text.
QChar paymentCode(const QString& nacPlac);
// Code "T": paid by bank transfer; the book does not press such an invoice for fiscalization.
bool isBankTransfer(const QString& nacPlac);

// ---- Columns written on store -------------------------------------------------------------------

// Names of the line columns: line 1 unsuffixed, lines 2 to 5 with the suffix 2 to 5.
QString lineColumn(const char* name, int line); // line 1..5

// SLIJED, BR_RAC, BR_OZN (SKLAD untrimmed).
void setNumberColumns(QVariantMap& row, const QString& brRac, const CompanyValues& opci);
// OPIS, OSNOVICA, ST_PDV, PDV, IZNOS for the five lines; with customer lines also kolicina, JMJ, cijena.
enum class LineKind { Plain, WithQuantities };
void setLineColumns(QVariantMap& row, const InvoiceLines& lines, LineKind kind);
// UKOSNOV, UKPDV, UKIZNOS.
void setTotalColumns(QVariantMap& row, const InvoiceTotals& totals);
// All fifteen group columns; an empty column is written as a null value, so a rate that vanished
// in an edit leaves nothing behind.
void setVatGroupColumns(QVariantMap& row, const VatGroups& groups);
// SPECNAMJ, U_PDV from OPCI, JIR and ZAST_KOD emptied.
void setFixedColumns(QVariantMap& row, const CompanyValues& opci);

// Everything the rules above put into the row on a store: number, lines, totals, groups, fixed columns.
QVariantMap storedInvoiceColumns(const QString& brRac, const InvoiceLines& lines, LineKind kind,
                                 const CompanyValues& opci);

// Reading a stored row back; a null number reads as 0.
InvoiceLines linesFromColumns(const QVariantMap& row, LineKind kind);
VatGroups vatGroupsFromColumns(const QVariantMap& row);

} // namespace tarvel::invoicing
