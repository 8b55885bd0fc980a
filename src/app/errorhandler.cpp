#include "app/errorhandler.h"

#include "app/poruka.h"
#include "app/zvuk.h"

#include <QRegularExpression>

namespace tarvel::app {

namespace {

const QString NoData = QStringLiteral("Nema podataka za prikaz ! Provjerite zadani period ili filter. ");
const QString BadField = QStringLiteral("Neispravan podatak (unos ili baza)...");
const QString BadInput = QStringLiteral("Nepravilno upisan podatak. Molim ispravite unos");
const QString BadDate = QStringLiteral("Neispravno upisan datum. Molim ispravite unos");
const QString BadNumber = QStringLiteral("Neispravno upisan podatak. Molim ispravite unos");
const QString Busy = QStringLiteral("Podatak zauzet od drugog korisnika. Pokušajte kasnije.");

ErrorMessage fixed(const QString& text)
{
    return {false, text};
}

// "'<value>' is not a valid date" and "'<value>' is not a valid floating point value". The table's
// fixed positions only fit a ten-character date and a one-character number; any quoted value counts.
bool conversionText(const QString& text, const QString& what)
{
    const QRegularExpression re(QStringLiteral("^'[^']*' is not a valid ") + what);
    return re.match(text).hasMatch();
}

} // namespace

ErrorMessage errorMessage(ErrorKind kind, const QString& text)
{
    switch (kind) {
    case ErrorKind::NoDataForDisplay:
        return fixed(NoData);
    case ErrorKind::InvalidField:
        return fixed(BadField + text);
    case ErrorKind::InvalidInput:
        return fixed(BadInput);
    case ErrorKind::InvalidDate:
        return fixed(BadDate);
    case ErrorKind::InvalidNumber:
        return fixed(BadNumber);
    case ErrorKind::RecordLocked:
    case ErrorKind::TableBusy:
        return fixed(Busy);
    case ErrorKind::Other:
        break;
    }
    if (text.startsWith(QLatin1String("Translate")))
        return fixed(NoData);
    if (text.startsWith(QLatin1String("Field")))
        return fixed(BadField + text);
    if (text == QLatin1String("Invalid input value.  Use escape key to abandon changes"))
        return fixed(BadInput);
    if (text.mid(13, 19) == QLatin1String("is not a valid date") ||
        conversionText(text, QStringLiteral("date")))
        return fixed(BadDate);
    if (text.mid(4, 23) == QLatin1String("is not a valid floating") ||
        conversionText(text, QStringLiteral("floating")))
        return fixed(BadNumber);
    if (text.startsWith(QLatin1String("Record lock")) || text.startsWith(QLatin1String("Table is busy")))
        return fixed(Busy);
    return {true, text};
}

ErrorMessage errorMessage(const std::exception& e)
{
    if (const auto* t = dynamic_cast<const TarvelError*>(&e))
        return errorMessage(t->kind(), t->message());
    return errorMessage(ErrorKind::Other, QString::fromLocal8Bit(e.what()));
}

namespace {

void show(const ErrorMessage& m)
{
    try {
        playCue(Zvuk::Pitanje);
        QWidget* owner = QApplication::activeModalWidget();
        if (!owner)
            owner = QApplication::activeWindow();
        if (m.standardBox)
            Poruka::error(owner, m.text);
        else
            Poruka::inform(owner, m.text);
    } catch (...) {
        qWarning("Error while showing an error: %s", qPrintable(m.text));
    }
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

} // namespace

void handleError(const std::exception& e)
{
    show(errorMessage(e));
}

void handleUnknownError()
{
    show({true, QStringLiteral("Nepoznata greška.")});
}

TarvelApplication::TarvelApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TarvelApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        handleError(e);
    } catch (...) {
        handleUnknownError();
    }
    return false;
}

} // namespace tarvel::app
