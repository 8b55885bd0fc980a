#include "invoicing/formaracunaunos.h"

#include "app/placement.h"
#include "core/clock.h"
#include "core/format.h"
#include "data/tdm.h"
#include "invoicing/entryservices.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>

namespace tarvel::invoicing {

using data::TableObject;

namespace {

const QString FieldMask = QStringLiteral("0.00");
const QString TotalMask = QStringLiteral("###,###,###,##0.00");
const QString OibMissing = QStringLiteral("Upisali ste OIB koji ne postoji");
const QString LateInvalid = QStringLiteral("Neispravan unos. Izaberite Da ili Ne.");

QRegularExpressionValidator* amountValidator(QObject* parent)
{
    return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?\\d{0,12}([,.]\\d{0,2})?")),
                                           parent);
}

QRegularExpressionValidator* rateValidator(QObject* parent)
{
    return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,2}([,.]\\d{0,2})?")),
                                           parent);
}

QLineEdit* amountField(QWidget* parent, const QString& name, QValidator* validator)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setAlignment(Qt::AlignRight);
    e->setValidator(validator);
    e->setMinimumWidth(80);
    return e;
}

// Leaving or entering a field: a focus move inside the window, not a dialog opening over it.
bool isFieldMove(const QFocusEvent* e)
{
    return e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason;
}

QToolButton* chooseButton(QWidget* parent, const QString& name, const QString& hint)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(QStringLiteral("?"));
    b->setToolTip(hint);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

} // namespace

// ---- construction -------------------------------------------------------------------------------

TFormaRacunaUnos::TFormaRacunaUnos(EntryMarks& marks, QWidget* parent)
    : TFormaRacunaUnos(marks, EntryVariant::Companion, parent)
{
    prepare();
}

