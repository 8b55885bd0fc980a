#include "master/opcaforma.h"

#include "app/idlewatcher.h"
#include "core/format.h"
#include "core/oib.h"
#include "data/tdm.h"
#include "master/opcamemoforma.h"
#include "master/poruke.h"
#include "master/ui.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace tarvel::master {

using data::TDM;

namespace {

TOpcaForma::OperatorRegister& operatorRegister()
{
    static TOpcaForma::OperatorRegister fn;
    return fn;
}

TOpcaForma::PremisesRegistration& premisesRegistration()
{
    static TOpcaForma::PremisesRegistration fn;
    return fn;
}

const QString certFilter = QStringLiteral("PFX files (*.pfx)|*.pfx");
const QString mdbFilter = QStringLiteral("MDB files (*.mdb)|*.mdb");

QString text(const QHash<QString, QWidget*>& f, const char* column)
{
    QWidget* w = f.value(QLatin1String(column));
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    if (auto* c = qobject_cast<QComboBox*>(w))
        return c->currentText();
    return QString();
}

} // namespace

void TOpcaForma::setOperatorRegister(OperatorRegister fn)
{
    operatorRegister() = std::move(fn);
}

void TOpcaForma::setPremisesRegistration(PremisesRegistration fn)
{
    premisesRegistration() = std::move(fn);
}

QLineEdit* TOpcaForma::edit(const QString& column, int maxLength, bool digits)
{
    auto* e = new QLineEdit(this);
    e->setObjectName(column);
    e->setMaxLength(maxLength);
    if (digits)
        e->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(maxLength)), e));
    m_fields.insert(column, e);
    return e;
}

QComboBox* TOpcaForma::choice(const QString& column, const QStringList& items)
{
    auto* c = new QComboBox(this);
    c->setObjectName(column);
    c->addItems(items);
    m_fields.insert(column, c);
    return c;
}

