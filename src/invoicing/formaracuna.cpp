#include "invoicing/formaracuna.h"

#include "app/errorhandler.h"
#include "app/poruka.h"
#include "core/cipher.h"
#include "core/clock.h"
#include "data/store.h"
#include "data/tdm.h"
#include "fiscal/certreport.h"
#include "fiscal/fiskalnostanje.h"
#include "fiscal/poreznaforma.h"
#include "invoicing/entryservices.h"
#include "invoicing/formaracunaunos.h"
#include "invoicing/invoiceentry.h"
#include "invoicing/receiptjob.h"
#include "reports/layouts/invoicelayouts.h"
#include "reports/preview.h"
#include "reports/tableobjectsource.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace tarvel::invoicing {

namespace {

const QString CompanionCaption = QStringLiteral(" za mjenjačnice");

template <class Fn> void guarded(Fn&& fn)
{
    try {
        fn();
    } catch (const std::exception& e) {
        QGuiApplication::restoreOverrideCursor();
        app::handleError(e);
    }
}

// The wait cursor for a scope.
struct WaitCursor
{
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
};

QLabel* swatch(const QColor& c)
{
    auto* l = new QLabel;
    l->setFixedSize(24, 14);
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, c);
    l->setPalette(p);
    return l;
}

} // namespace

KnjigaUsluge KnjigaUsluge::defaults()
{
    KnjigaUsluge s;
    s.statusniTimer = [](bool) {};
    s.ocistiUslugu = [] {};
    s.potvrda = [](QWidget* owner, const data::TableObject& fiskal, const QString& jir, const QString& zki,
                   const QString& trajanje) {
        std::unique_ptr<fiscal::TPoreznaForma> f(
            fiscal::TPoreznaForma::zaRacun(fiskal, jir, zki, trajanje, owner));
        f->exec();
    };
    s.potvrdaCertifikata = [](QWidget* owner, data::TDM& dm) {
        fiscal::TCertReport layout(fiscal::PodaciCertifikata::izOpci(*dm.OpcaTable));
        reports::showPreview(layout, owner);
    };
    return s;
}

KnjigaUsluge& KnjigaUsluge::current()
{
    static KnjigaUsluge s = defaults();
    return s;
}

// ---------------------------------------------------------------------------------------------

