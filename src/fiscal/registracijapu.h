#pragma once

#include "core/errors.h"

#include <QDate>
#include <QString>
#include <optional>

namespace tarvel::data {
class TDM;
}

namespace tarvel::fiscal {

class FiskalniPrikaz;

// The company data screen's fields that "Registriraj u PU - F12" stores and sends, as typed; the
// password in clear. The member names are those of the screen's own value struct, so podaciZaPU()
// takes it as it stands.
struct PodaciZaPU
{
    QString oib, oibOp, naziv, sklad, ulica, kBr, kBrD, ptt, mjesto, opcina, radVr;
    QString poslGod, brRac, uPdv, vrObvez, imeCert, pathMje, ispis, passCert, naplur;
    bool zatvori = false; // "Zatvori poslovni prostor"
};

template <class Ekran> PodaciZaPU podaciZaPU(const Ekran& e, bool zatvori)
{
    return {e.oib,     e.oibOp,   e.naziv,   e.sklad, e.ulica,    e.kBr,    e.kBrD,
            e.ptt,     e.mjesto,  e.opcina,  e.radVr, e.poslGod,  e.brRac,  e.uPdv,
            e.vrObvez, e.imeCert, e.pathMje, e.ispis, e.passCert, e.naplur, zatvori};
}

// What the screen does afterwards.
struct IshodPU
{
    // The OPCI column of the first required field that was empty ("OIB", "ULICA", "K_BR", "PTT",
    // "MJESTO", "OPCINA", "RAD_VR", "SKLAD"): the screen focuses it. Nothing was sent.
    QString polje;
    // "Promjena vrijedi od :" once the required fields are there (today), otherwise invalid.
    QDate promjena;
    bool poslano = false; // the request reached CIS and its answer was read
    QString rezultat;     // the result text of the exchange
    // A failure of the exchange's preparation or transport. It is handed back rather than raised so
    // the screen can show the new date first; the screen then raises it for the central error handler.
    std::optional<TarvelError> greska;
};

// "Registriraj u PU - F12" without the widgets: the reachability warning, the subset of the fields
// stored into OPCI (PROM today, PASS_CERT enciphered) and TestniCIS worked out from the stored OIB,
// the required premises fields in their order with "Polje je obavezan podatak. Molimo popunite.",
// then PrijaviProstor on the stored row and its outcome notice. The wait cursor is on meanwhile.
// A password that does not fit PASS_CERT raises TarvelError before anything is stored.
IshodPU RegistrirajUPU(data::TDM& dm, const PodaciZaPU& podaci, FiskalniPrikaz& prikaz);

} // namespace tarvel::fiscal
