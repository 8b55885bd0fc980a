#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace tarvel::data {
class TableObject;
}

namespace tarvel::fiscal {

// The fiscal data copied to the clipboard: CR LF, then five lines "caption: value" with the
// captions right-aligned in 28 characters.
QString tekstPotvrde(const QString& brRac, const QString& datVr, const QString& oibOper, const QString& jir,
                     const QString& zki);

// "Potvrda": the confirmation of a fiscalized invoice.
class TPoreznaForma : public QDialog
{
    Q_OBJECT
public:
    TPoreznaForma(const QString& jir, const QString& zki, const QString& trajanje, const QString& brRac,
                  const QString& datVr, const QString& oibOper, QWidget* parent = nullptr);
    // The invoice values from the current FISKAL row.
    static TPoreznaForma* zaRacun(const data::TableObject& fiskal, const QString& jir, const QString& zki,
                                  const QString& trajanje, QWidget* parent = nullptr);

    QPushButton* UrediButton() const { return m_uRedu; }
    QPushButton* KopirajButton() const { return m_kopiraj; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void kopirajIZatvori();

    QString m_tekst;
    QPushButton* m_uRedu;
    QPushButton* m_kopiraj;
};

} // namespace tarvel::fiscal
