#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

namespace tarvel::app {

// The idle watcher: while a screen that keeps tables open is shown (invoice book, collection entry,
// OPZ-STAT-1, company data) it counts the seconds without keyboard or mouse input, and after exactly
// 60 of them reads the open tables again, keeping their current rows.
//
//   void TFormaRacuna::showEvent(...) { IdleWatcher::instance()->start(); }
//   void TFormaRacuna::closeEvent(...) { IdleWatcher::instance()->stop(); }
//
// The invoice entry windows stop it while they are shown and start it again when they close.
class IdleWatcher : public QObject
{
    Q_OBJECT
public:
    static IdleWatcher* instance();

    static constexpr int TickMs = 500;
    static constexpr int RefreshAfterSeconds = 60;

    void start();
    void stop();
    bool isRunning() const { return m_timer.isActive(); }
    int idleSeconds() const { return m_idleSeconds; }

    // Milliseconds since the last user input; the default follows the application's input events.
    // Tests give their own source.
    using IdleSource = std::function<qint64()>;
    void setIdleSource(IdleSource source);
    // One tick at once (tests).
    void tick();

    // The refresh of the open tables (FISKAL reconnects the database; OPCI, the party table, OPZSTAT
    // and PRIVR are read again), each keeping its current row.
    static void refreshOpenTables();

Q_SIGNALS:
    void labelChanged(const QString& text); // "Čekam %d sek", "Spremam" or empty
    void refreshed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    IdleWatcher();
    QTimer m_timer;
    QElapsedTimer m_sinceInput;
    IdleSource m_source;
    int m_idleSeconds = 0;
    bool m_refreshedThisStretch = false;
};

} // namespace tarvel::app
