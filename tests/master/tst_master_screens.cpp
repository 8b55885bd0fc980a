#include "core/cipher.h"
#include "fixture.h"
#include "master/cjenikeditforma.h"
#include "master/cjenikforma.h"
#include "master/master.h"
#include "master/opcaforma.h"
#include "master/opcamemoforma.h"
#include "master/poruke.h"
#include "master/postaforma.h"
#include "master/ui.h"
#include "reports/preview.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QToolButton>

using namespace tarvel;
using namespace tarvel::master;
using app::Poruka;

namespace {

template <class T> T* field(QWidget* form, const char* name)
{
    T* w = form->findChild<T*>(QLatin1String(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

// Back from a modal screen: the offscreen platform does not give the focus back by itself.
void back(QWidget* w)
{
    QApplication::setActiveWindow(w);
    QVERIFY(QTest::qWaitForWindowActive(w));
}

bool shown(QWidget* w)
{
    w->show();
    QApplication::setActiveWindow(w);
    return QTest::qWaitForWindowActive(w);
}

QString opci(MasterFixture& fx, const char* column)
{
    return fx.scalar(QStringLiteral("SELECT %1 FROM OPCI").arg(QLatin1String(column))).toString();
}

} // namespace

class TstMasterScreens : public QObject
{
    Q_OBJECT
    std::unique_ptr<MasterFixture> fx;
    std::unique_ptr<Poruka::Script> script;

private Q_SLOTS:
    void init()
    {
        fx = std::make_unique<MasterFixture>();
        script = std::make_unique<Poruka::Script>();
        setPrinterList([] {
            return Printeri{{QStringLiteral("HP LaserJet"), QStringLiteral("Epson TM-U220")},
                            QStringLiteral("HP LaserJet")};
        });
    }
    void cleanup()
    {
        script.reset();
        setFileChooser({});
        setPrinterList({});
        reports::setPreviewInterceptor({});
        TOpcaForma::setOperatorRegister({});
        fx.reset();
    }

    // ---- Opći podaci ----

    void freshDatabaseGetsMakersOib()
    {
        QCOMPARE(fx->scalar(QStringLiteral("SELECT count(*) FROM OPCI")).toInt(), 0);
        QSignalSpy shared(fx->dm.get(), &data::TDM::sharedValuesChanged);
        TOpcaForma f;
        QCOMPARE(fx->scalar(QStringLiteral("SELECT count(*) FROM OPCI")).toInt(), 1);
        QCOMPARE(opci(*fx, "OIB"), QStringLiteral("61873204959"));
        QCOMPARE(field<QLineEdit>(&f, "OIB")->text(), QStringLiteral("61873204959"));
        // The main window's service label reads "DEMO CIS PU aktivan" while this flag is on.
        QVERIFY(fx->dm->testniCIS);
        QVERIFY(shared.count() >= 1);
        QCOMPARE(f.windowTitle(), QStringLiteral("Opći podaci"));
        QCOMPARE(f.size(), QSize(834, 624));
        // The defaults of a row that has none of its own.
        QCOMPARE(field<QComboBox>(&f, "U_PDV")->currentText(), QStringLiteral("Da"));
        QCOMPARE(field<QComboBox>(&f, "VR_OBVEZ")->currentText(), QStringLiteral("R1"));
        QCOMPARE(field<QComboBox>(&f, "ISPIS")->currentText(), QStringLiteral("A4"));
        QCOMPARE(field<QLineEdit>(&f, "NAPLUR")->text(), QStringLiteral("3"));
        QVERIFY(!f.registrirajButton()->isEnabled());
        QVERIFY(!f.podnozjeButton()->isEnabled());
        QVERIFY(shown(&f));

        // Saving a real OIB switches the test service off; the maker's OIB switches it on again.
        QSignalSpy afterSave(fx->dm.get(), &data::TDM::sharedValuesChanged);
        field<QLineEdit>(&f, "OIB")->setText(QStringLiteral("12345678903"));
        press(Qt::Key_F9);
        QCOMPARE(f.result(), int(QDialog::Accepted));
        QVERIFY(!fx->dm->testniCIS);
        QCOMPARE(afterSave.count(), 1);
        QVERIFY(!fx->dm->OpcaTable->active());
        TOpcaForma g;
        QCOMPARE(field<QLineEdit>(&g, "OIB")->text(), QStringLiteral("12345678903"));
        QCOMPARE(fx->scalar(QStringLiteral("SELECT count(*) FROM OPCI")).toInt(), 1);
    }

    void fieldLengths_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("digits");
        const std::tuple<const char*, int, bool> rows[] = {
            {"OIB_OP", 11, true},     {"OIB", 11, true},       {"NAZIV", 60, false},
            {"ODG_IME", 60, false},   {"ODG_PREZ", 60, false}, {"TEL", 60, false},
            {"FAX", 60, false},       {"EMAIL", 60, false},    {"POSL_GOD", 4, false},
            {"NAPLUR", 15, true},     {"SKLAD", 8, false},     {"ULICA", 50, false},
            {"K_BR", 3, false},       {"K_BR_D", 3, false},    {"PTT", 5, false},
            {"MJESTO", 50, false},    {"OPCINA", 50, false},   {"RAD_VR", 100, false},
            {"PASS_CERT", 30, false}, {"eHOST", 50, false},    {"ePORT", 4, false},
            {"eUSERNAME", 50, false}, {"ePASSWORD", 30, false}};
        for (const auto& [c, l, d] : rows)
            QTest::newRow(c) << QString::fromLatin1(c) << l << d;
    }
    void fieldLengths()
    {
        QFETCH(QString, column);
        QFETCH(int, length);
        QFETCH(bool, digits);
        TOpcaForma f;
        auto* e = qobject_cast<QLineEdit*>(f.polje(column));
        QVERIFY(e);
        e->setEnabled(true);
        QVERIFY(shown(&f));
        e->setFocus();
        e->clear();
        QTest::keyClicks(e, QString(length + 5, QLatin1Char('7')));
        QCOMPARE(e->text().size(), length);
        e->clear();
        QTest::keyClicks(e, QStringLiteral("1a2"));
        QCOMPARE(e->text(), digits ? QStringLiteral("12") : QStringLiteral("1a2"));
    }

    void oibCheckOnLeaving_data()
    {
        QTest::addColumn<QString>("column"); // typed into, then left with Tab
        QTest::addColumn<QString>("oib");
        QTest::addColumn<QString>("operatorOib");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("focused");
        QTest::newRow("company, control digit 3") << "OIB"
                                                  << "12345678903"
                                                  << "" << false << "";
        QTest::newRow("company, wrong control digit") << "OIB"
                                                      << "12345678900"
                                                      << "" << true << "OIB";
        QTest::newRow("company, ten digits") << "OIB"
                                             << "1234567890"
                                             << "" << true << "OIB";
        QTest::newRow("company, empty") << "OIB"
                                        << ""
                                        << "" << false << "";
        QTest::newRow("operator, wrong") << "OIB_OP"
                                         << ""
                                         << "12345678900" << true << "OIB_OP";
        QTest::newRow("operator, right") << "OIB_OP"
                                         << ""
                                         << "12345678903" << false << "";
        // Leaving the payment device checks the operator OIB, not the company's.
        QTest::newRow("payment device checks operator") << "NAPLUR"
                                                        << "12345678900"
                                                        << "1234" << true << "OIB_OP";
        QTest::newRow("payment device, operator right") << "NAPLUR"
                                                        << "12345678900"
                                                        << "12345678903" << false << "";
    }
    void oibCheckOnLeaving()
    {
        QFETCH(QString, column);
        QFETCH(QString, oib);
        QFETCH(QString, operatorOib);
        QFETCH(bool, refused);
        QFETCH(QString, focused);
        TOpcaForma f;
        field<QLineEdit>(&f, "OIB")->clear();
        QVERIFY(shown(&f));
        f.polje(column)->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), f.polje(column));
        QTest::qWait(20);
        field<QLineEdit>(&f, "OIB")->setText(oib);
        field<QLineEdit>(&f, "OIB_OP")->setText(operatorOib);
        script->clear();
        press(Qt::Key_Tab);
        QTest::qWait(20);
        if (refused) {
            QCOMPARE(script->texts(), QStringList{QStringLiteral("Neispravan OIB. Upišite ponovno!")});
            QCOMPARE(script->kinds(), QList<Poruka::Kind>{Poruka::Kind::Notice});
            QCOMPARE(QApplication::focusWidget(), f.polje(focused));
        } else {
            QCOMPARE(script->texts(), QStringList{});
            QVERIFY(QApplication::focusWidget() != f.polje(column));
        }
        // Saving is not blocked by it.
        press(Qt::Key_F9);
        QCOMPARE(f.result(), int(QDialog::Accepted));
        QCOMPARE(opci(*fx, "OIB"), oib);
    }

