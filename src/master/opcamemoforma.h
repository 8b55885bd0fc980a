#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace tarvel::master {

// "Upis podnožja računa": the invoice footer, saved on its own into the OPCI row.
class TOpcaMemoForma : public QDialog
{
    Q_OBJECT
public:
    explicit TOpcaMemoForma(QWidget* owner = nullptr);
    QPlainTextEdit* tekst() const { return m_text; }
    QPushButton* zapamtiButton() const { return m_zapamti; }
    QPushButton* izlazButton() const { return m_izlaz; }

public Q_SLOTS:
    void zapamti();
    void izlaz();

protected:
    void done(int r) override;

private:
    QPlainTextEdit* m_text;
    QPushButton *m_zapamti, *m_izlaz;
};

} // namespace tarvel::master
