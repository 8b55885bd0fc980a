#include "core/errors.h"
#include "data/store.h"
#include "data/tablemodel.h"
#include "data/tdm.h"
#include "fixture.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace tarvel;
using namespace tarvel::data;

Q_DECLARE_METATYPE(tarvel::data::Filter)

namespace {

struct Party
{
    const char* name;
    const char* oib;
    int dani;
    const char* datum;
};

// Customers with Croatian letters in both cases, equal values for the sort and an empty OIB.
const Party Parties[] = {
    {"ČAČAK d.o.o.", "10000000001", 30, "2024-03-01"},
    {"čačkalica obrt", "10000000002", 15, "2024-01-15"},
    {"Zagreb d.d.", "10000000003", 30, "2023-12-31"},
    {"Đakovo trgovina", "10000000004", 0, ""},
    {"šibenik servis", "10000000005", 15, "2024-02-29"},
    {"Cacak bez kvačica", "10000000006", 60, "2024-01-01"},
    {"ŽITO j.d.o.o.", "", 30, "2024-05-05"},
};

class Fixture
{
public:
    ProgramFolder folder;
    TDM tdm;
    Fixture()
    {
        TDM::setExecutableFileTime(1);
        TDM::setBusyTimeout(200);
        tdm.create();
        TableObject* k = tdm.KupciTable;
        k->open();
        for (const Party& p : Parties) {
            k->append();
            k->setValue(QStringLiteral("NAZIV_KOM"), QString::fromUtf8(p.name));
            k->setValue(QStringLiteral("POR_BROJ"), QString::fromLatin1(p.oib));
            k->setValue(QStringLiteral("DANI"), p.dani);
            k->setValue(QStringLiteral("DATUM_NAR"), QString::fromLatin1(p.datum));
            k->post();
        }
        k->close();
    }
    ~Fixture() { TDM::setExecutableFileTime(std::nullopt); }
};

QStringList names(TableObject* t, const QString& column = QStringLiteral("NAZIV_KOM"))
{
    QStringList out;
    for (t->first(); !t->eof(); t->next())
        out << t->asString(column);
    return out;
}

Condition cond(const char* column, Condition::Op op, const QVariant& value, bool ci = false)
{
    Condition c;
    c.column = QString::fromLatin1(column);
    c.op = op;
    c.value = value;
    c.caseInsensitive = ci;
    return c;
}

QString u(const char* s)
{
    return QString::fromUtf8(s);
}

} // namespace

class TestTableObject : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void filter_data();
    void filter();
    void filterValuesAreNeverSqlText();
    void sort_data();
    void sort();
    void unknownSortColumnIsRefused_data();
    void unknownSortColumnIsRefused();
    void locate_data();
    void locate();
    void navigation();
    void appendEditPostCancel();
    void removeMovesToNextRow();
    void textWidthEnforcedOnPost_data();
    void textWidthEnforcedOnPost();
    void wrongValueTypeRefused_data();
    void wrongValueTypeRefused();
    void datesStoredAsIsoText();
    void lookupGivesEmptyNameForMissingParty();
    void displayFormats_data();
    void displayFormats();
    void refreshKeepsCurrentRow();
    void partyTableNameSwitch();
    void appendirajJednogCopiesAllButTheKey();
    void largeTableReadsRowsOnDemand();
    void modelFollowsTheTable();
};

