#include "reports/preview.h"

#include "reports/render.h"
#include "reports/report.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace tarvel::reports {

namespace {

TPregledForma::PrinterHook& printHook()
{
    static TPregledForma::PrinterHook hook;
    return hook;
}

TPregledForma::PrinterHook& setupHook()
{
    static TPregledForma::PrinterHook hook;
    return hook;
}

PreviewInterceptor& interceptor()
{
    static PreviewInterceptor fn;
    return fn;
}

} // namespace

void TPregledForma::setPrintDialogHook(PrinterHook hook)
{
    printHook() = std::move(hook);
}

void TPregledForma::setPrinterSetupHook(PrinterHook hook)
{
    setupHook() = std::move(hook);
}

TPregledForma::TPregledForma(PreparedReport report, QWidget* parent)
    : QDialog(parent), m_report(std::move(report)), m_printer(QPrinter::HighResolution)
{
    setObjectName(QStringLiteral("TPregledForma"));
    setWindowTitle(QStringLiteral("Pregled pred ispis"));
    setModal(true);
    m_printer.setFullPage(true);
    if (!m_report.title.isEmpty())
        m_printer.setDocName(m_report.title);

    auto* bar = new QHBoxLayout;
    bar->setSpacing(2);
    bar->addWidget(button(QStringLiteral("btnCijeli"), QStringLiteral("Cijela"),
                          QStringLiteral("Prikaži cijeli"), [this] { setZoom(Zoom::WholePage); }));
    bar->addWidget(button(QStringLiteral("btnMaksimalno"), QStringLiteral("100 %"),
                          QStringLiteral("Prikaži maksimalno"), [this] { setZoom(Zoom::Full); }));
    bar->addWidget(button(QStringLiteral("btnPrilagodjeno"), QStringLiteral("Širina"),
                          QStringLiteral("Prikaži prilagođeno"), [this] { setZoom(Zoom::PageWidth); }));
    bar->addSpacing(8);
    bar->addWidget(button(QStringLiteral("btnPrva"), QStringLiteral("|<"), QStringLiteral("Prva strana"),
                          [this] { firstPage(); }));
    bar->addWidget(button(QStringLiteral("btnPrethodna"), QStringLiteral("<"),
                          QStringLiteral("Prethodna strana"), [this] { priorPage(); }));
    bar->addWidget(button(QStringLiteral("btnSljedeca"), QStringLiteral(">"),
                          QStringLiteral("Sljedeća strana"), [this] { nextPage(); }));
    bar->addWidget(button(QStringLiteral("btnZadnja"), QStringLiteral(">|"), QStringLiteral("Zadnja strana"),
                          [this] { lastPage(); }));
    m_goTo = new QSpinBox;
    m_goTo->setObjectName(QStringLiteral("spStrana"));
    m_goTo->setRange(1, std::max(1, pageCount()));
    m_goTo->setToolTip(QStringLiteral("Skoči na stranu"));
    connect(m_goTo, &QSpinBox::editingFinished, this, [this] {
        if (m_goTo->hasFocus())
            goToPage(m_goTo->value());
    });
    bar->addWidget(m_goTo);
    bar->addWidget(button(QStringLiteral("btnSkoci"), QStringLiteral("Skoči"),
                          QStringLiteral("Skoči na stranu"), [this] { goToPage(m_goTo->value()); }));
    bar->addSpacing(8);
    bar->addWidget(button(QStringLiteral("btnIspis"), QStringLiteral("Ispis"), QStringLiteral("Ispiši"),
                          [this] { print(); }));
    bar->addWidget(button(QStringLiteral("btnPostavke"), QStringLiteral("Štampač"),
                          QStringLiteral("Izaberi i podesi štampač"), [this] { printerSetup(); }));
    bar->addWidget(button(QStringLiteral("btnKopiraj"), QStringLiteral("Kopiraj"), QStringLiteral("Kopiraj"),
                          [this] { copyPage(); }));
    m_cancelButton = button(QStringLiteral("btnPrekini"), QStringLiteral("Prekini"),
                            QStringLiteral("Prekini ispis"), [this] { cancelPrint(); });
    m_cancelButton->setEnabled(false);
    bar->addWidget(m_cancelButton);
    bar->addSpacing(8);
    m_search = new QLineEdit;
    m_search->setObjectName(QStringLiteral("edTrazi"));
    m_search->setPlaceholderText(QStringLiteral("Traži"));
    m_search->setToolTip(QStringLiteral("Traži tekst"));
    m_search->setClearButtonEnabled(true);
    connect(m_search, &QLineEdit::returnPressed, this, [this] { findNext(m_search->text()); });
    bar->addWidget(m_search, 1);
    bar->addSpacing(8);
    bar->addWidget(button(QStringLiteral("btnIzlaz"), QStringLiteral("Izlaz"),
                          QStringLiteral("Izlaz iz pregleda"), [this] { accept(); }));

    m_view = new QLabel;
    m_view->setObjectName(QStringLiteral("stranica"));
    m_view->setAlignment(Qt::AlignCenter);
    m_scroll = new QScrollArea;
    m_scroll->setObjectName(QStringLiteral("pregled"));
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setWidget(m_view);
    m_scroll->setWidgetResizable(false);
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("lbStrana"));

    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(4, 4, 4, 4);
    lay->addLayout(bar);
    lay->addWidget(m_scroll, 1);
    lay->addWidget(m_status);
    resize(900, 700);
    if (m_report.previewMinMaxButtons)
        setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    else
        removeMinMaxButtons();
    showPage();
}

