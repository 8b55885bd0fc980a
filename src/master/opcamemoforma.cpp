#include "master/opcamemoforma.h"

#include "data/tdm.h"
#include "master/opci.h"
#include "master/ui.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvel::master {

TOpcaMemoForma::TOpcaMemoForma(QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Upis podnožja računa"));
    setMinimumSize(851, 292);
    auto* v = new QVBoxLayout(this);
    v->addWidget(new QLabel(QStringLiteral("Upišite željeni sadržaj podnožja računa"), this));
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("FOOTER"));
    v->addWidget(m_text);
    m_zapamti = new QPushButton(QStringLiteral("Zapamti - F9"), this);
    m_izlaz = new QPushButton(QStringLiteral("Izlaz - Esc"), this);
    auto* h = new QHBoxLayout;
    h->addWidget(m_zapamti);
    h->addStretch();
    h->addWidget(m_izlaz);
    v->addLayout(h);
    for (QPushButton* b : {m_zapamti, m_izlaz}) {
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::TabFocus);
    }
    connect(m_zapamti, &QPushButton::clicked, this, &TOpcaMemoForma::zapamti);
    connect(m_izlaz, &QPushButton::clicked, this, &TOpcaMemoForma::izlaz);
    new KeyRouter(this, [this](QObject*, QKeyEvent* e) {
        if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            return false;
        if (e->key() == Qt::Key_F9)
            zapamti();
        else if (e->key() == Qt::Key_Escape)
            izlaz();
        else
            return false;
        return true;
    });

    data::TableObject* opci = data::TDM::instance()->OpcaTable;
    guarded(this, [&] {
        osigurajOpciRed(*data::TDM::instance());
        opci->first();
        opci->edit();
        m_text->setPlainText(opci->asString(QStringLiteral("FOOTER")));
    });
    m_text->setFocus();
}

void TOpcaMemoForma::zapamti()
{
    guarded(this, [this] {
        data::TableObject* opci = data::TDM::instance()->OpcaTable;
        opci->edit();
        opci->setValue(QStringLiteral("FOOTER"), podnozjeZaSpremanje(m_text->toPlainText()));
        opci->post();
        accept();
    });
}

void TOpcaMemoForma::izlaz()
{
    reject();
}

void TOpcaMemoForma::done(int r)
{
    data::TableObject* opci = data::TDM::instance()->OpcaTable;
    if (opci->active())
        opci->cancel();
    QDialog::done(r);
}

} // namespace tarvel::master
