#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace tarvel {
class TarvelError;
}

namespace tarvel::master {

// The few places where the master screens speak to the user: the message dialog "Poruka" (a notice
// with "U redu - Ent", a question with "Da - F9" / "Ne - Esc") and the central error handler.
void obavijest(QWidget* owner, const QString& text);
bool pitanje(QWidget* owner, const QString& text);
void prikaziGresku(QWidget* owner, const TarvelError& error);

// The standard file dialog for an existing file; `filter` in the form "PFX files (*.pfx)|*.pfx".
// Empty when the user gave up.
QString izaberiDatoteku(QWidget* owner, const QString& title, const QString& filter, const QString& start);
using FileChooser = std::function<QString(QWidget* owner, const QString& title, const QString& filter)>;
void setFileChooser(FileChooser chooser); // tests answer the dialog; empty: the real dialog

// The printers installed on the workstation and its current (default) printer.
struct Printeri
{
    QStringList imena;
    QString trenutni;
};
Printeri instaliraniPrinteri();
void setPrinterList(std::function<Printeri()> list); // tests; empty: the system's list

} // namespace tarvel::master
