#pragma once

#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <map>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QToolButton;

namespace tarvel::app {

class ReachabilityProbe;

// The screens the main window opens. Each is reached through an opener that its own library
// provides (see screens.cpp); a button or menu item without an opener stays disabled.
enum class Ekran {
    KnjigaRacuna,     // "Izrada računa"
    Zaduzenja,        // "Zaduženja"
    Naplata,          // "Naplata"
    Izvjestaji,       // "Pregledi"
    Opz,              // "OPZ-STAT-1"
    Kupci,            // "Kupci i kartice": the party register on KUPCI
    OpciPodaci,       // "Opći podaci"
    Cjenik,           // "Cjenik"
    PostanskiBrojevi, // "Poštanski brojevi"
    Operateri,        // "Operateri": the party register on KOMINT
};

// The party chosen in the register; both empty when the user left without choosing.
struct IzabraniKomitent
{
    QString oib;
    QString naziv;
};

// The main window "Evidencija računa i naplate".
class TOsnovnaForma : public QMainWindow
{
    Q_OBJECT
public:
    explicit TOsnovnaForma(QWidget* parent = nullptr);
    ~TOsnovnaForma() override;

    using Opener = std::function<void(QWidget* parent)>;
    void setOpener(Ekran screen, Opener opener);
    bool hasOpener(Ekran screen) const;
    // The operator register for sign-in: opened modally over `owner`, returns the chosen party.
    using OperatorChooser = std::function<IzabraniKomitent(QWidget* owner)>;
    void setOperatorChooser(OperatorChooser chooser);

    // Before the data module is created: its progress (the start-up structure check) goes to the
    // progress bar and the right panel, and later changes of the shared values reach the window.
    void attachDataModule();
    // After the data module is created: the operator label and the companion mode.
    void applySharedValues();
    // The status timer's first tick comes `firstTickMs` after this call (the end of the splash).
    void startStatusTimer(int firstTickMs = 1000);
    void setProbeTarget(const QString& host, quint16 port);

    // The actions of the buttons and menu items.
    void izradaRacuna();
    void prijavaOperatera();
    void kupciIKartice();
    void operateri();
    void provjeraBaze();
    void oProgramu();

    // For tests and for screens that report progress.
    QToolButton* button(const QString& caption) const;
    QAction* menuAction(const QString& caption) const;
    QMenu* menu(const QString& title) const;
    QLabel* serviceIcon() const { return m_serviceIcon; }
    QLabel* serviceLabel() const { return m_serviceLabel; }
    QLabel* idleLabel() const { return m_idleLabel; }
    QLabel* operatorLabel() const { return m_operatorLabel; }
    QLabel* rightPanel() const { return m_rightPanel; }
    QProgressBar* progressBar() const { return m_progress; }
    QTimer* statusTimer() { return &m_statusTimer; }
    bool serviceReachable() const { return m_reachable; }
    int rotationState() const { return m_rotation; }

    static QString dayAndDate(const QDate& date); // "Ponedjeljak, 09.12.2024"
    static const QString MakerNotice;

Q_SIGNALS:
    void statusTicked(); // after each status tick, once the probe has answered

protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildButtons();
    void buildMenus();
    void buildStatusBar();
    void open(Ekran screen);
    void statusTick();
    void probeFinished(bool reachable);
    void updateAvailability();
    void showProgress(int position, int maximum, const QString& status);

    std::map<Ekran, Opener> m_openers;
    std::map<Ekran, QToolButton*> m_screenButtons;
    std::map<Ekran, QAction*> m_screenActions;
    OperatorChooser m_operatorChooser;
    QList<QToolButton*> m_buttons;
    QList<QMenu*> m_menus;

    QLabel* m_serviceIcon;
    QLabel* m_serviceLabel;
    QLabel* m_idleLabel;
    QLabel* m_operatorLabel;
    QProgressBar* m_progress;
    QLabel* m_rightPanel;

    QTimer m_statusTimer;
    ReachabilityProbe* m_probe;
    QString m_probeHost;
    quint16 m_probePort = 80;
    int m_rotation = 1;
    bool m_reachable = false;
    bool m_placementRestored = false;
};

} // namespace tarvel::app
