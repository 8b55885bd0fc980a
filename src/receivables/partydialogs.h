#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace tarvel {
class TarvelError;
}

// The shared routines the party screens call: the message dialog "Poruka", the central error handler
// and the postal-code list as a picker.
namespace tarvel::receivables {

bool pitanje(QWidget* owner, const QString& text);   // yes/no question; true for "Da"
void obavijest(QWidget* owner, const QString& text); // OK-only notice
void prikaziGresku(QWidget* owner, const TarvelError& error);
// The postal-code list in picking mode: the chosen pair as "NOVIBR BNAZ", nothing when none was chosen.
std::optional<QString> izaberiPostanskiBroj(QWidget* owner);

} // namespace tarvel::receivables
