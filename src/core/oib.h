#pragma once

#include <QString>

namespace tarvel {

// The ISO 7064 MOD 11,10 control digit of the first ten digits of an OIB; -1 when the text does not
// start with ten ASCII digits.
int oibControlDigit(QStringView firstTen);

// The OIB check of the company data and the party register: exactly 11 characters, all ASCII digits,
// the eleventh equal to the control digit of the first ten. The text is taken as it stands (no
// trimming), so a blank anywhere fails.
bool isValidOib(const QString& oib);

} // namespace tarvel