void TestTableObject::filter_data()
{
    QTest::addColumn<Filter>("filter");
    QTest::addColumn<QStringList>("expected"); // in store order
    QTest::newRow("empty") << Filter()
                           << QStringList{u("ČAČAK d.o.o."),    u("čačkalica obrt"), u("Zagreb d.d."),
                                          u("Đakovo trgovina"), u("šibenik servis"), u("Cacak bez kvačica"),
                                          u("ŽITO j.d.o.o.")};
    QTest::newRow("equal number") << Filter().add(cond("DANI", Condition::Op::Eq, 30))
                                  << QStringList{u("ČAČAK d.o.o."), u("Zagreb d.d."), u("ŽITO j.d.o.o.")};
    QTest::newRow("begins with, Croatian, any case")
        << Filter().add(cond("NAZIV_KOM", Condition::Op::BeginsWith, u("čač"), true))
        << QStringList{u("ČAČAK d.o.o."), u("čačkalica obrt")};
    QTest::newRow("begins with, exact case")
        << Filter().add(cond("NAZIV_KOM", Condition::Op::BeginsWith, u("čač")))
        << QStringList{u("čačkalica obrt")};
    QTest::newRow("contains, any case")
        << Filter().add(cond("NAZIV_KOM", Condition::Op::Contains, u("KVAČ"), true))
        << QStringList{u("Cacak bez kvačica")};
    QTest::newRow("equal, any case Đ")
        << Filter().add(cond("NAZIV_KOM", Condition::Op::Eq, u("đAKOVO TRGOVINA"), true))
        << QStringList{u("Đakovo trgovina")};
    QTest::newRow("date range") << Filter()
                                       .add(cond("DATUM_NAR", Condition::Op::Ge, QDate(2024, 1, 1)))
                                       .add(cond("DATUM_NAR", Condition::Op::Lt, QDate(2024, 3, 1)))
                                << QStringList{u("čačkalica obrt"), u("šibenik servis"),
                                               u("Cacak bez kvačica")};
    QTest::newRow("empty OIB") << Filter().add(cond("POR_BROJ", Condition::Op::Eq, QString()))
                               << QStringList{u("ŽITO j.d.o.o.")};
    QTest::newRow("no date") << Filter().add(cond("DATUM_NAR", Condition::Op::IsNull, QVariant()))
                             << QStringList{u("Đakovo trgovina")};
    Filter any;
    any.anyOf.append({cond("DANI", Condition::Op::Eq, 0), cond("DANI", Condition::Op::Ge, 60)});
    any.add(cond("NAZIV_KOM", Condition::Op::Ne, u("Zagreb d.d.")));
    QTest::newRow("any of, and") << any << QStringList{u("Đakovo trgovina"), u("Cacak bez kvačica")};
}

void TestTableObject::filter()
{
    QFETCH(Filter, filter);
    QFETCH(QStringList, expected);
    Fixture f;
    TableObject* k = f.tdm.KupciTable;
    k->open();
    QSignalSpy changed(k, &TableObject::dataChanged);
    k->setFilter(filter);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(k->recordCount(), expected.size());
    QCOMPARE(names(k), expected);
    // Set while closed, it applies on open.
    k->close();
    k->open();
    QCOMPARE(names(k), expected);
    QVERIFY_THROWS_EXCEPTION(
        TarvelError, k->setFilter(Filter().add(cond("NEPOSTOJI", Condition::Op::Eq, QStringLiteral("x")))));
    k->refresh(); // still the old filter
    QCOMPARE(names(k), expected);
}

void TestTableObject::filterValuesAreNeverSqlText()
{
    Fixture f;
    TableObject* k = f.tdm.KupciTable;
    k->open();
    k->setFilter(Filter().add(cond("NAZIV_KOM", Condition::Op::Eq, QStringLiteral("x' OR '1'='1"))));
    QCOMPARE(k->recordCount(), 0);
    k->setFilter(Filter().add(cond("NAZIV_KOM", Condition::Op::BeginsWith, QStringLiteral("%"), true)));
    QCOMPARE(k->recordCount(), 0);
    k->setFilter(Filter());
    QVERIFY(!k->locate(QStringLiteral("NAZIV_KOM"), QStringLiteral("'); DROP TABLE KUPCI; --")));
    QCOMPARE(k->recordCount(), 7);
}

void TestTableObject::sort_data()
{
    QTest::addColumn<QString>("sort");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("days, then store order")
        << "DANI"
        << QStringList{u("Đakovo trgovina"), u("čačkalica obrt"), u("šibenik servis"),   u("ČAČAK d.o.o."),
                       u("Zagreb d.d."),     u("ŽITO j.d.o.o."),  u("Cacak bez kvačica")};
    QTest::newRow("days descending, OIB")
        << "DANI DESC, POR_BROJ desc"
        << QStringList{u("Cacak bez kvačica"), u("Zagreb d.d."),    u("ČAČAK d.o.o."),   u("ŽITO j.d.o.o."),
                       u("šibenik servis"),    u("čačkalica obrt"), u("Đakovo trgovina")};
    QTest::newRow("date") << "DATUM_NAR"
                          << QStringList{u("Đakovo trgovina"), u("Zagreb d.d."),    u("Cacak bez kvačica"),
                                         u("čačkalica obrt"),  u("šibenik servis"), u("ČAČAK d.o.o."),
                                         u("ŽITO j.d.o.o.")};
}

