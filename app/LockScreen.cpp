#include "app/LockScreen.h"

#include "app/Screens.h"
#include "platform/MessageBox.h"
#include "screens/AccessNote.h"
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
    // A coarse timer may fire 5% of the interval late: half a minute of ten.
    idle.setTimerType(Qt::PreciseTimer);
    connect(&idle, &QTimer::timeout, this, [this] { lock(); });
    qApp->installEventFilter(this);
}

LockScreen::~LockScreen() {
    qApp->removeEventFilter(this);
}

// Without anyone signed in the records are not read here: at start-up the day's backup must
// find them as they were.
void LockScreen::start() {
    running = Session::user().has_value();
    if (!running) {
        idle.stop();
        return;
    }
    const int minutes =
        ClinicSettings::lockMinutes().value_or(ClinicSettings::defaultLockMinutes);
    idle.setInterval(std::chrono::minutes(minutes));
    idle.start();
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
                // A modal window takes the keyboard from the others: the password is asked
                // in it.
                if (window && locked() && isCoverable(window))
                    cover(window, window->isModal());
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
    noteAccess(typing, Access::Lock);
}

void LockScreen::cover(QWidget* window, bool withUnlock) {
    Cover made{window, window->windowTitle(), window->size(), nullptr, {}};
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
    // A small window, a message say, grows to hold the password while locked.
    if (withUnlock)
        window->resize(window->size().expandedTo(made.panel->sizeHint()));
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
    if (large.pointSizeF() > 0)
        large.setPointSizeF(large.pointSizeF() * 2);
    else
        large.setPixelSize(large.pixelSize() * 2);
    title->setFont(large);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addWidget(new QLabel(QString::fromStdString("Signed in: " + (user ? user->name : "")),
                                 panel),
                      0, Qt::AlignHCenter);
    auto* label = new QLabel("Password", panel);
    auto* field = new QLineEdit(panel);
    field->setEchoMode(QLineEdit::Password);
    field->setMaximumWidth(260);
    label->setBuddy(field);
    layout->addWidget(label, 0, Qt::AlignHCenter);
    layout->addWidget(field, 0, Qt::AlignHCenter);
    auto* unlockButton = new QPushButton("Unlock", panel);
    auto* someoneElseButton = new QPushButton("Sign in as someone else", panel);
    // Enter in the field unlocks; in a dialog it must not press a button as well.
    for (QPushButton* button : {unlockButton, someoneElseButton})
        button->setAutoDefault(false);
    layout->addWidget(unlockButton, 0, Qt::AlignHCenter);
    layout->addWidget(someoneElseButton, 0, Qt::AlignHCenter);
    layout->addStretch();
    connect(field, &QLineEdit::returnPressed, this, [this, field] { unlock(field); });
    connect(unlockButton, &QPushButton::clicked, this, [this, field] { unlock(field); });
    connect(someoneElseButton, &QPushButton::clicked, this,
            [this, window] { someoneElse(window); });
    password = field;
    field->setFocus();
    return panel;
}

void LockScreen::unlock(QLineEdit* field) {
    const QString typed = field->text();
    field->clear();
    if (!hooks.passwordRight(typed)) {
        QPointer<QLineEdit> kept(field);
        tell(field->window(), "The user name or password is not right.", "Error",
             MsgIcon::Stop);
        if (kept)
            kept->setFocus();
        return;
    }
    uncoverAll();
    hooks.showChrome(false);
    idle.start();
    noteAccess(&mainWindow, Access::Unlock);
}

// Another user never sees the locked user's entries, nor makes them lost: the screens are kept
// aside for their user, but an open dialog cannot be, so only its user can go on from it.
void LockScreen::someoneElse(QWidget* asking) {
    const auto user = Session::user();
    if (hooks.dialogOpen()) {
        const std::string name = user ? user->name : std::string("the user who locked it");
        tell(asking,
             name + " has a window open with entries that are not saved yet, so only " + name +
                 " can unlock it. Medora keeps the entries until then.",
             kAppTitle, MsgIcon::Exclamation);
        return;
    }
    uncoverAll();
    hooks.showChrome(false);
    stop();
    hooks.signInAsSomeoneElse();
}

void LockScreen::noteAccess(QWidget* parent, Access access) {
    if (!AccessTrail::enter({access, "", "", std::nullopt}))
        tell(parent, AccessNote::notEntered(), "Warning", MsgIcon::Exclamation);
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
        if (each.window) {
            each.window->setWindowTitle(each.title);
            each.window->resize(each.size);
        }
    }
    covers.clear();
    password.clear();
}
