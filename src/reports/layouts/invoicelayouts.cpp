#include "reports/layouts/invoicelayouts.h"

#include "core/format.h"
#include "data/store.h"
#include "data/tdm.h"

#include <QSqlRecord>

namespace tarvel::reports {

namespace {

const QString AmountMask = QStringLiteral("###,###,###,###,##0.00");
const QString RateMask = QStringLiteral("#0.00%");

QString text(const QVariantMap& row, const QString& column)
{
    return row.value(column).toString();
}
double number(const QVariantMap& row, const QString& column)
{
    const QVariant v = row.value(column);
    return v.isNull() ? 0.0 : v.toDouble();
}
bool blank(const QString& s)
{
    return s.trimmed().isEmpty();
}
QString suffix(int n)
{
    return n == 1 ? QString() : QString::number(n);
}
QString amount(double v)
{
    return fmt::number(v, AmountMask);
}
QString rate(double v)
{
    return fmt::number(v, RateMask);
}
QString shortDate(const QVariant& v)
{
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::QDate)
        return fmt::date(v.toDate());
    return fmt::date(QDate::fromString(v.toString().left(10), Qt::ISODate));
}
// DAT_VR with its first "T" replaced by one blank.
QString dateLine(const QVariantMap& racun)
{
    QString d = text(racun, QStringLiteral("DAT_VR"));
    if (const qsizetype t = d.indexOf(QLatin1Char('T')); t >= 0)
        d[t] = QLatin1Char(' ');
    return QStringLiteral("Datum i vrijeme računa: ") + d;
}
bool sent(const QVariantMap& racun)
{
    return !racun.value(QStringLiteral("DATSAT")).isNull();
}
QString printedJir(const QVariantMap& racun)
{
    const QString jir = text(racun, QStringLiteral("JIR"));
    return jir.startsWith(QStringLiteral("Greška")) ? QString() : jir;
}
QString dueLine(const QVariantMap& racun)
{
    if (!text(racun, QStringLiteral("NAC_PLAC")).startsWith(QStringLiteral("T -")))
        return {};
    return QStringLiteral("Valuta / platiti do: ") + shortDate(racun.value(QStringLiteral("VALUTA")));
}
QString streetLine(const QVariantMap& t)
{
    return text(t, QStringLiteral("ULICA")).trimmed() + QLatin1Char(' ') + text(t, QStringLiteral("K_BR")) +
           QLatin1Char(' ') + text(t, QStringLiteral("K_BR_D"));
}

// Rows placed one under another in a band.
class Rows
{
public:
    Rows(Band& band, double lineHeight, double y = 0) : m_band(band), m_h(lineHeight), m_y(y) {}
    Item& label(const QString& t, double x, double w = 0) { return m_band.label(t).at(x, m_y, w, m_h); }
    void next(double factor = 1) { m_y += m_h * factor; }
    double y() const { return m_y; }
    Band& band() { return m_band; }

private:
    Band& m_band;
    double m_h;
    double m_y;
};

// JIR and the protective code under the totals, once the invoice was sent; `captionWidth` mm of caption.
void fiscalLines(Rows& sum, const QVariantMap& r, const QString& zkiCaption, double captionWidth)
{
    if (!sent(r))
        return;
    sum.label(QStringLiteral("JIR:"), 0, captionWidth).name(QStringLiteral("jirNaslov"));
    sum.label(printedJir(r), captionWidth, 120).name(QStringLiteral("JIR"));
    sum.next();
    sum.label(zkiCaption, 0, captionWidth).name(QStringLiteral("zkiNaslov"));
    sum.label(text(r, QStringLiteral("ZAST_KOD")), captionWidth, 120).name(QStringLiteral("ZAST_KOD"));
    sum.next();
}

// The due date of a bank-transfer invoice.
void dueDateLine(Rows& sum, const QVariantMap& r)
{
    const QString due = dueLine(r);
    if (due.isEmpty())
        return;
    sum.label(due, 0, 120).name(QStringLiteral("valuta"));
    sum.next();
}

// The invoice lines' columns of the A4 layouts (mm from the left margin), shared by the headings and
// the line bands.
namespace A4Columns {
constexpr double desc = 7, unit = 76, qty = 84, price = 98, base = 118, rate = 150, gross = 165;
}

// The headings over the invoice lines, with the rate column only inside the VAT system.
void lineHeadings(Rows& title, bool vatColumn)
{
    title.label(QStringLiteral("Opis"), A4Columns::desc, 68).bold();
    title.label(QStringLiteral("JM"), A4Columns::unit, 8).bold();
    title.label(QStringLiteral("Kol"), A4Columns::qty, 14).right().bold();
    title.label(QStringLiteral("Cijena"), A4Columns::price, 19).right().bold();
    title.label(QStringLiteral("Iznos"), A4Columns::base, 21).right().bold();
    if (vatColumn)
        title.label(QStringLiteral("Stopa PDV-a"), A4Columns::rate - 6, 21)
            .right()
            .bold()
            .name(QStringLiteral("stopaNaslov"));
    title.label(QStringLiteral("Ukupni iznos"), A4Columns::gross, 25).right().bold();
    title.next();
    title.band().hline(title.y() + 0.5);
    title.band().height(title.y() + 1.5);
}

// Sizes of the standard layout and of its compact A5 form.
struct Metrics
{
    double line;  // mm per text line
    double font;  // points
    double large; // points of the number and VR_OBVEZ
    double width; // body width
};

} // namespace

