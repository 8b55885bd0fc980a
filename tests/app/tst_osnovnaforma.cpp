#include "app/idlewatcher.h"
#include "app/osnovnaforma.h"
#include "app/placement.h"
#include "app/poruka.h"
#include "app/startup.h"
#include "core/clock.h"
#include "core/errors.h"
#include "core/paths.h"
#include "data/store.h"
#include "data/tdm.h"
#include "fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTcpServer>
#include <QToolButton>
#include <QtTest>

using namespace tarvel;
using namespace tarvel::app;
using data::TDM;

namespace {
const QString CloseQuestion = QStringLiteral("Dali stvarno izlazite iz programa ?");
}

class TstOsnovnaForma : public QObject
{
    Q_OBJECT
    AppFixture fx;
    TDM* dm = nullptr;
    TOsnovnaForma* w = nullptr;

    void setOpci(const QString& column, const QVariant& value)
    {
        data::TableObject* t = dm->OpcaTable;
        const bool wasOpen = t->active();
        if (!wasOpen)
            t->open();
        if (t->isEmpty())
            t->append();
        else
            t->edit();
        t->setValue(column, value);
        t->post();
        if (!wasOpen)
            t->close();
    }

    QString opci(const QString& column)
    {
        return data::scalar(dm->connection(), QStringLiteral("SELECT %1 FROM OPCI").arg(column)).toString();
    }

    // One status tick, run at once; returns when the probe has answered.
    bool tick()
    {
        QSignalSpy spy(w, &TOsnovnaForma::statusTicked);
        w->startStatusTimer(0);
        return spy.wait(3000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        dm = new TDM;
        dm->create();
        QSqlQuery q(dm->connection());
        QVERIFY(q.exec(
            QStringLiteral("INSERT INTO KOMINT (NAZIV_KOM, POR_BROJ) VALUES ('Ana Anić', '12345678903')")));
        QVERIFY(q.exec(
            QStringLiteral("INSERT INTO KOMINT (NAZIV_KOM, POR_BROJ) VALUES ('Ivo Ivić', '98765432106')")));
        setOpci(QStringLiteral("NAZIV"), QStringLiteral("Firma d.o.o."));
        dm->readSharedValues();
        dm->OpcaTable->close();
        w = new TOsnovnaForma;
        w->applySharedValues();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }
    void cleanupTestCase()
    {
        {
            Poruka::Script yes({true});
            w->close();
        }
        delete w;
        delete dm;
    }

    void fixedFormatsAndFolders()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        fixFormats();
        QCOMPARE(QLocale().decimalPoint(), QStringLiteral(","));
        QCOMPARE(QLocale().groupSeparator(), QStringLiteral("."));
        QCOMPARE(QLocale().toString(1234.5, 'f', 2), QStringLiteral("1.234,50"));
        QVERIFY(createWorkingFolders());
        for (const char* name : {"xml", "xml_out", "xml_in", "tecaj"})
            QVERIFY(QFileInfo(Paths::file(QLatin1String(name))).isDir());
    }

