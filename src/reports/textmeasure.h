#pragma once

#include <QFont>
#include <QString>
#include <Qt>

// Text is measured at a fixed fine resolution, so a layout breaks its lines and pages the same way
// whatever it is later drawn on (screen, printer or PDF).
namespace tarvel::reports::measure {

constexpr double kDpi = 1200.0;
inline double toPx(double mm, double dpi = kDpi)
{
    return mm * dpi / 25.4;
}
inline double toMm(double px, double dpi = kDpi)
{
    return px * 25.4 / dpi;
}

double lineHeight(const QFont& font);
// Height in mm that the text needs in `widthMm`, wrapped at words when `wrap` is set.
double textHeight(const QFont& font, const QString& text, double widthMm, bool wrap);
// The same for rich text (HTML, or plain text when it does not look like HTML).
double richTextHeight(const QFont& font, const QString& text, double widthMm, Qt::Alignment alignment);
QString richTextPlain(const QString& text);
bool isHtml(const QString& text);

} // namespace tarvel::reports::measure
