#pragma once

#include "core/errors.h"

#include <QString>
#include <functional>

class QWidget;

namespace tarvel::data {
class TableObject;
}

// What the entry windows need from other screens and from the shell: the message dialog, the central
// error handler, the party register and the price list in selection mode, the idle watcher. They are
// reached only through here.
namespace tarvel::invoicing {

struct ChosenParty
{
    QString oib;  // POR_BROJ; empty when nobody was chosen
    QString name; // NAZIV_KOM
};

// The price list's chosen article; its values when the list was closed without a choice.
struct ChosenArticle
{
    QString name;
    QString unit;
    double price = 0;        // CIJENA, without VAT
    double priceWithVat = 0; // CIJENA_SA
    double rate = 25;        // STOPA
};

struct EntryServices
{
    std::function<void(QWidget* parent, const QString& text)> notice;
    std::function<void(QWidget* parent, const TarvelError& error)> showError;
    // The register over the data module's party table (its table name set by the caller), in selection
    // mode, positioned at `positionOib` when it is not empty.
    std::function<ChosenParty(QWidget* owner, data::TableObject* partyTable, const QString& positionOib)>
        chooseParty;
    std::function<ChosenArticle(QWidget* owner)> chooseArticle;
    std::function<void(bool on)> idleWatcher;

    // The services in use; tests and the shell replace single members.
    static EntryServices& current();
    static EntryServices defaults();
};

} // namespace tarvel::invoicing
