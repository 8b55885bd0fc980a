#pragma once

#include "reports/prepared.h"

#include <QDialog>
#include <QPrinter>
#include <functional>

class QLabel;
class QLineEdit;
class QScrollArea;
class QSpinBox;
class QToolButton;

namespace tarvel::reports {

class Report;

// The print preview "Pregled pred ispis": pages, zoom, search, print. Prepared reports are neither
// saved nor loaded here.
class TPregledForma : public QDialog
{
    Q_OBJECT
public:
    enum class Zoom { WholePage, Full, PageWidth };

    explicit TPregledForma(PreparedReport report, QWidget* parent = nullptr);
    ~TPregledForma() override;

    const PreparedReport& report() const { return m_report; }
    int currentPage() const { return m_page; } // 1-based
    int pageCount() const { return m_report.pageCount(); }
    Zoom zoom() const { return m_zoom; }
    double scale() const; // the page's pixels per screen pixel at 100 %
    QPrinter& printer() { return m_printer; }
    // The price list prints from a preview without minimize and maximize buttons.
    void removeMinMaxButtons();

    // Tests and headless runs answer the printer dialog (and the printer set-up) themselves:
    // the hook sets up the printer and returns whether to go on.
    using PrinterHook = std::function<bool(QPrinter& printer, QWidget* parent)>;
    static void setPrintDialogHook(PrinterHook hook);
    static void setPrinterSetupHook(PrinterHook hook);

public Q_SLOTS:
    void goToPage(int page);
    void firstPage() { goToPage(1); }
    void priorPage() { goToPage(m_page - 1); }
    void nextPage() { goToPage(m_page + 1); }
    void lastPage() { goToPage(pageCount()); }
    void setZoom(Zoom zoom);
    // Finds the text after the last match (case-insensitive), from the current page on, wrapping
    // round to the first page; the match is marked on the page.
    bool findNext(const QString& text);
    bool print();
    void printerSetup();
    void copyPage();
    void cancelPrint();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QToolButton* button(const QString& name, const QString& text, const QString& tip,
                        std::function<void()> onClick);
    void showPage();
    double dpiFor(Zoom zoom) const;

    PreparedReport m_report;
    QPrinter m_printer;
    int m_page = 1;
    Zoom m_zoom = Zoom::WholePage;
    int m_foundPage = 0, m_foundItem = -1;
    QString m_foundText;
    bool m_printing = false, m_cancel = false;

    QScrollArea* m_scroll = nullptr;
    QLabel* m_view = nullptr;
    QLabel* m_status = nullptr;
    QSpinBox* m_goTo = nullptr;
    QLineEdit* m_search = nullptr;
    QToolButton* m_cancelButton = nullptr;
};

// Shows a prepared report modally in the preview, unless a test has asked to receive it instead.
void showPreview(const PreparedReport& report, QWidget* parent = nullptr);
void showPreview(Report& layout, QWidget* parent = nullptr);

// With an interceptor set, showPreview() hands it the prepared report and shows nothing; an empty
// function shows the window again. Tests (and the screens' tests) read their prints through it.
using PreviewInterceptor = std::function<void(const PreparedReport& report)>;
void setPreviewInterceptor(PreviewInterceptor interceptor);

} // namespace tarvel::reports
