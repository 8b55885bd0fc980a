#pragma once

#include "invoicing/invoicerules.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QVariantMap>
#include <optional>

// The 40-column receipts as the raw bytes the receipt printer gets: one block per line, Windows-1250,
// each ending in LF CR. Sending them is the caller's business (the book's printer switch and libcups).
namespace tarvel::invoicing {

inline constexpr int ReceiptWidth = 40;
inline constexpr const char* ReceiptJobTitle = "OPZ-STAT-1 Print";

// The control characters sent as the first and the last line of a receipt.
struct PrinterControl
{
    QByteArray prefix;
    QByteArray suffix;

    // No companion database: four line feeds before, nine after.
    static PrinterControl plain();
    // PR1..PR10 and PO1..PO10 of the companion database's OPCITABLE, in order; 0 means no character.
    // A value outside 1..255 is no single byte and is left out as well.
    static PrinterControl fromCodes(const QList<int>& pr, const QList<int>& po);
    static PrinterControl fromOpciTable(const QVariantMap& row);
};

// What the receipts print of OPCI.
struct ReceiptCompany
{
    QString naziv, ulica, kBr, kBrD, ptt, mjesto, oib;
    QString imeCert;
    QString password; // in clear text
    QDate prom;

    // PASS_CERT is deciphered here.
    static ReceiptCompany fromColumns(const QVariantMap& opci);
};

// What the invoice receipt prints of a FISKAL row.
struct ReceiptInvoice
{
    QString brRac, datVr, nacPlac, oibOper, zastKod, jir;
    InvoiceLines lines;
    double ukIznos = 0;
    VatGroups groups;

    static ReceiptInvoice fromColumns(const QVariantMap& fiskal);
};

// The invoice receipt. operatorName: NAZIV_KOM of the party whose POR_BROJ is the invoice's OIB,
// none when the party table holds no such row (the receipt then names OIB_OPER).
QList<QByteArray> PrintajRn40(const ReceiptInvoice& invoice, const ReceiptCompany& company,
                              const std::optional<QString>& operatorName, const PrinterControl& control);

// The certificate confirmation. operatorName: NAZIV_KOM of the party whose POR_BROJ is OIB_OP of
// OPCI; when none, the receipt names invoiceOibOper, OIB_OPER of the book's current invoice.
QList<QByteArray> PrintajCt40(const ReceiptCompany& company, const std::optional<QString>& operatorName,
                              const QString& invoiceOibOper, const PrinterControl& control);

} // namespace tarvel::invoicing
