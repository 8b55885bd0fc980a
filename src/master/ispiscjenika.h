#pragma once

#include "reports/report.h"
#include "reports/tableobjectsource.h"

namespace tarvel::data {
class TableObject;
}

namespace tarvel::master {

// The price list as printed: the rows the table object shows (its search filter applies), under a
// page header with the company's name, place and OIB read from OPCI.
class TIspisCjenikaReport : public reports::Report
{
public:
    TIspisCjenikaReport(data::TableObject& cjenik, data::TableObject& opci);

protected:
    void beforePrepare() override;

private:
    reports::TableObjectSource m_rows;
    data::TableObject& m_opci;
    QString m_naziv, m_mjesto, m_oib;
};

} // namespace tarvel::master