    void captions()
    {
        QCOMPARE(w->windowTitle(), QStringLiteral("Evidencija računa i naplate"));
        QCOMPARE(w->objectName(), QStringLiteral("OsnovnaForma"));
        QStringList shown;
        for (QToolButton* b : w->findChildren<QToolButton*>())
            if (!b->text().isEmpty())
                shown << b->text();
        std::sort(shown.begin(), shown.end(), [this](const QString& a, const QString& b) {
            return w->button(a)->x() < w->button(b)->x();
        });
        QCOMPARE(shown, (QStringList{"Izrada računa", "Zaduženja", "Naplata", "Pregledi", "OPZ-STAT-1",
                                     "Prijava operatera", "Kupci i kartice", "Kraj rada"}));
        // "Kraj rada" sits at the right edge.
        QVERIFY(w->button(QStringLiteral("Kraj rada"))->geometry().right() > w->width() - 40);
        QCOMPARE(w->serviceLabel()->text(), QStringLiteral("Spajanje na CIS PU ....."));
        QVERIFY(!w->serviceLabel()->font().bold());
        QCOMPARE(w->operatorLabel()->toolTip(), QStringLiteral("Kliknite za promjenu operatera"));
        QCOMPARE(w->operatorLabel()->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(w->rightPanel()->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(!w->progressBar()->isVisible());
        QVERIFY(w->idleLabel()->text().isEmpty());
        QCOMPARE(w->operatorLabel()->text(), QStringLiteral("Operater: Molim prijavite operatera !"));
    }

    void menus()
    {
        QMenu* azuriranje = w->menu(QStringLiteral("Ažuriranje"));
        QMenu* servis = w->menu(QStringLiteral("Servis"));
        QVERIFY(azuriranje && servis);
        QStringList items;
        for (QAction* a : azuriranje->actions())
            items << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(items,
                 (QStringList{"Opći podaci", "-", "Cjenik", "-", "Poštanski brojevi", "-", "Operateri"}));
        items.clear();
        for (QAction* a : servis->actions())
            items << a->text();
        QCOMPARE(items, (QStringList{"Provjera baze podataka", "O programu"}));
        for (QMenu* m : {azuriranje, servis}) {
            m->popup(w->mapToGlobal(QPoint(10, 10)));
            QVERIFY(QTest::qWaitForWindowExposed(m));
            for (QAction* a : m->actions()) {
                if (a->isSeparator())
                    continue;
                QCOMPARE(m->actionGeometry(a).height(), 42);
                QVERIFY(!a->icon().isNull());
            }
            QCOMPARE(m->palette().color(QPalette::Window), QColor(242, 247, 215));
            m->hide();
        }
    }

    // Without the screens of later parts their controls are disabled; an opener enables its control.
    void openersEnable()
    {
        QVERIFY(!w->button(QStringLiteral("Zaduženja"))->isEnabled());
        QVERIFY(!w->menuAction(QStringLiteral("Cjenik"))->isEnabled());
        QVERIFY(!w->button(QStringLiteral("Prijava operatera"))->isEnabled());
        QVERIFY(w->button(QStringLiteral("Kraj rada"))->isEnabled());
        QVERIFY(w->menuAction(QStringLiteral("Provjera baze podataka"))->isEnabled());
        QVERIFY(w->menuAction(QStringLiteral("O programu"))->isEnabled());

        QStringList opened;
        w->setOpener(Ekran::Zaduzenja, [&](QWidget* parent) {
            QCOMPARE(parent, w);
            opened << QStringLiteral("zaduženja");
        });
        w->setOpener(Ekran::Naplata, [&](QWidget*) { opened << QStringLiteral("naplata"); });
        w->setOpener(Ekran::Cjenik, [&](QWidget*) { opened << QStringLiteral("cjenik"); });
        QVERIFY(w->button(QStringLiteral("Zaduženja"))->isEnabled());
        QTest::mouseClick(w->button(QStringLiteral("Zaduženja")), Qt::LeftButton);
        QTest::mouseClick(w->button(QStringLiteral("Naplata")), Qt::LeftButton);
        w->menuAction(QStringLiteral("Cjenik"))->trigger();
        QCOMPARE(opened, (QStringList{"zaduženja", "naplata", "cjenik"}));
        w->setOpener(Ekran::Zaduzenja, {});
        w->setOpener(Ekran::Naplata, {});
        QVERIFY(!w->button(QStringLiteral("Zaduženja"))->isEnabled());
    }

    void closeConfirmation()
    {
        {
            Poruka::Script no({false});
            QVERIFY(!w->close());
            QVERIFY(w->isVisible());
            QCOMPARE(no.texts(), QStringList{CloseQuestion});
        }
        {
            // "Kraj rada" asks the same.
            Poruka::Script no({false});
            QTest::mouseClick(w->button(QStringLiteral("Kraj rada")), Qt::LeftButton);
            QVERIFY(w->isVisible());
            QCOMPARE(no.texts(), QStringList{CloseQuestion});
        }
        {
            // The real dialog: Esc keeps the program.
            whenModal([](QWidget* d) { QTest::keyClick(d, Qt::Key_Escape); });
            QVERIFY(!w->close());
            QVERIFY(w->isVisible());
        }
        {
            Poruka::Script yes({true});
            QVERIFY(w->close());
            QVERIFY(!w->isVisible());
            QCOMPARE(yes.texts(), QStringList{CloseQuestion});
        }
        // Placement was stored under the window's name.
        QSettings s(QStringLiteral("Sevrit"), QStringLiteral("Kesvan"));
        QVERIFY(!s.value(QStringLiteral("OsnovnaForma/geometry")).toByteArray().isEmpty());
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }

    void placement()
    {
        TOsnovnaForma first;
        first.setGeometry(60, 70, 1150, 700);
        first.show();
        QVERIFY(QTest::qWaitForWindowExposed(&first));
        {
            Poruka::Script yes({true});
            QVERIFY(first.close());
        }
        TOsnovnaForma second;
        QVERIFY(WindowPlacement::restore(&second));
        QCOMPARE(second.size(), QSize(1150, 700));
        QWidget unnamed;
        QVERIFY(!WindowPlacement::restore(&unnamed));
    }

    void dayAndDate_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("text");
        QTest::newRow("Monday") << QDate(2024, 12, 9) << "Ponedjeljak, 09.12.2024";
        QTest::newRow("Tuesday") << QDate(2024, 12, 10) << "Utorak, 10.12.2024";
        QTest::newRow("Wednesday") << QDate(2024, 12, 11) << "Srijeda, 11.12.2024";
        QTest::newRow("Thursday") << QDate(2024, 12, 12) << QStringLiteral("Četvrtak, 12.12.2024");
        QTest::newRow("Friday") << QDate(2024, 12, 13) << "Petak, 13.12.2024";
        QTest::newRow("Saturday") << QDate(2024, 12, 14) << "Subota, 14.12.2024";
        QTest::newRow("Sunday") << QDate(2024, 12, 15) << "Nedjelja, 15.12.2024";
    }
    void dayAndDate()
    {
        QFETCH(QDate, date);
        QFETCH(QString, text);
        QCOMPARE(TOsnovnaForma::dayAndDate(date), text);
    }

    void rightPanelOnShow()
    {
        Clock::setFixed(QDateTime(QDate(2024, 12, 9), QTime(10, 0)));
        TOsnovnaForma other;
        other.show();
        QCOMPARE(other.rightPanel()->text(), QStringLiteral("Ponedjeljak, 09.12.2024"));
        Clock::setFixed(QDateTime());
        Poruka::Script yes({true});
        other.close();
    }

    // The probe against a local listener and against the same port closed.
    void statusProbe()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const quint16 port = server.serverPort();
        w->setProbeTarget(QStringLiteral("127.0.0.1"), port);
        dm->testniCIS = false;

        QVERIFY(tick());
        QCOMPARE(w->serviceLabel()->text(), QStringLiteral("CIS PU aktivan"));
        QVERIFY(w->serviceReachable());
        QVERIFY(w->statusTimer()->isActive());
        QCOMPARE(w->statusTimer()->interval(), 6000);

        server.close();
        QVERIFY(tick());
        QCOMPARE(w->serviceLabel()->text(), QStringLiteral("CIS PU neaktivan"));
        QVERIFY(!w->serviceReachable());
        QCOMPARE(w->statusTimer()->interval(), 60000);

        QVERIFY(server.listen(QHostAddress::LocalHost, port));
        dm->testniCIS = true;
        QVERIFY(tick());
        QCOMPARE(w->serviceLabel()->text(), QStringLiteral("DEMO CIS PU aktivan"));
        QCOMPARE(w->statusTimer()->interval(), 6000);
        dm->testniCIS = false;
        w->statusTimer()->stop();
    }