void TestTableObject::sort()
{
    QFETCH(QString, sort);
    QFETCH(QStringList, expected);
    Fixture f;
    TableObject* k = f.tdm.KupciTable;
    k->open();
    QVERIFY(k->locate(QStringLiteral("POR_BROJ"), QStringLiteral("10000000003")));
    k->setSort(sort);
    QCOMPARE(k->sort(), sort);
    // Sorting keeps the current row.
    QCOMPARE(k->asString(QStringLiteral("NAZIV_KOM")), u("Zagreb d.d."));
    QCOMPARE(k->recNo(), int(expected.indexOf(u("Zagreb d.d."))));
    QCOMPARE(names(k), expected);
}

void TestTableObject::unknownSortColumnIsRefused_data()
{
    QTest::addColumn<QString>("sort");
    QTest::newRow("unknown column") << "NEPOSTOJI";
    QTest::newRow("text after a column") << "NAZIV_KOM; DROP TABLE KUPCI";
    QTest::newRow("bad direction") << "NAZIV_KOM UP";
    QTest::newRow("expression") << "1=1";
}

void TestTableObject::unknownSortColumnIsRefused()
{
    QFETCH(QString, sort);
    Fixture f;
    TableObject* k = f.tdm.KupciTable;
    k->setSort(QStringLiteral("DANI"));
    k->open();
    QVERIFY_THROWS_EXCEPTION(TarvelError, k->setSort(sort));
    QCOMPARE(k->sort(), QStringLiteral("DANI")); // the old order stays
    QCOMPARE(k->recordCount(), 7);
}

void TestTableObject::locate_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("ci");
    QTest::addColumn<bool>("partial");
    QTest::addColumn<QString>("found"); // empty: not found
    QTest::newRow("OIB") << "POR_BROJ" << QVariant(u("10000000005")) << false << false << u("šibenik servis");
    QTest::newRow("prefix, any case: čač finds ČAČAK")
        << "NAZIV_KOM" << QVariant(u("čač")) << true << true << u("ČAČAK d.o.o.");
    QTest::newRow("prefix, any case: ŠIB")
        << "NAZIV_KOM" << QVariant(u("ŠIB")) << true << true << u("šibenik servis");
    QTest::newRow("prefix, any case: žito")
        << "NAZIV_KOM" << QVariant(u("žito")) << true << true << u("ŽITO j.d.o.o.");
    QTest::newRow("prefix, exact case: čač")
        << "NAZIV_KOM" << QVariant(u("čač")) << false << true << u("čačkalica obrt");
    QTest::newRow("no letters without marks")
        << "NAZIV_KOM" << QVariant(u("cac")) << true << true << u("Cacak bez kvačica");
    QTest::newRow("whole value, any case")
        << "NAZIV_KOM" << QVariant(u("đakovo TRGOVINA")) << true << false << u("Đakovo trgovina");
    QTest::newRow("prefix is not the whole value")
        << "NAZIV_KOM" << QVariant(u("čač")) << true << false << QString();
    QTest::newRow("number") << "DANI" << QVariant(60) << false << false << u("Cacak bez kvačica");
    QTest::newRow("missing") << "POR_BROJ" << QVariant(u("99999999999")) << false << false << QString();
}

void TestTableObject::locate()
{
    QFETCH(QString, column);
    QFETCH(QVariant, value);
    QFETCH(bool, ci);
    QFETCH(bool, partial);
    QFETCH(QString, found);
    Fixture f;
    TableObject* k = f.tdm.KupciTable;
    k->open();
    k->moveTo(2);
    QSignalSpy moved(k, &TableObject::currentChanged);
    QCOMPARE(k->locate(column, value, ci, partial), !found.isEmpty());
    if (found.isEmpty()) {
        QCOMPARE(k->recNo(), 2); // a failed locate does not move
        QCOMPARE(moved.count(), 0);
    } else {
        QCOMPARE(k->asString(QStringLiteral("NAZIV_KOM")), found);
        QCOMPARE(moved.count(), 1);
    }
}

void TestTableObject::navigation()
{
    Fixture f;
    TableObject* k = f.tdm.KupciTable;
    QVERIFY(!k->active());
    QVERIFY_THROWS_EXCEPTION(TarvelError, k->value(QStringLiteral("NAZIV_KOM")));
    k->open();
    QVERIFY(k->bof());
    QVERIFY(!k->eof());
    QCOMPARE(k->recNo(), 0);
    k->prior();
    QVERIFY(k->bof());
    QCOMPARE(k->recNo(), 0);
    k->last();
    QVERIFY(k->eof());
    QCOMPARE(k->recNo(), 6);
    k->next();
    QVERIFY(k->eof());
    QCOMPARE(k->recNo(), 6);
    k->prior();
    QVERIFY(!k->eof());
    QCOMPARE(k->recNo(), 5);
    k->moveTo(100);
    QCOMPARE(k->recNo(), 6);
    QVERIFY_THROWS_EXCEPTION(TarvelError, k->value(QStringLiteral("NEPOSTOJI")));

    k->setFilter(Filter().add(cond("DANI", Condition::Op::Gt, 1000)));
    QVERIFY(k->isEmpty());
    QVERIFY(k->bof() && k->eof());
    QCOMPARE(k->recNo(), -1);
    QVERIFY(!k->value(QStringLiteral("NAZIV_KOM")).isValid());
    QCOMPARE(k->asString(QStringLiteral("NAZIV_KOM")), QString());
}

