#pragma once

#include "master/posta.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableView;

namespace tarvel::master {

class GridModel;

// "Pregled poštanskih brojeva": maintains the postal codes, or, opened from the party edit screen,
// picks one place for the party's postal field.
class TPostaForma : public QDialog
{
    Q_OBJECT
public:
    enum class Nacin { Odrzavanje, Izbor };
    explicit TPostaForma(QWidget* owner = nullptr, Nacin nacin = Nacin::Odrzavanje);
    ~TPostaForma() override;

    Nacin nacin() const { return m_nacin; }
    // In picker mode, once a place was chosen: number, one blank, place ("21000 SPLIT"); empty otherwise.
    QString odabrano() const { return m_odabrano; }
    PostaRedoslijed redoslijed() const;

    QTableView* grid() const { return m_grid; }
    GridModel* model() const { return m_model; }
    QLineEdit* trazi() const { return m_trazi; }
    QComboBox* redoslijedBox() const { return m_redoslijed; }
    QPushButton* noviButton() const { return m_novi; }
    QPushButton* izmjenaButton() const { return m_izmjena; }
    QPushButton* brisanjeButton() const { return m_brisanje; }
    QPushButton* zatvoriButton() const { return m_zatvori; }

public Q_SLOTS:
    void novi();
    void izmjena(); // chooses in picker mode
    void brisanje();
    void zatvori();
    void postaviRedoslijed(PostaRedoslijed r);

protected:
    void done(int r) override;
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool onKey(QObject* target, QKeyEvent* e);
    void zatvoriTablicu();

    Nacin m_nacin;
    QString m_odabrano;
    QTableView* m_grid;
    GridModel* m_model;
    QLineEdit* m_trazi;
    QComboBox* m_redoslijed;
    QPushButton *m_novi, *m_izmjena, *m_brisanje, *m_zatvori;
    bool m_closed = false;
};

// "Upis novog PTT broja" / "Ažuriranje PTT broja": one place and its postal number.
class TUpisEditPostaForma : public QDialog
{
    Q_OBJECT
public:
    TUpisEditPostaForma(QWidget* owner, data::TableObject& posta, bool novi);
    QLineEdit* mjesto() const { return m_mjesto; }
    QLineEdit* broj() const { return m_broj; }
    QPushButton* kreniButton() const { return m_kreni; }
    QPushButton* zatvoriButton() const { return m_zatvori; }

public Q_SLOTS:
    void kreni();

private:
    data::TableObject& m_table;
    bool m_novi;
    QLineEdit *m_mjesto, *m_broj;
    QPushButton *m_kreni, *m_zatvori;
};

} // namespace tarvel::master
