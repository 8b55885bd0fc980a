#include "app/errorhandler.h"
#include "app/poruka.h"
#include "fixture.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace tarvel;
using namespace tarvel::app;

Q_DECLARE_METATYPE(tarvel::ErrorKind)

namespace {
const QString NoData = QStringLiteral("Nema podataka za prikaz ! Provjerite zadani period ili filter. ");
const QString BadField = QStringLiteral("Neispravan podatak (unos ili baza)...");
const QString BadInput = QStringLiteral("Nepravilno upisan podatak. Molim ispravite unos");
const QString BadDate = QStringLiteral("Neispravno upisan datum. Molim ispravite unos");
const QString BadNumber = QStringLiteral("Neispravno upisan podatak. Molim ispravite unos");
const QString Busy = QStringLiteral("Podatak zauzet od drugog korisnika. Pokušajte kasnije.");
} // namespace

class TstErrorHandler : public QObject
{
    Q_OBJECT
    AppFixture fx;

private Q_SLOTS:
    void table_data()
    {
        QTest::addColumn<ErrorKind>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("standardBox");
        QTest::addColumn<QString>("shown");
        // By kind, whatever the text.
        QTest::newRow("kind no data") << ErrorKind::NoDataForDisplay << "x" << false << NoData;
        QTest::newRow("kind field") << ErrorKind::InvalidField << "NAZIV: predugačak tekst" << false
                                    << BadField + QStringLiteral("NAZIV: predugačak tekst");
        QTest::newRow("kind input") << ErrorKind::InvalidInput << "x" << false << BadInput;
        QTest::newRow("kind date") << ErrorKind::InvalidDate << "x" << false << BadDate;
        QTest::newRow("kind number") << ErrorKind::InvalidNumber << "x" << false << BadNumber;
        QTest::newRow("kind locked") << ErrorKind::RecordLocked << "x" << false << Busy;
        QTest::newRow("kind busy") << ErrorKind::TableBusy << "database is locked" << false << Busy;
        // By the platform's texts.
        QTest::newRow("text translate") << ErrorKind::Other << "Translate error" << false << NoData;
        QTest::newRow("text field") << ErrorKind::Other << "Field 'NAZIV' must have a value" << false
                                    << BadField + QStringLiteral("Field 'NAZIV' must have a value");
        QTest::newRow("text field is case-sensitive") << ErrorKind::Other << "field x" << true << "field x";
        QTest::newRow("text input") << ErrorKind::Other
                                    << "Invalid input value.  Use escape key to abandon changes" << false
                                    << BadInput;
        QTest::newRow("text input one blank")
            << ErrorKind::Other << "Invalid input value. Use escape key to abandon changes" << true
            << "Invalid input value. Use escape key to abandon changes";
        QTest::newRow("text date at 14")
            << ErrorKind::Other << "'32.13.2024' is not a valid date" << false << BadDate;
        QTest::newRow("text date short value")
            << ErrorKind::Other << "'1.1.' is not a valid date" << false << BadDate;
        QTest::newRow("text number at 5")
            << ErrorKind::Other << "'a' is not a valid floating point value" << false << BadNumber;
        QTest::newRow("text number longer value")
            << ErrorKind::Other << "'12,3a' is not a valid floating point value" << false << BadNumber;
        QTest::newRow("text record lock")
            << ErrorKind::Other << "Record locked by another user" << false << Busy;
        QTest::newRow("text table busy") << ErrorKind::Other << "Table is busy" << false << Busy;
        QTest::newRow("other text") << ErrorKind::Other << "Disk full" << true << "Disk full";
        QTest::newRow("date words elsewhere") << ErrorKind::Other << "This is not a valid date at all" << true
                                              << "This is not a valid date at all";
    }
    void table()
    {
        QFETCH(ErrorKind, kind);
        QFETCH(QString, text);
        QFETCH(bool, standardBox);
        QFETCH(QString, shown);
        const ErrorMessage m = errorMessage(TarvelError(kind, text));
        QCOMPARE(m.standardBox, standardBox);
        QCOMPARE(m.text, shown);
    }

    void plainStdException()
    {
        const ErrorMessage m = errorMessage(std::runtime_error("Table is busy now"));
        QCOMPARE(m, (ErrorMessage{false, Busy}));
    }

    // An error thrown in an event handler reaches the handler through the application object; the
    // question cue comes first, the message is OK-only, the cursor is the arrow again and the program
    // goes on.
    void thrownFromEventHandler()
    {
        QPushButton button(QStringLiteral("Zapamti - F9"));
        int clicks = 0;
        connect(&button, &QPushButton::clicked, this, [&clicks] {
            ++clicks;
            QApplication::setOverrideCursor(Qt::WaitCursor);
            QApplication::setOverrideCursor(Qt::WaitCursor);
            throw TarvelError(ErrorKind::RecordLocked, QStringLiteral("locked"));
        });
        button.show();
        fx.cues.clear();
        Poruka::Script script;
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicks, 1);
        QCOMPARE(script.texts(), QStringList{Busy});
        QCOMPARE(script.kinds(), QList<Poruka::Kind>{Poruka::Kind::Notice});
        QCOMPARE(fx.cues, QList<Zvuk>{Zvuk::Pitanje});
        QVERIFY(!QApplication::overrideCursor());
        // Still alive: a second click goes through the same way.
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicks, 2);
        QCOMPARE(script.texts().size(), 2);
    }

    void unknownErrorsToo()
    {
        QPushButton button;
        connect(&button, &QPushButton::clicked, this, [] { throw 42; });
        connect(&button, &QPushButton::pressed, this, [] { throw std::logic_error("Disk full"); });
        button.show();
        Poruka::Script script;
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(script.texts(),
                 (QStringList{QStringLiteral("Disk full"), QStringLiteral("Nepoznata greška.")}));
    }

    // The standard error box, shown for real.
    void standardBox()
    {
        QString title, text;
        whenModal([&](QWidget* w) {
            title = w->windowTitle();
            text = w->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->text();
            QTest::keyClick(w, Qt::Key_Return);
        });
        handleError(TarvelError(ErrorKind::Other, QStringLiteral("Disk full")));
        QCOMPARE(text, QStringLiteral("Disk full"));
        QCOMPARE(title, QStringLiteral("OPZ-STAT-1 evidencija računa"));
    }
};

TARVEL_TEST_MAIN(TstErrorHandler)
#include "tst_errorhandler.moc"