void TestTableObject::appendEditPostCancel()
{
    Fixture f;
    TableObject* k = f.tdm.KupciTable;
    k->setSort(QStringLiteral("NAZIV_KOM"));
    k->open();
    QVERIFY_THROWS_EXCEPTION(TarvelError, k->setValue(QStringLiteral("NAZIV_KOM"), QStringLiteral("x")));

    k->append();
    QCOMPARE(k->state(), TableObject::State::Insert);
    k->setValue(QStringLiteral("NAZIV_KOM"), QStringLiteral("Novi kupac"));
    k->setValue(QStringLiteral("POR_BROJ"), QStringLiteral("20000000001"));
    QCOMPARE(k->asString(QStringLiteral("NAZIV_KOM")), QStringLiteral("Novi kupac")); // the buffer
    k->cancel();
    QCOMPARE(k->state(), TableObject::State::Browse);
    QCOMPARE(k->recordCount(), 7);
    QVERIFY(!k->locate(QStringLiteral("POR_BROJ"), QStringLiteral("20000000001")));

    k->append();
    k->setValue(QStringLiteral("NAZIV_KOM"), QStringLiteral("Novi kupac"));
    k->setValue(QStringLiteral("POR_BROJ"), QStringLiteral("20000000001"));
    k->setValue(QStringLiteral("KAMATA"), 7.5);
    k->post();
    QCOMPARE(k->state(), TableObject::State::Browse);
    QCOMPARE(k->recordCount(), 8);
    QCOMPARE(k->asString(QStringLiteral("POR_BROJ")),
             QStringLiteral("20000000001")); // the new row is current
    QCOMPARE(k->asDouble(QStringLiteral("KAMATA")), 7.5);

    k->edit();
    k->setValue(QStringLiteral("NAZIV_KOM"), QStringLiteral("Promijenjeno"));
    k->cancel();
    QCOMPARE(k->asString(QStringLiteral("NAZIV_KOM")), QStringLiteral("Novi kupac"));

    k->edit();
    k->setValue(QStringLiteral("NAZIV_KOM"), QStringLiteral("Promijenjeno"));
    k->next(); // moving posts, as a dataset does
    QCOMPARE(k->state(), TableObject::State::Browse);
    RawDb raw(f.folder.db());
    QCOMPARE(
        raw.scalar(QStringLiteral("SELECT NAZIV_KOM || KAMATA FROM KUPCI WHERE POR_BROJ = '20000000001'"))
            .toString(),
        QStringLiteral("Promijenjeno7.5"));
    // Only changed columns are written: another workstation's change to other columns stays.
    QVERIFY(k->locate(QStringLiteral("POR_BROJ"), QStringLiteral("10000000003")));
    QVERIFY(
        raw.exec(QStringLiteral("UPDATE KUPCI SET TELEFON = '01/555-333' WHERE POR_BROJ = '10000000003'")));
    k->edit();
    k->setValue(QStringLiteral("DANI"), 45);
    k->post();
    QCOMPARE(
        raw.scalar(QStringLiteral("SELECT TELEFON || '/' || DANI FROM KUPCI WHERE POR_BROJ = '10000000003'"))
            .toString(),
        QStringLiteral("01/555-333/45"));
    QCOMPARE(k->asString(QStringLiteral("TELEFON")), QStringLiteral("01/555-333"));

    // A row deleted elsewhere while it is edited here: the change is not reported as saved.
    k->edit();
    k->setValue(QStringLiteral("DANI"), 90);
    QVERIFY(raw.exec(QStringLiteral("DELETE FROM KUPCI WHERE POR_BROJ = '10000000003'")));
    QVERIFY_THROWS_EXCEPTION(TarvelError, k->post());
    QCOMPARE(k->state(), TableObject::State::Edit);
    k->cancel();
    QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM KUPCI WHERE DANI = 90")).toInt(), 0);
}

