#include "reports/preview.h"
#include "reports/report.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QScrollArea>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace tarvel::reports;

namespace {

// Three A4 pages; "Zlatko" is on pages 1 and 3 only.
PreparedReport threePages()
{
    QList<QVariantMap> rows;
    for (int i = 1; i <= 100; ++i)
        rows.append({{QStringLiteral("N"), i},
                     {QStringLiteral("IME"), i == 5 || i == 90 || i == 95 ? QStringLiteral("Zlatko Šimić")
                                                                          : QStringLiteral("Ana")}});
    ListSource src(rows);
    Report r;
    r.setTitle(QStringLiteral("Popis"));
    r.setSource(&src);
    r.pageHeader(10).label(QStringLiteral("Popis kupaca"));
    r.columnHeader(6).label(QStringLiteral("Ime"));
    r.detail(6).field([](const Context& c) { return c.str("N") + QLatin1Char(' ') + c.str("IME"); });
    r.pageFooter(8).field([](const Context& c) { return c.pageText(); });
    return r.prepare();
}

QString pdfInfo(const QString& file)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {file});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestPreview : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void captionCloseButtonAndTooltips_data();
    void captionCloseButtonAndTooltips();
    void navigatesWithButtonsAndKeys();
    void goToPage();
    void zoomModes();
    void searchFindsTextPageByPage();
    void copyPutsThePageOnTheClipboard();
    void printsThroughThePrinterDialog();
    void cancelStopsAPrintJob();
    void closesWithIzlazAndEsc();
    void interceptorReceivesTheReportInsteadOfAWindow();
    void priceListPreviewHasNoMinMaxButtons();

private:
    QToolButton* button(const char* name) { return m_form->findChild<QToolButton*>(QLatin1String(name)); }
    std::unique_ptr<TPregledForma> m_form;
};

void TestPreview::init()
{
    m_form = std::make_unique<TPregledForma>(threePages());
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestPreview::cleanup()
{
    m_form.reset();
    TPregledForma::setPrintDialogHook({});
    setPreviewInterceptor({});
}

void TestPreview::captionCloseButtonAndTooltips_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("tooltip");
    QTest::newRow("close") << "btnIzlaz"
                           << "Izlaz iz pregleda";
    QTest::newRow("print") << "btnIspis"
                           << "Ispiši";
    QTest::newRow("printer set-up") << "btnPostavke"
                                    << "Izaberi i podesi štampač";
    QTest::newRow("first") << "btnPrva"
                           << "Prva strana";
    QTest::newRow("previous") << "btnPrethodna"
                              << "Prethodna strana";
    QTest::newRow("last") << "btnZadnja"
                          << "Zadnja strana";
    QTest::newRow("next") << "btnSljedeca"
                          << "Sljedeća strana";
    QTest::newRow("whole page") << "btnCijeli"
                                << "Prikaži cijeli";
    QTest::newRow("100 %") << "btnMaksimalno"
                           << "Prikaži maksimalno";
    QTest::newRow("page width") << "btnPrilagodjeno"
                                << "Prikaži prilagođeno";
    QTest::newRow("cancel") << "btnPrekini"
                            << "Prekini ispis";
    QTest::newRow("go to page") << "btnSkoci"
                                << "Skoči na stranu";
    QTest::newRow("copy") << "btnKopiraj"
                          << "Kopiraj";
}

void TestPreview::captionCloseButtonAndTooltips()
{
    QFETCH(QString, button);
    QFETCH(QString, tooltip);
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Pregled pred ispis"));
    QVERIFY(m_form->isModal());
    QCOMPARE(this->button("btnIzlaz")->text(), QStringLiteral("Izlaz"));
    QToolButton* b = m_form->findChild<QToolButton*>(button);
    QVERIFY(b);
    QCOMPARE(b->toolTip(), tooltip);
    QVERIFY(b->isVisible());
}

