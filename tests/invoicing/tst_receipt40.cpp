#include "core/cipher.h"
#include "invoicing/receipt40.h"

#include <QRegularExpression>
#include <QTest>

using namespace tarvel;
using namespace tarvel::invoicing;

namespace {

const QString Dashes(40, QLatin1Char('-'));

QString blanks(int n)
{
    return QString(n, QLatin1Char(' '));
}

// The receipt as text lines: the LF CR of each block checked and removed, the bytes read as Windows-1250.
QStringList textLines(const QList<QByteArray>& blocks)
{
    QStringList out;
    for (const QByteArray& b : blocks) {
        if (!b.endsWith("\n\r"))
            return {QStringLiteral("<block without LF CR: %1>").arg(QString::fromLatin1(b.toHex()))};
        out << fromWindows1250(b.chopped(2));
    }
    return out;
}

void compareLines(const QStringList& got, const QStringList& want)
{
    for (qsizetype i = 0; i < qMin(got.size(), want.size()); ++i)
        QVERIFY2(
            got[i] == want[i],
            qPrintable(QStringLiteral("line %1:\n  got  [%2]\n  want [%3]").arg(i + 1).arg(got[i], want[i])));
    QCOMPARE(got.size(), want.size());
}

QVariantMap companyRow()
{
    return {{"NAZIV", "Obrt Marija"}, {"ULICA", "Ilica"},
            {"K_BR", "12"},           {"K_BR_D", ""},
            {"PTT", "10000"},         {"MJESTO", "Zagreb"},
            {"OIB", "12345678903"},   {"IME_CERT", "fiskal.pfx"},
            {"PROM", "2016-03-15"},   {"PASS_CERT", encipherPassword(QString::fromUtf8("Šifra-č1"))}};
}

// Line 1 at 25 %, line 2 empty, line 3 at 13 % with a 35-character description, line 4 at 0 %.
QVariantMap invoiceRow()
{
    InvoiceLines lines;
    auto set = [&](int i, const QString& d, double base, double rate) {
        const LineAmounts a = computeLine(base, rate);
        lines[i].description = d;
        lines[i].base = a.base;
        lines[i].rate = rate;
        lines[i].vat = a.vat;
        lines[i].gross = a.gross;
    };
    set(0, QStringLiteral("  Usluga  "), 100, 25);
    set(2, QStringLiteral("Servis klima uređaja u poslovnici A"), 100, 13);
    set(3, QStringLiteral("Ostalo"), 100, 0);
    CompanyValues opci;
    QVariantMap row = storedInvoiceColumns(QStringLiteral("17/P1/2 2016"), lines, LineKind::Plain, opci);
    row.insert("DAT_VR", "31.12.2016T14:05:09");
    row.insert("NAC_PLAC", "G - Novčanice i kovanice");
    row.insert("OIB_OPER", "00000000001");
    row.insert("ZAST_KOD", "0123456789abcdef0123456789abcdef");
    row.insert("JIR", "12345678-1234-1234-1234-123456789012");
    return row;
}

} // namespace

class TestReceipt40 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void invoiceReceipt();
    void invoiceReceiptBytes();
    void recapitulation_data();
    void recapitulation();
    void operatorNotFound();
    void companionControlCodes();
    void certificateReceipt();
    void certificateReceiptWithoutDate();
};

