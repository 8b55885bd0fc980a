#include "app/poruka.h"
#include "entryfixture.h"
#include "invoicing/formaracunaunos.h"
#include "master/cjenikforma.h"
#include "receivables/komitentiforma.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>

using namespace tarvel;
using namespace tarvel::invoicing;
using tarvel::app::Poruka;

namespace {

template <class T> T* child(QWidget& w, const QString& name)
{
    T* c = w.findChild<T*>(name);
    if (!c)
        qFatal("no field %s", qPrintable(name));
    return c;
}

QLineEdit* edit(QWidget& w, const QString& name)
{
    return child<QLineEdit>(w, name);
}

QWidget* focused()
{
    return QApplication::focusWidget();
}

// Typed text, Croatian letters included (QTest::keyClicks takes Latin-1 only).
void typeText(QWidget* field, const QString& text)
{
    for (const QChar c : text) {
        const Qt::Key key = c.isDigit() ? Qt::Key(Qt::Key_0 + c.digitValue()) : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Press, field, key, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, field, key, QString(c), Qt::NoModifier);
    }
}

// A click into the field, all of its text selected and replaced by typing.
void typeInto(QWidget* field, const QString& text)
{
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Delete);
    else
        typeText(field, text);
}

void tab()
{
    QTest::keyClick(focused(), Qt::Key_Tab);
}

// Acts on the next modal window of type T as soon as it runs its own loop.
template <class T> void whenModal(std::function<void(T*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(w);
        }
    });
    timer->start();
}

bool showWindow(QDialog& w)
{
    w.show();
    return QTest::qWaitForWindowActive(&w);
}

} // namespace

class TestEntryWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void yesterdaySetsLateDeliveryAndDatumIsToday();
    void copyOfFiscalizedInvoice();
    void failedFiscalizationIsEditableAndJirEmptied();
    void fiscalizedInvoiceIsViewOnly();
    void typedVatSnapsBack();
    void grossWithoutBaseDerivesTheBase();
    void escStoresNothing_data();
    void escStoresNothing();
    void unknownOibOpensTheRegister();
    void lateDeliveryMustBeDaOrNe();
    void realPartyRegister();
    void customerNewDefaults_data();
    void customerNewDefaults();
    void priceListItemOnLine2ThenQuantity3();
    void priceListClosedWithoutChoice();
    void realPriceList_data();
    void realPriceList();
    void dueDateOnlyForTransfer();
    void customerLineRules();
    void fiveEmptyLinesStore();
    void editingCustomerInvoiceRewritesItsLedgerEntry();
    void ledgerFailureLeavesNothingAndWindowStaysOpen();
    void bookOpensTheWindowOfTheRunMode_data();
    void bookOpensTheWindowOfTheRunMode();
    void screenshot();

private:
    QTemporaryDir m_config;
};

void TestEntryWindows::initTestCase()
{
    // Window placement goes to a settings file of its own, never to the user's.
    qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
}

void TestEntryWindows::yesterdaySetsLateDeliveryAndDatumIsToday()
{
    EntryFixture fx;
    Poruka::Script script;
    EntryMarks marks = EntryMarks::forNew();
    TFormaRacunaUnos w(marks);
    QVERIFY(showWindow(w));
    QCOMPARE(w.mode(), EntryMode::New);
    QCOMPARE(fx.idleSwitches, QList<bool>{false});
    QCOMPARE(edit(w, "oib")->text().trimmed(), QString::fromLatin1(EntryFixture::OperatorOib));
    QCOMPARE(edit(w, "brRac")->text(), QStringLiteral("17/POSL1/3 2026"));
    QCOMPARE(child<QComboBox>(w, "nacPlac")->currentText(), QStringLiteral("G - Novčanice i kovanice"));
    QCOMPARE(edit(w, "naziv")->text(), QString()); // until the OIB field is left
    QCOMPARE(child<QLabel>(w, "nazivKom")->text(), QString::fromLatin1(EntryFixture::OperatorName));
    QCOMPARE(edit(w, "stopa3")->text(), QStringLiteral("0,00"));
    QCOMPARE(child<QLabel>(w, "ukupno")->text(), QStringLiteral("0,00"));

    QCOMPARE(focused(), edit(w, "oib"));
    QTest::keyClick(focused(), Qt::Key_Return); // Enter moves on, leaving the OIB field
    QCOMPARE(edit(w, "naziv")->text(), QString::fromLatin1(EntryFixture::OperatorName));
    auto* date = child<QDateEdit>(w, "datum");
    QCOMPARE(focused(), date);
    QTest::keyClick(date, Qt::Key_Down);
    QCOMPARE(date->date(), QDate(2026, 12, 10));
    QCOMPARE(child<QComboBox>(w, "nakDost")->currentText(), QStringLiteral("Ne"));
    tab();
    QCOMPARE(child<QComboBox>(w, "nakDost")->currentText(), QStringLiteral("Da"));

    typeInto(edit(w, "opis1"), QStringLiteral("Mjenjački posao"));
    typeInto(edit(w, "osnovica1"), QStringLiteral("80"));
    typeInto(edit(w, "stopa1"), QStringLiteral("25"));
    QCOMPARE(child<QLabel>(w, "ukupno")->text(), QStringLiteral("100,00"));
    QTest::keyClick(focused(), Qt::Key_F9);
    QVERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(QDialog::Accepted));

    QCOMPARE(fx.count("FISKAL"), 1);
    QCOMPARE(fx.scalar("SELECT DATUM FROM FISKAL").toString(), QStringLiteral("2026-12-11"));
    QCOMPARE(fx.scalar("SELECT DAT_VR FROM FISKAL").toString(), QStringLiteral("10.12.2026T10:00:00"));
    QCOMPARE(fx.scalar("SELECT NAK_DOST FROM FISKAL").toString(), QStringLiteral("Da"));
    QCOMPARE(fx.scalar("SELECT BR_RAC FROM FISKAL").toString(), QStringLiteral("17/POSL1/3 2026"));
    QCOMPARE(fx.scalar("SELECT OIB_OPER FROM FISKAL").toString(),
             QString::fromLatin1(EntryFixture::OperatorOib));
    QCOMPARE(fx.scalar("SELECT NAZIV FROM FISKAL").toString(),
             QString::fromLatin1(EntryFixture::OperatorName));
    QCOMPARE(fx.scalar("SELECT UKIZNOS FROM FISKAL").toDouble(), 100.0);
    QCOMPARE(fx.scalar("SELECT STPDV1 FROM FISKAL").toDouble(), 25.0);
    QVERIFY(fx.scalar("SELECT OIB_KUP FROM FISKAL").isNull());
    QCOMPARE(fx.counter(), 18.0);
    QCOMPARE(fx.count("PROMETNA"), 0); // no ledger in companion mode
    QVERIFY(marks.appendedMark);
    QVERIFY(marks.newMark);
    QCOMPARE(fx.idleSwitches, (QList<bool>{false, true}));
    QVERIFY(!fx.dm->OpcaTable->active());
    QVERIFY(script.texts().isEmpty());
}

