#pragma once

#include "store/AccessTrail.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QTimer>

#include <chrono>
#include <string>
#include <functional>
#include <vector>

enum class MsgIcon;
class QLineEdit;
class QWidget;

// Locks the program after the clinic's minutes without keyboard or mouse, or when asked: every
// window is covered by "Locked" and its title hidden, so that nothing of a patient shows, and
// whatever the windows held stays as it was, unsaved entries and open dialogs included, until
// the same user types their password. Only a signed-in user's screen locks.
class LockScreen : public QObject {
public:
    struct Hooks {
        // Whether the password is the signed-in user's.
        std::function<bool(const QString& password)> passwordRight;
        // Whether a dialog is open, whose entries could not be kept aside for its user.
        std::function<bool()> dialogOpen;
        // Lets another user sign in once the locked user's screens are closed, or kept aside
        // for that user when they hold entries not yet saved.
        std::function<void()> signInAsSomeoneElse;
        // The main window's menus, toolbar and status bar, hidden while locked.
        std::function<void(bool locked)> showChrome;
    };

    LockScreen(QWidget& mainWindow, Hooks hooks);
    ~LockScreen() override;

    // Starts counting idle time anew from the clinic's setting, as a user signs in.
    void start();
    // Nobody is signed in: no lock until the next start().
    void stop();
    void lock();
    bool locked() const { return !covers.empty(); }

    // Tests shorten the idle time.
    void setIdleTime(std::chrono::milliseconds idleTime);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Cover {
        QPointer<QWidget> window;
        QString title;
        QSize size;
        QPointer<QWidget> panel;
        std::vector<QPointer<QWidget>> disabled; // children the lock disabled
    };

    void cover(QWidget* window, bool withUnlock);
    QWidget* unlockPanel(QWidget* window);
    void unlock(QLineEdit* field);
    void someoneElse(QWidget* asking);
    void uncoverAll();
    void tell(QWidget* parent, const std::string& text, const char* caption, MsgIcon icon);
    void noteAccess(QWidget* parent, Access access);

    QWidget& mainWindow;
    Hooks hooks;
    QTimer idle;
    bool running = false;
    bool answering = false;
    std::vector<Cover> covers;
    QPointer<QLineEdit> password; // where the user types, in the window that has the keyboard
};
