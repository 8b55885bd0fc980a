#include "fiscal/zastitnikod.h"

#include "fiscal/fiskalnostanje.h"
#include "fiscal/xmlpomoc.h"

#include <memory>
#include <openssl/evp.h>
#include <xmlsec/keys.h>
#include <xmlsec/openssl/evp.h>

namespace tarvel::fiscal {

QString IzracunajZastitniKod(const QString& input, _xmlSecKey* key)
{
    if (input.isEmpty() || !key)
        return {};
    xmlSecKeyDataPtr value = xmlSecKeyGetValue(key);
    EVP_PKEY* pkey = value ? xmlSecOpenSSLEvpKeyDataGetEvp(value) : nullptr;
    if (!pkey)
        return {};
    const QByteArray bytes = input.toUtf8();
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    size_t len = 0;
    if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha1(), nullptr, pkey) != 1 ||
        EVP_DigestSign(ctx.get(), nullptr, &len, reinterpret_cast<const unsigned char*>(bytes.constData()),
                       size_t(bytes.size())) != 1)
        return {};
    QByteArray signature(qsizetype(len), '\0');
    if (EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(signature.data()), &len,
                       reinterpret_cast<const unsigned char*>(bytes.constData()), size_t(bytes.size())) != 1)
        return {};
    signature.truncate(qsizetype(len));
    unsigned char md5[EVP_MAX_MD_SIZE];
    unsigned int mdLen = 0;
    if (EVP_Digest(signature.constData(), size_t(signature.size()), md5, &mdLen, EVP_md5(), nullptr) != 1)
        return {};
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(md5), int(mdLen)).toHex());
}

namespace {

xmlNodePtr racunElement(xmlDocPtr doc)
{
    xmlNodePtr root = doc ? xmlDocGetRootElement(doc) : nullptr;
    if (!jeElement(root, kSoapNs, "Envelope"))
        return nullptr;
    xmlNodePtr body = dijete(root, kSoapNs, "Body");
    xmlNodePtr zahtjev = dijete(body, kTnsNs, "RacunZahtjev");
    return dijete(zahtjev, kTnsNs, "Racun");
}

struct Ulaz
{
    QString text;
    xmlNodePtr zastKod = nullptr;
};

Ulaz procitajUlaz(xmlDocPtr doc)
{
    Ulaz u;
    xmlNodePtr oib = prviElement(racunElement(doc));
    if (!oib || !xmlStrEqual(oib->name, BAD_CAST "Oib") || tekst(oib).isEmpty())
        return u;
    u.text = tekst(oib);
    for (xmlNodePtr n = oib->next; n; n = n->next) {
        if (n->type != XML_ELEMENT_NODE)
            continue;
        const QByteArray name(reinterpret_cast<const char*>(n->name));
        if (name == "DatVrijeme") {
            QString dt = tekst(n);
            const qsizetype t = dt.indexOf(QLatin1Char('T'));
            if (t >= 0)
                dt[t] = QLatin1Char(' ');
            u.text += dt;
        } else if (name == "BrRac") {
            for (const char* part : {"BrOznRac", "OznPosPr", "OznNapUr"})
                u.text += tekst(dijete(n, kTnsNs, part));
        } else if (name == "IznosUkupno") {
            u.text += tekst(n);
        } else if (name == "ZastKod") {
            u.zastKod = n;
            break;
        }
    }
    return u;
}

} // namespace

QString ulazZastitnogKoda(_xmlDoc* doc)
{
    return procitajUlaz(doc).text;
}

void DodajZastitniKod(_xmlDoc* doc, _xmlSecKey* key)
{
    const Ulaz u = procitajUlaz(doc);
    if (u.text.isEmpty() || !u.zastKod || u.zastKod->children)
        return;
    const QString code = IzracunajZastitniKod(u.text, key);
    stanje().ZastitniKod = code;
    if (!code.isEmpty())
        xmlNodeSetContent(u.zastKod, BAD_CAST code.toLatin1().constData());
}

} // namespace tarvel::fiscal