    void rotation()
    {
        w->setProbeTarget(QStringLiteral("127.0.0.1"), 1);
        const QStringList expected = {QStringLiteral("Evidencija računa i naplate"),
                                      QStringLiteral("Tarvelwin integrirani poslovni sustav"),
                                      TOsnovnaForma::MakerNotice};
        // Find where the rotation stands, then follow two whole turns.
        QVERIFY(tick());
        int at = int(expected.indexOf(w->rightPanel()->text()));
        QVERIFY(at >= 0);
        for (int i = 1; i <= 6; ++i) {
            w->idleLabel()->setText(QStringLiteral("Čekam 3 sek"));
            QVERIFY(tick());
            QCOMPARE(w->rightPanel()->text(), expected.at((at + i) % 3));
            QVERIFY(w->idleLabel()->text().isEmpty());
        }
        w->statusTimer()->stop();
    }

    void companionMode()
    {
        w->setOpener(Ekran::Kupci, [](QWidget*) {});
        w->setOpener(Ekran::Cjenik, [](QWidget*) {});
        w->setProbeTarget(QStringLiteral("127.0.0.1"), 1);
        dm->companionMode = true;
        QVERIFY(tick());
        QVERIFY(!w->button(QStringLiteral("Kupci i kartice"))->isVisible());
        QVERIFY(!w->button(QStringLiteral("Kupci i kartice"))->isEnabled());
        QVERIFY(!w->menuAction(QStringLiteral("Cjenik"))->isEnabled());
        dm->companionMode = false;
        QVERIFY(tick());
        QVERIFY(w->button(QStringLiteral("Kupci i kartice"))->isVisible());
        QVERIFY(w->button(QStringLiteral("Kupci i kartice"))->isEnabled());
        QVERIFY(w->menuAction(QStringLiteral("Cjenik"))->isEnabled());
        w->statusTimer()->stop();
        w->setOpener(Ekran::Kupci, {});
        w->setOpener(Ekran::Cjenik, {});
    }

