#include "app/poruka.h"
#include "master/postaforma.h"
#include "partyfixture.h"
#include "receivables/komitenti.h"
#include "receivables/komitentieditforma.h"
#include "receivables/komitentiforma.h"
#include "receivables/komitentimodel.h"
#include "receivables/komitentiunosreport.h"
#include "receivables/parties.h"
#include "reports/preview.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

using namespace tarvel;
using namespace tarvel::receivables;
using Mode = TKomitentiForma::Mode;

namespace {

template <class T = QWidget> T* child(QWidget* w, const char* name)
{
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    if (!c)
        qFatal("no child %s", name);
    return c;
}

QLineEdit* edit(QWidget* w, const char* name)
{
    return child<QLineEdit>(w, name);
}

QStringList gridColumn(TKomitentiForma* f, int column)
{
    QStringList out;
    for (int r = 0; r < f->model()->rowCount(); ++r)
        out << f->model()->index(r, column).data().toString();
    return out;
}

QStringList headerTitles(TKomitentiForma* f)
{
    QStringList out;
    for (int c = 0; c < f->model()->columnCount(); ++c)
        out << f->model()->headerData(c, Qt::Horizontal).toString();
    return out;
}

struct PrintCapture
{
    std::vector<reports::PreparedReport> reports;
    PrintCapture()
    {
        reports::setPreviewInterceptor([this](const reports::PreparedReport& r) { reports.push_back(r); });
    }
    ~PrintCapture() { reports::setPreviewInterceptor({}); }
};

QStringList itemTexts(const reports::PreparedReport& r, const QString& name)
{
    QStringList out;
    for (const reports::PreparedItem* i : r.findAll(name))
        out << i->text;
    return out;
}

void typeInto(QLineEdit* box, const QString& text)
{
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    box->insert(text); // QTest types Latin-1 only
}

const QString Oib1 = QStringLiteral("12345678903");
const QString Oib2 = QStringLiteral("98765432106");
const QString Oib3 = QStringLiteral("11111111119");
const QString Oib4 = QStringLiteral("22222222226");

} // namespace

class TestParties : public QObject
{
    Q_OBJECT

    std::unique_ptr<PartyDb> db;
    std::unique_ptr<app::Poruka::Script> script;

    // The register shown as its caller shows it, active, for keys and clicks.
    std::unique_ptr<TKomitentiForma> show(const QString& table, Mode mode)
    {
        db->tdm->KomitentiTable->close();
        db->tdm->KomitentiTable->setTableName(table);
        auto f = std::make_unique<TKomitentiForma>(mode);
        f->show();
        QApplication::setActiveWindow(f.get());
        if (!QTest::qWaitForWindowActive(f.get()))
            qWarning("register not active");
        return f;
    }

    void seedPostalCodes()
    {
        for (const auto& [place, number] :
             {std::pair{"ZAGREB", "10000"}, {"SPLIT", "21000"}, {"ZADAR", "23000"}})
            db->addRow(QStringLiteral("POSTA"), {{QStringLiteral("BNAZ"), QString::fromLatin1(place)},
                                                 {QStringLiteral("NOVIBR"), QString::fromLatin1(number)}});
    }
    // The postal-code list as the picker: `search` typed into "Traži:", then Enter (Esc when empty).
    void pickPostalCode(const QString& search, bool* ran)
    {
        onModal<master::TPostaForma>([search, ran](master::TPostaForma* p) {
            *ran = true;
            QCOMPARE(p->nacin(), master::TPostaForma::Nacin::Izbor);
            if (search.isEmpty()) {
                QTest::keyClick(p->trazi(), Qt::Key_Escape);
                return;
            }
            QTest::keyClicks(p->trazi(), search);
            QTest::keyClick(p->trazi(), Qt::Key_Return);
        });
    }

private Q_SLOTS:
    void init()
    {
        db = std::make_unique<PartyDb>();
        script = std::make_unique<app::Poruka::Script>();
    }
    void cleanup()
    {
        script.reset();
        db.reset();
    }

    void captions_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<bool>("selecting");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("chooseButton");
        QTest::addColumn<QString>("cardButton");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QString>("editTitle");
        QTest::addColumn<QStringList>("editLabels");

