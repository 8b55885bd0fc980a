#include "master/cjenikeditforma.h"

#include "core/errors.h"
#include "core/format.h"
#include "data/tableobject.h"
#include "master/cjenik.h"
#include "master/ui.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvel::master {

namespace {

const QString amountMask = QStringLiteral("###,###,##0.00");

bool isNumberField(const QString& column)
{
    return column == QLatin1String("CIJENA") || column == QLatin1String("STOPA") ||
           column == QLatin1String("CIJENA_SA");
}

} // namespace

TCjenikEditForma::TCjenikEditForma(QWidget* owner, data::TableObject& cjenik, bool novi)
    : QDialog(owner), m_table(cjenik), m_novi(novi)
{
    setWindowTitle(novi ? QStringLiteral("Unos novog podatka") : QStringLiteral("Izmjena podataka"));
    auto* grid = new QGridLayout;
    int row = 0;
    auto field = [&](const QString& label, const QString& column, int maxLength, const QString& unit = {}) {
        auto* e = new QLineEdit(this);
        e->setObjectName(column);
        if (maxLength > 0)
            e->setMaxLength(maxLength);
        grid->addWidget(new QLabel(label, this), row, 0);
        grid->addWidget(e, row, 1);
        if (!unit.isEmpty())
            grid->addWidget(new QLabel(unit, this), row, 2);
        ++row;
        return e;
    };
    m_id = field(QStringLiteral("ID:"), QStringLiteral("ID"), 0);
    m_id->setReadOnly(true);
    m_id->setFocusPolicy(Qt::NoFocus);
    m_naziv = field(QStringLiteral("Opis"), QStringLiteral("NAZIV"), 100);
    m_jmj = field(QStringLiteral("JMJ"), QStringLiteral("JMJ"), 4);
    m_cijena = field(QStringLiteral("Cijena bez PDV-a"), QStringLiteral("CIJENA"), 20, QStringLiteral("Kn"));
    m_stopa = field(QStringLiteral("Stopa PDV-a %"), QStringLiteral("STOPA"), 10);
    m_cijenaSa =
        field(QStringLiteral("Cijena sa PDV-om"), QStringLiteral("CIJENA_SA"), 20, QStringLiteral("Kn"));
    for (QLineEdit* e : {m_cijena, m_stopa, m_cijenaSa})
        e->setAlignment(Qt::AlignRight);

    m_zapamti = new QPushButton(QStringLiteral("Zapamti - F9"), this);
    m_izlaz = new QPushButton(QStringLiteral("Izlaz - Esc"), this);
    for (QPushButton* b : {m_zapamti, m_izlaz}) {
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::TabFocus);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_zapamti);
    buttons->addStretch();
    buttons->addWidget(m_izlaz);
    auto* v = new QVBoxLayout(this);
    v->addLayout(grid);
    v->addLayout(buttons);
    connect(m_zapamti, &QPushButton::clicked, this, &TCjenikEditForma::zapamti);
    connect(m_izlaz, &QPushButton::clicked, this, &TCjenikEditForma::izlaz);

    if (novi) {
        m_table.last();
        m_table.append();
    } else {
        m_table.edit();
    }
    auto show = [this](QLineEdit* e, const QString& mask = {}) {
        const QVariant v = m_table.value(e->objectName());
        e->setText(mask.isEmpty() || v.isNull() ? m_table.asString(e->objectName())
                                                : fmt::number(v.toDouble(), mask));
    };
    show(m_id);
    show(m_naziv);
    show(m_jmj);
    show(m_cijena, amountMask);
    show(m_stopa);
    show(m_cijenaSa, amountMask);

    for (QLineEdit* e : {m_naziv, m_jmj, m_cijena, m_stopa, m_cijenaSa})
        e->installEventFilter(this);
    new KeyRouter(this, [this](QObject* t, QKeyEvent* e) { return onKey(t, e); });
    m_naziv->setFocus();
}

QLineEdit* TCjenikEditForma::polje(const QString& column) const
{
    return findChild<QLineEdit*>(column);
}

void TCjenikEditForma::upisi(QLineEdit* e)
{
    const QString column = e->objectName();
    if (e->isReadOnly() || !e->isModified())
        return;
    if (isNumberField(column)) {
        const QString t = e->text().trimmed();
        if (t.isEmpty()) {
            m_table.setValue(column, QVariant());
        } else {
            const auto n = fmt::parseNumber(t);
            if (!n)
                throw TarvelError(ErrorKind::InvalidNumber,
                                  QStringLiteral("'%1' is not a valid floating point value").arg(t));
            m_table.setValue(column, *n);
        }
    } else {
        m_table.setValue(column, e->text());
    }
    e->setModified(false);
}

void TCjenikEditForma::izracunajCijenuSa()
{
    upisi(m_cijena);
    upisi(m_stopa);
    const double v =
        cijenaSaPdv(m_table.asDouble(QStringLiteral("CIJENA")), m_table.asDouble(QStringLiteral("STOPA")));
    m_table.setValue(QStringLiteral("CIJENA_SA"), v);
    m_cijenaSa->setText(fmt::number(v, amountMask));
    m_cijenaSa->setModified(false);
}

bool TCjenikEditForma::eventFilter(QObject* watched, QEvent* event)
{
    auto* e = qobject_cast<QLineEdit*>(watched);
    if (e && event->type() == QEvent::FocusOut && isVisible())
        guarded(this, [&] { upisi(e); });
    else if (e == m_cijenaSa && event->type() == QEvent::FocusIn &&
             static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason)
        guarded(this, [this] { izracunajCijenuSa(); });
    return QDialog::eventFilter(watched, event);
}

void TCjenikEditForma::zapamti()
{
    guarded(this, [this] {
        for (QLineEdit* e : {m_naziv, m_jmj, m_cijena, m_stopa, m_cijenaSa})
            upisi(e);
        m_table.post();
        accept();
    });
}

void TCjenikEditForma::izlaz()
{
    m_table.cancel();
    if (m_novi)
        m_table.last();
    reject();
}

void TCjenikEditForma::done(int r)
{
    m_table.cancel();
    QDialog::done(r);
}

bool TCjenikEditForma::onKey(QObject* target, QKeyEvent* e)
{
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    switch (e->key()) {
    case Qt::Key_F9:
        zapamti();
        return true;
    case Qt::Key_Escape:
        izlaz();
        return true;
    case Qt::Key_Up:
        focusPreviousChild();
        return true;
    case Qt::Key_Down:
        focusNextChild();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (target == m_cijenaSa) {
            zapamti();
        } else if (auto* b = qobject_cast<QPushButton*>(target)) {
            b->click();
        } else {
            focusNextChild();
        }
        return true;
    default:
        return false;
    }
}

} // namespace tarvel::master
