#include "app/screens.h"

#include "app/osnovnaforma.h"

namespace tarvel::app {

void installScreens(TOsnovnaForma& w)
{
    // No screen of the later parts is built yet; their buttons and menu items stay disabled.
    (void)w;
}

} // namespace tarvel::app
