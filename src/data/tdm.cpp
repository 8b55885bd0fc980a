#include "data/tdm.h"

#include "core/errors.h"
#include "core/paths.h"
#include "data/schema.h"
#include "data/store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <atomic>

namespace tarvel::data {

namespace {

TDM* g_instance = nullptr;
std::optional<quint32> g_exeStamp;
int g_busyTimeout = 2000;
std::atomic<int> g_connections{0};

const QString SettingsKey = QStringLiteral("POSTAVKE/VERZIJA");

LookupDef customerName(const QString& name)
{
    return LookupDef{name,
                     QStringLiteral("POR_BROJ"),
                     QStringLiteral("KUPCI"),
                     QStringLiteral("POR_BROJ"),
                     QStringLiteral("NAZIV_KOM"),
                     60};
}

} // namespace

TDM::TDM(QObject* parent) : QObject(parent)
{
    m_connectionName = QStringLiteral("tarvel_main_%1").arg(++g_connections);
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);

    auto make = [this](const char* table) {
        return new TableObject(&m_db, QString::fromLatin1(table), this);
    };
    OpcaTable = make("OPCI");
    KomitentiTable = make("KOMINT");
    KupciTable = make("KUPCI");
    FiskalTable = make("FISKAL");
    CjenikTable = make("CJENIK");
    PostaTable = make("POSTA");
    PDVTable = make("PDV");
    PrometnaTable = make("PROMETNA");
    PrivrTable = make("PRIVR");
    OPZTable = make("OPZSTAT");
    OtvoreneTable = make("OTVORENE");

    FiskalTable->setSort(QStringLiteral("AUTOKEY"));
    const QString invoiceAmount = QStringLiteral("###,###,###,##0.00");
    const QString amount = QStringLiteral("###,###,##0.00");
    for (const char* base : {"OSNOVICA", "PDV", "IZNOS"}) {
        FiskalTable->setDisplayFormat(QString::fromLatin1(base), invoiceAmount);
        for (int i = 2; i <= 5; ++i)
            FiskalTable->setDisplayFormat(QString::fromLatin1(base) + QString::number(i), invoiceAmount);
    }
    for (const char* c : {"UKOSNOV", "UKPDV", "UKIZNOS"})
        FiskalTable->setDisplayFormat(QString::fromLatin1(c), invoiceAmount);
    for (int i = 1; i <= 5; ++i) {
        FiskalTable->setDisplayFormat(QStringLiteral("UKOSNOV") + QString::number(i), invoiceAmount);
        FiskalTable->setDisplayFormat(QStringLiteral("UKPDV") + QString::number(i), invoiceAmount);
    }
    CjenikTable->setDisplayFormat(QStringLiteral("CIJENA"), amount);
    CjenikTable->setDisplayFormat(QStringLiteral("CIJENA_SA"), amount);
    CjenikTable->setDisplayFormat(QStringLiteral("STOPA"), QStringLiteral("#0 %"));
    for (const char* c : {"DUGUJE", "POTRAZUJE", "IZNOS", "PDV"})
        PrometnaTable->setDisplayFormat(QString::fromLatin1(c), amount);
    PrivrTable->setDisplayFormat(QStringLiteral("DUGUJE"), amount);
    PrivrTable->setDisplayFormat(QStringLiteral("POTRAZUJE"), amount);
    for (const char* c : {"IZNOS", "PDV", "UKIZNOS", "PLIZNOS", "NEPLIZNOS"})
        OPZTable->setDisplayFormat(QString::fromLatin1(c), amount);

    PrometnaTable->addLookup(customerName(QStringLiteral("NAZIV_KUP")));
    PrivrTable->addLookup(customerName(QStringLiteral("NAZIV_KOM")));
    OPZTable->addLookup(customerName(QStringLiteral("NAZIV_KUP")));

    if (!g_instance)
        g_instance = this;
}

