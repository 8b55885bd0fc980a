#include "core/cipher.h"

#include "core/errors.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <iconv.h>

namespace tarvel {

namespace {

constexpr const char* CodePage = "windows-1250";

// Used only where Qt was built without ICU and knows no Windows-1250.
std::optional<QByteArray> iconvConvert(const char* to, const char* from, const QByteArray& in)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return std::nullopt;
    QByteArray out(in.size() * 4 + 4, Qt::Uninitialized);
    char* src = const_cast<char*>(in.constData());
    size_t srcLeft = size_t(in.size());
    char* dst = out.data();
    size_t dstLeft = size_t(out.size());
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (r == size_t(-1) || srcLeft != 0)
        return std::nullopt;
    out.truncate(out.size() - qsizetype(dstLeft));
    return out;
}

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

int sextet(QChar c)
{
    for (int i = 0; i < 64; ++i)
        if (c == QLatin1Char(Alphabet[i]))
            return i;
    return -1;
}

constexpr quint16 StartKey = 0x6C2B;
constexpr quint16 KeyMul = 52845;
constexpr quint16 KeyAdd = 22719;

quint16 nextKey(quint16 key, quint8 cipherByte)
{
    return quint16((quint32(cipherByte) + key) * KeyMul + KeyAdd);
}

QString pack(const QByteArray& bytes)
{
    QString out;
    for (qsizetype i = 0; i < bytes.size(); i += 3) {
        const qsizetype n = qMin<qsizetype>(3, bytes.size() - i);
        quint32 v = 0;
        for (qsizetype j = 0; j < 3; ++j)
            v = (v << 8) | (j < n ? quint8(bytes[i + j]) : 0u);
        for (qsizetype j = 0; j <= n; ++j)
            out += QLatin1Char(Alphabet[(v >> (18 - 6 * j)) & 0x3F]);
    }
    return out;
}

std::optional<QByteArray> unpack(const QString& text)
{
    if (text.size() % 4 == 1)
        return std::nullopt;
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); i += 4) {
        const qsizetype n = qMin<qsizetype>(4, text.size() - i); // characters in this group
        quint32 v = 0;
        for (qsizetype j = 0; j < 4; ++j) {
            int s = 0;
            if (j < n) {
                s = sextet(text[i + j]);
                if (s < 0)
                    return std::nullopt;
            }
            v = (v << 6) | quint32(s);
        }
        const qsizetype bytes = n - 1;
        // bits below the last whole byte must be zero, or the text was not made by pack()
        if ((v & ((1u << (24 - 8 * bytes)) - 1)) != 0)
            return std::nullopt;
        for (qsizetype j = 0; j < bytes; ++j)
            out += char((v >> (16 - 8 * j)) & 0xFF);
    }
    return out;
}

} // namespace

std::optional<QByteArray> toWindows1250(const QString& text)
{
    QStringEncoder enc(CodePage);
    if (!enc.isValid())
        return iconvConvert("WINDOWS-1250", "UTF-8", text.toUtf8());
    QByteArray out = enc.encode(text);
    if (enc.hasError())
        return std::nullopt;
    return out;
}

QString fromWindows1250(const QByteArray& bytes)
{
    QStringDecoder dec(CodePage);
    if (!dec.isValid()) {
        const std::optional<QByteArray> utf8 = iconvConvert("UTF-8", "WINDOWS-1250", bytes);
        return utf8 ? QString::fromUtf8(*utf8) : QString();
    }
    return dec.decode(bytes);
}

QString encipherPassword(const QString& password)
{
    if (password.isEmpty())
        return QString();
    QByteArray plain;
    const std::optional<QByteArray> cp = password.contains(QChar(0)) ? std::nullopt : toWindows1250(password);
    if (cp) {
        plain = *cp;
    } else {
        plain = QByteArray(1, '\0');
        plain += password.toUtf8();
    }
    QByteArray cipher(plain.size(), Qt::Uninitialized);
    quint16 key = StartKey;
    for (qsizetype i = 0; i < plain.size(); ++i) {
        const quint8 c = quint8(plain[i]) ^ quint8(key >> 8);
        cipher[i] = char(c);
        key = nextKey(key, c);
    }
    const QString packed = pack(cipher);
    if (packed.size() > PassCertWidth)
        throw TarvelError(ErrorKind::InvalidField,
                          QStringLiteral("Lozinka certifikata je preduga za spremanje."));
    return packed;
}

QString decipherPassword(const QString& stored)
{
    const std::optional<QByteArray> cipher = unpack(stored);
    if (!cipher || cipher->isEmpty())
        return QString();
    QByteArray plain(cipher->size(), Qt::Uninitialized);
    quint16 key = StartKey;
    for (qsizetype i = 0; i < cipher->size(); ++i) {
        const quint8 c = quint8(cipher->at(i));
        plain[i] = char(c ^ quint8(key >> 8));
        key = nextKey(key, c);
    }
    if (plain.at(0) != '\0')
        return fromWindows1250(plain);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(plain.mid(1));
    return utf8.hasError() ? QString() : text;
}

} // namespace tarvel
