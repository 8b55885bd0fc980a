#include "app/errorhandler.h"
#include "app/oforma.h"
#include "app/osnovnaforma.h"
#include "app/placement.h"
#include "app/screens.h"
#include "app/singlecopy.h"
#include "app/startup.h"
#include "data/tdm.h"

#include <QScreen>

int main(int argc, char** argv)
{
    using namespace tarvel;
    app::TarvelApplication application(argc, argv);

    app::SingleCopy single;
    if (!single.claim())
        return 0; // the other copy has been brought forward

    app::fixFormats();
    app::createWorkingFolders();

    app::TOsnovnaForma window;
    QObject::connect(&single, &app::SingleCopy::activationRequested, &window,
                     [&window] { app::bringForward(&window); });
    app::installScreens(window);

    data::TDM dm;
    window.attachDataModule();
    try {
        dm.create();
    } catch (const std::exception& e) {
        // The main window still comes up; every later database action reports its own error.
        app::handleError(e);
    }
    window.applySharedValues();

    if (!app::WindowPlacement::restore(&window)) {
        // Maximized; the screen's area too, for a desktop without a window manager.
        if (const QScreen* screen = window.screen())
            window.setGeometry(screen->availableGeometry());
        window.setWindowState(Qt::WindowMaximized);
    }
    window.show();

    auto* splash = new app::TOForma(true, &window);
    splash->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(splash, &QDialog::finished, &window, [&window] { window.startStatusTimer(1000); });
    splash->open();

    return application.exec();
}
