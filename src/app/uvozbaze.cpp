#include "app/uvozbaze.h"

#include "app/errorhandler.h"
#include "app/osnovnaforma.h"
#include "app/poruka.h"
#include "core/paths.h"
#include "data/access/mdbimport.h"
#include "data/schema.h"
#include "data/tdm.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

namespace tarvel::app::uvoz {

namespace {

std::function<QString(QWidget*)> g_chooser;

data::access::ImportProgress progressOf(TOsnovnaForma& window)
{
    return [&window](int position, int maximum, const QString& status) {
        window.showProgress(position, maximum, status);
    };
}

bool oldDatabaseWaiting()
{
    if (QFileInfo::exists(Paths::databaseFile()))
        return false;
    const QDir baze(Paths::file(QStringLiteral("baze")));
    return !baze.entryList({QStringLiteral("fiskal.mdb")}, QDir::Files).isEmpty(); // any letter case
}

} // namespace

void setFileChooser(std::function<QString(QWidget*)> chooser)
{
    g_chooser = std::move(chooser);
}

void pokreniPriPrvomStartu(TOsnovnaForma& window)
{
    if (!oldDatabaseWaiting())
        return;
    // The import of a large file takes a while: the user sees the window and its progress bar.
    window.show();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        const auto result = data::access::importOnFirstStart(data::schema(), progressOf(window));
        QApplication::restoreOverrideCursor();
        window.showProgress(0, 0, QString());
        if (result)
            Poruka::inform(&window, result->summary());
    } catch (const std::exception& e) {
        QApplication::restoreOverrideCursor();
        window.showProgress(0, 0, QString());
        handleError(e);
    }
}

void pokreniIzIzbornika(TOsnovnaForma& window)
{
    data::TDM* dm = data::TDM::instance();
    if (!dm)
        return;
    const QString file = g_chooser
                             ? g_chooser(&window)
                             : QFileDialog::getOpenFileName(&window, QStringLiteral("Uvoz baze podataka"),
                                                            Paths::file(QStringLiteral("baze")),
                                                            QStringLiteral("Access baza (*.mdb *.MDB)"));
    if (file.isEmpty())
        return;
    if (!Poruka::ask(&window, QStringLiteral("Uvozite podatke iz datoteke %1 u praznu bazu podataka ?")
                                  .arg(QDir::toNativeSeparators(file))))
        return;
    // The import writes under the table objects: none of them may hold a cursor meanwhile.
    for (data::TableObject* t : dm->tables())
        t->close();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        const data::access::ImportResult result =
            data::access::importAccessDatabase(file, dm->connection(), data::schema(), progressOf(window));
        QApplication::restoreOverrideCursor();
        window.showProgress(0, 0, QString());
        dm->readSharedValues();
        window.applySharedValues();
        Poruka::inform(&window, result.summary());
    } catch (const std::exception& e) {
        QApplication::restoreOverrideCursor();
        window.showProgress(0, 0, QString());
        handleError(e);
    }
}

} // namespace tarvel::app::uvoz
