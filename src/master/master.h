#pragma once

#include "master/cjenik.h"

#include <QString>
#include <optional>

class QWidget;

// The main window's and the other screens' way into the master data screens.
namespace tarvel::master {

// "Ažuriranje" -> "Opći podaci".
void otvoriOpcaFormu(QWidget* owner);
// "Ažuriranje" -> "Cjenik" (the main window keeps it disabled in companion mode).
void otvoriCjenik(QWidget* owner);
// "Ažuriranje" -> "Poštanski brojevi".
void otvoriPoste(QWidget* owner);

// Invoice entry: the price list in selection mode. An empty description means nothing was chosen
// (then the price with VAT is 0 and the rate 25).
OdabraniArtikl izaberiArtikl(QWidget* owner);
// The party edit screen: the postal code list as a picker; "21000 SPLIT" (number, one blank, place)
// for the chosen row, nothing when the user closed the list without choosing.
std::optional<QString> izaberiPostu(QWidget* owner);

// "Izrada računa": true when the invoice book may open. While the company data still carry the
// placeholder name "Upišite..." (or no name at all) it shows "Prije početka izrade računa morate prvo
// popuniti opće podatke.", opens the company data screen and returns false.
bool izradaRacunaDopustena(QWidget* owner);

} // namespace tarvel::master
