#pragma once

#include "core/clock.h"
#include "core/paths.h"
#include "data/store.h"
#include "data/tdm.h"
#include "invoicing/entryservices.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// One fresh database in a temporary program folder, with a company row, an operator and a customer,
// and the clock fixed at 11.12.2026 10:00:00.
struct EntryFixture
{
    static constexpr const char* OperatorOib = "12345678903";
    static constexpr const char* OperatorName = "Ana Operaterka";
    static constexpr const char* CustomerOib = "98765432106";
    static constexpr const char* CustomerName = "Kupac d.o.o.";

    QTemporaryDir dir;
    std::unique_ptr<tarvel::data::TDM> dm;
    QList<bool> idleSwitches; // every switch of the idle watcher, in order
    QList<QString> partyTables;
    QList<QString> partyPositions;
    int partyChoices = 0;
    int articleChoices = 0;
    tarvel::invoicing::ChosenParty nextParty;
    tarvel::invoicing::ChosenArticle nextArticle;

    EntryFixture()
    {
        tarvel::Paths::setProgramFolder(dir.path());
        QDir().mkpath(dir.path() + QStringLiteral("/baze"));
        tarvel::Clock::setFixed(QDateTime(QDate(2026, 12, 11), QTime(10, 0, 0)));
        tarvel::data::TDM::setExecutableFileTime(4242);
        dm = std::make_unique<tarvel::data::TDM>();
        dm->create();
        exec("INSERT INTO OPCI (NAZIV, OIB, OIB_OP, SKLAD, NAPLUR, POSL_GOD, BR_RAC, U_PDV) "
             "VALUES ('Tvrtka d.o.o.', '11111111119', ?, 'POSL1', '3', '2026', 17, 'Da')",
             {QString::fromLatin1(OperatorOib)});
        exec("INSERT INTO KOMINT (POR_BROJ, NAZIV_KOM) VALUES (?, ?)",
             {QString::fromLatin1(OperatorOib), QString::fromLatin1(OperatorName)});
        exec("INSERT INTO KUPCI (POR_BROJ, NAZIV_KOM) VALUES (?, ?)",
             {QString::fromLatin1(CustomerOib), QString::fromLatin1(CustomerName)});
        dm->readSharedValues();
        dm->OpcaTable->close();

        auto& s = tarvel::invoicing::EntryServices::current();
        s = tarvel::invoicing::EntryServices::defaults();
        s.idleWatcher = [this](bool on) { idleSwitches << on; };
        s.chooseParty = [this](QWidget*, tarvel::data::TableObject* t, const QString& position) {
            partyPositions << position;
            ++partyChoices;
            partyTables << t->tableName();
            return nextParty;
        };
        s.chooseArticle = [this](QWidget*) {
            ++articleChoices;
            return nextArticle;
        };
    }

    ~EntryFixture()
    {
        tarvel::invoicing::EntryServices::current() = tarvel::invoicing::EntryServices::defaults();
        dm.reset();
        tarvel::Clock::setFixed(QDateTime());
    }

    void exec(const char* sql, const QVariantList& binds = {})
    {
        tarvel::data::execSql(dm->connection(), QString::fromUtf8(sql), binds).finish();
    }
    QVariant scalar(const char* sql, const QVariantList& binds = {})
    {
        return tarvel::data::scalar(dm->connection(), QString::fromUtf8(sql), binds);
    }
    int count(const char* table)
    {
        return scalar((QByteArray("SELECT count(*) FROM ") + table).constData()).toInt();
    }
    double counter() { return scalar("SELECT BR_RAC FROM OPCI").toDouble(); }

    // A stored invoice, positioned as the current row of FISKAL (open, as the book holds it).
    qint64 addInvoice(const QVariantMap& columns)
    {
        tarvel::data::TableObject* f = dm->FiskalTable;
        if (!f->active())
            f->open();
        f->append();
        for (auto it = columns.cbegin(); it != columns.cend(); ++it)
            f->setValue(it.key(), it.value());
        f->post();
        return f->value(QStringLiteral("AUTOKEY")).toLongLong();
    }

    // An invoice of 100 at 25 % dated 01.12.2026 10:30:00.
    static QVariantMap sampleInvoice(const QString& jir = QString())
    {
        return {{"BR_RAC", "5/POSL1/3 2026"},
                {"OIB", QString::fromLatin1(OperatorOib)},
                {"OIB_OPER", QString::fromLatin1(OperatorOib)},
                {"NAZIV", QString::fromLatin1(OperatorName)},
                {"DAT_VR", "01.12.2026T10:30:00"},
                {"DATUM", QDate(2026, 12, 1)},
                {"NAC_PLAC", "K - Kartica"},
                {"NAK_DOST", "Ne"},
                {"OPIS", "Usluga"},
                {"OSNOVICA", 100.0},
                {"ST_PDV", 25.0},
                {"PDV", 25.0},
                {"IZNOS", 125.0},
                {"UKOSNOV", 100.0},
                {"UKPDV", 25.0},
                {"UKIZNOS", 125.0},
                {"STPDV1", 25.0},
                {"UKOSNOV1", 100.0},
                {"UKPDV1", 25.0},
                {"JIR", jir},
                {"ZAST_KOD", jir.isEmpty() ? QString() : QStringLiteral("abcdef0123456789abcdef0123456789")},
                {"SPECNAMJ", "61873204959"},
                {"U_PDV", "Da"},
                {"SLIJED", "N"},
                {"BR_OZN", "POSL1"}};
    }

    // Makes every write of the given kind to `table` fail inside the store, as a full disk or a broken
    // file would.
    void failWrites(const char* table, const char* kind)
    {
        exec((QByteArray("CREATE TRIGGER fail_") + table + "_" + kind + " BEFORE " + kind + " ON " + table +
              " BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END")
                 .constData());
    }
    void allowWrites(const char* table, const char* kind)
    {
        exec((QByteArray("DROP TRIGGER fail_") + table + "_" + kind).constData());
    }
};
