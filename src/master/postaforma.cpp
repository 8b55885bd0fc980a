#include "master/postaforma.h"

#include "data/tdm.h"
#include "master/poruke.h"
#include "master/ui.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTableView>
#include <QVBoxLayout>

namespace tarvel::master {

using data::TDM;

TPostaForma::TPostaForma(QWidget* owner, Nacin nacin) : QDialog(owner), m_nacin(nacin)
{
    setWindowTitle(QStringLiteral("Pregled poštanskih brojeva"));
    setGeometry(100, 30, 418, 400);
    data::TableObject* t = TDM::instance()->PostaTable;

    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("grid"));
    m_model = new GridModel(t, this);
    m_model->setColumns({QStringLiteral("BNAZ"), QStringLiteral("NOVIBR")},
                        {QStringLiteral("Mjesto"), QStringLiteral("Broj")});
    m_model->setAlignment(QStringLiteral("NOVIBR"), Qt::AlignHCenter);
    povezi(m_grid, m_model);
    m_grid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);

    m_trazi = new QLineEdit(this);
    m_trazi->setObjectName(QStringLiteral("trazi"));
    m_redoslijed = new QComboBox(this);
    m_redoslijed->setObjectName(QStringLiteral("redoslijed"));
    m_redoslijed->addItems({QStringLiteral("Mjestu"), QStringLiteral("Poštanskom broju")});
    m_novi = new QPushButton(QStringLiteral("&Novi-F3"), this);
    m_izmjena = new QPushButton(
        nacin == Nacin::Izbor ? QStringLiteral("Izbor-Enter") : QStringLiteral("&Izmjena-Ent"), this);
    m_brisanje = new QPushButton(QStringLiteral("&Brisanje-Del"), this);
    m_zatvori = new QPushButton(QStringLiteral("Zatvori"), this);
    for (QPushButton* b : {m_novi, m_izmjena, m_brisanje, m_zatvori}) {
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::TabFocus);
    }
    if (nacin == Nacin::Izbor) {
        m_novi->hide();
        m_brisanje->hide();
    }

    auto* search = new QGridLayout;
    search->addWidget(new QLabel(QStringLiteral("Traži:"), this), 0, 0);
    search->addWidget(m_trazi, 0, 1);
    search->addWidget(new QLabel(QStringLiteral("Redoslijed po:"), this), 1, 0);
    search->addWidget(m_redoslijed, 1, 1);
    auto* bar = new QHBoxLayout;
    for (QPushButton* b : {m_novi, m_izmjena, m_brisanje, m_zatvori})
        bar->addWidget(b);
    auto* v = new QVBoxLayout(this);
    v->addWidget(m_grid);
    v->addLayout(search);
    v->addLayout(bar);

    connect(m_novi, &QPushButton::clicked, this, &TPostaForma::novi);
    connect(m_izmjena, &QPushButton::clicked, this, &TPostaForma::izmjena);
    connect(m_brisanje, &QPushButton::clicked, this, &TPostaForma::brisanje);
    connect(m_zatvori, &QPushButton::clicked, this, &TPostaForma::zatvori);
    connect(m_grid, &QAbstractItemView::doubleClicked, this, &TPostaForma::izmjena);
    connect(m_redoslijed, &QComboBox::currentIndexChanged, this, [this](int i) {
        postaviRedoslijed(i == 1 ? PostaRedoslijed::PostanskiBroj : PostaRedoslijed::Mjesto);
    });
    connect(m_trazi, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QString upper = text.toUpper();
        if (upper != text) {
            const int pos = m_trazi->cursorPosition();
            m_trazi->setText(upper);
            m_trazi->setCursorPosition(pos);
        }
    });
    connect(m_trazi, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!text.isEmpty())
            guarded(this, [&] { traziPostu(*TDM::instance()->PostaTable, redoslijed(), text); });
    });
    m_trazi->installEventFilter(this);
    new KeyRouter(this, [this](QObject* target, QKeyEvent* e) { return onKey(target, e); });

    guarded(this, [t] {
        t->setSort(QStringLiteral("BNAZ"));
        t->open();
        t->first();
    });
    postaviRedoslijed(PostaRedoslijed::Mjesto);
    m_trazi->setFocus();
}

TPostaForma::~TPostaForma()
{
    zatvoriTablicu();
}

PostaRedoslijed TPostaForma::redoslijed() const
{
    return m_redoslijed->currentIndex() == 1 ? PostaRedoslijed::PostanskiBroj : PostaRedoslijed::Mjesto;
}

void TPostaForma::postaviRedoslijed(PostaRedoslijed r)
{
    const int index = r == PostaRedoslijed::PostanskiBroj ? 1 : 0;
    if (m_redoslijed->currentIndex() != index)
        m_redoslijed->setCurrentIndex(index); // comes back here through the signal
    m_trazi->clear();
    m_trazi->setMaxLength(duljinaTrazenjaPoste(r));
    if (r == PostaRedoslijed::PostanskiBroj)
        m_trazi->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_trazi));
    else
        m_trazi->setValidator(nullptr);
    guarded(this, [r] { TDM::instance()->PostaTable->setSort(sortPoste(r)); });
}

