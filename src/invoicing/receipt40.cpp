#include "invoicing/receipt40.h"

#include "core/cipher.h"
#include "core/format.h"

namespace tarvel::invoicing {

namespace {

const QString Dashes(ReceiptWidth, QLatin1Char('-'));

// The receipt printer's code page; a character it has no code for prints as '?', never as a control byte.
QByteArray printerBytes(const QString& text)
{
    if (const std::optional<QByteArray> all = toWindows1250(text))
        return *all;
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const std::optional<QByteArray> one = toWindows1250(text.mid(i, n));
        out += one ? *one : QByteArray("?");
        i += n - 1;
    }
    return out;
}

QByteArray rawLine(const QByteArray& bytes)
{
    return bytes + "\n\r";
}

QByteArray leftLine(const QString& text)
{
    return rawLine(printerBytes(text));
}

QByteArray centredLine(const QString& text)
{
    const QString t = text.trimmed();
    const qsizetype blanks = t.size() < ReceiptWidth ? (ReceiptWidth - t.size() + 1) / 2 : 0;
    return leftLine(QString(blanks, QLatin1Char(' ')) + t);
}

// The text trimmed and padded with blanks on the left to the width; a longer text stays as it is.
QString design(const QString& text, int width)
{
    QString t = text.trimmed();
    if (t.size() < width)
        t.prepend(QString(width - t.size(), QLatin1Char(' ')));
    return t;
}

QString field(double value, const char* mask, int width)
{
    return design(fmt::number(value, QLatin1String(mask)), width);
}

QString operatorLine(const std::optional<QString>& name, const QString& fallback)
{
    return QStringLiteral("Operater : ") + (name ? name->left(28) : fallback);
}

double numberOf(const QVariant& v)
{
    return v.isNull() ? 0.0 : v.toDouble();
}

} // namespace

PrinterControl PrinterControl::plain()
{
    return {QByteArray(4, '\n'), QByteArray(9, '\n')};
}

PrinterControl PrinterControl::fromCodes(const QList<int>& pr, const QList<int>& po)
{
    auto bytes = [](const QList<int>& codes) {
        QByteArray out;
        for (int c : codes)
            if (c > 0 && c <= 255)
                out += char(c);
        return out;
    };
    return {bytes(pr), bytes(po)};
}

PrinterControl PrinterControl::fromOpciTable(const QVariantMap& row)
{
    QList<int> pr, po;
    for (int i = 1; i <= 10; ++i) {
        pr << row.value(QStringLiteral("PR%1").arg(i)).toInt();
        po << row.value(QStringLiteral("PO%1").arg(i)).toInt();
    }
    return fromCodes(pr, po);
}

ReceiptCompany ReceiptCompany::fromColumns(const QVariantMap& opci)
{
    auto text = [&](const char* c) { return opci.value(QLatin1String(c)).toString(); };
    ReceiptCompany r;
    r.naziv = text("NAZIV");
    r.ulica = text("ULICA");
    r.kBr = text("K_BR");
    r.kBrD = text("K_BR_D");
    r.ptt = text("PTT");
    r.mjesto = text("MJESTO");
    r.oib = text("OIB");
    r.imeCert = text("IME_CERT");
    r.password = decipherPassword(text("PASS_CERT"));
    const QVariant prom = opci.value(QStringLiteral("PROM"));
    // the store keeps dates as ISO text
    r.prom = prom.typeId() == QMetaType::QString ? QDate::fromString(prom.toString().left(10), Qt::ISODate)
                                                 : prom.toDate();
    return r;
}

ReceiptInvoice ReceiptInvoice::fromColumns(const QVariantMap& fiskal)
{
    auto text = [&](const char* c) { return fiskal.value(QLatin1String(c)).toString(); };
    ReceiptInvoice r;
    r.brRac = text("BR_RAC");
    r.datVr = text("DAT_VR");
    r.nacPlac = text("NAC_PLAC");
    r.oibOper = text("OIB_OPER");
    r.zastKod = text("ZAST_KOD");
    r.jir = text("JIR");
    r.lines = linesFromColumns(fiskal, LineKind::Plain);
    r.ukIznos = numberOf(fiskal.value(QStringLiteral("UKIZNOS")));
    r.groups = vatGroupsFromColumns(fiskal);
    return r;
}

