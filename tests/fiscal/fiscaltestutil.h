#pragma once

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

namespace fiscaltest {

struct Rezultat
{
    int code = -1;
    QByteArray out;
    QByteArray err;
};

inline Rezultat pokreni(const QString& program, const QStringList& args, const QString& cwd = {},
                        const QByteArray& input = {})
{
    QProcess p;
    if (!cwd.isEmpty())
        p.setWorkingDirectory(cwd);
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return {};
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

inline bool openssl(const QString& dir, const QStringList& args)
{
    const Rezultat r = pokreni(QStringLiteral("openssl"), args, dir);
    if (r.code != 0)
        qWarning("openssl %s: %s", qPrintable(args.join(' ')), r.err.constData());
    return r.code == 0;
}

inline QByteArray procitaj(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void zapisi(const QString& path, const QByteArray& data)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(data);
}

// A small PKI made by the openssl command line: a CA, a signing certificate, a server certificate
// for 127.0.0.1, a second CA nobody trusts with its own server certificate, and the PKCS#12 files.
struct Pki
{
    QString dir;
    QString ca() const { return dir + "/ca.pem"; }
    QString kljuc() const { return dir + "/potpis.key"; }
    QString cert() const { return dir + "/potpis.pem"; }
    QString p12Moderni() const { return dir + "/moderni.p12"; }
    QString p12Legacy() const { return dir + "/legacy.p12"; }
    QString p12Lanac() const { return dir + "/lanac.p12"; }
    QString serverCert() const { return dir + "/server.pem"; }
    QString serverKljuc() const { return dir + "/server.key"; }
    QString stranaServerCert() const { return dir + "/strani-server.pem"; }
    QString stranaServerKljuc() const { return dir + "/strani-server.key"; }
    static QString lozinka() { return QStringLiteral("Tajna&Lozinka1"); }

    bool napravi(const QString& folder)
    {
        dir = folder;
        QDir().mkpath(dir);
        zapisi(dir + "/server.ext", "subjectAltName=IP:127.0.0.1,DNS:localhost\n");
        const QString pass = "pass:" + lozinka();
        auto ca = [&](const QString& name, const QString& cn) {
            return openssl(dir, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key",
                                 "-out", name + ".pem", "-days", "30", "-subj", "/CN=" + cn, "-addext",
                                 "basicConstraints=critical,CA:TRUE", "-addext",
                                 "keyUsage=critical,keyCertSign,cRLSign"});
        };
        auto issued = [&](const QString& name, const QString& cn, const QString& caName, const QString& ext) {
            QStringList sign = {"x509",        "-req",          "-in",
                                name + ".csr", "-CA",           caName + ".pem",
                                "-CAkey",      caName + ".key", "-CAcreateserial",
                                "-out",        name + ".pem",   "-days",
                                "30"};
            if (!ext.isEmpty())
                sign << "-extfile" << ext;
            return openssl(dir, {"req", "-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key", "-out",
                                 name + ".csr", "-subj", "/CN=" + cn}) &&
                   openssl(dir, sign);
        };
        return ca("ca", "Tarvel Test CA") && ca("strani-ca", "Nepoznati CA") &&
               issued("potpis", "Tarvel Potpis", "ca", {}) &&
               issued("server", "127.0.0.1", "ca", "server.ext") &&
               issued("strani-server", "127.0.0.1", "strani-ca", "server.ext") &&
               openssl(dir, {"pkcs12", "-export", "-inkey", "potpis.key", "-in", "potpis.pem", "-out",
                             "moderni.p12", "-passout", pass}) &&
               openssl(dir, {"pkcs12", "-export", "-legacy", "-inkey", "potpis.key", "-in", "potpis.pem",
                             "-out", "legacy.p12", "-passout", pass}) &&
               openssl(dir, {"pkcs12", "-export", "-inkey", "potpis.key", "-in", "potpis.pem", "-certfile",
                             "ca.pem", "-out", "lanac.p12", "-passout", pass});
    }
};

// The stand-in fiscal service of tests/servers, run for one test case or class.
class CisServer
{
public:
    ~CisServer() { stop(); }

    bool start(const QString& work, const QString& cert, const QString& key, const QString& trustedCa)
    {
        m_work = work;
        QDir().mkpath(work);
        // Debian's interpreter, which the package list installs; another python3 may come first on PATH.
        m_proc.setProgram(QStringLiteral("/usr/bin/python3"));
        m_proc.setArguments({QStringLiteral(TARVEL_SOURCE_DIR "/tests/servers/fiscal-cis-server.py"),
                             "--cert", cert, "--key", key, "--trusted-ca", trustedCa, "--work", work});
        m_proc.setProcessChannelMode(QProcess::SeparateChannels);
        m_proc.start();
        if (!m_proc.waitForStarted(10000))
            return false;
        QByteArray line;
        for (int i = 0; i < 100 && !line.contains('\n'); ++i) {
            m_proc.waitForReadyRead(100);
            line += m_proc.readAllStandardOutput();
        }
        if (!line.startsWith("PORT "))
            return false;
        m_port = line.mid(5).trimmed().toInt();
        return m_port > 0;
    }
    void stop()
    {
        if (m_proc.state() == QProcess::NotRunning)
            return;
        m_proc.closeWriteChannel();
        if (!m_proc.waitForFinished(5000)) {
            m_proc.kill();
            m_proc.waitForFinished(2000);
        }
    }
    int port() const { return m_port; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
    void setMode(const QJsonObject& mode) { zapisi(m_work + "/mode.json", QJsonDocument(mode).toJson()); }
    QList<QJsonObject> log() const
    {
        QList<QJsonObject> entries;
        for (const QByteArray& line : procitaj(m_work + "/log.jsonl").split('\n'))
            if (!line.trimmed().isEmpty())
                entries << QJsonDocument::fromJson(line).object();
        return entries;
    }
    QByteArray request(int n) const { return procitaj(m_work + QStringLiteral("/request-%1.xml").arg(n)); }

private:
    QProcess m_proc;
    QString m_work;
    int m_port = 0;
};

} // namespace fiscaltest