// ---------------------------------------------------------------------------------------------

RacunZaIspis RacunZaIspis::izModula(data::TDM& dm, const QString& partyTable, bool customerMode)
{
    auto rowOf = [](const data::TableObject& t) {
        QVariantMap m;
        if (!t.active() || t.isEmpty())
            return m;
        for (const QString& c : t.columns())
            m.insert(c, t.value(c));
        return m;
    };
    auto partyRow = [&](const QString& table, const QString& oib) -> std::optional<QVariantMap> {
        if (oib.isEmpty() || (table != QLatin1String("KUPCI") && table != QLatin1String("KOMINT")))
            return std::nullopt;
        QSqlQuery q = data::execSql(
            dm.connection(), QStringLiteral("SELECT * FROM %1 WHERE POR_BROJ = ? LIMIT 1").arg(table), {oib});
        if (!q.next())
            return std::nullopt;
        QVariantMap m;
        const QSqlRecord r = q.record();
        for (int i = 0; i < r.count(); ++i)
            m.insert(r.fieldName(i), q.value(i));
        return m;
    };
    RacunZaIspis p;
    p.kupci = customerMode;
    p.racun = rowOf(*dm.FiskalTable);
    data::TableObject* opci = dm.OpcaTable;
    if (!opci->active())
        opci->open();
    opci->first();
    p.tvrtka = rowOf(*opci);
    p.kupac = partyRow(partyTable, text(p.racun, QStringLiteral("OIB_KUP")));
    if (const auto op = partyRow(QStringLiteral("KOMINT"), text(p.racun, QStringLiteral("OIB"))))
        p.operater = text(*op, QStringLiteral("NAZIV_KOM"));
    return p;
}