TFormaRacunaUnos::TFormaRacunaUnos(EntryMarks& marks, EntryVariant variant, QWidget* parent)
    : QDialog(parent), m_marks(marks), m_variant(variant), m_dm(data::TDM::instance()),
      m_party(m_dm->KomitentiTable)
{
    const bool customer = variant == EntryVariant::Customer;
    setObjectName(customer ? QStringLiteral("FormaRacunaUnosKup") : QStringLiteral("FormaRacunaUnos"));
    setWindowTitle(QStringLiteral("Unos računa"));
    setModal(true);

    auto* outer = new QVBoxLayout(this);
    m_head = new QGridLayout;
    outer->addLayout(m_head);

    m_oib = new QLineEdit(this);
    m_oib->setObjectName(QStringLiteral("oib"));
    m_oib->setInputMask(customer ? QStringLiteral("0000000000000000; ") : QStringLiteral("00000000000; "));
    m_oibChoose = chooseButton(this, QStringLiteral("oibChoose"),
                               customer ? QStringLiteral("Otvori adresar kupaca") : QString());
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("naziv"));
    m_name->setReadOnly(true);
    m_name->setFocusPolicy(Qt::NoFocus);
    m_registerName = new QLabel(this);
    m_registerName->setObjectName(QStringLiteral("nazivKom"));
    m_date = new QDateEdit(this);
    m_date->setObjectName(QStringLiteral("datum"));
    m_date->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_date->setCalendarPopup(true);
    m_number = new QLineEdit(this);
    m_number->setObjectName(QStringLiteral("brRac"));
    if (customer) {
        m_number->setMaxLength(20); // BR_RAC holds 20 characters
    } else {
        m_number->setReadOnly(true);
        m_number->setFocusPolicy(Qt::NoFocus);
    }
    m_payment = new QComboBox(this);
    m_payment->setObjectName(QStringLiteral("nacPlac"));
    m_payment->setEditable(true);
    m_payment->setInsertPolicy(QComboBox::NoInsert);
    m_payment->addItems(paymentMethodTexts());
    m_payment->lineEdit()->setMaxLength(30);
    m_payment->setMinimumWidth(260);

    auto* oibRow = new QHBoxLayout;
    oibRow->addWidget(m_oib);
    oibRow->addWidget(m_oibChoose);
    m_head->addWidget(
        new QLabel(customer ? QStringLiteral("OIB kupca") : QStringLiteral("OIB operatera"), this), 0, 0);
    m_head->addLayout(oibRow, 0, 1);
    m_head->addWidget(new QLabel(QStringLiteral("Opis"), this), 0, 2);
    m_head->addWidget(m_name, 0, 3, 1, 3);
    m_head->addWidget(m_registerName, 1, 1, 1, 3);
    m_head->addWidget(new QLabel(QStringLiteral("Datum računa"), this), 2, 0);
    m_head->addWidget(m_date, 2, 1);
    m_head->addWidget(new QLabel(QStringLiteral("Broj računa"), this), 2, 2);
    m_head->addWidget(m_number, 2, 3);
    m_head->addWidget(new QLabel(QStringLiteral("Način plaćanja"), this), 3, 0);
    m_head->addWidget(m_payment, 3, 1);

    m_grid = new QGridLayout;
    outer->addLayout(m_grid);
    QStringList titles{QString(), QStringLiteral("Opis usluge / stavke računa")};
    if (customer)
        titles << QStringLiteral("JMJ") << QStringLiteral("Cijena") << QStringLiteral("Količina");
    titles << QStringLiteral("Osnovica")
           << (customer ? QStringLiteral("PDV %") : QStringLiteral("Stopa PDV-a")) << QStringLiteral("PDV")
           << QStringLiteral("Iznos ");
    for (int c = 0; c < titles.size(); ++c)
        m_grid->addWidget(new QLabel(titles[c], this), 0, c);
    for (int n = 1; n <= LineCount; ++n) {
        LineFields& l = m_lines[n - 1];
        const QString s = QString::number(n);
        int c = 0;
        m_grid->addWidget(new QLabel(s + QLatin1Char('.'), this), n, c++);
        l.description = new QLineEdit(this);
        l.description->setObjectName(QStringLiteral("opis") + s);
        l.description->setMaxLength(100);
        l.description->setMinimumWidth(260);
        m_grid->addWidget(l.description, n, c++);
        if (customer) {
            l.unit = new QLineEdit(this);
            l.unit->setObjectName(QStringLiteral("jmj") + s);
            l.unit->setValidator(
                new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[\\w]{0,4}")), l.unit));
            l.unit->setMaxLength(4);
            l.unit->setMinimumWidth(56);
            l.unit->setMaximumWidth(64);
            m_grid->addWidget(l.unit, n, c++);
            l.price = amountField(this, QStringLiteral("cijena") + s, amountValidator(this));
            m_grid->addWidget(l.price, n, c++);
            l.quantity = amountField(this, QStringLiteral("kolicina") + s, amountValidator(this));
            m_grid->addWidget(l.quantity, n, c++);
        }
        l.base = amountField(this, QStringLiteral("osnovica") + s, amountValidator(this));
        m_grid->addWidget(l.base, n, c++);
        l.rate = amountField(this, QStringLiteral("stopa") + s, rateValidator(this));
        l.rate->setMinimumWidth(50);
        m_grid->addWidget(l.rate, n, c++);
        l.vat = amountField(this, QStringLiteral("pdv") + s, amountValidator(this));
        m_grid->addWidget(l.vat, n, c++);
        l.gross = amountField(this, QStringLiteral("iznos") + s, amountValidator(this));
        m_grid->addWidget(l.gross, n, c++);
        if (customer) {
            l.choose = chooseButton(this, QStringLiteral("cjenik") + s, QStringLiteral("Otvori cjenik"));
            m_grid->addWidget(l.choose, n, c++);
        }
    }

    auto* foot = new QGridLayout;
    outer->addLayout(foot);
    m_total = new QLabel(QStringLiteral("0,00"), this);
    m_total->setObjectName(QStringLiteral("ukupno"));
    QFont big = m_total->font();
    big.setBold(true);
    big.setPointSize(big.pointSize() * 2);
    m_total->setFont(big);
    auto* totalCaption = new QLabel(QStringLiteral("UKUPNO Kn: "), this);
    totalCaption->setFont(big);
    m_paragon = new QLineEdit(this);
    m_paragon->setObjectName(QStringLiteral("paragon"));
    m_paragon->setMaxLength(10); // PARAGON holds 10 characters
    m_late = new QComboBox(this);
    m_late->setObjectName(QStringLiteral("nakDost"));
    m_late->setEditable(true);
    m_late->setInsertPolicy(QComboBox::NoInsert);
    m_late->addItems({QString::fromLatin1(LateDeliveryYes), QString::fromLatin1(LateDeliveryNo)});
    m_late->lineEdit()->setMaxLength(10);
    m_time = new QTimeEdit(this);
    m_time->setObjectName(QStringLiteral("vrijeme"));
    m_time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    foot->addWidget(new QLabel(QStringLiteral("Broj ručnog paragon računa"), this), 0, 0);
    foot->addWidget(m_paragon, 0, 1);
    foot->addWidget(totalCaption, 0, 2, Qt::AlignRight);
    foot->addWidget(m_total, 0, 3, Qt::AlignRight);
    foot->addWidget(new QLabel(QStringLiteral("Naknadna dostava u PU"), this), 1, 0);
    foot->addWidget(m_late, 1, 1);
    foot->addWidget(new QLabel(QStringLiteral("Vrijeme računa"), this), 2, 0);
    foot->addWidget(m_time, 2, 1);

    auto* buttons = new QHBoxLayout;
    outer->addLayout(buttons);
    m_save = new QPushButton(QStringLiteral("Zapamti - F9"), this);
    m_save->setObjectName(QStringLiteral("zapamti"));
    m_save->setToolTip(QStringLiteral("Zapamti sve nove podatke na ovoj kartici"));
    m_exit = new QPushButton(QStringLiteral("Izlaz - Esc"), this);
    m_exit->setObjectName(QStringLiteral("izlaz"));
    m_exit->setToolTip(QStringLiteral("Prestanak unošenja/promjene komitenta"));
    for (QPushButton* b : {m_save, m_exit}) {
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::NoFocus);
    }
    buttons->addStretch();
    buttons->addWidget(m_save);
    buttons->addWidget(m_exit);

    connect(m_save, &QPushButton::clicked, this, &TFormaRacunaUnos::store);
    connect(m_exit, &QPushButton::clicked, this, &TFormaRacunaUnos::reject);
    connect(m_oibChoose, &QToolButton::clicked, this, &TFormaRacunaUnos::chooseParty);

    for (QWidget* w : {static_cast<QWidget*>(m_oib), static_cast<QWidget*>(m_date),
                       static_cast<QWidget*>(m_number), static_cast<QWidget*>(m_payment)})
        watch(w);
    for (LineFields& l : m_lines)
        for (QWidget* w : {l.description, l.unit, l.price, l.quantity, l.base, l.rate, l.vat, l.gross})
            if (w)
                watch(w);
    for (QWidget* w :
         {static_cast<QWidget*>(m_paragon), static_cast<QWidget*>(m_late), static_cast<QWidget*>(m_time)})
        watch(w);

    // Companion mode recomputes on every change of these fields; the customer window has its own
    // triggers (mostly on leaving a field) and connects the change signals it needs itself.
    auto recompute = [this] {
        if (!m_quiet && m_prepared && m_variant == EntryVariant::Companion)
            recomputeAll();
    };
    for (LineFields& l : m_lines)
        for (QLineEdit* e : {l.base, l.rate, l.vat})
            connect(e, &QLineEdit::textChanged, this, recompute);
    connect(m_date, &QDateEdit::dateChanged, this, recompute);
    connect(m_oib, &QLineEdit::textChanged, this, recompute);
    connect(m_payment, &QComboBox::editTextChanged, this, recompute);
    connect(m_late, &QComboBox::editTextChanged, this, recompute);
    connect(m_paragon, &QLineEdit::textChanged, this, recompute);
}

