#pragma once

#include "core/cipher.h"
#include "core/clock.h"
#include "core/paths.h"
#include "data/store.h"
#include "data/tdm.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// A fresh database in a temporary program folder with the company row, an operator and two customers
// (one with an e-mail address), the clock fixed at 11.12.2026 10:00:00.
struct BookFixture
{
    static constexpr const char* CompanyOib = "11111111119";
    static constexpr const char* OperatorOib = "12345678903";
    static constexpr const char* OperatorName = "Ana Operaterka";
    static constexpr const char* CustomerOib = "98765432106";
    static constexpr const char* CustomerName = "Kupac d.o.o.";
    static constexpr const char* CustomerMail = "nabava@kupac.hr";
    static constexpr const char* SilentOib = "69435151530";
    static constexpr const char* SilentName = "Tihi kupac j.d.o.o.";

    // short, because OPCI.IME_CERT holds at most 50 characters
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/tb-XXXXXX")};
    std::unique_ptr<tarvel::data::TDM> dm;

    BookFixture()
    {
        tarvel::Paths::setProgramFolder(dir.path());
        for (const char* sub : {"baze", "xml", "xml_in", "xml_out"})
            QDir().mkpath(dir.path() + QLatin1Char('/') + QLatin1String(sub));
        tarvel::Clock::setFixed(QDateTime(QDate(2026, 12, 11), QTime(10, 0, 0)));
        tarvel::data::TDM::setExecutableFileTime(4242);
        dm = std::make_unique<tarvel::data::TDM>();
        dm->create();
        exec("INSERT INTO OPCI (NAZIV, OIB, OIB_OP, SKLAD, NAPLUR, POSL_GOD, BR_RAC, U_PDV, VR_OBVEZ, ULICA, "
             "K_BR, K_BR_D, PTT, MJESTO, PROM, ISPIS, EMAIL, ODG_IME, ODG_PREZ) VALUES ('Tvrtka d.o.o.', ?, "
             "?, "
             "'POSL1', '3', '2026', 17, 'Da', 'R1', 'Ilica', '12', 'a', '10000', 'Zagreb', '2016-03-15', "
             "'A4', 'racuni@tvrtka.hr', 'Iva', 'Ivić')",
             {QString::fromLatin1(CompanyOib), QString::fromLatin1(OperatorOib)});
        exec("INSERT INTO KOMINT (POR_BROJ, NAZIV_KOM) VALUES (?, ?)",
             {QString::fromLatin1(OperatorOib), QString::fromLatin1(OperatorName)});
        exec("INSERT INTO KUPCI (POR_BROJ, NAZIV_KOM, ULICA_KOM, PTT_KOM, FNAZIV) VALUES (?, ?, ?, ?, ?)",
             {QString::fromLatin1(CustomerOib), QString::fromLatin1(CustomerName),
              QStringLiteral("Vukovarska 5"), QStringLiteral("21000 Split"),
              QString::fromLatin1(CustomerMail)});
        exec("INSERT INTO KUPCI (POR_BROJ, NAZIV_KOM, FNAZIV) VALUES (?, ?, '   ')",
             {QString::fromLatin1(SilentOib), QString::fromLatin1(SilentName)});
        dm->readSharedValues();
        dm->OpcaTable->close();
    }

    ~BookFixture()
    {
        for (tarvel::data::TableObject* t : dm->tables())
            if (t->active())
                t->close();
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
    void setOpci(const char* column, const QVariant& value)
    {
        exec((QByteArray("UPDATE OPCI SET ") + column + " = ?").constData(), {value});
    }

    // A stored invoice; FISKAL is left open on it.
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

    // An invoice of 100 at 25 % (125.00) to the customer, by the operator, recorded on 01.12.2026.
    static QVariantMap sampleInvoice(const QString& brRac = QStringLiteral("5/POSL1/3 2026"),
                                     const QString& jir = QString())
    {
        return {{"BR_RAC", brRac},
                {"OIB", QString::fromLatin1(OperatorOib)},
                {"OIB_OPER", QString::fromLatin1(OperatorOib)},
                {"OIB_KUP", QString::fromLatin1(CustomerOib)},
                {"NAZIV", QString::fromLatin1(CustomerName)},
                {"DAT_VR", "01.12.2026T10:30:00"},
                {"DATUM", QDate(2026, 12, 1)},
                {"VALUTA", QDate(2026, 12, 16)},
                {"NAC_PLAC", "G - Novčanice i kovanice"},
                {"NAK_DOST", "Ne"},
                {"PARAGON", ""},
                {"OPIS", "Usluga"},
                {"OSNOVICA", 100.0},
                {"ST_PDV", 25.0},
                {"PDV", 25.0},
                {"IZNOS", 125.0},
                {"kolicina", 1.0},
                {"JMJ", "kom"},
                {"cijena", 100.0},
                {"UKOSNOV", 100.0},
                {"UKPDV", 25.0},
                {"UKIZNOS", 125.0},
                {"STPDV1", 25.0},
                {"UKOSNOV1", 100.0},
                {"UKPDV1", 25.0},
                {"JIR", jir},
                {"ZAST_KOD", jir.isEmpty() ? QString() : QStringLiteral("abcdef0123456789abcdef0123456789")},
                {"DATSAT", jir.isEmpty() ? QVariant() : QVariant(QStringLiteral("01.12.2026T10:30:05"))},
                {"SPECNAMJ", "61873204959"},
                {"U_PDV", "Da"},
                {"SLIJED", "N"},
                {"BR_OZN", "POSL1"},
                {"SKLAD", "POSL1"},
                {"POSL_GOD", "2026"}};
    }
};