QList<QByteArray> PrintajRn40(const ReceiptInvoice& invoice, const ReceiptCompany& company,
                              const std::optional<QString>& operatorName, const PrinterControl& control)
{
    QList<QByteArray> out;
    out << rawLine(control.prefix);
    out << centredLine(company.naziv)
        << centredLine(company.ulica + QLatin1Char(' ') + company.kBr + QLatin1Char(' ') + company.kBrD)
        << centredLine(company.ptt + QLatin1Char(' ') + company.mjesto)
        << centredLine(QStringLiteral("OIB: ") + company.oib);
    out << leftLine(QString()) << leftLine(QString());
    out << centredLine(QStringLiteral("RACUN broj: ") + invoice.brRac);
    out << leftLine(QString()) << leftLine(QString());
    QString datVr = invoice.datVr;
    if (const qsizetype t = datVr.indexOf(QLatin1Char('T')); t >= 0)
        datVr[t] = QLatin1Char(' ');
    out << leftLine(QStringLiteral("Datum i vrijeme: ") + datVr);
    out << leftLine(Dashes) << leftLine(QStringLiteral("Naziv                           Iznos Kn"))
        << leftLine(Dashes);
    for (int n = 0; n < LineCount; ++n) {
        const InvoiceLine& l = invoice.lines[n];
        if (n > 0 && l.gross == 0)
            continue;
        out << leftLine(l.description.trimmed().leftJustified(30) + field(l.gross, "######0.00", 10));
    }
    out << leftLine(Dashes);
    out << leftLine(QStringLiteral("UKUPNO Kn:                    ") +
                    field(invoice.ukIznos, "######0.00", 10));
    out << leftLine(Dashes) << leftLine(QString());
    out << leftLine(QStringLiteral("Nacin placanja: ") + invoice.nacPlac);
    out << leftLine(operatorLine(operatorName, invoice.oibOper));
    out << leftLine(QString());
    if (invoice.groups[0].rateOrZero() != 0) {
        out << leftLine(QStringLiteral("-------- Rekapitulacija poreza ---------")) << leftLine(QString())
            << leftLine(QStringLiteral("Vrsta poreza Stopa %   Osnovica Iznos Kn")) << leftLine(Dashes);
        for (int k = 0; k < VatGroupCount; ++k) {
            const VatGroup& g = invoice.groups[k];
            if (k > 0 && roundToCents(g.rateOrZero()) == 0)
                continue;
            const QString label =
                (k == 0 ? QStringLiteral("PDV") : QStringLiteral("PDV%1").arg(k + 1)).leftJustified(18);
            out << leftLine(label + field(g.rateOrZero(), "#0", 2) + QLatin1Char(' ') +
                            field(g.baseOrZero(), "######0.00", 9) + QLatin1Char(' ') +
                            field(g.taxOrZero(), "#######0.00", 9));
        }
        out << leftLine(Dashes);
    }
    out << leftLine(QStringLiteral("ZKI:    ") + invoice.zastKod);
    out << leftLine(QStringLiteral("JIR:") + invoice.jir);
    out << rawLine(control.suffix);
    return out;
}

QList<QByteArray> PrintajCt40(const ReceiptCompany& company, const std::optional<QString>& operatorName,
                              const QString& invoiceOibOper, const PrinterControl& control)
{
    QList<QByteArray> out;
    out << rawLine(control.prefix);
    out << centredLine(QStringLiteral("POTVRDA O CERTIFIKATU")) << leftLine(QString())
        << centredLine(QStringLiteral("FISKAL certifikat instaliran")) << leftLine(QString());
    out << centredLine(QStringLiteral("Datum: ") + fmt::date(company.prom));
    out << leftLine(Dashes) << centredLine(QStringLiteral("Nositelj cartifikata i lozinka"))
        << leftLine(Dashes);
    out << centredLine(company.naziv)
        << centredLine(company.ulica + QLatin1Char(' ') + company.kBr + QLatin1Char(' ') + company.kBrD)
        << centredLine(company.ptt + QLatin1Char(' ') + company.mjesto)
        << centredLine(QStringLiteral("OIB: ") + company.oib) << centredLine(company.imeCert)
        << centredLine(QStringLiteral("Lozinka: ") + company.password);
    out << centredLine(QStringLiteral("Izdavatelj: Financijska agencija"));
    // without a registration date there is no validity year to print
    const QString year = company.prom.isValid()
                             ? QStringLiteral("%1").arg(company.prom.year() + 5, 4, 10, QLatin1Char('0'))
                             : QString();
    out << centredLine(QStringLiteral("Vrijedi do: ") + year + QStringLiteral(" godine"));
    out << leftLine(Dashes) << leftLine(QString());
    out << leftLine(operatorLine(operatorName, invoiceOibOper));
    out << rawLine(control.suffix);
    return out;
}

} // namespace tarvel::invoicing