void TestTableObject::removeMovesToNextRow()
{
    Fixture f;
    TableObject* k = f.tdm.KupciTable;
    k->open();
    k->moveTo(1);
    k->remove();
    QCOMPARE(k->recordCount(), 6);
    QCOMPARE(k->recNo(), 1);
    QCOMPARE(k->asString(QStringLiteral("NAZIV_KOM")), u("Zagreb d.d."));
    k->last();
    k->remove();
    QCOMPARE(k->recNo(), 4);
    QVERIFY(k->eof());
    while (!k->isEmpty())
        k->remove();
    QCOMPARE(k->recNo(), -1);
    QVERIFY_THROWS_EXCEPTION(TarvelError, k->remove());
    RawDb raw(f.folder.db());
    QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM KUPCI")).toInt(), 0);
}

void TestTableObject::textWidthEnforcedOnPost_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("OIB of 16") << "POR_BROJ" << QString(16, QLatin1Char('1')) << true;
    QTest::newRow("OIB of 17") << "POR_BROJ" << QString(17, QLatin1Char('1')) << false;
    QTest::newRow("100 Croatian letters") << "NAZIV_KOM" << QString(100, QChar(0x10D)) << true;
    QTest::newRow("101 letters") << "NAZIV_KOM" << QString(101, QLatin1Char('a')) << false;
    QTest::newRow("one character column") << "V_KAM"
                                          << "DA" << false;
}

void TestTableObject::textWidthEnforcedOnPost()
{
    QFETCH(QString, column);
    QFETCH(QString, value);
    QFETCH(bool, accepted);
    Fixture f;
    TableObject* k = f.tdm.KupciTable;
    k->open();
    k->append();
    k->setValue(column, value);
    if (accepted) {
        k->post();
        QCOMPARE(k->asString(column), value);
        QCOMPARE(k->recordCount(), 8);
        return;
    }
    try {
        k->post();
        QFAIL("post should refuse the value");
    } catch (const TarvelError& e) {
        QCOMPARE(e.kind(), ErrorKind::InvalidField);
        QVERIFY2(e.message().contains(column) && e.message().contains(u("najviše")), qPrintable(e.message()));
    }
    QCOMPARE(k->state(), TableObject::State::Insert);
    k->cancel();
    RawDb raw(f.folder.db());
    QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM KUPCI")).toInt(), 7);
}

void TestTableObject::wrongValueTypeRefused_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("kind");
    QTest::newRow("text for a number") << "KAMATA" << QVariant(u("dvadeset")) << int(ErrorKind::InvalidField);
    QTest::newRow("fraction for an integer") << "DANI" << QVariant(1.5) << int(ErrorKind::InvalidField);
    QTest::newRow("impossible date") << "DATUM_NAR" << QVariant(u("31.02.2024"))
                                     << int(ErrorKind::InvalidDate);
    QTest::newRow("lookup field") << "NEPOSTOJI" << QVariant(1) << int(ErrorKind::Other);
}

void TestTableObject::wrongValueTypeRefused()
{
    QFETCH(QString, column);
    QFETCH(QVariant, value);
    QFETCH(int, kind);
    Fixture f;
    TableObject* k = f.tdm.KupciTable;
    k->open();
    k->edit();
    try {
        k->setValue(column, value);
        QFAIL("the value should be refused");
    } catch (const TarvelError& e) {
        QCOMPARE(int(e.kind()), kind);
    }
    // Numbers typed with a decimal comma are numbers.
    k->setValue(QStringLiteral("KAMATA"), u("1.234,5"));
    k->post();
    QCOMPARE(k->asDouble(QStringLiteral("KAMATA")), 1234.5);
}

void TestTableObject::datesStoredAsIsoText()
{
    Fixture f;
    TableObject* p = f.tdm.PrometnaTable;
    p->open();
    p->append();
    p->setValue(QStringLiteral("DAT_DOKUM"), QDate(2024, 2, 29));
    p->setValue(QStringLiteral("DAT_DOSP"), u("15.03.2024"));
    p->setValue(QStringLiteral("DAT_KNJIZ"), QDateTime(QDate(2024, 3, 1), QTime(8, 30, 5)));
    p->post();
    RawDb raw(f.folder.db());
    QCOMPARE(raw.scalar(QStringLiteral("SELECT DAT_DOKUM || '|' || DAT_DOSP || '|' || DAT_KNJIZ || '|' || "
                                       "typeof(DAT_DOKUM) FROM PROMETNA"))
                 .toString(),
             QStringLiteral("2024-02-29|2024-03-15|2024-03-01 08:30:05|text"));
    QCOMPARE(p->asDate(QStringLiteral("DAT_DOKUM")), QDate(2024, 2, 29));
    QCOMPARE(p->value(QStringLiteral("DAT_DOSP")), QVariant(QDate(2024, 3, 15)));
    QCOMPARE(p->asString(QStringLiteral("DAT_DOKUM")), QStringLiteral("29.02.2024"));
    QCOMPARE(p->asString(QStringLiteral("DAT_KNJIZ")), QStringLiteral("01.03.2024 08:30:05"));
    QCOMPARE(p->asDate(QStringLiteral("DAT_KNJIZ")), QDate(2024, 3, 1));
}