    // Both OIBs wrong: each leaving gives one message, and the focus does not bounce between them.
    void twoWrongOibsDoNotChase()
    {
        TOpcaForma f;
        QVERIFY(shown(&f));
        field<QLineEdit>(&f, "OIB")->setText(QStringLiteral("12345678900"));
        field<QLineEdit>(&f, "OIB_OP")->setText(QStringLiteral("11111111112"));
        QTRY_COMPARE(QApplication::focusWidget(), f.polje(QStringLiteral("OIB_OP")));
        press(Qt::Key_Tab);
        QTest::qWait(50);
        QCOMPARE(script->texts(), QStringList{QStringLiteral("Neispravan OIB. Upišite ponovno!")});
        QCOMPARE(QApplication::focusWidget(), f.polje(QStringLiteral("OIB_OP")));
        press(Qt::Key_Tab);
        QTest::qWait(50);
        QCOMPARE(script->texts().size(), 2);
        QCOMPARE(QApplication::focusWidget(), f.polje(QStringLiteral("OIB_OP")));
    }

    void lockedFieldsToggle()
    {
        TOpcaForma f;
        QVERIFY(shown(&f));
        const QList<QWidget*> locked{f.polje(QStringLiteral("PASS_CERT")),
                                     f.polje(QStringLiteral("IME_CERT")), f.polje(QStringLiteral("PATH_MJE")),
                                     field<QToolButton>(&f, "certButton"),
                                     field<QToolButton>(&f, "mdbButton")};
        auto enabled = [&] {
            QList<bool> out;
            for (QWidget* w : locked)
                out << w->isEnabled();
            return out;
        };
        QCOMPARE(enabled(), QList<bool>(5, false));
        press(Qt::Key_F5, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(enabled(), QList<bool>(5, true));
        press(Qt::Key_F5, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(enabled(), QList<bool>(5, false));
        QVERIFY(f.isVisible()); // F5 alone belongs to nobody here
    }

    void fileChoosers_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("filter");
        QTest::newRow("certificate") << "certButton"
                                     << "IME_CERT"
                                     << "Izaberite datoteku s certifikatom"
                                     << "PFX files (*.pfx)|*.pfx";
        QTest::newRow("companion database") << "mdbButton"
                                            << "PATH_MJE"
                                            << "Izaberite bazu mjenjačnice"
                                            << "MDB files (*.mdb)|*.mdb";
    }
    void fileChoosers()
    {
        QFETCH(QString, button);
        QFETCH(QString, column);
        QFETCH(QString, title);
        QFETCH(QString, filter);
        QString askedTitle, askedFilter, answer = fx->dir.filePath(QStringLiteral("odabrano"));
        setFileChooser([&](QWidget*, const QString& t, const QString& fl) {
            askedTitle = t;
            askedFilter = fl;
            return answer;
        });
        TOpcaForma f;
        QVERIFY(shown(&f));
        press(Qt::Key_F5, Qt::ControlModifier | Qt::AltModifier);
        auto* b = f.findChild<QToolButton*>(button);
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(askedTitle, title);
        QCOMPARE(askedFilter, filter);
        QCOMPARE(qobject_cast<QLineEdit*>(f.polje(column))->text(), answer);
        // Giving up leaves the field as it was.
        answer.clear();
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(qobject_cast<QLineEdit*>(f.polje(column))->text(),
                 fx->dir.filePath(QStringLiteral("odabrano")));
    }

    void saveThroughScreen()
    {
        const QString mdb = fx->dir.filePath(QStringLiteral("tarvelwin.mdb"));
        QFile file(mdb);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        fx->sql(
            QStringLiteral("INSERT INTO KOMINT (NAZIV_KOM, POR_BROJ) VALUES ('Marko Marić', '12345678903')"));
        fx->sql(QStringLiteral("INSERT INTO OPCI (OIB, GLAVNI_PRINTER, PROM, BR_RAC, ISPIS) VALUES "
                               "('61873204959', 'Star 40', '2024-05-06', 42, '40')"));
        setFileChooser([&](QWidget*, const QString&, const QString&) { return mdb; });
        const QString printerBefore = fx->dm->receiptPrinter;

        TOpcaForma f;
        auto* printer = field<QComboBox>(&f, "GLAVNI_PRINTER");
        QCOMPARE(printer->count(), 2);
        QCOMPARE(printer->currentText(), QStringLiteral("Star 40"));
        QCOMPARE(field<QLineEdit>(&f, "PROM")->text(), QStringLiteral("06.05.2024"));
        QVERIFY(field<QLineEdit>(&f, "PROM")->isReadOnly());
        QCOMPARE(field<QLineEdit>(&f, "BR_RAC")->text(), QStringLiteral("42"));
        QVERIFY(f.podnozjeButton()->isEnabled());
        // Only showing the screen does not move the receipts to another printer.
        QCOMPARE(fx->dm->receiptPrinter, printerBefore);
        QVERIFY(shown(&f));

        field<QLineEdit>(&f, "OIB_OP")->setFocus();
        type(QStringLiteral("12345678903"));
        press(Qt::Key_Return); // Enter moves on
        QCOMPARE(QApplication::focusWidget(), f.polje(QStringLiteral("OIB")));
        field<QLineEdit>(&f, "OIB")->clear();
        type(QStringLiteral("69435151530"));
        press(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), f.polje(QStringLiteral("NAZIV")));
        type(QStringLiteral("Obrt Šestica"));
        press(Qt::Key_F5, Qt::ControlModifier | Qt::AltModifier);
        QTest::mouseClick(field<QToolButton>(&f, "mdbButton"), Qt::LeftButton);
        field<QLineEdit>(&f, "PASS_CERT")->setText(QStringLiteral("tajna-šifra"));
        field<QComboBox>(&f, "U_PDV")->setCurrentText(QStringLiteral("Ne"));
        printer->setCurrentIndex(1);
        QSignalSpy shared(fx->dm.get(), &data::TDM::sharedValuesChanged);
        f.polje(QStringLiteral("ISPIS"))->setFocus();
        press(Qt::Key_Return); // Enter in the print size saves

        QCOMPARE(f.result(), int(QDialog::Accepted));
        QVERIFY(!f.isVisible());
        QCOMPARE(opci(*fx, "NAZIV"), QStringLiteral("Obrt Šestica"));
        QCOMPARE(opci(*fx, "OIB"), QStringLiteral("69435151530"));
        QCOMPARE(opci(*fx, "U_PDV"), QStringLiteral("Ne"));
        QCOMPARE(opci(*fx, "PATH_MJE"), mdb);
        QCOMPARE(opci(*fx, "GLAVNI_PRINTER"), QStringLiteral("Epson TM-U220"));
        QCOMPARE(opci(*fx, "PROM"), QStringLiteral("2024-05-06"));
        QCOMPARE(opci(*fx, "FOOTER"), QStringLiteral("-"));
        QVERIFY(opci(*fx, "PASS_CERT") != QStringLiteral("tajna-šifra"));
        QCOMPARE(decipherPassword(opci(*fx, "PASS_CERT")), QStringLiteral("tajna-šifra"));
        QCOMPARE(shared.count(), 1);
        QCOMPARE(fx->dm->operatorOib, QStringLiteral("12345678903"));
        QCOMPARE(fx->dm->operatorLabelText, QStringLiteral("Operater: Marko Marić"));
        QCOMPARE(fx->dm->receiptPrinter, QStringLiteral("Epson TM-U220"));
        QVERIFY(fx->dm->companionMode);
        QVERIFY(!fx->dm->testniCIS);
        QVERIFY(!fx->dm->OpcaTable->active());

        // Shown again: the password comes back deciphered into its masked field.
        TOpcaForma g;
        QCOMPARE(field<QLineEdit>(&g, "PASS_CERT")->text(), QStringLiteral("tajna-šifra"));
        QCOMPARE(field<QLineEdit>(&g, "PASS_CERT")->echoMode(), QLineEdit::Password);
    }

