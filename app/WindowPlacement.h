#pragma once

class QMainWindow;

// Where the main window stood, and the zoom of the screens, when the program last closed;
// kept in the per-user settings.
class WindowPlacement {
public:
    // Shows the window as it was left. The first time it opens at 640×480, or maximised on a
    // desktop of 1280×800 or more.
    static void show(QMainWindow& window);
    static void save(const QMainWindow& window);
};
