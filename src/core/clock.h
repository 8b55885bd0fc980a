#pragma once

#include <QDate>
#include <QDateTime>

namespace tarvel {

// The program's one source of the current date and time. Tests set a fixed moment.
class Clock
{
public:
    static QDateTime now();
    static QDate today() { return now().date(); }
    // An invalid value returns to the system clock.
    static void setFixed(const QDateTime& moment);
};

} // namespace tarvel
