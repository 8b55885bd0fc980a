// "Potvrda": the copied text, and which keys and buttons copy.
#include "fiscal/poreznaforma.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace tarvel::fiscal;

class TestPoreznaForma : public QObject
{
    Q_OBJECT

    static TPoreznaForma* forma()
    {
        return new TPoreznaForma("a1b2c3d4-0000-4000-8000-000000000001", "0123456789abcdef0123456789abcdef",
                                 "Trajanje: 1.234 msec", "27/POS1/1", "05.03.2013T14:22:07", "98765432106");
    }

private Q_SLOTS:
    void copiedText()
    {
        const QString t = tekstPotvrde("27/POS1/1", "05.03.2013T14:22:07", "98765432106", "J", "Z");
        QCOMPARE(t, QStringLiteral("\r\n"
                                   "      Fiskalni broj računa: 27/POS1/1\r\n"
                                   " Datum i vrijeme izdavanja: 05.03.2013 14:22:07\r\n"
                                   "             OIB operatera: 98765432106\r\n"
                                   "                       JIR: J\r\n"
                                   "                       ZKI: Z"));
        for (const QString& line : t.mid(2).split("\r\n"))
            QCOMPARE(line.indexOf(": ") + 2, 28);
    }

    void shows()
    {
        std::unique_ptr<TPoreznaForma> f(forma());
        f->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.get()));
        QCOMPARE(f->windowTitle(), QStringLiteral("Potvrda"));
        QVERIFY(f->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(f->findChild<QLabel*>("JIRLabel")->text(),
                 QStringLiteral("a1b2c3d4-0000-4000-8000-000000000001"));
        QCOMPARE(f->findChild<QLabel*>("ZKILabel")->text(),
                 QStringLiteral("0123456789abcdef0123456789abcdef"));
        QCOMPARE(f->findChild<QLabel*>("TrajanjeLabel")->text(), QStringLiteral("Trajanje: 1.234 msec"));
        QCOMPARE(f->UrediButton()->text(), QStringLiteral("U redu - F9"));
        QCOMPARE(f->KopirajButton()->text(), QStringLiteral("Kopiraj JIR i ZKI"));
    }

    void closing_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("copies");
        QTest::newRow("button U redu") << "uredu" << true;
        QTest::newRow("button Kopiraj") << "kopiraj" << true;
        QTest::newRow("key F9") << "f9" << false;
        QTest::newRow("key Enter") << "enter" << false;
        QTest::newRow("key Return on a focused button") << "return-on-button" << false;
    }
    void closing()
    {
        QFETCH(QString, action);
        QFETCH(bool, copies);
        QApplication::clipboard()->setText("prije");
        std::unique_ptr<TPoreznaForma> f(forma());
        f->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.get()));
        if (action == "uredu")
            QTest::mouseClick(f->UrediButton(), Qt::LeftButton);
        else if (action == "kopiraj")
            QTest::mouseClick(f->KopirajButton(), Qt::LeftButton);
        else if (action == "f9")
            QTest::keyClick(f.get(), Qt::Key_F9);
        else if (action == "enter")
            QTest::keyClick(f.get(), Qt::Key_Enter);
        else {
            f->KopirajButton()->setFocus();
            QTest::keyClick(f->KopirajButton(), Qt::Key_Return);
        }
        QVERIFY(!f->isVisible());
        QCOMPARE(f->result(), int(QDialog::Accepted));
        QCOMPARE(QApplication::clipboard()->text(),
                 copies ? tekstPotvrde("27/POS1/1", "05.03.2013T14:22:07", "98765432106",
                                       "a1b2c3d4-0000-4000-8000-000000000001",
                                       "0123456789abcdef0123456789abcdef")
                        : QStringLiteral("prije"));
    }
};

QTEST_MAIN(TestPoreznaForma)
#include "tst_poreznaforma.moc"