TFormaRacuna::TFormaRacuna(QWidget* parent)
    : QDialog(parent), m_dm(data::TDM::instance()), m_fiskal(m_dm->FiskalTable), m_party(m_dm->KomitentiTable)
{
    setWindowTitle(QStringLiteral("Knjiga računa"));
    setObjectName(QStringLiteral("FormaRacuna"));
    m_customer = !m_dm->companionMode;
    {
        WaitCursor wait;
        if (m_party->active())
            m_party->close();
        m_party->setTableName(m_customer ? QStringLiteral("KUPCI") : QStringLiteral("KOMINT"));
        if (m_fiskal->active())
            m_fiskal->close();
        m_fiskal->setFilter({});
        m_fiskal->setSort(QStringLiteral("AUTOKEY"));
        m_fiskal->open();
        m_fiskal->last();
        m_party->open();
        data::TableObject* opci = m_dm->OpcaTable;
        if (!opci->active())
            opci->open();
        opci->first();
        const QString imeCert = opci->asString(QStringLiteral("IME_CERT")).trimmed();
        if (!imeCert.isEmpty()) {
            m_fiscalReady = true;
            guarded([&] {
                fiscal::otvoriFiskalizaciju(imeCert,
                                            decipherPassword(opci->asString(QStringLiteral("PASS_CERT"))));
            });
        }
        opci->close();
    }

    // The list
    m_model = new KnjigaRacunaModel(m_fiskal, m_customer, this);
    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("ListaRacuna"));
    m_list->setModel(m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->verticalHeader()->setDefaultSectionSize(20);
    m_list->verticalHeader()->hide();
    m_list->installEventFilter(this);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { syncTableToView(); });
    connect(m_fiskal, &data::TableObject::currentChanged, this, [this] { syncViewToTable(); });
    connect(m_fiskal, &data::TableObject::dataChanged, this,
            [this] { QTimer::singleShot(0, this, [this] { syncViewToTable(); }); });
    connect(m_list, &QTableView::doubleClicked, this, [this] { izmijeni(); });

    // Legend
    auto* legend = new QGroupBox(QStringLiteral("Legenda računa"), this);
    auto* lg = new QGridLayout(legend);
    lg->addWidget(swatch(QColor(0, 150, 0)), 0, 0);
    lg->addWidget(new QLabel(QStringLiteral("Fiskalizirani računi")), 0, 1);
    lg->addWidget(swatch(KnjigaRacunaModel::crvena()), 1, 0);
    lg->addWidget(new QLabel(QStringLiteral("Potrebno fiskalizirati")), 1, 1);

    // Search
    auto* search = new QGroupBox(QStringLiteral("Traži po"), this);
    auto* sg = new QGridLayout(search);
    m_name = new QLineEdit(search);
    m_name->setMaxLength(100);
    m_oib = new QLineEdit(search);
    m_oib->setMaxLength(13);
    m_oibChoose = new QToolButton(search);
    m_oibChoose->setText(QStringLiteral("?"));
    m_show = new QComboBox(search);
    m_show->addItems(
        {QStringLiteral("Fiskalizirano"), QStringLiteral("Nefiskalizirano"), QStringLiteral("Sve")});
    m_show->setCurrentIndex(2);
    sg->addWidget(new QLabel(QStringLiteral("Nazivu")), 0, 0);
    sg->addWidget(m_name, 0, 1, 1, 2);
    sg->addWidget(new QLabel(QStringLiteral("OIB-u")), 1, 0);
    sg->addWidget(m_oib, 1, 1);
    sg->addWidget(m_oibChoose, 1, 2);
    sg->addWidget(new QLabel(QStringLiteral("Prikaži:")), 2, 0);
    sg->addWidget(m_show, 2, 1, 1, 2);
    for (QLineEdit* e : {m_name, m_oib}) {
        e->installEventFilter(this);
        connect(e, &QLineEdit::textChanged, this, [this] { guarded([this] { primijeniFilter(); }); });
    }
    connect(m_show, &QComboBox::currentIndexChanged, this,
            [this] { guarded([this] { primijeniFilter(); }); });
    connect(m_oibChoose, &QToolButton::clicked, this, [this] {
        guarded([this] {
            const ChosenParty c = EntryServices::current().chooseParty(this, m_party, QString());
            if (!c.oib.isEmpty())
                m_oib->setText(c.oib);
        });
    });

    m_wait1 = new QLabel(QStringLiteral("Molim pričekajte, "), this);
    m_wait2 = new QLabel(QStringLiteral("fiskalizacija računa u tijeku....."), this);
    m_wait1->hide();
    m_wait2->hide();

    auto* buttons = new QVBoxLayout;
    addButton(QStringLiteral("Novi - F3"), Qt::Key_F3, &TFormaRacuna::novi);
    addButton(QStringLiteral("Izmijeni - Ent"), 0, &TFormaRacuna::izmijeni);
    addButton(QStringLiteral("Briši / Storno - Del"), 0, &TFormaRacuna::brisi);
    addButton(QStringLiteral("Kopiraj izabrani - F12"), Qt::Key_F12, &TFormaRacuna::kopiraj);
    m_fiscalButton =
        addButton(QStringLiteral("Fiskaliziraj - F10"), Qt::Key_F10, &TFormaRacuna::fiskaliziraj);
    m_printButton = addButton(QStringLiteral("Tiskaj račun - F6"), Qt::Key_F6, &TFormaRacuna::tiskaj);
    addButton(QStringLiteral("Pošalji na eMail - F7"), Qt::Key_F7, &TFormaRacuna::posaljiEmail);
    m_logButton = addButton(QStringLiteral("Tiskaj dnevnik računa - F5"), Qt::Key_F5, &TFormaRacuna::dnevnik);
    m_logButton->setToolTip(
        QStringLiteral("Klikom na gumb ispisat će se samo računi izdani na današnji dan "));
    m_certButton =
        addButton(QStringLiteral("Potvrda certifikata - F2"), Qt::Key_F2, &TFormaRacuna::potvrdaCertifikata);
    QPushButton* close = addButton(QStringLiteral("Zatvori - Esc"), 0, nullptr);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    for (QPushButton* b : m_buttons) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    buttons->addWidget(m_wait1);
    buttons->addWidget(m_wait2);

    auto* side = new QVBoxLayout;
    side->addWidget(search);
    side->addWidget(legend);
    side->addLayout(buttons);
    auto* main = new QHBoxLayout(this);
    main->addWidget(m_list, 1);
    main->addLayout(side);
    resize(1100, 650);
}

