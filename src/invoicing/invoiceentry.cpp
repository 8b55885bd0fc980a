#include "invoicing/invoiceentry.h"

#include "core/clock.h"
#include "core/errors.h"
#include "core/format.h"
#include "data/schema.h"
#include "data/tdm.h"

namespace tarvel::invoicing {

using data::TableObject;

namespace {

QString columnText(const QVariantMap& row, const char* column)
{
    return row.value(QLatin1String(column)).toString();
}

double columnNumber(const QVariantMap& row, const char* column)
{
    const QVariant v = row.value(QLatin1String(column));
    return v.isNull() ? 0.0 : v.toDouble();
}

QDate columnDate(const QVariantMap& row, const char* column)
{
    const QVariant v = row.value(QLatin1String(column));
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    const QString s = v.toString().trimmed();
    const QDate iso = QDate::fromString(s.left(10), QStringLiteral("yyyy-MM-dd"));
    return iso.isValid() ? iso : fmt::parseDate(s);
}

// The name comes from the party register (NAZIV_KOM holds 100 characters) and cannot be edited in the
// window; a longer name than FISKAL keeps would make every store of the invoice fail.
QString fittedName(const QString& name)
{
    const data::TableDef* t = data::tableDef(QStringLiteral("FISKAL"));
    const data::ColumnDef* c = t ? t->column(QStringLiteral("NAZIV")) : nullptr;
    return c && c->width > 0 ? name.left(c->width) : name;
}

} // namespace

bool isLateDeliveryText(const QString& text)
{
    return text == QLatin1String(LateDeliveryYes) || text == QLatin1String(LateDeliveryNo);
}

bool impliesLateDelivery(const QDate& invoiceDate, const QDate& today)
{
    return invoiceDate.isValid() && invoiceDate < today;
}

bool showsDueDate(const QString& nacPlac)
{
    return nacPlac.left(3) == QLatin1String("T -");
}

QString datVr(const QDate& date, const QTime& time)
{
    return fmt::date(date) + QLatin1Char('T') + fmt::time(time);
}

QTime timeOfDatVr(const QString& datVr)
{
    return QTime::fromString(datVr.mid(11, 8), QStringLiteral("HH:mm:ss"));
}

QDate dateOfDatVr(const QString& datVr)
{
    return fmt::parseDate(datVr.left(10));
}

QVariantMap rowValues(const TableObject& table)
{
    QVariantMap row;
    if (!table.active() || table.recNo() < 0)
        return row;
    for (const QString& c : table.columns())
        row.insert(c, table.value(c));
    return row;
}

InvoiceEntry entryFromColumns(const QVariantMap& fiskal, EntryVariant variant)
{
    InvoiceEntry e;
    const QString stamp = columnText(fiskal, "DAT_VR");
    e.name = columnText(fiskal, "NAZIV");
    e.oib = variant == EntryVariant::Customer ? columnText(fiskal, "OIB_KUP") : columnText(fiskal, "OIB");
    e.date = columnDate(fiskal, "DATUM");
    if (!e.date.isValid())
        e.date = dateOfDatVr(stamp);
    e.time = timeOfDatVr(stamp);
    e.brRac = columnText(fiskal, "BR_RAC").trimmed();
    e.nacPlac = columnText(fiskal, "NAC_PLAC");
    e.paragon = columnText(fiskal, "PARAGON");
    e.nakDost = columnText(fiskal, "NAK_DOST") == QLatin1String(LateDeliveryYes)
                    ? QString::fromLatin1(LateDeliveryYes)
                    : QString::fromLatin1(LateDeliveryNo);
    e.valuta = columnDate(fiskal, "VALUTA");
    e.lines = linesFromColumns(fiskal, lineKindOf(variant));
    return e;
}

QVariantMap invoiceColumns(const InvoiceEntry& entry, EntryVariant variant, EntryMode mode,
                           const CompanyValues& opci, const QString& operatorOib, const QDate& today)
{
    QVariantMap row = storedInvoiceColumns(entry.brRac, entry.lines, lineKindOf(variant), opci);
    if (variant == EntryVariant::Customer) {
        row.insert(QStringLiteral("OIB"), operatorOib);
        row.insert(QStringLiteral("OIB_OPER"), operatorOib);
        row.insert(QStringLiteral("OIB_KUP"), entry.oib.left(16).trimmed());
        row.insert(QStringLiteral("VALUTA"), entry.valuta);
    } else {
        row.insert(QStringLiteral("OIB"), entry.oib.left(16).trimmed());
        row.insert(QStringLiteral("OIB_OPER"), entry.oib.left(11).trimmed());
    }
    row.insert(QStringLiteral("NAZIV"), fittedName(entry.name));
    row.insert(QStringLiteral("DAT_VR"), datVr(entry.date, entry.time));
    row.insert(QStringLiteral("DATUM"), appendsRow(mode) ? today : entry.date);
    row.insert(QStringLiteral("NAC_PLAC"), entry.nacPlac);
    row.insert(QStringLiteral("NAK_DOST"), entry.nakDost);
    row.insert(QStringLiteral("PARAGON"), entry.paragon);
    return row;
}

QVariantMap ledgerColumns(const QVariantMap& invoice, qint64 autokey, const QDate& today)
{
    const double total = columnNumber(invoice, "UKIZNOS");
    const double vat = columnNumber(invoice, "UKPDV");
    const QVariant datum = columnDate(invoice, "DATUM");
    QVariantMap row;
    row.insert(QStringLiteral("KEYFISKAL"), double(autokey));
    row.insert(QStringLiteral("POR_BROJ"), columnText(invoice, "OIB_KUP"));
    row.insert(QStringLiteral("VK"), QStringLiteral("Z"));
    row.insert(QStringLiteral("DAT_DOKUM"), datum);
    row.insert(QStringLiteral("DAT_DVO"), datum);
    row.insert(QStringLiteral("DAT_DOSP"), QVariant(columnDate(invoice, "VALUTA")));
    row.insert(QStringLiteral("DAT_KNJIZ"), today);
    row.insert(QStringLiteral("DUGUJE"), 0.0);
    row.insert(QStringLiteral("POTRAZUJE"), total);
    row.insert(QStringLiteral("PDV"), vat);
    row.insert(QStringLiteral("IZNOS"), total - vat);
    row.insert(QStringLiteral("BROJ_DOK"), columnText(invoice, "BR_RAC"));
    row.insert(QStringLiteral("OPIS"), QStringLiteral("Račun izdan ") + columnText(invoice, "DAT_VR"));
    return row;
}

// ---- InvoiceStore -------------------------------------------------------------------------------

InvoiceStore::InvoiceStore(data::TDM& dm) : m_dm(dm) {}

StoreResult InvoiceStore::store(const InvoiceEntry& entry, EntryVariant variant, EntryMode mode)
{
    if (mode == EntryMode::View)
        throw TarvelError(ErrorKind::Other, QStringLiteral("Fiskalizirani račun se ne može mijenjati."));
    TableObject* fiskal = m_dm.FiskalTable;
    const bool fiskalWasOpen = fiskal->active();
    const bool opciWasOpen = m_dm.OpcaTable->active();
    const qint64 before = fiskal->currentKey();
    if (mode == EntryMode::Edit && (!fiskalWasOpen || fiskal->recNo() < 0))
        throw TarvelError(ErrorKind::Other, QStringLiteral("Nema računa za izmjenu."));

    StoreResult result;
    result.appended = appendsRow(mode);
    try {
        data::Transaction unit(m_dm.connection());
        if (!opciWasOpen)
            m_dm.OpcaTable->open();
        if (!fiskalWasOpen)
            fiskal->open();
        result.autokey = writeInvoice(entry, variant, mode);
        if (result.appended)
            raiseCounter();
        if (variant == EntryVariant::Customer)
            writeLedger(rowValues(*fiskal), result.autokey);
        unit.commit();
    } catch (...) {
        restoreAfterFailure(before, fiskalWasOpen, opciWasOpen);
        throw;
    }
    if (!opciWasOpen)
        m_dm.OpcaTable->close();
    if (m_dm.PrometnaTable->active() && variant == EntryVariant::Customer)
        m_dm.PrometnaTable->refresh();
    return result;
}

qint64 InvoiceStore::writeInvoice(const InvoiceEntry& entry, EntryVariant variant, EntryMode mode)
{
    TableObject* opci = m_dm.OpcaTable;
    const CompanyValues company = CompanyValues::fromColumns(rowValues(*opci));
    const QString operatorOib = opci->recNo() >= 0 ? opci->asString(QStringLiteral("OIB_OP")) : QString();
    const QVariantMap cols = invoiceColumns(entry, variant, mode, company, operatorOib, Clock::today());

    TableObject* fiskal = m_dm.FiskalTable;
    if (appendsRow(mode))
        fiskal->append();
    else
        fiskal->edit();
    for (auto it = cols.cbegin(); it != cols.cend(); ++it)
        fiskal->setValue(it.key(), it.value());
    fiskal->post();
    return fiskal->value(QStringLiteral("AUTOKEY")).toLongLong();
}

void InvoiceStore::raiseCounter()
{
    TableObject* opci = m_dm.OpcaTable;
    const double counter = opci->asDouble(QStringLiteral("BR_RAC"));
    opci->edit();
    opci->setValue(QStringLiteral("BR_RAC"), counterAfterNewInvoice(counter));
    opci->post();
}

void InvoiceStore::writeLedger(const QVariantMap& invoice, qint64 autokey)
{
    // A table object of its own, filtered to the invoice's entry: the data module's PROMETNA may be
    // open elsewhere with a filter of its own, and the whole ledger need not be read for one row.
    TableObject ledger(&m_dm.connection(), QStringLiteral("PROMETNA"));
    data::Filter f;
    f.add({QStringLiteral("KEYFISKAL"), data::Condition::Op::Eq, double(autokey)});
    ledger.setFilter(f);
    ledger.setSort(QStringLiteral("AUTOKEY"));
    ledger.open();
    if (ledger.isEmpty()) {
        ledger.append();
    } else {
        ledger.first();
        ledger.edit();
    }
    const QVariantMap cols = ledgerColumns(invoice, autokey, Clock::today());
    for (auto it = cols.cbegin(); it != cols.cend(); ++it)
        ledger.setValue(it.key(), it.value());
    ledger.post();
    ledger.close();
}

void InvoiceStore::restoreAfterFailure(qint64 fiskalKey, bool fiskalWasOpen, bool opciWasOpen)
{
    // The unit of work is rolled back by now; the table objects still hold keys and values of rows
    // that no longer exist and must be read again.
    try {
        TableObject* fiskal = m_dm.FiskalTable;
        if (fiskal->active()) {
            fiskal->cancel();
            if (!fiskalWasOpen) {
                fiskal->close();
            } else {
                fiskal->refresh();
                if (fiskalKey >= 0)
                    fiskal->moveToKey(fiskalKey);
            }
        }
        TableObject* opci = m_dm.OpcaTable;
        if (opci->active()) {
            opci->cancel();
            if (!opciWasOpen)
                opci->close();
            else
                opci->refresh();
        }
        if (m_dm.PrometnaTable->active()) {
            m_dm.PrometnaTable->cancel();
            m_dm.PrometnaTable->refresh();
        }
    } catch (const TarvelError&) {
        // The store itself is failing; the original error is the one to report.
    }
}

} // namespace tarvel::invoicing