void TestEntryWindows::copyOfFiscalizedInvoice()
{
    EntryFixture fx;
    Poruka::Script script;
    const qint64 original = fx.addInvoice(EntryFixture::sampleInvoice(QStringLiteral("jir-0001")));
    EntryMarks marks = EntryMarks::forCopy();
    TFormaRacunaUnos w(marks);
    QVERIFY(showWindow(w));
    QCOMPARE(w.mode(), EntryMode::Copy);
    QVERIFY(w.saveButton()->isEnabled());
    QVERIFY(edit(w, "opis1")->isEnabled());
    QCOMPARE(edit(w, "brRac")->text(), QStringLiteral("17/POSL1/3 2026"));
    QCOMPARE(child<QDateEdit>(w, "datum")->date(), QDate(2026, 12, 1));
    QCOMPARE(child<QTimeEdit>(w, "vrijeme")->time(), QTime(10, 30, 0));
    QCOMPARE(edit(w, "opis1")->text(), QStringLiteral("Usluga"));
    QCOMPARE(child<QLabel>(w, "ukupno")->text(), QStringLiteral("125,00"));

    QTest::keyClick(focused(), Qt::Key_F9);
    QVERIFY(!w.isVisible());
    QCOMPARE(fx.count("FISKAL"), 2);
    const qint64 copy = fx.dm->FiskalTable->value("AUTOKEY").toLongLong();
    QVERIFY(copy != original);
    QCOMPARE(fx.scalar("SELECT JIR FROM FISKAL WHERE AUTOKEY = ?", {copy}).toString(), QString());
    QCOMPARE(fx.scalar("SELECT ZAST_KOD FROM FISKAL WHERE AUTOKEY = ?", {copy}).toString(), QString());
    QCOMPARE(fx.scalar("SELECT BR_RAC FROM FISKAL WHERE AUTOKEY = ?", {copy}).toString(),
             QStringLiteral("17/POSL1/3 2026"));
    QCOMPARE(fx.scalar("SELECT DAT_VR FROM FISKAL WHERE AUTOKEY = ?", {copy}).toString(),
             QStringLiteral("01.12.2026T10:30:00"));
    QCOMPARE(fx.scalar("SELECT DATUM FROM FISKAL WHERE AUTOKEY = ?", {copy}).toString(),
             QStringLiteral("2026-12-11"));
    QCOMPARE(fx.scalar("SELECT UKIZNOS FROM FISKAL WHERE AUTOKEY = ?", {copy}).toDouble(), 125.0);
    QCOMPARE(fx.scalar("SELECT JIR FROM FISKAL WHERE AUTOKEY = ?", {original}).toString(),
             QStringLiteral("jir-0001"));
    QCOMPARE(fx.counter(), 18.0);
    QVERIFY(marks.appendedMark);
}

void TestEntryWindows::failedFiscalizationIsEditableAndJirEmptied()
{
    EntryFixture fx;
    Poruka::Script script;
    QVariantMap invoice = EntryFixture::sampleInvoice(QStringLiteral("Greška: s004 Neispravan potpis"));
    invoice.insert("DATUM", QDate(2026, 12, 2)); // recorded a day after its invoice date
    const qint64 key = fx.addInvoice(invoice);
    EntryMarks marks = EntryMarks::forEdit();
    TFormaRacunaUnos w(marks);
    QVERIFY(showWindow(w));
    QCOMPARE(w.mode(), EntryMode::Edit);
    QVERIFY(w.saveButton()->isEnabled());
    QCOMPARE(edit(w, "brRac")->text(), QStringLiteral("5/POSL1/3 2026"));
    // the register opens on the invoice's operator
    fx.nextParty = {QString::fromLatin1(EntryFixture::OperatorOib),
                    QString::fromLatin1(EntryFixture::OperatorName)};
    QTest::mouseClick(edit(w, "oib"), Qt::LeftButton);
    QTest::keyClick(focused(), Qt::Key_F1);
    QCOMPARE(fx.partyPositions, QStringList{QString::fromLatin1(EntryFixture::OperatorOib)});
    typeInto(edit(w, "paragon"), QStringLiteral("P-7"));
    QTest::keyClick(focused(), Qt::Key_F9);
    QVERIFY(!w.isVisible());
    QCOMPARE(fx.count("FISKAL"), 1);
    QCOMPARE(fx.scalar("SELECT JIR FROM FISKAL WHERE AUTOKEY = ?", {key}).toString(), QString());
    QCOMPARE(fx.scalar("SELECT PARAGON FROM FISKAL").toString(), QStringLiteral("P-7"));
    QCOMPARE(fx.scalar("SELECT BR_RAC FROM FISKAL").toString(), QStringLiteral("5/POSL1/3 2026"));
    QCOMPARE(fx.scalar("SELECT DATUM FROM FISKAL").toString(), QStringLiteral("2026-12-02"));
    QCOMPARE(fx.scalar("SELECT DAT_VR FROM FISKAL").toString(), QStringLiteral("02.12.2026T10:30:00"));
    QCOMPARE(fx.counter(), 17.0);
    QVERIFY(!marks.appendedMark);
}

