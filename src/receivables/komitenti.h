#pragma once

#include "data/filter.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The rules of the party register (customers in KUPCI, operators in KOMINT) that need no window.
namespace tarvel::receivables {

enum class PartyKind { Operators, Customers };

// KUPCI holds customers; every other name (KOMINT) operators.
PartyKind partyKindOf(const QString& tableName);
QString partyTableName(PartyKind kind);

// The register's selection result: both empty when the user left without choosing.
struct PartyChoice
{
    QString oib;
    QString naziv;
    bool isEmpty() const { return oib.isEmpty() && naziv.isEmpty(); }
};

// Every text of the two screens and the list print that differs between operators and customers.
struct PartyTexts
{
    QString title;          // register, maintenance
    QString selectionTitle; // register, selection
    QString nameColumn;
    QString faxColumn;
    QString accountColumn;
    QString cardButton;
    QString editTitle;
    QString accountLabel;
    QString faxLabel;
    QString printTitle;
    QString deleteRefusedPrefix;
    QString deleteQuestionPrefix;

    QString deleteRefused(const QString& naziv) const
    {
        return deleteRefusedPrefix + naziv + QStringLiteral("  ima aktivnu karticu računa.");
    }
    QString deleteQuestion(const QString& naziv) const
    {
        return deleteQuestionPrefix + naziv + QStringLiteral(" ?");
    }
};
const PartyTexts& partyTexts(PartyKind kind);

inline const QString OibCheckQuestion =
    QStringLiteral("Neispravna kontrolna znamenka u upisanoj šifri.\nProvjerite još jednom ispravnost "
                   "OIBa. Ipak upisujete ovakav broj ?");
inline const QString DuplicateOibNotice =
    QStringLiteral("Porezni broj već postoji u bazi komitenata ! Upišite novi OIB.....");
inline const QString DefaultSort = QStringLiteral("NAZIV_KOM ASC");

// The register's grid: columns and their titles.
QStringList registerColumns();
QStringList registerTitles(PartyKind kind);

// "Traži po": a name or OIB prefix, case-insensitive; an empty text removes the filter.
data::Filter nameSearch(const QString& typed);
data::Filter oibSearch(const QString& typed);

// A click on a column title: after any ascending sort the clicked column goes descending, otherwise
// ascending, whichever column was clicked before.
QString nextSort(const QString& currentSort, const QString& column);

// Over every row of the table, whatever filter the register's table object has.
bool oibExists(QSqlDatabase* db, const QString& tableName, const QString& oib);
// An invoice in FISKAL refers to the party: operators by OIB, customers by OIB_KUP.
bool hasInvoices(QSqlDatabase* db, PartyKind kind, const QString& oib);

} // namespace tarvel::receivables
