#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

struct _xmlSecKey;
struct _xmlSecDSigCtx;
struct _xmlDoc;

namespace tarvel::fiscal {

// The software maker's OIB, sent as SpecNamj; as company OIB it selects the CIS test service.
inline constexpr const char* MaticniOIB = "61873204959";

// The state of the last fiscal exchange; one set for the whole program.
struct FiskalnoStanje
{
    QString IdPoruke;      // message identifier of the last invoice request
    QString vrijemeSlanja; // DatumVrijeme of the last invoice request
    QString ZastitniKod;   // protective code of the last invoice request, or empty
    _xmlSecKey* KljucZKI = nullptr;

    QString certifikat; // PKCS#12 file
    QString lozinka;    // in clear
    bool TestniCIS = false;

    _xmlSecDSigCtx* potpisniKontekst = nullptr;
    QString VrstaZahtjeva; // "RacunZahtjev" or "PoslovniProstorZahtjev"
    QByteArray TekstZahtjeva;
    _xmlDoc* dokument = nullptr;
    QStringList linijeZahtjeva; // the text that is sent
    QString brojRacuna;         // FISKAL.BR_RAC of the invoice request, names the xml_in/xml_out copies
    QString detaljnaGreska;     // the "jir.txt" line of the step that failed
    bool zavrseno = true;       // completion flag of FiskalizirajRacun
};

FiskalnoStanje& stanje();

bool jeTestniCIS(const QString& oibTvrtke);

} // namespace tarvel::fiscal
