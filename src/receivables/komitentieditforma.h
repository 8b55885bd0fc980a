#pragma once

#include "receivables/komitenti.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace tarvel::data {
class TableObject;
}

namespace tarvel::receivables {

// One party of the party table object: a new one (no row until its OIB is accepted) or the current
// row changed in place. Leaving without storing cancels whatever was not posted.
class TKomitentiEditForma : public QDialog
{
    Q_OBJECT
public:
    enum class State { New, Change };

    explicit TKomitentiEditForma(State state, QWidget* parent = nullptr);
    ~TKomitentiEditForma() override;

    State state() const { return m_state; }
    bool stored() const { return m_stored; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void done(int result) override;

private:
    bool acceptOib(); // the steps run on leaving the OIB box; true when the number was taken
    void zapamti();
    void pickPostalCode();
    QLineEdit* box(const QString& name, int maxLength, const QString& column);

    State m_state;
    PartyKind m_kind;
    data::TableObject* m_table;
    bool m_stored = false;
    bool m_closing = false;
    bool m_checking = false;
    QString m_acceptedOib; // the number the appended row carries
    bool m_appended = false;

    QList<QLineEdit*> m_boxes; // in Enter order
    QStringList m_columns;     // the column of each box
    QLineEdit* m_oib = nullptr;
    QLineEdit* m_naziv = nullptr;
    QLineEdit* m_ptt = nullptr;
    QLineEdit* m_ziro = nullptr;
    QLineEdit* m_email = nullptr;
    QToolButton* m_pttPick = nullptr;
    QPushButton* m_zapamti = nullptr;
    QPushButton* m_izlaz = nullptr;
};

} // namespace tarvel::receivables
