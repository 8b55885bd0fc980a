#pragma once

#include <QString>

struct _xmlSecKey;

namespace tarvel::fiscal {

// Writes the detailed line to "jir.txt" (it is also the detailed error text of the fiscalization)
// and raises TarvelError with the short text.
[[noreturn]] void neuspjeh(const QString& jirLinija, const QString& kratko);

// Writes one line to "jir.txt" in the program folder.
void zapisiJir(const QString& linija);

// OpenSSL's legacy provider beside the default one, so RC2/3DES PKCS#12 files open.
bool ucitajOpenSslProvidere();

// The xml_out and xml_in copies of the request being processed.
QString datotekaKopijeZahtjeva();
QString datotekaKopijeOdgovora();

void InicijalizirajXmlSec();
// Key from a PKCS#12 file, or null; reports nothing.
_xmlSecKey* UcitajKljuc(const QString& certifikat, const QString& lozinka);
void oslobodiKljuc(_xmlSecKey* key);
void KreirajPotpisniKontekst();
void UcitajZahtjev();
// Parses TekstZahtjeva into the request document.
void ParsirajZahtjev();
void PotpisiZahtjev();
void OslobodiZahtjev();
void UgasiXmlSec();

} // namespace tarvel::fiscal
