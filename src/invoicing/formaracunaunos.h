#pragma once

#include "invoicing/entrymarks.h"
#include "invoicing/invoiceentry.h"

#include <QDialog>
#include <array>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimeEdit;
class QToolButton;
class QGridLayout;

namespace tarvel::data {
class TDM;
class TableObject;
} // namespace tarvel::data

namespace tarvel::invoicing {

// "Unos računa" in companion mode: the invoice names the operator who issues it. Opened modally by the
// invoice book with the marks set and FISKAL of the data module on the invoice to show (edit, copy,
// view); it stores one FISKAL row and closes.
class TFormaRacunaUnos : public QDialog
{
    Q_OBJECT
public:
    explicit TFormaRacunaUnos(EntryMarks& marks, QWidget* parent = nullptr);
    ~TFormaRacunaUnos() override;

    EntryMode mode() const { return m_mode; }
    QPushButton* saveButton() const { return m_save; }

    void reject() override; // "Izlaz - Esc"
    void done(int result) override;

protected:
    struct LineFields
    {
        QLineEdit* description = nullptr;
        QLineEdit* unit = nullptr; // customer lines only
        QLineEdit* price = nullptr;
        QLineEdit* quantity = nullptr;
        QLineEdit* base = nullptr;
        QLineEdit* rate = nullptr;
        QLineEdit* vat = nullptr;
        QLineEdit* gross = nullptr;
        QToolButton* choose = nullptr;
    };

    TFormaRacunaUnos(EntryMarks& marks, EntryVariant variant, QWidget* parent);
    // The steps of showing the window; the most derived constructor calls it once its fields exist.
    void prepare();

    // What differs between the variants.
    virtual void showNew(const CompanyValues& opci);
    virtual void showStored(const QVariantMap& row, const InvoiceEntry& entry);
    virtual void disableForView();
    virtual void fieldEntered(QWidget* field);
    virtual void fieldLeft(QWidget* field);
    virtual bool helpKey(QWidget* field); // F1; true when it acted
    virtual InvoiceEntry collect() const;

    // Field helpers.
    static double amountOf(const QLineEdit* field);
    void setAmount(QLineEdit* field, double value);
    void setDefaultRates(double rate);
    InvoiceLines linesShown() const;
    void writeLine(int n, const LineAmounts& a);
    void showTotal();
    void recomputeAll();
    void watch(QWidget* field);
    int lineOf(QWidget* field, QLineEdit* LineFields::*column) const;

    void leaveOib();
    bool takePartyOfOib(); // an 11-character OIB found in the register: its OIB and name
    void chooseParty();
    bool locateParty(const QString& oib);
    void leaveDate();
    void leaveLateDelivery();
    void store();

    bool eventFilter(QObject* watched, QEvent* event) override;

    EntryMarks& m_marks;
    EntryVariant m_variant;
    EntryMode m_mode = EntryMode::New;
    data::TDM* m_dm;
    data::TableObject* m_party;
    bool m_prepared = false;
    bool m_closed = false;
    int m_quiet = 0; // > 0 while fields are written by the window itself

    QGridLayout* m_head = nullptr;
    QGridLayout* m_grid = nullptr;
    QLineEdit* m_oib = nullptr;
    QToolButton* m_oibChoose = nullptr;
    QLineEdit* m_name = nullptr;
    QLabel* m_registerName = nullptr;
    QDateEdit* m_date = nullptr;
    QLineEdit* m_number = nullptr;
    QComboBox* m_payment = nullptr;
    std::array<LineFields, LineCount> m_lines;
    QLineEdit* m_paragon = nullptr;
    QComboBox* m_late = nullptr;
    QTimeEdit* m_time = nullptr;
    QLabel* m_total = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_exit = nullptr;
    QList<QWidget*> m_watched;
};

// "Unos računa" in customer mode: the invoice names a customer, its lines have units, prices and
// quantities and can be taken from the price list, it has a due date, and every store writes its charge
// into the customer ledger.
class TFormaRacunaUnosKup : public TFormaRacunaUnos
{
    Q_OBJECT
public:
    explicit TFormaRacunaUnosKup(EntryMarks& marks, QWidget* parent = nullptr);

    // "?" of line n (1..5), or F1 in its description.
    void chooseArticle(int line);

protected:
    void showNew(const CompanyValues& opci) override;
    void showStored(const QVariantMap& row, const InvoiceEntry& entry) override;
    void disableForView() override;
    void fieldEntered(QWidget* field) override;
    void fieldLeft(QWidget* field) override;
    bool helpKey(QWidget* field) override;
    InvoiceEntry collect() const override;

private:
    void leavePayment();
    void baseFromPriceOfLine(int n);

    QLabel* m_dueLabel = nullptr;
    QDateEdit* m_due = nullptr;
};

// The invoice book's way in: the entry window of the run mode (customer mode unless the data module
// runs in companion mode), shown modally over `owner` with the marks as the book has set them. When it
// returns, `marks` holds the appended mark (and the new mark, cleared by "Izlaz - Esc") and FISKAL is on
// the row just stored.
void otvoriUnosRacuna(QWidget* owner, EntryMarks& marks);

} // namespace tarvel::invoicing
