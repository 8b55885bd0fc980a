#include "reports/textmeasure.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QImage>
#include <QTextDocument>
#include <QTextOption>

namespace tarvel::reports::measure {

namespace {

QImage& device()
{
    static QImage image = [] {
        QImage img(1, 1, QImage::Format_RGB32);
        const int dpm = qRound(kDpi / 0.0254);
        img.setDotsPerMeterX(dpm);
        img.setDotsPerMeterY(dpm);
        return img;
    }();
    return image;
}

} // namespace

bool isHtml(const QString& text)
{
    return Qt::mightBeRichText(text);
}

double lineHeight(const QFont& font)
{
    return toMm(QFontMetricsF(font, &device()).height());
}

double textHeight(const QFont& font, const QString& text, double widthMm, bool wrap)
{
    if (!wrap || text.isEmpty())
        return lineHeight(font) * std::max<qsizetype>(1, text.count(QLatin1Char('\n')) + 1);
    const QFontMetricsF fm(font, &device());
    const QRectF r = fm.boundingRect(QRectF(0, 0, toPx(widthMm), 1e7), Qt::TextWordWrap, text);
    return toMm(r.height());
}

double richTextHeight(const QFont& font, const QString& text, double widthMm, Qt::Alignment alignment)
{
    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&device());
    doc.setDefaultFont(font);
    doc.setDocumentMargin(0);
    doc.setDefaultTextOption(QTextOption(alignment));
    if (isHtml(text))
        doc.setHtml(text);
    else
        doc.setPlainText(text);
    doc.setTextWidth(toPx(widthMm));
    return toMm(doc.size().height());
}

QString richTextPlain(const QString& text)
{
    if (!isHtml(text))
        return text;
    QTextDocument doc;
    doc.setHtml(text);
    return doc.toPlainText();
}

} // namespace tarvel::reports::measure