void TestEntryWindows::fiscalizedInvoiceIsViewOnly()
{
    EntryFixture fx;
    Poruka::Script script;
    fx.addInvoice(EntryFixture::sampleInvoice(QStringLiteral("jir-0001")));
    EntryMarks marks = EntryMarks::forEdit();
    TFormaRacunaUnosKup w(marks);
    QVERIFY(showWindow(w));
    QCOMPARE(w.mode(), EntryMode::View);
    QVERIFY(!w.saveButton()->isEnabled());
    for (const char* name : {"oib", "opis1", "osnovica5", "kolicina2", "cijena3", "jmj4", "paragon"})
        QVERIFY2(!edit(w, name)->isEnabled(), name);
    for (const char* name : {"oibChoose", "cjenik1", "cjenik5"})
        QVERIFY2(!child<QToolButton>(w, name)->isEnabled(), name);
    QVERIFY(!child<QDateEdit>(w, "valuta")->isEnabled());
    QVERIFY(child<QPushButton>(w, "izlaz")->isEnabled());
    QTest::keyClick(&w, Qt::Key_F9);
    QVERIFY(w.isVisible());
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(!w.isVisible());
    QCOMPARE(fx.scalar("SELECT JIR FROM FISKAL").toString(), QStringLiteral("jir-0001"));
    QCOMPARE(fx.count("PROMETNA"), 0);
}

void TestEntryWindows::typedVatSnapsBack()
{
    EntryFixture fx;
    EntryMarks marks = EntryMarks::forNew();
    TFormaRacunaUnos w(marks);
    QVERIFY(showWindow(w));
    typeInto(edit(w, "osnovica1"), QStringLiteral("100"));
    typeInto(edit(w, "stopa1"), QStringLiteral("25"));
    QCOMPARE(edit(w, "pdv1")->text(), QStringLiteral("25,00"));
    typeInto(edit(w, "pdv1"), QStringLiteral("30"));
    QCOMPARE(edit(w, "pdv1")->text(), QStringLiteral("25,00"));
    QCOMPARE(edit(w, "iznos1")->text(), QStringLiteral("125,00"));
    QCOMPARE(child<QLabel>(w, "ukupno")->text(), QStringLiteral("125,00"));
}

void TestEntryWindows::grossWithoutBaseDerivesTheBase()
{
    EntryFixture fx;
    EntryMarks marks = EntryMarks::forNew();
    TFormaRacunaUnos w(marks);
    QVERIFY(showWindow(w));
    typeInto(edit(w, "stopa1"), QStringLiteral("25"));
    typeInto(edit(w, "iznos1"), QStringLiteral("125"));
    QCOMPARE(child<QLabel>(w, "ukupno")->text(),
             QStringLiteral("0,00")); // typing a gross amount does not total
    tab();
    QCOMPARE(edit(w, "osnovica1")->text(), QStringLiteral("100,00"));
    QCOMPARE(edit(w, "pdv1")->text(), QStringLiteral("25,00"));
    QCOMPARE(edit(w, "iznos1")->text(), QStringLiteral("125,00"));
    QCOMPARE(child<QLabel>(w, "ukupno")->text(), QStringLiteral("125,00"));
    // with a base, a typed gross amount stays until the next recompute
    typeInto(edit(w, "iznos1"), QStringLiteral("130"));
    tab();
    QCOMPARE(edit(w, "iznos1")->text(), QStringLiteral("130"));
    QCOMPARE(edit(w, "osnovica1")->text(), QStringLiteral("100,00"));
}

void TestEntryWindows::escStoresNothing_data()
{
    QTest::addColumn<bool>("customer");
    QTest::newRow("companion") << false;
    QTest::newRow("customer") << true;
}

void TestEntryWindows::escStoresNothing()
{
    QFETCH(bool, customer);
    EntryFixture fx;
    EntryMarks marks = EntryMarks::forNew();
    std::unique_ptr<TFormaRacunaUnos> w(customer ? new TFormaRacunaUnosKup(marks)
                                                 : new TFormaRacunaUnos(marks));
    QVERIFY(showWindow(*w));
    typeInto(edit(*w, "opis1"), QStringLiteral("Nešto"));
    typeInto(edit(*w, "osnovica1"), QStringLiteral("10"));
    QTest::keyClick(focused(), Qt::Key_Escape);
    QVERIFY(!w->isVisible());
    QCOMPARE(w->result(), int(QDialog::Rejected));
    QCOMPARE(fx.count("FISKAL"), 0);
    QCOMPARE(fx.count("PROMETNA"), 0);
    QCOMPARE(fx.counter(), 17.0);
    QVERIFY(!marks.newMark); // the book offers no fiscalization
    QVERIFY(!marks.appendedMark);
    QCOMPARE(fx.idleSwitches, (QList<bool>{false, true}));
    QVERIFY(!fx.dm->OpcaTable->active());
}

