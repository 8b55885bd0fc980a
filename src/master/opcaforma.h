#pragma once

#include "master/opci.h"

#include <QDialog>
#include <QHash>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace tarvel::master {

// "Opći podaci": the single OPCI row in unbound fields, copied in when the screen is made and back
// on "Zapamti - F9".
class TOpcaForma : public QDialog
{
    Q_OBJECT
public:
    explicit TOpcaForma(QWidget* owner = nullptr);
    ~TOpcaForma() override;

    // The fields as they stand, and the premises closing box (for the premises registration).
    OpciPodaci podaci() const;
    bool zatvoriProstor() const;
    // The input of a column ("OIB", "RAD_VR", ...), the printer list for "GLAVNI_PRINTER".
    QWidget* polje(const QString& column) const;
    void postaviPromjenu(const QDate& date); // "Promjena vrijedi od :"

    QPushButton* zapamtiButton() const { return m_zapamti; }
    QPushButton* registrirajButton() const { return m_registriraj; }
    QPushButton* izlazButton() const { return m_izlaz; }
    QPushButton* podnozjeButton() const { return m_podnozje; }
    QToolButton* operaterButton() const { return m_operater; }

    // The operator register ("?"): opened on KOMINT over this screen, returns the chosen OIB (empty
    // when nobody was chosen). Without it the "?" button is disabled.
    using OperatorRegister = std::function<QString(QWidget* owner)>;
    static void setOperatorRegister(OperatorRegister fn);
    // "Registriraj u PU - F12"; without it the button stays disabled.
    using PremisesRegistration = std::function<void(TOpcaForma& screen)>;
    static void setPremisesRegistration(PremisesRegistration fn);

public Q_SLOTS:
    void zapamti();
    void registriraj();
    void izlaz();
    void podnozje();
    void prebaciZakljucana(); // Ctrl+Alt+F5
    void izaberiOperatera();

protected:
    void done(int r) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit(const QString& column, int maxLength, bool digits = false);
    QComboBox* choice(const QString& column, const QStringList& items);
    void prikazi(const OpciPodaci& p);
    void provjeriOib(QLineEdit* checked);
    bool onKey(QObject* target, QKeyEvent* e);
    QList<QWidget*> zakljucana() const; // Ctrl+Alt+F5

    QHash<QString, QWidget*> m_fields;
    QLineEdit *m_oibOp, *m_oib, *m_naplur, *m_passCert, *m_imeCert, *m_pathMje, *m_prom;
    QToolButton *m_operater, *m_certButton, *m_mdbButton;
    QComboBox *m_printer, *m_ispis;
    QCheckBox* m_zatvori;
    QPushButton *m_zapamti, *m_registriraj, *m_izlaz, *m_podnozje;
    bool m_closing = false;
    bool m_vracam = false;
};

} // namespace tarvel::master
