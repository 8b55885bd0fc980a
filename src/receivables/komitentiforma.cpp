#include "receivables/komitentiforma.h"

#include "app/placement.h"
#include "core/errors.h"
#include "data/tdm.h"
#include "receivables/komitentieditforma.h"
#include "receivables/komitentimodel.h"
#include "receivables/komitentiunosreport.h"
#include "receivables/partydialogs.h"
#include "reports/preview.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace tarvel::receivables {

namespace {

QPushButton* actionButton(const QString& text, const QString& name, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setDefault(false);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

TKomitentiForma::CardOpener& defaultCardOpener(PartyKind kind)
{
    static TKomitentiForma::CardOpener operators, customers;
    return kind == PartyKind::Customers ? customers : operators;
}

} // namespace

void TKomitentiForma::setDefaultCardOpener(PartyKind kind, CardOpener opener)
{
    defaultCardOpener(kind) = std::move(opener);
}

TKomitentiForma::TKomitentiForma(Mode mode, QWidget* parent)
    : QDialog(parent), m_mode(mode), m_table(data::TDM::instance()->KomitentiTable)
{
    setObjectName(QStringLiteral("KomitentiForma"));
    m_kind = partyKindOf(m_table->tableName());
    const PartyTexts& t = partyTexts(m_kind);
    const bool selecting = mode == Mode::Selection;
    setWindowTitle(selecting ? t.selectionTitle : t.title);

    m_table->close();
    m_table->setFilter({});
    m_table->setSort(DefaultSort);
    m_table->open();
    m_table->first();

    m_model = new KomitentiModel(m_table, this);
    m_model->setColumns(registerColumns(), registerTitles(m_kind));

    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("grid"));
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setTabKeyNavigation(false);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->horizontalHeader()->setSectionsClickable(true);
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {95, 220, 150, 130, 90, 90, 170};
    for (int i = 0; i < int(std::size(widths)); ++i)
        m_grid->setColumnWidth(i, widths[i]);
    m_model->setBoldSection(registerColumns().indexOf(QStringLiteral("NAZIV_KOM")));

    m_searchPanel = new QGroupBox(QStringLiteral("Traži po"), this);
    m_nazivu = new QLineEdit(m_searchPanel);
    m_nazivu->setObjectName(QStringLiteral("nazivu"));
    m_nazivu->setMaxLength(100);
    m_oibu = new QLineEdit(m_searchPanel);
    m_oibu->setObjectName(QStringLiteral("oibu"));
    m_oibu->setMaxLength(13);
    auto* searchLayout = new QHBoxLayout(m_searchPanel);
    searchLayout->addWidget(new QLabel(QStringLiteral("Nazivu"), m_searchPanel));
    searchLayout->addWidget(m_nazivu, 3);
    searchLayout->addSpacing(12);
    searchLayout->addWidget(new QLabel(QStringLiteral("OIB-u"), m_searchPanel));
    searchLayout->addWidget(m_oibu, 1);

