#pragma once

#include "core/paths.h"
#include "data/tdm.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

// The column lists of the twelve tables as the store reports them (name and declared type), written
// out here rather than taken from the schema code, so a slip there shows.
inline QList<std::pair<QString, QString>> expectedTables()
{
    const QString party = QStringLiteral(
        "NAZIV_KOM TEXT(100),ULICA_KOM TEXT(40),PTT_KOM TEXT(40),DJELATNOST TEXT(3),TELEFON TEXT(40),"
        "TELEFAX TEXT(40),V_KAM TEXT(1),KAMATA DOUBLE,ZIRO TEXT(40),FNAZIV TEXT(40),FADRESA TEXT(40),"
        "FGRAD TEXT(40),OPASKA TEXT(40),KO1 TEXT(40),KO2 TEXT(40),DANI INTEGER,KM DOUBLE,NARUDZBA TEXT(20),"
        "DATUM_NAR DATE,POR_BROJ TEXT(16),REFERENT TEXT(2),OZN_ADR TEXT(1),OZ2 TEXT(1),OZ3 TEXT(1),OZ4 "
        "TEXT(1),"
        "POPUST DOUBLE,BANKA TEXT(2),OBCINA TEXT(4),PDV TEXT(2)");
    const QString open = QStringLiteral(
        "AUTOKEY INTEGER,VK TEXT(1),POR_BROJ TEXT(16),RBR DOUBLE,BROJ_DOK TEXT(30),DAT_DOKUM DATE,"
        "DAT_DOSP DATE,BRDANA DOUBLE,IZNOS DOUBLE,PDV DOUBLE,UKIZNOS DOUBLE,PLIZNOS DOUBLE,NEPLIZNOS DOUBLE");
    return {
        {QStringLiteral("CJENIK"),
         QStringLiteral(
             "ID INTEGER,NAZIV TEXT(100),JMJ TEXT(4),CIJENA DOUBLE,STOPA DOUBLE,CIJENA_SA DOUBLE")},
        {QStringLiteral("PDV"), QStringLiteral("ID INTEGER,STOPA DOUBLE,OSNOVICA DOUBLE,PDV DOUBLE")},
        {QStringLiteral("POSTA"), QStringLiteral("BNAZ TEXT(25),NOVIBR TEXT(5)")},
        {QStringLiteral("FISKAL"),
         QStringLiteral(
             "OIB TEXT(16),NAZIV TEXT(50),U_PDV TEXT(10),DATSAT TEXT(19),DAT_VR TEXT(19),SLIJED TEXT(10),"
             "BR_RAC TEXT(20),BR_OZN TEXT(20),"
             "OPIS TEXT(100),OSNOVICA DOUBLE,ST_PDV DOUBLE,PDV DOUBLE,IZNOS DOUBLE,"
             "OPIS2 TEXT(100),OSNOVICA2 DOUBLE,ST_PDV2 DOUBLE,PDV2 DOUBLE,IZNOS2 DOUBLE,"
             "OPIS3 TEXT(100),OSNOVICA3 DOUBLE,ST_PDV3 DOUBLE,PDV3 DOUBLE,IZNOS3 DOUBLE,"
             "OPIS4 TEXT(100),OSNOVICA4 DOUBLE,ST_PDV4 DOUBLE,PDV4 DOUBLE,IZNOS4 DOUBLE,"
             "OPIS5 TEXT(100),OSNOVICA5 DOUBLE,ST_PDV5 DOUBLE,PDV5 DOUBLE,IZNOS5 DOUBLE,"
             "UKOSNOV DOUBLE,UKPDV DOUBLE,UKIZNOS DOUBLE,"
             "UKOSNOV1 DOUBLE,UKPDV1 DOUBLE,STPDV1 DOUBLE,UKOSNOV2 DOUBLE,UKPDV2 DOUBLE,STPDV2 DOUBLE,"
             "UKOSNOV3 DOUBLE,UKPDV3 DOUBLE,STPDV3 DOUBLE,UKOSNOV4 DOUBLE,UKPDV4 DOUBLE,STPDV4 DOUBLE,"
             "UKOSNOV5 DOUBLE,UKPDV5 DOUBLE,STPDV5 DOUBLE,"
             "NAC_PLAC TEXT(30),OIB_OPER TEXT(11),ZAST_KOD TEXT(32),JIR TEXT(36),UUID TEXT(36),"
             "NAK_DOST TEXT(10),PARAGON TEXT(10),SPECNAMJ TEXT(30),SKLAD TEXT(8),POSL_GOD TEXT(30),"
             "CIS_PORUKA TEXT(60),AUTOKEY INTEGER,DATUM DATE,OIB_KUP TEXT(16),"
             "kolicina DOUBLE,JMJ TEXT(4),kolicina2 DOUBLE,JMJ2 TEXT(4),kolicina3 DOUBLE,JMJ3 TEXT(4),"
             "kolicina4 DOUBLE,JMJ4 TEXT(4),kolicina5 DOUBLE,JMJ5 TEXT(4),"
             "cijena DOUBLE,cijena2 DOUBLE,cijena3 DOUBLE,cijena4 DOUBLE,cijena5 DOUBLE,"
             "VALUTA DATE,OBAVLJEN DATE")},
        {QStringLiteral("OPCI"),
         QStringLiteral(
             "NAZIV TEXT(60),OIB TEXT(11),OIB_OP TEXT(11),SKLAD TEXT(8),ULICA TEXT(50),K_BR TEXT(3),"
             "K_BR_D TEXT(3),PTT TEXT(5),MJESTO TEXT(50),OPCINA TEXT(50),RAD_VR TEXT(200),PROM DATE,"
             "BR_RAC DOUBLE,POSL_GOD TEXT(4),U_PDV TEXT(2),VR_OBVEZ TEXT(2),IME_CERT TEXT(50),"
             "PASS_CERT TEXT(50),ISPIS TEXT(2),PATH_MJE TEXT(255),GLAVNI_PRINTER TEXT(255),NAPLUR TEXT(255),"
             "OPZ_FAKT DATE,OPZ_DOSP DATE,FOOTER TEXT,EMAIL TEXT(60),TEL TEXT(60),FAX TEXT(60),"
             "ODG_IME TEXT(60),ODG_PREZ TEXT(60),TOUCH TEXT(1),eHOST TEXT(50),eUSERNAME TEXT(50),"
             "ePASSWORD TEXT(50),ePORT TEXT(4)")},
        {QStringLiteral("KUPCI"), party},
        {QStringLiteral("KOMINT"), party},
        {QStringLiteral("PROMETNA"),
         QStringLiteral(
             "AUTOKEY INTEGER,POR_BROJ TEXT(16),VK TEXT(1),DAT_KNJIZ DATE,DAT_DOKUM DATE,DAT_DVO DATE,"
             "DAT_DOSP DATE,BROJ_DOK TEXT(30),DUGUJE DOUBLE,POTRAZUJE DOUBLE,IZNOS DOUBLE,PDV DOUBLE,"
             "NALOG TEXT(20),KEYFISKAL DOUBLE,OPIS TEXT(40)")},
        {QStringLiteral("PRIVR"),
         QStringLiteral(
             "AUTOKEY INTEGER,POR_BROJ TEXT(16),VK TEXT(1),DAT_KNJIZ DATE,DAT_DOKUM DATE,DAT_DVO DATE,"
             "DAT_DOSP DATE,BROJ_DOK TEXT(30),IZNOS DOUBLE,PDV DOUBLE,DUGUJE DOUBLE,POTRAZUJE DOUBLE,"
             "NALOG TEXT(7),OPIS TEXT(40)")},
        {QStringLiteral("OPZSTAT"), open},
        {QStringLiteral("OTVORENE"), open},
        {QStringLiteral("ZATTAB"),
         QStringLiteral("AUTOKEY INTEGER,DAT_DOKUM DATE,BROJ_DOK TEXT(30),DAT_DOSP DATE,DUGOVANJE DOUBLE,"
                        "ZATVARANJE DOUBLE")},
    };
}

