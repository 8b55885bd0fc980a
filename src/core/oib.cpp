#include "core/oib.h"

namespace tarvel {

namespace {

int asciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9') ? c.unicode() - '0' : -1;
}

} // namespace

int oibControlDigit(QStringView firstTen)
{
    if (firstTen.size() < 10)
        return -1;
    int a = 10;
    for (int i = 0; i < 10; ++i) {
        const int d = asciiDigit(firstTen[i]);
        if (d < 0)
            return -1;
        int b = (a + d) % 10;
        if (b == 0)
            b = 10;
        a = (2 * b) % 11;
    }
    return a == 1 ? 0 : 11 - a;
}

bool isValidOib(const QString& oib)
{
    if (oib.size() != 11)
        return false;
    const int control = oibControlDigit(QStringView(oib).left(10));
    return control >= 0 && control == asciiDigit(oib[10]);
}

} // namespace tarvel