void TestReceipt40::invoiceReceipt()
{
    const QList<QByteArray> blocks =
        PrintajRn40(ReceiptInvoice::fromColumns(invoiceRow()), ReceiptCompany::fromColumns(companyRow()),
                    QStringLiteral("Marija Horvat-Kovačević iz Velike Gorice"), PrinterControl::plain());
    QCOMPARE(blocks.first(), QByteArray("\n\n\n\n\n\r"));
    QCOMPARE(blocks.last(), QByteArray("\n\n\n\n\n\n\n\n\n\n\r"));
    const QStringList want{
        "\n\n\n\n",
        blanks(15) + "Obrt Marija",
        blanks(16) + "Ilica 12",
        blanks(14) + "10000 Zagreb",
        blanks(12) + "OIB: 12345678903",
        "",
        "",
        blanks(8) + "RACUN broj: 17/P1/2 2016",
        "",
        "",
        "Datum i vrijeme: 31.12.2016 14:05:09",
        Dashes,
        "Naziv                           Iznos Kn",
        Dashes,
        "Usluga                            125,00",
        "Servis klima uređaja u poslovnici A    113,00",
        "Ostalo                            100,00",
        Dashes,
        "UKUPNO Kn:                        338,00",
        Dashes,
        "",
        "Nacin placanja: G - Novčanice i kovanice",
        "Operater : Marija Horvat-Kovačević iz V",
        "",
        "-------- Rekapitulacija poreza ---------",
        "",
        "Vrsta poreza Stopa %   Osnovica Iznos Kn",
        Dashes,
        "PDV               25    100,00     25,00",
        "PDV3              13    100,00     13,00",
        Dashes,
        "ZKI:    0123456789abcdef0123456789abcdef",
        "JIR:12345678-1234-1234-1234-123456789012",
        QString(9, QLatin1Char('\n')),
    };
    compareLines(textLines(blocks), want);
}

void TestReceipt40::invoiceReceiptBytes()
{
    ReceiptInvoice inv = ReceiptInvoice::fromColumns(invoiceRow());
    inv.nacPlac = QString::fromUtf8("C - Ček Ж");
    const QList<QByteArray> blocks =
        PrintajRn40(inv, ReceiptCompany::fromColumns(companyRow()), std::nullopt, PrinterControl::plain());
    // Windows-1250: Č is C8, đ F0; a letter the code page lacks prints as '?'
    QVERIFY(blocks.contains(QByteArray("Nacin placanja: C - \xc8"
                                       "ek ?\n\r")));
    QVERIFY(blocks.contains(QByteArray("Servis klima ure\xf0"
                                       "aja u poslovnici A    113,00\n\r")));
    for (const QByteArray& b : blocks) {
        QVERIFY(b.size() <= 255);
        QVERIFY(b.endsWith("\n\r"));
        QVERIFY(!b.chopped(2).contains('\r'));
    }
}

void TestReceipt40::recapitulation_data()
{
    QTest::addColumn<QString>("rates"); // STPDV1..5, "_" for an empty column
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("25, 13, 0 in groups 1 to 3") << "25 13 0 _ _"
                                                << QStringList{"PDV               25    100,00     25,00",
                                                               "PDV2              13    100,00     13,00"};
    QTest::newRow("outside the VAT system") << "0 _ _ _ _" << QStringList{};
    QTest::newRow("empty group 1") << "_ 25 _ _ _" << QStringList{};
    QTest::newRow("gaps") << "25 _ _ 5 13"
                          << QStringList{"PDV               25    100,00     25,00",
                                         "PDV4               5    100,00      5,00",
                                         "PDV5              13    100,00     13,00"};
    QTest::newRow("cancelling invoice")
        << "-25 _ _ _ _" << QStringList{"PDV               -25   -100,00    -25,00"};
}

void TestReceipt40::recapitulation()
{
    QFETCH(QString, rates);
    QFETCH(QStringList, rows);
    ReceiptInvoice inv = ReceiptInvoice::fromColumns(invoiceRow());
    const QStringList r = rates.split(QLatin1Char(' '));
    for (int k = 0; k < VatGroupCount; ++k) {
        inv.groups[k] = VatGroup{};
        if (r[k] == QLatin1String("_"))
            continue;
        const double rate = r[k].toDouble();
        const double sign = rate < 0 ? -1 : 1;
        inv.groups[k] = VatGroup{100.0 * sign, rate, rate};
    }
    const QStringList lines = textLines(
        PrintajRn40(inv, ReceiptCompany::fromColumns(companyRow()), std::nullopt, PrinterControl::plain()));
    const qsizetype zki = lines.indexOf(QRegularExpression("^ZKI:.*"));
    QVERIFY(zki > 0);
    const qsizetype head = lines.indexOf(QStringLiteral("-------- Rekapitulacija poreza ---------"));
    if (rows.isEmpty()) {
        QCOMPARE(head, qsizetype(-1));
        QCOMPARE(lines[zki - 1], QString()); // the blank after the operator line
        return;
    }
    QVERIFY(head > 0);
    QCOMPARE(lines.mid(head + 4, zki - head - 5), rows);
    QCOMPARE(lines[zki - 1], Dashes);
}

