#include "app/zvuk.h"

#include "core/paths.h"

#include <QApplication>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>
#include <map>

namespace tarvel::app {

namespace {

std::function<void(Zvuk, bool)> g_observer;

QString cueFile(Zvuk cue)
{
    return Paths::file(cue == Zvuk::Pitanje ? QStringLiteral("../Zvuci/pitanje.wav")
                                            : QStringLiteral("../Zvuci/msremind.wav"));
}

} // namespace

void playCue(Zvuk cue)
{
    const QFileInfo file(cueFile(cue));
    const bool playable = file.isFile() && file.isReadable() && file.size() > 44;
    if (g_observer) {
        g_observer(cue, playable);
        return;
    }
    if (!playable) {
        QApplication::beep();
        return;
    }
    // One effect per cue for the whole run; a file the backend cannot decode beeps once it says so.
    static std::map<Zvuk, QSoundEffect*> effects;
    QSoundEffect*& effect = effects[cue];
    if (!effect) {
        effect = new QSoundEffect(qApp);
        QObject::connect(effect, &QSoundEffect::statusChanged, effect, [effect] {
            if (effect->status() == QSoundEffect::Error)
                QApplication::beep();
        });
        effect->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
    }
    if (effect->status() == QSoundEffect::Error)
        QApplication::beep();
    else
        effect->play();
}

void setCueObserver(std::function<void(Zvuk, bool)> observer)
{
    g_observer = std::move(observer);
}

} // namespace tarvel::app
