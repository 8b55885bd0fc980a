#include "fiscal/certreport.h"

#include "core/cipher.h"
#include "core/format.h"
#include "data/tableobject.h"

namespace tarvel::fiscal {

PodaciCertifikata PodaciCertifikata::izOpci(data::TableObject& t)
{
    PodaciCertifikata p;
    const bool bioOtvoren = t.active();
    if (!bioOtvoren)
        t.open();
    if (!t.isEmpty()) {
        t.first();
        auto s = [&t](const char* column) { return t.asString(QLatin1String(column)); };
        p.prom = t.asDate(QStringLiteral("PROM"));
        p.naziv = s("NAZIV");
        p.ulica = s("ULICA");
        p.kBr = s("K_BR");
        p.kBrD = s("K_BR_D");
        p.ptt = s("PTT");
        p.mjesto = s("MJESTO");
        p.oib = s("OIB");
        p.imeCert = s("IME_CERT");
        p.lozinka = decipherPassword(s("PASS_CERT"));
    }
    if (!bioOtvoren)
        t.close();
    return p;
}

QString TCertReport::adresa(const PodaciCertifikata& p)
{
    return p.ulica.trimmed() + QLatin1Char(' ') + p.kBr + QLatin1Char(' ') + p.kBrD;
}

QString TCertReport::vrijediDo(const QDate& prom)
{
    return prom.isValid() ? QStringLiteral("%1").arg(prom.year() + 5, 4, 10, QLatin1Char('0')) : QString();
}

TCertReport::TCertReport(const PodaciCertifikata& podaci) : m_p(podaci)
{
    using reports::Context;
    setPage(reports::PageSetup::a4Portrait().withMargins(20, 20, 20, 15));
    setTitle(QStringLiteral("POTVRDA O CERTIFIKATU"));
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(11);
    setFont(f);

    // Body width 170 mm.
    const QString crta(76, QLatin1Char('-'));
    auto val = [this](auto get) { return [this, get](const Context&) -> QVariant { return get(m_p); }; };
    auto& t = title(150);
    t.label(QStringLiteral("POTVRDA O CERTIFIKATU"))
        .name(QStringLiteral("naslov"))
        .at(0, 0, 170, 9)
        .center()
        .bold()
        .size(16);
    t.label(QStringLiteral("FISKAL CERTIFIKAT INSTALIRAN NA RAČUNALO"))
        .name(QStringLiteral("podnaslov"))
        .at(0, 11, 170, 7)
        .center()
        .bold()
        .size(12);
    t.label(QStringLiteral("Datum:")).name(QStringLiteral("datumNatpis")).at(0, 24, 25, 6);
    t.field(val([](const PodaciCertifikata& p) { return fmt::date(p.prom); }))
        .name(QStringLiteral("datum"))
        .at(25, 24, 60, 6);
    t.label(crta).name(QStringLiteral("crta1")).at(0, 32, 170, 6);
    t.label(QStringLiteral("NOSITELJ CERTIFIKATA I LOZINKA"))
        .name(QStringLiteral("nositelj"))
        .at(0, 40, 170, 6)
        .bold();
    t.field(val([](const PodaciCertifikata& p) { return p.naziv; }))
        .name(QStringLiteral("naziv"))
        .at(0, 50, 170, 6)
        .bold();
    t.field(val([](const PodaciCertifikata& p) { return adresa(p); }))
        .name(QStringLiteral("adresa"))
        .at(0, 57, 170, 6);
    t.field(val([](const PodaciCertifikata& p) { return p.ptt; }))
        .name(QStringLiteral("ptt"))
        .at(0, 64, 18, 6);
    t.field(val([](const PodaciCertifikata& p) { return p.mjesto; }))
        .name(QStringLiteral("mjesto"))
        .at(18, 64, 152, 6);
    t.label(QStringLiteral("OIB:")).name(QStringLiteral("oibNatpis")).at(0, 71, 12, 6);
    t.field(val([](const PodaciCertifikata& p) { return p.oib; }))
        .name(QStringLiteral("oib"))
        .at(12, 71, 60, 6);
    t.field(val([](const PodaciCertifikata& p) { return p.imeCert; }))
        .name(QStringLiteral("certifikat"))
        .at(0, 82, 170, 6)
        .wrap();
    t.field(val([](const PodaciCertifikata& p) { return QStringLiteral("Lozinka: ") + p.lozinka; }))
        .name(QStringLiteral("lozinka"))
        .at(0, 90, 170, 6);
    t.field(
         val([](const PodaciCertifikata& p) { return QStringLiteral("Vrijedi do: ") + vrijediDo(p.prom); }))
        .name(QStringLiteral("vrijediDo"))
        .at(0, 97, 170, 6);
    t.label(crta).name(QStringLiteral("crta2")).at(0, 105, 170, 6);

    pageFooter(8)
        .label(QStringLiteral("Potvrda sadrži lozinku certifikata: čuvajte je na sigurnom mjestu."))
        .name(QStringLiteral("podnozje"))
        .at(0, 1, 170, 5)
        .center()
        .size(8);
}

} // namespace tarvel::fiscal