void TestTableObject::lookupGivesEmptyNameForMissingParty()
{
    Fixture f;
    TableObject* p = f.tdm.PrometnaTable;
    p->open();
    for (const char* oib : {"10000000001", "55555555555", ""}) {
        p->append();
        p->setValue(QStringLiteral("POR_BROJ"), QString::fromLatin1(oib));
        p->setValue(QStringLiteral("POTRAZUJE"), 100.0);
        p->post();
    }
    QCOMPARE(names(p, QStringLiteral("NAZIV_KUP")), (QStringList{u("ČAČAK d.o.o."), QString(), QString()}));
    QVERIFY(p->columns().endsWith(QStringLiteral("NAZIV_KUP")));
    QVERIFY(p->isLookup(QStringLiteral("naziv_kup")));
    // While editing, the lookup follows the typed key.
    p->first();
    p->edit();
    p->setValue(QStringLiteral("POR_BROJ"), QStringLiteral("10000000003"));
    QCOMPARE(p->asString(QStringLiteral("NAZIV_KUP")), u("Zagreb d.d."));
    QVERIFY_THROWS_EXCEPTION(TarvelError, p->setValue(QStringLiteral("NAZIV_KUP"), QStringLiteral("x")));
    p->post();
    QCOMPARE(p->asString(QStringLiteral("NAZIV_KUP")), u("Zagreb d.d."));
    // A lookup column can filter and sort.
    p->setSort(QStringLiteral("NAZIV_KUP DESC"));
    QCOMPARE(p->displayTextAt(0, QStringLiteral("NAZIV_KUP")), u("Zagreb d.d."));
    p->setFilter(Filter().add(cond("NAZIV_KUP", Condition::Op::BeginsWith, u("zag"), true)));
    QCOMPARE(p->recordCount(), 1);
    // The same on the batch and the OPZ rows.
    TableObject* b = f.tdm.PrivrTable;
    b->open();
    b->append();
    b->setValue(QStringLiteral("POR_BROJ"), QStringLiteral("10000000004"));
    b->post();
    QCOMPARE(b->asString(QStringLiteral("NAZIV_KOM")), u("Đakovo trgovina"));
    TableObject* o = f.tdm.OPZTable;
    o->open();
    o->append();
    o->setValue(QStringLiteral("POR_BROJ"), QStringLiteral("77777777777"));
    o->post();
    QCOMPARE(o->asString(QStringLiteral("NAZIV_KUP")), QString());
    // The lookup field holds 60 characters of the 100 a name may have.
    TableObject* k = f.tdm.KupciTable;
    k->open();
    QVERIFY(k->locate(QStringLiteral("POR_BROJ"), QStringLiteral("10000000004")));
    k->edit();
    k->setValue(QStringLiteral("NAZIV_KOM"), QString(40, QChar(0x17E)) + QString(50, QLatin1Char('x')));
    k->post();
    b->refresh();
    QCOMPARE(b->asString(QStringLiteral("NAZIV_KOM")),
             QString(40, QChar(0x17E)) + QString(20, QLatin1Char('x')));
    b->edit();
    b->setValue(QStringLiteral("POR_BROJ"), QStringLiteral("10000000004"));
    QCOMPARE(b->asString(QStringLiteral("NAZIV_KOM")).size(), 60);
    b->cancel();
}

