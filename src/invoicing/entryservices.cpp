#include "invoicing/entryservices.h"

#include "app/errorhandler.h"
#include "app/idlewatcher.h"
#include "app/poruka.h"
#include "master/master.h"
#include "receivables/komitentiforma.h"

namespace tarvel::invoicing {

EntryServices EntryServices::defaults()
{
    EntryServices s;
    s.notice = [](QWidget* parent, const QString& text) { app::Poruka::inform(parent, text); };
    s.showError = [](QWidget*, const TarvelError& error) { app::handleError(error); };
    s.chooseParty = [](QWidget* owner, data::TableObject*, const QString& positionOib) {
        const receivables::PartyChoice c = receivables::TKomitentiForma::izaberi(owner, positionOib);
        return ChosenParty{c.oib, c.naziv};
    };
    s.chooseArticle = [](QWidget* owner) {
        const master::OdabraniArtikl a = master::izaberiArtikl(owner);
        return ChosenArticle{a.naziv, a.jmj, a.cijena, a.cijenaSa, a.stopa};
    };
    s.idleWatcher = [](bool on) {
        if (on)
            app::IdleWatcher::instance()->start();
        else
            app::IdleWatcher::instance()->stop();
    };
    return s;
}

EntryServices& EntryServices::current()
{
    static EntryServices s = defaults();
    return s;
}

} // namespace tarvel::invoicing
