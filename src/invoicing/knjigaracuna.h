#pragma once

#include "data/filter.h"
#include "data/tablemodel.h"

#include <QDate>
#include <QString>
#include <optional>

namespace tarvel::data {
class TDM;
class TableObject;
} // namespace tarvel::data

// The rules of the invoice book that need no window: the list's colours and filter, the warning at
// opening, deleting with the counter, the cancelling invoice, the e-mail and the day's log.
namespace tarvel::invoicing {

// "Prikaži:"
enum class Prikaz { Fiskalizirano, Nefiskalizirano, Sve };

// A row drawn in red: no JIR yet and not paid by bank transfer.
bool potrebnoFiskalizirati(const QString& jir, const QString& nacPlac);

// The list's filter for the search panel; none (all rows, also those with an empty OIB) when the choice
// is "Sve" and both texts are empty.
std::optional<data::Filter> filterKnjige(const QString& naziv, const QString& oib, Prikaz prikaz,
                                         bool customerMode);

// Whether any invoice waits for fiscalization (the notice at opening).
bool imaNefiskaliziranih(data::TDM& dm);

// The list over FISKAL: the book's columns, red rows.
class KnjigaRacunaModel : public data::TableModel
{
    Q_OBJECT
public:
    KnjigaRacunaModel(data::TableObject* fiskal, bool customerMode, QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    static QColor crvena();
};

// Deleting the current FISKAL row (not fiscalized): the counter of OPCI goes back by one when the row
// carried its last number. Both in one unit of work. The ledger entry of the invoice stays.
struct BrisanjeRacuna
{
    bool brojJeBroj = false; // the number part of BR_RAC is a number
    bool snizujeBrojac = false;
};
BrisanjeRacuna planBrisanja(data::TDM& dm);
void obrisiRacun(data::TDM& dm, bool snizitiBrojac);

// The cancelling invoice of the current (fiscalized) row: a negated copy with the next number, empty
// fiscal columns, "Storno - " before the name and line 1, dated now; the counter rises by one. One unit
// of work; FISKAL is left on the new row. Returns its BR_RAC.
QString StornirajRacun(data::TDM& dm);

// The customer's address for the e-mail of the current invoice: the party row whose POR_BROJ is OIB_KUP.
struct PrimateljRacuna
{
    bool nadjen = false;
    QString adresa; // FNAZIV, trimmed
    QString naziv;  // NAZIV_KOM, trimmed; the invoice's NAZIV when no party row matches
};
PrimateljRacuna primateljRacuna(data::TDM& dm, const QString& partyTable);

// The invoice as "RACUN.PDF" in the xml folder by the print size (A4: the standard layout, A5: the
// companion A5 layout) and one message to the customer. Print size "40" sends nothing and returns false.
bool PosaljiJednog(data::TDM& dm, const QString& partyTable, bool customerMode, const PrimateljRacuna& komu);

// The invoices recorded today (DATUM), in AUTOKEY order, for the day's log.
void pripremiDnevnik(data::TableObject& upit, const QDate& danas);

} // namespace tarvel::invoicing