void TestPreview::navigatesWithButtonsAndKeys()
{
    auto* status = m_form->findChild<QLabel*>(QStringLiteral("lbStrana"));
    QCOMPARE(m_form->currentPage(), 1);
    QCOMPARE(status->text(), QStringLiteral("Strana 1 od 3"));
    QVERIFY(!button("btnPrva")->isEnabled());
    QVERIFY(!button("btnPrethodna")->isEnabled());
    QTest::mouseClick(button("btnSljedeca"), Qt::LeftButton);
    QCOMPARE(m_form->currentPage(), 2);
    QTest::mouseClick(button("btnZadnja"), Qt::LeftButton);
    QCOMPARE(m_form->currentPage(), 3);
    QCOMPARE(status->text(), QStringLiteral("Strana 3 od 3"));
    QVERIFY(!button("btnSljedeca")->isEnabled());
    QVERIFY(!button("btnZadnja")->isEnabled());
    QTest::mouseClick(button("btnPrethodna"), Qt::LeftButton);
    QCOMPARE(m_form->currentPage(), 2);
    QTest::mouseClick(button("btnPrva"), Qt::LeftButton);
    QCOMPARE(m_form->currentPage(), 1);

    QTest::keyClick(m_form.get(), Qt::Key_PageDown);
    QCOMPARE(m_form->currentPage(), 2);
    QTest::keyClick(m_form.get(), Qt::Key_End);
    QCOMPARE(m_form->currentPage(), 3);
    QTest::keyClick(m_form.get(), Qt::Key_PageDown); // stays on the last page
    QCOMPARE(m_form->currentPage(), 3);
    QTest::keyClick(m_form.get(), Qt::Key_PageUp);
    QCOMPARE(m_form->currentPage(), 2);
    QTest::keyClick(m_form.get(), Qt::Key_Home);
    QCOMPARE(m_form->currentPage(), 1);
}

void TestPreview::goToPage()
{
    auto* spin = m_form->findChild<QSpinBox*>(QStringLiteral("spStrana"));
    QCOMPARE(spin->maximum(), 3);
    spin->setFocus();
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("3"));
    QTest::keyClick(spin, Qt::Key_Return);
    QCOMPARE(m_form->currentPage(), 3);
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("2"));
    QTest::mouseClick(button("btnSkoci"), Qt::LeftButton);
    QCOMPARE(m_form->currentPage(), 2);
    QCOMPARE(spin->value(), 2);
    QTest::mouseClick(button("btnZadnja"), Qt::LeftButton);
    QCOMPARE(spin->value(), 3); // follows the page shown
}

void TestPreview::zoomModes()
{
    auto* view = m_form->findChild<QLabel*>(QStringLiteral("stranica"));
    auto* scroll = m_form->findChild<QScrollArea*>(QStringLiteral("pregled"));
    const QSize room = scroll->viewport()->size();
    // Whole page at first: the page fits the view both ways.
    QCOMPARE(m_form->zoom(), TPregledForma::Zoom::WholePage);
    QVERIFY(view->pixmap().width() <= room.width());
    QVERIFY(view->pixmap().height() <= room.height());
    QVERIFY(view->pixmap().height() >= room.height() - 20);

    QTest::mouseClick(button("btnMaksimalno"), Qt::LeftButton);
    QCOMPARE(m_form->zoom(), TPregledForma::Zoom::Full);
    QCOMPARE(m_form->scale(), 1.0);
    const double dpi = m_form->logicalDpiX();
    QVERIFY(qAbs(view->pixmap().width() - 210 * dpi / 25.4) <= 1);

    QTest::mouseClick(button("btnPrilagodjeno"), Qt::LeftButton);
    QCOMPARE(m_form->zoom(), TPregledForma::Zoom::PageWidth);
    const QSize room2 = scroll->viewport()->size();
    QVERIFY2(view->pixmap().width() <= room2.width() && view->pixmap().width() >= room2.width() - 40,
             qPrintable(QStringLiteral("%1 in %2").arg(view->pixmap().width()).arg(room2.width())));
    QVERIFY(view->pixmap().height() > room2.height()); // taller than the view: scrolls

    QTest::mouseClick(button("btnCijeli"), Qt::LeftButton);
    if (qEnvironmentVariableIsSet("TARVEL_PREVIEW_SHOT"))
        m_form->grab().save(qEnvironmentVariable("TARVEL_PREVIEW_SHOT"));
    QCOMPARE(m_form->zoom(), TPregledForma::Zoom::WholePage);
    QVERIFY(view->pixmap().height() <= scroll->viewport()->height());
}

