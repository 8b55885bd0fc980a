#pragma once

#include "app/errorhandler.h"
#include "core/paths.h"
#include "data/tdm.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

// A fresh program folder and database for one test case.
struct PartyDb
{
    QTemporaryDir dir;
    std::unique_ptr<tarvel::data::TDM> tdm;

    PartyDb()
    {
        tarvel::Paths::setProgramFolder(dir.path());
        QDir().mkpath(dir.path() + QStringLiteral("/baze"));
        tarvel::data::TDM::setExecutableFileTime(1);
        tdm = std::make_unique<tarvel::data::TDM>();
        tdm->create();
    }
    ~PartyDb()
    {
        tdm.reset();
        tarvel::data::TDM::setExecutableFileTime(std::nullopt);
    }

    void addRow(const QString& table, const QVariantMap& values)
    {
        tarvel::data::TableObject t(&tdm->connection(), table);
        t.open();
        t.append();
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            t.setValue(it.key(), it.value());
        t.post();
    }
    void addParty(const QString& table, const QString& oib, const QString& naziv)
    {
        addRow(table, {{QStringLiteral("POR_BROJ"), oib}, {QStringLiteral("NAZIV_KOM"), naziv}});
    }
    // Values of one column over all rows of a table, in store order, optionally where POR_BROJ = oib.
    QStringList column(const QString& table, const QString& column, const QString& oib = QString())
    {
        tarvel::data::TableObject t(&tdm->connection(), table);
        if (!oib.isNull()) {
            tarvel::data::Filter f;
            f.add({QStringLiteral("POR_BROJ"), tarvel::data::Condition::Op::Eq, oib});
            t.setFilter(f);
        }
        t.open();
        QStringList out;
        for (int i = 0; i < t.recordCount(); ++i)
            out << t.valueAt(i, column).toString();
        return out;
    }
};

// Runs `fn` on the next modal dialog of type T once its exec() has shown it.
template <class T> void onModal(std::function<void(T*)> fn)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, fn, ticks] {
        auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!w || !w->isVisible()) {
            if (++*ticks > 1000) { // never shown: the test has failed already
                timer->stop();
                timer->deleteLater();
            }
            return;
        }
        timer->stop();
        timer->deleteLater();
        QApplication::setActiveWindow(w);
        QPointer<T> guard(w);
        fn(w);
        if (guard && guard->isVisible()) // a failed check returned early: do not hang in exec()
            guard->reject();
    });
    timer->start();
}

// The program's application object, so that errors leaving an event handler reach the central error
// handler as they do in the program; window placement goes to a temporary folder.
#define PARTY_TEST_MAIN(TestClass)                                                                           \
    int main(int argc, char** argv)                                                                          \
    {                                                                                                        \
        tarvel::app::TarvelApplication app(argc, argv);                                                      \
        QTemporaryDir settings;                                                                              \
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());                  \
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());                     \
        TestClass t;                                                                                         \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&t, argc, argv);                                                                 \
    }
