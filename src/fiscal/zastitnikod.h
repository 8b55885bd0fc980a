#pragma once

#include <QString>

struct _xmlSecKey;
struct _xmlDoc;

namespace tarvel::fiscal {

// RSA-SHA1 signature of the input with the key, then MD5 of the signature, 32 lower-case hex
// characters; empty when the input is empty, there is no key, or signing fails.
QString IzracunajZastitniKod(const QString& input, _xmlSecKey* key);

// The protective code's input taken from a parsed invoice request; empty when it has no Oib text
// or the request lacks its elements.
QString ulazZastitnogKoda(_xmlDoc* doc);

// Fills an empty ZastKod of the parsed invoice request and sets ZastitniKod; reports nothing.
void DodajZastitniKod(_xmlDoc* doc, _xmlSecKey* key);

} // namespace tarvel::fiscal
