#pragma once

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace tarvel {
class TarvelError;
}

// The few shared routines the party screens call: the message dialog, the central error handler and
// the postal-code picker. They live with the main window and the master data; these functions are the
// one place that reaches them.
namespace tarvel::receivables {

bool pitanje(QWidget* owner, const QString& text);   // yes/no question; true for "Da"
void obavijest(QWidget* owner, const QString& text); // OK-only notice
void prikaziGresku(QWidget* owner, const TarvelError& error);
// The postal-code list in picking mode: the chosen pair as "NOVIBR BNAZ", nothing when none was chosen.
std::optional<QString> izaberiPostanskiBroj(QWidget* owner);

// Tests answer in place of a person: `message` gets every text shown (question true for a yes/no
// question) and returns the answer; `postalCode` stands for the postal-code list. Unset: the real ones.
struct DialogHooks
{
    std::function<bool(QWidget* owner, const QString& text, bool question)> message;
    std::function<std::optional<QString>(QWidget* owner)> postalCode;
};
void setDialogHooks(DialogHooks hooks);

} // namespace tarvel::receivables
