#pragma once

#include "master/cjenik.h"

#include <QDialog>

class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;

namespace tarvel::master {

class GridModel;

// "Cijenik": maintains the price list, or, opened from invoice entry, lets the user choose one article.
class TCjenikForma : public QDialog
{
    Q_OBJECT
public:
    enum class Nacin { Odrzavanje, Izbor };
    explicit TCjenikForma(QWidget* owner = nullptr, Nacin nacin = Nacin::Odrzavanje);
    ~TCjenikForma() override;

    Nacin nacin() const { return m_nacin; }
    // The chosen article once the screen has closed; empty description when nothing was chosen.
    const OdabraniArtikl& odabrani() const { return m_odabrani; }

    QTableView* grid() const { return m_grid; }
    GridModel* model() const { return m_model; }
    QLineEdit* trazi() const { return m_trazi; }
    QPushButton* noviButton() const { return m_novi; }
    QPushButton* izmjenaButton() const { return m_izmjena; }
    QPushButton* brisanjeButton() const { return m_brisanje; }
    QPushButton* tiskanjeButton() const { return m_tiskanje; }
    QPushButton* zatvoriButton() const { return m_zatvori; }
    QMenu* kontekstniIzbornik() const { return m_menu; }

public Q_SLOTS:
    void novi();
    void izmjena(); // "Izbor - Ent" in selection mode
    void brisanje();
    void tiskanje();
    void zatvori();

protected:
    void done(int r) override;

private:
    bool onKey(QObject* target, QKeyEvent* e);
    void traziPromijenjen(const QString& text);
    void zatvoriTablicu();

    Nacin m_nacin;
    OdabraniArtikl m_odabrani;
    QTableView* m_grid;
    GridModel* m_model;
    QLineEdit* m_trazi;
    QPushButton *m_novi, *m_izmjena, *m_brisanje, *m_tiskanje, *m_zatvori;
    QMenu* m_menu;
    bool m_closed = false;
};

} // namespace tarvel::master
