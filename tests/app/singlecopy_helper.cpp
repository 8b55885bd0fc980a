// A small program around SingleCopy: the first copy prints "first" and, when a later copy asks,
// comes forward and prints its window state; a later copy ends with exit code 3.
#include "app/singlecopy.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    tarvel::app::SingleCopy single(QString::fromLocal8Bit(argv[1]));
    if (!single.claim())
        return 3;
    QWidget w;
    w.setWindowTitle(QStringLiteral("helper"));
    w.showMinimized();
    QObject::connect(&single, &tarvel::app::SingleCopy::activationRequested, &w, [&w] {
        tarvel::app::bringForward(&w);
        std::printf("raised minimized=%d visible=%d\n", int(w.isMinimized()), int(w.isVisible()));
        std::fflush(stdout);
        QTimer::singleShot(200, qApp, &QCoreApplication::quit);
    });
    std::printf("first\n");
    std::fflush(stdout);
    return app.exec();
}