    void izradaRacuna()
    {
        QStringList opened;
        w->setOpener(Ekran::KnjigaRacuna, [&](QWidget*) { opened << QStringLiteral("knjiga"); });
        w->setOpener(Ekran::OpciPodaci, [&](QWidget*) { opened << QStringLiteral("opći"); });
        setOpci(QStringLiteral("NAZIV"), QStringLiteral("Upišite naziv firme"));
        {
            Poruka::Script s;
            QTest::mouseClick(w->button(QStringLiteral("Izrada računa")), Qt::LeftButton);
            QCOMPARE(s.texts(), QStringList{QStringLiteral(
                                    "Prije početka izrade računa morate prvo popuniti opće podatke.")});
            QCOMPARE(s.kinds(), QList<Poruka::Kind>{Poruka::Kind::Notice});
        }
        QCOMPARE(opened, QStringList{QStringLiteral("opći")});
        opened.clear();
        setOpci(QStringLiteral("NAZIV"), QStringLiteral("Upišit"));
        {
            Poruka::Script s;
            QTest::mouseClick(w->button(QStringLiteral("Izrada računa")), Qt::LeftButton);
            QVERIFY(s.texts().isEmpty());
        }
        QCOMPARE(opened, QStringList{QStringLiteral("knjiga")});
        setOpci(QStringLiteral("NAZIV"), QStringLiteral("Firma d.o.o."));
        w->setOpener(Ekran::KnjigaRacuna, {});
        w->setOpener(Ekran::OpciPodaci, {});
    }

    void operatorSignIn()
    {
        IzabraniKomitent answer;
        QString seenTable;
        int calls = 0;
        w->setOperatorChooser([&](QWidget* owner) {
            ++calls;
            seenTable = dm->KomitentiTable->tableName();
            Q_UNUSED(owner);
            return answer;
        });
        QVERIFY(w->button(QStringLiteral("Prijava operatera"))->isEnabled());

        answer = {QStringLiteral("12345678903"), QStringLiteral("Ana Anić")};
        QTest::mouseClick(w->button(QStringLiteral("Prijava operatera")), Qt::LeftButton);
        QCOMPARE(calls, 1);
        QCOMPARE(seenTable, QStringLiteral("KOMINT"));
        QCOMPARE(opci(QStringLiteral("OIB_OP")), QStringLiteral("12345678903"));
        QCOMPARE(w->operatorLabel()->text(), QStringLiteral("Operater: Ana Anić"));
        QCOMPARE(dm->operatorOib, QStringLiteral("12345678903"));
        QVERIFY(!dm->OpcaTable->active());

        // Leaving the register without choosing changes nothing.
        answer = {QStringLiteral("   "), QString()};
        QTest::mouseClick(w->operatorLabel(), Qt::LeftButton); // the label signs in too
        QCOMPARE(calls, 2);
        QCOMPARE(opci(QStringLiteral("OIB_OP")), QStringLiteral("12345678903"));
        QCOMPARE(w->operatorLabel()->text(), QStringLiteral("Operater: Ana Anić"));
        QVERIFY(!dm->OpcaTable->active());

        // A later start reads the same operator.
        dm->readSharedValues();
        dm->OpcaTable->close();
        QCOMPARE(dm->operatorLabelText, QStringLiteral("Operater: Ana Anić"));
        w->setOperatorChooser({});
    }

