#include "master/posta.h"

#include "data/tableobject.h"

namespace tarvel::master {

QString sortPoste(PostaRedoslijed r)
{
    return r == PostaRedoslijed::Mjesto ? QStringLiteral("BNAZ") : QStringLiteral("NOVIBR");
}

int duljinaTrazenjaPoste(PostaRedoslijed r)
{
    return r == PostaRedoslijed::Mjesto ? 25 : 5;
}

bool traziPostu(data::TableObject& posta, PostaRedoslijed r, const QString& text)
{
    if (text.isEmpty() || !posta.active())
        return false;
    return posta.locate(sortPoste(r), text, false, true);
}

QString pttKomitenta(const data::TableObject& posta)
{
    return posta.asString(QStringLiteral("NOVIBR")) + QLatin1Char(' ') +
           posta.asString(QStringLiteral("BNAZ"));
}

void zapisiPostu(data::TableObject& posta, bool novi, const QString& mjesto, const QString& broj)
{
    if (novi)
        posta.append();
    else
        posta.edit();
    try {
        posta.setValue(QStringLiteral("BNAZ"), mjesto.trimmed());
        posta.setValue(QStringLiteral("NOVIBR"), broj.trimmed());
        posta.post();
    } catch (...) {
        posta.cancel();
        throw;
    }
}

QString pitanjeBrisanjaPoste(const QString& mjesto, const QString& broj)
{
    return QStringLiteral("Stvarno želite obrisati mjesto: ") + mjesto +
           QStringLiteral(" s poštanskim brojem: ") + broj;
}

} // namespace tarvel::master