void TestTableObject::displayFormats_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("invoice total") << "FISKAL"
                                   << "UKIZNOS" << QVariant(1234567.5) << "1.234.567,50";
    QTest::newRow("line amount 5") << "FISKAL"
                                   << "IZNOS5" << QVariant(0.005) << "0,01";
    QTest::newRow("group tax") << "FISKAL"
                               << "UKPDV3" << QVariant(-25.0) << "-25,00";
    QTest::newRow("VAT rate: no format") << "FISKAL"
                                         << "ST_PDV" << QVariant(25.0) << "25";
    QTest::newRow("quantity: no format") << "FISKAL"
                                         << "kolicina" << QVariant(1.5) << "1,5";
    QTest::newRow("price") << "CJENIK"
                           << "CIJENA" << QVariant(1000.0) << "1.000,00";
    QTest::newRow("price list rate") << "CJENIK"
                                     << "STOPA" << QVariant(13.0) << "13 %";
    QTest::newRow("ledger") << "PROMETNA"
                            << "POTRAZUJE" << QVariant(99.999) << "100,00";
    QTest::newRow("batch") << "PRIVR"
                           << "DUGUJE" << QVariant(5.0) << "5,00";
    QTest::newRow("OPZ unpaid") << "OPZSTAT"
                                << "NEPLIZNOS" << QVariant(12345.0) << "12.345,00";
    QTest::newRow("empty amount") << "FISKAL"
                                  << "UKIZNOS" << QVariant() << "";
}

void TestTableObject::displayFormats()
{
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(QVariant, value);
    QFETCH(QString, text);
    Fixture f;
    TableObject* t = nullptr;
    for (TableObject* c : f.tdm.tables())
        if (c->tableName() == table)
            t = c;
    QVERIFY(t);
    t->open();
    t->append();
    t->setValue(column, value);
    t->post();
    QCOMPARE(t->displayText(column), text);
    QCOMPARE(t->displayTextAt(t->recNo(), column), text);
}

void TestTableObject::refreshKeepsCurrentRow()
{
    Fixture f;
    TableObject* k = f.tdm.KupciTable;
    k->setSort(QStringLiteral("NAZIV_KOM"));
    k->open();
    QVERIFY(k->locate(QStringLiteral("POR_BROJ"), QStringLiteral("10000000003")));
    const int before = k->recNo();
    RawDb other(f.folder.db());
    // Another workstation adds rows before it in the order and changes it.
    QVERIFY(other.exec(
        QStringLiteral("INSERT INTO KUPCI (NAZIV_KOM, POR_BROJ) VALUES ('AAA', '1'), ('AAB', '2')")));
    QVERIFY(other.exec(QStringLiteral("UPDATE KUPCI SET TELEFON = '021' WHERE POR_BROJ = '10000000003'")));
    QSignalSpy changed(k, &TableObject::dataChanged);
    k->refresh();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(k->recordCount(), 9);
    QCOMPARE(k->asString(QStringLiteral("POR_BROJ")), QStringLiteral("10000000003"));
    QCOMPARE(k->recNo(), before + 2);
    QCOMPARE(k->asString(QStringLiteral("TELEFON")), QStringLiteral("021"));
    // The current row deleted elsewhere: the position stays, on the next row.
    const int pos = k->recNo();
    QVERIFY(other.exec(QStringLiteral("DELETE FROM KUPCI WHERE POR_BROJ = '10000000003'")));
    k->refresh();
    QCOMPARE(k->recordCount(), 8);
    QCOMPARE(k->recNo(), pos);
    QVERIFY(k->asString(QStringLiteral("POR_BROJ")) != QStringLiteral("10000000003"));
    // By key, for the idle refresh that closes and reopens the table.
    const qint64 key = k->currentKey();
    k->close();
    k->open();
    QVERIFY(k->moveToKey(key));
    QCOMPARE(k->recNo(), pos);
}

void TestTableObject::partyTableNameSwitch()
{
    Fixture f;
    TableObject* p = f.tdm.KomitentiTable;
    QCOMPARE(p->tableName(), QStringLiteral("KOMINT"));
    p->open();
    QCOMPARE(p->recordCount(), 0);
    QVERIFY_THROWS_EXCEPTION(TarvelError, p->setTableName(QStringLiteral("KUPCI")));
    p->close();
    p->setTableName(QStringLiteral("KUPCI"));
    p->open();
    QCOMPARE(p->recordCount(), 7);
    QVERIFY(p->locate(QStringLiteral("NAZIV_KOM"), u("ŠIBENIK"), true, true));
    p->close();
    p->setTableName(QStringLiteral("KOMINT"));
    p->open();
    QCOMPARE(p->recordCount(), 0);
}

