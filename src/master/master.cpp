#include "master/master.h"

#include "data/tdm.h"
#include "master/cjenikforma.h"
#include "master/opcaforma.h"
#include "master/poruke.h"
#include "master/postaforma.h"
#include "master/ui.h"

namespace tarvel::master {

void otvoriOpcaFormu(QWidget* owner)
{
    guarded(owner, [owner] {
        TOpcaForma f(owner);
        f.exec();
    });
}

void otvoriCjenik(QWidget* owner)
{
    TCjenikForma f(owner, TCjenikForma::Nacin::Odrzavanje);
    f.exec();
}

void otvoriPoste(QWidget* owner)
{
    TPostaForma f(owner, TPostaForma::Nacin::Odrzavanje);
    f.exec();
}

OdabraniArtikl izaberiArtikl(QWidget* owner)
{
    TCjenikForma f(owner, TCjenikForma::Nacin::Izbor);
    f.exec();
    return f.odabrani();
}

std::optional<QString> izaberiPostu(QWidget* owner)
{
    TPostaForma f(owner, TPostaForma::Nacin::Izbor);
    f.exec();
    if (f.odabrano().isEmpty())
        return std::nullopt;
    return f.odabrano();
}

bool izradaRacunaDopustena(QWidget* owner)
{
    bool nepopunjeni = false;
    guarded(owner, [&] { nepopunjeni = opciPodaciNepopunjeni(*data::TDM::instance()->OpcaTable); });
    if (!nepopunjeni)
        return true;
    obavijest(owner, QStringLiteral("Prije početka izrade računa morate prvo popuniti opće podatke."));
    otvoriOpcaFormu(owner);
    return false;
}

} // namespace tarvel::master
