#include "app/startup.h"

#include "core/paths.h"

#include <QDir>
#include <QLocale>

namespace tarvel::app {

void fixFormats()
{
    // Input widgets follow the default locale: Croatian has ',' and '.' as the program wants; the
    // program's own texts go through tarvel::fmt, which follows no locale.
    QLocale hr(QLocale::Croatian, QLocale::Croatia);
    hr.setNumberOptions(QLocale::DefaultNumberOptions);
    QLocale::setDefault(hr);
}

bool createWorkingFolders()
{
    bool ok = true;
    for (const char* name : {"xml", "xml_out", "xml_in", "tecaj"})
        ok = QDir().mkpath(Paths::file(QLatin1String(name))) && ok;
    return ok;
}

} // namespace tarvel::app