    void escapeSavesNothing()
    {
        TOpcaForma f;
        QVERIFY(shown(&f));
        field<QLineEdit>(&f, "NAZIV")->setFocus();
        type(QStringLiteral("Ne sprema se"));
        press(Qt::Key_Escape);
        QCOMPARE(f.result(), int(QDialog::Rejected));
        QVERIFY(!f.isVisible());
        QCOMPARE(opci(*fx, "NAZIV"), QString());
        QVERIFY(!fx->dm->OpcaTable->active());
    }

    void operatorQuestionMark()
    {
        QString chosen = QStringLiteral("12345678903");
        QString tableSeen;
        TOpcaForma::setOperatorRegister([&](QWidget*) {
            tableSeen = fx->dm->KomitentiTable->tableName();
            return chosen;
        });
        fx->dm->KomitentiTable->setTableName(QStringLiteral("KUPCI"));
        TOpcaForma f;
        QVERIFY(shown(&f));
        QVERIFY(f.operaterButton()->isEnabled());
        QTest::mouseClick(f.operaterButton(), Qt::LeftButton);
        QCOMPARE(tableSeen, QStringLiteral("KOMINT"));
        QCOMPARE(field<QLineEdit>(&f, "OIB_OP")->text(), chosen);
        QCOMPARE(QApplication::focusWidget(), f.polje(QStringLiteral("OIB_OP")));
        chosen.clear();
        QTest::mouseClick(f.operaterButton(), Qt::LeftButton);
        QCOMPARE(field<QLineEdit>(&f, "OIB_OP")->text(), QString());
    }

