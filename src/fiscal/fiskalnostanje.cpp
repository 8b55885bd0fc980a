#include "fiscal/fiskalnostanje.h"

namespace tarvel::fiscal {

FiskalnoStanje& stanje()
{
    static FiskalnoStanje s;
    return s;
}

bool jeTestniCIS(const QString& oibTvrtke)
{
    return oibTvrtke == QLatin1String(MaticniOIB);
}

} // namespace tarvel::fiscal
