#pragma once

#include <QDate>
#include <QString>

namespace tarvel::data {
class TDM;
class TableObject;
} // namespace tarvel::data

namespace tarvel::master {

// The company data as the company screen shows them: every column it copies in and out, the
// certificate password in plain text.
struct OpciPodaci
{
    QString oibOp, oib, naziv, odgIme, odgPrez, tel, fax, email;
    QString uPdv = QStringLiteral("Da");
    QString vrObvez = QStringLiteral("R1");
    QString brRac, poslGod;
    QString naplur = QStringLiteral("3");
    QString sklad, ulica, kBr, kBrD, ptt, mjesto, opcina, radVr;
    QDate prom;
    QString passCert, imeCert, pathMje;
    QString eHost, ePort, eUsername, ePassword;
    QString glavniPrinter;
    QString ispis = QStringLiteral("A4");
};

// Opens OPCI (it stays open) and, on a database without its row, appends one whose OIB is the
// maker's, so a fresh database runs against the test service until a real OIB is saved.
// Returns true when it had to create the row.
bool osigurajOpciRed(data::TDM& dm);

// The first OPCI row; choices that are empty or unknown keep the screen's defaults.
OpciPodaci procitajOpci(data::TableObject& opci);

// "Zapamti - F9": writes the row back (PROM untouched, an empty footer as "-"), then sets the run's
// shared values again: operator OIB and label, receipt printer, companion mode, TestniCIS. Does
// nothing when OPCI has no row. OPCI must be open.
void zapamtiOpci(data::TDM& dm, const OpciPodaci& p);

// What the footer column holds for a typed footer: "-" when it is empty after trimming.
QString podnozjeZaSpremanje(const QString& footer);

// The company data still carry the placeholder name (or none at all), so no invoice can be written.
bool opciPodaciNepopunjeni(data::TableObject& opci);

} // namespace tarvel::master
