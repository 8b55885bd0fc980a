#pragma once

#include <QIcon>
#include <QPixmap>

namespace tarvel::app {

// The program's own pictures, drawn at run time.
enum class Ikona {
    Racun,
    Zaduzenja,
    Naplata,
    Pregledi,
    Opz,
    Operater,
    Kupci,
    Kraj,
    OpciPodaci,
    Cjenik,
    Posta,
    Operateri,
    Provjera,
    OProgramu,
    CisAktivan,
    CisNeaktivan,
};

QIcon ikona(Ikona which);
QPixmap slika(Ikona which, int size);
// The about window's picture and the main window's background.
QPixmap logo(const QSize& size);
void paintBackground(class QPainter& p, const QRect& area);

} // namespace tarvel::app
