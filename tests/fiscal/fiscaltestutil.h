#pragma once

#include <QDir>
#include <QFile>
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

} // namespace fiscaltest
