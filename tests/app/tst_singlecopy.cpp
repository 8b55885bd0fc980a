#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

// Two real processes: the helper around SingleCopy, and the program itself under Xvfb.
class TstSingleCopy : public QObject
{
    Q_OBJECT

    static QString uniqueKey()
    {
        return QStringLiteral("tst-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
    }

    static bool waitForLine(QProcess& p, const QByteArray& line, int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            if (p.canReadLine() || p.waitForReadyRead(100)) {
                while (p.canReadLine())
                    if (p.readLine().trimmed().startsWith(line))
                        return true;
            }
            if (p.state() == QProcess::NotRunning && !p.canReadLine())
                return false;
        }
        return false;
    }

    static QString run(const QString& program, const QStringList& args, const QProcessEnvironment& env = {})
    {
        QProcess p;
        if (!env.isEmpty())
            p.setProcessEnvironment(env);
        p.start(program, args);
        p.waitForFinished(10000);
        return QString::fromLocal8Bit(p.readAllStandardOutput());
    }

private Q_SLOTS:
    void secondCopyWakesFirst()
    {
        const QString key = uniqueKey();
        QProcess first;
        first.start(QStringLiteral(HELPER_EXE), {key});
        QVERIFY(waitForLine(first, "first", 10000));

        QProcess second;
        second.start(QStringLiteral(HELPER_EXE), {key});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 3);
        QVERIFY(second.readAllStandardOutput().isEmpty()); // no window, nothing of its own

        QVERIFY(first.waitForReadyRead(15000) || first.canReadLine());
        QCOMPARE(first.readLine().trimmed(), QByteArray("raised minimized=0 visible=1"));
        QVERIFY(first.waitForFinished(5000));
        QCOMPARE(first.exitCode(), 0);
    }

    // A copy that died leaves a lock behind; the next start is the first copy all the same.
    void staleLockIsTakenOver()
    {
        const QString key = uniqueKey();
        QProcess first;
        first.start(QStringLiteral(HELPER_EXE), {key});
        QVERIFY(waitForLine(first, "first", 10000));
        first.kill();
        QVERIFY(first.waitForFinished(5000));

        QProcess next;
        next.start(QStringLiteral(HELPER_EXE), {key});
        QVERIFY(waitForLine(next, "first", 10000));
        next.kill();
        next.waitForFinished(5000);
    }

    // The program itself: a second start under X brings the first window forward and shows none.
    void realProgramUnderXvfb()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (xvfb.isEmpty() || xdotool.isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("xmessage")).isEmpty())
            QSKIP("Xvfb, xdotool and xmessage are needed");
        QTemporaryDir dir;
        const QString folder = dir.path() + QStringLiteral("/program/");
        QVERIFY(QDir().mkpath(folder));
        const QString exe = folder + QStringLiteral("tarvelstat");
        QVERIFY(QFile::copy(QStringLiteral(TARVELSTAT_EXE), exe));
        QFile::setPermissions(exe, QFile::permissions(exe) | QFileDevice::ExeOwner);

        QProcess x;
        x.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                       QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                       QStringLiteral("tcp")});
        QVERIFY(x.waitForReadyRead(10000));
        const QString display = QStringLiteral(":") + QString::fromLatin1(x.readLine().trimmed());

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("HOME"), dir.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path() + QStringLiteral("/config"));

        auto windows = [&] {
            return run(xdotool,
                       {QStringLiteral("search"), QStringLiteral("--name"),
                        QStringLiteral("^Evidencija računa i naplate$")},
                       env)
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        };

        QProcess first;
        first.setProcessEnvironment(env);
        first.start(exe, {});
        QVERIFY(first.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(windows().size(), 1, 15000);
        // Once the splash is gone, another program's window covers it.
        QTest::qWait(3500);
        QProcess cover;
        cover.setProcessEnvironment(env);
        cover.start(QStringLiteral("xmessage"), {QStringLiteral("-geometry"), QStringLiteral("900x600+0+0"),
                                                 QStringLiteral("prekrivam")});
        auto topmost = [&] {
            // xwininfo lists the root's children top-most first.
            const QStringList lines =
                run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-children")}, env)
                    .split(QLatin1Char('\n'));
            for (const QString& l : lines) {
                if (l.contains(QStringLiteral("\"Evidencija računa i naplate\"")))
                    return QStringLiteral("program");
                if (l.contains(QStringLiteral("\"xmessage\"")))
                    return QStringLiteral("cover");
            }
            return QString();
        };
        QTRY_COMPARE_WITH_TIMEOUT(topmost(), QStringLiteral("cover"), 10000);

        QProcess second;
        second.setProcessEnvironment(env);
        second.start(exe, {});
        QVERIFY(second.waitForFinished(15000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(windows().size(), 1);
        QCOMPARE(first.state(), QProcess::Running);
        QTRY_COMPARE_WITH_TIMEOUT(topmost(), QStringLiteral("program"), 15000);

        cover.kill();
        cover.waitForFinished(5000);
        first.terminate();
        if (!first.waitForFinished(5000)) {
            first.kill();
            first.waitForFinished(5000);
        }
        x.terminate();
        x.waitForFinished(5000);
    }
};

QTEST_GUILESS_MAIN(TstSingleCopy)
#include "tst_singlecopy.moc"
