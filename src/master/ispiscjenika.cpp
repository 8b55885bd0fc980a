#include "master/ispiscjenika.h"

#include "core/clock.h"
#include "core/format.h"
#include "data/tableobject.h"

namespace tarvel::master {

namespace {
const QString kn = QStringLiteral("###,###,##0.00 Kn");
}

TIspisCjenikaReport::TIspisCjenikaReport(data::TableObject& cjenik, data::TableObject& opci)
    : m_rows(cjenik), m_opci(opci)
{
    using reports::Context;
    setPage(reports::PageSetup::a4Portrait().withMargins(10, 10, 10, 10));
    setTitle(QStringLiteral("CJENIK"));
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(9);
    setFont(f);
    setSource(&m_rows);

    // Body width 190 mm.
    auto& h = pageHeader(26);
    h.field([this](const Context&) { return m_naziv; }).name(QStringLiteral("naziv")).at(0, 0, 100, 5).bold();
    h.field([this](const Context&) { return m_mjesto; }).name(QStringLiteral("mjesto")).at(0, 5, 100, 5);
    h.field([this](const Context&) { return QStringLiteral("OIB: ") + m_oib; })
        .name(QStringLiteral("oib"))
        .at(0, 10, 100, 5);
    h.label(QStringLiteral("CJENIK"))
        .name(QStringLiteral("naslov"))
        .at(0, 15, 190, 6)
        .center()
        .bold()
        .size(12);
    h.field([](const Context&) { return QStringLiteral("Datum: ") + fmt::date(Clock::today()); })
        .name(QStringLiteral("datum"))
        .at(0, 21, 190, 5)
        .center();
    h.field([](const Context& c) { return QStringLiteral("Strana: ") + QString::number(c.pageNo()); })
        .name(QStringLiteral("strana"))
        .at(150, 21, 40, 5)
        .right();

    auto& t = title(8);
    t.label(QStringLiteral("ID")).name(QStringLiteral("hID")).at(0, 1, 12, 5).center().bold().size(8);
    t.label(QStringLiteral("OPIS")).name(QStringLiteral("hOPIS")).at(14, 1, 72, 5).bold().size(8);
    t.label(QStringLiteral("Cijena bez PDV-a"))
        .name(QStringLiteral("hCIJENA"))
        .at(86, 1, 36, 5)
        .right()
        .bold()
        .size(8);
    t.label(QStringLiteral("Stopa PDV-a %"))
        .name(QStringLiteral("hSTOPA"))
        .at(124, 1, 28, 5)
        .center()
        .bold()
        .size(8);
    t.label(QStringLiteral("Cijena sa PDV-om"))
        .name(QStringLiteral("hCIJENA_SA"))
        .at(154, 1, 36, 5)
        .right()
        .bold()
        .size(8);
    t.hline(7);

    auto& d = detail(5);
    d.field(QStringLiteral("ID")).name(QStringLiteral("ID")).at(0, 0, 12, 5).center();
    d.field(QStringLiteral("NAZIV")).name(QStringLiteral("NAZIV")).at(14, 0, 72, 5);
    d.field(QStringLiteral("CIJENA"), kn).name(QStringLiteral("CIJENA")).at(86, 0, 36, 5).right();
    d.field(QStringLiteral("STOPA"), QStringLiteral("###,###,##0"))
        .name(QStringLiteral("STOPA"))
        .at(124, 0, 28, 5)
        .center();
    d.field(QStringLiteral("CIJENA_SA"), kn).name(QStringLiteral("CIJENA_SA")).at(154, 0, 36, 5).right();
}

void TIspisCjenikaReport::beforePrepare()
{
    m_naziv = m_mjesto = m_oib = QString();
    if (m_opci.active() && !m_opci.isEmpty()) {
        m_opci.first();
        m_naziv = m_opci.asString(QStringLiteral("NAZIV"));
        m_mjesto = m_opci.asString(QStringLiteral("MJESTO"));
        m_oib = m_opci.asString(QStringLiteral("OIB"));
    }
}

} // namespace tarvel::master
