#pragma once

#include "invoicing/entrymarks.h"
#include "invoicing/invoicerules.h"

#include <QDate>
#include <QTime>
#include <QVariantMap>

namespace tarvel::data {
class TDM;
class TableObject;
} // namespace tarvel::data

namespace tarvel::invoicing {

// Companion mode: the invoice names the operator who issues it. Customer mode: it names a customer,
// its lines carry quantities, units and prices, and it has a ledger entry.
enum class EntryVariant { Companion, Customer };

inline LineKind lineKindOf(EntryVariant v)
{
    return v == EntryVariant::Customer ? LineKind::WithQuantities : LineKind::Plain;
}

// The fields of an entry window as they stand when the user stores.
struct InvoiceEntry
{
    QString oib;  // companion: the operator's OIB field; customer: the customer's OIB field
    QString name; // the name label
    QDate date;
    QTime time;
    QString brRac;
    QString nacPlac;
    QString paragon;
    QString nakDost;
    QDate valuta; // customer only
    InvoiceLines lines;
};

inline constexpr const char* LateDeliveryYes = "Da";
inline constexpr const char* LateDeliveryNo = "Ne";
bool isLateDeliveryText(const QString& text); // "Da" or "Ne"
// Leaving the date field: an invoice dated before today reached the tax administration late.
bool impliesLateDelivery(const QDate& invoiceDate, const QDate& today);

// Customer mode shows the due date only for a bank transfer written as "T -".
bool showsDueDate(const QString& nacPlac);
inline constexpr const char* CustomerDefaultPayment = "T - Transakcijski račun - IBAN";

// "dd.MM.yyyy" + "T" + "HH:mm:ss".
QString datVr(const QDate& date, const QTime& time);
// Characters 12 to 19 of DAT_VR.
QTime timeOfDatVr(const QString& datVr);
QDate dateOfDatVr(const QString& datVr);

// The current row of a table object as a column map.
QVariantMap rowValues(const data::TableObject& table);

// The fields shown for a stored row (edit, copy, view). The number, and in customer mode the copy's
// dates, are the window's business.
InvoiceEntry entryFromColumns(const QVariantMap& fiskal, EntryVariant variant);

// Every FISKAL column a store writes. `operatorOib` is OIB_OP of OPCI (customer mode writes it as the
// issuing operator). DATUM is `today` for an appended row and the date field for an edit.
QVariantMap invoiceColumns(const InvoiceEntry& entry, EntryVariant variant, EntryMode mode,
                           const CompanyValues& opci, const QString& operatorOib, const QDate& today);

// The invoice's charge in PROMETNA, from the columns just written and the invoice's AUTOKEY.
QVariantMap ledgerColumns(const QVariantMap& invoice, qint64 autokey, const QDate& today);

struct StoreResult
{
    bool appended = false;
    qint64 autokey = -1;
};

// Stores one invoice from an entry window: the FISKAL row (appended or changed in place), the counter
// step for an appended row, and in customer mode the ledger entry found by KEYFISKAL. All of it is one
// unit of work: when any write fails nothing stays behind, the data module's table objects are read
// again and FISKAL is back on the row that was current, and the error is raised again.
// On success FISKAL is positioned on the stored row.
class InvoiceStore
{
public:
    explicit InvoiceStore(data::TDM& dm);
    StoreResult store(const InvoiceEntry& entry, EntryVariant variant, EntryMode mode);

private:
    qint64 writeInvoice(const InvoiceEntry& entry, EntryVariant variant, EntryMode mode);
    void raiseCounter();
    void writeLedger(const QVariantMap& invoice, qint64 autokey);
    void restoreAfterFailure(qint64 fiskalKey, bool fiskalWasOpen, bool opciWasOpen);

    data::TDM& m_dm;
};

} // namespace tarvel::invoicing