TFormaRacunaUnos::~TFormaRacunaUnos()
{
    if (!m_closed && m_prepared) {
        // Released without being closed (the caller deleted it): the same end as any way out.
        EntryServices::current().idleWatcher(true);
        m_dm->OpcaTable->close();
    }
}

void TFormaRacunaUnos::watch(QWidget* field)
{
    field->installEventFilter(this);
    m_watched << field;
}

void TFormaRacunaUnos::prepare()
{
    EntryServices::current().idleWatcher(false);
    TableObject* opci = m_dm->OpcaTable;
    opci->open();
    opci->first();
    const CompanyValues company = CompanyValues::fromColumns(rowValues(*opci));

    TableObject* fiskal = m_dm->FiskalTable;
    const bool hasRow = fiskal->active() && fiskal->recNo() >= 0;
    const bool fiscalized = hasRow && isFiscalized(fiskal->asString(QStringLiteral("JIR")));
    m_mode = entryMode(m_marks, fiscalized);

    ++m_quiet;
    m_date->setDate(Clock::today());
    m_time->setTime(Clock::now().time());
    m_late->setCurrentText(QString::fromLatin1(LateDeliveryNo));
    if (m_mode == EntryMode::New) {
        showNew(company);
    } else {
        const QVariantMap row = hasRow ? rowValues(*fiskal) : QVariantMap();
        InvoiceEntry entry = entryFromColumns(row, m_variant);
        if (m_mode == EntryMode::Copy)
            entry.brRac = composeInvoiceNumber(company);
        showStored(row, entry);
    }
    --m_quiet;
    if (m_mode == EntryMode::View)
        disableForView();

    // Tab order as the fields stand in the window.
    QList<QWidget*> order;
    for (QWidget* w : m_watched)
        if (w->focusPolicy() != Qt::NoFocus)
            order << w;
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    if (!order.isEmpty() && m_mode != EntryMode::View)
        order.first()->setFocus();

    app::WindowPlacement::restore(this);
    m_prepared = true;
}

