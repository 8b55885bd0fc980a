#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;
class QTimer;

namespace tarvel::app {

// The message dialog "Poruka": every notice and every yes/no question of the program goes through
// the static functions below.
//
//   Poruka::inform(this, "Podaci su spremljeni.");           // "U redu - Ent"
//   if (Poruka::ask(this, "Brišete stavku ?")) ...           // "Da - F9" / "Ne - Esc"
//   Poruka::error(this, e.what());                           // the standard error box
//
// Tests script the answers instead of showing dialogs, and read the texts that were shown:
//
//   Poruka::Script script({true, false}); // the next two questions answer "Da", then "Ne"
//   ... drive the screen ...
//   QCOMPARE(script.texts(), QStringList{"Brišete stavku ?", ...});
//
// While a Script lives, no dialog opens: a notice or an error box is only recorded; a question takes
// the next scripted answer (no answer left: "Ne" and a warning). Scripts do not nest.
class Poruka
{
public:
    enum class Kind { Notice, Question };

    // OK-only notice; the answer (always "no" on Enter, "yes" on the button) is of no interest to callers.
    static void inform(QWidget* owner, const QString& text);
    // Yes/no question: true for "Da - F9", false for "Ne - Esc".
    static bool ask(QWidget* owner, const QString& text);
    // The dialog of either kind; returns the answer value.
    static bool show(QWidget* owner, Kind kind, const QString& text);
    // The standard error box with an error's own text (central error handler).
    static void error(QWidget* owner, const QString& text);

    // The last text shown or recorded, scripted or not.
    static QString lastText();

    class Script
    {
    public:
        explicit Script(const QList<bool>& answers = {});
        ~Script();
        Script(const Script&) = delete;
        Script& operator=(const Script&) = delete;
        void addAnswers(const QList<bool>& answers);
        QStringList texts() const; // every notice, question and error text, in order
        QList<Kind> kinds() const; // kind of each text; errors count as notices
        int remaining() const;     // scripted answers not used yet
        void clear();              // forgets the texts recorded so far
    };
};

// The dialog itself; callers use Poruka.
class TDaNeForma : public QDialog
{
    Q_OBJECT
public:
    TDaNeForma(QWidget* owner, Poruka::Kind kind, const QString& text);
    bool answer() const { return m_answer; }
    Poruka::Kind kind() const { return m_kind; }
    QString text() const;
    QPushButton* yesButton() const { return m_yes; } // "U redu - Ent" in a notice
    QPushButton* noButton() const { return m_no; }   // null in a notice

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    void finish(bool answer);
    void bringToFront();

    Poruka::Kind m_kind;
    bool m_answer = false;
    QLabel* m_label;
    QPushButton* m_yes;
    QPushButton* m_no = nullptr;
    QTimer* m_front;
};

} // namespace tarvel::app
