#pragma once

#include <QSqlDatabase>
#include <QStringList>
#include <functional>

namespace tarvel::data {

// What a structure check did, for the caller to show.
struct CheckResult
{
    bool completed = false;  // every table rebuilt and VERZIJA written
    bool backupMade = false; // baze/backup.db holds the rows as they were before the check
    QStringList rebuilt;     // tables dropped, created and filled again
    QStringList keptOld;     // tables whose rows could not be copied back: left exactly as they were
    QString stoppedAt;       // the table at which the check stopped (empty when it did not stop)
    QString error;           // the store's message for the stop
    QStringList details;     // one line per kept or failed table
    bool ok() const { return completed; }
    QString message() const; // Croatian text for the message dialog; empty when completed
};

// The database check: copies the file to baze/backup.db, then for every table of the schema drops,
// creates and fills it again from the copy by column name (AUTOKEY and ID values kept). Each table is
// rebuilt in its own transaction, so a table whose rows cannot be copied back stays as it was.
class CheckBaze
{
public:
    using Progress = std::function<void(int position, int maximum, const QString& status)>;

    explicit CheckBaze(QSqlDatabase& db, Progress progress = {});
    // The stamp written as VERZIJA at the end; the executable's file time unless set.
    void setVersionStamp(quint32 stamp);
    CheckResult run();

private:
    void report(int position, int maximum, const QString& status);
    QSqlDatabase& m_db;
    Progress m_progress;
    quint32 m_stamp;
};

// Compacts the database file into file + "x" and puts the copy in the file's place (written back
// through the store, so a connection elsewhere never works on a replaced file). The main connection
// should be closed (TDM::compactAndRepair closes and reopens it). Fails, leaving the file as it was,
// when it is not a sound database or another connection is reading or writing it.
bool CompactAndRepair(const QString& file);

} // namespace tarvel::data
