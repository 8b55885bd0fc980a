#pragma once

#include "app/errorhandler.h"
#include "app/zvuk.h"
#include "core/paths.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>

// A temporary program folder and placement store for the whole test run; sound cues are recorded.
struct AppFixture
{
    QTemporaryDir dir;
    QList<tarvel::app::Zvuk> cues;

    AppFixture()
    {
        tarvel::Paths::setProgramFolder(dir.path() + QStringLiteral("/program"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           dir.path() + QStringLiteral("/settings"));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           dir.path() + QStringLiteral("/settings"));
        tarvel::app::setCueObserver([this](tarvel::app::Zvuk cue, bool) { cues << cue; });
    }
    ~AppFixture() { tarvel::app::setCueObserver({}); }
};

// Runs `action` on the modal widget once it is up (the caller then enters its exec()).
inline void whenModal(std::function<void(QWidget*)> action, int attempts = 200)
{
    QTimer::singleShot(10, [action, attempts] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            action(w);
        } else if (attempts > 0) {
            whenModal(action, attempts - 1);
        }
    });
}

// QTEST_MAIN with the program's application object, so errors thrown in event handlers reach the
// central error handler as in the program.
#define TARVEL_TEST_MAIN(TestClass)                                                                          \
    int main(int argc, char** argv)                                                                          \
    {                                                                                                        \
        tarvel::app::TarvelApplication app(argc, argv);                                                      \
        QApplication::setApplicationDisplayName(QStringLiteral("OPZ-STAT-1 evidencija računa"));             \
        TestClass t;                                                                                         \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&t, argc, argv);                                                                 \
    }