TFormaRacuna::~TFormaRacuna()
{
    if (!m_closed)
        done(QDialog::Rejected);
}

QPushButton* TFormaRacuna::addButton(const QString& caption, int key, void (TFormaRacuna::*slot)())
{
    auto* b = new QPushButton(caption, this);
    b->setProperty("tipka", key);
    if (slot)
        connect(b, &QPushButton::clicked, this, [this, slot] { guarded([this, slot] { (this->*slot)(); }); });
    m_buttons << b;
    return b;
}

QPushButton* TFormaRacuna::button(const QString& caption) const
{
    for (QPushButton* b : m_buttons)
        if (b->text() == caption)
            return b;
    return nullptr;
}

QString TFormaRacuna::partyTableName() const
{
    return m_customer ? QStringLiteral("KUPCI") : QStringLiteral("KOMINT");
}

void TFormaRacuna::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    if (!m_customer) {
        if (QWidget* mainWindow = parentWidget() ? parentWidget()->window() : nullptr)
            if (!mainWindow->windowTitle().endsWith(CompanionCaption))
                mainWindow->setWindowTitle(mainWindow->windowTitle() + CompanionCaption);
    }
    if (!m_fiscalReady) {
        m_fiscalButton->setEnabled(false);
        m_certButton->setEnabled(false);
    } else if (imaNefiskaliziranih(*m_dm)) {
        QTimer::singleShot(0, this, [this] {
            app::Poruka::inform(
                this, QStringLiteral("Imate nefiskaliziranih računa! \rMolimo Vas da fiskalizirate sve "
                                     "račune.\r\r Račune koji nisu odmah fiskalizirani, potrebno je "
                                     "naknadno fiskalizirati najkasnije u roku od 48 sati."));
        });
    }
    m_fiskal->last();
    focusList();
    EntryServices::current().idleWatcher(true);
}

void TFormaRacuna::done(int result)
{
    if (!m_closed) {
        m_closed = true;
        guarded([this] {
            if (m_party->active())
                m_party->close();
            if (m_fiskal->active())
                m_fiskal->close();
            m_fiskal->setFilter({});
        });
        EntryServices::current().idleWatcher(false);
        if (KnjigaUsluge::current().ocistiUslugu)
            KnjigaUsluge::current().ocistiUslugu();
        fiscal::zatvoriFiskalizaciju();
    }
    QDialog::done(result);
}

void TFormaRacuna::keyPressEvent(QKeyEvent* event)
{
    // The function keys reach the book from the list and from the search boxes alike.
    if (event->modifiers() == Qt::NoModifier)
        for (QPushButton* b : m_buttons)
            if (b->property("tipka").toInt() == event->key()) {
                if (b->isEnabled())
                    b->click();
                event->accept();
                return;
            }
    QDialog::keyPressEvent(event);
}