void TestEntryWindows::unknownOibOpensTheRegister()
{
    EntryFixture fx;
    Poruka::Script script;
    EntryMarks marks = EntryMarks::forNew();
    TFormaRacunaUnos w(marks);
    QVERIFY(showWindow(w));
    fx.nextParty = {QString::fromLatin1(EntryFixture::OperatorOib),
                    QString::fromLatin1(EntryFixture::OperatorName)};
    typeInto(edit(w, "oib"), QStringLiteral("11111111111"));
    tab();
    QTRY_COMPARE(fx.partyChoices, 1);
    QCOMPARE(script.texts(), QStringList{QStringLiteral("Upisali ste OIB koji ne postoji")});
    QCOMPARE(fx.partyTables, QStringList{QStringLiteral("KOMINT")});
    QCOMPARE(fx.partyPositions, QStringList{QString()}); // the book has no current invoice
    QCOMPARE(focused(), edit(w, "oib"));
    QCOMPARE(edit(w, "oib")->text().trimmed(), QString::fromLatin1(EntryFixture::OperatorOib));
    QCOMPARE(edit(w, "naziv")->text(), QString::fromLatin1(EntryFixture::OperatorName));

    // an OIB of another length is not looked up; F1 opens the register, nobody chosen empties both
    typeInto(edit(w, "oib"), QStringLiteral("123"));
    tab();
    QTest::qWait(20);
    QCOMPARE(fx.partyChoices, 1);
    QCOMPARE(script.texts().size(), 1);
    fx.nextParty = {};
    QTest::mouseClick(edit(w, "oib"), Qt::LeftButton);
    QTest::keyClick(focused(), Qt::Key_F1);
    QCOMPARE(fx.partyChoices, 2);
    QCOMPARE(edit(w, "oib")->text().trimmed(), QString());
    QCOMPARE(edit(w, "naziv")->text(), QString());
}

// The customer register itself in selection mode, opened with "?" and chosen from with Enter.
void TestEntryWindows::realPartyRegister()
{
    EntryFixture fx;
    Poruka::Script script;
    EntryServices::current().chooseParty = EntryServices::defaults().chooseParty;
    fx.exec("INSERT INTO KUPCI (POR_BROJ, NAZIV_KOM) VALUES ('00000000001', 'Aaa prvi kupac')");
    EntryMarks marks = EntryMarks::forNew();
    TFormaRacunaUnosKup w(marks);
    QVERIFY(showWindow(w));
    QString title;
    whenModal<receivables::TKomitentiForma>([&](receivables::TKomitentiForma* reg) {
        title = reg->windowTitle();
        QTest::keyClick(reg, Qt::Key_Return); // "Izbor - Enter" on the first row by name
    });
    QTest::mouseClick(child<QToolButton>(w, "oibChoose"), Qt::LeftButton);
    QCOMPARE(title, QStringLiteral("Kupci"));
    QCOMPARE(edit(w, "oib")->text().trimmed(), QStringLiteral("00000000001"));
    QCOMPARE(edit(w, "naziv")->text(), QStringLiteral("Aaa prvi kupac"));
    QCOMPARE(child<QLabel>(w, "nazivKom")->text(), QStringLiteral("Aaa prvi kupac"));
    QCOMPARE(fx.dm->KomitentiTable->tableName(), QStringLiteral("KUPCI"));
}

void TestEntryWindows::lateDeliveryMustBeDaOrNe()
{
    EntryFixture fx;
    Poruka::Script script;
    EntryMarks marks = EntryMarks::forNew();
    TFormaRacunaUnos w(marks);
    QVERIFY(showWindow(w));
    auto* late = child<QComboBox>(w, "nakDost");
    typeInto(late, QStringLiteral("Možda"));
    QCOMPARE(late->currentText(), QStringLiteral("Možda"));
    tab();
    QTRY_COMPARE(script.texts().size(), 1);
    QCOMPARE(script.texts().first(), QStringLiteral("Neispravan unos. Izaberite Da ili Ne."));
    QCOMPARE(focused(), late);
    QTest::keyClick(focused(), Qt::Key_F9);
    QVERIFY(w.isVisible());
    QCOMPARE(script.texts().size(), 2);
    QCOMPARE(fx.count("FISKAL"), 0);
    typeInto(late, QStringLiteral("Ne"));
    // Enter in the time field stores
    QTest::mouseClick(child<QTimeEdit>(w, "vrijeme"), Qt::LeftButton);
    QTest::keyClick(focused(), Qt::Key_Return);
    QVERIFY(!w.isVisible());
    QCOMPARE(fx.count("FISKAL"), 1);
    QCOMPARE(fx.scalar("SELECT NAK_DOST FROM FISKAL").toString(), QStringLiteral("Ne"));
}

void TestEntryWindows::customerNewDefaults_data()
{
    QTest::addColumn<QString>("uPdv");
    QTest::addColumn<QString>("rate");
    QTest::newRow("in the VAT system") << "Da"
                                       << "25,00";
    QTest::newRow("outside the VAT system") << "Ne"
                                            << "0,00";
}

void TestEntryWindows::customerNewDefaults()
{
    QFETCH(QString, uPdv);
    QFETCH(QString, rate);
    EntryFixture fx;
    fx.exec("UPDATE OPCI SET U_PDV = ?", {uPdv});
    EntryMarks marks = EntryMarks::forNew();
    TFormaRacunaUnosKup w(marks);
    QVERIFY(showWindow(w));
    for (int n = 1; n <= 5; ++n) {
        QCOMPARE(edit(w, QStringLiteral("stopa%1").arg(n))->text(), rate);
        QCOMPARE(edit(w, QStringLiteral("kolicina%1").arg(n))->text(), QStringLiteral("1,00"));
    }
    QCOMPARE(edit(w, "oib")->text().trimmed(), QString());
    QCOMPARE(edit(w, "naziv")->text(), QString());
    QCOMPARE(child<QComboBox>(w, "nacPlac")->currentText(), QStringLiteral("T - Transakcijski račun - IBAN"));
    QVERIFY(!child<QDateEdit>(w, "valuta")->isVisible());
    QCOMPARE(child<QDateEdit>(w, "valuta")->date(), QDate(2026, 12, 11));
    QCOMPARE(fx.dm->KomitentiTable->tableName(), QStringLiteral("KUPCI"));
}