TOpcaForma::TOpcaForma(QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Opći podaci"));
    resize(834, 624);

    auto* grid = new QGridLayout;
    int row = 0;
    auto put = [&](int col, const QString& label, QWidget* w, int span = 1) {
        auto* l = new QLabel(label, this);
        l->setBuddy(w);
        grid->addWidget(l, row, col * 2);
        grid->addWidget(w, row, col * 2 + 1, 1, span);
    };
    auto withButton = [this](QLineEdit* e, QToolButton*& b, const QString& caption) {
        auto* box = new QWidget(this);
        auto* h = new QHBoxLayout(box);
        h->setContentsMargins(0, 0, 0, 0);
        h->addWidget(e);
        b = new QToolButton(box);
        b->setText(caption);
        h->addWidget(b);
        return box;
    };

    m_oibOp = edit(QStringLiteral("OIB_OP"), 11, true);
    put(0, QStringLiteral("OIB operatera:"), withButton(m_oibOp, m_operater, QStringLiteral("?")));
    m_operater->setObjectName(QStringLiteral("operaterButton"));
    m_oib = edit(QStringLiteral("OIB"), 11, true);
    put(1, QStringLiteral("OIB firme"), m_oib);
    ++row;
    put(0, QStringLiteral("Naziv firme:"), edit(QStringLiteral("NAZIV"), 60), 3);
    ++row;
    put(0, QStringLiteral("Odgovorna osoba Ime:"), edit(QStringLiteral("ODG_IME"), 60));
    put(1, QStringLiteral("Prezime"), edit(QStringLiteral("ODG_PREZ"), 60));
    ++row;
    put(0, QStringLiteral("Kontakt telefon za PU:"), edit(QStringLiteral("TEL"), 60));
    put(1, QStringLiteral("Kontakt FAX:"), edit(QStringLiteral("FAX"), 60));
    ++row;
    put(0, QStringLiteral("Kontakt eMail:"), edit(QStringLiteral("EMAIL"), 60));
    ++row;
    put(0, QStringLiteral("U sustavu PDV-a:"),
        choice(QStringLiteral("U_PDV"), {QStringLiteral("Da"), QStringLiteral("Ne")}));
    put(1, QStringLiteral("Vrsta obveznika:"),
        choice(QStringLiteral("VR_OBVEZ"), {QStringLiteral("R1"), QStringLiteral("R2")}));
    ++row;
    put(0, QStringLiteral("Sljedeći broj računa:"), edit(QStringLiteral("BR_RAC"), 10, true));
    put(1, QStringLiteral("Poslovna godina:"), edit(QStringLiteral("POSL_GOD"), 4));
    ++row;
    m_naplur = edit(QStringLiteral("NAPLUR"), 15, true);
    put(0, QStringLiteral("Naplatni uređaj:"), m_naplur);
    put(1, QStringLiteral("Šifra posl. prostora"), edit(QStringLiteral("SKLAD"), 8));
    ++row;
    put(0, QStringLiteral("Ulica :"), edit(QStringLiteral("ULICA"), 50));
    {
        auto* box = new QWidget(this);
        auto* h = new QHBoxLayout(box);
        h->setContentsMargins(0, 0, 0, 0);
        h->addWidget(edit(QStringLiteral("K_BR"), 3));
        h->addWidget(new QLabel(QStringLiteral("Kućni broj dodatak :"), box));
        h->addWidget(edit(QStringLiteral("K_BR_D"), 3));
        put(1, QStringLiteral("Kućni broj :"), box);
    }
    ++row;
    put(0, QStringLiteral("Poštanski broj :"), edit(QStringLiteral("PTT"), 5));
    put(1, QStringLiteral("Mjesto :"), edit(QStringLiteral("MJESTO"), 50));
    ++row;
    put(0, QStringLiteral("Općina :"), edit(QStringLiteral("OPCINA"), 50));
    m_prom = edit(QStringLiteral("PROM"), 10);
    m_prom->setReadOnly(true);
    m_prom->setFocusPolicy(Qt::NoFocus);
    put(1, QStringLiteral("Promjena vrijedi od :"), m_prom);
    ++row;
    put(0, QStringLiteral("Radno vrijeme :"), edit(QStringLiteral("RAD_VR"), 100), 3);
    ++row;
    m_zatvori = new QCheckBox(QStringLiteral("Zatvori poslovni prostor"), this);
    m_zatvori->setObjectName(QStringLiteral("ZATVORI"));
    m_zatvori->setToolTip(QStringLiteral(
        "Ovu opciju postavite samo ukoliko zatvarate svoj poslovni prostor tj. firmu ili obrt pa ga "
        "odjavljujete iz sustava fiskalizacije"));
    grid->addWidget(m_zatvori, row, 1, 1, 3);

    auto* fiskal = new QGroupBox(QStringLiteral("Podaci za fiskalizaciju računa"), this);
    auto* fg = new QGridLayout(fiskal);
    m_passCert = edit(QStringLiteral("PASS_CERT"), 30);
    m_passCert->setEchoMode(QLineEdit::Password);
    fg->addWidget(new QLabel(QStringLiteral("Lozinka certifikata:"), fiskal), 0, 0);
    fg->addWidget(m_passCert, 0, 1);
    m_imeCert = edit(QStringLiteral("IME_CERT"), 50);
    fg->addWidget(new QLabel(QStringLiteral("Certifikat:"), fiskal), 1, 0);
    fg->addWidget(withButton(m_imeCert, m_certButton, QStringLiteral("...")), 1, 1);
    m_certButton->setObjectName(QStringLiteral("certButton"));
    m_pathMje = edit(QStringLiteral("PATH_MJE"), 255);
    fg->addWidget(new QLabel(QStringLiteral("Path za Tarvelwin:"), fiskal), 2, 0);
    fg->addWidget(withButton(m_pathMje, m_mdbButton, QStringLiteral("...")), 2, 1);
    m_mdbButton->setObjectName(QStringLiteral("mdbButton"));

    auto* mail = new QGroupBox(QStringLiteral("Podaci za slanje računa na e-mail"), this);
    auto* mg = new QGridLayout(mail);
    mg->addWidget(new QLabel(QStringLiteral("Odlazni SMTP mail server:"), mail), 0, 0);
    mg->addWidget(edit(QStringLiteral("eHOST"), 50), 0, 1);
    mg->addWidget(new QLabel(QStringLiteral("Port:"), mail), 0, 2);
    mg->addWidget(edit(QStringLiteral("ePORT"), 4), 0, 3);
    mg->addWidget(new QLabel(QStringLiteral("Korisničko ime poštanskog pretinca:"), mail), 1, 0);
    mg->addWidget(edit(QStringLiteral("eUSERNAME"), 50), 1, 1, 1, 3);
    auto* ePass = edit(QStringLiteral("ePASSWORD"), 30);
    ePass->setEchoMode(QLineEdit::Password);
    mg->addWidget(new QLabel(QStringLiteral("Lozinka za pristup pretincu:"), mail), 2, 0);
    mg->addWidget(ePass, 2, 1, 1, 3);

    auto* print = new QGridLayout;
    m_printer = new QComboBox(this);
    m_printer->setObjectName(QStringLiteral("GLAVNI_PRINTER"));
    m_printer->setEditable(true);
    m_fields.insert(QStringLiteral("GLAVNI_PRINTER"), m_printer);
    print->addWidget(new QLabel(QStringLiteral("40 kol. štampač:"), this), 0, 0);
    print->addWidget(m_printer, 0, 1);
    m_ispis =
        choice(QStringLiteral("ISPIS"), {QStringLiteral("A4"), QStringLiteral("A5"), QStringLiteral("40")});
    print->addWidget(new QLabel(QStringLiteral("Veličina ispisa:"), this), 0, 2);
    print->addWidget(m_ispis, 0, 3);

    m_zapamti = new QPushButton(QStringLiteral("Zapamti - F9"), this);
    m_registriraj = new QPushButton(QStringLiteral("Registriraj u PU - F12"), this);
    m_izlaz = new QPushButton(QStringLiteral("Izlaz - Esc"), this);
    m_podnozje = new QPushButton(QStringLiteral("Definiraj sadržaj podnožja računa - footer"), this);
    for (QPushButton* b : {m_zapamti, m_registriraj, m_izlaz, m_podnozje}) {
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::TabFocus);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_zapamti);
    buttons->addWidget(m_registriraj);
    buttons->addWidget(m_podnozje);
    buttons->addStretch();
    buttons->addWidget(m_izlaz);

    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    auto* groups = new QHBoxLayout;
    groups->addWidget(fiskal);
    groups->addWidget(mail);
    top->addLayout(groups);
    top->addLayout(print);
    top->addStretch();
    top->addLayout(buttons);

    connect(m_zapamti, &QPushButton::clicked, this, &TOpcaForma::zapamti);
    connect(m_registriraj, &QPushButton::clicked, this, &TOpcaForma::registriraj);
    connect(m_izlaz, &QPushButton::clicked, this, &TOpcaForma::izlaz);
    connect(m_podnozje, &QPushButton::clicked, this, &TOpcaForma::podnozje);
    connect(m_operater, &QToolButton::clicked, this, &TOpcaForma::izaberiOperatera);
    connect(m_ispis, &QComboBox::currentTextChanged, this,
            [this](const QString& v) { m_podnozje->setEnabled(v == QLatin1String("40")); });
    auto chooseInto = [this](QLineEdit* e, const QString& title, const QString& filter) {
        const QString f = izaberiDatoteku(this, title, filter, e->text().trimmed());
        if (!f.isEmpty())
            e->setText(f);
    };
    connect(m_certButton, &QToolButton::clicked, this, [=, this] {
        chooseInto(m_imeCert, QStringLiteral("Izaberite datoteku s certifikatom"), certFilter);
    });
    connect(m_mdbButton, &QToolButton::clicked, this,
            [=, this] { chooseInto(m_pathMje, QStringLiteral("Izaberite bazu mjenjačnice"), mdbFilter); });

    for (QWidget* w : zakljucana())
        w->setEnabled(false);
    m_registriraj->setEnabled(bool(premisesRegistration()));
    m_operater->setEnabled(bool(operatorRegister()));
    for (QLineEdit* e : {m_oib, m_oibOp, m_naplur})
        e->installEventFilter(this);
    new KeyRouter(this, [this](QObject* t, QKeyEvent* e) { return onKey(t, e); });

    TDM& dm = *TDM::instance();
    osigurajOpciRed(dm);
    OpciPodaci p = procitajOpci(*dm.OpcaTable);
    const Printeri printers = instaliraniPrinteri();
    m_printer->addItems(printers.imena);
    m_printer->setCurrentIndex(int(printers.imena.indexOf(printers.trenutni)));
    prikazi(p);
    m_oibOp->setFocus();
}

