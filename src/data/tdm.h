#pragma once

#include "data/checkbaze.h"
#include "data/tableobject.h"

#include <QObject>
#include <QSqlDatabase>
#include <functional>
#include <optional>

namespace tarvel::data {

// The one data module of the run: the connection, one table object per table, and the values the
// whole run shares. Created once at start-up after the main window; reached through TDM::instance().
class TDM : public QObject
{
    Q_OBJECT
public:
    static constexpr const char* MaticniOIB = "61873204959";

    explicit TDM(QObject* parent = nullptr);
    ~TDM() override;
    static TDM* instance();

    // Creation steps 1 to 6: opens baze/fiskal.db under the program folder (creating it and all tables
    // on a first start), runs the structure check once per build, reads the shared values.
    // A database that cannot be opened raises TarvelError and is never overwritten. A structure check
    // that did not complete raises TarvelError with its message after the shared values are read
    // (lastCheck() holds the details).
    void create();

    QSqlDatabase& connection();
    bool isOpen() const;
    void closeConnection();
    void openConnection(); // raises TarvelError when the file cannot be opened as a database

    TableObject* OpcaTable;
    TableObject* KomitentiTable; // KOMINT, switched to KUPCI while customers are shown
    TableObject* KupciTable;
    TableObject* FiskalTable;
    TableObject* CjenikTable;
    TableObject* PostaTable;
    TableObject* PDVTable;
    TableObject* PrometnaTable;
    TableObject* PrivrTable;
    TableObject* OPZTable;
    TableObject* OtvoreneTable;
    QList<TableObject*> tables() const;

    // Shared values of the run.
    QString operatorOib;
    QString receiptPrinter;
    bool testniCIS = false;
    bool companionMode = false;
    QString companionDatabase; // trimmed PATH_MJE
    QString operatorLabelText; // "Operater: ..." for the main window

    // Steps 3 to 6 again (after the company data or the operator changed): reads OPCI and KOMINT and
    // sets the shared values above; OpcaTable is left open.
    void readSharedValues();
    static QString operatorLabelFor(const QString& operatorName); // empty name: "Molim prijavite operatera !"

    // The structure check on the main connection (table objects that are open are closed before and
    // opened again after it), and the menu's compaction: closes the main connection, compacts
    // baze/fiskal.db and opens the connection again.
    CheckResult checkDatabase();
    bool compactAndRepair();
    const CheckResult& lastCheck() const { return m_lastCheck; }
    bool checkRanAtCreate() const { return m_checkRan; }

    // Postavke.ini [POSTAVKE] VERZIJA and the executable's file time it is compared with.
    static quint32 dosDateTime(const QDateTime& t); // packed DOS date-time, local time
    static quint32 executableFileTime();
    static void setExecutableFileTime(std::optional<quint32> stamp); // for tests; nullopt: the real file
    static double storedVersion(); // creates Postavke.ini with 0 when missing
    static void writeStoredVersion(double stamp);

    // How long a statement waits for another workstation's lock before it fails as TableBusy.
    static void setBusyTimeout(int milliseconds);

    // Progress of long work (database check) for the main window's progress bar and status panel.
    std::function<void(int position, int maximum, const QString& status)> progress;

Q_SIGNALS:
    void sharedValuesChanged();

private:
    QSqlDatabase m_db;
    QString m_connectionName;
    CheckResult m_lastCheck;
    bool m_checkRan = false;
    bool m_createdFile = false;
};

// One unit of work on the main connection: commits in commit(), rolls back when left without it.
// Nested units are savepoints: an inner unit left without commit undoes only its own writes.
// Table objects that posted inside a unit that was rolled back should be refreshed.
class Transaction
{
public:
    explicit Transaction(QSqlDatabase& db);
    ~Transaction();
    void commit();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    QSqlDatabase& m_db;
    bool m_done = false;
    QString m_name;
};

} // namespace tarvel::data