void TestEntryWindows::priceListItemOnLine2ThenQuantity3()
{
    EntryFixture fx;
    Poruka::Script script;
    EntryMarks marks = EntryMarks::forNew();
    TFormaRacunaUnosKup w(marks);
    QVERIFY(showWindow(w));
    typeInto(edit(w, "oib"), QString::fromLatin1(EntryFixture::CustomerOib));
    tab();
    QCOMPARE(edit(w, "naziv")->text(), QString::fromLatin1(EntryFixture::CustomerName));

    fx.nextArticle = {QStringLiteral("Servis klima uređaja"), QStringLiteral("kom"), 100.0, 125.0, 25.0};
    QTest::mouseClick(child<QToolButton>(w, "cjenik2"), Qt::LeftButton);
    QCOMPARE(fx.articleChoices, 1);
    QCOMPARE(edit(w, "opis2")->text(), QStringLiteral("Servis klima uređaja"));
    QCOMPARE(edit(w, "jmj2")->text(), QStringLiteral("kom"));
    QCOMPARE(edit(w, "cijena2")->text(), QStringLiteral("100,00"));
    QCOMPARE(edit(w, "stopa2")->text(), QStringLiteral("25,00"));
    QCOMPARE(edit(w, "iznos2")->text(), QStringLiteral("125,00"));
    QCOMPARE(edit(w, "osnovica2")->text(), QStringLiteral("100,00"));
    QCOMPARE(edit(w, "pdv2")->text(), QStringLiteral("25,00"));
    QCOMPARE(focused(), edit(w, "kolicina2"));

    QTest::keyClick(focused(), Qt::Key_A, Qt::ControlModifier);
    typeText(focused(), QStringLiteral("3"));
    tab();
    QCOMPARE(focused(), edit(w, "osnovica2"));
    QCOMPARE(edit(w, "osnovica2")->text(), QStringLiteral("300,00"));
    tab();
    QCOMPARE(edit(w, "pdv2")->text(), QStringLiteral("75,00"));
    QCOMPARE(edit(w, "iznos2")->text(), QStringLiteral("375,00"));
    QCOMPARE(child<QLabel>(w, "ukupno")->text(), QStringLiteral("375,00"));

    // F1 in a description opens the price list for that line
    fx.nextArticle = {QStringLiteral("Dolazak"), QStringLiteral("h"), 0.0, 20.0, 25.0};
    QTest::mouseClick(edit(w, "opis1"), Qt::LeftButton);
    QTest::keyClick(focused(), Qt::Key_F1);
    QCOMPARE(fx.articleChoices, 2);
    QCOMPARE(edit(w, "opis1")->text(), QStringLiteral("Dolazak"));
    QCOMPARE(edit(w, "osnovica1")->text(), QStringLiteral("16,00"));
    QCOMPARE(edit(w, "pdv1")->text(), QStringLiteral("4,00"));
    QCOMPARE(focused(), edit(w, "cijena1")); // a price of 0 is to be typed

    QTest::keyClick(focused(), Qt::Key_F9);
    QVERIFY(!w.isVisible());
    QCOMPARE(fx.scalar("SELECT kolicina2 FROM FISKAL").toDouble(), 3.0);
    QCOMPARE(fx.scalar("SELECT cijena2 FROM FISKAL").toDouble(), 100.0);
    QCOMPARE(fx.scalar("SELECT JMJ2 FROM FISKAL").toString(), QStringLiteral("kom"));
    QCOMPARE(fx.scalar("SELECT OSNOVICA2 FROM FISKAL").toDouble(), 300.0);
    QCOMPARE(fx.scalar("SELECT UKIZNOS FROM FISKAL").toDouble(), 395.0);
    QCOMPARE(fx.scalar("SELECT OIB_KUP FROM FISKAL").toString(),
             QString::fromLatin1(EntryFixture::CustomerOib));
    QCOMPARE(fx.scalar("SELECT OIB FROM FISKAL").toString(), QString::fromLatin1(EntryFixture::OperatorOib));
    QCOMPARE(fx.scalar("SELECT POTRAZUJE FROM PROMETNA").toDouble(), 395.0);
    QCOMPARE(fx.scalar("SELECT KEYFISKAL FROM PROMETNA").toLongLong(),
             fx.scalar("SELECT AUTOKEY FROM FISKAL").toLongLong());
    QVERIFY(script.texts().isEmpty());
}

void TestEntryWindows::priceListClosedWithoutChoice()
{
    EntryFixture fx;
    EntryMarks marks = EntryMarks::forNew();
    TFormaRacunaUnosKup w(marks);
    QVERIFY(showWindow(w));
    typeInto(edit(w, "opis3"), QStringLiteral("Staro"));
    typeInto(edit(w, "jmj3"), QStringLiteral("m2"));
    typeInto(edit(w, "stopa3"), QStringLiteral("13"));
    fx.nextArticle = {};
    QTest::mouseClick(child<QToolButton>(w, "cjenik3"), Qt::LeftButton);
    QCOMPARE(edit(w, "opis3")->text(), QString());
    QCOMPARE(edit(w, "jmj3")->text(), QString());
    QCOMPARE(edit(w, "cijena3")->text(), QStringLiteral("0,00"));
    QCOMPARE(edit(w, "iznos3")->text(), QStringLiteral("0,00"));
    QCOMPARE(edit(w, "stopa3")->text(), QStringLiteral("25,00"));
    QCOMPARE(focused(), edit(w, "cijena3"));
}