TOpcaForma::~TOpcaForma() = default;

QList<QWidget*> TOpcaForma::zakljucana() const
{
    return {m_passCert, m_imeCert, m_pathMje, m_certButton, m_mdbButton};
}

void TOpcaForma::prikazi(const OpciPodaci& p)
{
    auto set = [this](const char* column, const QString& v) {
        QWidget* w = m_fields.value(QLatin1String(column));
        if (auto* e = qobject_cast<QLineEdit*>(w))
            e->setText(v);
        else if (auto* c = qobject_cast<QComboBox*>(w))
            c->setCurrentIndex(c->findText(v));
    };
    set("OIB_OP", p.oibOp);
    set("OIB", p.oib);
    set("NAZIV", p.naziv);
    set("ODG_IME", p.odgIme);
    set("ODG_PREZ", p.odgPrez);
    set("TEL", p.tel);
    set("FAX", p.fax);
    set("EMAIL", p.email);
    set("U_PDV", p.uPdv);
    set("VR_OBVEZ", p.vrObvez);
    set("BR_RAC", p.brRac);
    set("POSL_GOD", p.poslGod);
    set("NAPLUR", p.naplur);
    set("SKLAD", p.sklad);
    set("ULICA", p.ulica);
    set("K_BR", p.kBr);
    set("K_BR_D", p.kBrD);
    set("PTT", p.ptt);
    set("MJESTO", p.mjesto);
    set("OPCINA", p.opcina);
    set("RAD_VR", p.radVr);
    m_prom->setText(fmt::date(p.prom));
    set("PASS_CERT", p.passCert);
    set("IME_CERT", p.imeCert);
    set("PATH_MJE", p.pathMje);
    set("eHOST", p.eHost);
    set("ePORT", p.ePort);
    set("eUSERNAME", p.eUsername);
    set("ePASSWORD", p.ePassword);
    set("ISPIS", p.ispis);
    m_printer->setEditText(p.glavniPrinter);
    m_podnozje->setEnabled(m_ispis->currentText() == QLatin1String("40"));
}

