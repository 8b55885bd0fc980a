#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <cups/cups.h>
#include <memory>
#include <vector>

// A private cupsd on 127.0.0.1 for one test: its own configuration, spool, state and log folders in
// `folder`, file devices allowed, queues added with lpadmin. The client side of the test process
// (CUPS_SERVER, CUPS_SERVERROOT, HOME for lpoptions) is pointed at it; stop() ends the daemon.
class CupsTestServer
{
public:
    ~CupsTestServer() { stop(); }

    static bool available()
    {
        return !QStandardPaths::findExecutable(QStringLiteral("cupsd"), {"/usr/sbin", "/usr/bin"})
                    .isEmpty() &&
               !QStandardPaths::findExecutable(QStringLiteral("lpadmin"), {"/usr/sbin", "/usr/bin"})
                    .isEmpty();
    }

    bool start(const QString& folder)
    {
        m_dir = folder;
        quint16 port = 0;
        {
            QTcpServer probe;
            if (!probe.listen(QHostAddress::LocalHost))
                return false;
            port = probe.serverPort();
        }
        m_server = QStringLiteral("127.0.0.1:%1").arg(port);
        for (const char* d : {"etc", "spool", "tmp", "cache", "state", "log", "client", "home"})
            if (!QDir().mkpath(path(QLatin1String(d))))
                return false;
        // The backends run as cupsd's own user and read the job files from the spool folder, so the
        // folders above it (a temporary folder is the owner's alone) must let that user through.
        const auto traversable = QFileDevice::Permissions(0x7755);
        QFile::setPermissions(folder, traversable);
        QFile::setPermissions(QFileInfo(folder).absolutePath(), traversable);
        const bool written =
            write(
                path("etc/cupsd.conf"),
                QStringLiteral("Listen %1\nServerName 127.0.0.1\nLogLevel info\nBrowsing Off\n"
                               "DefaultAuthType None\nPreserveJobHistory Yes\nPreserveJobFiles No\n"
                               "<Location />\n Order allow,deny\n Allow all\n</Location>\n"
                               "<Location /admin>\n Order allow,deny\n Allow all\n</Location>\n"
                               "<Policy default>\n <Limit All>\n  Order allow,deny\n  Allow all\n </Limit>\n"
                               "</Policy>\n")
                    .arg(m_server)) &&
            write(
                path("etc/cups-files.conf"),
                QStringLiteral("ServerRoot %1\nRequestRoot %2\nTempDir %3\nCacheDir %4\nStateDir %5\n"
                               "ErrorLog %6/error_log\nAccessLog %6/access_log\nPageLog %6/page_log\n"
                               "FileDevice Yes\nSandboxing Relaxed\nSystemGroup root\n")
                    .arg(path("etc"), path("spool"), path("tmp"), path("cache"), path("state"), path("log")));
        if (!written)
            return false;
        const QString daemon =
            QStandardPaths::findExecutable(QStringLiteral("cupsd"), {"/usr/sbin", "/usr/bin"});
        m_cupsd.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_cupsd.start(daemon, {QStringLiteral("-f"), QStringLiteral("-c"), path("etc/cupsd.conf"),
                               QStringLiteral("-s"), path("etc/cups-files.conf")});
        if (!m_cupsd.waitForStarted())
            return false;
        qputenv("CUPS_SERVER", m_server.toUtf8());
        qputenv("CUPS_SERVERROOT", path("client").toUtf8());
        qputenv("HOME", path("home").toUtf8());
        return true;
    }

    // A queue on a device URI; without a driver it is a raw queue, which passes the bytes untouched.
    bool addQueue(const QString& queue, const QString& uri)
    {
        for (int i = 0; i < 100; ++i) {
            QProcess lpadmin;
            lpadmin.start(QStringLiteral("lpadmin"),
                          {QStringLiteral("-h"), m_server, QStringLiteral("-p"), queue, QStringLiteral("-E"),
                           QStringLiteral("-v"), uri});
            lpadmin.waitForFinished(10000);
            if (lpadmin.exitStatus() == QProcess::NormalExit && lpadmin.exitCode() == 0)
                return true;
            QTest::qWait(100);
        }
        return false;
    }

    // A raw queue whose device is a network receipt printer (AppSocket) on 127.0.0.1 played by this
    // process: what the printer receives is collected per connection. cupsd writes no raw job to a
    // file: device (that needs a filter), so the socket backend is the way to see the bytes.
    bool addRawSocketQueue(const QString& queue)
    {
        auto printer = std::make_unique<QTcpServer>();
        if (!printer->listen(QHostAddress::LocalHost))
            return false;
        QTcpServer* p = printer.get();
        QObject::connect(p, &QTcpServer::newConnection, p, [this, p, queue] {
            while (QTcpSocket* s = p->nextPendingConnection()) {
                const qsizetype n = m_received[queue].size();
                m_received[queue].append(QByteArray());
                QObject::connect(s, &QTcpSocket::readyRead, s,
                                 [this, s, queue, n] { m_received[queue][n] += s->readAll(); });
                QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
        const QString uri = QStringLiteral("socket://127.0.0.1:%1/?waiteof=false").arg(p->serverPort());
        m_printers.push_back(std::move(printer));
        return addQueue(queue, uri);
    }

    // The bytes of each connection the printer of `queue` received, in order.
    QList<QByteArray> received(const QString& queue) const { return m_received.value(queue); }

    struct Job
    {
        QString title;
        QString format;
        ipp_jstate_t state = IPP_JSTATE_PENDING;
    };

    // The jobs of a queue, every state, oldest first.
    QList<Job> jobs(const QString& queue) const
    {
        cups_job_t* list = nullptr;
        const QByteArray q = queue.toUtf8();
        const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &list, q.constData(), 0, CUPS_WHICHJOBS_ALL);
        QList<Job> out;
        for (int i = 0; i < n; ++i)
            out << Job{QString::fromUtf8(list[i].title), QString::fromUtf8(list[i].format), list[i].state};
        cupsFreeJobs(n, list);
        return out;
    }

    // Waits until every job of the queue has ended.
    bool waitForJobs(const QString& queue, int count, int timeoutMs = 20000) const
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            const QList<Job> all = jobs(queue);
            int ended = 0;
            for (const Job& j : all)
                ended += j.state >= IPP_JSTATE_STOPPED ? 1 : 0;
            if (all.size() >= count && ended == all.size())
                return true;
            QTest::qWait(100);
        }
        return false;
    }

    QString defaultPrinter() const
    {
        QProcess p;
        p.start(QStringLiteral("lpstat"), {QStringLiteral("-d")});
        p.waitForFinished(10000);
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    }

    void stop()
    {
        if (m_cupsd.state() == QProcess::NotRunning)
            return;
        m_cupsd.terminate();
        if (!m_cupsd.waitForFinished(10000)) {
            m_cupsd.kill();
            m_cupsd.waitForFinished(3000);
        }
    }
    bool running() const { return m_cupsd.state() == QProcess::Running; }
    QString server() const { return m_server; }
    QString errorLog() const
    {
        QFile f(path("log/error_log"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

private:
    QString path(const QString& p) const { return m_dir + QLatin1Char('/') + p; }
    static bool write(const QString& file, const QString& text)
    {
        QFile f(file);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text.toUtf8()) > 0;
    }

    QString m_dir;
    QString m_server;
    QProcess m_cupsd;
    std::vector<std::unique_ptr<QTcpServer>> m_printers;
    QHash<QString, QList<QByteArray>> m_received;
};
