#include "core/errors.h"
#include "reports/report.h"
#include "util/reportexport.h"
#include "util/sendmail.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace tarvel;
using util::MailAccount;

namespace {

// tests/servers/smtp_server.py on 127.0.0.1, in a folder of its own.
class SmtpServer
{
public:
    SmtpServer(const QString& mode, const QString& folder, const QString& cert, const QString& key,
               const QStringList& more = {})
        : m_out(folder)
    {
        QDir().mkpath(folder);
        m_proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const QStringList args{QStringLiteral(TARVEL_SMTP_SERVER),
                               QStringLiteral("--mode"),
                               mode,
                               QStringLiteral("--cert"),
                               cert,
                               QStringLiteral("--key"),
                               key,
                               QStringLiteral("--out"),
                               folder,
                               QStringLiteral("--user"),
                               QStringLiteral("racuni@tvrtka.hr"),
                               QStringLiteral("--password"),
                               QStringLiteral("Tajna-lozinka1")};
        m_proc.start(QStringLiteral("/usr/bin/python3"), args + more);
        QDeadlineTimer deadline(15000);
        while (!m_proc.canReadLine() && !deadline.hasExpired() && m_proc.state() != QProcess::NotRunning)
            m_proc.waitForReadyRead(200);
        const QByteArray line = m_proc.readLine().trimmed();
        if (line.startsWith("READY "))
            m_port = line.mid(6).toInt();
    }
    ~SmtpServer()
    {
        m_proc.closeWriteChannel();
        if (!m_proc.waitForFinished(5000)) {
            m_proc.kill();
            m_proc.waitForFinished(2000);
        }
    }
    int port() const { return m_port; }
    QJsonObject message(int n) const
    {
        QFile f(m_out + QStringLiteral("/msg-%1.json").arg(n));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(f.readAll()).object();
    }
    int messageCount() const
    {
        return int(QDir(m_out).entryList({QStringLiteral("msg-*.json")}, QDir::Files).size());
    }
    QList<QJsonObject> authAttempts() const
    {
        QList<QJsonObject> out;
        QFile f(m_out + QStringLiteral("/auth.jsonl"));
        if (f.open(QIODevice::ReadOnly))
            for (const QByteArray& line : f.readAll().split('\n'))
                if (!line.isEmpty())
                    out << QJsonDocument::fromJson(line).object();
        return out;
    }

private:
    QString m_out;
    QProcess m_proc;
    int m_port = 0;
};

QString errorOf(const std::function<void()>& fn, ErrorKind* kind = nullptr)
{
    try {
        fn();
    } catch (const TarvelError& e) {
        if (kind)
            *kind = e.kind();
        return e.message();
    }
    return {};
}

const QString kSubject = QStringLiteral("Dostava računa – ŠĐČĆŽ šđčćž");
const QString kBody = QStringLiteral("Nas racun br. 17-1-1 nalazi se u prilogu. Srdacan pozdrav. Žđ");

} // namespace

class TestSendMail : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void messageArrivesOverStartTlsWithEverything();
    void implicitTls();
    void withoutLoginTlsIsStillUsedWhenOffered();
    void sendingTwiceSendsTheNewerFile();
    void wrongPasswordIsRefused();
    void closedPortIsRefused();
    void badPortText_data();
    void badPortText();
    void serverWithoutTlsNeverGetsThePassword();
    void untrustedCertificateIsRefused();
    void silentServerEndsInATimeOut();
    void lineBreaksCannotAddHeaders();
    void longNamesBecomeSeveralEncodedWords();

private:
    MailAccount account(int port) const;
    void send(const MailAccount& a, const QString& toName = QStringLiteral("Kupac Đurđević"),
              const QString& fromName = QStringLiteral("Ivo Ćošić")) const;
    std::unique_ptr<SmtpServer> server(const QString& mode);

    QTemporaryDir m_dir;
    QString m_cert, m_key, m_attachment;
    QByteArray m_bytes;
    int m_servers = 0;
};

