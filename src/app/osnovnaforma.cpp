#include "app/osnovnaforma.h"

#include "app/errorhandler.h"
#include "app/idlewatcher.h"
#include "app/ikone.h"
#include "app/oforma.h"
#include "app/placement.h"
#include "app/poruka.h"
#include "app/probe.h"
#include "core/clock.h"
#include "core/format.h"
#include "data/tdm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QProxyStyle>
#include <QStatusBar>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>
#include <QToolButton>
#include <QVBoxLayout>

namespace tarvel::app {

using data::TDM;

const QString TOsnovnaForma::MakerNotice = QStringLiteral("Tarvel d.o.o. - www.tarvel.hr");

namespace {

const QColor WindowColour(242, 247, 215);

// The program-drawn menus: every item 42 pixels high with a large icon.
class MenuStyle : public QProxyStyle
{
public:
    MenuStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override
    {
        QSize s = QProxyStyle::sizeFromContents(type, option, size, widget);
        if (type == CT_MenuItem) {
            const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
            if (item && item->menuItemType != QStyleOptionMenuItem::Separator) {
                s.setHeight(42);
                s.setWidth(s.width() + 24);
            }
        }
        return s;
    }
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (metric == PM_SmallIconSize && qobject_cast<const QMenu*>(widget))
            return 32;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

class Background : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        paintBackground(p, rect());
    }
};

// Sets the party table object to `name`; it must be closed for that.
void setPartyTable(const QString& name)
{
    TDM* dm = TDM::instance();
    if (!dm)
        return;
    if (dm->KomitentiTable->tableName() == name)
        return;
    dm->KomitentiTable->close();
    dm->KomitentiTable->setTableName(name);
}

// Leaves the party table on KOMINT however the register ends.
struct BackToOperators
{
    ~BackToOperators()
    {
        try {
            setPartyTable(QStringLiteral("KOMINT"));
        } catch (...) {
        }
    }
};

} // namespace

TOsnovnaForma::TOsnovnaForma(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("OsnovnaForma"));
    setWindowTitle(QStringLiteral("Evidencija računa i naplate"));
    setWindowIcon(ikona(Ikona::Racun));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, WindowColour);
    setPalette(pal);
    resize(1100, 720);

    buildButtons();
    buildMenus();
    buildStatusBar();

    m_probe = new ReachabilityProbe(this);
    connect(m_probe, &ReachabilityProbe::finished, this, &TOsnovnaForma::probeFinished);
    const ProbeTarget target = ProbeTarget::fromSettings();
    m_probeHost = target.host;
    m_probePort = target.port;

    m_statusTimer.setSingleShot(true);
    connect(&m_statusTimer, &QTimer::timeout, this, &TOsnovnaForma::statusTick);

    connect(IdleWatcher::instance(), &IdleWatcher::labelChanged, m_idleLabel, &QLabel::setText);
    updateAvailability();
}

TOsnovnaForma::~TOsnovnaForma()
{
    if (TDM* dm = TDM::instance())
        dm->progress = nullptr;
}

void TOsnovnaForma::buildButtons()
{
    auto* central = new Background(this);
    auto* bar = new QHBoxLayout;
    bar->setSpacing(6);
    auto add = [this, bar, central](const QString& caption, Ikona icon, auto handler) {
        auto* b = new QToolButton(central);
        b->setText(caption);
        b->setIcon(ikona(icon));
        b->setIconSize(QSize(40, 40));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setMinimumSize(118, 76);
        b->setAutoRaise(false);
        connect(b, &QToolButton::clicked, this, handler);
        bar->addWidget(b);
        m_buttons << b;
        return b;
    };
    m_screenButtons[Ekran::KnjigaRacuna] =
        add(QStringLiteral("Izrada računa"), Ikona::Racun, [this] { izradaRacuna(); });
    m_screenButtons[Ekran::Zaduzenja] =
        add(QStringLiteral("Zaduženja"), Ikona::Zaduzenja, [this] { open(Ekran::Zaduzenja); });
    m_screenButtons[Ekran::Naplata] =
        add(QStringLiteral("Naplata"), Ikona::Naplata, [this] { open(Ekran::Naplata); });
    m_screenButtons[Ekran::Izvjestaji] =
        add(QStringLiteral("Pregledi"), Ikona::Pregledi, [this] { open(Ekran::Izvjestaji); });
    m_screenButtons[Ekran::Opz] = add(QStringLiteral("OPZ-STAT-1"), Ikona::Opz, [this] { open(Ekran::Opz); });
    add(QStringLiteral("Prijava operatera"), Ikona::Operater, [this] { prijavaOperatera(); });
    m_screenButtons[Ekran::Kupci] =
        add(QStringLiteral("Kupci i kartice"), Ikona::Kupci, [this] { kupciIKartice(); });
    bar->addStretch();
    add(QStringLiteral("Kraj rada"), Ikona::Kraj, [this] { close(); });

    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(bar);
    layout->addStretch();
    setCentralWidget(central);
}

