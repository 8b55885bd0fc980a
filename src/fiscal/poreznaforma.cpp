#include "fiscal/poreznaforma.h"

#include "data/tableobject.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvel::fiscal {

QString tekstPotvrde(const QString& brRac, const QString& datVr, const QString& oibOper, const QString& jir,
                     const QString& zki)
{
    QString dt = datVr;
    const qsizetype t = dt.indexOf(QLatin1Char('T'));
    if (t >= 0)
        dt[t] = QLatin1Char(' ');
    const std::pair<QString, QString> lines[] = {
        {QStringLiteral("Fiskalni broj računa: "), brRac},
        {QStringLiteral("Datum i vrijeme izdavanja: "), dt},
        {QStringLiteral("OIB operatera: "), oibOper},
        {QStringLiteral("JIR: "), jir},
        {QStringLiteral("ZKI: "), zki},
    };
    QStringList out;
    for (const auto& [caption, value] : lines)
        out << caption.rightJustified(28) + value;
    return QStringLiteral("\r\n") + out.join(QStringLiteral("\r\n"));
}

TPoreznaForma::TPoreznaForma(const QString& jir, const QString& zki, const QString& trajanje,
                             const QString& brRac, const QString& datVr, const QString& oibOper,
                             QWidget* parent)
    : QDialog(parent), m_tekst(tekstPotvrde(brRac, datVr, oibOper, jir, zki))
{
    setWindowTitle(QStringLiteral("Potvrda"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* naslov = new QLabel(QStringLiteral("Račun uspješno fiskaliziran !"), this);
    QFont big = naslov->font();
    big.setBold(true);
    big.setPointSize(big.pointSize() + 3);
    naslov->setFont(big);
    layout->addWidget(naslov, 0, Qt::AlignHCenter);
    auto polje = [&](const QString& caption, const QString& value, const char* name) {
        layout->addWidget(new QLabel(caption, this));
        auto* v = new QLabel(value, this);
        v->setObjectName(QLatin1String(name));
        v->setTextInteractionFlags(Qt::TextSelectableByMouse);
        QFont f = v->font();
        f.setBold(true);
        v->setFont(f);
        layout->addWidget(v);
    };
    polje(QStringLiteral("JIR"), jir, "JIRLabel");
    polje(QStringLiteral("ZKI"), zki, "ZKILabel");
    auto* t = new QLabel(trajanje, this);
    t->setObjectName(QStringLiteral("TrajanjeLabel"));
    layout->addWidget(t);

    auto* gumbi = new QHBoxLayout;
    m_uRedu = new QPushButton(QStringLiteral("U redu - F9"), this);
    m_kopiraj = new QPushButton(QStringLiteral("Kopiraj JIR i ZKI"), this);
    m_kopiraj->setToolTip(QStringLiteral(
        "Kopirajte JIR i prenesite ga s CTRL+V u bilp koji drugi program ( Word, Office i sl. )"));
    // Enter and F9 close without copying, so neither button may take Enter.
    for (QPushButton* b : {m_uRedu, m_kopiraj}) {
        b->setAutoDefault(false);
        b->setDefault(false);
        connect(b, &QPushButton::clicked, this, &TPoreznaForma::kopirajIZatvori);
        gumbi->addWidget(b);
    }
    layout->addLayout(gumbi);
}

TPoreznaForma* TPoreznaForma::zaRacun(const data::TableObject& fiskal, const QString& jir, const QString& zki,
                                      const QString& trajanje, QWidget* parent)
{
    return new TPoreznaForma(jir, zki, trajanje, fiskal.asString(QStringLiteral("BR_RAC")),
                             fiskal.asString(QStringLiteral("DAT_VR")),
                             fiskal.asString(QStringLiteral("OIB_OPER")), parent);
}

void TPoreznaForma::kopirajIZatvori()
{
    QClipboard* c = QGuiApplication::clipboard();
    c->clear();
    c->setText(m_tekst);
    accept();
}

void TPoreznaForma::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F9:
        accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void TPoreznaForma::showEvent(QShowEvent* event)
{
    if (QWidget* p = parentWidget())
        move(p->window()->frameGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

} // namespace tarvel::fiscal
