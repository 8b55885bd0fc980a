#include "fiscal/registracijapu.h"

#include "core/cipher.h"
#include "core/clock.h"
#include "data/tableobject.h"
#include "data/tdm.h"
#include "fiscal/fiskalizacija.h"
#include "fiscal/fiskalnostanje.h"
#include "fiscal/prijenos.h"

namespace tarvel::fiscal {

namespace {

void spremiPodskup(data::TableObject& t, const PodaciZaPU& p)
{
    // The cipher refuses a password that would not fit before anything is written.
    const QString passCert = encipherPassword(p.passCert);
    if (!t.active())
        t.open();
    t.first();
    if (t.isEmpty())
        t.append();
    else
        t.edit();
    try {
        auto set = [&t](const char* column, const QVariant& v) { t.setValue(QLatin1String(column), v); };
        set("OIB", p.oib);
        set("OIB_OP", p.oibOp);
        set("NAZIV", p.naziv);
        set("SKLAD", p.sklad);
        set("ULICA", p.ulica);
        set("K_BR", p.kBr);
        set("K_BR_D", p.kBrD);
        set("PTT", p.ptt);
        set("MJESTO", p.mjesto);
        set("OPCINA", p.opcina);
        set("RAD_VR", p.radVr);
        set("PROM", Clock::today());
        set("POSL_GOD", p.poslGod);
        set("BR_RAC", p.brRac);
        set("U_PDV", p.uPdv);
        set("VR_OBVEZ", p.vrObvez);
        set("IME_CERT", p.imeCert);
        set("PATH_MJE", p.pathMje);
        set("ISPIS", p.ispis);
        set("PASS_CERT", passCert);
        set("NAPLUR", p.naplur);
        t.post();
    } catch (...) {
        t.cancel();
        throw;
    }
}

const char* const kObavezna[] = {"OIB", "ULICA", "K_BR", "PTT", "MJESTO", "OPCINA", "RAD_VR", "SKLAD"};

} // namespace

IshodPU RegistrirajUPU(data::TDM& dm, const PodaciZaPU& p, FiskalniPrikaz& prikaz)
{
    struct Kursor
    {
        FiskalniPrikaz& p;
        explicit Kursor(FiskalniPrikaz& prikaz) : p(prikaz) { p.cekanje(true); }
        ~Kursor() { p.cekanje(false); }
    } kursor(prikaz);

    if (!internetDostupan())
        prikaz.obavijest(
            QStringLiteral("S Internet vezom nešto nije u radu. Ispravite grešku i pokušajte kasnije."));

    data::TableObject& opci = *dm.OpcaTable;
    spremiPodskup(opci, p);
    const bool testni = jeTestniCIS(opci.asString(QStringLiteral("OIB")).trimmed());
    stanje().TestniCIS = testni;
    if (dm.testniCIS != testni) {
        dm.testniCIS = testni;
        Q_EMIT dm.sharedValuesChanged();
    }

    IshodPU ishod;
    ProstorPodaci unos;
    unos.oib = p.oib;
    unos.oznaka = p.sklad;
    unos.ulica = p.ulica;
    unos.kucniBroj = p.kBr;
    unos.brojPoste = p.ptt;
    unos.naselje = p.mjesto;
    unos.opcina = p.opcina;
    unos.radnoVrijeme = p.radVr;
    const int prazno = prvoPraznoObaveznoPolje(unos);
    if (prazno >= 0) {
        prikaz.obavijest(QStringLiteral("Polje je obavezan podatak. Molimo popunite."));
        ishod.polje = QLatin1String(kObavezna[prazno]);
        return ishod;
    }
    ishod.promjena = Clock::today();

    try {
        const ProstorPodaci prostor = prostorIzReda(opci, p.zatvori);
        const QString lozinka = decipherPassword(opci.asString(QStringLiteral("PASS_CERT")));
        ishod.rezultat = posaljiProstor(prostor, lozinka, prikaz);
        ishod.poslano = true;
    } catch (const TarvelError& e) {
        ishod.greska = e;
    }
    return ishod;
}

} // namespace tarvel::fiscal
