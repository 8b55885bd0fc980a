#pragma once

#include "reports/report.h"

#include <QDate>
#include <QString>

namespace tarvel::data {
class TableObject;
}

namespace tarvel::fiscal {

// The OPCI values the certificate confirmation prints; the password in clear.
struct PodaciCertifikata
{
    QDate prom;
    QString naziv, ulica, kBr, kBrD, ptt, mjesto, oib, imeCert, lozinka;

    // The first OPCI row, PASS_CERT deciphered; empty values when there is none.
    static PodaciCertifikata izOpci(data::TableObject& opci);
};

// "POTVRDA O CERTIFIKATU": an A4 sheet recording which certificate file and password the company uses.
class TCertReport : public reports::Report
{
public:
    explicit TCertReport(const PodaciCertifikata& podaci);

    // "Ulica 12 b": the street trimmed, then the house number and its suffix, each after one blank.
    static QString adresa(const PodaciCertifikata& p);
    // The year of PROM plus 5, four digits; empty without a date.
    static QString vrijediDo(const QDate& prom);

private:
    PodaciCertifikata m_p;
};

} // namespace tarvel::fiscal
