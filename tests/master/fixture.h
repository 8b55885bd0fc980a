#pragma once

#include "app/poruka.h"
#include "core/clock.h"
#include "core/paths.h"
#include "data/tdm.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

// A program folder of its own with a fresh database, created through the data module as at a first start.
struct MasterFixture
{
    QTemporaryDir dir;
    std::unique_ptr<tarvel::data::TDM> dm;

    MasterFixture()
    {
        tarvel::Paths::setProgramFolder(dir.path());
        QDir().mkpath(dir.path() + QStringLiteral("/baze"));
        tarvel::Clock::setFixed(QDateTime(QDate(2026, 12, 11), QTime(10, 30)));
        dm = std::make_unique<tarvel::data::TDM>();
        dm->create();
    }
    ~MasterFixture()
    {
        dm.reset();
        tarvel::Clock::setFixed(QDateTime());
    }

    // Straight SQL on the fixture's own connection, to set up and read back behind the screens.
    QSqlQuery sql(const QString& statement, const QVariantList& binds = {})
    {
        QSqlQuery q(dm->connection());
        q.prepare(statement);
        for (const QVariant& b : binds)
            q.addBindValue(b);
        if (!q.exec())
            qFatal("%s: %s", qPrintable(statement), qPrintable(q.lastError().text()));
        return q;
    }
    QVariant scalar(const QString& statement, const QVariantList& binds = {})
    {
        QSqlQuery q = sql(statement, binds);
        return q.next() ? q.value(0) : QVariant();
    }
    void addArticle(const QString& naziv, const QString& jmj, double cijena, double stopa, double cijenaSa)
    {
        sql(QStringLiteral("INSERT INTO CJENIK (NAZIV, JMJ, CIJENA, STOPA, CIJENA_SA) VALUES (?,?,?,?,?)"),
            {naziv, jmj, cijena, stopa, cijenaSa});
    }
    void addPlace(const QString& bnaz, const QString& novibr)
    {
        sql(QStringLiteral("INSERT INTO POSTA (BNAZ, NOVIBR) VALUES (?,?)"), {bnaz, novibr});
    }
};

// Keys go where the user's keys go: to the control that has the focus.
inline void press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QWidget* w = QApplication::focusWidget();
    if (!w)
        w = QApplication::activeWindow();
    QVERIFY2(w, "no control has the focus");
    QTest::keyClick(w, Qt::Key(key), mods);
}

inline void type(const QString& text)
{
    QWidget* w = QApplication::focusWidget();
    QVERIFY2(w, "no control has the focus");
    for (const QChar ch : text) {
        if (ch.unicode() < 128)
            QTest::keyClick(w, char(ch.unicode()));
        else // QTest knows only ASCII keys; a Croatian letter comes as its text
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key(ch.toUpper().unicode()), QString(ch),
                                Qt::NoModifier);
    }
}

// Runs `step` on the next modal dialog of type T as soon as it is shown (for screens opened with exec()).
template <class T> void onModal(std::function<void(T*)> step)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, step] {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget()); w && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            // Once it closes, the screen below gets the keys again, as it would on a desktop.
            if (QWidget* below = w->parentWidget() ? w->parentWidget()->window() : nullptr)
                QObject::connect(w, &QDialog::finished, below,
                                 [below] { QApplication::setActiveWindow(below); });
            QApplication::setActiveWindow(w);
            step(w);
            if (w->isVisible()) // a failed check inside the step must not leave the test waiting
                w->reject();
        }
    });
    timer->start();
}