void TOsnovnaForma::buildMenus()
{
    auto* style = new MenuStyle;
    style->setParent(this);
    QPalette pal = QApplication::palette();
    pal.setColor(QPalette::Window, WindowColour);
    pal.setColor(QPalette::Base, WindowColour);

    auto makeMenu = [&](const QString& title) {
        QMenu* m = menuBar()->addMenu(title);
        m->setStyle(style);
        m->setPalette(pal);
        m_menus << m;
        return m;
    };
    auto item = [this](QMenu* m, const QString& caption, Ikona icon, auto handler) {
        QAction* a = m->addAction(ikona(icon), caption);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    QMenu* azuriranje = makeMenu(QStringLiteral("Ažuriranje"));
    m_screenActions[Ekran::OpciPodaci] = item(azuriranje, QStringLiteral("Opći podaci"), Ikona::OpciPodaci,
                                              [this] { open(Ekran::OpciPodaci); });
    azuriranje->addSeparator();
    m_screenActions[Ekran::Cjenik] =
        item(azuriranje, QStringLiteral("Cjenik"), Ikona::Cjenik, [this] { open(Ekran::Cjenik); });
    azuriranje->addSeparator();
    m_screenActions[Ekran::PostanskiBrojevi] = item(azuriranje, QStringLiteral("Poštanski brojevi"),
                                                    Ikona::Posta, [this] { open(Ekran::PostanskiBrojevi); });
    azuriranje->addSeparator();
    m_screenActions[Ekran::Operateri] =
        item(azuriranje, QStringLiteral("Operateri"), Ikona::Operateri, [this] { operateri(); });

    QMenu* servis = makeMenu(QStringLiteral("Servis"));
    item(servis, QStringLiteral("Provjera baze podataka"), Ikona::Provjera, [this] { provjeraBaze(); });
    item(servis, QStringLiteral("O programu"), Ikona::OProgramu, [this] { oProgramu(); });
}

void TOsnovnaForma::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(false);
    const QString cisHint = QStringLiteral("Kliknite za promjenu adrese CIS servera");

    m_serviceIcon = new QLabel(bar);
    m_serviceIcon->setPixmap(slika(Ikona::CisNeaktivan, 18));
    m_serviceIcon->setToolTip(cisHint);
    m_serviceLabel = new QLabel(QStringLiteral("Spajanje na CIS PU ....."), bar);
    m_serviceLabel->setToolTip(cisHint);
    m_serviceLabel->setMinimumWidth(170);
    QFont plain = m_serviceLabel->font();
    plain.setBold(false);
    m_serviceLabel->setFont(plain);
    m_serviceLabel->setStyleSheet(QStringLiteral("color: black;"));

    m_idleLabel = new QLabel(bar);
    m_idleLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_idleLabel->setMinimumWidth(110);

    m_operatorLabel = new QLabel(QStringLiteral("Operater: "), bar);
    m_operatorLabel->setCursor(Qt::PointingHandCursor);
    m_operatorLabel->setToolTip(QStringLiteral("Kliknite za promjenu operatera"));
    m_operatorLabel->installEventFilter(this);

    m_progress = new QProgressBar(bar);
    m_progress->setMaximumWidth(220);
    m_progress->setTextVisible(false);
    m_progress->hide();

    m_rightPanel = new QLabel(bar);
    m_rightPanel->setCursor(Qt::PointingHandCursor);
    m_rightPanel->setMinimumWidth(260);
    m_rightPanel->setAlignment(Qt::AlignCenter);
    m_rightPanel->setFrameShape(QFrame::StyledPanel);
    m_rightPanel->installEventFilter(this);

    bar->addWidget(m_serviceIcon);
    bar->addWidget(m_serviceLabel);
    bar->addWidget(m_idleLabel);
    bar->addWidget(m_operatorLabel, 1);
    bar->addWidget(m_progress);
    bar->addPermanentWidget(m_rightPanel);
}

void TOsnovnaForma::setOpener(Ekran screen, Opener opener)
{
    if (opener)
        m_openers[screen] = std::move(opener);
    else
        m_openers.erase(screen);
    updateAvailability();
}

bool TOsnovnaForma::hasOpener(Ekran screen) const
{
    return m_openers.count(screen) > 0;
}