void TestPreview::searchFindsTextPageByPage()
{
    auto* search = m_form->findChild<QLineEdit*>(QStringLiteral("edTrazi"));
    QVERIFY(!search->toolTip().isEmpty());
    QTest::keyClick(m_form.get(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(search->hasFocus());
    // Case does not matter, for Croatian letters too (keyClicks only types Latin-1).
    QTest::keyClicks(search, QStringLiteral("zlatko "));
    search->insert(QStringLiteral("ŠIMIĆ"));
    QTest::keyClick(search, Qt::Key_Return);
    QCOMPARE(m_form->currentPage(), 1);
    QTest::keyClick(search, Qt::Key_Return); // next match: row 90 on page 3
    QCOMPARE(m_form->currentPage(), 3);
    QTest::keyClick(m_form.get(), Qt::Key_F3); // row 95, same page
    QCOMPARE(m_form->currentPage(), 3);
    QTest::keyClick(m_form.get(), Qt::Key_F3); // wraps round to page 1
    QCOMPARE(m_form->currentPage(), 1);

    search->clear();
    QTest::keyClicks(search, QStringLiteral("Strana 2 od"));
    QTest::keyClick(search, Qt::Key_Return);
    QCOMPARE(m_form->currentPage(), 2);
    QVERIFY(!m_form->findNext(QStringLiteral("Nepostojeće")));
    QCOMPARE(m_form->currentPage(), 2);
}

void TestPreview::copyPutsThePageOnTheClipboard()
{
    QTest::mouseClick(button("btnSljedeca"), Qt::LeftButton);
    QTest::mouseClick(button("btnKopiraj"), Qt::LeftButton);
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    QVERIFY(mime);
    QVERIFY(mime->text().contains(QStringLiteral("43 Ana")));
    QVERIFY(mime->text().contains(QStringLiteral("Strana 2 od 3")));
    QVERIFY(!mime->text().contains(QStringLiteral("42 Ana\n")));
    QVERIFY(mime->hasImage());
}

void TestPreview::printsThroughThePrinterDialog()
{
    QTemporaryDir dir;
    const QString all = dir.filePath(QStringLiteral("sve.pdf"));
    const QString part = dir.filePath(QStringLiteral("dio.pdf"));
    int asked = 0;
    QString target = all;
    TPregledForma::setPrintDialogHook([&](QPrinter& printer, QWidget* parent) {
        ++asked;
        [&] { QCOMPARE(parent, m_form.get()); }();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(target);
        if (target == part) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(2, 3);
        }
        return true;
    });
    QTest::mouseClick(button("btnIspis"), Qt::LeftButton);
    QCOMPARE(asked, 1);
    QVERIFY(pdfInfo(all).contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\n"))));
    QVERIFY2(pdfInfo(all).contains(
                 QRegularExpression(QStringLiteral("Page size:\\s+595(\\.\\d+)? x (842|841\\.89) pts"))),
             qPrintable(pdfInfo(all)));
    target = part;
    QTest::keyClick(m_form.get(), Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(asked, 2);
    QVERIFY(pdfInfo(part).contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))));

    // A refused dialog prints nothing.
    TPregledForma::setPrintDialogHook([&](QPrinter&, QWidget*) { return false; });
    QVERIFY(!m_form->print());
}

void TestPreview::cancelStopsAPrintJob()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("prekid.pdf"));
    TPregledForma::setPrintDialogHook([&](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        // The user clicks "Prekini ispis" while the job runs.
        QTimer::singleShot(0, m_form.get(), [this] {
            QVERIFY(button("btnPrekini")->isEnabled());
            QTest::mouseClick(button("btnPrekini"), Qt::LeftButton);
        });
        return true;
    });
    QVERIFY(!button("btnPrekini")->isEnabled());
    QVERIFY(!m_form->print());
    QVERIFY(!button("btnPrekini")->isEnabled());
}

void TestPreview::closesWithIzlazAndEsc()
{
    QTest::mouseClick(button("btnIzlaz"), Qt::LeftButton);
    QVERIFY(!m_form->isVisible());
    QCOMPARE(m_form->result(), int(QDialog::Accepted));
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QTest::keyClick(m_form.get(), Qt::Key_Escape);
    QVERIFY(!m_form->isVisible());
}

void TestPreview::interceptorReceivesTheReportInsteadOfAWindow()
{
    m_form.reset();
    std::vector<PreparedReport> seen;
    setPreviewInterceptor([&](const PreparedReport& r) { seen.push_back(r); });
    Report layout;
    layout.title(10).label(QStringLiteral("Cjenik"));
    showPreview(layout); // would block in exec() without the interceptor
    QCOMPARE(seen.size(), size_t(1));
    QCOMPARE(seen[0].pages[0].texts(), QStringList{QStringLiteral("Cjenik")});
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<TPregledForma*>(w) || !w->isVisible());
}

void TestPreview::priceListPreviewHasNoMinMaxButtons()
{
    m_form->removeMinMaxButtons();
    QVERIFY(!(m_form->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(m_form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(m_form->windowFlags() & Qt::WindowCloseButtonHint);

    // The layout asks for it; the window it is shown in has none.
    Report priceList;
    priceList.setPreviewMinMaxButtons(false);
    priceList.title(10).label(QStringLiteral("Cjenik"));
    TPregledForma form(priceList.prepare());
    QVERIFY(!(form.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(form.windowFlags() & Qt::CustomizeWindowHint);
    TPregledForma usual(threePages());
    QVERIFY(usual.windowFlags() & Qt::WindowMaximizeButtonHint);
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
