#include "app/printerselect.h"

#include <QPrinterInfo>
#include <cups/cups.h>

namespace tarvel::app {

namespace {
QString& current()
{
    static QString name = QPrinterInfo::defaultPrinterName();
    return name;
}
} // namespace

QString currentPrinterName()
{
    return current();
}

bool PrinterSelect(const QString& name)
{
    const QStringList installed = QPrinterInfo::availablePrinterNames();
    const qsizetype at = installed.indexOf(name);
    if (at >= 0)
        current() = installed.at(at);
    if (current().isEmpty())
        return false;

    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests(&dests);
    const QByteArray dest = current().toUtf8();
    bool ok = cupsGetDest(dest.constData(), nullptr, count, dests) != nullptr;
    if (ok) {
        cupsSetDefaultDest(dest.constData(), nullptr, count, dests);
        ok = cupsSetDests2(CUPS_HTTP_DEFAULT, count, dests) == 0;
    }
    cupsFreeDests(count, dests);
    return ok;
}

} // namespace tarvel::app
