#pragma once

#include "fiscal/fiskalizacija.h"
#include "invoicing/entrymarks.h"
#include "invoicing/knjigaracuna.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QToolButton;

namespace tarvel::data {
class TDM;
class TableObject;
} // namespace tarvel::data

namespace tarvel::invoicing {

// What the book reaches outside its own library. The shell and the tests replace single members.
struct KnjigaUsluge
{
    std::function<void(bool radi)> statusniTimer; // the main window's status timer
    std::function<void()> ocistiUslugu;           // empties the main window's service label
    // "Potvrda" after a fiscalized invoice.
    std::function<void(QWidget* owner, const data::TableObject& fiskal, const QString& jir,
                       const QString& zki, const QString& trajanje)>
        potvrda;
    // The A4 certificate confirmation (the certificate report).
    std::function<void(QWidget* owner, data::TDM& dm)> potvrdaCertifikata;

    static KnjigaUsluge& current();
    static KnjigaUsluge defaults();
};

// "Knjiga računa": every invoice, its search, and every operation on an invoice.
class TFormaRacuna : public QDialog, private fiscal::FiskalniPrikaz
{
    Q_OBJECT
public:
    explicit TFormaRacuna(QWidget* parent = nullptr);
    ~TFormaRacuna() override;

    bool customerMode() const { return m_customer; }
    QString partyTableName() const;

    // The operations, as the buttons and keys start them.
    void novi();
    void izmijeni();
    void brisi();
    void kopiraj();
    void fiskaliziraj();
    void tiskaj();
    void posaljiEmail();
    void dnevnik();
    void potvrdaCertifikata();
    void primijeniFilter();

    QTableView* list() const { return m_list; }
    KnjigaRacunaModel* model() const { return m_model; }
    QLineEdit* nameBox() const { return m_name; }
    QLineEdit* oibBox() const { return m_oib; }
    QToolButton* oibChoose() const { return m_oibChoose; }
    QComboBox* showChoice() const { return m_show; }
    QPushButton* button(const QString& caption) const;
    QLabel* waitLabel() const { return m_wait1; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // FiskalniPrikaz
    void napredak(bool vidljiv) override;
    void cekanje(bool ukljuceno) override;
    void gumbFiskaliziraj(bool omogucen) override;
    void statusniTimer(bool radi) override;
    void obavijest(const QString& tekst) override;
    void potvrda(const QString& jir, const QString& zki, const QString& trajanje) override;

    bool hasCurrent() const;
    bool certificateNamed() const;
    void otvoriUnos();
    void nakonUnosa(); // steps 2 and 3 of "Novi"
    bool fiskalizirajUpit();
    void ispisUpit();
    void syncViewToTable();
    void syncTableToView();
    void focusList();
    QPushButton* addButton(const QString& caption, int key, void (TFormaRacuna::*slot)());

    data::TDM* m_dm;
    data::TableObject* m_fiskal;
    data::TableObject* m_party;
    bool m_customer = true;
    bool m_fiscalReady = false;
    bool m_shownOnce = false;
    bool m_closed = false;
    int m_syncing = 0;
    EntryMarks m_marks;

    KnjigaRacunaModel* m_model = nullptr;
    QTableView* m_list = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_oib = nullptr;
    QToolButton* m_oibChoose = nullptr;
    QComboBox* m_show = nullptr;
    QLabel* m_wait1 = nullptr;
    QLabel* m_wait2 = nullptr;
    QList<QPushButton*> m_buttons;
    QPushButton* m_fiscalButton = nullptr;
    QPushButton* m_certButton = nullptr;
    QPushButton* m_printButton = nullptr;
    QPushButton* m_logButton = nullptr;
};

// "Izrada računa" on the main window: the book, modal over `owner`, released when it closes.
void otvoriKnjiguRacuna(QWidget* owner);

} // namespace tarvel::invoicing
