#include "core/paths.h"

#include <QCoreApplication>
#include <QDir>

namespace tarvel {

namespace {
QString g_folder;
}

QString Paths::programFolder()
{
    if (g_folder.isEmpty()) {
        QString dir =
            QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
        setProgramFolder(dir);
    }
    return g_folder;
}

void Paths::setProgramFolder(const QString& folder)
{
    g_folder = QDir::fromNativeSeparators(QDir(folder).absolutePath());
    if (!g_folder.endsWith(QLatin1Char('/')))
        g_folder += QLatin1Char('/');
}

QString Paths::file(const QString& relative)
{
    return programFolder() + QDir::fromNativeSeparators(relative);
}

} // namespace tarvel
