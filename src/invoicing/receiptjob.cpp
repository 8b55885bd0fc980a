#include "invoicing/receiptjob.h"

#include "app/printerselect.h"
#include "core/errors.h"
#include "data/access/companion.h"
#include "data/store.h"
#include "data/tdm.h"
#include "invoicing/invoiceentry.h"

#include <cups/cups.h>

namespace tarvel::invoicing {

namespace {

[[noreturn]] void printerError(const QString& printer, const QString& what)
{
    throw TarvelError(ErrorKind::Other,
                      QStringLiteral("Ispis na pisač \"%1\" nije uspio: %2").arg(printer, what));
}

QString cupsError()
{
    return QString::fromUtf8(cupsLastErrorString());
}

// The destination, its details and an open job; whatever was not finished is cancelled.
class CupsJob
{
public:
    explicit CupsJob(const QString& printer) : m_printer(printer)
    {
        const QByteArray name = printer.toUtf8();
        m_dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(), nullptr);
        if (!m_dest)
            printerError(printer, QStringLiteral("pisač nije instaliran."));
        m_info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, m_dest);
        if (!m_info)
            printerError(printer, cupsError());
    }
    ~CupsJob()
    {
        if (m_job > 0 && !m_finished)
            cupsCancelDestJob(CUPS_HTTP_DEFAULT, m_dest, m_job);
        if (m_info)
            cupsFreeDestInfo(m_info);
        if (m_dest)
            cupsFreeDests(1, m_dest);
    }
    CupsJob(const CupsJob&) = delete;
    CupsJob& operator=(const CupsJob&) = delete;

    void start(const QString& title)
    {
        const QByteArray t = title.toUtf8();
        const ipp_status_t created =
            cupsCreateDestJob(CUPS_HTTP_DEFAULT, m_dest, m_info, &m_job, t.constData(), 0, nullptr);
        if (created > IPP_STATUS_OK_CONFLICTING || m_job <= 0)
            printerError(m_printer, cupsError());
        if (cupsStartDestDocument(CUPS_HTTP_DEFAULT, m_dest, m_info, m_job, t.constData(), CUPS_FORMAT_RAW, 0,
                                  nullptr, 1) != HTTP_STATUS_CONTINUE)
            printerError(m_printer, cupsError());
        m_documentOpen = true;
    }
    void write(const QByteArray& bytes)
    {
        if (cupsWriteRequestData(CUPS_HTTP_DEFAULT, bytes.constData(), size_t(bytes.size())) !=
            HTTP_STATUS_CONTINUE)
            printerError(m_printer, cupsError());
    }
    void finish()
    {
        m_documentOpen = false;
        if (cupsFinishDestDocument(CUPS_HTTP_DEFAULT, m_dest, m_info) > IPP_STATUS_OK_CONFLICTING)
            printerError(m_printer, cupsError());
        m_finished = true;
    }

private:
    QString m_printer;
    cups_dest_t* m_dest = nullptr;
    cups_dinfo_t* m_info = nullptr;
    int m_job = 0;
    bool m_documentOpen = false;
    bool m_finished = false;
};

ReceiptSink*& installedSink()
{
    static ReceiptSink* sink = nullptr;
    return sink;
}

// Selects the remembered printer again when the print is over, whatever happened.
class SelectAgain
{
public:
    SelectAgain(PrinterSwitch& s, QString name) : m_switch(s), m_name(std::move(name)) {}
    ~SelectAgain()
    {
        if (m_switch.select && !m_name.isEmpty())
            m_switch.select(m_name);
    }
    SelectAgain(const SelectAgain&) = delete;
    SelectAgain& operator=(const SelectAgain&) = delete;

private:
    PrinterSwitch& m_switch;
    QString m_name;
};

QVariantMap firstOpciRow(data::TDM& dm)
{
    data::TableObject* opci = dm.OpcaTable;
    if (!opci->active())
        opci->open();
    opci->first();
    return rowValues(*opci);
}

} // namespace

void CupsReceiptSink::printRaw(const QString& printer, const QString& title, const QList<QByteArray>& lines)
{
    CupsJob job(printer);
    job.start(title);
    for (const QByteArray& line : lines)
        job.write(line);
    job.finish();
}

