#pragma once

#include <QString>

namespace tarvel::util {

// The company's outgoing mail server and account (eHOST, ePORT, eUSERNAME, ePASSWORD of OPCI).
struct MailAccount
{
    enum class Tls {
        Auto,     // implicit TLS on port 465, STARTTLS on any other port
        Implicit, // TLS from the first byte (smtps)
        StartTls, // plain connection upgraded with STARTTLS
    };

    QString host;
    QString port; // as stored: decimal digits
    QString user;
    QString password;
    Tls tls = Tls::Auto;
    QString caFile;               // further trusted certificates (PEM); empty: the system's
    int connectTimeoutMs = 15000; // enough for a server across the internet
    int timeoutMs = 120000;       // the whole exchange, so a stalled server cannot hang the program

    // From the company row (a table object positioned on OPCI, or anything with asString()).
    template <class Row> static MailAccount fromCompany(const Row& opci)
    {
        MailAccount a;
        a.host = opci.asString(QStringLiteral("eHOST")).trimmed();
        a.port = opci.asString(QStringLiteral("ePORT")).trimmed();
        a.user = opci.asString(QStringLiteral("eUSERNAME"));
        a.password = opci.asString(QStringLiteral("ePASSWORD"));
        return a;
    }
};

// Sends one message with one attachment at highest priority, asking for a read receipt to the
// sender. Blocks until the server has taken the message or a time-out ends the exchange.
//
// Transport security: the connection is encrypted whenever the server offers it; when a password
// is to be sent, encryption is required before the login (the message is not sent at all over a
// server without TLS). Certificates are always verified.
//
// Raises tarvel::TarvelError with a Croatian message: a port that is not a number, a server that
// cannot be reached, a refused login, a server without TLS, a refusal of the message.
void SendMail(const MailAccount& account, const QString& subject, const QString& messageText,
              const QString& attachmentFile, const QString& toAddress, const QString& toName,
              const QString& fromAddress, const QString& fromName);

// A header value as RFC 2047 encoded words when it holds anything but plain ASCII.
QString encodeHeaderWord(const QString& text);
// "Name <address>" for a header, the name encoded or quoted as needed.
QString mailbox(const QString& address, const QString& name);

} // namespace tarvel::util