void TestSendMail::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_cert = m_dir.filePath(QStringLiteral("cert.pem"));
    m_key = m_dir.filePath(QStringLiteral("key.pem"));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"), m_key,
                   QStringLiteral("-out"), m_cert, QStringLiteral("-days"), QStringLiteral("1"),
                   QStringLiteral("-subj"), QStringLiteral("/CN=localhost"), QStringLiteral("-addext"),
                   QStringLiteral("subjectAltName=DNS:localhost,IP:127.0.0.1")});
    QVERIFY(openssl.waitForFinished(60000));
    QCOMPARE(openssl.exitCode(), 0);
    // Bytes that SMTP likes to mangle: NUL, bare CR and LF, a line that is only a dot.
    m_bytes = QByteArray("%PDF-1.4\n\0\r\n.\r\n..\r\r\n", 22);
    for (int i = 0; i < 50000; ++i)
        m_bytes.append(char(QRandomGenerator::global()->bounded(256)));
    m_attachment = m_dir.filePath(QStringLiteral("RACUN.PDF"));
    QFile f(m_attachment);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(m_bytes);
}

MailAccount TestSendMail::account(int port) const
{
    MailAccount a;
    a.host = QStringLiteral("127.0.0.1");
    a.port = QString::number(port);
    a.user = QStringLiteral("racuni@tvrtka.hr");
    a.password = QStringLiteral("Tajna-lozinka1");
    a.caFile = m_cert;
    a.timeoutMs = 20000;
    return a;
}

void TestSendMail::send(const MailAccount& a, const QString& toName, const QString& fromName) const
{
    util::SendMail(a, kSubject, kBody, m_attachment, QStringLiteral("kupac@primjer.hr"), toName,
                   QStringLiteral("ivo@tvrtka.hr"), fromName);
}

std::unique_ptr<SmtpServer> TestSendMail::server(const QString& mode)
{
    auto s = std::make_unique<SmtpServer>(mode, m_dir.filePath(QStringLiteral("srv%1").arg(++m_servers)),
                                          m_cert, m_key);
    if (s->port() == 0)
        qWarning("the SMTP server did not start");
    return s;
}

void TestSendMail::messageArrivesOverStartTlsWithEverything()
{
    auto srv = server(QStringLiteral("starttls"));
    QVERIFY(srv->port());
    send(account(srv->port()));
    QCOMPARE(srv->messageCount(), 1);
    const QJsonObject m = srv->message(1);
    QCOMPARE(m[QStringLiteral("mail_from")].toString(), QStringLiteral("ivo@tvrtka.hr"));
    QCOMPARE(m[QStringLiteral("rcpt_tos")].toArray(), QJsonArray{QStringLiteral("kupac@primjer.hr")});
    QVERIFY(m[QStringLiteral("tls")].toBool());
    QVERIFY(m[QStringLiteral("authenticated")].toBool());
    const QJsonObject h = m[QStringLiteral("headers")].toObject();
    QCOMPARE(h[QStringLiteral("Subject")].toString(), kSubject);
    QCOMPARE(h[QStringLiteral("From")].toString(), QStringLiteral("Ivo Ćošić <ivo@tvrtka.hr>"));
    QCOMPARE(h[QStringLiteral("To")].toString(), QStringLiteral("Kupac Đurđević <kupac@primjer.hr>"));
    QCOMPARE(h[QStringLiteral("X-Priority")].toString(), QStringLiteral("1 (Highest)"));
    QCOMPARE(h[QStringLiteral("Importance")].toString(), QStringLiteral("High"));
    QCOMPARE(h[QStringLiteral("X-MSMail-Priority")].toString(), QStringLiteral("High"));
    QCOMPARE(h[QStringLiteral("Disposition-Notification-To")].toString(),
             QStringLiteral("Ivo Ćošić <ivo@tvrtka.hr>"));
    QVERIFY(h.contains(QStringLiteral("Date")));
    QVERIFY(h.contains(QStringLiteral("Message-ID")));

    const QJsonArray parts = m[QStringLiteral("parts")].toArray();
    QCOMPARE(parts.size(), 2);
    const QJsonObject body = parts[0].toObject();
    QCOMPARE(body[QStringLiteral("type")].toString(), QStringLiteral("text/plain"));
    QCOMPARE(body[QStringLiteral("charset")].toString(), QStringLiteral("utf-8"));
    QCOMPARE(QString::fromUtf8(QByteArray::fromBase64(body[QStringLiteral("data")].toString().toLatin1())),
             kBody);
    const QJsonObject att = parts[1].toObject();
    QCOMPARE(att[QStringLiteral("type")].toString(), QStringLiteral("application/pdf"));
    QCOMPARE(att[QStringLiteral("filename")].toString(), QStringLiteral("RACUN.PDF"));
    QCOMPARE(att[QStringLiteral("disposition")].toString(), QStringLiteral("attachment"));
    QCOMPARE(QByteArray::fromBase64(att[QStringLiteral("data")].toString().toLatin1()), m_bytes);

    const QList<QJsonObject> auth = srv->authAttempts();
    QCOMPARE(auth.size(), 1);
    QVERIFY(auth[0][QStringLiteral("tls")].toBool()); // the password went over TLS only
    QVERIFY(auth[0][QStringLiteral("success")].toBool());
}

