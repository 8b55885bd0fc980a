#include "entryfixture.h"
#include "invoicing/invoiceentry.h"

#include <QTest>

using namespace tarvel;
using namespace tarvel::invoicing;

namespace {

InvoiceEntry customerEntry(double base)
{
    InvoiceEntry e;
    e.oib = QString::fromLatin1(EntryFixture::CustomerOib) + QStringLiteral("     ");
    e.name = QString::fromLatin1(EntryFixture::CustomerName);
    e.date = QDate(2026, 12, 10);
    e.time = QTime(9, 15, 30);
    e.brRac = QStringLiteral("17/POSL1/3 2026");
    e.nacPlac = QString::fromUtf8(CustomerDefaultPayment);
    e.nakDost = QStringLiteral("Da");
    e.valuta = QDate(2027, 1, 10);
    e.lines[0].description = QStringLiteral("Servis");
    e.lines[0].unit = QStringLiteral("h");
    e.lines[0].quantity = 2;
    e.lines[0].price = base / 2;
    const LineAmounts a = computeLine(base, 25);
    e.lines[0].base = a.base;
    e.lines[0].rate = 25;
    e.lines[0].vat = a.vat;
    e.lines[0].gross = a.gross;
    return e;
}

} // namespace

class TestInvoiceStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entryModes_data();
    void entryModes();
    void companionColumns();
    void customerColumns();
    void longPartyNameIsCut();
    void ledgerEntry();
    void newCustomerInvoiceWritesAllThree();
    void editRewritesItsOneLedgerEntry();
    void deletedLedgerEntryComesBack();
    void failureLeavesNothing_data();
    void failureLeavesNothing();
};

void TestInvoiceStore::entryModes_data()
{
    QTest::addColumn<bool>("newMark");
    QTest::addColumn<bool>("copyMark");
    QTest::addColumn<QString>("jir");
    QTest::addColumn<int>("mode");
    const QString jir = QStringLiteral("6f1a2b3c-0000-4000-8000-123456789abc");
    QTest::newRow("new") << true << false << jir << int(EntryMode::New);
    QTest::newRow("copy of a fiscalized invoice") << true << true << jir << int(EntryMode::Copy);
    QTest::newRow("edit") << false << false << QString() << int(EntryMode::Edit);
    QTest::newRow("edit after a failed fiscalization")
        << false << false << QStringLiteral("Greška: s002 Neispravan potpis") << int(EntryMode::Edit);
    QTest::newRow("view") << false << false << jir << int(EntryMode::View);
    QTest::newRow("lower-case greška is a JIR")
        << false << false << QStringLiteral("greška") << int(EntryMode::View);
}

void TestInvoiceStore::entryModes()
{
    QFETCH(bool, newMark);
    QFETCH(bool, copyMark);
    QFETCH(QString, jir);
    QFETCH(int, mode);
    EntryMarks marks{newMark, copyMark, false};
    QCOMPARE(int(entryMode(marks, isFiscalized(jir))), mode);
}

void TestInvoiceStore::companionColumns()
{
    CompanyValues opci;
    opci.sklad = QStringLiteral("POSL1");
    opci.uPdv = QStringLiteral("Da");
    InvoiceEntry e = customerEntry(100);
    e.oib = QStringLiteral(" 12345678903");
    const QDate today(2026, 12, 11);
    for (EntryMode mode : {EntryMode::New, EntryMode::Copy, EntryMode::Edit}) {
        const QVariantMap c =
            invoiceColumns(e, EntryVariant::Companion, mode, opci, QStringLiteral("x"), today);
        QCOMPARE(c.value("OIB").toString(), QStringLiteral("12345678903"));
        QCOMPARE(c.value("OIB_OPER").toString(), QStringLiteral("1234567890")); // first 11, trimmed
        QCOMPARE(c.value("DAT_VR").toString(), QStringLiteral("10.12.2026T09:15:30"));
        QCOMPARE(c.value("DATUM").toDate(), mode == EntryMode::Edit ? e.date : today);
        // the companion window leaves the customer's columns alone
        for (const char* col :
             {"OIB_KUP", "VALUTA", "OBAVLJEN", "kolicina", "JMJ", "cijena", "DATSAT", "UUID", "CIS_PORUKA"})
            QVERIFY2(!c.contains(col), col);
        QCOMPARE(c.value("JIR").toString(), QString());
        QCOMPARE(c.value("NAK_DOST").toString(), QStringLiteral("Da"));
    }
}

