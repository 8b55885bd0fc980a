#include "receivables/partydialogs.h"

#include "core/errors.h"

#include <QMessageBox>
#include <QPushButton>

namespace tarvel::receivables {

namespace {

DialogHooks& hooks()
{
    static DialogHooks h;
    return h;
}

} // namespace

void setDialogHooks(DialogHooks h)
{
    hooks() = std::move(h);
}

bool pitanje(QWidget* owner, const QString& text)
{
    if (hooks().message)
        return hooks().message(owner, text, true);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Poruka"), text, QMessageBox::NoButton, owner);
    QPushButton* da = box.addButton(QStringLiteral("Da - F9"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("Ne - Esc"), QMessageBox::NoRole);
    box.exec();
    return box.clickedButton() == da;
}

void obavijest(QWidget* owner, const QString& text)
{
    if (hooks().message) {
        hooks().message(owner, text, false);
        return;
    }
    QMessageBox box(QMessageBox::Information, QStringLiteral("Poruka"), text, QMessageBox::NoButton, owner);
    box.addButton(QStringLiteral("U redu - Ent"), QMessageBox::AcceptRole);
    box.exec();
}

void prikaziGresku(QWidget* owner, const TarvelError& error)
{
    obavijest(owner, error.message());
}

std::optional<QString> izaberiPostanskiBroj(QWidget* owner)
{
    if (hooks().postalCode)
        return hooks().postalCode(owner);
    return std::nullopt;
}

} // namespace tarvel::receivables
