#include "util/sendmail.h"

#include "core/clock.h"
#include "core/errors.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace tarvel::util {

namespace {

[[noreturn]] void fail(const QString& message, ErrorKind kind = ErrorKind::Other)
{
    throw TarvelError(kind, message);
}

// Header values never carry line breaks: a name or subject with one could add headers of its own.
QString oneLine(QString s)
{
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s.trimmed();
}

bool plainAscii(const QString& s)
{
    for (QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    return true;
}

bool validAddress(const QString& a)
{
    static const QRegularExpression re(
        QStringLiteral("^[^\\s<>()\\[\\]\\\\,;:\"@]+@[^\\s<>()\\[\\]\\\\,;:\"@]+$"));
    return re.match(a).hasMatch();
}

void globalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlDeleter
{
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
    void operator()(curl_mime* m) const { curl_mime_free(m); }
};

void append(std::unique_ptr<curl_slist, CurlDeleter>& list, const QString& line)
{
    curl_slist* l = curl_slist_append(list.get(), line.toUtf8().constData());
    if (!l)
        fail(QStringLiteral("Slanje e-pošte nije uspjelo: nema dovoljno memorije."));
    list.release();
    list.reset(l);
}

QString rfc2822Date(const QDateTime& t)
{
    const QLocale c = QLocale::c();
    const int offset = t.offsetFromUtc() / 60;
    const QString zone = QStringLiteral("%1%2%3")
                             .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                             .arg(std::abs(offset) / 60, 2, 10, QLatin1Char('0'))
                             .arg(std::abs(offset) % 60, 2, 10, QLatin1Char('0'));
    return c.toString(t, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss ")) + zone;
}

} // namespace

QString encodeHeaderWord(const QString& text)
{
    if (plainAscii(text))
        return text;
    // Encoded words of at most 75 characters, cut between whole characters.
    QStringList words;
    QByteArray chunk;
    auto flush = [&] {
        if (!chunk.isEmpty())
            words << QStringLiteral("=?UTF-8?B?") + QString::fromLatin1(chunk.toBase64()) +
                         QStringLiteral("?=");
        chunk.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray bytes = text.mid(i, n).toUtf8();
        i += n - 1;
        if ((chunk.size() + bytes.size() + 2) / 3 * 4 > 75 - 12)
            flush();
        chunk += bytes;
    }
    flush();
    return words.join(QLatin1Char(' '));
}

QString mailbox(const QString& address, const QString& name)
{
    const QString n = oneLine(name);
    if (n.isEmpty())
        return QLatin1Char('<') + address + QLatin1Char('>');
    QString shown;
    if (plainAscii(n)) {
        QString q = n;
        q.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        q.replace(QLatin1Char('"'), QStringLiteral("\\\""));
        shown = QLatin1Char('"') + q + QLatin1Char('"');
    } else {
        shown = encodeHeaderWord(n);
    }
    return shown + QStringLiteral(" <") + address + QLatin1Char('>');
}

void SendMail(const MailAccount& account, const QString& subject, const QString& messageText,
              const QString& attachmentFile, const QString& toAddress, const QString& toName,
              const QString& fromAddress, const QString& fromName)
{
    const QString host = account.host.trimmed();
    const QString portText = account.port.trimmed();
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    const int port = digits.match(portText).hasMatch() ? portText.toInt() : 0;
    if (port < 1 || port > 65535)
        fail(QStringLiteral("Neispravan port poslužitelja e-pošte: \"%1\". Upišite broj porta (npr. 587).")
                 .arg(account.port),
             ErrorKind::InvalidNumber);
    if (host.isEmpty() || host.contains(QRegularExpression(QStringLiteral("[\\s/@?#]"))))
        fail(QStringLiteral("Neispravan poslužitelj e-pošte: \"%1\".").arg(account.host));
    const QString to = toAddress.trimmed(), from = fromAddress.trimmed();
    if (!validAddress(to))
        fail(QStringLiteral("Neispravna adresa primatelja e-pošte: \"%1\".").arg(toAddress));
    if (!validAddress(from))
        fail(QStringLiteral("Neispravna adresa pošiljatelja e-pošte: \"%1\".").arg(fromAddress));

    QFile file(attachmentFile);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("Privitak %1 nije moguće pročitati: %2").arg(attachmentFile, file.errorString()));
    const QByteArray attachment = file.readAll();
    file.close();
    const QString fileName = QFileInfo(attachmentFile).fileName();

    globalInit();
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl)
        fail(QStringLiteral("Slanje e-pošte nije uspjelo: biblioteka za slanje nije pokrenuta."));
    CURL* c = curl.get();