void TestEntryWindows::realPriceList_data()
{
    QTest::addColumn<bool>("choose");
    QTest::newRow("Izbor - Ent") << true;
    QTest::newRow("Zatvori-Esc") << false;
}

// The price list screen itself in selection mode, chosen from with its own button or left with Esc.
void TestEntryWindows::realPriceList()
{
    QFETCH(bool, choose);
    EntryFixture fx;
    EntryServices::current().chooseArticle = EntryServices::defaults().chooseArticle;
    fx.exec(
        "INSERT INTO CJENIK (NAZIV, JMJ, CIJENA, STOPA, CIJENA_SA) VALUES ('Servis klima uređaja', 'kom', "
        "100, 25, 125)");
    EntryMarks marks = EntryMarks::forNew();
    TFormaRacunaUnosKup w(marks);
    QVERIFY(showWindow(w));
    typeInto(edit(w, "stopa2"), QStringLiteral("13"));
    QString button;
    whenModal<master::TCjenikForma>([&](master::TCjenikForma* list) {
        button = list->izmjenaButton()->text();
        if (choose)
            QTest::mouseClick(list->izmjenaButton(), Qt::LeftButton);
        else
            QTest::keyClick(list, Qt::Key_Escape);
    });
    QTest::mouseClick(child<QToolButton>(w, "cjenik2"), Qt::LeftButton);
    QCOMPARE(button, QStringLiteral("Izbor - Ent"));
    if (choose) {
        QCOMPARE(edit(w, "opis2")->text(), QStringLiteral("Servis klima uređaja"));
        QCOMPARE(edit(w, "jmj2")->text(), QStringLiteral("kom"));
        QCOMPARE(edit(w, "iznos2")->text(), QStringLiteral("125,00"));
        QCOMPARE(edit(w, "osnovica2")->text(), QStringLiteral("100,00"));
        QCOMPARE(w.focusWidget(), edit(w, "kolicina2")); // the window gets it back when it is active again
    } else {
        QCOMPARE(edit(w, "opis2")->text(), QString());
        QCOMPARE(edit(w, "iznos2")->text(), QStringLiteral("0,00"));
        QCOMPARE(w.focusWidget(), edit(w, "cijena2"));
    }
    QCOMPARE(edit(w, "stopa2")->text(), QStringLiteral("25,00"));
    QVERIFY(!fx.dm->CjenikTable->active());
}

void TestEntryWindows::customerLineRules()
{
    EntryFixture fx;
    Poruka::Script script;
    EntryMarks marks = EntryMarks::forNew();
    TFormaRacunaUnosKup w(marks);
    QVERIFY(showWindow(w));
    // a 13-digit customer number is not looked up and is stored as typed
    typeInto(edit(w, "oib"), QStringLiteral("1234567890123"));
    tab();
    QTest::qWait(20);
    QCOMPARE(fx.partyChoices, 0);
    QVERIFY(script.texts().isEmpty());

    // leaving a gross amount: base and VAT follow it, the gross amount stays
    typeInto(edit(w, "osnovica1"), QStringLiteral("50"));
    typeInto(edit(w, "iznos1"), QStringLiteral("100"));
    tab();
    QCOMPARE(edit(w, "osnovica1")->text(), QStringLiteral("80,00"));
    QCOMPARE(edit(w, "pdv1")->text(), QStringLiteral("20,00"));
    QCOMPARE(edit(w, "iznos1")->text(), QStringLiteral("100,00"));
    QCOMPARE(child<QLabel>(w, "ukupno")->text(), QStringLiteral("100,00"));

    // line 5 takes price x quantity at once, whatever is typed into its base
    typeInto(edit(w, "cijena5"), QStringLiteral("10"));
    typeInto(edit(w, "kolicina5"), QStringLiteral("2,5"));
    QTest::mouseClick(edit(w, "osnovica5"), Qt::LeftButton);
    QCOMPARE(edit(w, "osnovica5")->text(), QStringLiteral("25,00"));
    QTest::keyClick(focused(), Qt::Key_A, Qt::ControlModifier);
    typeText(focused(), QStringLiteral("7"));
    QCOMPARE(edit(w, "osnovica5")->text(), QStringLiteral("25,00"));

    QTest::keyClick(focused(), Qt::Key_F9);
    QVERIFY(!w.isVisible());
    QCOMPARE(fx.scalar("SELECT OIB_KUP FROM FISKAL").toString(), QStringLiteral("1234567890123"));
    QCOMPARE(fx.scalar("SELECT OSNOVICA5 FROM FISKAL").toDouble(), 25.0);
    QCOMPARE(fx.scalar("SELECT IZNOS5 FROM FISKAL").toDouble(), 31.25);
    QCOMPARE(fx.scalar("SELECT kolicina5 FROM FISKAL").toDouble(), 2.5);
    QCOMPARE(fx.scalar("SELECT UKIZNOS FROM FISKAL").toDouble(), 131.25);
    QCOMPARE(fx.scalar("SELECT POR_BROJ FROM PROMETNA").toString(), QStringLiteral("1234567890123"));
}