    m_novi = actionButton(QStringLiteral("Novi - F3"), QStringLiteral("btnNovi"), this);
    m_izmjena = actionButton(selecting ? QStringLiteral("Izbor - Enter") : QStringLiteral("Izmjena - Ent"),
                             QStringLiteral("btnIzmjena"), this);
    m_brisanje = actionButton(QStringLiteral("Brisanje - Del"), QStringLiteral("btnBrisanje"), this);
    m_tiskanje = actionButton(QStringLiteral("Tiskanje - F5"), QStringLiteral("btnTiskanje"), this);
    m_kartica = actionButton(t.cardButton, QStringLiteral("btnKartica"), this);
    m_zatvori = actionButton(QStringLiteral("Zatvori-Esc"), QStringLiteral("btnZatvori"), this);
    m_brisanje->setEnabled(!selecting);
    m_tiskanje->setEnabled(!selecting);
    m_kartica->setEnabled(false);
    if (defaultCardOpener(m_kind))
        setCardOpener(defaultCardOpener(m_kind));

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {m_novi, m_izmjena, m_brisanje, m_tiskanje, m_kartica})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(m_zatvori);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addWidget(m_searchPanel);
    layout->addLayout(buttons);
    resize(1000, 560);

    connect(m_novi, &QPushButton::clicked, this, [this] { runGuarded([this] { novi(); }); });
    connect(m_izmjena, &QPushButton::clicked, this, [this] { runGuarded([this] { izmjenaIliIzbor(); }); });
    connect(m_brisanje, &QPushButton::clicked, this, [this] { runGuarded([this] { brisanje(); }); });
    connect(m_tiskanje, &QPushButton::clicked, this, [this] { runGuarded([this] { tiskanje(); }); });
    connect(m_kartica, &QPushButton::clicked, this, [this] { runGuarded([this] { kartica(); }); });
    connect(m_zatvori, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_grid, &QTableView::doubleClicked, this, [this] { runGuarded([this] { izmjenaIliIzbor(); }); });
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { runGuarded([this, section] { sortBy(section); }); });
    connect(m_nazivu, &QLineEdit::textEdited, this, [this] { runGuarded([this] { search(m_nazivu); }); });
    connect(m_oibu, &QLineEdit::textEdited, this, [this] { runGuarded([this] { search(m_oibu); }); });
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TKomitentiForma::syncTableToGrid);
    connect(m_table, &data::TableObject::currentChanged, this, &TKomitentiForma::syncGridToTable);
    connect(m_table, &data::TableObject::dataChanged, this, &TKomitentiForma::syncGridToTable);

    for (QWidget* w : {static_cast<QWidget*>(m_grid), m_grid->viewport(), static_cast<QWidget*>(m_nazivu),
                       static_cast<QWidget*>(m_oibu)})
        w->installEventFilter(this);
    m_grid->setFocus();
    syncGridToTable();

    app::WindowPlacement::restore(this);
}

TKomitentiForma::~TKomitentiForma()
{
    if (!m_closed)
        done(QDialog::Rejected);
}

void TKomitentiForma::positionAt(const QString& oib)
{
    if (!oib.isEmpty())
        m_table->locate(QStringLiteral("POR_BROJ"), oib);
}

void TKomitentiForma::setNewEnabled(bool enabled)
{
    m_novi->setEnabled(enabled);
}

void TKomitentiForma::setCardOpener(CardOpener opener)
{
    m_cardOpener = std::move(opener);
    m_kartica->setEnabled(m_cardOpener && m_mode == Mode::Maintenance);
}

PartyChoice TKomitentiForma::izaberi(QWidget* owner, const QString& positionOib, bool newEnabled)
{
    TKomitentiForma register_(Mode::Selection, owner);
    register_.positionAt(positionOib);
    register_.setNewEnabled(newEnabled);
    register_.exec();
    return register_.selection();
}

void TKomitentiForma::showEvent(QShowEvent* event)
{
    // Customers are "Kupci" whatever title the caller gave the screen.
    if (m_kind == PartyKind::Customers)
        setWindowTitle(partyTexts(m_kind).title);
    QDialog::showEvent(event);
}

void TKomitentiForma::done(int result)
{
    if (!m_closed) {
        m_closed = true;
        app::WindowPlacement::save(this);
        auto* tdm = data::TDM::instance();
        disconnect(m_table, nullptr, this, nullptr);
        try {
            m_table->cancel();
            m_table->setFilter({});
            m_table->close();
            tdm->PostaTable->close();
        } catch (const TarvelError& e) {
            prikaziGresku(this, e);
        }
    }
    QDialog::done(result);
}

void TKomitentiForma::runGuarded(const std::function<void()>& action)
{
    try {
        action();
    } catch (const TarvelError& e) {
        prikaziGresku(this, e);
    }
}

bool TKomitentiForma::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        bool handled = false;
        runGuarded([&] { handled = handleKey(static_cast<QKeyEvent*>(event), watched); });
        if (handled)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TKomitentiForma::keyPressEvent(QKeyEvent* event)
{
    bool handled = false;
    runGuarded([&] { handled = handleKey(event, this); });
    if (!handled)
        QDialog::keyPressEvent(event);
}

bool TKomitentiForma::handleKey(QKeyEvent* event, QObject* target)
{
    if (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))
        return false;
    auto press = [](QPushButton* b) {
        if (b->isEnabled())
            b->click();
        return true;
    };
    switch (event->key()) {
    case Qt::Key_F3:
        return press(m_novi);
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return press(m_izmjena);
    case Qt::Key_Delete:
        return press(m_brisanje);
    case Qt::Key_F5:
        return press(m_tiskanje);
    case Qt::Key_F7:
        return press(m_kartica);
    case Qt::Key_Escape:
        return press(m_zatvori);
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (target == m_nazivu || target == m_oibu) {
            if (m_table->active() && !m_table->isEmpty()) {
                if (event->key() == Qt::Key_Up)
                    m_table->prior();
                else
                    m_table->next();
            }
            return true;
        }
        return false;
    default:
        return false;
    }
}

