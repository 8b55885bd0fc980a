#pragma once

#include <QString>

struct _xmlNode;
struct _xmlDoc;

namespace tarvel::fiscal {

// Where the fiscal exchange goes; read from Postavke.ini, sections [CIS] and [MREZA].
struct CisPostavke
{
    QString produkcija = QStringLiteral("cis.porezna-uprava.hr");
    QString test = QStringLiteral("cistest.apis-it.hr");
    QString ca; // extra PEM certificate authorities, trusted beside the system's
    QString proba = QStringLiteral("www.porezna-uprava.hr:80");
    int vremenskoOgranicenjeMs = 40000;

    static CisPostavke procitaj();
};

CisPostavke& postavke();

// "https://host:8449/FiskalizacijaService" or the test endpoint; a host:port value keeps its port.
QString adresaServisa(const CisPostavke& p, bool testni);

// The first child of node (the document's top-level nodes for a document) whose qualified name is name.
_xmlNode* NadjiCvor(_xmlNode* node, const char* name);
_xmlNode* NadjiCvor(_xmlDoc* doc, const char* name);

// The result text of an answer to the request kind `vrsta`.
QString procitajOdgovor(_xmlDoc* answer, const QString& vrsta);

// Posts the request lines and reads the answer; a transport failure or an answer that is not XML
// raises TarvelError.
QString PosaljiZahtjev();

// A TCP connection to the reachability probe host within 2,000 ms.
bool internetDostupan();

} // namespace tarvel::fiscal