TPregledForma::~TPregledForma() = default;

QToolButton* TPregledForma::button(const QString& name, const QString& text, const QString& tip,
                                   std::function<void()> onClick)
{
    auto* b = new QToolButton(this);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(tip);
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRaise(true);
    connect(b, &QToolButton::clicked, this, std::move(onClick));
    return b;
}

void TPregledForma::removeMinMaxButtons()
{
    setWindowFlags((windowFlags() & ~(Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                                      Qt::WindowMinMaxButtonsHint)) |
                   Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
}

double TPregledForma::dpiFor(Zoom zoom) const
{
    const double screen = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
    if (zoom == Zoom::Full || pageCount() == 0)
        return screen;
    const QSizeF mm = m_report.pages[m_page - 1].size();
    const QSize room = m_scroll->viewport()->size() - QSize(8, 8);
    const double byWidth = room.width() * 25.4 / mm.width();
    if (zoom == Zoom::PageWidth)
        return std::max(10.0,
                        byWidth - (m_scroll->verticalScrollBar()->sizeHint().width() * 25.4 / mm.width()));
    return std::max(10.0, std::min(byWidth, room.height() * 25.4 / mm.height()));
}

double TPregledForma::scale() const
{
    const double screen = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
    return dpiFor(m_zoom) / screen;
}

void TPregledForma::setZoom(Zoom zoom)
{
    m_zoom = zoom;
    showPage();
}

void TPregledForma::goToPage(int page)
{
    if (pageCount() == 0)
        return;
    page = std::clamp(page, 1, pageCount());
    if (page == m_page)
        return;
    m_page = page;
    showPage();
}

void TPregledForma::showPage()
{
    const int n = pageCount();
    m_status->setText(n ? QStringLiteral("Strana %1 od %2").arg(m_page).arg(n)
                        : QStringLiteral("Nema stranica"));
    findChild<QToolButton*>(QStringLiteral("btnPrva"))->setEnabled(m_page > 1);
    findChild<QToolButton*>(QStringLiteral("btnPrethodna"))->setEnabled(m_page > 1);
    findChild<QToolButton*>(QStringLiteral("btnSljedeca"))->setEnabled(m_page < n);
    findChild<QToolButton*>(QStringLiteral("btnZadnja"))->setEnabled(m_page < n);
    {
        const QSignalBlocker block(m_goTo);
        m_goTo->setValue(m_page);
    }
    if (n == 0) {
        m_view->clear();
        return;
    }
    const PreparedPage& page = m_report.pages[m_page - 1];
    const double dpi = dpiFor(m_zoom);
    QImage img = pageImage(page, dpi);
    if (m_foundPage == m_page && m_foundItem >= 0 && m_foundItem < int(page.items.size())) {
        const QRectF mm = page.items[m_foundItem].rect;
        const double k = dpi / 25.4;
        QPainter p(&img);
        p.setCompositionMode(QPainter::CompositionMode_Multiply);
        p.fillRect(QRectF(mm.left() * k, mm.top() * k, mm.width() * k, mm.height() * k), QColor(255, 235, 0));
    }
    img.setDevicePixelRatio(1.0);
    m_view->setPixmap(QPixmap::fromImage(img));
    m_view->resize(img.size());
}

bool TPregledForma::findNext(const QString& text)
{
    if (text.isEmpty() || pageCount() == 0)
        return false;
    int startPage = m_page, startItem = 0;
    if (text.compare(m_foundText, Qt::CaseInsensitive) == 0 && m_foundPage == m_page)
        startItem = m_foundItem + 1;
    m_foundText = text;
    const int n = pageCount();
    for (int k = 0; k <= n; ++k) {
        const int pg = (startPage - 1 + k) % n + 1;
        const auto& items = m_report.pages[pg - 1].items;
        for (int i = k == 0 ? startItem : 0; i < int(items.size()); ++i) {
            const PreparedItem& it = items[i];
            if ((it.kind == PreparedItem::Kind::Text || it.kind == PreparedItem::Kind::RichText) &&
                it.text.contains(text, Qt::CaseInsensitive)) {
                m_foundPage = pg;
                m_foundItem = i;
                m_page = pg;
                showPage();
                return true;
            }
        }
    }
    m_foundPage = 0;
    m_foundItem = -1;
    showPage();
    return false;
}

bool TPregledForma::print()
{
    if (pageCount() == 0 || m_printing)
        return false;
    m_printer.setFromTo(0, 0);
    m_printer.setPrintRange(QPrinter::AllPages);
    bool go;
    if (printHook()) {
        go = printHook()(m_printer, this);
    } else {
        QPrintDialog dlg(&m_printer, this);
        dlg.setMinMax(1, pageCount());
        dlg.setOption(QAbstractPrintDialog::PrintPageRange);
        dlg.setOption(QAbstractPrintDialog::PrintCurrentPage);
        go = dlg.exec() == QDialog::Accepted;
    }
    if (!go)
        return false;
    int from = 1, to = pageCount();
    if (m_printer.printRange() == QPrinter::PageRange && m_printer.fromPage() > 0) {
        from = m_printer.fromPage();
        to = m_printer.toPage() > 0 ? m_printer.toPage() : from;
    } else if (m_printer.printRange() == QPrinter::CurrentPage) {
        from = to = m_page;
    }
    m_printing = true;
    m_cancel = false;
    m_cancelButton->setEnabled(true);
    const bool ok = renderReport(m_report, m_printer, from, to, [this](int) {
        QCoreApplication::processEvents();
        return !m_cancel;
    });
    if (!ok && m_cancel)
        m_printer.abort();
    m_cancelButton->setEnabled(false);
    m_printing = false;
    return ok;
}

void TPregledForma::printerSetup()
{
    if (setupHook()) {
        setupHook()(m_printer, this);
        return;
    }
    QPageSetupDialog dlg(&m_printer, this);
    dlg.exec();
}

void TPregledForma::copyPage()
{
    if (pageCount() == 0)
        return;
    const PreparedPage& page = m_report.pages[m_page - 1];
    auto* mime = new QMimeData;
    mime->setText(page.text());
    mime->setImageData(pageImage(page, 150));
    QGuiApplication::clipboard()->setMimeData(mime);
}

void TPregledForma::cancelPrint()
{
    if (m_printing)
        m_cancel = true;
}

void TPregledForma::keyPressEvent(QKeyEvent* e)
{
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    switch (e->key()) {
    case Qt::Key_PageDown:
        nextPage();
        return;
    case Qt::Key_PageUp:
        priorPage();
        return;
    case Qt::Key_Home:
        firstPage();
        return;
    case Qt::Key_End:
        lastPage();
        return;
    case Qt::Key_F3:
        findNext(m_search->text());
        return;
    case Qt::Key_F:
        if (ctrl) {
            m_search->setFocus();
            m_search->selectAll();
            return;
        }
        break;
    case Qt::Key_C:
        if (ctrl) {
            copyPage();
            return;
        }
        break;
    case Qt::Key_P:
        if (ctrl) {
            print();
            return;
        }
        break;
    case Qt::Key_Escape:
        if (m_printing) {
            cancelPrint();
            return;
        }
        break;
    default:
        break;
    }
    QDialog::keyPressEvent(e);
}

void TPregledForma::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    if (m_zoom != Zoom::Full)
        showPage();
}

void TPregledForma::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    showPage();
}

void setPreviewInterceptor(PreviewInterceptor fn)
{
    interceptor() = std::move(fn);
}

void showPreview(const PreparedReport& report, QWidget* parent)
{
    if (interceptor()) {
        interceptor()(report);
        return;
    }
    TPregledForma dlg(report, parent);
    dlg.exec();
}

void showPreview(Report& layout, QWidget* parent)
{
    showPreview(layout.prepare(), parent);
}

} // namespace tarvel::reports