inline QString expectedColumns(const QString& table)
{
    for (const auto& t : expectedTables())
        if (t.first == table)
            return t.second;
    return QString();
}

// A temporary program folder for one test, with its baze folder.
struct ProgramFolder
{
    QTemporaryDir dir;
    ProgramFolder()
    {
        tarvel::Paths::setProgramFolder(dir.path());
        QDir().mkpath(dir.path() + QStringLiteral("/baze"));
    }
    QString db() const { return tarvel::Paths::databaseFile(); }
};

// A connection of its own on a database file, as another program or workstation would hold it.
class RawDb
{
public:
    explicit RawDb(const QString& file)
    {
        static int n = 0;
        m_name = QStringLiteral("raw_%1").arg(++n);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
            db.setDatabaseName(file);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=100"));
            if (!db.open())
                qFatal("cannot open %s", qPrintable(file));
        }
    }
    ~RawDb()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }
    bool exec(const QString& sql, const QVariantList& binds = {}) const
    {
        QSqlQuery q(db());
        q.prepare(sql);
        for (const QVariant& b : binds)
            q.addBindValue(b);
        if (!q.exec()) {
            qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
            return false;
        }
        return true;
    }
    QVariant scalar(const QString& sql, const QVariantList& binds = {}) const
    {
        QSqlQuery q(db());
        q.prepare(sql);
        for (const QVariant& b : binds)
            q.addBindValue(b);
        if (!q.exec() || !q.next())
            return QVariant();
        return q.value(0);
    }
    QStringList column(const QString& sql) const
    {
        QStringList out;
        QSqlQuery q(db());
        if (!q.exec(sql))
            qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        while (q.next())
            out << q.value(0).toString();
        return out;
    }
    // Creates a table from a literal column list, leaving out the named columns.
    bool createLiteral(const QString& table, const QStringList& leaveOut = {}) const
    {
        QStringList cols;
        for (const QString& c : expectedColumns(table).split(QLatin1Char(','))) {
            const QString name = c.section(QLatin1Char(' '), 0, 0);
            if (leaveOut.contains(name))
                continue;
            if (name == QLatin1String("AUTOKEY") || name == QLatin1String("ID"))
                cols << name + QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT");
            else
                cols << c;
        }
        return exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(table, cols.join(QLatin1Char(','))));
    }

private:
    QString m_name;
};

inline QByteArray fileBytes(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}
