#include "receivables/komitentieditforma.h"

#include "core/errors.h"
#include "core/oib.h"
#include "data/tdm.h"
#include "receivables/partydialogs.h"

#include <QFocusEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace tarvel::receivables {

TKomitentiEditForma::TKomitentiEditForma(State state, QWidget* parent)
    : QDialog(parent), m_state(state), m_table(data::TDM::instance()->KomitentiTable)
{
    setObjectName(QStringLiteral("KomitentiEditForma"));
    m_kind = partyKindOf(m_table->tableName());
    const PartyTexts& t = partyTexts(m_kind);
    setWindowTitle(t.editTitle);

    auto* form = new QFormLayout;
    m_oib = box(QStringLiteral("oib"), 16, QStringLiteral("POR_BROJ"));
    form->addRow(QStringLiteral("OIB"), m_oib);
    m_naziv = box(QStringLiteral("naziv"), 100, QStringLiteral("NAZIV_KOM"));
    form->addRow(QStringLiteral("Naziv:"), m_naziv);
    form->addRow(QStringLiteral("Ulica i broj:"),
                 box(QStringLiteral("ulica"), 40, QStringLiteral("ULICA_KOM")));
    m_ptt = box(QStringLiteral("ptt"), 40, QStringLiteral("PTT_KOM"));
    m_pttPick = new QToolButton(this);
    m_pttPick->setObjectName(QStringLiteral("pttPick"));
    m_pttPick->setText(QStringLiteral("?"));
    m_pttPick->setFocusPolicy(Qt::NoFocus);
    auto* pttRow = new QHBoxLayout;
    pttRow->addWidget(m_ptt, 1);
    pttRow->addWidget(m_pttPick);
    form->addRow(QStringLiteral("HPBroj i mjesto:"), pttRow);
    m_ziro = box(QStringLiteral("ziro"), 21, QStringLiteral("ZIRO"));
    form->addRow(t.accountLabel, m_ziro);
    form->addRow(QStringLiteral("Telefon:"), box(QStringLiteral("telefon"), 15, QStringLiteral("TELEFON")));
    form->addRow(t.faxLabel, box(QStringLiteral("telefax"), 15, QStringLiteral("TELEFAX")));
    m_email = box(QStringLiteral("email"), 40, QStringLiteral("FNAZIV"));
    form->addRow(QStringLiteral("e-Mail"), m_email);

    m_zapamti = new QPushButton(QStringLiteral("Zapamti - F9"), this);
    m_zapamti->setObjectName(QStringLiteral("btnZapamti"));
    m_izlaz = new QPushButton(QStringLiteral("Izlaz - Esc"), this);
    m_izlaz->setObjectName(QStringLiteral("btnIzlaz"));
    for (QPushButton* b : {m_zapamti, m_izlaz}) {
        b->setAutoDefault(false);
        b->setDefault(false);
        // A click must not take the focus: leaving the OIB box runs its check.
        b->setFocusPolicy(Qt::NoFocus);
    }
    m_zapamti->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_zapamti);
    buttons->addWidget(m_izlaz);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    setMinimumWidth(520);

    connect(m_zapamti, &QPushButton::clicked, this, &TKomitentiEditForma::zapamti);
    connect(m_izlaz, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pttPick, &QToolButton::clicked, this, &TKomitentiEditForma::pickPostalCode);
    connect(m_ziro, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QString upper = text.toUpper();
        if (upper != text) {
            const int pos = m_ziro->cursorPosition();
            m_ziro->setText(upper);
            m_ziro->setCursorPosition(pos);
        }
    });

    if (m_state == State::Change) {
        m_table->edit();
        for (int i = 0; i < m_boxes.size(); ++i)
            m_boxes[i]->setText(m_table->asString(m_columns[i]));
        m_oib->setEnabled(false);
        m_naziv->setFocus();
    } else {
        m_oib->setFocus();
    }
}