void TestInvoiceStore::customerColumns()
{
    CompanyValues opci;
    const QVariantMap c = invoiceColumns(customerEntry(100), EntryVariant::Customer, EntryMode::New, opci,
                                         QStringLiteral("12345678903"), QDate(2026, 12, 11));
    QCOMPARE(c.value("OIB").toString(), QStringLiteral("12345678903"));
    QCOMPARE(c.value("OIB_OPER").toString(), QStringLiteral("12345678903"));
    QCOMPARE(c.value("OIB_KUP").toString(), QString::fromLatin1(EntryFixture::CustomerOib));
    QCOMPARE(c.value("VALUTA").toDate(), QDate(2027, 1, 10));
    QCOMPARE(c.value("kolicina").toDouble(), 2.0);
    QCOMPARE(c.value("JMJ").toString(), QStringLiteral("h"));
    QCOMPARE(c.value("cijena").toDouble(), 50.0);
}

void TestInvoiceStore::longPartyNameIsCut()
{
    // NAZIV_KOM holds 100 characters, FISKAL.NAZIV 50; the name cannot be edited in the window, so a long
    // one must not make the store fail for good.
    EntryFixture fx;
    InvoiceEntry e = customerEntry(100);
    e.name = QString(80, QChar(u'Ž'));
    InvoiceStore(*fx.dm).store(e, EntryVariant::Customer, EntryMode::New);
    QCOMPARE(fx.scalar("SELECT NAZIV FROM FISKAL").toString(), QString(50, QChar(u'Ž')));
}

void TestInvoiceStore::ledgerEntry()
{
    CompanyValues opci;
    const QVariantMap inv = invoiceColumns(customerEntry(300), EntryVariant::Customer, EntryMode::New, opci,
                                           QStringLiteral("12345678903"), QDate(2026, 12, 11));
    const QVariantMap l = ledgerColumns(inv, 42, QDate(2026, 12, 12));
    QCOMPARE(l.value("KEYFISKAL").toDouble(), 42.0);
    QCOMPARE(l.value("POR_BROJ").toString(), QString::fromLatin1(EntryFixture::CustomerOib));
    QCOMPARE(l.value("VK").toString(), QStringLiteral("Z"));
    QCOMPARE(l.value("DAT_DOKUM").toDate(), QDate(2026, 12, 11));
    QCOMPARE(l.value("DAT_DVO").toDate(), QDate(2026, 12, 11));
    QCOMPARE(l.value("DAT_DOSP").toDate(), QDate(2027, 1, 10));
    QCOMPARE(l.value("DAT_KNJIZ").toDate(), QDate(2026, 12, 12));
    QCOMPARE(l.value("DUGUJE").toDouble(), 0.0);
    QCOMPARE(l.value("POTRAZUJE").toDouble(), 375.0);
    QCOMPARE(l.value("PDV").toDouble(), 75.0);
    QCOMPARE(l.value("IZNOS").toDouble(), 300.0);
    QCOMPARE(l.value("BROJ_DOK").toString(), QStringLiteral("17/POSL1/3 2026"));
    const QString opis = l.value("OPIS").toString();
    QCOMPARE(opis, QStringLiteral("Račun izdan 10.12.2026T09:15:30"));
    QVERIFY(opis.size() <= 40);
    QVERIFY(!l.contains("NALOG"));
}