void TestEntryWindows::fiveEmptyLinesStore()
{
    EntryFixture fx;
    EntryMarks marks = EntryMarks::forNew();
    TFormaRacunaUnos w(marks);
    QVERIFY(showWindow(w));
    QCOMPARE(focused(), edit(w, "oib"));
    QTest::keyClick(focused(), Qt::Key_F9); // F9 in the OIB field still takes the operator's name
    QVERIFY(!w.isVisible());
    QCOMPARE(fx.count("FISKAL"), 1);
    QCOMPARE(fx.scalar("SELECT NAZIV FROM FISKAL").toString(),
             QString::fromLatin1(EntryFixture::OperatorName));
    QCOMPARE(fx.scalar("SELECT UKIZNOS FROM FISKAL").toDouble(), 0.0);
    QVERIFY(!fx.scalar("SELECT STPDV1 FROM FISKAL").isNull());
    QCOMPARE(fx.scalar("SELECT STPDV1 FROM FISKAL").toDouble(), 0.0);
    QCOMPARE(fx.scalar("SELECT UKOSNOV1 FROM FISKAL").toDouble(), 0.0);
    QVERIFY(fx.scalar("SELECT STPDV2 FROM FISKAL").isNull());
    QCOMPARE(fx.scalar("SELECT SPECNAMJ FROM FISKAL").toString(), QStringLiteral("61873204959"));
    QCOMPARE(fx.scalar("SELECT U_PDV FROM FISKAL").toString(), QStringLiteral("Da"));
    QCOMPARE(fx.scalar("SELECT SLIJED FROM FISKAL").toString(), QStringLiteral("N"));
    QCOMPARE(fx.scalar("SELECT BR_OZN FROM FISKAL").toString(), QStringLiteral("POSL1"));
}

void TestEntryWindows::dueDateOnlyForTransfer()
{
    EntryFixture fx;
    EntryMarks marks = EntryMarks::forNew();
    TFormaRacunaUnosKup w(marks);
    QVERIFY(showWindow(w));
    auto* payment = child<QComboBox>(w, "nacPlac");
    auto* due = child<QDateEdit>(w, "valuta");
    QTest::mouseClick(payment, Qt::LeftButton);
    tab(); // the initial bank transfer text, left: the due date shows
    QVERIFY(due->isVisible());
    due->setFocus();
    QTest::keyClick(due, Qt::Key_Up); // 12.12.2026
    typeInto(payment, QStringLiteral("G - Novčanice i kovanice"));
    tab();
    QVERIFY(!due->isVisible());
    QTest::keyClick(focused(), Qt::Key_F9);
    QVERIFY(!w.isVisible());
    QCOMPARE(fx.scalar("SELECT NAC_PLAC FROM FISKAL").toString(), QStringLiteral("G - Novčanice i kovanice"));
    QCOMPARE(fx.scalar("SELECT VALUTA FROM FISKAL").toString(), QStringLiteral("2026-12-12"));
    QCOMPARE(fx.scalar("SELECT DAT_DOSP FROM PROMETNA").toString(), QStringLiteral("2026-12-12"));
}

void TestEntryWindows::editingCustomerInvoiceRewritesItsLedgerEntry()
{
    EntryFixture fx;
    Poruka::Script script;
    {
        EntryMarks marks = EntryMarks::forNew();
        TFormaRacunaUnosKup w(marks);
        QVERIFY(showWindow(w));
        typeInto(edit(w, "oib"), QString::fromLatin1(EntryFixture::CustomerOib));
        typeInto(edit(w, "opis1"), QStringLiteral("Najam"));
        typeInto(edit(w, "cijena1"), QStringLiteral("100"));
        tab(); // quantity 1
        tab(); // base = 100
        QCOMPARE(edit(w, "osnovica1")->text(), QStringLiteral("100,00"));
        QTest::keyClick(focused(), Qt::Key_F9);
        QVERIFY(!w.isVisible());
    }
    QCOMPARE(fx.count("PROMETNA"), 1);
    const qint64 invoice = fx.scalar("SELECT AUTOKEY FROM FISKAL").toLongLong();
    const qint64 entry = fx.scalar("SELECT AUTOKEY FROM PROMETNA").toLongLong();
    QCOMPARE(fx.scalar("SELECT POTRAZUJE FROM PROMETNA").toDouble(), 125.0);
    QCOMPARE(fx.scalar("SELECT DAT_KNJIZ FROM PROMETNA").toString(), QStringLiteral("2026-12-11"));

    Clock::setFixed(QDateTime(QDate(2026, 12, 12), QTime(9, 0, 0)));
    EntryMarks marks = EntryMarks::forEdit();
    TFormaRacunaUnosKup w(marks);
    QVERIFY(showWindow(w));
    QCOMPARE(w.mode(), EntryMode::Edit);
    QCOMPARE(edit(w, "oib")->text().trimmed(), QString::fromLatin1(EntryFixture::CustomerOib));
    QCOMPARE(edit(w, "naziv")->text(), QString::fromLatin1(EntryFixture::CustomerName));
    QCOMPARE(edit(w, "cijena1")->text(), QStringLiteral("100,00"));
    QCOMPARE(child<QDateEdit>(w, "datum")->date(), QDate(2026, 12, 11));
    QVERIFY(child<QDateEdit>(w, "valuta")->isVisibleTo(&w));
    typeInto(edit(w, "kolicina1"), QStringLiteral("2"));
    tab();
    QCOMPARE(edit(w, "osnovica1")->text(), QStringLiteral("200,00"));
    tab();
    QCOMPARE(child<QLabel>(w, "ukupno")->text(), QStringLiteral("250,00"));
    QTest::keyClick(focused(), Qt::Key_F9);
    QVERIFY(!w.isVisible());

    QCOMPARE(fx.count("FISKAL"), 1);
    QCOMPARE(fx.counter(), 18.0);
    QCOMPARE(fx.count("PROMETNA"), 1);
    QCOMPARE(fx.scalar("SELECT AUTOKEY FROM PROMETNA").toLongLong(), entry);
    QCOMPARE(fx.scalar("SELECT KEYFISKAL FROM PROMETNA").toLongLong(), invoice);
    QCOMPARE(fx.scalar("SELECT POTRAZUJE FROM PROMETNA").toDouble(), 250.0);
    QCOMPARE(fx.scalar("SELECT PDV FROM PROMETNA").toDouble(), 50.0);
    QCOMPARE(fx.scalar("SELECT IZNOS FROM PROMETNA").toDouble(), 200.0);
    QCOMPARE(fx.scalar("SELECT DAT_KNJIZ FROM PROMETNA").toString(), QStringLiteral("2026-12-12"));
    QCOMPARE(fx.scalar("SELECT DAT_DOKUM FROM PROMETNA").toString(), QStringLiteral("2026-12-11"));
    QVERIFY(!marks.appendedMark);
    QVERIFY(script.texts().isEmpty());
}

