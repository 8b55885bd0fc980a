#include "core/errors.h"
#include "reports/report.h"
#include "util/reportexport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace tarvel;
using namespace tarvel::reports;

namespace {

QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        qWarning() << program << args << p.readAllStandardError();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// "Page    2 size: 595.276 x 841.89 pts (A4)" per page.
QList<QSizeF> pageSizes(const QString& pdf)
{
    const QString info = run(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                                         QStringLiteral("-l"), QStringLiteral("999"), pdf});
    QList<QSizeF> out;
    static const QRegularExpression re(QStringLiteral("Page\\s+\\d+ size:\\s+([\\d.]+) x ([\\d.]+) pts"));
    for (auto it = re.globalMatch(info); it.hasNext();) {
        const auto m = it.next();
        out << QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
    }
    return out;
}

int pageCount(const QString& pdf)
{
    static const QRegularExpression re(QStringLiteral("Pages:\\s+(\\d+)"));
    return re.match(run(QStringLiteral("pdfinfo"), {pdf})).captured(1).toInt();
}

QString pdfText(const QString& pdf, int page = 0)
{
    QStringList args;
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
             << QString::number(page);
    args << pdf << QStringLiteral("-");
    return run(QStringLiteral("pdftotext"), args);
}

// A list that fills exactly `pages` A4 pages: 42 rows of 6 mm fit under the headers of listLayout.
class ListReport : public Report
{
public:
    ListReport(int rows, const QString& word, PageSetup page = PageSetup::a4Portrait())
    {
        QList<QVariantMap> data;
        for (int i = 1; i <= rows; ++i)
            data.append({{QStringLiteral("N"), i}});
        setSource(std::make_shared<ListSource>(data));
        setPage(page);
        setTitle(QStringLiteral("Popis"));
        pageHeader(10).label(QStringLiteral("Račun – čćžšđ ČĆŽŠĐ"));
        columnHeader(6).label(QStringLiteral("Broj"));
        detail(6).field(
            [word](const Context& c) { return word + QLatin1Char(' ') + c.str(QStringLiteral("N")); });
        pageFooter(8).field([](const Context& c) { return c.pageText(); }).at(0, 2, 100, 5);
    }
};

} // namespace

class TestReportExport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void pagesHaveTheLayoutsSize_data();
    void pagesHaveTheLayoutsSize();
    void textStaysSearchableWithCroatianLetters();
    void richTextLinesAndPicturesExport();
    void exportingAgainReplacesTheFile();
    void unwritableFileRaisesAnError();

private:
    QTemporaryDir m_dir;
};

void TestReportExport::initTestCase()
{
    QVERIFY(m_dir.isValid());
    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
        QFAIL("pdfinfo (poppler-utils) is missing");
}

void TestReportExport::pagesHaveTheLayoutsSize_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("setup"); // 0 A4 portrait, 1 A4 landscape, 2 A5 on A4
    QTest::addColumn<int>("pages");
    QTest::addColumn<QSizeF>("size"); // points
    QTest::newRow("three A4 pages") << 100 << 0 << 3 << QSizeF(595.276, 841.89);
    QTest::newRow("landscape") << 60 << 1 << 3 << QSizeF(841.89, 595.276);
    QTest::newRow("A5 on an A4 sheet") << 30 << 2 << 2 << QSizeF(595.276, 841.89);
}

void TestReportExport::pagesHaveTheLayoutsSize()
{
    QFETCH(int, rows);
    QFETCH(int, setup);
    QFETCH(int, pages);
    QFETCH(QSizeF, size);
    const PageSetup ps = setup == 0   ? PageSetup::a4Portrait()
                         : setup == 1 ? PageSetup::a4Landscape()
                                      : PageSetup::a5OnA4();
    ListReport layout(rows, QStringLiteral("Redak"), ps);
    QCOMPARE(layout.prepare().pageCount(), pages);
    const QString file = m_dir.filePath(QStringLiteral("size%1.pdf").arg(setup));
    util::ReportExport(layout, file);
    QCOMPARE(pageCount(file), pages);
    const QList<QSizeF> sizes = pageSizes(file);
    QCOMPARE(sizes.size(), pages);
    for (const QSizeF& s : sizes) {
        QVERIFY2(qAbs(s.width() - size.width()) < 0.5, qPrintable(QString::number(s.width())));
        QVERIFY2(qAbs(s.height() - size.height()) < 0.5, qPrintable(QString::number(s.height())));
    }
}

