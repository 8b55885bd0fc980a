#pragma once

namespace tarvel::master {
class TOpcaForma;
}

namespace tarvel::app {

// "Registriraj u PU - F12" of the company data screen: the screen's values go to the premises
// registration; the first empty required field gets the focus, otherwise "Promjena vrijedi od :"
// shows today. A failed exchange is raised for the central error handler after that.
void prijaviProstorSaZaslona(master::TOpcaForma& screen);

} // namespace tarvel::app
