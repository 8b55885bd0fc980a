#pragma once

#include "core/errors.h"

#include <QApplication>
#include <exception>

namespace tarvel::app {

// What the central error handler shows for an error: one of the fixed Croatian messages (OK-only
// "Poruka"), or the error's own text in the standard error box.
struct ErrorMessage
{
    bool standardBox = false;
    QString text;
    bool operator==(const ErrorMessage&) const = default;
};

// The kind decides; errors of kind Other are still recognised by the platform's texts (conversion,
// field, input, date, number, lock, busy) as the fixed table gives them.
ErrorMessage errorMessage(ErrorKind kind, const QString& text);
ErrorMessage errorMessage(const std::exception& e);

// The central handler: plays the question cue, shows the message over the active window and sets the
// mouse cursor back to the arrow. It never throws.
void handleError(const std::exception& e);
void handleUnknownError();

// The application object: every error that leaves an event handler ends in handleError, and the
// program goes on with the screen where it arose.
class TarvelApplication : public QApplication
{
    Q_OBJECT
public:
    TarvelApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace tarvel::app
