#pragma once

#include "receivables/komitenti.h"

class QLabel;
class QWidget;

// What the main window and the company data screen call to reach the party register.
namespace tarvel::receivables {

// "Prijava operatera" and a click on the operator label: the operator register in selection mode,
// positioned at OPCI.OIB_OP. A chosen operator becomes OPCI.OIB_OP and the label (when given) reads
// "Operater: " + name; leaving without a choice changes nothing. Returns the choice.
PartyChoice PrijavaOperatera(QWidget* mainWindow, QLabel* operatorLabel);

// The chooser half of the sign-in, for a main window that stores OIB_OP and sets its label itself:
// the operator register in selection mode, positioned at OPCI.OIB_OP; changes nothing.
PartyChoice IzaberiOperateraZaPrijavu(QWidget* mainWindow);

// "Kupci i kartice": the customer register in maintenance mode; the party table is KOMINT again
// afterwards. Does nothing in companion mode, where the customer register is unavailable.
void KupciIKartice(QWidget* mainWindow);

// Menu "Ažuriranje" -> "Operateri": the operator register in maintenance mode.
void Operateri(QWidget* mainWindow);

// Company data, "?" beside "OIB operatera:": the operator register in selection mode, positioned at
// the stored OPCI.OIB_OP. The caller puts the returned OIB (empty when nobody was chosen) into its box.
PartyChoice IzborOperatera(QWidget* companyScreen);

// Any other caller: the register over `tableName` in selection mode, positioned at `positionOib`
// when given; `newEnabled` false for the callers that disable "Novi - F3".
PartyChoice IzaberiKomitenta(QWidget* owner, const QString& tableName, const QString& positionOib = QString(),
                             bool newEnabled = true);

} // namespace tarvel::receivables
