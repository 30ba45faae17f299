#pragma once

#include <QObject>
#include <QString>

class QWidget;

// F1 opens the help on what the user is looking at: the page of the screen shown, or of the
// dialog open over it. Every page leads back to the contents.
class ContextHelp : public QObject {
public:
    // Watches the application's keys for F1 in a dialog; the main window's own F1 comes
    // through its menu command.
    explicit ContextHelp(QWidget* mainWindow);

    // The page for a screen of the template list, and for a dialog open over it, named by
    // its caption. A dialog without a page of its own has the screen's.
    static QString pageForScreen(int screenIndex);
    static QString pageForDialog(const QString& caption, int screenIndex);

    // The screen whose frame fills the main window; SCREEN_COUNT when there is none.
    static int shownScreen();
    static void show(QWidget* owner, const QString& page);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