void TestInvoiceStore::newCustomerInvoiceWritesAllThree()
{
    EntryFixture fx;
    const StoreResult r =
        InvoiceStore(*fx.dm).store(customerEntry(100), EntryVariant::Customer, EntryMode::New);
    QVERIFY(r.appended);
    QCOMPARE(fx.count("FISKAL"), 1);
    QCOMPARE(fx.counter(), 18.0);
    QCOMPARE(fx.scalar("SELECT AUTOKEY FROM FISKAL").toLongLong(), r.autokey);
    QCOMPARE(fx.count("PROMETNA"), 1);
    QCOMPARE(fx.scalar("SELECT KEYFISKAL FROM PROMETNA").toLongLong(), r.autokey);
    QCOMPARE(fx.scalar("SELECT POTRAZUJE FROM PROMETNA").toDouble(), 125.0);
    QCOMPARE(fx.dm->FiskalTable->value("AUTOKEY").toLongLong(), r.autokey);
    QCOMPARE(fx.scalar("SELECT OIB FROM FISKAL").toString(), QString::fromLatin1(EntryFixture::OperatorOib));
    QVERIFY(!fx.dm->OpcaTable->active()); // opened for the store only
}

void TestInvoiceStore::editRewritesItsOneLedgerEntry()
{
    EntryFixture fx;
    InvoiceStore store(*fx.dm);
    const StoreResult first = store.store(customerEntry(100), EntryVariant::Customer, EntryMode::New);
    const qint64 ledgerKey = fx.scalar("SELECT AUTOKEY FROM PROMETNA").toLongLong();
    // another invoice's entry and a payment stay as they are
    fx.exec("INSERT INTO PROMETNA (POR_BROJ, VK, BROJ_DOK, DUGUJE, POTRAZUJE) VALUES (?, 'N', ?, 125, 0)",
            {QString::fromLatin1(EntryFixture::CustomerOib), QStringLiteral("17/POSL1/3 2026")});

    Clock::setFixed(QDateTime(QDate(2026, 12, 14), QTime(8, 0, 0)));
    InvoiceEntry e = customerEntry(200);
    e.valuta = QDate(2027, 2, 1);
    const StoreResult second = store.store(e, EntryVariant::Customer, EntryMode::Edit);
    QVERIFY(!second.appended);
    QCOMPARE(second.autokey, first.autokey);
    QCOMPARE(fx.count("FISKAL"), 1);
    QCOMPARE(fx.counter(), 18.0); // an edit takes no number
    QCOMPARE(fx.scalar("SELECT count(*) FROM PROMETNA WHERE KEYFISKAL = ?", {first.autokey}).toInt(), 1);
    QCOMPARE(fx.scalar("SELECT AUTOKEY FROM PROMETNA WHERE KEYFISKAL = ?", {first.autokey}).toLongLong(),
             ledgerKey);
    QCOMPARE(fx.scalar("SELECT POTRAZUJE FROM PROMETNA WHERE VK = 'Z'").toDouble(), 250.0);
    QCOMPARE(fx.scalar("SELECT PDV FROM PROMETNA WHERE VK = 'Z'").toDouble(), 50.0);
    QCOMPARE(fx.scalar("SELECT IZNOS FROM PROMETNA WHERE VK = 'Z'").toDouble(), 200.0);
    QCOMPARE(fx.scalar("SELECT DAT_KNJIZ FROM PROMETNA WHERE VK = 'Z'").toString(),
             QStringLiteral("2026-12-14"));
    QCOMPARE(fx.scalar("SELECT DAT_DOSP FROM PROMETNA WHERE VK = 'Z'").toString(),
             QStringLiteral("2027-02-01"));
    QCOMPARE(fx.scalar("SELECT DUGUJE FROM PROMETNA WHERE VK = 'N'").toDouble(), 125.0);
}

void TestInvoiceStore::deletedLedgerEntryComesBack()
{
    EntryFixture fx;
    InvoiceStore store(*fx.dm);
    const StoreResult r = store.store(customerEntry(100), EntryVariant::Customer, EntryMode::New);
    fx.exec("DELETE FROM PROMETNA");
    store.store(customerEntry(100), EntryVariant::Customer, EntryMode::Edit);
    QCOMPARE(fx.count("PROMETNA"), 1);
    QCOMPARE(fx.scalar("SELECT KEYFISKAL FROM PROMETNA").toLongLong(), r.autokey);
}

void TestInvoiceStore::failureLeavesNothing_data()
{
    QTest::addColumn<bool>("edit");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("kind");
    QTest::newRow("new: ledger insert fails") << false << "PROMETNA"
                                              << "INSERT";
    QTest::newRow("new: counter step fails") << false << "OPCI"
                                             << "UPDATE";
    QTest::newRow("edit: ledger rewrite fails") << true << "PROMETNA"
                                                << "UPDATE";
}

