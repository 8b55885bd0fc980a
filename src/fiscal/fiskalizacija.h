#pragma once

#include "fiscal/zahtjev.h"

#include <QString>

namespace tarvel::data {
class TableObject;
}

namespace tarvel::fiscal {

// What the screen shows around a fiscal exchange; the invoice book and the company data screen
// implement it with their labels, cursor, button, status timer, message dialog and "Potvrda".
class FiskalniPrikaz
{
public:
    virtual ~FiskalniPrikaz() = default;
    virtual void napredak(bool /*vidljiv*/) {} // "Molim pričekajte, " / "fiskalizacija računa u tijeku....."
    virtual void cekanje(bool /*ukljuceno*/) {}
    virtual void gumbFiskaliziraj(bool /*omogucen*/) {}
    virtual void statusniTimer(bool /*radi*/) {}
    virtual void obavijest(const QString& /*tekst*/) {}
    virtual void potvrda(const QString& /*jir*/, const QString& /*zki*/, const QString& /*trajanje*/) {}
};

// Line break between the parts of a notice.
inline const QString kDvaReda = QStringLiteral("\n\n");

RacunPodaci racunIzReda(const data::TableObject& fiskal);
TvrtkaPodaci tvrtkaIzReda(const data::TableObject& opci);

// The invoice book opens and closes the fiscal libraries around its life; with no certificate
// nothing is prepared and KljucZKI stays null. The password comes deciphered.
void otvoriFiskalizaciju(const QString& imeCert, const QString& lozinka);
void zatvoriFiskalizaciju();

// "Trajanje: 1.234 msec"
QString tekstTrajanja(qint64 milliseconds);

// Fiscalizes the current FISKAL row and records the outcome in it.
void FiskalizirajRacun(data::TableObject* fiskal, data::TableObject* opci, FiskalniPrikaz& prikaz);

// The premises fields in the order they are required; the index of the first one empty after
// trimming, or -1. 0 OIB firme, 1 Ulica, 2 Kućni broj, 3 Poštanski broj, 4 Mjesto, 5 Općina,
// 6 Radno vrijeme, 7 Šifra posl. prostora.
int prvoPraznoObaveznoPolje(const ProstorPodaci& p);

// The premises request's values from the stored OPCI row, starting today.
ProstorPodaci prostorIzReda(const data::TableObject& opci, bool zatvori);

// Registers (or closes) the business premises; the screen has stored its fields and checked the
// required ones. Returns the result text; failures of the exchange's preparation raise TarvelError.
QString PrijaviProstor(const ProstorPodaci& prostor, const QString& lozinka, FiskalniPrikaz& prikaz);

// PrijaviProstor without the reachability probe and the cursor: prepares the libraries, builds,
// signs and sends the premises request (TestniCIS as set), writes "jir.txt", shows the outcome and
// shuts the libraries down again.
QString posaljiProstor(const ProstorPodaci& prostor, const QString& lozinka, FiskalniPrikaz& prikaz);

} // namespace tarvel::fiscal
