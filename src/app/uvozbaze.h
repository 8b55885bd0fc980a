#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace tarvel::app {

class TOsnovnaForma;

// Bringing over the Access database of the older program (baze/fiskal.mdb).
namespace uvoz {

// At the first start, before the data module opens the database: when "baze" holds fiskal.mdb and
// there is no database of this program yet, imports it with the main window's progress bar and shows
// the rows imported per table. A failure is reported and leaves no database behind.
void pokreniPriPrvomStartu(TOsnovnaForma& window);

// Menu "Servis": imports a chosen .mdb file into the (empty) open database.
void pokreniIzIzbornika(TOsnovnaForma& window);

// Tests answer the file question; an empty text means the user cancelled.
void setFileChooser(std::function<QString(QWidget* owner)> chooser);

} // namespace uvoz
} // namespace tarvel::app
