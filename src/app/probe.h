#pragma once

#include <QObject>
#include <QTimer>

class QTcpSocket;

namespace tarvel::app {

// One TCP connect to the probe host, without blocking: finished(true) once connected,
// finished(false) on any failure or when the connect takes longer than the time-out.
class ReachabilityProbe : public QObject
{
    Q_OBJECT
public:
    explicit ReachabilityProbe(QObject* parent = nullptr);
    ~ReachabilityProbe() override;

    static constexpr int TimeoutMs = 180;
    void start(const QString& host, quint16 port, int timeoutMs = TimeoutMs);
    bool running() const { return m_socket != nullptr; }

Q_SIGNALS:
    void finished(bool reachable);

private:
    void done(bool reachable);
    QTcpSocket* m_socket = nullptr;
    QTimer m_timeout;
};

// The probe's address: the same "MREZA" / "PROBA" setting ("host" or "host:port") that the
// premises registration's pre-check uses; a public web host on port 80 when it is absent.
struct ProbeTarget
{
    QString host;
    quint16 port = 80;
    static ProbeTarget fromSettings();
};

} // namespace tarvel::app
