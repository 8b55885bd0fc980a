#include "app/placement.h"

#include <QSettings>
#include <QWidget>

namespace tarvel::app {

namespace {
QString key(const QWidget* w, const char* value)
{
    return w->objectName() + QLatin1Char('/') + QLatin1String(value);
}
} // namespace

bool WindowPlacement::restore(QWidget* window)
{
    if (window->objectName().isEmpty())
        return false;
    QSettings s(QStringLiteral("Sevrit"), QStringLiteral("Kesvan"));
    const QByteArray geometry = s.value(key(window, "geometry")).toByteArray();
    if (geometry.isEmpty())
        return false;
    return window->restoreGeometry(geometry);
}

bool WindowPlacement::restoreSize(QWidget* window)
{
    if (window->objectName().isEmpty())
        return false;
    QSettings s(QStringLiteral("Sevrit"), QStringLiteral("Kesvan"));
    const QSize size = s.value(key(window, "size")).toSize();
    if (!size.isValid())
        return false;
    window->resize(size.expandedTo(window->minimumSize()));
    return true;
}

void WindowPlacement::save(QWidget* window)
{
    if (window->objectName().isEmpty())
        return;
    QSettings s(QStringLiteral("Sevrit"), QStringLiteral("Kesvan"));
    s.setValue(key(window, "geometry"), window->saveGeometry());
    s.setValue(key(window, "size"), window->isMaximized() ? window->normalGeometry().size() : window->size());
    s.setValue(key(window, "maximized"), window->isMaximized());
}

} // namespace tarvel::app
