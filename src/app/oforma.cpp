#include "app/oforma.h"

#include "app/ikone.h"
#include "core/format.h"
#include "core/paths.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace tarvel::app {

namespace {
const QString MailAddress = QStringLiteral("info@tarvel.hr");
const QString WebAddress = QStringLiteral("www.tarvel.hr");
} // namespace

const QString TOForma::DefaultVersion = QStringLiteral("Verzija: 1.0 od  16.11.1999.");

QString TOForma::versionLine()
{
    // The executable of the program folder (Tarvelstat.EXE on Windows).
    const QString name = QCoreApplication::instance()
                             ? QFileInfo(QCoreApplication::applicationFilePath()).fileName()
                             : QStringLiteral("tarvelstat");
    const QFileInfo exe(Paths::file(name));
    if (!exe.isFile())
        return DefaultVersion;
    const QDateTime modified = exe.lastModified();
    if (!modified.isValid())
        return DefaultVersion;
    return QStringLiteral("Verzija 1.0 od ") + fmt::date(modified.date());
}

TOForma::TOForma(bool closesByItself, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_closesByItself(closesByItself)
{
    setObjectName(QStringLiteral("OForma"));
    setWindowTitle(QStringLiteral("O programu"));
    setModal(true);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("panel"));
    panel->setFrameShape(QFrame::Box);
    panel->setStyleSheet(QStringLiteral("QFrame#panel { background: rgb(242, 247, 215); border: 2px solid "
                                        "rgb(40, 70, 120); }"));

    m_picture = new QLabel(panel);
    m_picture->setPixmap(logo(QSize(420, 170)));
    m_picture->setAlignment(Qt::AlignCenter);

    m_product =
        new QLabel(QStringLiteral("Program za vođenje računa i naplate sa OPZ-STAT-1 obrascem"), panel);
    QFont bold = m_product->font();
    bold.setBold(true);
    m_product->setFont(bold);
    m_product->setAlignment(Qt::AlignCenter);
    m_product->setWordWrap(true);

    m_version = new QLabel(DefaultVersion, panel);
    m_version->setAlignment(Qt::AlignCenter);

    auto makeLink = [panel](const QString& text) {
        auto* l = new QLabel(text, panel);
        l->setAlignment(Qt::AlignCenter);
        l->setCursor(Qt::PointingHandCursor);
        l->setStyleSheet(QStringLiteral("color: rgb(30, 60, 160);"));
        l->setMouseTracking(true);
        return l;
    };
    m_mail = makeLink(MailAddress);
    m_web = makeLink(WebAddress);

    auto* inner = new QVBoxLayout(panel);
    inner->addWidget(m_picture);
    inner->addWidget(m_product);
    inner->addWidget(m_version);
    inner->addSpacing(8);
    inner->addWidget(m_mail);
    inner->addWidget(m_web);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(panel);

    panel->setMouseTracking(true);
    for (QWidget* w : std::initializer_list<QWidget*>{panel, m_picture, m_product, m_version, m_mail, m_web})
        w->installEventFilter(this);

    m_underlineOff = new QTimer(this);
    m_underlineOff->setSingleShot(true);
    m_underlineOff->setInterval(1000);
    connect(m_underlineOff, &QTimer::timeout, this, [this] {
        underline(m_mail, false);
        underline(m_web, false);
    });
}

void TOForma::showEvent(QShowEvent* e)
{
    QDir::setCurrent(Paths::programFolder());
    m_version->setText(versionLine());
    adjustSize();
    if (m_closesByItself)
        QTimer::singleShot(SplashMs, Qt::PreciseTimer, this, &QDialog::accept);
    if (QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
    QDialog::showEvent(e);
}

void TOForma::keyPressEvent(QKeyEvent* e)
{
    e->accept();
    accept();
}

void TOForma::mousePressEvent(QMouseEvent*)
{
    accept();
}

void TOForma::underline(QLabel* link, bool on)
{
    QFont f = link->font();
    f.setUnderline(on);
    link->setFont(f);
}

bool TOForma::eventFilter(QObject* watched, QEvent* event)
{
    auto* link = watched == m_mail ? m_mail : watched == m_web ? m_web : nullptr;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (link) {
            QDesktopServices::openUrl(link == m_mail ? QUrl(QStringLiteral("mailto:") + MailAddress)
                                                     : QUrl(QStringLiteral("http://") + WebAddress));
        } else {
            accept();
        }
        return true;
    case QEvent::Enter:
    case QEvent::MouseMove:
        if (link) {
            underline(link, true);
            m_underlineOff->start();
        } else if (watched->objectName() == QLatin1String("panel")) {
            underline(m_mail, false);
            underline(m_web, false);
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tarvel::app