bool spremiPodnozje(data::TableObject& opci)
{
    if (!opci.active() || opci.isEmpty() || !opci.value(QStringLiteral("FOOTER")).isNull())
        return false;
    opci.edit();
    opci.setValue(QStringLiteral("FOOTER"), QStringLiteral("_"));
    opci.post();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Standard A4 and customer-mode A5

TFormaTiskanjeKarticeReport::TFormaTiskanjeKarticeReport(RacunZaIspis podaci, data::TableObject* opci)
    : TFormaTiskanjeKarticeReport(std::move(podaci), opci, false)
{
}

TFormaTiskanjeKarticeReport::TFormaTiskanjeKarticeReport(RacunZaIspis podaci, data::TableObject* opci,
                                                         bool a5)
    : m_podaci(std::move(podaci)), m_opci(opci)
{
    const Metrics m = a5 ? Metrics{3.6, 7.5, 11, 190} : Metrics{5.0, 9.5, 14, 190};
    setPage(a5 ? PageSetup::a5OnA4() : PageSetup::a4Portrait());
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(m.font);
    setFont(f);
    setTitle(QStringLiteral("Račun ") + text(m_podaci.racun, QStringLiteral("BR_RAC")));

    const QVariantMap& r = m_podaci.racun;
    const QVariantMap& t = m_podaci.tvrtka;
    const bool uPdvDa = text(r, QStringLiteral("U_PDV")) == QLatin1String("Da");
    const bool uPdvNe = text(r, QStringLiteral("U_PDV")) == QLatin1String("Ne");
    const bool customerBlock = m_podaci.kupci && !blank(text(r, QStringLiteral("OIB_KUP")));

    // Title
    Rows title(this->title(), m.line);
    title.label(text(t, QStringLiteral("NAZIV")), 0, 110).bold().name(QStringLiteral("tvrtka"));
    if (sent(r)) {
        title.label(QStringLiteral("Datum i vrijeme fiskalizacije"), 120, 70)
            .right()
            .name(QStringLiteral("fiskDatumNaslov"));
    }
    title.next();
    title.label(streetLine(t), 0, 110);
    if (sent(r))
        title.label(text(r, QStringLiteral("DATSAT")), 120, 70).right().name(QStringLiteral("DATSAT"));
    title.next();
    title.label(text(t, QStringLiteral("PTT")) + QLatin1Char(' ') + text(t, QStringLiteral("MJESTO")), 0,
                110);
    title.next();
    title.label(QStringLiteral("OIB:"), 0, 12);
    title.label(text(t, QStringLiteral("OIB")), 12, 60);
    title.next(a5 ? 1.5 : 2);

    if (customerBlock) {
        const QVariantMap k = m_podaci.kupac.value_or(QVariantMap());
        title.label(text(k, QStringLiteral("NAZIV_KOM")), 0, 110).bold().name(QStringLiteral("kupac"));
        if (uPdvDa)
            title.label(text(t, QStringLiteral("VR_OBVEZ")), 150, 40)
                .right()
                .size(m.large)
                .bold()
                .name(QStringLiteral("VR_OBVEZ"));
        title.next();
        title.label(text(k, QStringLiteral("ULICA_KOM")), 0, 110).name(QStringLiteral("kupacUlica"));
        title.next();
        title.label(text(k, QStringLiteral("PTT_KOM")), 0, 110).name(QStringLiteral("kupacMjesto"));
        title.next();
        title.label(QStringLiteral("OIB:"), 0, 12).name(QStringLiteral("kupacOibNaslov"));
        title.label(text(k, QStringLiteral("POR_BROJ")), 12, 60).name(QStringLiteral("kupacOib"));
        title.next(a5 ? 1.5 : 2);
    }

    title.label(QStringLiteral("Račun broj:"), 0, 40).size(m.large);
    title.label(text(r, QStringLiteral("BR_RAC")), 40, 100)
        .size(m.large)
        .bold()
        .name(QStringLiteral("BR_RAC"));
    title.next(1.8);
    title.label(QStringLiteral("Način plaćanja:"), 0, 35);
    title.label(text(r, QStringLiteral("NAC_PLAC")), 35, 120).name(QStringLiteral("NAC_PLAC"));
    title.next();
    title.label(dateLine(r), 0, 150).name(QStringLiteral("datumRacuna"));
    title.next(1.5);

    // Column headings; positions shared with the line bands.
    const double xNo = 0, xDesc = A4Columns::desc, xUnit = A4Columns::unit, xQty = A4Columns::qty,
                 xPrice = A4Columns::price, xBase = A4Columns::base, xRate = A4Columns::rate,
                 xGross = A4Columns::gross;
    lineHeadings(title, uPdvDa);

    // Lines
    for (int n = 1; n <= 5; ++n) {
        const QString s = suffix(n);
        const double base = number(r, QStringLiteral("OSNOVICA") + s);
        if (n > 1 && base == 0)
            continue;
        Band& b = n == 1 ? detail(m.line) : addDetail(m.line);
        const QString tag = QStringLiteral("linija%1.").arg(n);
        b.label(QStringLiteral("%1.").arg(n)).at(xNo, 0, 7, m.line).name(tag + "broj");
        b.label(text(r, QStringLiteral("OPIS") + s)).at(xDesc, 0, 68, m.line).wrap().name(tag + "opis");
        const QString unit = text(r, QStringLiteral("JMJ") + s);
        if (!unit.isEmpty())
            b.label(unit).at(xUnit, 0, 8, m.line).name(tag + "jm");
        const double qty = number(r, QStringLiteral("kolicina") + s);
        if (qty != 0)
            b.label(fmt::number(qty, QStringLiteral("#,##0.##")))
                .at(xQty, 0, 14, m.line)
                .right()
                .name(tag + "kol");
        const double price = number(r, QStringLiteral("cijena") + s);
        if (price != 0)
            b.label(amount(price)).at(xPrice, 0, 19, m.line).right().name(tag + "cijena");
        b.label(amount(base)).at(xBase, 0, 21, m.line).right().name(tag + "iznos");
        if (!uPdvNe)
            b.label(rate(number(r, QStringLiteral("ST_PDV") + s)))
                .at(xRate, 0, 15, m.line)
                .right()
                .name(tag + "stopa");
        b.label(amount(number(r, QStringLiteral("IZNOS") + s)))
            .at(xGross, 0, 25, m.line)
            .right()
            .name(tag + "ukupno");
    }

    // Summary
    Rows sum(summary(), m.line, 1);
    sum.band().hline(0.5);
    sum.label(QStringLiteral("Operater: ") + m_podaci.operater, 0, 100).name(QStringLiteral("operater"));
    sum.label(QStringLiteral("UKUPNO:"), 115, 30).bold();
    sum.label(amount(number(r, QStringLiteral("UKIZNOS"))), 145, 45)
        .right()
        .bold()
        .name(QStringLiteral("UKIZNOS"));
    sum.next(1.5);
    if (!uPdvNe) {
        sum.label(QStringLiteral("Stopa PDV-a"), 0, 25).bold().name(QStringLiteral("pdvNaslov"));
        sum.label(QStringLiteral("Osnovica"), 25, 35).right().bold();
        sum.label(QStringLiteral("PDV"), 60, 30).right().bold();
        sum.next();
        for (int g = 1; g <= 5; ++g) {
            const QString n = QString::number(g);
            const double base = number(r, QStringLiteral("UKOSNOV") + n);
            if (g > 1 && base == 0)
                continue;
            const QString tag = QStringLiteral("grupa%1.").arg(g);
            sum.label(rate(number(r, QStringLiteral("STPDV") + n)), 0, 25).name(tag + "stopa");
            sum.label(amount(base), 25, 35).right().name(tag + "osnovica");
            sum.label(amount(number(r, QStringLiteral("UKPDV") + n)), 60, 30).right().name(tag + "pdv");
            sum.next();
        }
    } else {
        sum.label(QStringLiteral(
                      "Poduzetnik nije u sustavu PDV-a pa prema čl. 90. Zakona o PDV-u, PDV nije obračunan"),
                  0, 190)
            .left()
            .name(QStringLiteral("izvanPdv"));
        sum.next();
    }
    sum.next(0.5);
    fiscalLines(sum, r, QStringLiteral("Zaštitni kod:"), 25);
    dueDateLine(sum, r);
    sum.band().height(sum.y() + 1);

    // Foot text: at the foot of the page, or right under the summary in the compact form.
    Band& foot = a5 ? addSummary(m.line * 2 + 2) : pageFooter(m.line * 2 + 2);
    foot.hline(0.5).visibleIf([this](const Context&) { return footerPrints(); });
    foot.richText([this](const Context&) { return text(m_podaci.tvrtka, QStringLiteral("FOOTER")); })
        .at(0, 1.5, 0, m.line)
        .center()
        .name(QStringLiteral("FOOTER"))
        .visibleIf([this](const Context&) { return footerPrints(); });
}

void TFormaTiskanjeKarticeReport::beforePrepare()
{
    // A null foot text is stored as "_" so the company data screen shows a value; this print shows none.
    if (m_podaci.tvrtka.value(QStringLiteral("FOOTER")).isNull() && m_opci)
        spremiPodnozje(*m_opci);
}

bool TFormaTiskanjeKarticeReport::footerPrints() const
{
    const QVariant f = m_podaci.tvrtka.value(QStringLiteral("FOOTER"));
    return !f.isNull() && !blank(f.toString());
}

TPrTiskanjeRacunaA5NovaReport::TPrTiskanjeRacunaA5NovaReport(RacunZaIspis podaci, data::TableObject* opci)
    : TFormaTiskanjeKarticeReport(std::move(podaci), opci, true)
{
}

// ---------------------------------------------------------------------------------------------
// Companion-mode A5

TTiskanjeKarticeA5Report::TTiskanjeKarticeA5Report(RacunZaIspis p)
{
    const double h = 3.6;
    setPage(PageSetup::a5OnA4());
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(7.5);
    setFont(f);
    const QVariantMap& r = p.racun;
    const QVariantMap& t = p.tvrtka;
    setTitle(QStringLiteral("Račun ") + text(r, QStringLiteral("BR_RAC")));
    const bool uPdvDa = text(r, QStringLiteral("U_PDV")) == QLatin1String("Da");
    const bool uPdvNe = text(r, QStringLiteral("U_PDV")) == QLatin1String("Ne");

    Rows title(this->title(), h);
    if (uPdvDa) {
        title.label(text(t, QStringLiteral("VR_OBVEZ")), 0)
            .center()
            .size(11)
            .bold()
            .name(QStringLiteral("VR_OBVEZ"));
        title.next(1.5);
    }
    title.label(text(t, QStringLiteral("NAZIV")), 0, 110).bold().name(QStringLiteral("tvrtka"));
    title.next();
    title.label(streetLine(t), 0, 110);
    title.next();
    title.label(text(t, QStringLiteral("PTT")) + QLatin1Char(' ') + text(t, QStringLiteral("MJESTO")), 0,
                110);
    title.next();
    title.label(QStringLiteral("OIB: ") + text(t, QStringLiteral("OIB")), 0, 110);
    title.next(1.5);
    if (sent(r)) {
        title.label(QStringLiteral("Datum i vrijeme fiskalizacije:"), 0, 50)
            .name(QStringLiteral("fiskDatumNaslov"));
        title.label(text(r, QStringLiteral("DATSAT")), 50, 60).name(QStringLiteral("DATSAT"));
        title.next();
    }
    title.label(QStringLiteral("Račun broj:"), 0, 30).size(10);
    title.label(text(r, QStringLiteral("BR_RAC")), 30, 100).size(10).bold().name(QStringLiteral("BR_RAC"));
    title.next(1.5);
    title.label(QStringLiteral("Način plaćanja:"), 0, 30);
    title.label(text(r, QStringLiteral("NAC_PLAC")), 30, 120).name(QStringLiteral("NAC_PLAC"));
    title.next();
    title.label(dateLine(r), 0, 150).name(QStringLiteral("datumRacuna"));
    title.next(1.5);
    title.label(QStringLiteral("Opis"), 7, 100).bold();
    if (uPdvDa)
        title.label(QStringLiteral("Stopa PDV-a"), 120, 30)
            .right()
            .bold()
            .name(QStringLiteral("stopaNaslov"));
    title.label(QStringLiteral("Ukupni iznos Kn"), 155, 35).right().bold();
    title.next();
    title.band().hline(title.y() + 0.5);
    title.band().height(title.y() + 1.5);

    for (int n = 1; n <= 5; ++n) {
        const QString s = suffix(n);
        if (n > 1 && number(r, QStringLiteral("OSNOVICA") + s) == 0)
            continue;
        Band& b = n == 1 ? detail(h) : addDetail(h);
        const QString tag = QStringLiteral("linija%1.").arg(n);
        b.label(QStringLiteral("%1.").arg(n)).at(0, 0, 7, h).name(tag + "broj");
        b.label(text(r, QStringLiteral("OPIS") + s)).at(7, 0, 110, h).wrap().name(tag + "opis");
        if (uPdvDa)
            b.label(rate(number(r, QStringLiteral("ST_PDV") + s)))
                .at(120, 0, 30, h)
                .right()
                .name(tag + "stopa");
        b.label(amount(number(r, QStringLiteral("IZNOS") + s)))
            .at(155, 0, 35, h)
            .right()
            .name(tag + "ukupno");
    }

    Rows sum(summary(), h, 1);
    sum.band().hline(0.5);
    sum.label(QStringLiteral("Operater: ") + p.operater, 0, 100).bold().name(QStringLiteral("operater"));
    sum.label(QStringLiteral("UKUPNO Kn:"), 115, 30).bold();
    sum.label(amount(number(r, QStringLiteral("UKIZNOS"))), 145, 45)
        .right()
        .bold()
        .name(QStringLiteral("UKIZNOS"));
    sum.next(1.5);
    if (!uPdvNe) {
        for (int g = 1; g <= 5; ++g) {
            const QString n = QString::number(g);
            const double base = number(r, QStringLiteral("UKOSNOV") + n);
            if (base == 0)
                continue;
            if (g == 1) {
                sum.label(QStringLiteral("Stopa PDV-a"), 0, 25).bold().name(QStringLiteral("pdvNaslov"));
                sum.label(QStringLiteral("Osnovica"), 25, 35).right().bold();
                sum.label(QStringLiteral("PDV"), 60, 30).right().bold();
                sum.next();
            }
            const QString tag = QStringLiteral("grupa%1.").arg(g);
            sum.label(rate(number(r, QStringLiteral("STPDV") + n)), 0, 25).name(tag + "stopa");
            sum.label(amount(base), 25, 35).right().name(tag + "osnovica");
            sum.label(amount(number(r, QStringLiteral("UKPDV") + n)), 60, 30).right().name(tag + "pdv");
            sum.next();
        }
    }
    sum.next(0.5);
    fiscalLines(sum, r, QStringLiteral("ZKI:"), 15);
    sum.band().height(sum.y() + 1);

    const QVariant footer = t.value(QStringLiteral("FOOTER"));
    if (!footer.isNull() && !blank(footer.toString())) {
        Band& foot = addSummary(2 * h + 2);
        foot.hline(0.5);
        foot.richText(footer.toString()).at(0, 1.5, 0, h).name(QStringLiteral("FOOTER"));
    }
}

// ---------------------------------------------------------------------------------------------
// Special A4

const TPrTiskanjeDolnikReport::Zaglavlje& TPrTiskanjeDolnikReport::zaglavlje()
{
    static const Zaglavlje z{{QStringLiteral("[naziv tvrtke OIB-a 47029583166]"),
                              QStringLiteral("OIB: 47029583166"),
                              QStringLiteral("[ulica i kućni broj], [poštanski broj] [mjesto]"),
                              QStringLiteral("Tel.: [telefon]"), QStringLiteral("IBAN: [žiro-račun tvrtke]")},
                             {QStringLiteral("[upis u sudski registar: sud, MBS]"),
                              QStringLiteral("[temeljni kapital: iznos, uplaćen u cijelosti]"),
                              QStringLiteral("[banka i IBAN tvrtke]")},
                             QStringLiteral("Mjesto izdavanja: [mjesto izdavanja]")};
    return z;
}

TPrTiskanjeDolnikReport::TPrTiskanjeDolnikReport(RacunZaIspis p)
{
    const double h = 5;
    setPage(PageSetup::a4Portrait());
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(9.5);
    setFont(f);
    const QVariantMap& r = p.racun;
    setTitle(QStringLiteral("Račun ") + text(r, QStringLiteral("BR_RAC")));
    const bool uPdvNe = text(r, QStringLiteral("U_PDV")) == QLatin1String("Ne");
    const bool noCustomer = !p.kupci || blank(text(r, QStringLiteral("OIB_KUP")));
    const Zaglavlje& z = zaglavlje();

    Rows title(this->title(), h);
    for (int i = 0; i < z.letterhead.size(); ++i) {
        Item& it = title.label(z.letterhead[i], 0, 110).name(QStringLiteral("zaglavlje"));
        if (i == 0)
            it.bold().size(12);
        if (i == 0 && sent(r))
            title.label(QStringLiteral("Datum i vrijeme fiskalizacije"), 120, 70)
                .right()
                .name(QStringLiteral("fiskDatumNaslov"));
        if (i == 1 && sent(r))
            title.label(text(r, QStringLiteral("DATSAT")), 120, 70).right().name(QStringLiteral("DATSAT"));
        title.next();
    }
    title.next();
    if (noCustomer) {
        title.label(QStringLiteral("Kupac: FIZIČKA OSOBA - GRAĐANIN"), 110, 80)
            .bold()
            .name(QStringLiteral("kupacNaslov"));
        title.next();
    } else {
        const QVariantMap k = p.kupac.value_or(QVariantMap());
        title.label(QStringLiteral("KUPAC:"), 110, 80).bold().name(QStringLiteral("kupacNaslov"));
        title.next();
        title.label(text(k, QStringLiteral("NAZIV_KOM")), 110, 80).bold().name(QStringLiteral("kupac"));
        title.next();
        title.label(text(k, QStringLiteral("ULICA_KOM")), 110, 80).name(QStringLiteral("kupacUlica"));
        title.next();
        title.label(text(k, QStringLiteral("PTT_KOM")), 110, 80).name(QStringLiteral("kupacMjesto"));
        title.next();
        title.label(QStringLiteral("OIB: ") + text(k, QStringLiteral("POR_BROJ")), 110, 80)
            .name(QStringLiteral("kupacOib"));
        title.next();
    }
    title.next();
    title.label(QStringLiteral("Račun broj:"), 0, 40).size(14);
    title.label(text(r, QStringLiteral("BR_RAC")), 40, 100).size(14).bold().name(QStringLiteral("BR_RAC"));
    title.next(1.8);
    title.label(QStringLiteral("Način plaćanja:"), 0, 35);
    title.label(text(r, QStringLiteral("NAC_PLAC")), 35, 120).name(QStringLiteral("NAC_PLAC"));
    title.next();
    title.label(dateLine(r), 0, 150).name(QStringLiteral("datumRacuna"));
    title.next();
    title.label(z.placeOfIssue, 0, 150).name(QStringLiteral("mjestoIzdavanja"));
    title.next(1.5);
    const double xDesc = A4Columns::desc, xUnit = A4Columns::unit, xQty = A4Columns::qty,
                 xPrice = A4Columns::price, xBase = A4Columns::base, xRate = A4Columns::rate,
                 xGross = A4Columns::gross;
    lineHeadings(title, text(r, QStringLiteral("U_PDV")) == QLatin1String("Da"));

    for (int n = 1; n <= 5; ++n) {
        const QString s = suffix(n);
        const double base = number(r, QStringLiteral("OSNOVICA") + s);
        const QString desc = text(r, QStringLiteral("OPIS") + s);
        if (n > 1 && base == 0 && blank(desc))
            continue;
        Band& b = n == 1 ? detail(h) : addDetail(h);
        const QString tag = QStringLiteral("linija%1.").arg(n);
        b.label(desc).at(xDesc, 0, 68, h).wrap().name(tag + "opis");
        if (n > 1 && base == 0)
            continue; // a text line: its description only
        b.label(QStringLiteral("%1.").arg(n)).at(0, 0, 7, h).name(tag + "broj");
        const QString unit = text(r, QStringLiteral("JMJ") + s);
        if (!unit.isEmpty())
            b.label(unit).at(xUnit, 0, 8, h).name(tag + "jm");
        const double qty = number(r, QStringLiteral("kolicina") + s);
        if (qty != 0)
            b.label(fmt::number(qty, QStringLiteral("#,##0.##")))
                .at(xQty, 0, 14, h)
                .right()
                .name(tag + "kol");
        const double price = number(r, QStringLiteral("cijena") + s);
        if (price != 0)
            b.label(amount(price)).at(xPrice, 0, 19, h).right().name(tag + "cijena");
        b.label(amount(base)).at(xBase, 0, 21, h).right().name(tag + "iznos");
        if (!uPdvNe)
            b.label(rate(number(r, QStringLiteral("ST_PDV") + s)))
                .at(xRate, 0, 15, h)
                .right()
                .name(tag + "stopa");
        b.label(amount(number(r, QStringLiteral("IZNOS") + s)))
            .at(xGross, 0, 25, h)
            .right()
            .name(tag + "ukupno");
    }

    Rows sum(summary(), h, 1);
    sum.band().hline(0.5);
    sum.label(QStringLiteral("Operater: ") + p.operater, 0, 100).name(QStringLiteral("operater"));
    sum.label(QStringLiteral("UKUPNO:"), 115, 30).bold();
    sum.label(amount(number(r, QStringLiteral("UKIZNOS"))), 145, 45)
        .right()
        .bold()
        .name(QStringLiteral("UKIZNOS"));
    sum.next(1.5);
    bool headings = false;
    for (int g = 1; g <= 5; ++g) {
        const QString n = QString::number(g);
        const double base = number(r, QStringLiteral("UKOSNOV") + n);
        if (base == 0 && !(g == 1 && blank(text(r, QStringLiteral("OIB_KUP")))))
            continue;
        if (!headings) {
            sum.label(QStringLiteral("Stopa PDV-a"), 0, 25).bold().name(QStringLiteral("pdvNaslov"));
            sum.label(QStringLiteral("Osnovica"), 25, 35).right().bold();
            sum.label(QStringLiteral("PDV"), 60, 30).right().bold();
            sum.next();
            headings = true;
        }
        const QString tag = QStringLiteral("grupa%1.").arg(g);
        sum.label(rate(number(r, QStringLiteral("STPDV") + n)), 0, 25).name(tag + "stopa");
        sum.label(amount(base), 25, 35).right().name(tag + "osnovica");
        sum.label(amount(number(r, QStringLiteral("UKPDV") + n)), 60, 30).right().name(tag + "pdv");
        sum.next();
    }
    sum.next(0.5);
    fiscalLines(sum, r, QStringLiteral("Zaštitni kod:"), 25);
    dueDateLine(sum, r);
    sum.band().height(sum.y() + 1);

    Rows foot(pageFooter(h * z.footer.size() + 2), h * 0.8, 1.5);
    foot.band().hline(0.5);
    for (const QString& line : z.footer) {
        foot.label(line, 0).center().size(7.5).name(QStringLiteral("podnozje"));
        foot.next();
    }
}

// ---------------------------------------------------------------------------------------------
// Day's invoice log

TFormaObracunReport::TFormaObracunReport(RecordSource* racuni, QVariantMap t, const QDate& datumIspisa)
{
    setSource(racuni);
    setPage(PageSetup::a4Landscape());
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(8);
    setFont(f);
    setTitle(QStringLiteral("Dnevnik izdanih računa"));
    const double h = 4.5;

    Band& ph = pageHeader(h * 6);
    ph.label(text(t, QStringLiteral("NAZIV"))).at(0, 0, 120, h).bold();
    ph.label(streetLine(t)).at(0, h, 120, h);
    ph.label(text(t, QStringLiteral("MJESTO"))).at(0, 2 * h, 120, h);
    ph.label(text(t, QStringLiteral("OIB"))).at(0, 3 * h, 120, h);
    ph.label(QStringLiteral("Dnevnik izdanih računa")).at(0, 4 * h, 0, h * 1.3).center().bold().size(12);
    ph.label(QStringLiteral("Datum ispisa:")).at(200, 0, 30, h);
    ph.label(fmt::date(datumIspisa)).at(230, 0, 47, h).name(QStringLiteral("datumIspisa"));

    struct Col
    {
        const char* caption;
        double x, w;
        bool right;
    };
    const Col cols[] = {
        {"RBr.", 0, 10, true},        {"Opis / OIB", 10, 28, false},  {"Broj računa", 38, 35, false},
        {"Datum dok", 73, 20, false}, {"Dospijeće", 93, 20, false},   {"Neto iznos", 113, 24, true},
        {"PDV", 137, 22, true},       {"Fakturirano", 159, 24, true}, {"Naćin plaćanja", 183, 40, false},
        {"Opis", 223, 54, false}};
    Band& ch = columnHeader(h + 1);
    for (const Col& c : cols) {
        Item& it = ch.label(QString::fromUtf8(c.caption)).at(c.x, 0, c.w, h + 1).framed().bold();
        if (c.right)
            it.right();
    }

    Band& d = detail(h);
    d.field([](const Context& c) { return QString::number(c.recordNo()) + QLatin1Char('.'); })
        .at(cols[0].x, 0, cols[0].w, h)
        .right()
        .name(QStringLiteral("rbr"));
    d.field(QStringLiteral("OIB_KUP")).at(cols[1].x + 1, 0, cols[1].w - 1, h);
    d.field(QStringLiteral("BR_RAC")).at(cols[2].x + 1, 0, cols[2].w - 1, h);
    d.dateField(QStringLiteral("DATUM")).at(cols[3].x + 1, 0, cols[3].w - 1, h);
    d.dateField(QStringLiteral("VALUTA")).at(cols[4].x + 1, 0, cols[4].w - 1, h);
    auto money = [](const QString& column) {
        return [column](const Context& c) { return QVariant(c.num(column)); };
    };
    d.field(money(QStringLiteral("UKOSNOV")), AmountMask)
        .at(cols[5].x, 0, cols[5].w, h)
        .right()
        .name(QStringLiteral("UKOSNOV"));
    d.field(money(QStringLiteral("UKPDV")), AmountMask)
        .at(cols[6].x, 0, cols[6].w, h)
        .right()
        .name(QStringLiteral("UKPDV"));
    d.field(money(QStringLiteral("UKIZNOS")), AmountMask)
        .at(cols[7].x, 0, cols[7].w, h)
        .right()
        .name(QStringLiteral("UKIZNOS"));
    d.field(QStringLiteral("NAC_PLAC")).at(cols[8].x + 1, 0, cols[8].w - 1, h);
    d.field(QStringLiteral("OPIS")).at(cols[9].x + 1, 0, cols[9].w - 1, h);

    Band& s = summary(h + 2);
    s.hline(0.5);
    s.label(QStringLiteral("Sveukupno:")).at(cols[3].x, 1, 40, h).bold();
    s.sum(QStringLiteral("UKOSNOV"), AmountMask)
        .at(cols[5].x, 1, cols[5].w, h)
        .right()
        .bold()
        .name(QStringLiteral("sumaUKOSNOV"));
    s.sum(QStringLiteral("UKPDV"), AmountMask)
        .at(cols[6].x, 1, cols[6].w, h)
        .right()
        .bold()
        .name(QStringLiteral("sumaUKPDV"));
    s.sum(QStringLiteral("UKIZNOS"), AmountMask)
        .at(cols[7].x, 1, cols[7].w, h)
        .right()
        .bold()
        .name(QStringLiteral("sumaUKIZNOS"));

    pageFooter(h)
        .field([](const Context& c) { return QString::number(c.pageNo()); })
        .at(0, 0, 0, h)
        .right()
        .name(QStringLiteral("stranica"));
}

} // namespace tarvel::reports
