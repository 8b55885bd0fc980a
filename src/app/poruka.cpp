#include "app/poruka.h"

#include "app/placement.h"
#include "app/startup.h"
#include "app/zvuk.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace tarvel::app {

namespace {

struct ScriptState
{
    bool active = false;
    QList<bool> answers;
    QStringList texts;
    QList<Poruka::Kind> kinds;
};

ScriptState& script()
{
    static ScriptState s;
    return s;
}

QString g_lastText;

// The standard error box carries the program's title.
QString boxTitle()
{
    return ApplicationTitle;
}

} // namespace

void Poruka::inform(QWidget* owner, const QString& text)
{
    show(owner, Kind::Notice, text);
}

bool Poruka::ask(QWidget* owner, const QString& text)
{
    return show(owner, Kind::Question, text);
}

bool Poruka::show(QWidget* owner, Kind kind, const QString& text)
{
    g_lastText = text;
    ScriptState& s = script();
    if (s.active) {
        s.texts << text;
        s.kinds << kind;
        if (kind == Kind::Notice)
            return false;
        if (s.answers.isEmpty()) {
            qWarning("Poruka: no scripted answer for \"%s\"", qPrintable(text));
            return false;
        }
        return s.answers.takeFirst();
    }
    TDaNeForma dialog(owner, kind, text);
    dialog.exec();
    return dialog.answer();
}

void Poruka::error(QWidget* owner, const QString& text)
{
    g_lastText = text;
    ScriptState& s = script();
    if (s.active) {
        s.texts << text;
        s.kinds << Kind::Notice;
        return;
    }
    QMessageBox box(QMessageBox::Critical, boxTitle(), text, QMessageBox::Ok, owner);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

QString Poruka::lastText()
{
    return g_lastText;
}

Poruka::Script::Script(const QList<bool>& answers)
{
    ScriptState& s = script();
    Q_ASSERT(!s.active);
    s = ScriptState{true, answers, {}, {}};
}

Poruka::Script::~Script()
{
    script() = ScriptState{};
}

void Poruka::Script::addAnswers(const QList<bool>& answers)
{
    script().answers << answers;
}

QStringList Poruka::Script::texts() const
{
    return script().texts;
}

QList<Poruka::Kind> Poruka::Script::kinds() const
{
    return script().kinds;
}

int Poruka::Script::remaining() const
{
    return int(script().answers.size());
}

void Poruka::Script::clear()
{
    script().texts.clear();
    script().kinds.clear();
}

TDaNeForma::TDaNeForma(QWidget* owner, Poruka::Kind kind, const QString& text)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      m_kind(kind)
{
    setObjectName(QStringLiteral("DaNeForma"));
    setWindowTitle(QStringLiteral("Poruka"));
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMinimumSize(360, 220);

    m_label = new QLabel(text, this);
    m_label->setWordWrap(true);
    m_label->setAlignment(Qt::AlignCenter);
    QFont bold = m_label->font();
    bold.setBold(true);
    bold.setPointSize(qMax(bold.pointSize(), 11));
    m_label->setFont(bold);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    // Buttons take no focus, so every key reaches the dialog and only its own rules apply.
    auto makeButton = [this, buttons](const QString& caption, bool answer) {
        auto* b = new QPushButton(caption, this);
        b->setAutoDefault(false);
        b->setDefault(false);
        b->setFocusPolicy(Qt::NoFocus);
        b->setMinimumSize(120, 36);
        connect(b, &QPushButton::clicked, this, [this, answer] { finish(answer); });
        buttons->addWidget(b);
        return b;
    };
    if (kind == Poruka::Kind::Notice) {
        m_yes = makeButton(QStringLiteral("U redu - Ent"), true);
    } else {
        m_yes = makeButton(QStringLiteral("Da - F9"), true);
        m_no = makeButton(QStringLiteral("Ne - Esc"), false);
    }
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label, 1);
    layout->addLayout(buttons);

    m_front = new QTimer(this);
    m_front->setInterval(1000);
    connect(m_front, &QTimer::timeout, this, &TDaNeForma::bringToFront);
}

QString TDaNeForma::text() const
{
    return m_label->text();
}

void TDaNeForma::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_F9:
        finish(true);
        return;
    case Qt::Key_Escape:
        finish(false);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_kind == Poruka::Kind::Notice)
            finish(false);
        return; // a question waits for F9, Esc or a click
    default:
        e->accept();
    }
}

void TDaNeForma::showEvent(QShowEvent* e)
{
    WindowPlacement::restoreSize(this);
    // Centred over the owner, or over the screen when there is none.
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    QRect area = owner && owner->isVisible() ? owner->frameGeometry()
                                             : (screen() ? screen()->availableGeometry() : QRect());
    if (area.isValid())
        move(area.center() - rect().center());
    QDialog::showEvent(e);
    playCue(Zvuk::Podsjetnik);
    m_front->start();
}

void TDaNeForma::closeEvent(QCloseEvent* e)
{
    // The window has no close button; a close from outside answers "no".
    m_answer = false;
    m_front->stop();
    WindowPlacement::save(this);
    QDialog::closeEvent(e);
}

void TDaNeForma::reject()
{
    finish(false);
}

void TDaNeForma::finish(bool answer)
{
    m_answer = answer;
    m_front->stop();
    WindowPlacement::save(this);
    done(answer ? QDialog::Accepted : QDialog::Rejected);
}

void TDaNeForma::bringToFront()
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

} // namespace tarvel::app
