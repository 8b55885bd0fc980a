#pragma once

class QWidget;

namespace tarvel::app {

// Every window keeps its position, size and state between runs under QSettings("Sevrit", "Kesvan"),
// in a group named after the window's objectName ("OsnovnaForma", "DaNeForma", ...).
class WindowPlacement
{
public:
    // Returns false when nothing was stored for the window yet.
    static bool restore(QWidget* window);
    static bool restoreSize(QWidget* window); // size only; the caller places the window
    static void save(QWidget* window);
};

} // namespace tarvel::app