void TestReportExport::textStaysSearchableWithCroatianLetters()
{
    ListReport layout(100, QStringLiteral("Šifra"));
    const QString file = m_dir.filePath(QStringLiteral("RACUN.PDF"));
    util::ReportExport(layout, file);
    const QString all = pdfText(file);
    QVERIFY2(all.contains(QStringLiteral("Račun – čćžšđ ČĆŽŠĐ")), qPrintable(all.left(300)));
    QVERIFY(all.contains(QStringLiteral("Šifra 1\n")));
    QVERIFY(all.contains(QStringLiteral("Šifra 100")));
    // Each page holds its own rows: the second page starts at row 43.
    const QString second = pdfText(file, 2);
    QVERIFY(second.contains(QStringLiteral("Šifra 43\n")));
    QVERIFY(!second.contains(QStringLiteral("Šifra 42\n")));
    QVERIFY(second.contains(QStringLiteral("Strana 2 od 3")));
}

void TestReportExport::richTextLinesAndPicturesExport()
{
    QImage logo(60, 30, QImage::Format_RGB32);
    logo.fill(Qt::darkBlue);
    Report r;
    Band& t = r.title(60);
    t.picture(logo).at(0, 0, 60, 30);
    t.frame(0, 32, 190, 20);
    t.line(0, 55, 190, 55);
    t.richText(QStringLiteral("<p align=center><b>Žiro račun:</b> HR1210010051863000160, "
                              "<i>Zagrebačka banka</i></p>"))
        .at(2, 34, 186, 10);
    const QString file = m_dir.filePath(QStringLiteral("rich.pdf"));
    util::ReportExport(r, file);
    const QString text = pdfText(file);
    QVERIFY2(text.contains(QStringLiteral("Žiro račun: HR1210010051863000160, Zagrebačka banka")),
             qPrintable(text));
    QProcess images;
    images.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), file});
    QVERIFY(images.waitForFinished(30000));
    QVERIFY(QString::fromUtf8(images.readAllStandardOutput()).contains(QStringLiteral("image")));
}

void TestReportExport::exportingAgainReplacesTheFile()
{
    const QString file = m_dir.filePath(QStringLiteral("again.pdf"));
    ListReport first(100, QStringLiteral("Prva"));
    util::ReportExport(first, file);
    QCOMPARE(pageCount(file), 3);
    ListReport second(5, QStringLiteral("Druga"));
    util::ReportExport(second, file);
    QCOMPARE(pageCount(file), 1);
    const QString text = pdfText(file);
    QVERIFY(text.contains(QStringLiteral("Druga 5")));
    QVERIFY(!text.contains(QStringLiteral("Prva")));
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("again*")}, QDir::Files).size(), 1);
}

void TestReportExport::unwritableFileRaisesAnError()
{
    ListReport layout(3, QStringLiteral("x"));
    const QString file = m_dir.filePath(QStringLiteral("nema/mape/RACUN.PDF"));
    try {
        util::ReportExport(layout, file);
        QFAIL("no error for a file that cannot be written");
    } catch (const TarvelError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("nije moguće zapisati")), qPrintable(e.message()));
        QVERIFY(e.message().contains(QStringLiteral("RACUN.PDF")));
    }
    QVERIFY(!QFile::exists(file));
}

QTEST_MAIN(TestReportExport)
#include "tst_reportexport.moc"
