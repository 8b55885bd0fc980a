#pragma once

#include "core/paths.h"
#include "data/tdm.h"
#include "receivables/partydialogs.h"

#include <QApplication>
#include <QDir>
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

// Plays the person at the message dialog: records every text, answers questions from a queue.
struct MessageScript
{
    struct Shown
    {
        QString text;
        bool question;
    };
    QList<Shown> shown;
    QList<bool> answers;
    std::optional<QString> postalCode;
    int postalCalls = 0;

    MessageScript()
    {
        tarvel::receivables::setDialogHooks({[this](QWidget*, const QString& text, bool question) {
                                                 shown.append({text, question});
                                                 return question && !answers.isEmpty() ? answers.takeFirst()
                                                                                       : false;
                                             },
                                             [this](QWidget*) {
                                                 ++postalCalls;
                                                 return postalCode;
                                             }});
    }
    ~MessageScript() { tarvel::receivables::setDialogHooks({}); }
    QStringList texts() const
    {
        QStringList out;
        for (const Shown& s : shown)
            out << s.text;
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
        fn(w);
    });
    timer->start();
}
