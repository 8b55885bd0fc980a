#pragma once

#include "invoicing/receipt40.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace tarvel::data {
class TDM;
class TableObject;
} // namespace tarvel::data

// Getting a 40-column receipt to its printer: one raw job per receipt, the lines byte for byte.
namespace tarvel::invoicing {

// Where a receipt's lines go. The program's sink is CUPS; unit tests keep the bytes instead.
class ReceiptSink
{
public:
    virtual ~ReceiptSink() = default;
    // One job named `title` on `printer`, the lines in order and unchanged. Raises TarvelError.
    virtual void printRaw(const QString& printer, const QString& title, const QList<QByteArray>& lines) = 0;
};

// A raw job (CUPS_FORMAT_RAW, so no filter touches the bytes) on the CUPS server the environment names
// (CUPS_SERVER, client.conf) or the local one.
class CupsReceiptSink : public ReceiptSink
{
public:
    void printRaw(const QString& printer, const QString& title, const QList<QByteArray>& lines) override;
};

// The sink in use; nullptr sets CUPS again.
ReceiptSink& receiptSink();
void setReceiptSink(ReceiptSink* sink);

// The main window's printer switch: which printer is selected, and selecting one. Tests replace it.
struct PrinterSwitch
{
    std::function<QString()> current;
    std::function<bool(const QString& name)> select;

    static PrinterSwitch& active();
    static PrinterSwitch defaults(); // app::currentPrinterName / app::PrinterSelect
};

// Selects the receipt printer, sends the receipt as one job titled "OPZ-STAT-1 Print" to it and selects
// the printer that was selected before again, also when the job failed. A blank printer name is an
// error: the receipt would otherwise land on the page printer as raw bytes.
void printOn40(const QString& receiptPrinter, const QList<QByteArray>& lines);

// The printer codes for the company row: from the companion database when PATH_MJE names an existing
// file, otherwise four and nine line feeds. A companion file that cannot be read raises TarvelError.
PrinterControl printerControlFor(const QString& pathMje);

// NAZIV_KOM of the row of `partyTable` whose POR_BROJ is `oib`, without moving the table's current row.
std::optional<QString> partyName(data::TDM& dm, const QString& partyTable, const QString& oib);

// The receipts of the book: the current FISKAL row, the first OPCI row (open), the party table of the
// run mode for the operator's name. Both print on GLAVNI_PRINTER.
QList<QByteArray> racunNa40(data::TDM& dm, const QString& partyTable);
QList<QByteArray> certifikatNa40(data::TDM& dm, const QString& partyTable);
void ispisiRacun40(data::TDM& dm, const QString& partyTable);
void ispisiCertifikat40(data::TDM& dm, const QString& partyTable);

} // namespace tarvel::invoicing
