#pragma once

#include "data/filter.h"

#include <QString>

namespace tarvel::data {
class TableObject;
}

namespace tarvel::master {

// The article chosen from the price list, handed to invoice entry. An empty description means that
// nothing was chosen.
struct OdabraniArtikl
{
    QString naziv;
    QString jmj;
    double cijena = 0;
    double cijenaSa = 0;
    double stopa = 25;

    bool odabran() const { return !naziv.isEmpty(); }
    // As every opening of the list leaves it.
    void reset() { *this = OdabraniArtikl(); }
    // Leaving the list without a choice.
    void odustani()
    {
        naziv.clear();
        cijenaSa = 0;
        stopa = 25;
    }
    // NAZIV, CIJENA_SA, STOPA, JMJ and CIJENA of the table's current row.
    static OdabraniArtikl izReda(const data::TableObject& cjenik);
};

// (rate / 100 + 1) x price, rounded to two decimals with Zaokruzi: 100 at 25 gives 125, 10,01 at 13
// gives 11,31.
double cijenaSaPdv(double cijena, double stopa);

// The list's search: descriptions that begin with the text (any letter case); no condition when empty.
data::Filter filterCjenika(const QString& text);

QString pitanjeBrisanjaCijene(const QString& naziv);

} // namespace tarvel::master
