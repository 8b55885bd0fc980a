#include "app/poruka.h"
#include "fixture.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace tarvel::app;

class TstPoruka : public QObject
{
    Q_OBJECT
    AppFixture fx;

    // Opens the real dialog, presses `keys` on it and returns the answer; `open` tells whether the
    // dialog was still open after the keys (then it is closed with Esc).
    bool run(Poruka::Kind kind, const QList<int>& keys, bool* stillOpen = nullptr, QString* caption = nullptr)
    {
        bool open = false;
        whenModal([&](QWidget* w) {
            if (caption)
                *caption = w->windowTitle();
            for (int key : keys)
                QTest::keyClick(w, Qt::Key(key));
            open = w->isVisible();
            if (open)
                QTest::keyClick(w, Qt::Key_Escape);
        });
        const bool answer = Poruka::show(nullptr, kind, QStringLiteral("Pitanje za test ?"));
        if (stillOpen)
            *stillOpen = open;
        return answer;
    }

private Q_SLOTS:
    void keys_data()
    {
        QTest::addColumn<bool>("question");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("answer");
        QTest::newRow("question F9") << true << int(Qt::Key_F9) << true << true;
        QTest::newRow("question Esc") << true << int(Qt::Key_Escape) << true << false;
        QTest::newRow("question Enter waits") << true << int(Qt::Key_Return) << false << false;
        QTest::newRow("question keypad Enter waits") << true << int(Qt::Key_Enter) << false << false;
        QTest::newRow("question other key waits") << true << int(Qt::Key_D) << false << false;
        QTest::newRow("notice Enter answers no") << false << int(Qt::Key_Return) << true << false;
        QTest::newRow("notice Esc") << false << int(Qt::Key_Escape) << true << false;
        QTest::newRow("notice F9") << false << int(Qt::Key_F9) << true << true;
    }
    void keys()
    {
        QFETCH(bool, question);
        QFETCH(int, key);
        QFETCH(bool, closes);
        QFETCH(bool, answer);
        bool stillOpen = true;
        const bool got = run(question ? Poruka::Kind::Question : Poruka::Kind::Notice, {key}, &stillOpen);
        QCOMPARE(!stillOpen, closes);
        if (closes)
            QCOMPARE(got, answer);
    }

    // Enter in a question does nothing; F9 afterwards still answers yes.
    void questionEnterThenF9()
    {
        bool stillOpen = true;
        QVERIFY(run(Poruka::Kind::Question, {Qt::Key_Return, Qt::Key_F9}, &stillOpen));
        QVERIFY(!stillOpen);
    }

    void buttons()
    {
        struct Seen
        {
            QString caption;
            QStringList buttons;
            QString text;
            QSize size;
            bool bold = false;
            bool wraps = false;
            bool onTop = false;
        } seen;
        auto inspect = [&seen](QWidget* w) {
            seen.caption = w->windowTitle();
            for (QPushButton* b : w->findChildren<QPushButton*>())
                seen.buttons << b->text();
            QLabel* l = w->findChild<QLabel*>();
            seen.text = l->text();
            seen.bold = l->font().bold();
            seen.wraps = l->wordWrap();
            seen.size = w->size();
            seen.onTop = w->windowFlags() & Qt::WindowStaysOnTopHint;
        };
        whenModal([&](QWidget* w) {
            inspect(w);
            // A click on "Da - F9".
            QTest::mouseClick(w->findChildren<QPushButton*>().first(), Qt::LeftButton);
        });
        QVERIFY(Poruka::ask(nullptr, QStringLiteral("Brišete stavku ?")));
        QCOMPARE(seen.caption, QStringLiteral("Poruka"));
        QCOMPARE(seen.buttons, (QStringList{QStringLiteral("Da - F9"), QStringLiteral("Ne - Esc")}));
        QCOMPARE(seen.text, QStringLiteral("Brišete stavku ?"));
        QVERIFY(seen.bold);
        QVERIFY(seen.wraps);
        QVERIFY(seen.onTop);
        QVERIFY(seen.size.width() >= 360 && seen.size.height() >= 220);

        seen = {};
        whenModal([&](QWidget* w) {
            inspect(w);
            QTest::mouseClick(w->findChildren<QPushButton*>().first(), Qt::LeftButton);
        });
        QVERIFY(Poruka::show(nullptr, Poruka::Kind::Notice, QStringLiteral("Spremljeno.")));
        QCOMPARE(seen.buttons, QStringList{QStringLiteral("U redu - Ent")});

        seen = {};
        whenModal(
            [&](QWidget* w) { QTest::mouseClick(w->findChildren<QPushButton*>().last(), Qt::LeftButton); });
        QVERIFY(!Poruka::ask(nullptr, QStringLiteral("Brišete stavku ?")));
    }