void TFormaRacunaUnos::showNew(const CompanyValues& opci)
{
    setDefaultRates(0);
    m_number->setText(composeInvoiceNumber(opci));
    m_payment->setCurrentText(QString::fromUtf8(DefaultPaymentMethod));
    m_oib->setText(m_dm->OpcaTable->asString(QStringLiteral("OIB_OP")));
    locateParty(m_oib->text().trimmed());
    for (LineFields& l : m_lines)
        for (QLineEdit* e : {l.base, l.vat, l.gross})
            setAmount(e, 0);
}

void TFormaRacunaUnos::showStored(const QVariantMap& row, const InvoiceEntry& entry)
{
    m_name->setText(entry.name);
    m_oib->setText(entry.oib);
    locateParty(entry.oib.trimmed());
    if (entry.date.isValid())
        m_date->setDate(entry.date);
    if (entry.time.isValid())
        m_time->setTime(entry.time);
    m_payment->setCurrentText(entry.nacPlac);
    m_paragon->setText(entry.paragon);
    m_late->setCurrentText(entry.nakDost);
    m_number->setText(entry.brRac);
    for (int n = 0; n < LineCount; ++n) {
        const InvoiceLine& line = entry.lines[n];
        m_lines[n].description->setText(line.description);
        setAmount(m_lines[n].base, line.base);
        setAmount(m_lines[n].rate, line.rate);
        setAmount(m_lines[n].vat, line.vat);
        setAmount(m_lines[n].gross, line.gross);
    }
    const QVariant total = row.value(QStringLiteral("UKIZNOS"));
    m_total->setText(fmt::number(total.isNull() ? 0.0 : total.toDouble(), TotalMask));
}

void TFormaRacunaUnos::disableForView()
{
    m_save->setEnabled(false);
    m_oibChoose->setEnabled(false);
    for (QWidget* w : m_watched)
        w->setEnabled(false);
}

// ---- field values -------------------------------------------------------------------------------

double TFormaRacunaUnos::amountOf(const QLineEdit* field)
{
    return roundToCents(fmt::parseNumber(field->text().trimmed()).value_or(0.0));
}

void TFormaRacunaUnos::setAmount(QLineEdit* field, double value)
{
    ++m_quiet;
    field->setText(fmt::number(roundToCents(value), FieldMask));
    --m_quiet;
}