void TestSendMail::implicitTls()
{
    auto srv = server(QStringLiteral("implicit"));
    QVERIFY(srv->port());
    MailAccount a = account(srv->port());
    a.tls = MailAccount::Tls::Implicit; // what Auto picks on port 465, which a test cannot bind
    send(a);
    QCOMPARE(srv->messageCount(), 1);
    QVERIFY(srv->message(1)[QStringLiteral("tls")].toBool());
    QVERIFY(srv->authAttempts().value(0)[QStringLiteral("tls")].toBool());

    // Speaking STARTTLS to an implicit-TLS server fails instead of falling back to clear text.
    a.tls = MailAccount::Tls::StartTls;
    a.timeoutMs = 3000;
    QVERIFY(!errorOf([&] { send(a); }).isEmpty());
    QCOMPARE(srv->messageCount(), 1);
}

void TestSendMail::withoutLoginTlsIsStillUsedWhenOffered()
{
    // The server does not insist on STARTTLS and takes mail without a login.
    SmtpServer srv(QStringLiteral("starttls"), m_dir.filePath(QStringLiteral("noauth")), m_cert, m_key,
                   {QStringLiteral("--no-auth")});
    QVERIFY(srv.port());
    MailAccount a = account(srv.port());
    a.user.clear();
    a.password.clear();
    send(a);
    QCOMPARE(srv.messageCount(), 1);
    QVERIFY(srv.message(1)[QStringLiteral("tls")].toBool());
    QVERIFY(!srv.message(1)[QStringLiteral("authenticated")].toBool());
    QCOMPARE(srv.authAttempts().size(), 0);
}

void TestSendMail::sendingTwiceSendsTheNewerFile()
{
    auto srv = server(QStringLiteral("starttls"));
    QVERIFY(srv->port());
    const QString pdf = m_dir.filePath(QStringLiteral("xml/RACUN.PDF"));
    QDir().mkpath(QFileInfo(pdf).path());
    QByteArray sent[2];
    for (int i = 0; i < 2; ++i) {
        reports::Report layout;
        layout.title(20).label(QStringLiteral("Račun broj: %1-1-1").arg(i + 1));
        util::ReportExport(layout, pdf);
        QFile f(pdf);
        QVERIFY(f.open(QIODevice::ReadOnly));
        sent[i] = f.readAll();
        util::SendMail(account(srv->port()), kSubject, kBody, pdf, QStringLiteral("kupac@primjer.hr"),
                       QStringLiteral("Kupac"), QStringLiteral("ivo@tvrtka.hr"), QStringLiteral("Ivo"));
    }
    QVERIFY(sent[0] != sent[1]);
    QCOMPARE(srv->messageCount(), 2);
    for (int i = 0; i < 2; ++i) {
        const QJsonObject att = srv->message(i + 1)[QStringLiteral("parts")].toArray()[1].toObject();
        QCOMPARE(QByteArray::fromBase64(att[QStringLiteral("data")].toString().toLatin1()), sent[i]);
    }
}

void TestSendMail::wrongPasswordIsRefused()
{
    auto srv = server(QStringLiteral("starttls"));
    QVERIFY(srv->port());
    MailAccount a = account(srv->port());
    a.password = QStringLiteral("kriva");
    const QString msg = errorOf([&] { send(a); });
    QVERIFY2(msg.contains(QStringLiteral("odbio je prijavu")), qPrintable(msg));
    QCOMPARE(srv->messageCount(), 0);
    QVERIFY(!srv->authAttempts().value(0)[QStringLiteral("success")].toBool());
}

void TestSendMail::closedPortIsRefused()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const int port = probe.serverPort();
    probe.close();
    const QString msg = errorOf([&] { send(account(port)); });
    QVERIFY2(msg.startsWith(
                 QStringLiteral("Nije moguće spojiti se na poslužitelj e-pošte 127.0.0.1:%1").arg(port)),
             qPrintable(msg));
}

