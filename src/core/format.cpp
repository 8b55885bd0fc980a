#include "core/format.h"

#include <QRegularExpression>
#include <cmath>

namespace tarvel::fmt {

bool Decimal::isZero() const
{
    for (QChar c : intDigits)
        if (c != QLatin1Char('0'))
            return false;
    for (QChar c : fracDigits)
        if (c != QLatin1Char('0'))
            return false;
    return true;
}

Decimal roundDecimal(double value, int decimals)
{
    Decimal d;
    d.fracDigits = QString(decimals, QLatin1Char('0'));
    if (!std::isfinite(value) || value == 0.0)
        return d;
    d.negative = value < 0;
    // 18 significant digits: d.ddddddddddddddddde+XX
    const QString e = QString::number(std::fabs(value), 'e', 17);
    const qsizetype ePos = e.indexOf(QLatin1Char('e'));
    QString digits = e.left(ePos);
    digits.remove(QLatin1Char('.'));
    const int exponent = e.mid(ePos + 1).toInt();
    int pointPos = exponent + 1; // digits before the decimal point
    if (pointPos < 0) {
        digits.prepend(QString(-pointPos, QLatin1Char('0')));
        pointPos = 0;
    }
    if (pointPos > digits.size())
        digits.append(QString(pointPos - digits.size(), QLatin1Char('0')));
    QString intPart = digits.left(pointPos);
    QString frac = digits.mid(pointPos);
    if (frac.size() < decimals + 1)
        frac.append(QString(decimals + 1 - frac.size(), QLatin1Char('0')));
    const bool roundUp = frac.at(decimals) >= QLatin1Char('5');
    QString all = intPart + frac.left(decimals);
    if (roundUp) {
        qsizetype i = all.size() - 1;
        for (; i >= 0; --i) {
            if (all[i] == QLatin1Char('9')) {
                all[i] = QLatin1Char('0');
            } else {
                all[i] = QChar(all[i].unicode() + 1);
                break;
            }
        }
        if (i < 0)
            all.prepend(QLatin1Char('1'));
    }
    d.fracDigits = all.right(decimals);
    d.intDigits = all.left(all.size() - decimals);
    while (d.intDigits.startsWith(QLatin1Char('0')))
        d.intDigits.remove(0, 1);
    if (d.isZero())
        d.negative = false;
    return d;
}

namespace {

bool isPlaceholder(QChar c)
{
    return c == QLatin1Char('0') || c == QLatin1Char('#');
}

// Literal text of a mask piece with its quotes removed.
QString literal(const QString& s)
{
    QString out;
    QChar quote;
    for (QChar c : s) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                out += c;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
        } else {
            out += c;
        }
    }
    return out;
}

QString formatSection(double value, const QString& mask, bool withSign, bool* shownAsZero = nullptr)
{
    qsizetype first = -1, last = -1;
    QChar quote;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar c = mask[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
            continue;
        }
        // The digit body runs from the first placeholder (or a leading point) to the last placeholder;
        // a point or comma after the last placeholder is suffix text ("#0 kn.").
        if (isPlaceholder(c)) {
            if (first < 0)
                first = i;
            last = i;
        } else if (c == QLatin1Char('.') && first < 0) {
            first = last = i;
        }
    }
    if (first < 0) { // no digits at all: the mask is pure text
        if (shownAsZero)
            *shownAsZero = roundDecimal(value, 0).isZero();
        return literal(mask);
    }
    const QString prefix = literal(mask.left(first));
    const QString suffix = literal(mask.mid(last + 1));
    const QString body = mask.mid(first, last - first + 1);

    const qsizetype point = body.indexOf(QLatin1Char('.'));
    const QString intMask = point >= 0 ? body.left(point) : body;
    const QString fracMask = point >= 0 ? body.mid(point + 1) : QString();
    const bool grouping = intMask.contains(QLatin1Char(','));
    const int minInt = int(intMask.count(QLatin1Char('0')));
    const int maxFrac = int(fracMask.count(QLatin1Char('0')) + fracMask.count(QLatin1Char('#')));
    int minFrac = 0;
    for (QChar c : fracMask) {
        if (c == QLatin1Char('0'))
            ++minFrac;
        else if (c == QLatin1Char('#'))
            break;
    }
    // '0's after a '#' still force their digit in FormatFloat; count the last '0'.
    const qsizetype lastZero = fracMask.lastIndexOf(QLatin1Char('0'));
    if (lastZero >= 0)
        minFrac = int(fracMask.left(lastZero + 1).count(QLatin1Char('0')) +
                      fracMask.left(lastZero + 1).count(QLatin1Char('#')));

    Decimal d = roundDecimal(value, maxFrac);
    if (shownAsZero)
        *shownAsZero = d.isZero();
    QString intDigits = d.intDigits;
    if (intDigits.size() < minInt)
        intDigits.prepend(QString(minInt - intDigits.size(), QLatin1Char('0')));
    if (grouping) {
        for (qsizetype i = intDigits.size() - 3; i > 0; i -= 3)
            intDigits.insert(i, QLatin1Char('.'));
    }
    QString frac = d.fracDigits;
    while (frac.size() > minFrac && frac.endsWith(QLatin1Char('0')))
        frac.chop(1);
    QString out = intDigits;
    if (!frac.isEmpty())
        out += QLatin1Char(',') + frac;
    // The sign leads the whole text, prefix included ("-Kn 5,00"), as FormatFloat does.
    const bool minus = withSign && d.negative && !d.isZero();
    return (minus ? QStringLiteral("-") : QString()) + prefix + out + suffix;
}

} // namespace