TDM::~TDM()
{
    for (TableObject* t : tables())
        t->close();
    if (m_db.isOpen())
        m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
    if (g_instance == this)
        g_instance = nullptr;
}

TDM* TDM::instance()
{
    return g_instance;
}

QList<TableObject*> TDM::tables() const
{
    return {OpcaTable, KomitentiTable, KupciTable, FiskalTable, CjenikTable,  PostaTable,
            PDVTable,  PrometnaTable,  PrivrTable, OPZTable,    OtvoreneTable};
}

QSqlDatabase& TDM::connection()
{
    return m_db;
}

bool TDM::isOpen() const
{
    return m_db.isOpen();
}

void TDM::closeConnection()
{
    if (m_db.isOpen())
        m_db.close();
}

void TDM::setBusyTimeout(int milliseconds)
{
    g_busyTimeout = milliseconds;
}

void TDM::openConnection()
{
    if (m_db.isOpen())
        return;
    const QString file = Paths::databaseFile();
    const QFileInfo info(file);
    m_createdFile = !info.exists();
    if (info.exists() && !info.isFile())
        throw TarvelError(
            ErrorKind::Other,
            QStringLiteral("Baza podataka %1 se ne može otvoriti: to nije datoteka.").arg(file));
    if (m_createdFile && !QDir().mkpath(info.absolutePath()))
        throw TarvelError(ErrorKind::Other,
                          QStringLiteral("Mapa %1 se ne može napraviti.").arg(info.absolutePath()));
    m_db.setDatabaseName(file);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(g_busyTimeout));
    if (!m_db.open()) {
        const QString text = m_db.lastError().text();
        throw TarvelError(ErrorKind::Other,
                          QStringLiteral("Baza podataka %1 se ne može otvoriti: %2").arg(file, text));
    }
    // Opening reads nothing; a file that is not a database shows itself on the first read.
    try {
        scalar(m_db, QStringLiteral("SELECT count(*) FROM sqlite_master"));
    } catch (const TarvelError& e) {
        m_db.close();
        throw TarvelError(e.kind() == ErrorKind::TableBusy ? ErrorKind::TableBusy : ErrorKind::Other,
                          QStringLiteral("Baza podataka %1 se ne može otvoriti: %2").arg(file, e.message()));
    }
    registerStoreFunctions(m_db);
}

void TDM::create()
{
    m_checkRan = false;
    m_lastCheck = CheckResult();
    m_lastCheck.completed = true;
    for (TableObject* t : tables())
        t->close();
    closeConnection();
    openConnection();

    // A new file, a table missing or a new build: the check brings the file to this build's tables.
    bool missing = false;
    for (const TableDef& t : schema())
        if (!scalar(m_db,
                    QStringLiteral(
                        "SELECT count(*) FROM sqlite_master WHERE type='table' AND name=? COLLATE NOCASE"),
                    {t.name})
                 .toInt())
            missing = true;
    if (m_createdFile || missing || storedVersion() != double(executableFileTime())) {
        m_checkRan = true;
        CheckBaze check(m_db, progress);
        m_lastCheck = check.run();
    }

    try {
        readSharedValues();
    } catch (const TarvelError&) {
        // A check that stopped may have left OPCI or KOMINT unreadable; its own message says why.
        if (m_lastCheck.ok())
            throw;
    }
    if (!m_lastCheck.ok())
        throw TarvelError(ErrorKind::Other, m_lastCheck.message());
}

QString TDM::operatorLabelFor(const QString& operatorName)
{
    if (operatorName.isEmpty())
        return QStringLiteral("Operater: Molim prijavite operatera !");
    return QStringLiteral("Operater: ") + operatorName;
}

