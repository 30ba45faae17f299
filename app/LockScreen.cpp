#include "app/LockScreen.h"

#include "app/Screens.h"
#include "platform/MessageBox.h"
#include "store/ClinicSettings.h"
#include "store/Session.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr const char* kLocked = "Locked";

bool isUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        return true;
    default:
        return false;
    }
}

// A window worth covering: shown, and neither a tooltip nor a popup menu.
bool isCoverable(QWidget* window) {
    return window->isWindow() && window->isVisible() &&
           !(window->windowType() == Qt::ToolTip || window->windowType() == Qt::Popup);
}

} // namespace

LockScreen::LockScreen(QWidget& mainWindow, Hooks hooks)
    : QObject(&mainWindow), mainWindow(mainWindow), hooks(std::move(hooks)) {
    idle.setSingleShot(true);
    connect(&idle, &QTimer::timeout, this, [this] { lock(); });
    qApp->installEventFilter(this);
}

LockScreen::~LockScreen() {
    qApp->removeEventFilter(this);
}

void LockScreen::start() {
    running = Session::user().has_value();
    const int minutes =
        ClinicSettings::lockMinutes().value_or(ClinicSettings::defaultLockMinutes);
    idle.setInterval(std::chrono::minutes(minutes));
    if (running)
        idle.start();
    else
        idle.stop();
}

void LockScreen::stop() {
    running = false;
    idle.stop();
}

void LockScreen::setIdleTime(std::chrono::milliseconds idleTime) {
    idle.setInterval(idleTime);
    if (running && !locked())
        idle.start();
}

bool LockScreen::eventFilter(QObject* watched, QEvent* event) {
    if (locked()) {
        // A window that opens while locked (a message of the daily backup, say) is covered too.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && widget && widget->isWindow() &&
            std::none_of(covers.begin(), covers.end(),
                         [&](const Cover& each) { return each.window == widget; }) &&
            !answering)
            QTimer::singleShot(0, this, [this, window = QPointer<QWidget>(widget)] {
                if (window && locked() && isCoverable(window))
                    cover(window, false);
            });
        if (event->type() == QEvent::Resize && widget)
            for (const Cover& each : covers)
                if (each.window == widget && each.panel)
                    each.panel->setGeometry(widget->rect());
    } else if (running && isUserInput(event->type())) {
        idle.start();
    }
    return QObject::eventFilter(watched, event);
}

// The password is asked for in the window the user can type in: the open modal dialog if there
// is one, else the main window.
void LockScreen::lock() {
    if (locked() || !running)
        return;
    idle.stop();
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    QWidget* typing = QApplication::activeModalWidget();
    if (!typing)
        typing = &mainWindow;
    hooks.showChrome(true);
    for (QWidget* window : QApplication::topLevelWidgets())
        if (isCoverable(window))
            cover(window, window == typing);
    if (password) {
        typing->activateWindow();
        password->setFocus();
    }
}

void LockScreen::cover(QWidget* window, bool withUnlock) {
    Cover made{window, window->windowTitle(), nullptr, {}};
    for (QObject* child : window->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && !widget->isWindow() && widget->isEnabled()) {
            widget->setEnabled(false);
            made.disabled.emplace_back(widget);
        }
    }
    made.panel = withUnlock ? unlockPanel(window) : new QLabel(kLocked, window);
    if (auto* label = qobject_cast<QLabel*>(made.panel.data()))
        label->setAlignment(Qt::AlignCenter);
    made.panel->setAutoFillBackground(true);
    made.panel->setGeometry(window->rect());
    made.panel->show();
    made.panel->raise();
    window->setWindowTitle(QString(kAppTitle) + " - " + kLocked);
    covers.push_back(std::move(made));
}

QWidget* LockScreen::unlockPanel(QWidget* window) {
    const auto user = Session::user();
    auto* panel = new QWidget(window);
    auto* layout = new QVBoxLayout(panel);
    layout->addStretch();
    auto* title = new QLabel(kLocked, panel);
    QFont large = title->font();
    large.setPointSizeF(large.pointSizeF() * 2);
    title->setFont(large);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addWidget(new QLabel(QString::fromStdString("Signed in: " + (user ? user->name : "")),
                                 panel),
                      0, Qt::AlignHCenter);
    auto* label = new QLabel("Password", panel);
    password = new QLineEdit(panel);
    password->setEchoMode(QLineEdit::Password);
    password->setMaximumWidth(260);
    label->setBuddy(password);
    layout->addWidget(label, 0, Qt::AlignHCenter);
    layout->addWidget(password, 0, Qt::AlignHCenter);
    auto* unlockButton = new QPushButton("Unlock", panel);
    auto* someoneElseButton = new QPushButton("Sign in as someone else", panel);
    unlockButton->setDefault(true);
    layout->addWidget(unlockButton, 0, Qt::AlignHCenter);
    layout->addWidget(someoneElseButton, 0, Qt::AlignHCenter);
    layout->addStretch();
    connect(password, &QLineEdit::returnPressed, this, [this] { unlock(); });
    connect(unlockButton, &QPushButton::clicked, this, [this] { unlock(); });
    connect(someoneElseButton, &QPushButton::clicked, this, [this] { someoneElse(); });
    return panel;
}

void LockScreen::unlock() {
    if (!password)
        return;
    const QString typed = password->text();
    password->clear();
    if (!hooks.passwordRight(typed)) {
        tell(password->window(), "The user name or password is not right.", "Error",
             MsgIcon::Stop);
        if (password)
            password->setFocus();
        return;
    }
    uncoverAll();
    hooks.showChrome(false);
    idle.start();
}

// Another user never sees the locked user's entries, nor makes them lost: while there are any,
// only the locked user can go on.
void LockScreen::someoneElse() {
    const auto user = Session::user();
    if (hooks.unsavedEntries()) {
        const std::string name = user ? user->name : std::string("the user who locked it");
        tell(password ? password->window() : &mainWindow,
             name + " has entries on this desk that are not saved yet, so only " + name +
                 " can unlock it. Medora keeps the entries until then.",
             kAppTitle, MsgIcon::Exclamation);
        return;
    }
    uncoverAll();
    hooks.showChrome(false);
    stop();
    hooks.signInAsSomeoneElse();
}

// The lock's own messages are not covered: they say nothing of a patient.
void LockScreen::tell(QWidget* parent, const std::string& text, const char* caption,
                      MsgIcon icon) {
    answering = true;
    MessageBox(parent, text, caption, icon);
    answering = false;
}

void LockScreen::uncoverAll() {
    for (Cover& each : covers) {
        if (each.panel)
            each.panel->deleteLater();
        for (const QPointer<QWidget>& widget : each.disabled)
            if (widget)
                widget->setEnabled(true);
        if (each.window)
            each.window->setWindowTitle(each.title);
    }
    covers.clear();
    password.clear();
}
