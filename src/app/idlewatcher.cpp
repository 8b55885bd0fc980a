#include "app/idlewatcher.h"

#include "data/tdm.h"

#include <QCoreApplication>
#include <QEvent>

namespace tarvel::app {

using data::TableObject;
using data::TDM;

IdleWatcher* IdleWatcher::instance()
{
    static IdleWatcher* watcher = new IdleWatcher;
    return watcher;
}

IdleWatcher::IdleWatcher()
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(TickMs);
    connect(&m_timer, &QTimer::timeout, this, &IdleWatcher::tick);
    m_sinceInput.start();
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
}

void IdleWatcher::start()
{
    m_timer.start();
}

void IdleWatcher::stop()
{
    m_timer.stop();
}

void IdleWatcher::setIdleSource(IdleSource source)
{
    m_source = std::move(source);
}

bool IdleWatcher::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        m_sinceInput.restart();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void IdleWatcher::tick()
{
    m_timer.stop();
    const qint64 ms = m_source ? m_source() : m_sinceInput.elapsed();
    m_idleSeconds = int(qMax<qint64>(0, ms) / 1000);
    Q_EMIT labelChanged(m_idleSeconds ? QStringLiteral("Čekam %1 sek").arg(m_idleSeconds) : QString());
    if (m_idleSeconds < RefreshAfterSeconds)
        m_refreshedThisStretch = false;
    // Both ticks of the sixtieth second see 60; the tables are read again once per idle stretch.
    if (m_idleSeconds == RefreshAfterSeconds && !m_refreshedThisStretch) {
        m_refreshedThisStretch = true;
        Q_EMIT labelChanged(QStringLiteral("Spremam"));
        try {
            refreshOpenTables();
        } catch (...) {
            m_timer.start();
            throw;
        }
        Q_EMIT refreshed();
    }
    m_timer.start();
}

void IdleWatcher::refreshOpenTables()
{
    TDM* dm = TDM::instance();
    if (!dm)
        return;
    struct Kept
    {
        TableObject* table;
        qint64 key;
        int row;
    };
    // A row being edited or appended is never thrown away: its table is left alone, and the database
    // is not reconnected under it.
    auto editing = [](TableObject* t) { return t->active() && t->state() != TableObject::State::Browse; };
    bool anyEditing = false;
    for (TableObject* t : dm->tables())
        anyEditing = anyEditing || editing(t);
    const bool reconnect = dm->FiskalTable->active() && !anyEditing;
    // Reconnecting needs every table closed; otherwise only the watched ones are read again.
    QList<TableObject*> watched = reconnect
                                      ? dm->tables()
                                      : QList<TableObject*>{dm->FiskalTable, dm->OpcaTable,
                                                            dm->KomitentiTable, dm->OPZTable, dm->PrivrTable};
    QList<Kept> kept;
    for (TableObject* t : watched) {
        if (!t->active() || editing(t))
            continue;
        kept << Kept{t, t->currentKey(), t->recNo()};
        t->close();
    }
    if (reconnect) {
        dm->closeConnection();
        dm->openConnection();
    }
    for (const Kept& k : kept) {
        if (k.table == dm->FiskalTable)
            k.table->setSort(QStringLiteral("AUTOKEY"));
        k.table->open();
        if (k.key < 0 || !k.table->moveToKey(k.key)) {
            if (k.row >= 0 && k.row < k.table->recordCount())
                k.table->moveTo(k.row);
        }
    }
}

} // namespace tarvel::app
