#pragma once

#include <QString>
#include <stdexcept>

namespace tarvel {

// The kinds of failure the central error handler knows; each maps to one fixed Croatian message.
// Anything else travels as ErrorKind::Other and is shown with its own text.
enum class ErrorKind {
    NoDataForDisplay, // a value could not be converted for display
    InvalidField,     // a field value the store or the column rejects (too long, wrong type)
    InvalidInput,     // an input control's validation refused the typed text
    InvalidDate,
    InvalidNumber,
    RecordLocked, // another workstation holds the row
    TableBusy,    // another workstation holds the table / the database file
    Other,
};

class TarvelError : public std::runtime_error
{
public:
    TarvelError(ErrorKind kind, const QString& message)
        : std::runtime_error(message.toStdString()), m_kind(kind), m_message(message)
    {
    }
    ErrorKind kind() const noexcept { return m_kind; }
    const QString& message() const noexcept { return m_message; }

private:
    ErrorKind m_kind;
    QString m_message;
};

} // namespace tarvel