OpciPodaci TOpcaForma::podaci() const
{
    OpciPodaci p;
    const auto& f = m_fields;
    p.oibOp = text(f, "OIB_OP");
    p.oib = text(f, "OIB");
    p.naziv = text(f, "NAZIV");
    p.odgIme = text(f, "ODG_IME");
    p.odgPrez = text(f, "ODG_PREZ");
    p.tel = text(f, "TEL");
    p.fax = text(f, "FAX");
    p.email = text(f, "EMAIL");
    p.uPdv = text(f, "U_PDV");
    p.vrObvez = text(f, "VR_OBVEZ");
    p.brRac = text(f, "BR_RAC");
    p.poslGod = text(f, "POSL_GOD");
    p.naplur = text(f, "NAPLUR");
    p.sklad = text(f, "SKLAD");
    p.ulica = text(f, "ULICA");
    p.kBr = text(f, "K_BR");
    p.kBrD = text(f, "K_BR_D");
    p.ptt = text(f, "PTT");
    p.mjesto = text(f, "MJESTO");
    p.opcina = text(f, "OPCINA");
    p.radVr = text(f, "RAD_VR");
    p.prom = fmt::parseDate(m_prom->text());
    p.passCert = text(f, "PASS_CERT");
    p.imeCert = text(f, "IME_CERT");
    p.pathMje = text(f, "PATH_MJE");
    p.eHost = text(f, "eHOST");
    p.ePort = text(f, "ePORT");
    p.eUsername = text(f, "eUSERNAME");
    p.ePassword = text(f, "ePASSWORD");
    p.glavniPrinter = m_printer->currentText();
    p.ispis = text(f, "ISPIS");
    return p;
}