        const QStringList operators{"OIB",     "Naziv operatera", "Adresa",       "Grad",
                                    "Telefon", "Mobitel",         "Tekući račun", "eMail"};
        const QStringList customers{"OIB",     "Naziv kupca", "Adresa",     "Grad",
                                    "Telefon", "Telefax",     "Žiro račun", "eMail"};
        const QStringList opLabels{"Tekući račun:", "Mobilni telefon:"};
        const QStringList custLabels{"Žiro račun - IBAN:", "Telefax:"};
        QTest::newRow("operators, maintenance")
            << "KOMINT" << false << "Operateri"
            << "Izmjena - Ent"
            << "F7 - kartica operatera" << operators << "Ažuriranje podataka o operateru" << opLabels;
        QTest::newRow("operators, selection")
            << "KOMINT" << true << "Izaberite"
            << "Izbor - Enter"
            << "F7 - kartica operatera" << operators << "Ažuriranje podataka o operateru" << opLabels;
        QTest::newRow("customers, maintenance")
            << "KUPCI" << false << "Kupci"
            << "Izmjena - Ent"
            << "Kartica kupca - F7" << customers << "Ažuriranje podataka o kupcu" << custLabels;
        QTest::newRow("customers, selection")
            << "KUPCI" << true << "Kupci"
            << "Izbor - Enter"
            << "Kartica kupca - F7" << customers << "Ažuriranje podataka o kupcu" << custLabels;
    }
    void captions()
    {
        QFETCH(QString, table);
        QFETCH(bool, selecting);
        db->tdm->KomitentiTable->setTableName(table);
        auto f = std::make_unique<TKomitentiForma>(selecting ? Mode::Selection : Mode::Maintenance);
        f->setWindowTitle(QStringLiteral("Evidencija kupaca")); // as "Kupci i kartice" opens it
        if (table == QLatin1String("KOMINT"))
            f->setWindowTitle(selecting ? QStringLiteral("Izaberite") : QStringLiteral("Operateri"));
        f->show();
        QTEST(f->windowTitle(), "title");
        QTEST(child<QPushButton>(f.get(), "btnIzmjena")->text(), "chooseButton");
        QTEST(child<QPushButton>(f.get(), "btnKartica")->text(), "cardButton");
        QTEST(headerTitles(f.get()), "titles");
        QVERIFY(!child<QPushButton>(f.get(), "btnKartica")->isEnabled());
        QCOMPARE(child<QPushButton>(f.get(), "btnBrisanje")->isEnabled(), !selecting);
        QCOMPARE(child<QPushButton>(f.get(), "btnTiskanje")->isEnabled(), !selecting);
        QVERIFY(child<QPushButton>(f.get(), "btnNovi")->isEnabled());
        QCOMPARE(db->tdm->KomitentiTable->sort(), QStringLiteral("NAZIV_KOM ASC"));

        TKomitentiEditForma e(TKomitentiEditForma::State::New, f.get());
        QTEST(e.windowTitle(), "editTitle");
        QStringList labels;
        for (QLabel* l : e.findChildren<QLabel*>())
            labels << l->text();
        QFETCH(QStringList, editLabels);
        for (const QString& l : editLabels)
            QVERIFY2(labels.contains(l), qPrintable(l));
        const QStringList other = table == QLatin1String("KOMINT")
                                      ? QStringList{"Žiro račun - IBAN:", "Telefax:"}
                                      : QStringList{"Tekući račun:", "Mobilni telefon:"};
        for (const QString& l : other)
            QVERIFY2(!labels.contains(l), qPrintable(l));
        for (const char* l : {"OIB", "Naziv:", "Ulica i broj:", "HPBroj i mjesto:", "Telefon:", "e-Mail"})
            QVERIFY2(labels.contains(QString::fromUtf8(l)), l);
    }

    // Leaving the OIB box of a new party: the check, the question and the answer.
    void oibCheck_data()
    {
        QTest::addColumn<QString>("oib");
        QTest::addColumn<bool>("passes");
        QTest::addColumn<bool>("answer");
        QTest::newRow("10 digits, kept") << "1234567890" << false << true;
        QTest::newRow("10 digits, refused") << "1234567890" << false << false;
        QTest::newRow("12 digits, kept") << "123456789030" << false << true;
        QTest::newRow("12 digits, refused") << "123456789030" << false << false;
        QTest::newRow("ten zeros and 1") << "00000000001" << true << false;
        QTest::newRow("eleven zeros, refused") << "00000000000" << false << false;
        QTest::newRow("eleven zeros, kept") << "00000000000" << false << true;
        QTest::newRow("non-digit last, refused") << "1234567890A" << false << false;
        QTest::newRow("non-digit inside, kept") << "12345a78903" << false << true;
        QTest::newRow("valid") << Oib1 << true << false;
        QTest::newRow("valid, other") << Oib2 << true << false;
    }
    void oibCheck()
    {
        QFETCH(QString, oib);
        QFETCH(bool, passes);
        QFETCH(bool, answer);
        script->addAnswers({answer});
        const bool kept = passes || answer;
        auto f = show(QStringLiteral("KUPCI"), Mode::Maintenance);
        bool ran = false;
        onModal<TKomitentiEditForma>([&](TKomitentiEditForma* e) {
            ran = true;
            QLineEdit* oibBox = edit(e, "oib");
            QLineEdit* naziv = edit(e, "naziv");
            auto* zapamti = child<QPushButton>(e, "btnZapamti");
            QTRY_COMPARE(QApplication::focusWidget(), oibBox);
            QVERIFY(!zapamti->isEnabled());
            QTest::keyClicks(oibBox, oib);
            QTest::keyClick(oibBox, Qt::Key_Tab);
            QCOMPARE(script->texts().size(), passes ? 0 : 1);
            if (!passes) {
                QCOMPARE(script->texts()[0], OibCheckQuestion);
                QCOMPARE(script->kinds()[0], app::Poruka::Kind::Question);
            }
            if (kept) {
                QCOMPARE(QApplication::focusWidget(), naziv);
                QVERIFY(zapamti->isEnabled());
                QTest::keyClicks(naziv, QStringLiteral("Novi kupac"));
                QTest::keyClick(naziv, Qt::Key_F9);
            } else {
                QCOMPARE(QApplication::focusWidget(), oibBox);
                QVERIFY(!zapamti->isEnabled());
                QTest::keyClick(oibBox, Qt::Key_F9); // nothing to store yet
                QVERIFY(e->isVisible());
                QTest::keyClick(oibBox, Qt::Key_Escape);
            }
        });
        QTest::keyClick(child<QTableView>(f.get(), "grid"), Qt::Key_F3);
        QVERIFY(ran);
        QCOMPARE(db->column(QStringLiteral("KUPCI"), QStringLiteral("POR_BROJ")),
                 kept ? QStringList{oib} : QStringList{});
        if (kept) {
            QCOMPARE(db->column(QStringLiteral("KUPCI"), QStringLiteral("NAZIV_KOM")),
                     QStringList{"Novi kupac"});
            QCOMPARE(gridColumn(f.get(), 0), QStringList{oib});
        }
    }

    // The duplicate guard looks at every row, also those the search has filtered out, and a number
    // typed again after it was taken is checked again before storing.
    void duplicateOibRefused()
    {
        db->addParty(QStringLiteral("KUPCI"), Oib1, QStringLiteral("ABC d.o.o."));
        db->addParty(QStringLiteral("KUPCI"), Oib2, QStringLiteral("XYZ d.o.o."));
        auto f = show(QStringLiteral("KUPCI"), Mode::Maintenance);
        QLineEdit* nazivu = edit(f.get(), "nazivu");
        QTest::keyClicks(nazivu, QStringLiteral("X"));
        QCOMPARE(gridColumn(f.get(), 1), QStringList{"XYZ d.o.o."});
        bool ran = false;
        onModal<TKomitentiEditForma>([&](TKomitentiEditForma* e) {
            ran = true;
            QLineEdit* oibBox = edit(e, "oib");
            QLineEdit* naziv = edit(e, "naziv");
            QTRY_COMPARE(QApplication::focusWidget(), oibBox);
            QTest::keyClicks(oibBox, Oib1);
            QTest::keyClick(oibBox, Qt::Key_Tab);
            QCOMPARE(script->texts(), QStringList{DuplicateOibNotice});
            QCOMPARE(script->kinds()[0], app::Poruka::Kind::Notice);
            QCOMPARE(QApplication::focusWidget(), oibBox);
            QVERIFY(!child<QPushButton>(e, "btnZapamti")->isEnabled());

            typeInto(oibBox, Oib3);
            QTest::keyClick(oibBox, Qt::Key_Return); // Enter moves on like leaving the box
            QCOMPARE(QApplication::focusWidget(), naziv);
            QTest::keyClicks(naziv, QStringLiteral("Drugi"));
            QTest::mouseClick(oibBox, Qt::LeftButton);
            QCOMPARE(QApplication::focusWidget(), oibBox);
            typeInto(oibBox, Oib2);
            QTest::keyClick(oibBox, Qt::Key_F9);
            QCOMPARE(script->texts(), (QStringList{DuplicateOibNotice, DuplicateOibNotice}));
            QVERIFY(e->isVisible());
            QTest::keyClick(oibBox, Qt::Key_Escape);
        });
        QTest::keyClick(nazivu, Qt::Key_F3);
        QVERIFY(ran);
        QCOMPARE(db->column(QStringLiteral("KUPCI"), QStringLiteral("POR_BROJ")), (QStringList{Oib1, Oib2}));
    }

    void deleteGuard_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("invoiceColumn");
        QTest::addColumn<QString>("otherColumn");
        QTest::addColumn<QString>("refused");
        QTest::addColumn<QString>("question");
        QTest::newRow("customers") << "KUPCI"
                                   << "OIB_KUP"
                                   << "OIB"
                                   << "Brisanje nije moguće. Kupac Ana  ima aktivnu karticu računa."
                                   << "Stvarno želite obrisati kupca: Branko ?";
        QTest::newRow("operators") << "KOMINT"
                                   << "OIB"
                                   << "OIB_KUP"
                                   << "Brisanje nije moguće. Operater Ana  ima aktivnu karticu računa."
                                   << "Stvarno želite obrisati operatera: Branko ?";
    }
    void deleteGuard()
    {
        QFETCH(QString, table);
        QFETCH(QString, invoiceColumn);
        QFETCH(QString, otherColumn);
        QFETCH(QString, refused);
        QFETCH(QString, question);
        db->addParty(table, Oib1, QStringLiteral("Ana"));
        db->addParty(table, Oib2, QStringLiteral("Branko"));
        db->addRow(QStringLiteral("FISKAL"), {{invoiceColumn, Oib1}, {QStringLiteral("BR_RAC"), "1/1/1"}});
        // Branko is on an invoice only in the column that does not name this kind of party.
        db->addRow(QStringLiteral("FISKAL"), {{otherColumn, Oib2}, {QStringLiteral("BR_RAC"), "2/1/1"}});
        for (const char* doc : {"1-2024", "2-2024"})
            db->addRow(QStringLiteral("PROMETNA"), {{QStringLiteral("POR_BROJ"), Oib2},
                                                    {QStringLiteral("VK"), "Z"},
                                                    {QStringLiteral("BROJ_DOK"), QString::fromLatin1(doc)},
                                                    {QStringLiteral("POTRAZUJE"), 100.0}});

        auto f = show(table, Mode::Maintenance);
        auto* grid = child<QTableView>(f.get(), "grid");
        QCOMPARE(gridColumn(f.get(), 1), (QStringList{"Ana", "Branko"}));
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(script->texts(), QStringList{refused});
        QCOMPARE(db->column(table, QStringLiteral("NAZIV_KOM")), (QStringList{"Ana", "Branko"}));

        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(db->tdm->KomitentiTable->asString(QStringLiteral("NAZIV_KOM")), QStringLiteral("Branko"));
        script->clear();
        script->addAnswers({false, true});
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(script->texts(), QStringList{question});
        QCOMPARE(script->kinds()[0], app::Poruka::Kind::Question);
        QCOMPARE(db->column(table, QStringLiteral("NAZIV_KOM")), (QStringList{"Ana", "Branko"}));
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(db->column(table, QStringLiteral("NAZIV_KOM")), QStringList{"Ana"});
        QCOMPARE(gridColumn(f.get(), 1), QStringList{"Ana"});
        QCOMPARE(db->column(QStringLiteral("PROMETNA"), QStringLiteral("BROJ_DOK"), Oib2),
                 (QStringList{"1-2024", "2-2024"}));
        QCOMPARE(QApplication::focusWidget(), grid);
    }

    void selectionIgnoresDeletePrintCard()
    {
        db->addParty(QStringLiteral("KUPCI"), Oib1, QStringLiteral("Ana"));
        db->addParty(QStringLiteral("KUPCI"), Oib2, QStringLiteral("Branko"));
        PrintCapture print;
        auto f = show(QStringLiteral("KUPCI"), Mode::Selection);
        f->setCardOpener([](QWidget*, const QString&) { QFAIL("card opened in selection mode"); });
        auto* grid = child<QTableView>(f.get(), "grid");
        QLineEdit* nazivu = edit(f.get(), "nazivu");
        for (QWidget* w : {static_cast<QWidget*>(grid), static_cast<QWidget*>(nazivu)})
            for (Qt::Key k : {Qt::Key_Delete, Qt::Key_F5, Qt::Key_F7})
                QTest::keyClick(w, k);
        QVERIFY(script->texts().isEmpty());
        QVERIFY(print.reports.empty());
        QVERIFY(f->isVisible());
        QCOMPARE(db->column(QStringLiteral("KUPCI"), QStringLiteral("NAZIV_KOM")),
                 (QStringList{"Ana", "Branko"}));
        QVERIFY(!child<QPushButton>(f.get(), "btnKartica")->isEnabled());

        QTest::keyClick(grid, Qt::Key_Down);
        QTest::keyClick(grid, Qt::Key_Return);
        QVERIFY(!f->isVisible());
        QCOMPARE(f->result(), int(QDialog::Accepted));
        QCOMPARE(f->selectedOib(), Oib2);
        QCOMPARE(f->selectedName(), QStringLiteral("Branko"));
        QVERIFY(!db->tdm->KomitentiTable->active());
    }

    void maintenanceOpensCard()
    {
        db->addParty(QStringLiteral("KUPCI"), Oib1, QStringLiteral("Ana"));
        db->addParty(QStringLiteral("KOMINT"), Oib2, QStringLiteral("Branko"));
        QStringList opened;
        TKomitentiForma::setDefaultCardOpener(PartyKind::Customers,
                                              [&](QWidget*, const QString& oib) { opened << oib; });
        {
            auto f = show(QStringLiteral("KUPCI"), Mode::Maintenance);
            QVERIFY(child<QPushButton>(f.get(), "btnKartica")->isEnabled());
            QTest::keyClick(edit(f.get(), "oibu"), Qt::Key_F7);
            QCOMPARE(opened, QStringList{Oib1});
        }
        {
            auto f = show(QStringLiteral("KOMINT"), Mode::Maintenance); // operators have no card yet
            QVERIFY(!child<QPushButton>(f.get(), "btnKartica")->isEnabled());
            QTest::keyClick(child<QTableView>(f.get(), "grid"), Qt::Key_F7);
        }
        {
            auto f = show(QStringLiteral("KUPCI"), Mode::Selection);
            QVERIFY(!child<QPushButton>(f.get(), "btnKartica")->isEnabled());
            QTest::keyClick(child<QTableView>(f.get(), "grid"), Qt::Key_F7);
        }
        TKomitentiForma::setDefaultCardOpener(PartyKind::Customers, {});
        QCOMPARE(opened, QStringList{Oib1});
    }

    void signIn_data()
    {
        QTest::addColumn<bool>("choose");
        QTest::newRow("left without choosing") << false;
        QTest::newRow("chooses the first operator") << true;
    }
    void signIn()
    {
        QFETCH(bool, choose);
        db->addParty(QStringLiteral("KOMINT"), Oib1, QStringLiteral("Ana"));
        db->addParty(QStringLiteral("KOMINT"), Oib4, QStringLiteral("Branka"));
        auto* opci = db->tdm->OpcaTable;
        opci->open();
        opci->first();
        opci->edit();
        opci->setValue(QStringLiteral("OIB_OP"), Oib4);
        opci->post();
        db->tdm->readSharedValues();
        opci->close();
        QLabel label(db->tdm->operatorLabelText);
        QCOMPARE(label.text(), QStringLiteral("Operater: Branka"));

        bool ran = false;
        onModal<TKomitentiForma>([&](TKomitentiForma* f) {
            ran = true;
            QCOMPARE(f->windowTitle(), QStringLiteral("Izaberite"));
            QCOMPARE(f->mode(), Mode::Selection);
            // positioned at the signed-in operator
            QCOMPARE(db->tdm->KomitentiTable->asString(QStringLiteral("POR_BROJ")), Oib4);
            auto* grid = child<QTableView>(f, "grid");
            QCOMPARE(grid->currentIndex().row(), 1);
            if (choose) {
                QTest::keyClick(grid, Qt::Key_Up);
                QTest::keyClick(grid, Qt::Key_Return);
            } else {
                QTest::keyClick(grid, Qt::Key_Up);
                QTest::keyClick(grid, Qt::Key_Escape);
            }
        });
        const PartyChoice choice = PrijavaOperatera(nullptr, &label);
        QVERIFY(ran);
        QVERIFY(script->texts().isEmpty());
        QCOMPARE(db->tdm->KomitentiTable->tableName(), QStringLiteral("KOMINT"));
        QVERIFY(!db->tdm->OpcaTable->active());
        const QString stored = db->column(QStringLiteral("OPCI"), QStringLiteral("OIB_OP")).value(0);
        if (choose) {
            QCOMPARE(choice.oib, Oib1);
            QCOMPARE(choice.naziv, QStringLiteral("Ana"));
            QCOMPARE(stored, Oib1);
            QCOMPARE(label.text(), QStringLiteral("Operater: Ana"));
            QCOMPARE(db->tdm->operatorOib, Oib1);
        } else {
            QVERIFY(choice.isEmpty());
            QCOMPARE(stored, Oib4);
            QCOMPARE(label.text(), QStringLiteral("Operater: Branka"));
            QCOMPARE(db->tdm->operatorOib, Oib4);
        }
        QCOMPARE(db->column(QStringLiteral("OPCI"), QStringLiteral("OIB")).size(), 1);
    }

    void companyScreenPicksOperator()
    {
        db->addParty(QStringLiteral("KOMINT"), Oib1, QStringLiteral("Ana"));
        db->addParty(QStringLiteral("KOMINT"), Oib4, QStringLiteral("Branka"));
        db->tdm->KomitentiTable->setTableName(QStringLiteral("KUPCI")); // whatever was set before
        onModal<TKomitentiForma>([&](TKomitentiForma* f) {
            QCOMPARE(f->kind(), PartyKind::Operators);
            QTest::keyClick(child<QTableView>(f, "grid"), Qt::Key_Down);
            QTest::keyClick(child<QTableView>(f, "grid"), Qt::Key_Return);
        });
        const PartyChoice choice = IzborOperatera(nullptr);
        QCOMPARE(choice.oib, Oib4);
        QCOMPARE(choice.naziv, QStringLiteral("Branka"));
        QCOMPARE(db->tdm->KomitentiTable->tableName(), QStringLiteral("KOMINT"));
        // the company screen stores it itself
        QCOMPARE(db->column(QStringLiteral("OPCI"), QStringLiteral("OIB_OP")).value(0), QString());
    }

    void searchThenEnter_data()
    {
        QTest::addColumn<bool>("selecting");
        QTest::newRow("maintenance opens") << false;
        QTest::newRow("selection chooses") << true;
    }
    void searchThenEnter()
    {
        QFETCH(bool, selecting);
        db->addParty(QStringLiteral("KUPCI"), Oib2, QStringLiteral("Abeceda"));
        db->addParty(QStringLiteral("KUPCI"), Oib3, QStringLiteral("BAB obrt"));
        db->addParty(QStringLiteral("KUPCI"), Oib1, QStringLiteral("ABC d.o.o."));
        db->addParty(QStringLiteral("KUPCI"), Oib4, QStringLiteral("XAB"));
        auto f = show(QStringLiteral("KUPCI"), selecting ? Mode::Selection : Mode::Maintenance);
        QLineEdit* nazivu = edit(f.get(), "nazivu");
        QTest::keyClicks(nazivu, QStringLiteral("AB"));
        QCOMPARE(gridColumn(f.get(), 1), (QStringList{"ABC d.o.o.", "Abeceda"}));
        auto* grid = child<QTableView>(f.get(), "grid");
        QCOMPARE(grid->currentIndex().row(), 0);
        QTest::keyClick(nazivu, Qt::Key_Down);
        QCOMPARE(grid->currentIndex().row(), 1);
        QTest::keyClick(nazivu, Qt::Key_Down); // stays on the last row
        QCOMPARE(grid->currentIndex().row(), 1);
        QTest::keyClick(nazivu, Qt::Key_Up);
        QCOMPARE(grid->currentIndex().row(), 0);
        QCOMPARE(nazivu->text(), QStringLiteral("AB"));

        QString opened;
        if (!selecting)
            onModal<TKomitentiEditForma>([&](TKomitentiEditForma* e) {
                opened = edit(e, "naziv")->text();
                QVERIFY(!edit(e, "oib")->isEnabled());
                QCOMPARE(edit(e, "oib")->text(), Oib1);
                QTest::keyClick(edit(e, "naziv"), Qt::Key_Escape);
            });
        QTest::keyClick(nazivu, Qt::Key_Return);
        if (selecting) {
            QVERIFY(!f->isVisible());
            QCOMPARE(f->selectedOib(), Oib1);
            QCOMPARE(f->selectedName(), QStringLiteral("ABC d.o.o."));
        } else {
            QTRY_COMPARE(opened, QStringLiteral("ABC d.o.o."));
            QVERIFY(f->isVisible());
            QVERIFY(f->selection().isEmpty());
        }
    }

    void oibSearchReplacesNameSearch()
    {
        db->addParty(QStringLiteral("KUPCI"), Oib1, QStringLiteral("ABC d.o.o."));
        db->addParty(QStringLiteral("KUPCI"), Oib2, QStringLiteral("Abeceda"));
        db->addParty(QStringLiteral("KUPCI"), QStringLiteral("98000000000"), QStringLiteral("Zeta"));
        auto f = show(QStringLiteral("KUPCI"), Mode::Maintenance);
        QTest::keyClicks(edit(f.get(), "nazivu"), QStringLiteral("ab"));
        QCOMPARE(gridColumn(f.get(), 1), (QStringList{"ABC d.o.o.", "Abeceda"}));
        QTest::keyClicks(edit(f.get(), "oibu"), QStringLiteral("98"));
        QCOMPARE(gridColumn(f.get(), 1), (QStringList{"Abeceda", "Zeta"}));
        QLineEdit* oibu = edit(f.get(), "oibu");
        QTest::keyClick(oibu, Qt::Key_Backspace);
        QTest::keyClick(oibu, Qt::Key_Backspace);
        QCOMPARE(gridColumn(f.get(), 1).size(), 3);
        // quote characters are searched for, not spliced
        QTest::keyClicks(edit(f.get(), "nazivu"), QStringLiteral("' OR '1'='1"));
        QCOMPARE(gridColumn(f.get(), 1), QStringList{});
    }

    void customersThenOperators()
    {
        db->addParty(QStringLiteral("KOMINT"), Oib1, QStringLiteral("Operater Jedan"));
        db->addParty(QStringLiteral("KUPCI"), Oib2, QStringLiteral("Kupac Jedan"));
        QStringList seen;
        onModal<TKomitentiForma>([&](TKomitentiForma* f) {
            seen << f->windowTitle() << headerTitles(f).value(1) << gridColumn(f, 1);
            QTest::keyClick(child<QTableView>(f, "grid"), Qt::Key_Escape);
        });
        KupciIKartice(nullptr);
        QCOMPARE(seen, (QStringList{"Kupci", "Naziv kupca", "Kupac Jedan"}));
        QCOMPARE(db->tdm->KomitentiTable->tableName(), QStringLiteral("KOMINT"));
        QVERIFY(!db->tdm->KomitentiTable->active());

        seen.clear();
        onModal<TKomitentiForma>([&](TKomitentiForma* f) {
            seen << f->windowTitle() << headerTitles(f).value(1) << gridColumn(f, 1);
            QCOMPARE(f->mode(), Mode::Maintenance);
            QTest::keyClick(child<QTableView>(f, "grid"), Qt::Key_Escape);
        });
        Operateri(nullptr);
        QCOMPARE(seen, (QStringList{"Operateri", "Naziv operatera", "Operater Jedan"}));
    }

    void customersUnavailableInCompanionMode()
    {
        db->tdm->companionMode = true;
        bool opened = false;
        onModal<TKomitentiForma>([&](TKomitentiForma* f) {
            opened = true;
            f->reject();
        });
        KupciIKartice(nullptr);
        QTest::qWait(50);
        QVERIFY(!opened);
        QCOMPARE(db->tdm->KomitentiTable->tableName(), QStringLiteral("KOMINT"));
    }

    void sortByColumnTitle()
    {
        db->addParty(QStringLiteral("KUPCI"), Oib2, QStringLiteral("Ana"));
        db->addParty(QStringLiteral("KUPCI"), Oib1, QStringLiteral("Cvita"));
        db->addParty(QStringLiteral("KUPCI"), Oib3, QStringLiteral("Branko"));
        auto f = show(QStringLiteral("KUPCI"), Mode::Maintenance);
        auto* grid = child<QTableView>(f.get(), "grid");
        QHeaderView* header = grid->horizontalHeader();
        auto click = [&](int section) {
            const QPoint p(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                           header->height() / 2);
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, p);
        };
        auto bold = [&](int section) {
            return f->model()->headerData(section, Qt::Horizontal, Qt::FontRole).value<QFont>().bold();
        };
        QCOMPARE(gridColumn(f.get(), 1), (QStringList{"Ana", "Branko", "Cvita"}));
        QVERIFY(bold(1));
        QVERIFY(!bold(0));

        grid->setCurrentIndex(f->model()->index(2, 0));
        QCOMPARE(db->tdm->KomitentiTable->recNo(), 2);
        click(0);
        QCOMPARE(db->tdm->KomitentiTable->sort(), QStringLiteral("POR_BROJ DESC"));
        QCOMPARE(gridColumn(f.get(), 0), (QStringList{Oib2, Oib1, Oib3}));
        QVERIFY(bold(0));
        QVERIFY(!bold(1));
        QCOMPARE(db->tdm->KomitentiTable->recNo(), 0);
        QCOMPARE(grid->currentIndex().row(), 0);
        click(0);
        QCOMPARE(db->tdm->KomitentiTable->sort(), QStringLiteral("POR_BROJ ASC"));
        QCOMPARE(gridColumn(f.get(), 0), (QStringList{Oib3, Oib1, Oib2}));
        click(1); // after an ascending sort any column goes descending
        QCOMPARE(db->tdm->KomitentiTable->sort(), QStringLiteral("NAZIV_KOM DESC"));
        QCOMPARE(gridColumn(f.get(), 1), (QStringList{"Cvita", "Branko", "Ana"}));
        QVERIFY(bold(1));
        QVERIFY(!bold(0));
        click(3);
        QCOMPARE(db->tdm->KomitentiTable->sort(), QStringLiteral("PTT_KOM ASC"));
    }

    void nextSortAlternates_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("next");
        QTest::newRow("opening sort") << "NAZIV_KOM ASC"
                                      << "NAZIV_KOM"
                                      << "NAZIV_KOM DESC";
        QTest::newRow("after descending") << "NAZIV_KOM DESC"
                                          << "POR_BROJ"
                                          << "POR_BROJ ASC";
        QTest::newRow("after ascending, other column") << "POR_BROJ ASC"
                                                       << "ZIRO"
                                                       << "ZIRO DESC";
        QTest::newRow("no direction") << "NAZIV_KOM"
                                      << "TELEFON"
                                      << "TELEFON ASC";
    }
    void nextSortAlternates()
    {
        QFETCH(QString, current);
        QFETCH(QString, column);
        QTEST(nextSort(current, column), "next");
    }

    void listPrint_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("nameTitle");
        QTest::newRow("customers") << "KUPCI"
                                   << "Popis kupaca"
                                   << "Naziv kupca";
        QTest::newRow("operators") << "KOMINT"
                                   << "Popis operatera"
                                   << "Naziv operatera";
    }
    void listPrint()
    {
        QFETCH(QString, table);
        QFETCH(QString, title);
        QFETCH(QString, nameTitle);
        auto party = [&](const QString& oib, const QString& naziv, const QString& ulica) {
            db->addRow(table, {{QStringLiteral("POR_BROJ"), oib},
                               {QStringLiteral("NAZIV_KOM"), naziv},
                               {QStringLiteral("ULICA_KOM"), ulica},
                               {QStringLiteral("PTT_KOM"), QStringLiteral("21000 SPLIT")},
                               {QStringLiteral("ZIRO"), QStringLiteral("HR1210010051863000160")},
                               {QStringLiteral("FNAZIV"), QStringLiteral("a@b.hr")}});
        };
        party(Oib1, QStringLiteral("ABC d.o.o."), QStringLiteral("Ulica 1"));
        party(Oib2, QStringLiteral("Abeceda"), QStringLiteral("Ulica 2"));
        party(Oib3, QStringLiteral("Zagorka"), QStringLiteral("Ulica 3"));
        party(Oib4, QStringLiteral("ABBA obrt"), QStringLiteral("Ulica 4"));
        auto* opci = db->tdm->OpcaTable;
        opci->open();
        if (opci->isEmpty())
            opci->append();
        else
            opci->edit();
        opci->setValue(QStringLiteral("NAZIV"), QStringLiteral("Tvrtka d.o.o."));
        opci->setValue(QStringLiteral("ULICA"), QStringLiteral("Glavna 5"));
        opci->setValue(QStringLiteral("MJESTO"), QStringLiteral("Split"));
        opci->setValue(QStringLiteral("OIB"), Oib3);
        opci->post();
        opci->close();

        PrintCapture print;
        auto f = show(table, Mode::Maintenance);
        QTest::keyClicks(edit(f.get(), "nazivu"), QStringLiteral("AB"));
        QHeaderView* header = child<QTableView>(f.get(), "grid")->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(0) + 10, header->height() / 2));
        QCOMPARE(db->tdm->KomitentiTable->sort(), QStringLiteral("POR_BROJ DESC"));
        QTest::keyClick(child<QTableView>(f.get(), "grid"), Qt::Key_Down);
        const int row = db->tdm->KomitentiTable->recNo();
        QTest::keyClick(edit(f.get(), "nazivu"), Qt::Key_F5);
        QCOMPARE(int(print.reports.size()), 1);
        const reports::PreparedReport& r = print.reports[0];
        QCOMPARE(r.pageCount(), 1);
        // filtered to "AB", by OIB descending
        QCOMPARE(itemTexts(r, QStringLiteral("naziv")), (QStringList{"Abeceda", "ABBA obrt", "ABC d.o.o."}));
        QCOMPARE(itemTexts(r, QStringLiteral("oib")), (QStringList{Oib2, Oib4, Oib1}));
        QCOMPARE(itemTexts(r, QStringLiteral("rbr")), (QStringList{"1.", "2.", "3."}));
        QCOMPARE(itemTexts(r, QStringLiteral("adresa")), (QStringList{"Ulica 2", "Ulica 4", "Ulica 1"}));
        QCOMPARE(itemTexts(r, QStringLiteral("mjesto")).value(0), QStringLiteral("21000 SPLIT"));
        QCOMPARE(itemTexts(r, QStringLiteral("ziro")).value(0), QStringLiteral("HR1210010051863000160"));
        QCOMPARE(itemTexts(r, QStringLiteral("email")).value(0), QStringLiteral("a@b.hr"));
        QVERIFY(!r.text().contains(QStringLiteral("Zagorka")));
        const reports::PreparedPage& page = r.pages[0];
        QCOMPARE(page.find(QStringLiteral("naslov"))->text, title);
        for (const QString& t :
             {nameTitle, QStringLiteral("RBr."), QStringLiteral("Adresa "), QStringLiteral("Mjesto"),
              QStringLiteral("OIB"), QStringLiteral("Žiro račun / IBAN"), QStringLiteral("eMail")})
            QVERIFY2(page.texts().contains(t), qPrintable(t));
        QVERIFY(page.containsText(QStringLiteral("Tvrtka d.o.o.")));
        QVERIFY(page.containsText(QStringLiteral("Glavna 5")));
        QVERIFY(page.containsText(QStringLiteral("Split")));
        QVERIFY(page.containsText(Oib3));
        QCOMPARE(page.size(), QSizeF(210, 297));
        // the list is where it was, and the company table as it was found
        QCOMPARE(db->tdm->KomitentiTable->recNo(), row);
        QCOMPARE(child<QTableView>(f.get(), "grid")->currentIndex().row(), row);
        QVERIFY(!db->tdm->OpcaTable->active());
    }

    void emptyListPrintsNothingButReportHasHeader()
    {
        PrintCapture print;
        auto f = show(QStringLiteral("KUPCI"), Mode::Maintenance);
        QTest::keyClick(child<QTableView>(f.get(), "grid"), Qt::Key_F5);
        QVERIFY(print.reports.empty());
        TKomitentiUnosReport report(db->tdm->KomitentiTable, PartyKind::Customers, {"Tvrtka", "", "", ""});
        const reports::PreparedReport r = report.prepare();
        QCOMPARE(r.pageCount(), 1);
        QVERIFY(r.pages[0].containsText(QStringLiteral("Popis kupaca")));
        QVERIFY(r.pages[0].containsText(QStringLiteral("Naziv kupca")));
        QVERIFY(r.findAll(QStringLiteral("naziv")).empty());
    }

    void newPartyAllBoxes()
    {
        seedPostalCodes();
        auto f = show(QStringLiteral("KUPCI"), Mode::Maintenance);
        bool ran = false, picked = false;
        onModal<TKomitentiEditForma>([&](TKomitentiEditForma* e) {
            ran = true;
            QTRY_COMPARE(QApplication::focusWidget(), edit(e, "oib"));
            QTest::keyClicks(edit(e, "oib"), Oib1);
            QTest::keyClick(edit(e, "oib"), Qt::Key_Return);
            QTest::keyClicks(edit(e, "naziv"), QStringLiteral("Kupac d.o.o."));
            QTest::keyClick(edit(e, "naziv"), Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), edit(e, "ulica"));
            QTest::keyClicks(edit(e, "ulica"), QStringLiteral("Riva 1"));
            QTest::keyClick(edit(e, "ulica"), Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), edit(e, "ptt"));
            pickPostalCode(QStringLiteral("sp"), &picked);
            QTest::keyClick(edit(e, "ptt"), Qt::Key_F1);
            QVERIFY(picked);
            QCOMPARE(edit(e, "ptt")->text(), QStringLiteral("21000 SPLIT"));
            QTRY_COMPARE(QApplication::focusWidget(), edit(e, "ptt")); // back from the list
            QTest::keyClick(edit(e, "ptt"), Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), edit(e, "ziro"));
            QTest::keyClicks(edit(e, "ziro"), QStringLiteral("hr12ab"));
            QCOMPARE(edit(e, "ziro")->text(), QStringLiteral("HR12AB"));
            QTest::keyClick(edit(e, "ziro"), Qt::Key_Return);
            QTest::keyClicks(edit(e, "telefon"), QStringLiteral("021 111"));
            QTest::keyClick(edit(e, "telefon"), Qt::Key_Return);
            QTest::keyClicks(edit(e, "telefax"), QStringLiteral("021 222"));
            QTest::keyClick(edit(e, "telefax"), Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), edit(e, "email"));
            QTest::keyClicks(edit(e, "email"), QStringLiteral("kupac@x.hr"));
            QTest::keyClick(edit(e, "email"), Qt::Key_Return); // Enter in e-Mail stores
        });
        QTest::keyClick(child<QTableView>(f.get(), "grid"), Qt::Key_F3);
        QVERIFY(ran);
        QVERIFY(script->texts().isEmpty());
        const QStringList expected{Oib1,     "Kupac d.o.o.", "Riva 1",  "21000 SPLIT",
                                   "HR12AB", "021 111",      "021 222", "kupac@x.hr"};
        QStringList got;
        for (const QString& c : registerColumns())
            got << db->column(QStringLiteral("KUPCI"), c).value(0);
        QCOMPARE(got, (QStringList{Oib1, "Kupac d.o.o.", "Riva 1", "21000 SPLIT", "021 111", "021 222",
                                   "HR12AB", "kupac@x.hr"}));
        Q_UNUSED(expected);
        QCOMPARE(db->column(QStringLiteral("KUPCI"), QStringLiteral("BANKA")).value(0), QString());
    }

    void changeStoresOrCancels_data()
    {
        QTest::addColumn<bool>("store");
        QTest::newRow("stored with F9") << true;
        QTest::newRow("left with Esc") << false;
    }
    void changeStoresOrCancels()
    {
        QFETCH(bool, store);
        db->addRow(QStringLiteral("KOMINT"), {{QStringLiteral("POR_BROJ"), Oib1},
                                              {QStringLiteral("NAZIV_KOM"), QStringLiteral("Ana")},
                                              {QStringLiteral("PTT_KOM"), QStringLiteral("10000 ZAGREB")}});
        seedPostalCodes();
        auto f = show(QStringLiteral("KOMINT"), Mode::Maintenance);
        bool ran = false, picked = false;
        onModal<TKomitentiEditForma>([&](TKomitentiEditForma* e) {
            ran = true;
            QCOMPARE(e->windowTitle(), QStringLiteral("Ažuriranje podataka o operateru"));
            QVERIFY(!edit(e, "oib")->isEnabled());
            QCOMPARE(edit(e, "oib")->text(), Oib1);
            QTRY_COMPARE(QApplication::focusWidget(), edit(e, "naziv"));
            QVERIFY(child<QPushButton>(e, "btnZapamti")->isEnabled());
            QCOMPARE(edit(e, "ptt")->text(), QStringLiteral("10000 ZAGREB"));
            pickPostalCode(QString(), &picked); // closed without choosing: the box keeps its text
            QTest::mouseClick(child<QToolButton>(e, "pttPick"), Qt::LeftButton);
            QVERIFY(picked);
            QCOMPARE(edit(e, "ptt")->text(), QStringLiteral("10000 ZAGREB"));
            picked = false;
            pickPostalCode(QStringLiteral("SP"), &picked);
            QTest::mouseClick(child<QToolButton>(e, "pttPick"), Qt::LeftButton);
            QVERIFY(picked);
            QCOMPARE(edit(e, "ptt")->text(), QStringLiteral("21000 SPLIT"));
            typeInto(edit(e, "naziv"), QStringLiteral("Ana Anić"));
            QTest::keyClick(edit(e, "naziv"), store ? Qt::Key_F9 : Qt::Key_Escape);
        });
        QTest::keyClick(child<QTableView>(f.get(), "grid"), Qt::Key_Return);
        QVERIFY(ran);
        QCOMPARE(db->column(QStringLiteral("KOMINT"), QStringLiteral("NAZIV_KOM")),
                 QStringList{store ? "Ana Anić" : "Ana"});
        QCOMPARE(db->column(QStringLiteral("KOMINT"), QStringLiteral("PTT_KOM")),
                 QStringList{store ? "21000 SPLIT" : "10000 ZAGREB"});
        QCOMPARE(db->tdm->KomitentiTable->state(), data::TableObject::State::Browse);
        QCOMPARE(gridColumn(f.get(), 1), QStringList{store ? "Ana Anić" : "Ana"});
    }

    void storeDisabledUntilNameFocused()
    {
        auto f = show(QStringLiteral("KUPCI"), Mode::Maintenance);
        bool ran = false;
        onModal<TKomitentiEditForma>([&](TKomitentiEditForma* e) {
            ran = true;
            QLineEdit* oibBox = edit(e, "oib");
            QTRY_COMPARE(QApplication::focusWidget(), oibBox);
            QTest::keyClicks(oibBox, Oib1);
            QTest::keyClick(oibBox, Qt::Key_F9); // still in the OIB box: nothing stored
            QVERIFY(e->isVisible());
            QVERIFY(!child<QPushButton>(e, "btnZapamti")->isEnabled());
            QTest::mouseClick(child<QPushButton>(e, "btnIzlaz"), Qt::LeftButton);
        });
        QTest::keyClick(child<QTableView>(f.get(), "grid"), Qt::Key_F3);
        QVERIFY(ran);
        QVERIFY(script->texts().isEmpty());
        QVERIFY(db->column(QStringLiteral("KUPCI"), QStringLiteral("POR_BROJ")).isEmpty());
    }

    void selectionNewDisabledByCaller()
    {
        auto f = show(QStringLiteral("KUPCI"), Mode::Selection);
        f->setNewEnabled(false);
        bool opened = false;
        onModal<TKomitentiEditForma>([&](TKomitentiEditForma* e) {
            opened = true;
            e->reject();
        });
        QTest::keyClick(child<QTableView>(f.get(), "grid"), Qt::Key_F3);
        QTest::qWait(30);
        QVERIFY(!opened);
        QTest::keyClick(child<QTableView>(f.get(), "grid"), Qt::Key_Return); // empty list: nothing chosen
        QVERIFY(f->isVisible());
        QTest::keyClick(child<QTableView>(f.get(), "grid"), Qt::Key_Escape);
        QVERIFY(!f->isVisible());
        QVERIFY(f->selection().isEmpty());
    }

    void modelFollowsTable()
    {
        for (int i = 0; i < 30; ++i)
            db->addParty(QStringLiteral("KUPCI"), QString::number(10000000000LL + i),
                         QStringLiteral("Kupac %1").arg(i, 2, 10, QLatin1Char('0')));
        auto f = show(QStringLiteral("KUPCI"), Mode::Maintenance);
        QAbstractItemModelTester tester(f->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(f->model()->rowCount(), 30);
        QTest::keyClicks(edit(f.get(), "nazivu"), QStringLiteral("Kupac 1"));
        QCOMPARE(f->model()->rowCount(), 10);
        QTest::keyClick(edit(f.get(), "nazivu"), Qt::Key_Backspace);
        QCOMPARE(f->model()->rowCount(), 30);
        f->model()->setBoldSection(4);
        QCOMPARE(f->model()->index(0, 1).data().toString(), QStringLiteral("Kupac 00"));
    }
};

PARTY_TEST_MAIN(TestParties)
#include "tst_parties.moc"
