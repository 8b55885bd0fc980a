#include "app/screens.h"

#include "app/osnovnaforma.h"
#include "app/prijavaprostora.h"
#include "invoicing/formaracuna.h"
#include "master/master.h"
#include "master/opcaforma.h"
#include "receivables/parties.h"

#include <QLabel>
#include <QTimer>

namespace tarvel::app {

void installScreens(TOsnovnaForma& w)
{
    w.setOpener(Ekran::KnjigaRacuna, invoicing::otvoriKnjiguRacuna);
    // The exchange with the fiscal service blocks the window: the status timer rests meanwhile.
    invoicing::KnjigaUsluge& knjiga = invoicing::KnjigaUsluge::current();
    knjiga.statusniTimer = [&w](bool radi) {
        if (radi)
            w.statusTimer()->start();
        else
            w.statusTimer()->stop();
    };
    knjiga.ocistiUslugu = [&w] { w.serviceLabel()->clear(); };
    w.setOpener(Ekran::OpciPodaci, master::otvoriOpcaFormu);
    w.setOpener(Ekran::Cjenik, master::otvoriCjenik);
    w.setOpener(Ekran::PostanskiBrojevi, master::otvoriPoste);
    w.setOpener(Ekran::Kupci, receivables::KupciIKartice);
    w.setOpener(Ekran::Operateri, receivables::Operateri);
    w.setOperatorChooser([](QWidget* owner) {
        const receivables::PartyChoice c = receivables::IzaberiOperateraZaPrijavu(owner);
        return IzabraniKomitent{c.oib, c.naziv};
    });
    master::TOpcaForma::setOperatorRegister(
        [](QWidget* owner) { return receivables::IzborOperatera(owner).oib; });
    master::TOpcaForma::setPremisesRegistration(prijaviProstorSaZaslona);
}

} // namespace tarvel::app