    void partyTableSwitch()
    {
        QStringList seen;
        w->setOpener(Ekran::Kupci, [&](QWidget*) {
            seen << dm->KomitentiTable->tableName();
            dm->KomitentiTable->open();
            throw TarvelError(ErrorKind::Other, QStringLiteral("prekid"));
        });
        w->setOpener(Ekran::Operateri, [&](QWidget*) { seen << dm->KomitentiTable->tableName(); });
        {
            Poruka::Script s;
            QTest::mouseClick(w->button(QStringLiteral("Kupci i kartice")), Qt::LeftButton);
            QCOMPARE(s.texts(), QStringList{QStringLiteral("prekid")});
        }
        QCOMPARE(dm->KomitentiTable->tableName(), QStringLiteral("KOMINT"));
        w->menuAction(QStringLiteral("Operateri"))->trigger();
        QCOMPARE(seen, (QStringList{"KUPCI", "KOMINT"}));
        w->setOpener(Ekran::Kupci, {});
        w->setOpener(Ekran::Operateri, {});
    }

    // 60 seconds without input: the open tables are read again and keep their current rows.
    void idleRefresh()
    {
        QSqlQuery q(dm->connection());
        for (int i = 1; i <= 6; ++i)
            QVERIFY(
                q.exec(QStringLiteral("INSERT INTO FISKAL (BR_RAC, UKIZNOS) VALUES ('%1/1/1', %1)").arg(i)));
        q.finish();
        dm->FiskalTable->open();
        dm->FiskalTable->moveTo(3);
        const qint64 key = dm->FiskalTable->currentKey();
        const QString number = dm->FiskalTable->asString(QStringLiteral("BR_RAC"));
        dm->KomitentiTable->open();
        dm->KomitentiTable->moveTo(1);
        const QString party = dm->KomitentiTable->asString(QStringLiteral("POR_BROJ"));

        // A row written meanwhile by another workstation shows after the refresh.
        {
            QSqlDatabase other =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(Paths::databaseFile());
            QVERIFY(other.open());
            QSqlQuery o(other);
            QVERIFY(o.exec(QStringLiteral("INSERT INTO FISKAL (BR_RAC) VALUES ('7/1/1')")));
            o.finish();
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        QCOMPARE(dm->FiskalTable->recordCount(), 6);

        IdleWatcher* iw = IdleWatcher::instance();
        qint64 idleMs = 0;
        iw->setIdleSource([&idleMs] { return idleMs; });
        QSignalSpy refreshed(iw, &IdleWatcher::refreshed);

        iw->start();
        QVERIFY(iw->isRunning());
        idleMs = 59400;
        QTRY_COMPARE_WITH_TIMEOUT(w->idleLabel()->text(), QStringLiteral("Čekam 59 sek"), 2000);
        QCOMPARE(refreshed.count(), 0);

        idleMs = 60000;
        iw->tick();
        QCOMPARE(refreshed.count(), 1);
        QCOMPARE(w->idleLabel()->text(), QStringLiteral("Spremam"));
        QCOMPARE(dm->FiskalTable->recordCount(), 7);
        QCOMPARE(dm->FiskalTable->currentKey(), key);
        QCOMPARE(dm->FiskalTable->asString(QStringLiteral("BR_RAC")), number);
        QCOMPARE(dm->FiskalTable->sort(), QStringLiteral("AUTOKEY"));
        QVERIFY(dm->KomitentiTable->active());
        QCOMPARE(dm->KomitentiTable->asString(QStringLiteral("POR_BROJ")), party);
        QVERIFY(dm->isOpen());

        // The second tick of the same second does not read everything again.
        idleMs = 60500;
        iw->tick();
        QCOMPARE(refreshed.count(), 1);
        idleMs = 61000;
        iw->tick();
        QCOMPARE(w->idleLabel()->text(), QStringLiteral("Čekam 61 sek"));
        idleMs = 400;
        iw->tick();
        QVERIFY(w->idleLabel()->text().isEmpty());

        // A row being edited is kept as it is.
        dm->OpcaTable->open();
        dm->OpcaTable->edit();
        dm->OpcaTable->setValue(QStringLiteral("MJESTO"), QStringLiteral("Zagreb"));
        idleMs = 60000;
        iw->tick();
        QCOMPARE(refreshed.count(), 2);
        QCOMPARE(dm->OpcaTable->state(), data::TableObject::State::Edit);
        QCOMPARE(dm->OpcaTable->asString(QStringLiteral("MJESTO")), QStringLiteral("Zagreb"));
        QCOMPARE(dm->FiskalTable->currentKey(), key);
        dm->OpcaTable->cancel();
        dm->OpcaTable->close();

        iw->stop();
        QVERIFY(!iw->isRunning());
        iw->setIdleSource({});
        dm->FiskalTable->close();
        dm->KomitentiTable->close();
    }

    void databaseCheck()
    {
        QFile::remove(Paths::backupFile());
        {
            Poruka::Script no({false});
            w->menuAction(QStringLiteral("Provjera baze podataka"))->trigger();
            QCOMPARE(no.texts(),
                     QStringList{QStringLiteral(
                         "Dali stvarno želite pokrenuti servis i provjeru strukture baze podataka ?")});
        }
        QVERIFY(!QFile::exists(Paths::backupFile()));

        int shownMaximum = -1;
        struct Watch : QObject
        {
            QProgressBar* bar;
            int* maximum;
            bool eventFilter(QObject*, QEvent* e) override
            {
                if (e->type() == QEvent::Show)
                    *maximum = bar->maximum();
                return false;
            }
        } watch;
        watch.bar = w->progressBar();
        watch.maximum = &shownMaximum;
        w->progressBar()->installEventFilter(&watch);
        dm->FiskalTable->open();
        const int rows = dm->FiskalTable->recordCount();
        {
            Poruka::Script yes({true});
            w->menuAction(QStringLiteral("Provjera baze podataka"))->trigger();
            QCOMPARE(yes.texts().size(), 2);
            QCOMPARE(yes.texts().last(), QStringLiteral("Servis baze podataka uspješno završen"));
        }
        w->progressBar()->removeEventFilter(&watch);
        QVERIFY(QFile::exists(Paths::backupFile()));
        QCOMPARE(shownMaximum, 10);
        QVERIFY(!w->progressBar()->isVisible());
        QCOMPARE(w->rightPanel()->text(), QStringLiteral("Provjera baza završena"));
        QVERIFY(dm->isOpen());
        QVERIFY(dm->FiskalTable->active());
        QCOMPARE(dm->FiskalTable->recordCount(), rows);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        dm->FiskalTable->close();
    }

    // Another workstation holds the file: the check stops, its message is shown, and the service
    // does not report success.
    void databaseCheckStops()
    {
        TDM::setBusyTimeout(100);
        {
            QSqlDatabase other =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
            other.setDatabaseName(Paths::databaseFile());
            QVERIFY(other.open());
            QSqlQuery hold(other);
            QVERIFY(hold.exec(QStringLiteral("BEGIN EXCLUSIVE")));
            Poruka::Script yes({true});
            w->menuAction(QStringLiteral("Provjera baze podataka"))->trigger();
            QVERIFY(hold.exec(QStringLiteral("ROLLBACK")));
            hold.finish();
            other.close();
            QVERIFY2(yes.texts().size() >= 3, qPrintable(yes.texts().join(QLatin1Char('|'))));
            QVERIFY(!yes.texts().at(1).isEmpty());
            QCOMPARE(yes.texts().last(), QStringLiteral("Servis baze podataka nije uspješno završen.\n"
                                                        "Informirajte Tarvel d.o.o. o tom problemu."));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("holder"));
        TDM::setBusyTimeout(2000);
        QVERIFY(!w->progressBar()->isVisible());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    // The compaction cannot write its copy: the failure message, and the database is open again.
    void databaseCheckCompactionFails()
    {
        const QString blocker = Paths::databaseFile() + QStringLiteral("x");
        QVERIFY(QDir().mkpath(blocker + QStringLiteral("/zauzeto")));
        {
            Poruka::Script yes({true});
            w->menuAction(QStringLiteral("Provjera baze podataka"))->trigger();
            QCOMPARE(yes.texts().size(), 2);
            QCOMPARE(yes.texts().last(), QStringLiteral("Servis baze podataka nije uspješno završen.\n"
                                                        "Informirajte Tarvel d.o.o. o tom problemu."));
        }
        QVERIFY(dm->isOpen());
        QVERIFY(QDir(blocker).removeRecursively());
    }
};

TARVEL_TEST_MAIN(TstOsnovnaForma)
#include "tst_osnovnaforma.moc"