ReceiptSink& receiptSink()
{
    static CupsReceiptSink cups;
    return installedSink() ? *installedSink() : cups;
}

void setReceiptSink(ReceiptSink* sink)
{
    installedSink() = sink;
}

PrinterSwitch& PrinterSwitch::active()
{
    static PrinterSwitch s = defaults();
    return s;
}

PrinterSwitch PrinterSwitch::defaults()
{
    return {[] { return app::currentPrinterName(); },
            [](const QString& name) { return app::PrinterSelect(name); }};
}

void printOn40(const QString& receiptPrinter, const QList<QByteArray>& lines)
{
    const QString printer = receiptPrinter.trimmed();
    if (printer.isEmpty())
        throw TarvelError(ErrorKind::Other,
                          QStringLiteral("U općim podacima nije upisan pisač za ispis računa na 40 kolona."));
    PrinterSwitch& sw = PrinterSwitch::active();
    const QString previous = sw.current ? sw.current() : QString();
    SelectAgain restore(sw, previous);
    if (sw.select)
        sw.select(printer);
    receiptSink().printRaw(printer, QString::fromLatin1(ReceiptJobTitle), lines);
}

PrinterControl printerControlFor(const QString& pathMje)
{
    const std::optional<data::access::PrinterControl> codes = data::access::readPrinterControl(pathMje);
    if (!codes)
        return PrinterControl::plain();
    return {codes->prefix, codes->suffix};
}

std::optional<QString> partyName(data::TDM& dm, const QString& partyTable, const QString& oib)
{
    if (partyTable != QLatin1String("KUPCI") && partyTable != QLatin1String("KOMINT"))
        throw TarvelError(ErrorKind::Other, QStringLiteral("Nepoznata tablica komitenata: ") + partyTable);
    if (oib.isEmpty())
        return std::nullopt;
    const QVector<QVector<QVariant>> rows = data::readRows(
        dm.connection(),
        QStringLiteral("SELECT NAZIV_KOM FROM %1 WHERE POR_BROJ = ? LIMIT 1").arg(partyTable), {oib});
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first().value(0).toString();
}

QList<QByteArray> racunNa40(data::TDM& dm, const QString& partyTable)
{
    const QVariantMap opci = firstOpciRow(dm);
    const QVariantMap fiskal = rowValues(*dm.FiskalTable);
    const ReceiptInvoice invoice = ReceiptInvoice::fromColumns(fiskal);
    const PrinterControl control = printerControlFor(opci.value(QStringLiteral("PATH_MJE")).toString());
    return PrintajRn40(invoice, ReceiptCompany::fromColumns(opci),
                       partyName(dm, partyTable, fiskal.value(QStringLiteral("OIB")).toString()), control);
}

QList<QByteArray> certifikatNa40(data::TDM& dm, const QString& partyTable)
{
    const QVariantMap opci = firstOpciRow(dm);
    const QString invoiceOibOper = dm.FiskalTable->active() && !dm.FiskalTable->isEmpty()
                                       ? dm.FiskalTable->asString(QStringLiteral("OIB_OPER"))
                                       : QString();
    const PrinterControl control = printerControlFor(opci.value(QStringLiteral("PATH_MJE")).toString());
    return PrintajCt40(ReceiptCompany::fromColumns(opci),
                       partyName(dm, partyTable, opci.value(QStringLiteral("OIB_OP")).toString()),
                       invoiceOibOper, control);
}

void ispisiRacun40(data::TDM& dm, const QString& partyTable)
{
    const QList<QByteArray> lines = racunNa40(dm, partyTable);
    printOn40(dm.OpcaTable->asString(QStringLiteral("GLAVNI_PRINTER")), lines);
}

void ispisiCertifikat40(data::TDM& dm, const QString& partyTable)
{
    const QList<QByteArray> lines = certifikatNa40(dm, partyTable);
    printOn40(dm.OpcaTable->asString(QStringLiteral("GLAVNI_PRINTER")), lines);
}

} // namespace tarvel::invoicing
