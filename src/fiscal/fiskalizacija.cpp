#include "fiscal/fiskalizacija.h"

#include "core/clock.h"
#include "core/errors.h"
#include "core/format.h"
#include "core/paths.h"
#include "data/tableobject.h"
#include "fiscal/fiskalnostanje.h"
#include "fiscal/potpis.h"
#include "fiscal/prijenos.h"
#include "fiscal/zastitnikod.h"

#include <QElapsedTimer>
#include <QFile>

namespace tarvel::fiscal {

namespace {

using data::TableObject;

// Runs a clean-up when the scope is left, also by an exception.
template <typename F> struct NaKraju
{
    F f;
    ~NaKraju() { f(); }
};
template <typename F> NaKraju(F) -> NaKraju<F>;

// OPCI as the caller left it: opened for the read when closed, closed again afterwards.
struct OtvoreniOpci
{
    TableObject* t;
    bool bioOtvoren;
    explicit OtvoreniOpci(TableObject* table) : t(table), bioOtvoren(table->active())
    {
        if (!bioOtvoren)
            t->open();
        t->first();
    }
    ~OtvoreniOpci()
    {
        if (!bioOtvoren)
            t->close();
    }
};

bool jeFiskaliziran(const QString& jir)
{
    return !jir.isEmpty() && !jir.startsWith(QStringLiteral("Greška"));
}

void izbrisi(std::initializer_list<const char*> files)
{
    for (const char* f : files)
        QFile::remove(Paths::file(QLatin1String(f)));
}

} // namespace

RacunPodaci racunIzReda(const TableObject& f)
{
    RacunPodaci r;
    r.oibOperatera = f.asString(QStringLiteral("OIB"));
    const QVariant datVr = f.value(QStringLiteral("DAT_VR"));
    r.datVr = datVr.isNull() ? QString() : datVr.toString();
    r.slijed = f.asString(QStringLiteral("SLIJED"));
    r.brRac = f.asString(QStringLiteral("BR_RAC"));
    r.ukIznos = f.asDouble(QStringLiteral("UKIZNOS"));
    for (int i = 0; i < 5; ++i) {
        const QString n = QString::number(i + 1);
        r.stPdv[i] = f.asDouble(QStringLiteral("STPDV") + n);
        r.ukOsnov[i] = f.asDouble(QStringLiteral("UKOSNOV") + n);
        r.ukPdv[i] = f.asDouble(QStringLiteral("UKPDV") + n);
    }
    r.nacPlac = f.asString(QStringLiteral("NAC_PLAC"));
    r.nakDost = f.asString(QStringLiteral("NAK_DOST"));
    return r;
}

TvrtkaPodaci tvrtkaIzReda(const TableObject& o)
{
    return {o.asString(QStringLiteral("OIB")), o.asString(QStringLiteral("U_PDV")),
            o.asString(QStringLiteral("SKLAD")), o.asString(QStringLiteral("NAPLUR")),
            o.asString(QStringLiteral("IME_CERT"))};
}

void otvoriFiskalizaciju(const QString& imeCert, const QString& lozinka)
{
    FiskalnoStanje& s = stanje();
    s.certifikat = imeCert;
    s.lozinka = lozinka;
    if (imeCert.isNull())
        return;
    oslobodiKljuc(s.KljucZKI);
    s.KljucZKI = UcitajKljuc(imeCert, lozinka);
    InicijalizirajXmlSec();
}

void zatvoriFiskalizaciju()
{
    UgasiXmlSec();
}

QString tekstTrajanja(qint64 ms)
{
    return QStringLiteral("Trajanje: %1.%2 msec").arg(ms / 1000).arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

void FiskalizirajRacun(TableObject* fiskal, TableObject* opci, FiskalniPrikaz& prikaz)
{
    if (!fiskal || !fiskal->active() || fiskal->isEmpty())
        return;
    FiskalnoStanje& s = stanje();
    s.zavrseno = false;
    s.detaljnaGreska.clear();
    prikaz.statusniTimer(false);
    QElapsedTimer trajanje;
    trajanje.start();
    prikaz.napredak(true);

    NaKraju kraj{[&] {
        s.detaljnaGreska.clear();
        s.ZastitniKod.clear();
        prikaz.napredak(false);
        prikaz.statusniTimer(true);
        prikaz.gumbFiskaliziraj(true);
        s.zavrseno = true;
    }};

    if (jeFiskaliziran(fiskal->asString(QStringLiteral("JIR")))) {
        prikaz.napredak(false);
        prikaz.obavijest(QStringLiteral("Račun je već fiskaliziran!"));
        return;
    }

    prikaz.cekanje(true);
    NaKraju kursor{[&] { prikaz.cekanje(false); }};
    {
        OtvoreniOpci o(opci);
        bool ok = false;
        const int redni =
            fiskal->asString(QStringLiteral("BR_RAC")).section(QLatin1Char('/'), 0, 0).trimmed().toInt(&ok);
        if (ok && redni < o.t->asDouble(QStringLiteral("BR_RAC")) - 1) {
            fiskal->edit();
            fiskal->setValue(QStringLiteral("NAK_DOST"), QStringLiteral("Da"));
            fiskal->post();
        }
    }

    prikaz.gumbFiskaliziraj(false);
    s.IdPoruke.clear();
    s.vrijemeSlanja.clear();
    s.ZastitniKod.clear();
    izbrisi({"xml/jir.txt", "jir.txt", "xml/response.xml", "xml/zahtjev.xml"});

    try {
        {
            OtvoreniOpci o(opci);
            const TvrtkaPodaci tvrtka = tvrtkaIzReda(*o.t);
            s.certifikat = tvrtka.imeCert;
            s.TestniCIS = jeTestniCIS(tvrtka.oib.trimmed());
            s.brojRacuna = fiskal->asString(QStringLiteral("BR_RAC"));
            Popunixmlracun(racunIzReda(*fiskal), tvrtka);
        }
        KreirajPotpisniKontekst();
        UcitajZahtjev();
        ParsirajZahtjev();
        DodajZastitniKod(s.dokument, s.KljucZKI);
        PotpisiZahtjev();
        const QString rezultat = PosaljiZahtjev();
        zapisiJir(rezultat);

        const bool greska = rezultat.startsWith(QStringLiteral("Greška"));
        fiskal->edit();
        fiskal->setValue(QStringLiteral("DATSAT"), s.vrijemeSlanja);
        if (greska) {
            fiskal->setValue(QStringLiteral("CIS_PORUKA"), rezultat.left(60));
        } else {
            fiskal->setValue(QStringLiteral("JIR"), rezultat);
            fiskal->setValue(QStringLiteral("CIS_PORUKA"), QStringLiteral("Fiskalizacija provedena"));
        }
        fiskal->setValue(QStringLiteral("UUID"), s.IdPoruke);
        fiskal->setValue(QStringLiteral("ZAST_KOD"), s.ZastitniKod);
        fiskal->post();
        OslobodiZahtjev();

        if (!greska) {
            prikaz.napredak(false);
            prikaz.potvrda(rezultat, s.ZastitniKod, tekstTrajanja(trajanje.elapsed()));
        } else {
            prikaz.obavijest(QStringLiteral("XML računa poslan u CIS PU. Rezultat: ") + kDvaReda + rezultat);
        }
    } catch (const std::exception&) {
        prikaz.napredak(false);
        if (fiskal->state() != TableObject::State::Browse)
            fiskal->cancel();
        fiskal->edit();
        fiskal->setValue(QStringLiteral("UUID"), s.IdPoruke);
        fiskal->setValue(QStringLiteral("ZAST_KOD"), s.ZastitniKod);
        fiskal->setValue(QStringLiteral("CIS_PORUKA"), QStringLiteral("Greška u kominikaciji sa CIS-om"));
        fiskal->setValue(QStringLiteral("DATSAT"), s.vrijemeSlanja);
        fiskal->post();
        OslobodiZahtjev();
        if (!s.ZastitniKod.isEmpty())
            prikaz.obavijest(
                QStringLiteral(
                    "Račun nije fiskaliziran, ali ga možete ispisati. Pokušajte ga fiskalizirati kasnije.") +
                kDvaReda + QStringLiteral("ZKI generiran :") + kDvaReda + s.ZastitniKod + kDvaReda +
                s.detaljnaGreska);
        else
            prikaz.obavijest(
                QStringLiteral(
                    "Račun nije fiskaliziran. Greška u komunikaciji sa serverom ili certifikatom. ") +
                kDvaReda + s.detaljnaGreska);
    }
}

ProstorPodaci prostorIzReda(const TableObject& o, bool zatvori)
{
    ProstorPodaci p;
    p.oib = o.asString(QStringLiteral("OIB"));
    p.oznaka = o.asString(QStringLiteral("SKLAD"));
    p.ulica = o.asString(QStringLiteral("ULICA"));
    p.kucniBroj = o.asString(QStringLiteral("K_BR"));
    p.kucniBrojDodatak = o.asString(QStringLiteral("K_BR_D"));
    p.brojPoste = o.asString(QStringLiteral("PTT"));
    p.naselje = o.asString(QStringLiteral("MJESTO"));
    p.opcina = o.asString(QStringLiteral("OPCINA"));
    p.radnoVrijeme = o.asString(QStringLiteral("RAD_VR"));
    p.datumPocetka = fmt::date(Clock::today());
    p.zatvori = zatvori;
    p.imeCert = o.asString(QStringLiteral("IME_CERT"));
    return p;
}

int prvoPraznoObaveznoPolje(const ProstorPodaci& p)
{
    const QString* polja[] = {&p.oib,     &p.ulica,  &p.kucniBroj,    &p.brojPoste,
                              &p.naselje, &p.opcina, &p.radnoVrijeme, &p.oznaka};
    for (int i = 0; i < 8; ++i)
        if (polja[i]->trimmed().isEmpty())
            return i;
    return -1;
}

QString PrijaviProstor(const ProstorPodaci& prostor, const QString& lozinka, FiskalniPrikaz& prikaz)
{
    prikaz.cekanje(true);
    NaKraju kursor{[&] { prikaz.cekanje(false); }};
    if (!internetDostupan())
        prikaz.obavijest(
            QStringLiteral("S Internet vezom nešto nije u radu. Ispravite grešku i pokušajte kasnije."));
    stanje().TestniCIS = jeTestniCIS(prostor.oib.trimmed());
    return posaljiProstor(prostor, lozinka, prikaz);
}

QString posaljiProstor(const ProstorPodaci& prostor, const QString& lozinka, FiskalniPrikaz& prikaz)
{
    FiskalnoStanje& s = stanje();
    NaKraju kraj{[&] {
        OslobodiZahtjev();
        UgasiXmlSec();
    }};
    izbrisi({"xml/jir.txt", "jir.txt", "xml/response.xml"});
    InicijalizirajXmlSec();
    s.certifikat = prostor.imeCert;
    s.lozinka = lozinka;
    Popunixmlprostor(prostor);
    oslobodiKljuc(s.KljucZKI);
    s.KljucZKI = UcitajKljuc(prostor.imeCert, lozinka);
    KreirajPotpisniKontekst();
    UcitajZahtjev();
    ParsirajZahtjev();
    PotpisiZahtjev();
    const QString rezultat = PosaljiZahtjev();
    zapisiJir(rezultat);
    if (!rezultat.isEmpty())
        prikaz.obavijest(QStringLiteral("XML poslan u CIS PU. Rezultat: ") + kDvaReda + rezultat);
    else
        prikaz.obavijest(QStringLiteral("XML nije poslan u CIS PU. Pokušajte ponovno") + kDvaReda);
    return rezultat;
}

} // namespace tarvel::fiscal