void TOsnovnaForma::setOperatorChooser(OperatorChooser chooser)
{
    m_operatorChooser = std::move(chooser);
    updateAvailability();
}

void TOsnovnaForma::updateAvailability()
{
    const TDM* dm = TDM::instance();
    const bool companion = dm && dm->companionMode;
    for (auto& [screen, b] : m_screenButtons)
        b->setEnabled(hasOpener(screen) && !(screen == Ekran::Kupci && companion));
    m_screenButtons[Ekran::Kupci]->setVisible(!companion);
    for (auto& [screen, a] : m_screenActions)
        a->setEnabled(hasOpener(screen) && !(screen == Ekran::Cjenik && companion));
    button(QStringLiteral("Prijava operatera"))->setEnabled(bool(m_operatorChooser));
}

void TOsnovnaForma::attachDataModule()
{
    TDM* dm = TDM::instance();
    if (!dm)
        return;
    dm->progress = [this](int position, int maximum, const QString& status) {
        showProgress(position, maximum, status);
    };
    connect(dm, &TDM::sharedValuesChanged, this, &TOsnovnaForma::applySharedValues, Qt::UniqueConnection);
}

void TOsnovnaForma::applySharedValues()
{
    if (TDM* dm = TDM::instance()) {
        attachDataModule();
        m_operatorLabel->setText(dm->operatorLabelText.isEmpty() ? TDM::operatorLabelFor(QString())
                                                                 : dm->operatorLabelText);
    }
    updateAvailability();
}

void TOsnovnaForma::open(Ekran screen)
{
    const auto it = m_openers.find(screen);
    if (it != m_openers.end())
        it->second(this);
}

void TOsnovnaForma::izradaRacuna()
{
    TDM* dm = TDM::instance();
    bool placeholder = false;
    if (dm) {
        const bool wasOpen = dm->OpcaTable->active();
        if (!wasOpen)
            dm->OpcaTable->open();
        placeholder = dm->OpcaTable->asString(QStringLiteral("NAZIV")).left(7) == QStringLiteral("Upišite");
        if (!wasOpen)
            dm->OpcaTable->close();
    }
    if (placeholder) {
        Poruka::inform(this,
                       QStringLiteral("Prije početka izrade računa morate prvo popuniti opće podatke."));
        open(Ekran::OpciPodaci);
    } else {
        open(Ekran::KnjigaRacuna);
    }
}

void TOsnovnaForma::prijavaOperatera()
{
    TDM* dm = TDM::instance();
    if (!m_operatorChooser || !dm)
        return;
    struct CloseOpci
    {
        TDM* dm;
        ~CloseOpci()
        {
            if (dm->OpcaTable->active() && dm->OpcaTable->state() == data::TableObject::State::Browse)
                dm->OpcaTable->close();
        }
    } closeOpci{dm};
    if (!dm->OpcaTable->active())
        dm->OpcaTable->open();
    setPartyTable(QStringLiteral("KOMINT"));
    const IzabraniKomitent chosen = m_operatorChooser(this);
    const QString oib = chosen.oib.trimmed();
    if (oib.isEmpty())
        return;
    if (!dm->OpcaTable->active())
        dm->OpcaTable->open();
    if (dm->OpcaTable->isEmpty())
        dm->OpcaTable->append();
    else
        dm->OpcaTable->edit();
    dm->OpcaTable->setValue(QStringLiteral("OIB_OP"), oib);
    dm->OpcaTable->post();
    dm->operatorOib = oib;
    dm->operatorLabelText = QStringLiteral("Operater: ") + chosen.naziv;
    m_operatorLabel->setText(dm->operatorLabelText);
}

void TOsnovnaForma::kupciIKartice()
{
    if (!hasOpener(Ekran::Kupci))
        return;
    BackToOperators back;
    setPartyTable(QStringLiteral("KUPCI"));
    open(Ekran::Kupci);
}

void TOsnovnaForma::operateri()
{
    if (!hasOpener(Ekran::Operateri))
        return;
    setPartyTable(QStringLiteral("KOMINT"));
    open(Ekran::Operateri);
}

void TOsnovnaForma::provjeraBaze()
{
    TDM* dm = TDM::instance();
    if (!Poruka::ask(this, QStringLiteral(
                               "Dali stvarno želite pokrenuti servis i provjeru strukture baze podataka ?")))
        return;
    if (!dm)
        return;
    // The compaction runs even when the check stopped; each failure is shown on its own, and only a
    // service where both succeeded is reported as successful.
    bool checked = false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        const data::CheckResult check = dm->checkDatabase();
        QApplication::restoreOverrideCursor();
        checked = check.ok();
        if (!checked)
            Poruka::error(this, check.message());
    } catch (const std::exception& e) {
        QApplication::restoreOverrideCursor();
        showProgress(0, 0, QString());
        handleError(e);
    }
    bool compacted = false;
    try {
        compacted = dm->compactAndRepair();
    } catch (const std::exception& e) {
        handleError(e);
    }
    if (compacted && checked)
        Poruka::inform(this, QStringLiteral("Servis baze podataka uspješno završen"));
    else
        Poruka::inform(this, QStringLiteral("Servis baze podataka nije uspješno završen.\n"
                                            "Informirajte Tarvel d.o.o. o tom problemu."));
}