    void footerEditor_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("stored");
        QTest::newRow("empty, F9") << "" << int(Qt::Key_F9) << "-";
        QTest::newRow("text, F9") << "Hvala na povjerenju" << int(Qt::Key_F9) << "Hvala na povjerenju";
        QTest::newRow("text, Esc") << "Hvala" << int(Qt::Key_Escape) << "staro";
    }
    void footerEditor()
    {
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(QString, stored);
        fx->sql(
            QStringLiteral("INSERT INTO OPCI (OIB, FOOTER, ISPIS) VALUES ('61873204959', 'staro', '40')"));
        TOpcaForma f;
        QVERIFY(shown(&f));
        auto* ispis = field<QComboBox>(&f, "ISPIS");
        QVERIFY(f.podnozjeButton()->isEnabled());
        ispis->setCurrentText(QStringLiteral("A5"));
        QVERIFY(!f.podnozjeButton()->isEnabled());
        ispis->setCurrentText(QStringLiteral("40"));
        QVERIFY(f.podnozjeButton()->isEnabled());

        bool seen = false;
        onModal<TOpcaMemoForma>([&](TOpcaMemoForma* m) {
            seen = true;
            QCOMPARE(m->windowTitle(), QStringLiteral("Upis podnožja računa"));
            QVERIFY(m->width() >= 851 && m->height() >= 292);
            QCOMPARE(m->tekst()->toPlainText(), QStringLiteral("staro"));
            QCOMPARE(fx->dm->OpcaTable->state(), data::TableObject::State::Edit);
            m->tekst()->setFocus();
            m->tekst()->selectAll();
            QTest::keyClick(m->tekst(), Qt::Key_Delete);
            QTest::keyClicks(m->tekst(), typed);
            QTest::keyClick(m->tekst(), Qt::Key(key));
        });
        QTest::mouseClick(f.podnozjeButton(), Qt::LeftButton);
        QVERIFY(seen);
        // Saved on its own, before and without the company screen's save.
        QCOMPARE(opci(*fx, "FOOTER"), stored);
        QCOMPARE(fx->dm->OpcaTable->state(), data::TableObject::State::Browse);
        press(Qt::Key_Escape);
        QCOMPARE(opci(*fx, "FOOTER"), stored);
    }

    void invoiceWritingNeedsCompanyData_data()
    {
        QTest::addColumn<QString>("naziv");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("fresh database") << "" << false;
        QTest::newRow("placeholder") << "Upišite naziv firme" << false;
        QTest::newRow("filled") << "Obrt Šestica" << true;
    }
    void invoiceWritingNeedsCompanyData()
    {
        QFETCH(QString, naziv);
        QFETCH(bool, allowed);
        if (!naziv.isEmpty())
            fx->sql(QStringLiteral("INSERT INTO OPCI (OIB, NAZIV) VALUES ('61873204959', ?)"), {naziv});
        bool companyScreen = false;
        onModal<TOpcaForma>([&](TOpcaForma* f) {
            companyScreen = true;
            f->izlaz();
        });
        QCOMPARE(izradaRacunaDopustena(nullptr), allowed);
        QCOMPARE(companyScreen, !allowed);
        if (allowed)
            QCOMPARE(script->texts(), QStringList{});
        else
            QCOMPARE(script->texts(), QStringList{QStringLiteral(
                                          "Prije početka izrade računa morate prvo popuniti opće podatke.")});
        QTest::qWait(30); // the watcher of a dialog that never came
    }

    // ---- Cijenik ----

    void priceWithVatInEditScreen_data()
    {
        QTest::addColumn<QString>("cijena");
        QTest::addColumn<QString>("stopa");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<double>("stored");
        QTest::newRow("100 at 25 %") << "100"
                                     << "25"
                                     << "125,00" << 125.0;
        QTest::newRow("10,01 at 13 %") << "10,01"
                                       << "13"
                                       << "11,31" << 11.31;
        QTest::newRow("thousands") << "1.000,50"
                                   << "25"
                                   << "1.250,63" << 1250.63;
    }
    void priceWithVatInEditScreen()
    {
        QFETCH(QString, cijena);
        QFETCH(QString, stopa);
        QFETCH(QString, shown);
        QFETCH(double, stored);
        TCjenikForma list;
        QVERIFY(::shown(&list));
        bool seen = false;
        onModal<TCjenikEditForma>([&](TCjenikEditForma* e) {
            seen = true;
            QCOMPARE(e->windowTitle(), QStringLiteral("Unos novog podatka"));
            QTRY_COMPARE(QApplication::focusWidget(), e->polje(QStringLiteral("NAZIV")));
            type(QStringLiteral("Usluga"));
            press(Qt::Key_Return);
            type(QStringLiteral("sat"));
            press(Qt::Key_Down);
            type(cijena);
            press(Qt::Key_Return);
            type(stopa);
            press(Qt::Key_Return); // into "Cijena sa PDV-om": computed on entry
            QCOMPARE(QApplication::focusWidget(), e->polje(QStringLiteral("CIJENA_SA")));
            QCOMPARE(e->polje(QStringLiteral("CIJENA_SA"))->text(), shown);
            press(Qt::Key_Return); // Enter there saves
        });
        press(Qt::Key_F3);
        QVERIFY(seen);
        QCOMPARE(fx->scalar(QStringLiteral("SELECT count(*) FROM CJENIK")).toInt(), 1);
        QCOMPARE(fx->scalar(QStringLiteral("SELECT CIJENA_SA FROM CJENIK")).toDouble(), stored);
        QCOMPARE(fx->scalar(QStringLiteral("SELECT NAZIV || '/' || JMJ FROM CJENIK")).toString(),
                 QStringLiteral("Usluga/sat"));
        QCOMPARE(list.model()->index(0, 5).data().toString(), shown);
        back(&list);
        QCOMPARE(QApplication::focusWidget(), list.grid());
    }

    void editScreenChangeOverwriteAndEscape()
    {
        fx->addArticle(QStringLiteral("Kava"), QStringLiteral("kom"), 8, 25, 10);
        TCjenikForma list;
        QVERIFY(shown(&list));
        list.grid()->setFocus();
        // The price with VAT may be overwritten after it was computed.
        onModal<TCjenikEditForma>([&](TCjenikEditForma* e) {
            QCOMPARE(e->windowTitle(), QStringLiteral("Izmjena podataka"));
            QCOMPARE(e->polje(QStringLiteral("ID"))->text(), QStringLiteral("1"));
            QVERIFY(e->polje(QStringLiteral("ID"))->isReadOnly());
            QCOMPARE(e->polje(QStringLiteral("CIJENA"))->text(), QStringLiteral("8,00"));
            e->polje(QStringLiteral("CIJENA_SA"))->setFocus();
            QCOMPARE(e->polje(QStringLiteral("CIJENA_SA"))->text(), QStringLiteral("10,00"));
            e->polje(QStringLiteral("CIJENA_SA"))->selectAll();
            type(QStringLiteral("9,99"));
            press(Qt::Key_F9);
        });
        press(Qt::Key_Return);
        QCOMPARE(fx->scalar(QStringLiteral("SELECT CIJENA_SA FROM CJENIK")).toDouble(), 9.99);
        onModal<TCjenikEditForma>([&](TCjenikEditForma* e) {
            e->polje(QStringLiteral("NAZIV"))->selectAll();
            type(QStringLiteral("Čaj"));
            press(Qt::Key_Escape);
        });
        QTest::mouseDClick(list.grid()->viewport(), Qt::LeftButton, {},
                           list.grid()->visualRect(list.model()->index(0, 1)).center());
        QCOMPARE(fx->scalar(QStringLiteral("SELECT NAZIV FROM CJENIK")).toString(), QStringLiteral("Kava"));
        QCOMPARE(fx->dm->CjenikTable->state(), data::TableObject::State::Browse);
        // A price that is not a number is refused with the fixed message, and the screen stays.
        onModal<TCjenikEditForma>([&](TCjenikEditForma* e) {
            e->polje(QStringLiteral("CIJENA"))->setFocus();
            e->polje(QStringLiteral("CIJENA"))->selectAll();
            type(QStringLiteral("abc"));
            script->clear();
            press(Qt::Key_F9);
            QVERIFY(e->isVisible());
            QVERIFY(
                script->texts().contains(QStringLiteral("Neispravno upisan podatak. Molim ispravite unos")));
            press(Qt::Key_Escape);
        });
        list.grid()->setFocus();
        press(Qt::Key_Return);
        QCOMPARE(fx->scalar(QStringLiteral("SELECT CIJENA FROM CJENIK")).toDouble(), 8.0);
    }

    void selectionMode()
    {
        fx->addArticle(QStringLiteral("Kava"), QStringLiteral("kom"), 8, 25, 10);
        fx->addArticle(QStringLiteral("Sok"), QStringLiteral("l"), 10.01, 13, 11.31);
        int prints = 0;
        reports::setPreviewInterceptor([&](const reports::PreparedReport&) { ++prints; });
        TCjenikForma f(nullptr, TCjenikForma::Nacin::Izbor);
        QCOMPARE(f.izmjenaButton()->text(), QStringLiteral("Izbor - Ent"));
        QVERIFY(!f.brisanjeButton()->isEnabled());
        QVERIFY(!f.tiskanjeButton()->isEnabled());
        QVERIFY(f.noviButton()->isEnabled());
        QVERIFY(shown(&f));
        QCOMPARE(QApplication::focusWidget(), f.trazi());
        // Del with the grid focused still asks, F5 still prints.
        f.grid()->setFocus();
        script->addAnswers({false});
        press(Qt::Key_Delete);
        QCOMPARE(script->texts(), QStringList{QStringLiteral("Dali stvarno brišete ovu cijenu - Kava ?")});
        QCOMPARE(fx->scalar(QStringLiteral("SELECT count(*) FROM CJENIK")).toInt(), 2);
        press(Qt::Key_F5);
        QCOMPARE(prints, 1);
        // Choosing with Enter on the grid.
        press(Qt::Key_Down);
        press(Qt::Key_Return);
        QCOMPARE(f.result(), int(QDialog::Accepted));
        QCOMPARE(f.odabrani().naziv, QStringLiteral("Sok"));
        QCOMPARE(f.odabrani().jmj, QStringLiteral("l"));
        QCOMPARE(f.odabrani().cijena, 10.01);
        QCOMPARE(f.odabrani().cijenaSa, 11.31);
        QCOMPARE(f.odabrani().stopa, 13.0);
        QVERIFY(!fx->dm->CjenikTable->active());
    }

    void selectionModeLeftWithEscape()
    {
        fx->addArticle(QStringLiteral("Kava"), QStringLiteral("kom"), 8, 5, 8.4);
        onModal<TCjenikForma>([](TCjenikForma* f) {
            f->grid()->setFocus();
            press(Qt::Key_Escape);
        });
        const OdabraniArtikl a = izaberiArtikl(nullptr);
        QVERIFY(!a.odabran());
        QCOMPARE(a.naziv, QString());
        QCOMPARE(a.cijenaSa, 0.0);
        QCOMPARE(a.stopa, 25.0);
    }

    void searchByPrefix()
    {
        for (const char* n : {"Kava", "Mlijeko", "kakao", "Čaj", "Čokolada"})
            fx->addArticle(QString::fromUtf8(n), QStringLiteral("kom"), 1, 25, 1.25);
        TCjenikForma f;
        QAbstractItemModelTester tester(f.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(shown(&f));
        QCOMPARE(f.trazi()->maxLength(), 50);
        auto names = [&] {
            QStringList out;
            for (int r = 0; r < f.model()->rowCount(); ++r)
                out << f.model()->index(r, 1).data().toString();
            return out;
        };
        type(QStringLiteral("ka"));
        QCOMPARE(names(), (QStringList{"Kava", "kakao"}));
        // Up and Down in the search field walk the grid.
        QCOMPARE(fx->dm->CjenikTable->recNo(), 0);
        press(Qt::Key_Down);
        QCOMPARE(fx->dm->CjenikTable->recNo(), 1);
        QCOMPARE(f.grid()->currentIndex().row(), 1);
        press(Qt::Key_Up);
        QCOMPARE(f.grid()->currentIndex().row(), 0);
        QCOMPARE(QApplication::focusWidget(), f.trazi());
        f.trazi()->clear();
        QCOMPARE(names().size(), 5);
        type(QString::fromUtf8("čo"));
        QCOMPARE(names(), QStringList{QString::fromUtf8("Čokolada")});
        press(Qt::Key_Escape);
        QVERIFY(!fx->dm->CjenikTable->active());
        QVERIFY(fx->dm->CjenikTable->filter().isEmpty());
    }

    void deletionQuestion()
    {
        fx->addArticle(QStringLiteral("Kava"), QStringLiteral("kom"), 8, 25, 10);
        fx->addArticle(QStringLiteral("Sok"), QStringLiteral("l"), 4, 25, 5);
        TCjenikForma f;
        QVERIFY(shown(&f));
        QCOMPARE(f.brisanjeButton()->text(), QStringLiteral("Brisanje - Del"));
        // Del in the search field is the search field's.
        type(QStringLiteral("S"));
        press(Qt::Key_Left);
        press(Qt::Key_Delete);
        QCOMPARE(script->texts(), QStringList{});
        f.trazi()->clear();
        f.grid()->setFocus();
        press(Qt::Key_Down);
        script->addAnswers({false, true});
        press(Qt::Key_Delete); // "Ne - Esc"
        QCOMPARE(fx->scalar(QStringLiteral("SELECT count(*) FROM CJENIK")).toInt(), 2);
        QCOMPARE(QApplication::focusWidget(), f.grid());
        QTest::mouseClick(f.brisanjeButton(), Qt::LeftButton); // "Da - F9"
        QCOMPARE(script->texts(), (QStringList{QStringLiteral("Dali stvarno brišete ovu cijenu - Sok ?"),
                                               QStringLiteral("Dali stvarno brišete ovu cijenu - Sok ?")}));
        QCOMPARE(fx->scalar(QStringLiteral("SELECT group_concat(NAZIV) FROM CJENIK")).toString(),
                 QStringLiteral("Kava"));
        QCOMPARE(f.model()->rowCount(), 1);
        QCOMPARE(QApplication::focusWidget(), f.grid());
    }

    void contextMenu()
    {
        TCjenikForma f;
        QStringList texts;
        for (QAction* a : f.kontekstniIzbornik()->actions())
            texts << a->text();
        QCOMPARE(texts, (QStringList{"&Novi", "&Izmjena", "&Brisanje", "&Zatvori"}));
        QCOMPARE(f.windowTitle(), QStringLiteral("Cijenik"));
        QStringList titles;
        for (int c = 0; c < f.model()->columnCount(); ++c)
            titles << f.model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(titles,
                 (QStringList{"ID", "Opis", "JMJ", "Cijena bez PDVa", "Stopa PDV-a", "Cijena sa PDV-om"}));
    }

    void printFromList()
    {
        fx->sql(QStringLiteral(
            "INSERT INTO OPCI (OIB, NAZIV, MJESTO) VALUES ('12345678903', 'Obrt Šestica', 'Split')"));
        std::vector<reports::PreparedReport> prints;
        reports::setPreviewInterceptor([&](const reports::PreparedReport& r) { prints.push_back(r); });
        fx->dm->OpcaTable->close();
        TCjenikForma f;
        QVERIFY(shown(&f));
        press(Qt::Key_F5); // an empty list prints nothing
        QCOMPARE(prints.size(), size_t(0));
        QVERIFY(!fx->dm->OpcaTable->active());
        fx->addArticle(QStringLiteral("Kava"), QStringLiteral("kom"), 100, 25, 125);
        fx->addArticle(QStringLiteral("Sok"), QStringLiteral("l"), 10.01, 13, 11.31);
        fx->dm->CjenikTable->refresh();
        type(QStringLiteral("so"));
        QTest::mouseClick(f.tiskanjeButton(), Qt::LeftButton);
        QCOMPARE(prints.size(), size_t(1));
        const reports::PreparedReport& r = prints[0];
        QCOMPARE(r.pageCount(), 1);
        QVERIFY(r.pages[0].containsText(QStringLiteral("Obrt Šestica")));
        QVERIFY(r.pages[0].containsText(QStringLiteral("OIB: 12345678903")));
        QVERIFY(r.pages[0].containsText(QStringLiteral("CJENIK")));
        QCOMPARE(r.findAll(QStringLiteral("NAZIV")).size(), size_t(1));
        QCOMPARE(r.findAll(QStringLiteral("CIJENA"))[0]->text, QStringLiteral("10,01 Kn"));
        QCOMPARE(r.findAll(QStringLiteral("CIJENA_SA"))[0]->text, QStringLiteral("11,31 Kn"));
        QCOMPARE(r.findAll(QStringLiteral("STOPA"))[0]->text, QStringLiteral("13"));
        QVERIFY(!fx->dm->OpcaTable->active());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    // ---- Poštanski brojevi ----

    void postalOrdersAndSearch()
    {
        for (auto [b, n] : {std::pair{"ZAGREB", "10000"},
                            {"ZADAR", "23000"},
                            {"zabok", "49210"},
                            {"SPLIT", "21000"},
                            {"OSIJEK", "31000"},
                            {"VELIKA GORICA", "10410"}})
            fx->addPlace(QString::fromUtf8(b), QString::fromUtf8(n));
        TPostaForma f;
        QCOMPARE(f.windowTitle(), QStringLiteral("Pregled poštanskih brojeva"));
        QCOMPARE(f.geometry().size(), QSize(418, 400));
        QAbstractItemModelTester tester(f.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(shown(&f));
        QCOMPARE(f.model()->index(0, 0).data().toString(), QStringLiteral("OSIJEK"));
        QVERIFY(f.model()->index(0, 1).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHCenter);
        QCOMPARE(QApplication::focusWidget(), f.trazi());
        QCOMPARE(f.trazi()->maxLength(), 25);
        auto place = [&] { return fx->dm->PostaTable->asString(QStringLiteral("BNAZ")); };

        type(QStringLiteral("za"));
        QCOMPARE(f.trazi()->text(), QStringLiteral("ZA"));
        QCOMPARE(place(), QStringLiteral("ZADAR"));
        QCOMPARE(f.model()->index(f.grid()->currentIndex().row(), 0).data().toString(),
                 QStringLiteral("ZADAR"));
        type(QStringLiteral("b")); // "ZAB": only the lower-case "zabok" begins so; the row stays
        QCOMPARE(place(), QStringLiteral("ZADAR"));
        press(Qt::Key_Down);
        QCOMPARE(place(), QStringLiteral("ZAGREB"));
        press(Qt::Key_Tab); // leaving the search field clears it
        QCOMPARE(f.trazi()->text(), QString());

        f.redoslijedBox()->setCurrentIndex(1);
        QCOMPARE(f.redoslijedBox()->currentText(), QStringLiteral("Poštanskom broju"));
        QCOMPARE(f.model()->index(0, 1).data().toString(), QStringLiteral("10000"));
        f.trazi()->setFocus();
        QCOMPARE(f.trazi()->maxLength(), 5);
        type(QStringLiteral("ab"));
        QCOMPARE(f.trazi()->text(), QString());
        type(QStringLiteral("104"));
        QCOMPARE(place(), QStringLiteral("VELIKA GORICA"));
        f.trazi()->clear();
        type(QStringLiteral("10"));
        QCOMPARE(place(), QStringLiteral("ZAGREB"));
        type(QStringLiteral("123456"));
        QCOMPARE(f.trazi()->text(), QStringLiteral("10123"));
        press(Qt::Key_Escape);
        QVERIFY(!fx->dm->PostaTable->active());
    }

    void postalPicker()
    {
        fx->addPlace(QStringLiteral("ZAGREB"), QStringLiteral("10000"));
        fx->addPlace(QStringLiteral("SPLIT"), QStringLiteral("21000"));
        {
            TPostaForma f(nullptr, TPostaForma::Nacin::Izbor);
            QCOMPARE(f.izmjenaButton()->text(), QStringLiteral("Izbor-Enter"));
            QVERIFY(shown(&f));
            QVERIFY(f.noviButton()->isHidden());
            QVERIFY(f.brisanjeButton()->isHidden());
            QVERIFY(f.izmjenaButton()->isVisible());
            // Del does nothing in the picker; F3 still opens the new entry.
            f.grid()->setFocus();
            press(Qt::Key_Delete);
            QCOMPARE(script->texts(), QStringList{});
            bool entry = false;
            onModal<TUpisEditPostaForma>([&](TUpisEditPostaForma* e) {
                entry = true;
                QCOMPARE(e->windowTitle(), QStringLiteral("Upis novog PTT broja"));
                e->reject();
            });
            press(Qt::Key_F3);
            QVERIFY(entry);
        }
        onModal<TPostaForma>([](TPostaForma*) {
            type(QStringLiteral("SP"));
            press(Qt::Key_Return);
        });
        QCOMPARE(izaberiPostu(nullptr), std::optional<QString>(QStringLiteral("21000 SPLIT")));
        onModal<TPostaForma>([](TPostaForma*) { press(Qt::Key_Escape); });
        QCOMPARE(izaberiPostu(nullptr), std::nullopt);
    }

    void postalDeletion()
    {
        fx->addPlace(QStringLiteral("SPLIT"), QStringLiteral("21000"));
        fx->addPlace(QStringLiteral("ZAGREB"), QStringLiteral("10000"));
        TPostaForma f;
        QVERIFY(shown(&f));
        // Del belongs to the grid only.
        press(Qt::Key_Delete);
        QCOMPARE(script->texts(), QStringList{});
        f.grid()->setFocus();
        script->addAnswers({false, true});
        press(Qt::Key_Delete); // "Ne - Esc"
        QCOMPARE(script->texts(), QStringList{QStringLiteral(
                                      "Stvarno želite obrisati mjesto: SPLIT s poštanskim brojem: 21000")});
        QCOMPARE(fx->scalar(QStringLiteral("SELECT count(*) FROM POSTA")).toInt(), 2);
        press(Qt::Key_Delete); // "Da - F9"
        QCOMPARE(fx->scalar(QStringLiteral("SELECT group_concat(BNAZ) FROM POSTA")).toString(),
                 QStringLiteral("ZAGREB"));
    }

    void postalEditScreen()
    {
        fx->addPlace(QStringLiteral("SPLIT"), QStringLiteral("21000"));
        TPostaForma f;
        QVERIFY(shown(&f));
        onModal<TUpisEditPostaForma>([](TUpisEditPostaForma* e) {
            QCOMPARE(e->windowTitle(), QStringLiteral("Upis novog PTT broja"));
            QCOMPARE(e->mjesto()->text(), QString());
            type(QStringLiteral("  RIJEKA "));
            press(Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), e->broj());
            type(QStringLiteral("5x1 000"));
            QCOMPARE(e->broj()->text(), QStringLiteral("51000"));
            press(Qt::Key_Return); // Enter in "Broj:" saves
        });
        press(Qt::Key_F3);
        QCOMPARE(fx->scalar(QStringLiteral("SELECT BNAZ || '|' || NOVIBR FROM POSTA WHERE NOVIBR = '51000'"))
                     .toString(),
                 QStringLiteral("RIJEKA|51000"));
        f.grid()->setFocus();
        QVERIFY(fx->dm->PostaTable->locate(QStringLiteral("NOVIBR"), QStringLiteral("51000")));
        onModal<TUpisEditPostaForma>([](TUpisEditPostaForma* e) {
            QCOMPARE(e->windowTitle(), QStringLiteral("Ažuriranje PTT broja"));
            QCOMPARE(e->mjesto()->text(), QStringLiteral("RIJEKA"));
            QCOMPARE(e->broj()->text(), QStringLiteral("51000"));
            QCOMPARE(e->mjesto()->maxLength(), 25);
            e->mjesto()->selectAll();
            type(QStringLiteral("SUŠAK"));
            press(Qt::Key_Escape); // nothing saved
        });
        press(Qt::Key_Return);
        onModal<TUpisEditPostaForma>([](TUpisEditPostaForma* e) {
            e->mjesto()->selectAll();
            type(QStringLiteral("SUŠAK"));
            QTest::mouseClick(e->kreniButton(), Qt::LeftButton);
        });
        press(Qt::Key_Return);
        QCOMPARE(fx->scalar(QStringLiteral(
                                "SELECT group_concat(BNAZ, ',') FROM (SELECT BNAZ FROM POSTA ORDER BY BNAZ)"))
                     .toString(),
                 QStringLiteral("SPLIT,SUŠAK"));
    }

    // Under a real display (xvfb-run) with TARVEL_SCREENSHOTS set: pictures of the screens to look at.
    void screenshots()
    {
        const QString dir = qEnvironmentVariable("TARVEL_SCREENSHOTS");
        if (dir.isEmpty())
            QSKIP("TARVEL_SCREENSHOTS not set");
        fx->sql(QStringLiteral("INSERT INTO OPCI (OIB, NAZIV, MJESTO, ISPIS) VALUES ('12345678903', 'Obrt "
                               "Šestica', 'Split', '40')"));
        fx->addArticle(QStringLiteral("Kava"), QStringLiteral("kom"), 100, 25, 125);
        fx->addArticle(QStringLiteral("Sok"), QStringLiteral("l"), 10.01, 13, 11.31);
        fx->addPlace(QStringLiteral("SPLIT"), QStringLiteral("21000"));
        fx->addPlace(QStringLiteral("ZAGREB"), QStringLiteral("10000"));
        {
            TOpcaForma f;
            f.show();
            QVERIFY(QTest::qWaitForWindowExposed(&f)); // no window manager under xvfb to activate it
            QTest::qWait(200);
            QVERIFY(f.grab().save(dir + QStringLiteral("/opcaforma.png")));
        }
        {
            TCjenikForma f;
            f.show();
            QVERIFY(QTest::qWaitForWindowExposed(&f)); // no window manager under xvfb to activate it
            QTest::qWait(200);
            QVERIFY(f.grab().save(dir + QStringLiteral("/cjenikforma.png")));
        }
        {
            TPostaForma f;
            f.show();
            QVERIFY(QTest::qWaitForWindowExposed(&f)); // no window manager under xvfb to activate it
            QTest::qWait(200);
            QVERIFY(f.grab().save(dir + QStringLiteral("/postaforma.png")));
        }
    }
};

QTEST_MAIN(TstMasterScreens)
#include "tst_master_screens.moc"
