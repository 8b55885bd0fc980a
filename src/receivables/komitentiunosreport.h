#pragma once

#include "receivables/komitenti.h"
#include "reports/report.h"
#include "reports/tableobjectsource.h"

namespace tarvel::data {
class TableObject;
}

namespace tarvel::receivables {

// The company lines of the page header, from OPCI.
struct CompanyHeader
{
    QString naziv, ulica, mjesto, oib;
};

// The list of operators or customers: the rows of the party table object as it stands, its filter
// and sort included. A4 portrait, one line per party.
class TKomitentiUnosReport : public reports::Report
{
public:
    TKomitentiUnosReport(data::TableObject* parties, PartyKind kind, const CompanyHeader& company);

private:
    reports::TableObjectSource m_rows;
};

} // namespace tarvel::receivables