void TestEntryWindows::ledgerFailureLeavesNothingAndWindowStaysOpen()
{
    EntryFixture fx;
    Poruka::Script script;
    fx.failWrites("PROMETNA", "INSERT");
    EntryMarks marks = EntryMarks::forNew();
    TFormaRacunaUnosKup w(marks);
    QVERIFY(showWindow(w));
    typeInto(edit(w, "oib"), QString::fromLatin1(EntryFixture::CustomerOib));
    typeInto(edit(w, "osnovica1"), QStringLiteral("100"));
    tab();
    QTest::keyClick(focused(), Qt::Key_F9);
    QVERIFY(w.isVisible());
    QCOMPARE(script.texts().size(), 1);
    QVERIFY2(script.texts().first().contains(QStringLiteral("disk I/O error")),
             qPrintable(script.texts().first()));
    QCOMPARE(fx.count("FISKAL"), 0);
    QCOMPARE(fx.counter(), 17.0);
    QCOMPARE(fx.count("PROMETNA"), 0);
    QCOMPARE(fx.dm->FiskalTable->recordCount(), 0);
    QVERIFY(!marks.appendedMark);

    fx.allowWrites("PROMETNA", "INSERT");
    QTest::keyClick(focused(), Qt::Key_F9);
    QVERIFY(!w.isVisible());
    QCOMPARE(fx.count("FISKAL"), 1);
    QCOMPARE(fx.counter(), 18.0);
    QCOMPARE(fx.count("PROMETNA"), 1);
    QCOMPARE(fx.scalar("SELECT BR_RAC FROM FISKAL").toString(), QStringLiteral("17/POSL1/3 2026"));
    QVERIFY(marks.appendedMark);
}

void TestEntryWindows::bookOpensTheWindowOfTheRunMode_data()
{
    QTest::addColumn<bool>("companion");
    QTest::newRow("customer mode") << false;
    QTest::newRow("companion mode") << true;
}

void TestEntryWindows::bookOpensTheWindowOfTheRunMode()
{
    QFETCH(bool, companion);
    EntryFixture fx;
    fx.dm->companionMode = companion;
    EntryMarks marks = EntryMarks::forNew();
    marks.appendedMark = true; // left over from an earlier entry
    QString shown;
    QString table;
    whenModal<TFormaRacunaUnos>([&](TFormaRacunaUnos* w) {
        shown = QString::fromLatin1(w->metaObject()->className());
        table = fx.dm->KomitentiTable->tableName();
        QTest::keyClick(w->focusWidget(), Qt::Key_F9);
    });
    otvoriUnosRacuna(nullptr, marks);
    QCOMPARE(shown, companion ? QStringLiteral("tarvel::invoicing::TFormaRacunaUnos")
                              : QStringLiteral("tarvel::invoicing::TFormaRacunaUnosKup"));
    QCOMPARE(table, companion ? QStringLiteral("KOMINT") : QStringLiteral("KUPCI"));
    QVERIFY(marks.appendedMark);
    QCOMPARE(fx.count("FISKAL"), 1);
    QCOMPARE(fx.count("PROMETNA"), companion ? 0 : 1);
    QCOMPARE(fx.dm->FiskalTable->value("AUTOKEY").toLongLong(),
             fx.scalar("SELECT AUTOKEY FROM FISKAL").toLongLong());
}

// Only on request (TARVEL_ENTRY_SCREENSHOT=folder): both windows as the screen shows them, for a look.
void TestEntryWindows::screenshot()
{
    const QString folder = qEnvironmentVariable("TARVEL_ENTRY_SCREENSHOT");
    if (folder.isEmpty())
        QSKIP("TARVEL_ENTRY_SCREENSHOT not set");
    EntryFixture fx;
    Poruka::Script script;
    fx.addInvoice(EntryFixture::sampleInvoice());
    for (bool customer : {false, true}) {
        EntryMarks marks = customer ? EntryMarks::forNew() : EntryMarks::forEdit();
        std::unique_ptr<TFormaRacunaUnos> w(customer ? new TFormaRacunaUnosKup(marks)
                                                     : new TFormaRacunaUnos(marks));
        QVERIFY(showWindow(*w));
        if (customer) {
            typeInto(edit(*w, "oib"), QString::fromLatin1(EntryFixture::CustomerOib));
            tab();
            fx.nextArticle = {QStringLiteral("Servis klima uređaja"), QStringLiteral("kom"), 100.0, 125.0,
                              25.0};
            QTest::mouseClick(child<QToolButton>(*w, "cjenik2"), Qt::LeftButton);
            QTest::keyClick(focused(), Qt::Key_A, Qt::ControlModifier);
            typeText(focused(), QStringLiteral("3"));
            tab();
            tab();
        }
        QTest::qWait(200);
        QVERIFY2(script.texts().isEmpty(),
                 qPrintable(script.texts().join('|') + " oib=" + edit(*w, "oib")->text()));
        const QPixmap shot = w->screen()->grabWindow(w->winId());
        QVERIFY(
            shot.save(folder + (customer ? QStringLiteral("/unos_kup.png") : QStringLiteral("/unos.png"))));
    }
}

QTEST_MAIN(TestEntryWindows)
#include "tst_entrywindows.moc"