    void reminderCueAndFrontTimer()
    {
        fx.cues.clear();
        bool timerRunning = false;
        whenModal([&](QWidget* w) {
            const auto timers = w->findChildren<QTimer*>();
            for (QTimer* t : timers)
                if (t->interval() == 1000 && t->isActive())
                    timerRunning = true;
            QTest::keyClick(w, Qt::Key_Escape);
        });
        Poruka::inform(nullptr, QStringLiteral("x"));
        QCOMPARE(fx.cues, QList<Zvuk>{Zvuk::Podsjetnik});
        QVERIFY(timerRunning);
    }

    // A cue whose file is missing is unplayable (the program beeps instead); a file beside the
    // program folder, in "../Zvuci", is played.
    void cueFiles()
    {
        QList<std::pair<Zvuk, bool>> heard;
        setCueObserver([&heard](Zvuk cue, bool playable) { heard << std::pair{cue, playable}; });
        playCue(Zvuk::Pitanje);
        QDir().mkpath(tarvel::Paths::file(QStringLiteral("../Zvuci")));
        QFile wav(tarvel::Paths::file(QStringLiteral("../Zvuci/pitanje.wav")));
        QVERIFY(wav.open(QIODevice::WriteOnly));
        wav.write(QByteArray("RIFF") + QByteArray(400, '\0'));
        wav.close();
        playCue(Zvuk::Pitanje);
        playCue(Zvuk::Podsjetnik);
        setCueObserver([this](Zvuk cue, bool) { fx.cues << cue; });
        QCOMPARE(heard, (QList<std::pair<Zvuk, bool>>{
                            {Zvuk::Pitanje, false}, {Zvuk::Pitanje, true}, {Zvuk::Podsjetnik, false}}));
        wav.remove();
    }

    void centredOverOwner()
    {
        QWidget owner;
        owner.setGeometry(100, 100, 900, 700);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        QPoint centre;
        whenModal([&](QWidget* w) {
            centre = w->frameGeometry().center();
            QTest::keyClick(w, Qt::Key_Escape);
        });
        Poruka::inform(&owner, QStringLiteral("x"));
        QVERIFY((centre - owner.frameGeometry().center()).manhattanLength() < 40);
    }

    void script()
    {
        Poruka::Script s({true, false});
        QVERIFY(Poruka::ask(nullptr, QStringLiteral("Prvo ?")));
        Poruka::inform(nullptr, QStringLiteral("Obavijest."));
        QVERIFY(!Poruka::ask(nullptr, QStringLiteral("Drugo ?")));
        Poruka::error(nullptr, QStringLiteral("Greška."));
        QCOMPARE(s.texts(), (QStringList{QStringLiteral("Prvo ?"), QStringLiteral("Obavijest."),
                                         QStringLiteral("Drugo ?"), QStringLiteral("Greška.")}));
        QCOMPARE(s.kinds(), (QList<Poruka::Kind>{Poruka::Kind::Question, Poruka::Kind::Notice,
                                                 Poruka::Kind::Question, Poruka::Kind::Notice}));
        QCOMPARE(s.remaining(), 0);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no scripted answer")));
        QVERIFY(!Poruka::ask(nullptr, QStringLiteral("Treće ?")));
        QCOMPARE(Poruka::lastText(), QStringLiteral("Treće ?"));
        s.clear();
        QVERIFY(s.texts().isEmpty());
    }
};

TARVEL_TEST_MAIN(TstPoruka)
#include "tst_poruka.moc"
