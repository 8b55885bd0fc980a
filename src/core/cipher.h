#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace tarvel {

// Windows-1250, the code page of the receipt printer and of the enciphered certificate password.
// None when a character has no code there.
std::optional<QByteArray> toWindows1250(const QString& text);
QString fromWindows1250(const QByteArray& bytes);

// Width of OPCI.PASS_CERT.
inline constexpr int PassCertWidth = 50;

// The certificate password as OPCI.PASS_CERT keeps it: each byte XORed with the high byte of a
// running 16-bit key, then packed three bytes to four printable characters (letters, digits, '-',
// '_'). The bytes are Windows-1250, so 37 characters fit; a password with a character outside that
// code page is kept as UTF-8 behind a zero byte. A password whose enciphered text would not fit the
// column throws TarvelError (ErrorKind::InvalidField).
QString encipherPassword(const QString& password);

// The inverse; an empty text for a stored text this routine did not produce.
QString decipherPassword(const QString& stored);

} // namespace tarvel
