// The party register reached from the real main window, wired the way the program wires it.
#include "app/osnovnaforma.h"
#include "app/poruka.h"
#include "master/opcaforma.h"
#include "partyfixture.h"
#include "receivables/komitentiforma.h"
#include "receivables/komitentimodel.h"
#include "receivables/parties.h"

#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QToolButton>

using namespace tarvel;
using namespace tarvel::receivables;

namespace {

const QString Ana = QStringLiteral("12345678903");
const QString Ivo = QStringLiteral("98765432106");

void wire(app::TOsnovnaForma& w)
{
    w.setOperatorChooser([](QWidget* owner) {
        const PartyChoice c = IzaberiOperateraZaPrijavu(owner);
        return app::IzabraniKomitent{c.oib, c.naziv};
    });
    w.setOpener(app::Ekran::Kupci, KupciIKartice);
    w.setOpener(app::Ekran::Operateri, Operateri);
    master::TOpcaForma::setOperatorRegister([](QWidget* owner) { return IzborOperatera(owner).oib; });
}

QStringList names(TKomitentiForma* f)
{
    QStringList out;
    for (int r = 0; r < f->model()->rowCount(); ++r)
        out << f->model()->index(r, 1).data().toString();
    return out;
}

} // namespace

class TestPartyShell : public QObject
{
    Q_OBJECT
    std::unique_ptr<PartyDb> db;
    std::unique_ptr<app::Poruka::Script> script;
    std::unique_ptr<app::TOsnovnaForma> w;

    QString storedOperator() { return db->column(QStringLiteral("OPCI"), QStringLiteral("OIB_OP")).value(0); }

private Q_SLOTS:
    void init()
    {
        db = std::make_unique<PartyDb>();
        script = std::make_unique<app::Poruka::Script>();
        db->addParty(QStringLiteral("KOMINT"), Ana, QStringLiteral("Ana Anić"));
        db->addParty(QStringLiteral("KOMINT"), Ivo, QStringLiteral("Ivo Ivić"));
        db->addParty(QStringLiteral("KUPCI"), QStringLiteral("11111111119"), QStringLiteral("Kupac d.o.o."));
        auto* opci = db->tdm->OpcaTable;
        opci->open();
        if (opci->isEmpty())
            opci->append();
        else
            opci->edit();
        opci->setValue(QStringLiteral("OIB_OP"), Ivo);
        opci->post();
        db->tdm->readSharedValues();
        opci->close();
        w = std::make_unique<app::TOsnovnaForma>();
        wire(*w);
        w->applySharedValues();
        w->show();
    }
    void cleanup()
    {
        master::TOpcaForma::setOperatorRegister({});
        w.reset();
        script.reset();
        db.reset();
    }

    void signIn_data()
    {
        QTest::addColumn<bool>("byLabel");
        QTest::addColumn<bool>("choose");
        QTest::newRow("button, left without choosing") << false << false;
        QTest::newRow("label, left without choosing") << true << false;
        QTest::newRow("button, chooses") << false << true;
        QTest::newRow("label, chooses") << true << true;
    }
    void signIn()
    {
        QFETCH(bool, byLabel);
        QFETCH(bool, choose);
        QLabel* label = w->operatorLabel();
        QCOMPARE(label->text(), QStringLiteral("Operater: Ivo Ivić"));
        bool ran = false;
        onModal<TKomitentiForma>([&](TKomitentiForma* f) {
            ran = true;
            QCOMPARE(f->windowTitle(), QStringLiteral("Izaberite"));
            auto* grid = f->findChild<QTableView*>(QStringLiteral("grid"));
            QCOMPARE(grid->currentIndex().row(), 1); // at the signed-in operator
            QTest::keyClick(grid, Qt::Key_Up);
            QTest::keyClick(grid, choose ? Qt::Key_Return : Qt::Key_Escape);
        });
        if (byLabel)
            QTest::mouseClick(label, Qt::LeftButton);
        else
            w->button(QStringLiteral("Prijava operatera"))->click();
        QVERIFY(ran);
        QCOMPARE(storedOperator(), choose ? Ana : Ivo);
        QCOMPARE(label->text(),
                 choose ? QStringLiteral("Operater: Ana Anić") : QStringLiteral("Operater: Ivo Ivić"));
        QCOMPARE(db->tdm->operatorOib, choose ? Ana : Ivo);
        QCOMPARE(db->tdm->KomitentiTable->tableName(), QStringLiteral("KOMINT"));
        QVERIFY(script->texts().isEmpty());
    }

    void customersThenOperatorsMenu()
    {
        QStringList seen;
        auto look = [&](TKomitentiForma* f) {
            seen << f->windowTitle() << f->model()->headerData(1, Qt::Horizontal).toString() << names(f);
            QTest::keyClick(f->findChild<QTableView*>(QStringLiteral("grid")), Qt::Key_Escape);
        };
        onModal<TKomitentiForma>(look);
        w->button(QStringLiteral("Kupci i kartice"))->click();
        QCOMPARE(seen, (QStringList{"Kupci", "Naziv kupca", "Kupac d.o.o."}));
        QCOMPARE(db->tdm->KomitentiTable->tableName(), QStringLiteral("KOMINT"));

        seen.clear();
        onModal<TKomitentiForma>(look);
        w->menuAction(QStringLiteral("Operateri"))->trigger();
        QCOMPARE(seen, (QStringList{"Operateri", "Naziv operatera", "Ana Anić", "Ivo Ivić"}));
    }

    void companyScreenQuestionMark_data()
    {
        QTest::addColumn<bool>("choose");
        QTest::newRow("chooses") << true;
        QTest::newRow("left without choosing") << false;
    }
    void companyScreenQuestionMark()
    {
        QFETCH(bool, choose);
        master::TOpcaForma company;
        company.show();
        QVERIFY(company.operaterButton()->isEnabled());
        bool ran = false;
        onModal<TKomitentiForma>([&](TKomitentiForma* f) {
            ran = true;
            QCOMPARE(f->kind(), PartyKind::Operators);
            QCOMPARE(f->mode(), TKomitentiForma::Mode::Selection);
            auto* grid = f->findChild<QTableView*>(QStringLiteral("grid"));
            QCOMPARE(grid->currentIndex().row(), 1);
            QTest::keyClick(grid, Qt::Key_Up);
            QTest::keyClick(grid, choose ? Qt::Key_Return : Qt::Key_Escape);
        });
        company.operaterButton()->click();
        QVERIFY(ran);
        auto* box = qobject_cast<QLineEdit*>(company.polje(QStringLiteral("OIB_OP")));
        QVERIFY(box);
        QCOMPARE(box->text(), choose ? Ana : QString());
        QCOMPARE(storedOperator(), Ivo); // stored only by the company screen's own save
    }
};

PARTY_TEST_MAIN(TestPartyShell)
#include "tst_partyshell.moc"