bool TOpcaForma::zatvoriProstor() const
{
    return m_zatvori->isChecked();
}

QWidget* TOpcaForma::polje(const QString& column) const
{
    return m_fields.value(column);
}

void TOpcaForma::postaviPromjenu(const QDate& date)
{
    m_prom->setText(fmt::date(date));
}

void TOpcaForma::zapamti()
{
    guarded(this, [this] {
        zapamtiOpci(*TDM::instance(), podaci());
        accept();
    });
}

void TOpcaForma::registriraj()
{
    if (premisesRegistration() && m_registriraj->isEnabled())
        guarded(this, [this] { premisesRegistration()(*this); });
}

void TOpcaForma::izlaz()
{
    reject();
}

void TOpcaForma::podnozje()
{
    guarded(this, [this] {
        TOpcaMemoForma f(this);
        f.exec();
    });
}

void TOpcaForma::prebaciZakljucana()
{
    const bool on = !m_passCert->isEnabled();
    for (QWidget* w : zakljucana())
        w->setEnabled(on);
}

void TOpcaForma::izaberiOperatera()
{
    if (!operatorRegister())
        return;
    TDM& dm = *TDM::instance();
    if (!dm.KomitentiTable->active())
        dm.KomitentiTable->setTableName(QStringLiteral("KOMINT"));
    m_oibOp->setText(operatorRegister()(this));
    m_oibOp->setFocus();
}

void TOpcaForma::provjeriOib(QLineEdit* checked)
{
    const QString v = checked->text().trimmed();
    if (v.isEmpty() || isValidOib(v))
        return;
    obavijest(this, QStringLiteral("Neispravan OIB. Upišite ponovno!"));
    // Sending the focus back is no leaving of the field that had it: two wrong OIBs must not
    // chase each other with messages.
    m_vracam = true;
    checked->setFocus();
    m_vracam = false;
}

bool TOpcaForma::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && !m_closing && !m_vracam) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            reason != Qt::MenuBarFocusReason) {
            QLineEdit* checked = watched == m_oib ? m_oib : m_oibOp;
            // After the focus has settled: the notice must not interrupt the focus change.
            QTimer::singleShot(0, this, [this, checked] {
                if (!m_closing)
                    provjeriOib(checked);
            });
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TOpcaForma::onKey(QObject* target, QKeyEvent* e)
{
    const auto mods = e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    if (e->key() == Qt::Key_F5 && mods == (Qt::ControlModifier | Qt::AltModifier)) {
        prebaciZakljucana();
        return true;
    }
    if (mods & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    switch (e->key()) {
    case Qt::Key_F9:
        zapamti();
        return true;
    case Qt::Key_F12:
        registriraj();
        return true;
    case Qt::Key_Escape:
        izlaz();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (target == m_ispis) {
            zapamti();
            return true;
        }
        if (auto* b = qobject_cast<QAbstractButton*>(target)) {
            b->click();
            return true;
        }
        focusNextChild();
        return true;
    default:
        return false;
    }
}

void TOpcaForma::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    app::IdleWatcher::instance()->start();
}

void TOpcaForma::done(int r)
{
    m_closing = true;
    TDM::instance()->OpcaTable->close();
    app::IdleWatcher::instance()->stop();
    Q_EMIT app::IdleWatcher::instance()->labelChanged(QString());
    QDialog::done(r);
}

} // namespace tarvel::master
