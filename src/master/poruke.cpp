#include "master/poruke.h"

#include "app/errorhandler.h"
#include "app/poruka.h"
#include "app/printerselect.h"

#include <QFileDialog>
#include <QPrinterInfo>

namespace tarvel::master {

namespace {

FileChooser& chooser()
{
    static FileChooser fn;
    return fn;
}

std::function<Printeri()>& printerList()
{
    static std::function<Printeri()> fn;
    return fn;
}

} // namespace

void obavijest(QWidget* owner, const QString& text)
{
    app::Poruka::inform(owner, text);
}

bool pitanje(QWidget* owner, const QString& text)
{
    return app::Poruka::ask(owner, text);
}

void prikaziGresku(QWidget*, const TarvelError& error)
{
    app::handleError(error);
}

void setFileChooser(FileChooser fn)
{
    chooser() = std::move(fn);
}

QString izaberiDatoteku(QWidget* owner, const QString& title, const QString& filter, const QString& start)
{
    if (chooser())
        return chooser()(owner, title, filter);
    // "Description (*.ext)|*.ext" pairs; Qt needs only the descriptions, which carry the patterns.
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList names;
    for (int i = 0; i < parts.size(); i += 2)
        names << parts[i];
    QFileDialog dlg(owner, title, start);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setNameFilters(names);
    if (!start.isEmpty())
        dlg.selectFile(start);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return QString();
    return dlg.selectedFiles().first();
}

void setPrinterList(std::function<Printeri()> fn)
{
    printerList() = std::move(fn);
}

Printeri instaliraniPrinteri()
{
    if (printerList())
        return printerList()();
    return {QPrinterInfo::availablePrinterNames(), app::currentPrinterName()};
}

} // namespace tarvel::master
