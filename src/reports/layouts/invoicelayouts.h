#pragma once

#include "reports/report.h"

#include <QString>
#include <QVariantMap>
#include <optional>

namespace tarvel::data {
class TDM;
class TableObject;
} // namespace tarvel::data

// The page layouts of an invoice and the day's invoice log.
namespace tarvel::reports {

// What an invoice layout prints: the invoice, the company, the customer and the operator.
struct RacunZaIspis
{
    QVariantMap racun;                // the FISKAL row
    QVariantMap tvrtka;               // the OPCI row
    std::optional<QVariantMap> kupac; // the party row whose POR_BROJ is OIB_KUP
    QString operater;                 // NAZIV_KOM of the KOMINT row whose POR_BROJ is the invoice's OIB
    bool kupci = true;                // customer mode (companion mode: false)

    // From the data module: the current FISKAL row, the first OPCI row (OpcaTable open), the customer
    // from `partyTable` and the operator from KOMINT, read without moving any table object.
    static RacunZaIspis izModula(data::TDM& dm, const QString& partyTable, bool customerMode);
};

// A null FOOTER of OPCI (open, on its row) becomes "_", posted at once. Returns whether it stored.
bool spremiPodnozje(data::TableObject& opci);

// The standard A4 invoice; with `opci` a null foot text is stored as "_" when the layout is prepared.
class TFormaTiskanjeKarticeReport : public Report
{
public:
    explicit TFormaTiskanjeKarticeReport(RacunZaIspis podaci, data::TableObject* opci = nullptr);

protected:
    TFormaTiskanjeKarticeReport(RacunZaIspis podaci, data::TableObject* opci, bool a5);
    void beforePrepare() override;
    bool footerPrints() const;

    RacunZaIspis m_podaci;
    data::TableObject* m_opci;
};

// The A5 invoice of customer mode: the standard one compacted into the upper half of the sheet.
class TPrTiskanjeRacunaA5NovaReport : public TFormaTiskanjeKarticeReport
{
public:
    explicit TPrTiskanjeRacunaA5NovaReport(RacunZaIspis podaci, data::TableObject* opci = nullptr);
};

// The A5 invoice of companion mode: no customer, gross amounts only.
class TTiskanjeKarticeA5Report : public Report
{
public:
    explicit TTiskanjeKarticeA5Report(RacunZaIspis podaci);
};

// The A4 invoice of the one company whose OIB is DolnikOib, on its own letterhead.
class TPrTiskanjeDolnikReport : public Report
{
public:
    static constexpr const char* DolnikOib = "47029583166";
    explicit TPrTiskanjeDolnikReport(RacunZaIspis podaci);

    // That company's own letterhead and footer: placeholders until it gives its texts.
    struct Zaglavlje
    {
        QStringList letterhead;
        QStringList footer;
        QString placeOfIssue;
    };
    static const Zaglavlje& zaglavlje();
};

// The day's invoice log over the rows of `racuni` (the book's query), the company row for the header.
class TFormaObracunReport : public Report
{
public:
    TFormaObracunReport(RecordSource* racuni, QVariantMap tvrtka, const QDate& datumIspisa);
};

} // namespace tarvel::reports
