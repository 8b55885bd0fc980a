#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <optional>

// The program's one formatting module: dates "dd.MM.yyyy", times "HH:mm:ss", ',' as decimal and
// '.' as thousands separator whatever the locale, and the number masks of the screens and prints.
namespace tarvel::fmt {

// A number rounded at `decimals` places, half away from zero, on its 18-significant-digit decimal
// expansion (so 2.675, stored slightly below, gives 2.67 and 0.125 gives 0.13).
struct Decimal
{
    bool negative = false;
    QString intDigits;  // no leading zeros; empty for a zero integer part
    QString fracDigits; // exactly `decimals` digits
    bool isZero() const;
};
Decimal roundDecimal(double value, int decimals);

// FormatFloat-style masks: '0' a digit, '#' an optional digit, '.' the decimal point, ',' anywhere in
// the integer part turns on thousands grouping; text before the first and after the last digit
// placeholder ("#0 %", "###,###,##0.00 Kn") is kept as it stands; ';' separates positive;negative;zero.
QString number(double value, const QString& mask);

// Plain amount with two decimals and thousands separators: "1.234,50".
QString amount(double value);

// Reads "1.234,56", "1234,56", "-3" and, leniently, "1234.56" (a single point followed by other than
// three digits). Empty or malformed text gives no value.
std::optional<double> parseNumber(const QString& text);

QString date(const QDate& d);         // "dd.MM.yyyy"; empty for an invalid date
QString time(const QTime& t);         // "HH:mm:ss"
QString dateTime(const QDateTime& t); // "dd.MM.yyyy HH:mm:ss"
// The fiscal date-time text: "dd.MM.yyyy" + "T" + "HH:mm:ss", 19 characters.
QString fiscalDateTime(const QDateTime& t); // empty for an invalid moment
QDate parseDate(const QString& text);       // "dd.MM.yyyy" (also "d.M.yyyy"); invalid when malformed

// ISO text as the store keeps it.
QString isoDate(const QDate& d);
QString isoDateTime(const QDateTime& t);

} // namespace tarvel::fmt

namespace tarvel {

// An amount rounded to two decimals: written with the mask "#########0.00" and read back, that is
// rounded half away from zero on its 18-significant-digit expansion. 0.125 -> 0.13, -0.125 -> -0.13,
// 2.675 (stored slightly below) -> 2.67, 2.345 (stored slightly above) -> 2.35.
double Zaokruzi(double amount);

// The trimmed text right-aligned in `width` characters by leading blanks; a longer text stays as it is.
QString Design(const QString& text, int width);

} // namespace tarvel