void TFormaRacunaUnos::setDefaultRates(double rate)
{
    for (LineFields& l : m_lines)
        setAmount(l.rate, rate);
}

InvoiceLines TFormaRacunaUnos::linesShown() const
{
    InvoiceLines lines;
    for (int n = 0; n < LineCount; ++n) {
        const LineFields& f = m_lines[n];
        InvoiceLine& l = lines[n];
        l.description = f.description->text();
        l.base = amountOf(f.base);
        l.rate = amountOf(f.rate);
        l.vat = amountOf(f.vat);
        l.gross = amountOf(f.gross);
        if (f.quantity) {
            l.unit = f.unit->text();
            l.price = amountOf(f.price);
            l.quantity = amountOf(f.quantity);
        }
    }
    return lines;
}

void TFormaRacunaUnos::writeLine(int n, const LineAmounts& a)
{
    setAmount(m_lines[n].base, a.base);
    setAmount(m_lines[n].vat, a.vat);
    setAmount(m_lines[n].gross, a.gross);
}

void TFormaRacunaUnos::showTotal()
{
    m_total->setText(shownTotalText(linesShown()));
}

void TFormaRacunaUnos::recomputeAll()
{
    ++m_quiet;
    for (int n = 0; n < LineCount; ++n) {
        const LineAmounts a = computeLine(amountOf(m_lines[n].base), amountOf(m_lines[n].rate));
        // The base is not rewritten: the user may be typing in it.
        setAmount(m_lines[n].vat, a.vat);
        setAmount(m_lines[n].gross, a.gross);
    }
    showTotal();
    --m_quiet;
}

int TFormaRacunaUnos::lineOf(QWidget* field, QLineEdit* LineFields::*column) const
{
    for (int n = 0; n < LineCount; ++n)
        if (field && m_lines[n].*column == field)
            return n;
    return -1;
}

// ---- field rules --------------------------------------------------------------------------------

void TFormaRacunaUnos::fieldEntered(QWidget* field)
{
    if (const int n = lineOf(field, &LineFields::vat); n >= 0)
        setAmount(m_lines[n].vat, lineVat(amountOf(m_lines[n].base), amountOf(m_lines[n].rate)));
    else if (const int g = lineOf(field, &LineFields::gross); g >= 0)
        setAmount(m_lines[g].gross, lineGross(amountOf(m_lines[g].base), amountOf(m_lines[g].vat)));
}

void TFormaRacunaUnos::fieldLeft(QWidget* field)
{
    if (field == m_oib) {
        leaveOib();
    } else if (field == m_date) {
        leaveDate();
    } else if (field == m_late) {
        leaveLateDelivery();
    } else if (const int n = lineOf(field, &LineFields::gross); n >= 0) {
        if (amountOf(m_lines[n].base) == 0) {
            writeLine(n, lineFromGrossRecomputed(amountOf(m_lines[n].gross), amountOf(m_lines[n].rate)));
            recomputeAll();
        }
    } else if (QLineEdit* e = qobject_cast<QLineEdit*>(field)) {
        // Amount fields show their two decimals once the user is done with them.
        for (const LineFields& l : m_lines)
            for (QLineEdit* a : {l.base, l.rate, l.vat, l.price, l.quantity})
                if (a && a == e && !e->text().isEmpty())
                    setAmount(e, amountOf(e));
    }
}

bool TFormaRacunaUnos::helpKey(QWidget* field)
{
    if (field != m_oib || !m_oibChoose->isEnabled())
        return false;
    chooseParty();
    return true;
}

bool TFormaRacunaUnos::locateParty(const QString& oib)
{
    // The customer window looks customers up, whatever table a screen before it left open.
    if (m_variant == EntryVariant::Customer && m_party->tableName() != QLatin1String("KUPCI")) {
        m_party->close();
        m_party->setTableName(QStringLiteral("KUPCI"));
    }
    if (!m_party->active())
        m_party->open();
    const bool found = !oib.isEmpty() && m_party->locate(QStringLiteral("POR_BROJ"), oib);
    m_registerName->setText(found ? m_party->asString(QStringLiteral("NAZIV_KOM")) : QString());
    return found;
}