bool TFormaRacuna::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && watched == m_name)
        m_name->clear();
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (watched == m_list) {
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                guarded([this] { izmijeni(); });
                return true;
            }
            if (key == Qt::Key_Delete) {
                guarded([this] { brisi(); });
                return true;
            }
        } else if ((watched == m_name || watched == m_oib) && (key == Qt::Key_Up || key == Qt::Key_Down)) {
            if (m_fiskal->active())
                key == Qt::Key_Up ? m_fiskal->prior() : m_fiskal->next();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// The list and the data module's current row

void TFormaRacuna::syncViewToTable()
{
    if (m_syncing || !m_fiskal->active())
        return;
    ++m_syncing;
    const int row = m_fiskal->recNo();
    const QModelIndex now = m_list->selectionModel()->currentIndex();
    if (row >= 0 && (!now.isValid() || now.row() != row)) {
        const QModelIndex at = m_model->index(row, now.isValid() ? now.column() : 0);
        m_list->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
        m_list->scrollTo(at);
    }
    --m_syncing;
}

void TFormaRacuna::syncTableToView()
{
    if (m_syncing || !m_fiskal->active())
        return;
    ++m_syncing;
    const QModelIndex now = m_list->selectionModel()->currentIndex();
    if (now.isValid() && now.row() != m_fiskal->recNo())
        m_fiskal->moveTo(now.row());
    --m_syncing;
}

void TFormaRacuna::focusList()
{
    m_list->setFocus();
    syncViewToTable();
}

bool TFormaRacuna::hasCurrent() const
{
    return m_fiskal->active() && !m_fiskal->isEmpty() && m_fiskal->recNo() >= 0;
}

bool TFormaRacuna::certificateNamed() const
{
    return !data::scalar(m_dm->connection(), QStringLiteral("SELECT IME_CERT FROM OPCI LIMIT 1"))
                .toString()
                .trimmed()
                .isEmpty();
}

void TFormaRacuna::primijeniFilter()
{
    const bool listChoiceHadFocus = m_show->hasFocus();
    const qint64 key = m_fiskal->currentKey();
    const auto prikaz = Prikaz(m_show->currentIndex());
    const std::optional<data::Filter> f = filterKnjige(m_name->text(), m_oib->text(), prikaz, m_customer);
    m_fiskal->setFilter(f.value_or(data::Filter{}));
    if (key < 0 || !m_fiskal->moveToKey(key))
        m_fiskal->last();
    syncViewToTable();
    if (listChoiceHadFocus)
        m_list->setFocus();
}

// ---------------------------------------------------------------------------------------------
// FiskalniPrikaz

void TFormaRacuna::napredak(bool vidljiv)
{
    m_wait1->setVisible(vidljiv);
    m_wait2->setVisible(vidljiv);
    if (vidljiv)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TFormaRacuna::cekanje(bool ukljuceno)
{
    if (ukljuceno)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

void TFormaRacuna::gumbFiskaliziraj(bool omogucen)
{
    m_fiscalButton->setEnabled(omogucen && m_fiscalReady);
}

void TFormaRacuna::statusniTimer(bool radi)
{
    if (KnjigaUsluge::current().statusniTimer)
        KnjigaUsluge::current().statusniTimer(radi);
}

void TFormaRacuna::obavijest(const QString& tekst)
{
    app::Poruka::inform(this, tekst);
}

void TFormaRacuna::potvrda(const QString& jir, const QString& zki, const QString& trajanje)
{
    if (KnjigaUsluge::current().potvrda)
        KnjigaUsluge::current().potvrda(this, *m_fiskal, jir, zki, trajanje);
}

// ---------------------------------------------------------------------------------------------
// Operations

void TFormaRacuna::otvoriUnos()
{
    if (m_customer) {
        TFormaRacunaUnosKup w(m_marks, this);
        w.exec();
    } else {
        TFormaRacunaUnos w(m_marks, this);
        w.exec();
    }
    if (!m_party->active())
        m_party->open();
    syncViewToTable();
}

bool TFormaRacuna::fiskalizirajUpit()
{
    if (!app::Poruka::ask(this, QStringLiteral("Fiskalizirate račun broj ") +
                                    m_fiskal->asString(QStringLiteral("BR_RAC")) + QStringLiteral(" ?")))
        return false;
    fiskaliziraj();
    return true;
}

void TFormaRacuna::ispisUpit()
{
    if (m_fiskal->asString(QStringLiteral("JIR")).trimmed().isEmpty() ||
        m_fiskal->asString(QStringLiteral("CIS_PORUKA")).startsWith(QStringLiteral("Greška")))
        return;
    if (app::Poruka::ask(this, QStringLiteral("Ispisujete račun broj ") +
                                   m_fiskal->asString(QStringLiteral("BR_RAC")) + QStringLiteral(" ?")))
        tiskaj();
}

void TFormaRacuna::nakonUnosa()
{
    if (!hasCurrent())
        return;
    if (m_fiskal->asString(QStringLiteral("JIR")).trimmed().isEmpty() && m_marks.appendedMark &&
        certificateNamed())
        fiskalizirajUpit();
    if (m_marks.newMark)
        ispisUpit();
}

void TFormaRacuna::novi()
{
    m_marks = EntryMarks::forNew();
    otvoriUnos();
    nakonUnosa();
}

void TFormaRacuna::izmijeni()
{
    if (!hasCurrent())
        return;
    if (isFiscalized(m_fiskal->asString(QStringLiteral("JIR"))))
        app::Poruka::inform(this, QStringLiteral("Račun je fiskaliziran i ne smije se mijenjati!"));
    m_marks = EntryMarks::forEdit();
    otvoriUnos();
}

void TFormaRacuna::kopiraj()
{
    if (!hasCurrent())
        return;
    if (!app::Poruka::ask(this, QStringLiteral("Stvarno želite kopirati račun br. ") +
                                    m_fiskal->asString(QStringLiteral("BR_RAC")) + QStringLiteral(" ") +
                                    QStringLiteral("\r") +
                                    QStringLiteral("i iz njega napraviti novi s istim podacima ?")))
        return;
    m_marks = EntryMarks::forCopy();
    otvoriUnos();
    m_marks.copyMark = false;
    nakonUnosa();
}

void TFormaRacuna::brisi()
{
    if (!hasCurrent())
        return;
    if (isFiscalized(m_fiskal->asString(QStringLiteral("JIR")))) {
        if (!app::Poruka::ask(
                this, QStringLiteral("Račun je fiskaliziran i ne smije se brisati!\r\rIzvršiti će se storno "
                                     "kreiranjem i fiskaliziranjem računa s minus iznosom")))
            return;
        QString brRac;
        {
            WaitCursor wait;
            brRac = StornirajRacun(*m_dm);
            m_dm->OpcaTable->close();
        }
        syncViewToTable();
        if (app::Poruka::ask(this,
                             QStringLiteral("Fiskalizirate račun broj ") + brRac + QStringLiteral(" ?"))) {
            fiskaliziraj();
            ispisUpit();
        }
        focusList();
        return;
    }
    const BrisanjeRacuna plan = planBrisanja(*m_dm);
    const QString question = QStringLiteral("Stvarno želite obrisati račun: ") +
                             m_fiskal->asString(QStringLiteral("BR_RAC")) + QStringLiteral(" ?");
    if (app::Poruka::ask(this, question)) {
        if (plan.brojJeBroj)
            obrisiRacun(*m_dm, true);
        else if (app::Poruka::ask(this, question))
            obrisiRacun(*m_dm, false);
    }
    m_dm->OpcaTable->close();
    focusList();
}

void TFormaRacuna::fiskaliziraj()
{
    if (!hasCurrent())
        return;
    gumbFiskaliziraj(false);
    fiscal::FiskalizirajRacun(m_fiskal, m_dm->OpcaTable, *this);
    gumbFiskaliziraj(true);
    syncViewToTable();
}

void TFormaRacuna::tiskaj()
{
    if (!hasCurrent())
        return;
    m_printButton->setEnabled(false);
    struct Again
    {
        TFormaRacuna* f;
        ~Again()
        {
            f->m_dm->OpcaTable->close();
            f->m_printButton->setEnabled(true);
            f->focusList();
        }
    } again{this};
    data::TableObject* opci = m_dm->OpcaTable;
    if (!opci->active())
        opci->open();
    opci->first();
    if (m_fiskal->asString(QStringLiteral("JIR")).trimmed().isEmpty() &&
        !opci->asString(QStringLiteral("IME_CERT")).trimmed().isEmpty())
        app::Poruka::inform(this,
                            QStringLiteral("Račun nije fiskaliziran! Prije ispisa i predaje kupcu obvezna je "
                                           "fiskalizacija u Poreznu upravu"));
    const QString ispis = opci->asString(QStringLiteral("ISPIS")).trimmed();
    if (ispis == QLatin1String("40")) {
        ispisiRacun40(*m_dm, partyTableName());
        return;
    }
    const reports::RacunZaIspis podaci = reports::RacunZaIspis::izModula(*m_dm, partyTableName(), m_customer);
    if (ispis == QLatin1String("A5")) {
        if (m_customer) {
            reports::TPrTiskanjeRacunaA5NovaReport layout(podaci, opci);
            reports::showPreview(layout, this);
        } else {
            reports::TTiskanjeKarticeA5Report layout(podaci);
            reports::showPreview(layout, this);
        }
        return;
    }
    if (opci->asString(QStringLiteral("OIB")).trimmed() ==
        QLatin1String(reports::TPrTiskanjeDolnikReport::DolnikOib)) {
        reports::TPrTiskanjeDolnikReport layout(podaci);
        reports::showPreview(layout, this);
    } else {
        reports::TFormaTiskanjeKarticeReport layout(podaci, opci);
        reports::showPreview(layout, this);
    }
}

void TFormaRacuna::posaljiEmail()
{
    if (!hasCurrent())
        return;
    const PrimateljRacuna komu = primateljRacuna(*m_dm, partyTableName());
    if (komu.adresa.isEmpty()) {
        app::Poruka::inform(
            this, QStringLiteral("Slanje na eMail za ") + komu.naziv +
                      QStringLiteral(" nije moguće pošto ne postoji upisana eMail adresa u podacima o "
                                     "kupcu !"));
        return;
    }
    const QString ispis = data::scalar(m_dm->connection(), QStringLiteral("SELECT ISPIS FROM OPCI LIMIT 1"))
                              .toString()
                              .trimmed();
    if (ispis != QLatin1String("A4") && ispis != QLatin1String("A5")) {
        app::Poruka::inform(this, QStringLiteral("Račun se e-mailom šalje samo kad je ispis na A4 ili A5."));
        return;
    }
    if (!app::Poruka::ask(this, QStringLiteral("Račun će biti poslan na adresu ") + komu.adresa +
                                    QStringLiteral("\r\rNastavljate slanje ?")))
        return;
    const QString brRac = m_fiskal->asString(QStringLiteral("BR_RAC"));
    {
        WaitCursor wait;
        struct Again
        {
            TFormaRacuna* f;
            ~Again()
            {
                f->m_dm->OpcaTable->close();
                f->m_printButton->setEnabled(true);
                f->focusList();
            }
        } again{this};
        PosaljiJednog(*m_dm, partyTableName(), m_customer, komu);
    }
    app::Poruka::inform(this,
                        QStringLiteral("Račun broj ") + brRac +
                            QStringLiteral(" uspješno poslan na e-mail adresu kupca. Možete nastaviti rad."));
}

void TFormaRacuna::dnevnik()
{
    if (!hasCurrent())
        return;
    m_logButton->setEnabled(false);
    struct Again
    {
        TFormaRacuna* f;
        ~Again()
        {
            f->m_dm->OpcaTable->close();
            f->m_logButton->setEnabled(true);
        }
    } again{this};
    data::TableObject upit(&m_dm->connection(), QStringLiteral("FISKAL"));
    pripremiDnevnik(upit, Clock::today());
    if (upit.isEmpty()) {
        app::Poruka::inform(
            this, QStringLiteral("Na današnji dan nemate izdanih računa pa ispis dnevnika nije moguć. "
                                 "Možete nastaviti rad."));
        return;
    }
    data::TableObject* opci = m_dm->OpcaTable;
    if (!opci->active())
        opci->open();
    opci->first();
    reports::TableObjectSource rows(upit);
    reports::TFormaObracunReport layout(&rows, rowValues(*opci), Clock::today());
    reports::showPreview(layout, this);
}

void TFormaRacuna::potvrdaCertifikata()
{
    data::TableObject* opci = m_dm->OpcaTable;
    if (!opci->active())
        opci->open();
    opci->first();
    struct Again
    {
        TFormaRacuna* f;
        ~Again()
        {
            f->m_dm->OpcaTable->close();
            f->focusList();
        }
    } again{this};
    if (opci->asString(QStringLiteral("ISPIS")).trimmed() == QLatin1String("40"))
        ispisiCertifikat40(*m_dm, partyTableName());
    else if (KnjigaUsluge::current().potvrdaCertifikata)
        KnjigaUsluge::current().potvrdaCertifikata(this, *m_dm);
}

void otvoriKnjiguRacuna(QWidget* owner)
{
    TFormaRacuna f(owner);
    f.exec();
}

} // namespace tarvel::invoicing