void TOsnovnaForma::oProgramu()
{
    TOForma about(false, this);
    about.exec();
}

void TOsnovnaForma::showProgress(int position, int maximum, const QString& status)
{
    if (maximum > 0) {
        m_progress->setRange(0, maximum);
        m_progress->setValue(qMin(position, maximum));
        m_progress->show();
    } else {
        m_progress->setRange(0, 1);
        m_progress->setValue(0);
        m_progress->hide();
    }
    if (!status.isEmpty())
        m_rightPanel->setText(status);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

QString TOsnovnaForma::dayAndDate(const QDate& date)
{
    static const QStringList days = {QStringLiteral("Ponedjeljak"), QStringLiteral("Utorak"),
                                     QStringLiteral("Srijeda"),     QStringLiteral("Četvrtak"),
                                     QStringLiteral("Petak"),       QStringLiteral("Subota"),
                                     QStringLiteral("Nedjelja")};
    return days.at(date.dayOfWeek() - 1) + QStringLiteral(", ") + fmt::date(date);
}

void TOsnovnaForma::setProbeTarget(const QString& host, quint16 port)
{
    m_probeHost = host;
    m_probePort = port;
}

void TOsnovnaForma::startStatusTimer(int firstTickMs)
{
    m_statusTimer.start(firstTickMs);
}

void TOsnovnaForma::statusTick()
{
    m_statusTimer.stop();
    m_idleLabel->clear();
    switch (m_rotation) {
    case 1:
        m_rightPanel->setText(QStringLiteral("Evidencija računa i naplate"));
        m_rotation = 2;
        break;
    case 2:
        m_rightPanel->setText(QStringLiteral("Tarvelwin integrirani poslovni sustav"));
        m_rotation = 3;
        break;
    default:
        m_rightPanel->setText(MakerNotice);
        m_rotation = 1;
        break;
    }
    // The probe answers asynchronously; the timer starts again when it has.
    m_probe->start(m_probeHost, m_probePort);
}

void TOsnovnaForma::probeFinished(bool reachable)
{
    m_reachable = reachable;
    const TDM* dm = TDM::instance();
    if (reachable) {
        m_serviceIcon->setPixmap(slika(Ikona::CisAktivan, 18));
        m_serviceLabel->setText(dm && dm->testniCIS ? QStringLiteral("DEMO CIS PU aktivan")
                                                    : QStringLiteral("CIS PU aktivan"));
    } else {
        m_serviceIcon->setPixmap(slika(Ikona::CisNeaktivan, 18));
        m_serviceLabel->setText(QStringLiteral("CIS PU neaktivan"));
    }
    updateAvailability();
    m_statusTimer.start(reachable ? 6000 : 60000);
    Q_EMIT statusTicked();
}

QToolButton* TOsnovnaForma::button(const QString& caption) const
{
    for (QToolButton* b : m_buttons)
        if (b->text() == caption)
            return b;
    return nullptr;
}

QAction* TOsnovnaForma::menuAction(const QString& caption) const
{
    for (QMenu* m : m_menus)
        for (QAction* a : m->actions())
            if (a->text() == caption)
                return a;
    return nullptr;
}

QMenu* TOsnovnaForma::menu(const QString& title) const
{
    for (QMenu* m : m_menus)
        if (m->title() == title)
            return m;
    return nullptr;
}

void TOsnovnaForma::showEvent(QShowEvent* e)
{
    if (!m_placementRestored) {
        m_placementRestored = true;
        m_rightPanel->setText(dayAndDate(Clock::today()));
    }
    QMainWindow::showEvent(e);
}

void TOsnovnaForma::closeEvent(QCloseEvent* e)
{
    if (!Poruka::ask(this, QStringLiteral("Dali stvarno izlazite iz programa ?"))) {
        e->ignore();
        return;
    }
    WindowPlacement::save(this);
    m_statusTimer.stop();
    e->accept();
}

bool TOsnovnaForma::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == m_operatorLabel) {
            prijavaOperatera();
            return true;
        }
        if (watched == m_rightPanel) {
            oProgramu();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace tarvel::app
