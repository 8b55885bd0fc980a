#pragma once

#include <QString>

namespace tarvel::data {
class TableObject;
}

namespace tarvel::master {

enum class PostaRedoslijed { Mjesto, PostanskiBroj };

QString sortPoste(PostaRedoslijed r);        // "BNAZ" / "NOVIBR"
int duljinaTrazenjaPoste(PostaRedoslijed r); // 25 / 5

// Moves to the first row, in the table's order, whose place (letter case exact) or postal number
// begins with the text; the current row stays when none does or the text is empty.
bool traziPostu(data::TableObject& posta, PostaRedoslijed r, const QString& text);

// What the party's PTT_KOM gets from the current row: number, one blank, place ("21000 SPLIT").
QString pttKomitenta(const data::TableObject& posta);

// "Kreni": a new row or the current one, with the trimmed place and number; nothing is checked.
void zapisiPostu(data::TableObject& posta, bool novi, const QString& mjesto, const QString& broj);

QString pitanjeBrisanjaPoste(const QString& mjesto, const QString& broj);

} // namespace tarvel::master