void TestTableObject::appendirajJednogCopiesAllButTheKey()
{
    Fixture f;
    TableObject* t = f.tdm.FiskalTable;
    t->open();
    t->append();
    t->setValue(QStringLiteral("BR_RAC"), QStringLiteral("7/PP1/1"));
    t->setValue(QStringLiteral("OPIS"), u("Usluga čišćenja"));
    t->setValue(QStringLiteral("UKIZNOS"), 125.0);
    t->setValue(QStringLiteral("DATUM"), QDate(2024, 6, 1));
    t->setValue(QStringLiteral("OBAVLJEN"), QDate(2024, 6, 2));
    t->setValue(QStringLiteral("JMJ5"), QStringLiteral("kom"));
    t->post();
    const qint64 key = t->value(QStringLiteral("AUTOKEY")).toLongLong();
    QMap<QString, QVariant> before;
    for (const QString& c : t->columns())
        before[c] = t->value(c);

    AppendirajJednog(t, t);
    QCOMPARE(t->recordCount(), 2);
    QVERIFY(t->value(QStringLiteral("AUTOKEY")).toLongLong() > key);
    for (const QString& c : t->columns())
        if (c != QLatin1String("AUTOKEY"))
            QCOMPARE(t->value(c), before[c]);

    TableObject other(&f.tdm.connection(), QStringLiteral("FISKAL"));
    other.open();
    other.first();
    AppendirajJednog(t, &other);
    QCOMPARE(other.asString(QStringLiteral("OPIS")), u("Usluga čišćenja"));
    QCOMPARE(other.asDate(QStringLiteral("OBAVLJEN")), QDate(2024, 6, 2));
    QCOMPARE(other.recordCount(), 3);
}

void TestTableObject::largeTableReadsRowsOnDemand()
{
    Fixture f;
    {
        Transaction t(f.tdm.connection());
        for (int i = 0; i < 3000; ++i)
            execSql(f.tdm.connection(),
                    QStringLiteral("INSERT INTO PROMETNA (POR_BROJ, BROJ_DOK, DUGUJE) VALUES (?, ?, ?)"),
                    {QStringLiteral("100000000%1").arg(i % 7 + 1, 2, 10, QLatin1Char('0')),
                     QString::number(i), i * 1.0})
                .finish();
        t.commit();
    }
    TableObject* p = f.tdm.PrometnaTable;
    p->setSort(QStringLiteral("DUGUJE DESC"));
    p->open();
    QCOMPARE(p->recordCount(), 3000);
    // Rows far apart and back again, through the row cache.
    for (int row : {0, 2999, 64, 63, 1500, 0, 2047, 2048, 1})
        QCOMPARE(p->valueAt(row, QStringLiteral("BROJ_DOK")).toString(), QString::number(2999 - row));
    for (int row = 0; row < 3000; row += 97)
        QCOMPARE(p->valueAt(row, QStringLiteral("NAZIV_KUP")).toString(),
                 (2999 - row) % 7 == 6 ? QString() : QString::fromUtf8(Parties[(2999 - row) % 7].name));
    p->last();
    QCOMPARE(p->asString(QStringLiteral("BROJ_DOK")), QStringLiteral("0"));
    QVERIFY(p->locate(QStringLiteral("BROJ_DOK"), QStringLiteral("1234")));
    QCOMPARE(p->recNo(), 2999 - 1234);
}

void TestTableObject::modelFollowsTheTable()
{
    Fixture f;
    TableObject* k = f.tdm.KupciTable;
    TableModel model(k);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.rowCount(), 0);
    k->setSort(QStringLiteral("NAZIV_KOM"));
    k->open();
    model.setColumns({QStringLiteral("NAZIV_KOM"), QStringLiteral("DANI"), QStringLiteral("KAMATA")},
                     {QStringLiteral("Naziv"), QStringLiteral("Dani")});
    QCOMPARE(model.rowCount(), 7);
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Naziv"));
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("KAMATA"));
    QCOMPARE(model.data(model.index(0, 0)).toString(), u("Cacak bez kvačica"));
    QCOMPARE(model.data(model.index(0, 1)).toString(), QStringLiteral("60"));
    k->append();
    k->setValue(QStringLiteral("NAZIV_KOM"), QStringLiteral("Zadnji"));
    k->setValue(QStringLiteral("KAMATA"), 2.25);
    k->post();
    QCOMPARE(model.rowCount(), 8);
    QCOMPARE(model.data(model.index(7, 2)).toString(), QStringLiteral("2,25"));
    k->setFilter(Filter().add(cond("DANI", Condition::Op::Eq, 15)));
    QCOMPARE(model.rowCount(), 2);
    k->close();
    QCOMPARE(model.rowCount(), 0);
}

QTEST_GUILESS_MAIN(TestTableObject)
#include "tst_tableobject.moc"
