#include "receivables/komitenti.h"

#include "data/tableobject.h"

namespace tarvel::receivables {

using data::Condition;
using data::Filter;

PartyKind partyKindOf(const QString& tableName)
{
    return tableName.compare(QLatin1String("KUPCI"), Qt::CaseInsensitive) == 0 ? PartyKind::Customers
                                                                               : PartyKind::Operators;
}

QString partyTableName(PartyKind kind)
{
    return kind == PartyKind::Customers ? QStringLiteral("KUPCI") : QStringLiteral("KOMINT");
}

const PartyTexts& partyTexts(PartyKind kind)
{
    static const PartyTexts operators{
        QStringLiteral("Operateri"),
        QStringLiteral("Izaberite"),
        QStringLiteral("Naziv operatera"),
        QStringLiteral("Mobitel"),
        QStringLiteral("Tekući račun"),
        QStringLiteral("F7 - kartica operatera"),
        QStringLiteral("Ažuriranje podataka o operateru"),
        QStringLiteral("Tekući račun:"),
        QStringLiteral("Mobilni telefon:"),
        QStringLiteral("Popis operatera"),
        QStringLiteral("Brisanje nije moguće. Operater "),
        QStringLiteral("Stvarno želite obrisati operatera: "),
    };
    static const PartyTexts customers{
        QStringLiteral("Kupci"),
        QStringLiteral("Kupci"),
        QStringLiteral("Naziv kupca"),
        QStringLiteral("Telefax"),
        QStringLiteral("Žiro račun"),
        QStringLiteral("Kartica kupca - F7"),
        QStringLiteral("Ažuriranje podataka o kupcu"),
        QStringLiteral("Žiro račun - IBAN:"),
        QStringLiteral("Telefax:"),
        QStringLiteral("Popis kupaca"),
        QStringLiteral("Brisanje nije moguće. Kupac "),
        QStringLiteral("Stvarno želite obrisati kupca: "),
    };
    return kind == PartyKind::Customers ? customers : operators;
}

QStringList registerColumns()
{
    return {QStringLiteral("POR_BROJ"), QStringLiteral("NAZIV_KOM"), QStringLiteral("ULICA_KOM"),
            QStringLiteral("PTT_KOM"),  QStringLiteral("TELEFON"),   QStringLiteral("TELEFAX"),
            QStringLiteral("ZIRO"),     QStringLiteral("FNAZIV")};
}

QStringList registerTitles(PartyKind kind)
{
    const PartyTexts& t = partyTexts(kind);
    return {QStringLiteral("OIB"),     t.nameColumn, QStringLiteral("Adresa"), QStringLiteral("Grad"),
            QStringLiteral("Telefon"), t.faxColumn,  t.accountColumn,          QStringLiteral("eMail")};
}

namespace {

Filter prefixFilter(const QString& column, const QString& typed)
{
    Filter f;
    if (!typed.isEmpty())
        f.add(Condition{column, Condition::Op::BeginsWith, typed, true});
    return f;
}

} // namespace

Filter nameSearch(const QString& typed)
{
    return prefixFilter(QStringLiteral("NAZIV_KOM"), typed);
}

Filter oibSearch(const QString& typed)
{
    return prefixFilter(QStringLiteral("POR_BROJ"), typed);
}

QString nextSort(const QString& currentSort, const QString& column)
{
    return column +
           (currentSort.contains(QLatin1String("ASC")) ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
}

namespace {

bool anyRow(QSqlDatabase* db, const QString& table, const QString& column, const QString& value)
{
    data::TableObject t(db, table);
    Filter f;
    f.add(Condition{column, Condition::Op::Eq, value});
    t.setFilter(f);
    t.open();
    const bool found = !t.isEmpty();
    t.close();
    return found;
}

} // namespace

bool oibExists(QSqlDatabase* db, const QString& tableName, const QString& oib)
{
    return anyRow(db, tableName, QStringLiteral("POR_BROJ"), oib);
}

bool hasInvoices(QSqlDatabase* db, PartyKind kind, const QString& oib)
{
    return anyRow(db, QStringLiteral("FISKAL"),
                  kind == PartyKind::Customers ? QStringLiteral("OIB_KUP") : QStringLiteral("OIB"), oib);
}

} // namespace tarvel::receivables
