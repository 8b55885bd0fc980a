#include "master/cjenikforma.h"

#include "data/tdm.h"
#include "master/cjenikeditforma.h"
#include "master/ispiscjenika.h"
#include "master/poruke.h"
#include "master/ui.h"
#include "reports/preview.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace tarvel::master {

using data::TDM;

TCjenikForma::TCjenikForma(QWidget* owner, Nacin nacin) : QDialog(owner), m_nacin(nacin)
{
    setWindowTitle(QStringLiteral("Cijenik"));
    resize(760, 480);
    data::TableObject* t = TDM::instance()->CjenikTable;

    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("grid"));
    m_model = new GridModel(t, this);
    m_model->setColumns({QStringLiteral("ID"), QStringLiteral("NAZIV"), QStringLiteral("JMJ"),
                         QStringLiteral("CIJENA"), QStringLiteral("STOPA"), QStringLiteral("CIJENA_SA")},
                        {QStringLiteral("ID"), QStringLiteral("Opis"), QStringLiteral("JMJ"),
                         QStringLiteral("Cijena bez PDVa"), QStringLiteral("Stopa PDV-a"),
                         QStringLiteral("Cijena sa PDV-om")});
    povezi(m_grid, m_model);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_grid->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);

    m_novi = new QPushButton(QStringLiteral("Novi - F3"), this);
    m_izmjena = new QPushButton(
        nacin == Nacin::Izbor ? QStringLiteral("Izbor - Ent") : QStringLiteral("Izmjena - Ent"), this);
    m_brisanje = new QPushButton(QStringLiteral("Brisanje - Del"), this);
    m_tiskanje = new QPushButton(QStringLiteral("Tiskanje-F5"), this);
    m_zatvori = new QPushButton(QStringLiteral("Zatvori-Esc"), this);
    m_trazi = new QLineEdit(this);
    m_trazi->setObjectName(QStringLiteral("trazi"));
    m_trazi->setMaxLength(50);
    for (QPushButton* b : {m_novi, m_izmjena, m_brisanje, m_tiskanje, m_zatvori}) {
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::TabFocus);
    }
    if (nacin == Nacin::Izbor) {
        m_brisanje->setEnabled(false);
        m_tiskanje->setEnabled(false);
    }
    auto* bar = new QHBoxLayout;
    bar->addWidget(m_novi);
    bar->addWidget(m_izmjena);
    bar->addWidget(m_brisanje);
    bar->addWidget(m_tiskanje);
    bar->addSpacing(12);
    bar->addWidget(new QLabel(QStringLiteral("Traži po opisu"), this));
    bar->addWidget(m_trazi, 1);
    bar->addWidget(m_zatvori);
    auto* v = new QVBoxLayout(this);
    v->addWidget(m_grid);
    v->addLayout(bar);
    setTabOrder(m_trazi, m_grid);

    m_menu = new QMenu(this);
    m_menu->addAction(QStringLiteral("&Novi"), this, &TCjenikForma::novi);
    m_menu->addAction(QStringLiteral("&Izmjena"), this, &TCjenikForma::izmjena);
    m_menu->addAction(QStringLiteral("&Brisanje"), this, &TCjenikForma::brisanje);
    m_menu->addAction(QStringLiteral("&Zatvori"), this, &TCjenikForma::zatvori);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { m_menu->popup(m_grid->viewport()->mapToGlobal(p)); });

    connect(m_novi, &QPushButton::clicked, this, &TCjenikForma::novi);
    connect(m_izmjena, &QPushButton::clicked, this, &TCjenikForma::izmjena);
    connect(m_brisanje, &QPushButton::clicked, this, &TCjenikForma::brisanje);
    connect(m_tiskanje, &QPushButton::clicked, this, &TCjenikForma::tiskanje);
    connect(m_zatvori, &QPushButton::clicked, this, &TCjenikForma::zatvori);
    connect(m_grid, &QAbstractItemView::doubleClicked, this, &TCjenikForma::izmjena);
    connect(m_trazi, &QLineEdit::textChanged, this, &TCjenikForma::traziPromijenjen);
    new KeyRouter(this, [this](QObject* target, QKeyEvent* e) { return onKey(target, e); });

    m_odabrani.reset();
    guarded(this, [t] {
        t->setFilter({});
        t->open();
        t->first();
    });
    m_trazi->setFocus();
}

