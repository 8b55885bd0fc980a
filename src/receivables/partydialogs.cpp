#include "receivables/partydialogs.h"

#include "app/errorhandler.h"
#include "app/poruka.h"
#include "master/master.h"

namespace tarvel::receivables {

bool pitanje(QWidget* owner, const QString& text)
{
    return app::Poruka::ask(owner, text);
}

void obavijest(QWidget* owner, const QString& text)
{
    app::Poruka::inform(owner, text);
}

void prikaziGresku(QWidget*, const TarvelError& error)
{
    app::handleError(error);
}

std::optional<QString> izaberiPostanskiBroj(QWidget* owner)
{
    return master::izaberiPostu(owner);
}

} // namespace tarvel::receivables
