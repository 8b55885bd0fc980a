#pragma once

#include "data/tableobject.h"

#include <QObject>
#include <QSqlDatabase>
#include <functional>

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
    // A database that cannot be opened raises TarvelError and is never overwritten.
    void create();

    QSqlDatabase& connection();
    bool isOpen() const;
    void closeConnection();
    void openConnection();

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

    // Progress of long work (database check) for the main window's progress bar and status panel.
    std::function<void(int position, int maximum, const QString& status)> progress;

Q_SIGNALS:
    void sharedValuesChanged();

private:
    QSqlDatabase m_db;
};

// One unit of work on the main connection: commits in commit(), rolls back when left without it.
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
};

} // namespace tarvel::data
