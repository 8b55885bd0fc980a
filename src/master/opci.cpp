#include "master/opci.h"

#include "core/cipher.h"
#include "data/tableobject.h"
#include "data/tdm.h"

namespace tarvel::master {

namespace {

QString str(data::TableObject& t, const char* column)
{
    return t.asString(QLatin1String(column));
}

QString choice(const QString& stored, std::initializer_list<const char*> allowed, const QString& fallback)
{
    for (const char* a : allowed)
        if (stored == QLatin1String(a))
            return stored;
    return fallback;
}

} // namespace

bool osigurajOpciRed(data::TDM& dm)
{
    data::TableObject* opci = dm.OpcaTable;
    // Open since the start perhaps: read it again, so another workstation's row is not doubled.
    if (opci->active())
        opci->refresh();
    opci->open();
    if (!opci->isEmpty()) {
        opci->first();
        return false;
    }
    opci->append();
    opci->setValue(QStringLiteral("OIB"), QString::fromLatin1(data::TDM::MaticniOIB));
    opci->post();
    opci->first();
    if (!dm.testniCIS) {
        dm.testniCIS = true;
        Q_EMIT dm.sharedValuesChanged();
    }
    return true;
}

OpciPodaci procitajOpci(data::TableObject& t)
{
    OpciPodaci p;
    if (t.isEmpty())
        return p;
    t.first();
    p.oibOp = str(t, "OIB_OP");
    p.oib = str(t, "OIB");
    p.naziv = str(t, "NAZIV");
    p.odgIme = str(t, "ODG_IME");
    p.odgPrez = str(t, "ODG_PREZ");
    p.tel = str(t, "TEL");
    p.fax = str(t, "FAX");
    p.email = str(t, "EMAIL");
    p.uPdv = choice(str(t, "U_PDV"), {"Da", "Ne"}, p.uPdv);
    p.vrObvez = choice(str(t, "VR_OBVEZ"), {"R1", "R2"}, p.vrObvez);
    const QVariant br = t.value(QStringLiteral("BR_RAC"));
    p.brRac = br.isNull() ? QString() : QString::number(qint64(br.toDouble()));
    p.poslGod = str(t, "POSL_GOD");
    const QString naplur = str(t, "NAPLUR");
    if (!naplur.isEmpty())
        p.naplur = naplur;
    p.sklad = str(t, "SKLAD");
    p.ulica = str(t, "ULICA");
    p.kBr = str(t, "K_BR");
    p.kBrD = str(t, "K_BR_D");
    p.ptt = str(t, "PTT");
    p.mjesto = str(t, "MJESTO");
    p.opcina = str(t, "OPCINA");
    p.radVr = str(t, "RAD_VR");
    p.prom = t.asDate(QStringLiteral("PROM"));
    p.passCert = decipherPassword(str(t, "PASS_CERT"));
    p.imeCert = str(t, "IME_CERT");
    p.pathMje = str(t, "PATH_MJE");
    p.eHost = str(t, "eHOST");
    p.ePort = str(t, "ePORT");
    p.eUsername = str(t, "eUSERNAME");
    p.ePassword = str(t, "ePASSWORD");
    p.glavniPrinter = str(t, "GLAVNI_PRINTER");
    p.ispis = choice(str(t, "ISPIS"), {"A4", "A5", "40"}, p.ispis);
    return p;
}

QString podnozjeZaSpremanje(const QString& footer)
{
    return footer.trimmed().isEmpty() ? QStringLiteral("-") : footer;
}

void zapamtiOpci(data::TDM& dm, const OpciPodaci& p)
{
    data::TableObject& t = *dm.OpcaTable;
    if (!t.active() || t.isEmpty())
        return;
    t.first();
    // The cipher refuses a password that would not fit before anything is written.
    const QString passCert = encipherPassword(p.passCert);
    t.edit();
    try {
        auto set = [&t](const char* column, const QString& v) { t.setValue(QLatin1String(column), v); };
        set("OIB", p.oib);
        set("OIB_OP", p.oibOp);
        set("NAZIV", p.naziv);
        set("ODG_IME", p.odgIme);
        set("ODG_PREZ", p.odgPrez);
        set("TEL", p.tel);
        set("FAX", p.fax);
        set("EMAIL", p.email);
        set("SKLAD", p.sklad);
        set("ULICA", p.ulica);
        set("K_BR", p.kBr);
        set("K_BR_D", p.kBrD);
        set("PTT", p.ptt);
        set("MJESTO", p.mjesto);
        set("OPCINA", p.opcina);
        set("RAD_VR", p.radVr);
        set("POSL_GOD", p.poslGod);
        set("BR_RAC", p.brRac);
        set("U_PDV", p.uPdv);
        set("VR_OBVEZ", p.vrObvez);
        set("IME_CERT", p.imeCert);
        set("PATH_MJE", p.pathMje);
        set("ISPIS", p.ispis);
        set("PASS_CERT", passCert);
        set("GLAVNI_PRINTER", p.glavniPrinter);
        set("eHOST", p.eHost);
        set("ePORT", p.ePort);
        set("eUSERNAME", p.eUsername);
        set("ePASSWORD", p.ePassword);
        set("NAPLUR", p.naplur);
        const QString footer = t.asString(QStringLiteral("FOOTER"));
        if (footer.trimmed().isEmpty())
            set("FOOTER", podnozjeZaSpremanje(footer));
        t.post();
    } catch (...) {
        t.cancel();
        throw;
    }
    dm.receiptPrinter = p.glavniPrinter;
    // The operator is looked up among operators, whatever the register showed last.
    if (!dm.KomitentiTable->active())
        dm.KomitentiTable->setTableName(QStringLiteral("KOMINT"));
    dm.readSharedValues();
}

bool opciPodaciNepopunjeni(data::TableObject& opci)
{
    const bool wasOpen = opci.active();
    if (wasOpen)
        opci.refresh();
    opci.open();
    bool placeholder = true;
    if (!opci.isEmpty()) {
        opci.first();
        const QString naziv = opci.asString(QStringLiteral("NAZIV"));
        placeholder = naziv.left(7) == QStringLiteral("Upišite") || naziv.trimmed().isEmpty();
    }
    if (!wasOpen)
        opci.close();
    return placeholder;
}

} // namespace tarvel::master