void TKomitentiForma::novi()
{
    TKomitentiEditForma edit(TKomitentiEditForma::State::New, this);
    if (edit.exec() == QDialog::Accepted)
        m_table->refresh();
    m_grid->setFocus();
}

void TKomitentiForma::izmjenaIliIzbor()
{
    if (m_table->isEmpty())
        return;
    if (m_mode == Mode::Selection) {
        m_choice = {m_table->asString(QStringLiteral("POR_BROJ")),
                    m_table->asString(QStringLiteral("NAZIV_KOM"))};
        accept();
        return;
    }
    TKomitentiEditForma edit(TKomitentiEditForma::State::Change, this);
    if (edit.exec() == QDialog::Accepted)
        m_table->refresh();
    m_grid->setFocus();
}

void TKomitentiForma::brisanje()
{
    if (m_mode == Mode::Selection || m_table->isEmpty())
        return;
    const PartyTexts& t = partyTexts(m_kind);
    const QString oib = m_table->asString(QStringLiteral("POR_BROJ"));
    const QString naziv = m_table->asString(QStringLiteral("NAZIV_KOM"));
    if (hasInvoices(m_table->database(), m_kind, oib))
        obavijest(this, t.deleteRefused(naziv));
    else if (pitanje(this, t.deleteQuestion(naziv)))
        m_table->remove();
    m_grid->setFocus();
}

void TKomitentiForma::tiskanje()
{
    if (m_mode == Mode::Selection || m_table->isEmpty())
        return;
    data::TableObject* opci = data::TDM::instance()->OpcaTable;
    const bool wasOpen = opci->active();
    opci->open();
    opci->first();
    const CompanyHeader company{
        opci->asString(QStringLiteral("NAZIV")), opci->asString(QStringLiteral("ULICA")),
        opci->asString(QStringLiteral("MJESTO")), opci->asString(QStringLiteral("OIB"))};
    if (!wasOpen)
        opci->close();

    // The report walks the table object; the grid must not follow it row by row.
    m_syncing = true;
    m_grid->setUpdatesEnabled(false);
    struct Resume
    {
        TKomitentiForma* f;
        ~Resume()
        {
            f->m_grid->setUpdatesEnabled(true);
            f->m_syncing = false;
            f->syncGridToTable();
        }
    } resume{this};
    TKomitentiUnosReport report(m_table, m_kind, company);
    reports::showPreview(report, this);
}

void TKomitentiForma::kartica()
{
    if (m_cardOpener && m_mode == Mode::Maintenance && !m_table->isEmpty())
        m_cardOpener(this, m_table->asString(QStringLiteral("POR_BROJ")));
}

void TKomitentiForma::search(QLineEdit* box)
{
    m_table->setFilter(box == m_nazivu ? nameSearch(box->text()) : oibSearch(box->text()));
    m_table->first();
}

void TKomitentiForma::sortBy(int section)
{
    const QStringList columns = m_model->shownColumns();
    if (section < 0 || section >= columns.size())
        return;
    m_table->setSort(nextSort(m_table->sort(), columns[section]));
    m_model->setBoldSection(section);
    m_table->first();
}

void TKomitentiForma::syncGridToTable()
{
    if (m_syncing || !m_table->active())
        return;
    m_syncing = true;
    const int row = m_table->recNo();
    if (row >= 0) {
        const QModelIndex index = m_model->index(row, std::max(0, m_grid->currentIndex().column()));
        m_grid->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                             QItemSelectionModel::Rows);
        m_grid->scrollTo(index);
    } else {
        m_grid->selectionModel()->clear();
    }
    m_syncing = false;
}

void TKomitentiForma::syncTableToGrid()
{
    if (m_syncing || !m_table->active())
        return;
    const int row = m_grid->currentIndex().row();
    if (row < 0 || row == m_table->recNo())
        return;
    m_syncing = true;
    runGuarded([&] { m_table->moveTo(row); });
    m_syncing = false;
}

} // namespace tarvel::receivables