    const bool implicitTls =
        account.tls == MailAccount::Tls::Implicit || (account.tls == MailAccount::Tls::Auto && port == 465);
    const QString urlHost =
        host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    const QByteArray url = QStringLiteral("%1://%2:%3")
                               .arg(implicitTls ? QStringLiteral("smtps") : QStringLiteral("smtp"), urlHost)
                               .arg(port)
                               .toUtf8();
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, long(account.connectTimeoutMs));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, long(account.timeoutMs));
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                     long(std::max(1, std::min(60, account.timeoutMs / 1000))));
    char errorBuffer[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);

    // A password never crosses the network in clear: with a login TLS is a must, without one it is
    // used whenever the server offers it.
    const bool login = !account.user.isEmpty() || !account.password.isEmpty();
    if (!implicitTls)
        curl_easy_setopt(c, CURLOPT_USE_SSL, long(login ? CURLUSESSL_ALL : CURLUSESSL_TRY));
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    const QByteArray caFile = account.caFile.toLocal8Bit();
    if (!caFile.isEmpty())
        curl_easy_setopt(c, CURLOPT_CAINFO, caFile.constData());
    const QByteArray user = account.user.toUtf8(), password = account.password.toUtf8();
    if (login) {
        curl_easy_setopt(c, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, password.constData());
    }

    const QByteArray mailFrom = (QLatin1Char('<') + from + QLatin1Char('>')).toUtf8();
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, mailFrom.constData());
    std::unique_ptr<curl_slist, CurlDeleter> rcpt;
    append(rcpt, QLatin1Char('<') + to + QLatin1Char('>'));
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, rcpt.get());

    const QDateTime now = Clock::now();
    std::unique_ptr<curl_slist, CurlDeleter> headers;
    append(headers, QStringLiteral("Date: ") + rfc2822Date(now));
    append(headers, QStringLiteral("From: ") + mailbox(from, fromName));
    append(headers, QStringLiteral("To: ") + mailbox(to, toName));
    append(headers, QStringLiteral("Subject: ") + encodeHeaderWord(oneLine(subject)));
    append(headers, QStringLiteral("Message-ID: <%1.%2@%3>")
                        .arg(now.toMSecsSinceEpoch())
                        .arg(QRandomGenerator::global()->generate64(), 0, 16)
                        .arg(from.section(QLatin1Char('@'), 1)));
    append(headers, QStringLiteral("X-Priority: 1 (Highest)"));
    append(headers, QStringLiteral("X-MSMail-Priority: High"));
    append(headers, QStringLiteral("Importance: High"));
    append(headers, QStringLiteral("Priority: urgent"));
    append(headers, QStringLiteral("Disposition-Notification-To: ") + mailbox(from, fromName));
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());

    std::unique_ptr<curl_mime, CurlDeleter> mime(curl_mime_init(c));
    const QByteArray body = messageText.toUtf8();
    curl_mimepart* part = curl_mime_addpart(mime.get());
    curl_mime_data(part, body.constData(), size_t(body.size()));
    curl_mime_type(part, "text/plain; charset=UTF-8");
    curl_mime_encoder(part, "quoted-printable");
    part = curl_mime_addpart(mime.get());
    curl_mime_data(part, attachment.constData(), size_t(attachment.size()));
    const QByteArray name = oneLine(fileName).toUtf8();
    curl_mime_filename(part, name.constData());
    curl_mime_type(part, fileName.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)
                             ? "application/pdf"
                             : "application/octet-stream");
    curl_mime_encoder(part, "base64");
    curl_easy_setopt(c, CURLOPT_MIMEPOST, mime.get());

    const CURLcode rc = curl_easy_perform(c);
    if (rc == CURLE_OK)
        return;
    long reply = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &reply);
    const QString where = QStringLiteral("%1:%2").arg(host).arg(port);
    const QString detail = QString::fromUtf8(errorBuffer[0] ? errorBuffer : curl_easy_strerror(rc));
    switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
        fail(QStringLiteral("Poslužitelj e-pošte %1 nije pronađen.").arg(host));
    case CURLE_COULDNT_CONNECT:
        fail(QStringLiteral("Nije moguće spojiti se na poslužitelj e-pošte %1.").arg(where));
    case CURLE_OPERATION_TIMEDOUT:
        fail(QStringLiteral("Poslužitelj e-pošte %1 ne odgovara (isteklo je vrijeme čekanja).").arg(where));
    case CURLE_LOGIN_DENIED:
        fail(QStringLiteral("Poslužitelj e-pošte %1 odbio je prijavu. Provjerite korisničko ime i lozinku.")
                 .arg(where));
    case CURLE_USE_SSL_FAILED:
        fail(QStringLiteral(
                 "Poslužitelj e-pošte %1 ne nudi šifriranu vezu (TLS); lozinka i poruka nisu poslane.")
                 .arg(where));
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
        fail(QStringLiteral("Šifrirana veza s poslužiteljem e-pošte %1 nije uspostavljena "
                            "(certifikat poslužitelja nije provjeren): %2")
                 .arg(where, detail));
    default:
        break;
    }
    if (reply >= 400)
        fail(QStringLiteral("Poslužitelj e-pošte %1 odbio je poruku (odgovor %2): %3")
                 .arg(where)
                 .arg(reply)
                 .arg(detail));
    fail(QStringLiteral("Slanje e-pošte preko poslužitelja %1 nije uspjelo: %2").arg(where, detail));
}

} // namespace tarvel::util
