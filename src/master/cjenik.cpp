#include "master/cjenik.h"

#include "core/format.h"
#include "data/tableobject.h"

namespace tarvel::master {

OdabraniArtikl OdabraniArtikl::izReda(const data::TableObject& t)
{
    OdabraniArtikl a;
    a.naziv = t.asString(QStringLiteral("NAZIV"));
    a.cijenaSa = t.asDouble(QStringLiteral("CIJENA_SA"));
    a.stopa = t.asDouble(QStringLiteral("STOPA"));
    a.jmj = t.asString(QStringLiteral("JMJ"));
    a.cijena = t.asDouble(QStringLiteral("CIJENA"));
    return a;
}

double cijenaSaPdv(double cijena, double stopa)
{
    return Zaokruzi((stopa / 100 + 1) * cijena);
}

data::Filter filterCjenika(const QString& text)
{
    data::Filter f;
    if (!text.isEmpty())
        f.add({QStringLiteral("NAZIV"), data::Condition::Op::BeginsWith, text, true});
    return f;
}

QString pitanjeBrisanjaCijene(const QString& naziv)
{
    return QStringLiteral("Dali stvarno brišete ovu cijenu - ") + naziv + QStringLiteral(" ?");
}

} // namespace tarvel::master
