#include "app/probe.h"

#include "core/paths.h"

#include <QSettings>
#include <QTcpSocket>

namespace tarvel::app {

ReachabilityProbe::ReachabilityProbe(QObject* parent) : QObject(parent)
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] { done(false); });
}

ReachabilityProbe::~ReachabilityProbe()
{
    if (m_socket) {
        m_socket->abort();
        delete m_socket;
    }
}

void ReachabilityProbe::start(const QString& host, quint16 port, int timeoutMs)
{
    if (m_socket)
        return;
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, [this] { done(true); });
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this] { done(false); });
    m_timeout.start(timeoutMs);
    m_socket->connectToHost(host, port);
}

void ReachabilityProbe::done(bool reachable)
{
    if (!m_socket)
        return;
    m_timeout.stop();
    QTcpSocket* s = m_socket;
    m_socket = nullptr;
    s->disconnect(this);
    s->abort();
    s->deleteLater();
    Q_EMIT finished(reachable);
}

ProbeTarget ProbeTarget::fromSettings()
{
    QSettings ini(Paths::settingsFile(), QSettings::IniFormat);
    ProbeTarget t;
    const QString target =
        ini.value(QStringLiteral("MREZA/PROBA"), QStringLiteral("www.porezna-uprava.hr:80"))
            .toString()
            .trimmed();
    const qsizetype colon = target.lastIndexOf(QLatin1Char(':'));
    t.host = colon > 0 ? target.left(colon) : target;
    const int port = colon > 0 ? target.mid(colon + 1).toInt() : 80;
    t.port = port > 0 && port < 65536 ? quint16(port) : quint16(80);
    return t;
}

} // namespace tarvel::app