bool TFormaRacunaUnos::takePartyOfOib()
{
    const QString oib = m_oib->text().trimmed();
    if (oib.size() != 11 || !locateParty(oib))
        return false;
    m_oib->setText(m_party->asString(QStringLiteral("POR_BROJ")));
    m_name->setText(m_party->asString(QStringLiteral("NAZIV_KOM")));
    return true;
}

void TFormaRacunaUnos::leaveOib()
{
    if (m_oib->text().trimmed().size() != 11 || takePartyOfOib())
        return;
    // After the focus move has finished: a dialog opened inside it would fight over the focus.
    QTimer::singleShot(0, this, [this] {
        EntryServices::current().notice(this, OibMissing);
        m_oib->setFocus();
        chooseParty();
    });
}

void TFormaRacunaUnos::chooseParty()
{
    if (!m_party->active())
        locateParty(QString());
    // Operators: the register opens on the operator of the book's current invoice; customers: first row.
    QString position;
    TableObject* fiskal = m_dm->FiskalTable;
    if (m_variant == EntryVariant::Companion && fiskal->active() && fiskal->recNo() >= 0)
        position = fiskal->asString(QStringLiteral("OIB")).trimmed();
    const ChosenParty chosen = EntryServices::current().chooseParty(this, m_party, position);
    m_oib->setText(chosen.oib);
    m_name->setText(chosen.name);
    locateParty(chosen.oib.trimmed());
}

void TFormaRacunaUnos::leaveDate()
{
    if (impliesLateDelivery(m_date->date(), Clock::today()))
        m_late->setCurrentText(QString::fromLatin1(LateDeliveryYes));
}

void TFormaRacunaUnos::leaveLateDelivery()
{
    if (isLateDeliveryText(m_late->currentText()))
        return;
    QTimer::singleShot(0, this, [this] {
        EntryServices::current().notice(this, LateInvalid);
        m_late->setFocus();
    });
}

InvoiceEntry TFormaRacunaUnos::collect() const
{
    InvoiceEntry e;
    e.oib = m_oib->text();
    e.name = m_name->text();
    e.date = m_date->date();
    e.time = m_time->time();
    e.brRac = m_number->text();
    e.nacPlac = m_payment->currentText();
    e.paragon = m_paragon->text();
    e.nakDost = m_late->currentText();
    e.lines = linesShown();
    return e;
}

// ---- storing and leaving ------------------------------------------------------------------------

void TFormaRacunaUnos::store()
{
    if (!m_save->isEnabled())
        return;
    if (!isLateDeliveryText(m_late->currentText())) {
        EntryServices::current().notice(this, LateInvalid);
        m_late->setFocus();
        return;
    }
    // F9 does not leave the field it is pressed in; its rules are applied first, so that a base typed
    // in the customer window is not stored without its VAT and gross amounts.
    // In the OIB field only the name is taken; an unknown OIB is reported when the field is left.
    if (QWidget* f = focusWidget(); f == m_oib)
        takePartyOfOib();
    else if (f && f != m_late && m_watched.contains(f))
        fieldLeft(f);
    StoreResult result;
    try {
        result = InvoiceStore(*m_dm).store(collect(), m_variant, m_mode);
    } catch (const TarvelError& e) {
        EntryServices::current().showError(this, e);
        return;
    }
    m_marks.appendedMark = result.appended;
    accept();
}

void TFormaRacunaUnos::reject()
{
    m_marks.newMark = false;
    m_marks.appendedMark = false;
    QDialog::reject();
}

void TFormaRacunaUnos::done(int result)
{
    if (!m_closed) {
        m_closed = true;
        app::WindowPlacement::save(this);
        EntryServices::current().idleWatcher(true);
        m_dm->OpcaTable->close();
    }
    QDialog::done(result);
}