void TestInvoiceStore::failureLeavesNothing()
{
    QFETCH(bool, edit);
    QFETCH(QString, table);
    QFETCH(QString, kind);
    EntryFixture fx;
    InvoiceStore store(*fx.dm);
    qint64 key = -1;
    if (edit)
        key = store.store(customerEntry(100), EntryVariant::Customer, EntryMode::New).autokey;
    // an older invoice the book has as its current row
    const qint64 older = fx.addInvoice(EntryFixture::sampleInvoice());
    if (edit)
        QVERIFY(fx.dm->FiskalTable->moveToKey(key));
    const qint64 current = fx.dm->FiskalTable->currentKey();
    fx.dm->OpcaTable->open(); // as the entry window holds it
    QCOMPARE(fx.dm->OpcaTable->asDouble("BR_RAC"), edit ? 18.0 : 17.0);
    const int invoices = fx.count("FISKAL");
    const int rows = fx.dm->FiskalTable->recordCount();
    const double counter = fx.counter();
    const int entries = fx.count("PROMETNA");
    const QString before =
        fx.scalar("SELECT group_concat(POTRAZUJE || '/' || DAT_KNJIZ) FROM PROMETNA").toString();

    fx.failWrites(table.toLatin1().constData(), kind.toLatin1().constData());
    Clock::setFixed(QDateTime(QDate(2026, 12, 15), QTime(8, 0, 0)));
    bool raised = false;
    try {
        store.store(customerEntry(400), EntryVariant::Customer, edit ? EntryMode::Edit : EntryMode::New);
    } catch (const TarvelError& e) {
        raised = true;
        QVERIFY2(e.message().contains(QStringLiteral("disk I/O error")), qPrintable(e.message()));
    }
    QVERIFY(raised);
    QCOMPARE(fx.count("FISKAL"), invoices);
    QCOMPARE(fx.counter(), counter);
    QCOMPARE(fx.count("PROMETNA"), entries);
    QCOMPARE(fx.scalar("SELECT group_concat(POTRAZUJE || '/' || DAT_KNJIZ) FROM PROMETNA").toString(),
             before);
    if (edit)
        QCOMPARE(fx.scalar("SELECT UKIZNOS FROM FISKAL WHERE AUTOKEY = ?", {key}).toDouble(), 125.0);

    // The table objects hold what the store holds: no row that was rolled back, the old counter, the
    // same current invoice; and they are in browse state.
    data::TableObject* f = fx.dm->FiskalTable;
    QCOMPARE(f->recordCount(), rows);
    QCOMPARE(f->currentKey(), current);
    QCOMPARE(f->state(), data::TableObject::State::Browse);
    QCOMPARE(f->value("UKIZNOS").toDouble(), 125.0);
    QCOMPARE(fx.dm->OpcaTable->asDouble("BR_RAC"), counter);
    QCOMPARE(fx.dm->OpcaTable->state(), data::TableObject::State::Browse);

    // Once the store works again the same entry goes in whole, with the right number of rows.
    fx.allowWrites(table.toLatin1().constData(), kind.toLatin1().constData());
    const StoreResult r =
        store.store(customerEntry(400), EntryVariant::Customer, edit ? EntryMode::Edit : EntryMode::New);
    QCOMPARE(fx.count("FISKAL"), edit ? invoices : invoices + 1);
    QCOMPARE(fx.counter(), edit ? counter : counter + 1);
    QCOMPARE(fx.scalar("SELECT count(*) FROM PROMETNA WHERE KEYFISKAL = ?", {r.autokey}).toInt(), 1);
    QCOMPARE(fx.scalar("SELECT POTRAZUJE FROM PROMETNA WHERE KEYFISKAL = ?", {r.autokey}).toDouble(), 500.0);
    QCOMPARE(f->value("AUTOKEY").toLongLong(), r.autokey);
    QVERIFY(r.autokey != older);
}

QTEST_GUILESS_MAIN(TestInvoiceStore)
#include "tst_invoicestore.moc"