TCjenikForma::~TCjenikForma()
{
    zatvoriTablicu();
}

void TCjenikForma::traziPromijenjen(const QString& text)
{
    guarded(this, [&] { TDM::instance()->CjenikTable->setFilter(filterCjenika(text)); });
}

void TCjenikForma::novi()
{
    guarded(this, [this] {
        TCjenikEditForma f(this, *TDM::instance()->CjenikTable, true);
        f.exec();
    });
    m_grid->setFocus();
}

void TCjenikForma::izmjena()
{
    data::TableObject* t = TDM::instance()->CjenikTable;
    if (m_nacin == Nacin::Izbor) {
        if (t->active() && !t->isEmpty()) {
            m_odabrani = OdabraniArtikl::izReda(*t);
            accept();
        }
        return;
    }
    if (!t->active() || t->isEmpty() || t->recNo() < 0)
        return;
    guarded(this, [this, t] {
        TCjenikEditForma f(this, *t, false);
        f.exec();
    });
    m_grid->setFocus();
}

void TCjenikForma::brisanje()
{
    data::TableObject* t = TDM::instance()->CjenikTable;
    if (!t->active() || t->isEmpty() || t->recNo() < 0)
        return;
    if (pitanje(this, pitanjeBrisanjaCijene(t->asString(QStringLiteral("NAZIV")))))
        guarded(this, [t] { t->remove(); });
    m_grid->setFocus();
}

void TCjenikForma::tiskanje()
{
    TDM& dm = *TDM::instance();
    if (!dm.CjenikTable->active() || dm.CjenikTable->isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    guarded(this, [&] {
        const bool opciOpen = dm.OpcaTable->active();
        dm.OpcaTable->open();
        TIspisCjenikaReport layout(*dm.CjenikTable, *dm.OpcaTable);
        reports::PreparedReport pages = layout.prepare();
        if (!opciOpen)
            dm.OpcaTable->close();
        QApplication::restoreOverrideCursor();
        reports::showPreview(pages, this);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    });
    QApplication::restoreOverrideCursor();
}

void TCjenikForma::zatvori()
{
    if (m_nacin == Nacin::Izbor)
        m_odabrani.odustani();
    reject();
}

void TCjenikForma::zatvoriTablicu()
{
    if (m_closed)
        return;
    m_closed = true;
    if (TDM* dm = TDM::instance()) {
        dm->CjenikTable->cancel();
        dm->CjenikTable->setFilter({});
        dm->CjenikTable->close();
    }
}

void TCjenikForma::done(int r)
{
    zatvoriTablicu();
    QDialog::done(r);
}

bool TCjenikForma::onKey(QObject* target, QKeyEvent* e)
{
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    const bool inGrid = target == m_grid || target == m_grid->viewport();
    switch (e->key()) {
    case Qt::Key_F3:
        novi();
        return true;
    case Qt::Key_F5:
        tiskanje();
        return true;
    case Qt::Key_Escape:
        zatvori();
        return true;
    case Qt::Key_Delete:
        if (!inGrid)
            return false;
        brisanje();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (inGrid)
            izmjena();
        else if (auto* b = qobject_cast<QPushButton*>(target))
            b->click();
        else
            focusNextChild();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (target != m_trazi)
            return false;
        guarded(this, [e] {
            data::TableObject* t = TDM::instance()->CjenikTable;
            if (e->key() == Qt::Key_Up)
                t->prior();
            else
                t->next();
        });
        return true;
    default:
        return false;
    }
}

} // namespace tarvel::master