void TestReceipt40::operatorNotFound()
{
    const QStringList lines = textLines(PrintajRn40(ReceiptInvoice::fromColumns(invoiceRow()),
                                                    ReceiptCompany::fromColumns(companyRow()), std::nullopt,
                                                    PrinterControl::plain()));
    QVERIFY(lines.contains(QStringLiteral("Operater : 00000000001")));
}

void TestReceipt40::companionControlCodes()
{
    QVariantMap opciTable;
    for (int i = 1; i <= 10; ++i) {
        opciTable.insert(QStringLiteral("PR%1").arg(i), 0);
        opciTable.insert(QStringLiteral("PO%1").arg(i), 0);
    }
    opciTable["PR1"] = 27;
    opciTable["PR2"] = 64;
    opciTable["PO1"] = 29;
    opciTable["PO3"] = 86;  // a gap at PO2 is skipped
    opciTable["PO4"] = 300; // no single byte
    const PrinterControl c = PrinterControl::fromOpciTable(opciTable);
    QCOMPARE(c.prefix, QByteArray("\x1b\x40"));
    QCOMPARE(c.suffix, QByteArray("\x1d\x56"));
    const QList<QByteArray> blocks = PrintajRn40(ReceiptInvoice::fromColumns(invoiceRow()),
                                                 ReceiptCompany::fromColumns(companyRow()), std::nullopt, c);
    QCOMPARE(blocks.first(), QByteArray("\x1b\x40\n\r"));
    QCOMPARE(blocks.last(), QByteArray("\x1d\x56\n\r"));
    QCOMPARE(PrinterControl::fromCodes({}, {}).prefix, QByteArray());
}

void TestReceipt40::certificateReceipt()
{
    const QList<QByteArray> blocks =
        PrintajCt40(ReceiptCompany::fromColumns(companyRow()), QStringLiteral("Ana Anić"),
                    QStringLiteral("00000000001"), PrinterControl::plain());
    const QStringList want{
        "\n\n\n\n",
        blanks(10) + "POTVRDA O CERTIFIKATU",
        "",
        blanks(6) + "FISKAL certifikat instaliran",
        "",
        blanks(12) + "Datum: 15.03.2016",
        Dashes,
        blanks(5) + "Nositelj cartifikata i lozinka",
        Dashes,
        blanks(15) + "Obrt Marija",
        blanks(16) + "Ilica 12",
        blanks(14) + "10000 Zagreb",
        blanks(12) + "OIB: 12345678903",
        blanks(15) + "fiskal.pfx",
        blanks(12) + QString::fromUtf8("Lozinka: Šifra-č1"),
        blanks(4) + "Izdavatelj: Financijska agencija",
        blanks(9) + "Vrijedi do: 2021 godine",
        Dashes,
        "",
        QString::fromUtf8("Operater : Ana Anić"),
        QString(9, QLatin1Char('\n')),
    };
    compareLines(textLines(blocks), want);
    const QStringList fallback =
        textLines(PrintajCt40(ReceiptCompany::fromColumns(companyRow()), std::nullopt,
                              QStringLiteral("00000000001"), PrinterControl::plain()));
    QCOMPARE(fallback[fallback.size() - 2], QStringLiteral("Operater : 00000000001"));
}

void TestReceipt40::certificateReceiptWithoutDate()
{
    QVariantMap opci = companyRow();
    opci.remove("PROM");
    const QStringList lines = textLines(
        PrintajCt40(ReceiptCompany::fromColumns(opci), std::nullopt, QString(), PrinterControl::plain()));
    QCOMPARE(lines[5], blanks(17) + "Datum:");
    QVERIFY(lines.contains(blanks(11) + "Vrijedi do:  godine"));
}

QTEST_APPLESS_MAIN(TestReceipt40)
#include "tst_receipt40.moc"