QString number(double value, const QString& mask)
{
    const QStringList sections = mask.split(QLatin1Char(';'));
    // The zero section applies when the value shows as zero in the positive section's own places.
    bool zero = false;
    const QString positive = formatSection(value, sections[0], true, &zero);
    if (sections.size() >= 3 && zero && !sections[2].isEmpty())
        return formatSection(0.0, sections[2], false);
    if (sections.size() >= 2 && value < 0 && !sections[1].isEmpty())
        return formatSection(-value, sections[1], false);
    return positive;
}

QString amount(double value)
{
    return number(value, QStringLiteral("#,##0.00"));
}

std::optional<double> parseNumber(const QString& text)
{
    QString t = text.trimmed();
    t.remove(QLatin1Char(' '));
    if (t.isEmpty())
        return std::nullopt;
    if (!t.contains(QLatin1Char(','))) {
        // "1234.56" typed with a point: a single point not followed by exactly three digits.
        static const QRegularExpression pointDecimal(QStringLiteral("^[-+]?\\d*\\.(\\d{1,2}|\\d{4,})$"));
        if (pointDecimal.match(t).hasMatch())
            t.replace(QLatin1Char('.'), QLatin1Char(','));
    }
    static const QRegularExpression valid(QStringLiteral("^[-+]?(\\d{1,3}(\\.\\d{3})+|\\d*)(,\\d*)?$"));
    if (!valid.match(t).hasMatch() || t == QLatin1String(",") || t == QLatin1String("-") ||
        t == QLatin1String("+"))
        return std::nullopt;
    t.remove(QLatin1Char('.'));
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}

QString date(const QDate& d)
{
    return d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

QString time(const QTime& t)
{
    return t.isValid() ? t.toString(QStringLiteral("HH:mm:ss")) : QString();
}

QString dateTime(const QDateTime& t)
{
    return t.isValid() ? date(t.date()) + QLatin1Char(' ') + time(t.time()) : QString();
}

QString fiscalDateTime(const QDateTime& t)
{
    if (!t.isValid())
        return QString();
    return date(t.date()) + QLatin1Char('T') + time(t.time());
}

QDate parseDate(const QString& text)
{
    const QString t = text.trimmed();
    QDate d = QDate::fromString(t, QStringLiteral("dd.MM.yyyy"));
    if (!d.isValid())
        d = QDate::fromString(t, QStringLiteral("d.M.yyyy"));
    return d;
}

QString isoDate(const QDate& d)
{
    return d.isValid() ? d.toString(Qt::ISODate) : QString();
}

QString isoDateTime(const QDateTime& t)
{
    return t.isValid() ? t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

} // namespace tarvel::fmt

namespace tarvel {

double Zaokruzi(double amount)
{
    const fmt::Decimal d = fmt::roundDecimal(amount, 2);
    const QString text = (d.negative ? QStringLiteral("-") : QString()) +
                         (d.intDigits.isEmpty() ? QStringLiteral("0") : d.intDigits) + QLatin1Char('.') +
                         d.fracDigits;
    return text.toDouble();
}

QString Design(const QString& text, int width)
{
    QString t = text.trimmed();
    if (t.size() < width)
        t.prepend(QString(width - t.size(), QLatin1Char(' ')));
    return t;
}

} // namespace tarvel