bool TFormaRacunaUnos::eventFilter(QObject* watched, QEvent* event)
{
    auto* field = qobject_cast<QWidget*>(watched);
    if (!field || !m_watched.contains(field))
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        if (m_prepared && isFieldMove(static_cast<QFocusEvent*>(event)))
            fieldEntered(field);
        break;
    case QEvent::FocusOut:
        if (m_prepared && isFieldMove(static_cast<QFocusEvent*>(event)))
            fieldLeft(field);
        break;
    case QEvent::KeyPress: {
        const auto* k = static_cast<QKeyEvent*>(event);
        if (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            break;
        switch (k->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            // A date or time field would step through its sections; Tab leaves the field.
            if (qobject_cast<QDateTimeEdit*>(field)) {
                if (k->key() == Qt::Key_Tab && !(k->modifiers() & Qt::ShiftModifier))
                    focusNextChild();
                else
                    focusPreviousChild();
                return true;
            }
            break;
        case Qt::Key_F9:
            store();
            return true;
        case Qt::Key_Escape:
            reject();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (field == m_time)
                store();
            else
                focusNextChild();
            return true;
        case Qt::Key_F1:
            if (helpKey(field))
                return true;
            break;
        default:
            break;
        }
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

// ---- customer mode ------------------------------------------------------------------------------

TFormaRacunaUnosKup::TFormaRacunaUnosKup(EntryMarks& marks, QWidget* parent)
    : TFormaRacunaUnos(marks, EntryVariant::Customer, parent)
{
    m_dueLabel = new QLabel(QStringLiteral("Valuta / Platiti do:"), this);
    m_due = new QDateEdit(this);
    m_due->setObjectName(QStringLiteral("valuta"));
    m_due->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_due->setCalendarPopup(true);
    m_head->addWidget(m_dueLabel, 3, 2);
    m_head->addWidget(m_due, 3, 3);
    // The due date follows the payment list in the tab order.
    m_watched.insert(m_watched.indexOf(m_payment) + 1, m_due);
    m_due->installEventFilter(this);

    for (int n = 0; n < LineCount; ++n) {
        connect(m_lines[n].choose, &QToolButton::clicked, this, [this, n] { chooseArticle(n + 1); });
    }
    // Line 5 takes price x quantity at every change of its base.
    connect(m_lines[4].base, &QLineEdit::textChanged, this, [this] {
        if (!m_quiet && m_prepared)
            baseFromPriceOfLine(4);
    });
    auto recompute = [this] {
        if (!m_quiet && m_prepared)
            recomputeAll();
    };
    connect(m_date, &QDateEdit::dateChanged, this, recompute);
    connect(m_due, &QDateEdit::dateChanged, this, recompute);
    connect(m_oib, &QLineEdit::textChanged, this, recompute);
    connect(m_payment, &QComboBox::editTextChanged, this, recompute);
    connect(m_late, &QComboBox::editTextChanged, this, recompute);
    connect(m_paragon, &QLineEdit::textChanged, this, recompute);
    prepare();
}

void TFormaRacunaUnosKup::showNew(const CompanyValues& opci)
{
    setDefaultRates(opci.uPdv == QLatin1String("Ne") ? 0 : 25);
    m_number->setText(composeInvoiceNumber(opci));
    m_payment->setCurrentText(QString::fromUtf8(CustomerDefaultPayment));
    m_due->setDate(Clock::today());
    m_dueLabel->setVisible(false);
    m_due->setVisible(false);
    locateParty(QString());
    for (LineFields& l : m_lines) {
        setAmount(l.quantity, 1);
        for (QLineEdit* e : {l.price, l.base, l.vat, l.gross})
            setAmount(e, 0);
    }
}

void TFormaRacunaUnosKup::showStored(const QVariantMap& row, const InvoiceEntry& entry)
{
    TFormaRacunaUnos::showStored(row, entry);
    for (int n = 0; n < LineCount; ++n) {
        m_lines[n].unit->setText(entry.lines[n].unit);
        setAmount(m_lines[n].quantity, entry.lines[n].quantity);
        setAmount(m_lines[n].price, entry.lines[n].price);
    }
    if (m_mode == EntryMode::Copy) {
        m_date->setDate(Clock::today());
        m_due->setDate(Clock::today());
        m_time->setTime(Clock::now().time());
    } else {
        m_due->setDate(entry.valuta.isValid() ? entry.valuta : Clock::today());
    }
    const bool due = showsDueDate(entry.nacPlac);
    m_dueLabel->setVisible(due);
    m_due->setVisible(due);
}

void TFormaRacunaUnosKup::disableForView()
{
    TFormaRacunaUnos::disableForView();
    for (LineFields& l : m_lines)
        l.choose->setEnabled(false);
}

void TFormaRacunaUnosKup::fieldEntered(QWidget* field)
{
    if (const int n = lineOf(field, &LineFields::base); n >= 0)
        baseFromPriceOfLine(n);
    else
        TFormaRacunaUnos::fieldEntered(field);
}

void TFormaRacunaUnosKup::fieldLeft(QWidget* field)
{
    if (field == m_payment) {
        leavePayment();
        return;
    }
    if (field == m_oib || field == m_date || field == m_late) {
        TFormaRacunaUnos::fieldLeft(field);
        return;
    }
    if (const int n = lineOf(field, &LineFields::gross); n >= 0) {
        writeLine(n, lineFromGrossKept(amountOf(m_lines[n].gross), amountOf(m_lines[n].rate)));
        showTotal();
        return;
    }
    for (QLineEdit* LineFields::*c : {&LineFields::base, &LineFields::rate, &LineFields::vat,
                                      &LineFields::unit, &LineFields::price, &LineFields::quantity}) {
        if (const int n = lineOf(field, c); n >= 0) {
            if (c != &LineFields::unit && !(m_lines[n].*c)->text().isEmpty())
                setAmount(m_lines[n].*c, amountOf(m_lines[n].*c));
            recomputeAll();
            return;
        }
    }
}

bool TFormaRacunaUnosKup::helpKey(QWidget* field)
{
    if (const int n = lineOf(field, &LineFields::description); n >= 0) {
        if (m_lines[n].choose->isEnabled())
            chooseArticle(n + 1);
        return true;
    }
    return TFormaRacunaUnos::helpKey(field);
}

void TFormaRacunaUnosKup::leavePayment()
{
    const bool due = showsDueDate(m_payment->currentText());
    m_dueLabel->setVisible(due);
    m_due->setVisible(due);
}

void TFormaRacunaUnosKup::baseFromPriceOfLine(int n)
{
    setAmount(m_lines[n].base, baseFromPrice(amountOf(m_lines[n].price), amountOf(m_lines[n].quantity)));
}

void TFormaRacunaUnosKup::chooseArticle(int line)
{
    const int n = line - 1;
    if (n < 0 || n >= LineCount)
        return;
    LineFields& l = m_lines[n];
    l.description->setFocus();
    const ChosenArticle a = EntryServices::current().chooseArticle(this);
    ++m_quiet;
    l.description->setText(a.name);
    l.unit->setText(a.unit);
    setAmount(l.price, a.price);
    setAmount(l.rate, a.rate);
    writeLine(n, lineFromGrossKept(a.priceWithVat, a.rate));
    --m_quiet;
    if (a.price != 0)
        l.quantity->setFocus();
    else
        l.price->setFocus();
    if (n == LineCount - 1)
        showTotal();
}

InvoiceEntry TFormaRacunaUnosKup::collect() const
{
    InvoiceEntry e = TFormaRacunaUnos::collect();
    e.valuta = m_due->date();
    return e;
}

// ---- the book's way in ---------------------------------------------------------------------------

void otvoriUnosRacuna(QWidget* owner, EntryMarks& marks)
{
    data::TDM* dm = data::TDM::instance();
    TableObject* party = dm->KomitentiTable;
    const QString table = dm->companionMode ? QStringLiteral("KOMINT") : QStringLiteral("KUPCI");
    if (party->tableName() != table) {
        party->close();
        party->setTableName(table);
    }
    marks.appendedMark = false;
    std::unique_ptr<TFormaRacunaUnos> w;
    if (dm->companionMode)
        w = std::make_unique<TFormaRacunaUnos>(marks, owner);
    else
        w = std::make_unique<TFormaRacunaUnosKup>(marks, owner);
    w->exec();
}

} // namespace tarvel::invoicing
