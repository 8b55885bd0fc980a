#pragma once

#include "receivables/komitenti.h"

#include <QDialog>
#include <functional>

class QGroupBox;
class QLineEdit;
class QPushButton;
class QTableView;

namespace tarvel::data {
class TableObject;
}

namespace tarvel::receivables {

class KomitentiModel;

// The party register over the data module's party table object, operators (KOMINT) or customers
// (KUPCI) as the caller has set its table name before creating the screen. In selection mode the
// chosen party's OIB and name are handed back; both stay empty when the user leaves without choosing.
class TKomitentiForma : public QDialog
{
    Q_OBJECT
public:
    enum class Mode { Maintenance, Selection };
    using CardOpener = std::function<void(QWidget* owner, const QString& oib)>;

    explicit TKomitentiForma(Mode mode, QWidget* parent = nullptr);
    ~TKomitentiForma() override;

    // Before the screen is shown.
    void positionAt(const QString& oib);   // current row: the party with this OIB, if there is one
    void setNewEnabled(bool enabled);      // callers that only pick disable "Novi - F3"
    void setCardOpener(CardOpener opener); // the card button stays disabled without one
    // The card every register of that kind opens in maintenance mode (the customer card, once it
    // exists); an empty function leaves the button disabled.
    static void setDefaultCardOpener(PartyKind kind, CardOpener opener);

    Mode mode() const { return m_mode; }
    PartyKind kind() const { return m_kind; }
    PartyChoice selection() const { return m_choice; }
    QString selectedOib() const { return m_choice.oib; }
    QString selectedName() const { return m_choice.naziv; }

    // Opens the register modally over the party table as it is set, in selection mode, and returns
    // what the user chose.
    static PartyChoice izaberi(QWidget* owner, const QString& positionOib = QString(),
                               bool newEnabled = true);

    KomitentiModel* model() const { return m_model; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    bool handleKey(QKeyEvent* event, QObject* target);
    void novi();
    void izmjenaIliIzbor();
    void brisanje();
    void tiskanje();
    void kartica();
    void search(QLineEdit* box);
    void sortBy(int section);
    void syncGridToTable();
    void syncTableToGrid();
    void runGuarded(const std::function<void()>& action);

    Mode m_mode;
    PartyKind m_kind;
    data::TableObject* m_table;
    KomitentiModel* m_model = nullptr;
    PartyChoice m_choice;
    CardOpener m_cardOpener;
    bool m_syncing = false;
    bool m_closed = false;

    QTableView* m_grid = nullptr;
    QGroupBox* m_searchPanel = nullptr;
    QLineEdit* m_nazivu = nullptr;
    QLineEdit* m_oibu = nullptr;
    QPushButton* m_novi = nullptr;
    QPushButton* m_izmjena = nullptr;
    QPushButton* m_brisanje = nullptr;
    QPushButton* m_tiskanje = nullptr;
    QPushButton* m_kartica = nullptr;
    QPushButton* m_zatvori = nullptr;
};

} // namespace tarvel::receivables
