#pragma once

namespace tarvel::app {

class TOsnovnaForma;

// Gives the main window the openers of the screens that exist. Each screen adds one line here:
//
//   w.setOpener(Ekran::Cjenik, [](QWidget* parent) { master::TCjenikForma f(parent); f.exec(); });
//
// and the button or menu item becomes available.
void installScreens(TOsnovnaForma& w);

} // namespace tarvel::app
