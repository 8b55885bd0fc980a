#include "receivables/komitentiunosreport.h"

#include "data/tableobject.h"

namespace tarvel::receivables {

using reports::Context;

TKomitentiUnosReport::TKomitentiUnosReport(data::TableObject* parties, PartyKind kind,
                                           const CompanyHeader& company)
    : m_rows(*parties)
{
    const PartyTexts& t = partyTexts(kind);
    setPage(reports::PageSetup::a4Portrait());
    setTitle(t.printTitle);
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(7);
    setFont(f);
    setSource(&m_rows);

    auto& head = pageHeader(30);
    head.label(t.printTitle).name(QStringLiteral("naslov")).at(0, 0, 190, 8).center().bold().size(14);
    head.label(company.naziv).name(QStringLiteral("firmaNaziv")).at(0, 10, 120, 4).bold();
    head.label(company.ulica).name(QStringLiteral("firmaUlica")).at(0, 14, 120, 4);
    head.label(company.mjesto).name(QStringLiteral("firmaMjesto")).at(0, 18, 120, 4);
    head.label(QStringLiteral("OIB: ") + company.oib).name(QStringLiteral("firmaOib")).at(0, 22, 120, 4);

    struct Col
    {
        const char* name;
        QString title;
        const char* column;
        double x, width;
    };
    const Col cols[] = {
        {"rbr", QStringLiteral("RBr."), nullptr, 0, 8},
        {"naziv", t.nameColumn, "NAZIV_KOM", 9, 44},
        {"adresa", QStringLiteral("Adresa "), "ULICA_KOM", 54, 30},
        {"mjesto", QStringLiteral("Mjesto"), "PTT_KOM", 85, 27},
        {"oib", QStringLiteral("OIB"), "POR_BROJ", 113, 18},
        {"ziro", QStringLiteral("Žiro račun / IBAN"), "ZIRO", 132, 31},
        {"email", QStringLiteral("eMail"), "FNAZIV", 164, 26},
    };
    auto& colHead = columnHeader(6);
    auto& line = detail(4.5);
    for (const Col& c : cols) {
        const QString name = QString::fromLatin1(c.name);
        colHead.label(c.title).name(name + QStringLiteral("Naslov")).at(c.x, 0.5, c.width, 4).bold();
        if (c.column)
            // Long names and addresses wrap and the line grows, rather than running into the next column.
            line.field(QString::fromLatin1(c.column)).name(name).at(c.x, 0.25, c.width, 4).wrap();
        else
            line.field([](const Context& ctx) { return QString::number(ctx.recordNo()) + QLatin1Char('.'); })
                .name(name)
                .at(c.x, 0.25, c.width, 4)
                .right();
    }
    colHead.hline(5.5);
}

} // namespace tarvel::receivables
