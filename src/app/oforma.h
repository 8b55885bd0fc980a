#pragma once

#include <QDialog>

class QLabel;
class QTimer;

namespace tarvel::app {

// The about window "O programu", also the start-up splash (closes by itself after 3000 ms).
// Closes on any key and on a click on the picture, the panel, the version line or the product line;
// the two link lines open the maker's e-mail and web site.
class TOForma : public QDialog
{
    Q_OBJECT
public:
    explicit TOForma(bool closesByItself, QWidget* parent = nullptr);

    static constexpr int SplashMs = 3000;
    static const QString DefaultVersion;
    // "Verzija 1.0 od " + the executable's modification date; DefaultVersion when it cannot be read.
    static QString versionLine();

    QLabel* versionLabel() const { return m_version; }
    QLabel* productLabel() const { return m_product; }
    QLabel* mailLink() const { return m_mail; }
    QLabel* webLink() const { return m_web; }
    QLabel* picture() const { return m_picture; }

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void underline(QLabel* link, bool on);

    bool m_closesByItself;
    QLabel* m_picture;
    QLabel* m_product;
    QLabel* m_version;
    QLabel* m_mail;
    QLabel* m_web;
    QTimer* m_underlineOff;
};

} // namespace tarvel::app
