#include "core/clock.h"

namespace tarvel {

namespace {
QDateTime g_fixed;
}

QDateTime Clock::now()
{
    return g_fixed.isValid() ? g_fixed : QDateTime::currentDateTime();
}

void Clock::setFixed(const QDateTime& moment)
{
    g_fixed = moment;
}

} // namespace tarvel
