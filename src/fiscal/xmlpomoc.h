#pragma once

#include <QString>
#include <libxml/tree.h>

namespace tarvel::fiscal {

inline constexpr const char* kSoapNs = "http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr const char* kTnsNs = "http://www.apis-it.hr/fin/2012/types/f73";
inline constexpr const char* kDsigNs = "http://www.w3.org/2000/09/xmldsig#";

inline QString tekst(xmlNodePtr node)
{
    if (!node)
        return {};
    xmlChar* c = xmlNodeGetContent(node);
    QString s = QString::fromUtf8(reinterpret_cast<const char*>(c));
    xmlFree(c);
    return s;
}

inline bool jeElement(xmlNodePtr n, const char* ns, const char* local)
{
    return n && n->type == XML_ELEMENT_NODE && n->ns && xmlStrEqual(n->ns->href, BAD_CAST ns) &&
           xmlStrEqual(n->name, BAD_CAST local);
}

inline xmlNodePtr prviElement(xmlNodePtr n)
{
    for (n = n ? n->children : nullptr; n; n = n->next)
        if (n->type == XML_ELEMENT_NODE)
            return n;
    return nullptr;
}

inline xmlNodePtr dijete(xmlNodePtr parent, const char* ns, const char* local)
{
    for (xmlNodePtr n = parent ? parent->children : nullptr; n; n = n->next)
        if (jeElement(n, ns, local))
            return n;
    return nullptr;
}

} // namespace tarvel::fiscal
