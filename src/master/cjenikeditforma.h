#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace tarvel::data {
class TableObject;
}

namespace tarvel::master {

// One article of the price list, on the list's current row ("Izmjena podataka") or on a new row
// appended at the end ("Unos novog podatka").
class TCjenikEditForma : public QDialog
{
    Q_OBJECT
public:
    TCjenikEditForma(QWidget* owner, data::TableObject& cjenik, bool novi);

    bool novi() const { return m_novi; }
    QLineEdit* polje(const QString& column) const; // "ID", "NAZIV", "JMJ", "CIJENA", "STOPA", "CIJENA_SA"
    QPushButton* zapamtiButton() const { return m_zapamti; }
    QPushButton* izlazButton() const { return m_izlaz; }

public Q_SLOTS:
    void zapamti();
    void izlaz();

protected:
    void done(int r) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool onKey(QObject* target, QKeyEvent* e);
    void upisi(QLineEdit* e); // the field into the row being edited
    void izracunajCijenuSa();

    data::TableObject& m_table;
    bool m_novi;
    QLineEdit *m_id, *m_naziv, *m_jmj, *m_cijena, *m_stopa, *m_cijenaSa;
    QPushButton *m_zapamti, *m_izlaz;
};

} // namespace tarvel::master