void TPostaForma::novi()
{
    guarded(this, [this] {
        TUpisEditPostaForma f(this, *TDM::instance()->PostaTable, true);
        f.exec();
    });
}

void TPostaForma::izmjena()
{
    data::TableObject* t = TDM::instance()->PostaTable;
    if (!t->active() || t->isEmpty() || t->recNo() < 0)
        return;
    if (m_nacin == Nacin::Izbor) {
        m_odabrano = pttKomitenta(*t);
        accept();
        return;
    }
    guarded(this, [this, t] {
        TUpisEditPostaForma f(this, *t, false);
        f.exec();
    });
}

void TPostaForma::brisanje()
{
    data::TableObject* t = TDM::instance()->PostaTable;
    if (!t->active() || t->isEmpty() || t->recNo() < 0)
        return;
    if (pitanje(this, pitanjeBrisanjaPoste(t->asString(QStringLiteral("BNAZ")),
                                           t->asString(QStringLiteral("NOVIBR")))))
        guarded(this, [t] { t->remove(); });
}

void TPostaForma::zatvori()
{
    reject();
}

void TPostaForma::zatvoriTablicu()
{
    if (m_closed)
        return;
    m_closed = true;
    if (TDM* dm = TDM::instance())
        dm->PostaTable->close();
}

void TPostaForma::done(int r)
{
    zatvoriTablicu();
    QDialog::done(r);
}

bool TPostaForma::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        m_trazi->setFocus();
    return QDialog::event(e);
}

bool TPostaForma::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_trazi && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            m_trazi->clear();
    }
    return QDialog::eventFilter(watched, event);
}

bool TPostaForma::onKey(QObject* target, QKeyEvent* e)
{
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    const bool inGrid = target == m_grid || target == m_grid->viewport();
    switch (e->key()) {
    case Qt::Key_F3:
        novi();
        return true;
    case Qt::Key_Escape:
        zatvori();
        return true;
    case Qt::Key_Delete:
        if (!inGrid || m_nacin == Nacin::Izbor)
            return false;
        brisanje();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* b = qobject_cast<QPushButton*>(target))
            b->click();
        else
            izmjena();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (target != m_trazi)
            return false;
        guarded(this, [e] {
            data::TableObject* t = TDM::instance()->PostaTable;
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

TUpisEditPostaForma::TUpisEditPostaForma(QWidget* owner, data::TableObject& posta, bool novi)
    : QDialog(owner), m_table(posta), m_novi(novi)
{
    setWindowTitle(novi ? QStringLiteral("Upis novog PTT broja") : QStringLiteral("Ažuriranje PTT broja"));
    m_mjesto = new QLineEdit(this);
    m_mjesto->setObjectName(QStringLiteral("BNAZ"));
    // The column holds 25 characters; a longer place is refused as it is typed, never cut on save.
    m_mjesto->setMaxLength(25);
    m_broj = new QLineEdit(this);
    m_broj->setObjectName(QStringLiteral("NOVIBR"));
    m_broj->setMaxLength(5);
    m_broj->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_broj));
    m_kreni = new QPushButton(QStringLiteral("Kreni"), this);
    m_zatvori = new QPushButton(QStringLiteral("Zatvori"), this);
    for (QPushButton* b : {m_kreni, m_zatvori})
        b->setAutoDefault(false);
    auto* g = new QGridLayout;
    g->addWidget(new QLabel(QStringLiteral("Mjesto:"), this), 0, 0);
    g->addWidget(m_mjesto, 0, 1);
    g->addWidget(new QLabel(QStringLiteral("Broj:"), this), 1, 0);
    g->addWidget(m_broj, 1, 1);
    auto* h = new QHBoxLayout;
    h->addWidget(m_kreni);
    h->addWidget(m_zatvori);
    auto* v = new QVBoxLayout(this);
    v->addLayout(g);
    v->addLayout(h);
    connect(m_kreni, &QPushButton::clicked, this, &TUpisEditPostaForma::kreni);
    connect(m_zatvori, &QPushButton::clicked, this, &QDialog::reject);
    new KeyRouter(this, [this](QObject* target, QKeyEvent* e) {
        if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            return false;
        if (e->key() == Qt::Key_Escape) {
            reject();
            return true;
        }
        if (!isEnter(e))
            return false;
        if (target == m_broj)
            kreni();
        else if (auto* b = qobject_cast<QPushButton*>(target))
            b->click();
        else
            focusNextChild();
        return true;
    });
    if (!novi) {
        m_mjesto->setText(m_table.asString(QStringLiteral("BNAZ")));
        m_broj->setText(m_table.asString(QStringLiteral("NOVIBR")));
    }
    m_mjesto->setFocus();
}

void TUpisEditPostaForma::kreni()
{
    guarded(this, [this] {
        zapisiPostu(m_table, m_novi, m_mjesto->text(), m_broj->text());
        accept();
    });
}

} // namespace tarvel::master