void TDM::readSharedValues()
{
    OpcaTable->open(); // and left open, as the main window expects it
    OpcaTable->first();
    companionDatabase = OpcaTable->asString(QStringLiteral("PATH_MJE")).trimmed();
    operatorOib = OpcaTable->asString(QStringLiteral("OIB_OP"));
    receiptPrinter = OpcaTable->asString(QStringLiteral("GLAVNI_PRINTER"));
    testniCIS = OpcaTable->asString(QStringLiteral("OIB")).trimmed() == QLatin1String(MaticniOIB);

    QString name;
    bool found = false;
    if (!operatorOib.trimmed().isEmpty()) {
        TableObject operators(&m_db, QStringLiteral("KOMINT"));
        operators.open();
        found = operators.locate(QStringLiteral("POR_BROJ"), operatorOib);
        if (found)
            name = operators.asString(QStringLiteral("NAZIV_KOM"));
        operators.close();
    }
    operatorLabelText = found ? QStringLiteral("Operater: ") + name : operatorLabelFor(QString());

    companionMode = !companionDatabase.isEmpty() && QFileInfo(companionDatabase).isFile();
    Q_EMIT sharedValuesChanged();
}

CheckResult TDM::checkDatabase()
{
    QList<TableObject*> reopen;
    for (TableObject* t : tables())
        if (t->active()) {
            reopen << t;
            t->close();
        }
    openConnection();
    CheckBaze check(m_db, progress);
    m_lastCheck = check.run();
    for (TableObject* t : reopen)
        t->open();
    return m_lastCheck;
}

bool TDM::compactAndRepair()
{
    QList<TableObject*> reopen;
    for (TableObject* t : tables())
        if (t->active()) {
            reopen << t;
            t->close();
        }
    closeConnection();
    const bool ok = CompactAndRepair(Paths::databaseFile());
    openConnection();
    for (TableObject* t : reopen)
        t->open();
    return ok;
}

quint32 TDM::dosDateTime(const QDateTime& t)
{
    const QDateTime local = t.toLocalTime();
    const QDate d = local.date();
    const QTime tm = local.time();
    if (d.year() < 1980)
        return 0;
    const quint32 date = quint32(((d.year() - 1980) << 9) | (d.month() << 5) | d.day());
    const quint32 time = quint32((tm.hour() << 11) | (tm.minute() << 5) | (tm.second() / 2));
    return (date << 16) | time;
}

quint32 TDM::executableFileTime()
{
    if (g_exeStamp)
        return *g_exeStamp;
    const QString exe = QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
    const QFileInfo info(exe);
    return info.exists() ? dosDateTime(info.lastModified()) : 0;
}

void TDM::setExecutableFileTime(std::optional<quint32> stamp)
{
    g_exeStamp = stamp;
}

double TDM::storedVersion()
{
    QSettings ini(Paths::settingsFile(), QSettings::IniFormat);
    if (!QFileInfo::exists(Paths::settingsFile())) {
        ini.setValue(SettingsKey, 0);
        ini.sync();
    }
    bool ok = false;
    const double v =
        ini.value(SettingsKey).toString().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    return ok ? v : 0.0;
}

void TDM::writeStoredVersion(double stamp)
{
    QSettings ini(Paths::settingsFile(), QSettings::IniFormat);
    ini.setValue(SettingsKey, QString::number(stamp, 'f', 0));
    ini.sync();
}

namespace {
std::atomic<int> g_savepoints{0};
}

Transaction::Transaction(QSqlDatabase& db) : m_db(db)
{
    m_name = QStringLiteral("tarvel_unit_%1").arg(++g_savepoints);
    execSql(m_db, QStringLiteral("SAVEPOINT ") + m_name).finish();
}

Transaction::~Transaction()
{
    if (m_done)
        return;
    try {
        execSql(m_db, QStringLiteral("ROLLBACK TO ") + m_name).finish();
        execSql(m_db, QStringLiteral("RELEASE ") + m_name).finish();
    } catch (const TarvelError&) {
        // The connection is gone or already rolled back; nothing is left to undo.
    }
}

void Transaction::commit()
{
    if (m_done)
        return;
    execSql(m_db, QStringLiteral("RELEASE ") + m_name).finish();
    m_done = true;
}

} // namespace tarvel::data