void TestSendMail::badPortText_data()
{
    QTest::addColumn<QString>("port");
    QTest::newRow("empty") << "";
    QTest::newRow("blank") << "  ";
    QTest::newRow("letters") << "smtp";
    QTest::newRow("trailing letters") << "25x";
    QTest::newRow("inner blank") << "5 87";
    QTest::newRow("sign") << "-25";
    QTest::newRow("zero") << "0";
    QTest::newRow("too large") << "70000";
}

void TestSendMail::badPortText()
{
    QFETCH(QString, port);
    MailAccount a = account(1);
    a.port = port;
    ErrorKind kind = ErrorKind::Other;
    const QString msg = errorOf([&] { send(a); }, &kind);
    QVERIFY2(msg.startsWith(QStringLiteral("Neispravan port poslužitelja e-pošte: \"%1\"").arg(port)),
             qPrintable(msg));
    QCOMPARE(kind, ErrorKind::InvalidNumber);
}

void TestSendMail::serverWithoutTlsNeverGetsThePassword()
{
    auto srv = server(QStringLiteral("plain"));
    QVERIFY(srv->port());
    const QString msg = errorOf([&] { send(account(srv->port())); });
    QVERIFY2(msg.contains(QStringLiteral("ne nudi šifriranu vezu")), qPrintable(msg));
    QCOMPARE(srv->authAttempts().size(), 0);
    QCOMPARE(srv->messageCount(), 0);
}

void TestSendMail::untrustedCertificateIsRefused()
{
    auto srv = server(QStringLiteral("starttls"));
    QVERIFY(srv->port());
    MailAccount a = account(srv->port());
    a.caFile.clear(); // the system's authorities do not know the test certificate
    const QString msg = errorOf([&] { send(a); });
    QVERIFY2(msg.contains(QStringLiteral("certifikat")), qPrintable(msg));
    QCOMPARE(srv->authAttempts().size(), 0);
    QCOMPARE(srv->messageCount(), 0);
}

void TestSendMail::silentServerEndsInATimeOut()
{
    auto srv = server(QStringLiteral("silent"));
    QVERIFY(srv->port());
    MailAccount a = account(srv->port());
    a.timeoutMs = 1500;
    QElapsedTimer t;
    t.start();
    const QString msg = errorOf([&] { send(a); });
    QVERIFY2(msg.contains(QStringLiteral("ne odgovara")), qPrintable(msg));
    QVERIFY(t.elapsed() < 15000);
}

void TestSendMail::lineBreaksCannotAddHeaders()
{
    auto srv = server(QStringLiteral("starttls"));
    QVERIFY(srv->port());
    send(account(srv->port()), QStringLiteral("Kupac\r\nBcc: potajno@primjer.hr"),
         QStringLiteral("Ivo\nX-Injected: da"));
    const QJsonObject m = srv->message(1);
    const QJsonObject h = m[QStringLiteral("headers")].toObject();
    QVERIFY(!h.contains(QStringLiteral("Bcc")));
    QVERIFY(!h.contains(QStringLiteral("X-Injected")));
    QCOMPARE(m[QStringLiteral("rcpt_tos")].toArray().size(), 1);
    QCOMPARE(h[QStringLiteral("To")].toString(),
             QStringLiteral("\"Kupac  Bcc: potajno@primjer.hr\" <kupac@primjer.hr>"));
}

void TestSendMail::longNamesBecomeSeveralEncodedWords()
{
    const QString name = QStringLiteral("Čćžšđ ").repeated(20).trimmed();
    const QString enc = util::encodeHeaderWord(name);
    const QStringList words = enc.split(QLatin1Char(' '));
    QVERIFY(words.size() > 1);
    QByteArray decoded;
    for (const QString& w : words) {
        QVERIFY2(w.size() <= 75, qPrintable(w));
        QVERIFY(w.startsWith(QStringLiteral("=?UTF-8?B?")) && w.endsWith(QStringLiteral("?=")));
        decoded += QByteArray::fromBase64(w.mid(10, w.size() - 12).toLatin1());
    }
    QCOMPARE(QString::fromUtf8(decoded), name); // no letter cut in half
    QCOMPARE(util::encodeHeaderWord(QStringLiteral("Dostava racuna")), QStringLiteral("Dostava racuna"));
    QCOMPARE(util::mailbox(QStringLiteral("a@b.hr"), QStringLiteral("Ivo \"Mali\"")),
             QStringLiteral("\"Ivo \\\"Mali\\\"\" <a@b.hr>"));
}

QTEST_MAIN(TestSendMail)
#include "tst_sendmail.moc"