TKomitentiEditForma::~TKomitentiEditForma()
{
    m_closing = true;
    if (!m_stored)
        m_table->cancel();
}

QLineEdit* TKomitentiEditForma::box(const QString& name, int maxLength, const QString& column)
{
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    e->setMaxLength(maxLength);
    e->installEventFilter(this);
    m_boxes << e;
    m_columns << column;
    return e;
}

void TKomitentiEditForma::done(int result)
{
    m_closing = true;
    if (!m_stored)
        m_table->cancel();
    QDialog::done(result);
}

bool TKomitentiEditForma::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
        if (watched == m_naziv)
            m_zapamti->setEnabled(true);
        break;
    case QEvent::FocusOut: {
        if (watched != m_oib || m_state != State::New || m_closing || m_checking)
            break;
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
            reason == Qt::MouseFocusReason || reason == Qt::OtherFocusReason ||
            reason == Qt::ShortcutFocusReason)
            acceptOib();
        break;
    }
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~Qt::KeypadModifier)
            break;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (watched == m_email) {
                zapamti();
            } else {
                const int i = m_boxes.indexOf(static_cast<QLineEdit*>(watched));
                for (int j = i + 1; j < m_boxes.size(); ++j)
                    if (m_boxes[j]->isEnabled()) {
                        m_boxes[j]->setFocus(Qt::TabFocusReason);
                        break;
                    }
            }
            return true;
        }
        if (key->key() == Qt::Key_F1 && watched == m_ptt) {
            pickPostalCode();
            return true;
        }
        if (key->key() == Qt::Key_F9 || key->key() == Qt::Key_Escape) {
            keyPressEvent(key);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void TKomitentiEditForma::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F9 && !(event->modifiers() & ~Qt::KeypadModifier)) {
        zapamti();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return; // no default button
    QDialog::keyPressEvent(event);
}

bool TKomitentiEditForma::acceptOib()
{
    m_checking = true;
    struct Done
    {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_checking};

    const QString typed = m_oib->text();
    auto back = [this] {
        m_oib->setFocus(Qt::OtherFocusReason);
        return false;
    };
    if (typed.trimmed().isEmpty())
        return back();
    if (!isValidOib(typed) && !pitanje(this, OibCheckQuestion))
        return back();
    try {
        if (oibExists(m_table->database(), m_table->tableName(), typed)) {
            obavijest(this, DuplicateOibNotice);
            return back();
        }
        if (!m_appended) {
            m_table->append();
            m_appended = true;
        }
        m_table->setValue(QStringLiteral("POR_BROJ"), typed);
    } catch (const TarvelError& e) {
        prikaziGresku(this, e);
        return back();
    }
    m_acceptedOib = typed;
    m_naziv->setFocus(Qt::OtherFocusReason);
    return true;
}

void TKomitentiEditForma::zapamti()
{
    if (!m_zapamti->isEnabled())
        return;
    // A number typed again after it was taken goes through the same checks before it is stored.
    if (m_state == State::New && (!m_appended || m_oib->text() != m_acceptedOib) && !acceptOib())
        return;
    try {
        for (int i = 0; i < m_boxes.size(); ++i)
            if (m_boxes[i] != m_oib || m_state == State::New)
                m_table->setValue(m_columns[i], m_boxes[i]->text());
        m_table->post();
    } catch (const TarvelError& e) {
        prikaziGresku(this, e);
        return;
    }
    m_stored = true;
    accept();
}

void TKomitentiEditForma::pickPostalCode()
{
    std::optional<QString> picked;
    try {
        picked = izaberiPostanskiBroj(this);
    } catch (const TarvelError& e) {
        prikaziGresku(this, e);
        return;
    }
    if (picked)
        m_ptt->setText(*picked);
    activateWindow();
    m_ptt->setFocus(Qt::OtherFocusReason);
}

} // namespace tarvel::receivables
