// Prepares a list report of about 50 A4 pages (ledger-like rows, groups, sums, "Strana N od M") and
// exports it to PDF; prints the time of each step. Run: bench_report_export [rows] [file.pdf]
#include "reports/report.h"
#include "util/reportexport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>

using namespace tarvel::reports;

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 2300;
    const QString file =
        argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::temp().filePath("bench_report.pdf");

    QList<QVariantMap> data;
    for (int i = 0; i < rows; ++i)
        data.append(
            {{"KUPAC", QStringLiteral("Kupac %1 d.o.o. Čakovec").arg(i / 40, 3, 10, QLatin1Char('0'))},
             {"BROJ_DOK", QStringLiteral("%1-1-1").arg(i + 1)},
             {"DAT_DOKUM", QDate(2026, 1, 1).addDays(i % 365)},
             {"POTRAZUJE", 100.0 + (i * 37 % 1000) / 4.0},
             {"DUGUJE", (i % 3) * 25.5}});
    ListSource src(data);

    Report r;
    r.setSource(&src);
    r.setPage(PageSetup::a4Portrait());
    r.pageHeader(14).label("Dnevnik prometa").at(0, 0, 190, 7).center().bold().size(12);
    auto& ch = r.columnHeader(6);
    ch.label("RBr.").at(0, 0, 12, 5).framed(BottomSide);
    ch.label("Dokument").at(14, 0, 30, 5).framed(BottomSide);
    ch.label("Datum").at(46, 0, 24, 5).framed(BottomSide);
    ch.label("Potražuje").at(110, 0, 38, 5).right().framed(BottomSide);
    ch.label("Duguje").at(150, 0, 38, 5).right().framed(BottomSide);
    auto& g = r.addGroup("KUPAC");
    g.header(6).field("KUPAC").bold();
    g.footer(7).label("Ukupno kupac:").at(60, 0, 40, 5);
    g.footer().sum("POTRAZUJE", "###,###,##0.00").at(110, 0, 38, 5).right();
    g.footer().sum("DUGUJE", "###,###,##0.00").at(150, 0, 38, 5).right();
    auto& d = r.detail(5);
    d.field([](const Context& c) { return QString::number(c.recordNo()) + '.'; }).at(0, 0, 12, 5).right();
    d.field("BROJ_DOK").at(14, 0, 30, 5);
    d.field("DAT_DOKUM").at(46, 0, 24, 5);
    d.field("POTRAZUJE", "###,###,##0.00").at(110, 0, 38, 5).right();
    d.field("DUGUJE", "###,###,##0.00").at(150, 0, 38, 5).right();
    r.summary(8).sum("POTRAZUJE", "###,###,##0.00").at(110, 1, 38, 5).right().bold();
    r.pageFooter(8).field([](const Context& c) { return c.pageText(); }).at(0, 2, 190, 5).right();

    QTextStream out(stdout);
    QElapsedTimer t;
    t.start();
    const PreparedReport prepared = r.prepare();
    const qint64 prepareMs = t.elapsed();
    t.restart();
    tarvel::util::ReportExport(prepared, file);
    const qint64 exportMs = t.elapsed();
    out << "rows " << rows << ", pages " << prepared.pageCount() << ": prepare " << prepareMs
        << " ms, PDF export " << exportMs << " ms, " << QFileInfo(file).size() / 1024 << " KiB -> " << file
        << Qt::endl;
    return 0;
}
