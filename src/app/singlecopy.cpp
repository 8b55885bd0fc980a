#include "app/singlecopy.h"

#include "core/paths.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QWidget>

namespace tarvel::app {

namespace {
QString defaultKey()
{
    const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    const QByteArray folder = Paths::programFolder().toUtf8();
    const QString hash =
        QString::fromLatin1(QCryptographicHash::hash(folder, QCryptographicHash::Sha1).toHex().left(12));
    return exe + QLatin1Char('-') + hash;
}
} // namespace

SingleCopy::SingleCopy(const QString& key, QObject* parent)
    : QObject(parent), m_key(key.isEmpty() ? defaultKey() : key)
{
}

SingleCopy::~SingleCopy()
{
    if (m_server)
        m_server->close();
}

bool SingleCopy::claim()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    m_lock = std::make_unique<QLockFile>(QDir(dir).filePath(m_key + QStringLiteral(".lock")));
    m_lock->setStaleLockTime(0); // only a lock whose process is gone is stale
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        wakeOther();
        return false;
    }
    QLocalServer::removeServer(m_key);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = m_server->nextPendingConnection()) {
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                if (s->readAll().contains("raise"))
                    Q_EMIT activationRequested();
                s->disconnectFromServer();
            });
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        }
    });
    if (!m_server->listen(m_key))
        qWarning("Single copy: cannot listen on %s: %s", qPrintable(m_key),
                 qPrintable(m_server->errorString()));
    return true;
}

bool SingleCopy::wakeOther()
{
    // The first copy may still be starting: give it a few seconds to listen.
    QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(m_key);
        if (socket.waitForConnected(500)) {
            socket.write("raise\n");
            socket.waitForBytesWritten(1000);
            socket.waitForDisconnected(1000);
            return true;
        }
        QThread::msleep(100);
    }
    return false;
}

void bringForward(QWidget* window)
{
    if (!window)
        return;
    if (window->isMinimized() || !window->isVisible()) {
        const bool maximized = window->windowState() & Qt::WindowMaximized;
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) |
                               (maximized ? Qt::WindowMaximized : Qt::WindowNoState));
        window->show();
    }
    window->raise();
    window->activateWindow();
}

} // namespace tarvel::app
