#include "GuiSession.h"

#include "app/AutoBackup.h"
#include "app/SignInDialog.h"
#include "platform/Dialog.h"
#include "platform/CChildFrame.h"
#include "platform/DocTemplate.h"
#include "store/AccessWriter.h"
#include "store/Engine.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>

GuiSession::GuiSession()
    : previousDir(QDir::currentPath()), records(std::make_unique<TestRecords>(dir.path())) {
    start();
}

GuiSession::GuiSession(std::function<void(ScriptedResponder&, const QString&)> script)
    : previousDir(QDir::currentPath()), previousRecords(Engine::recordsFile()) {
    qunsetenv("MEDORA_DATABASE");
    script(responder, dir.path());
    start();
}

void GuiSession::start() {
    QStandardPaths::setTestModeEnabled(true);
    // Each session keeps its settings in its own folder, so test programs running side by
    // side never see each other's recent files.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    qputenv("MEDORA_SUPPLIED_DB", MEDORA_EMPTY_DB);
    QDir::setCurrent(dir.path());
    app = std::make_unique<CKLApp>();
    // On the server every start asks who is there: the login the test records name signs in,
    // unless the test answers the window itself first.
    std::unique_ptr<QTimer> signIn;
    if (TestRecords::onServer()) {
        signIn = std::make_unique<QTimer>();
        signIn->setInterval(10);
        QObject::connect(signIn.get(), &QTimer::timeout, [] {
            if (auto* dialog = dynamic_cast<SignInDialog*>(QApplication::activeModalWidget()))
                click(*dialog, IDOK);
        });
        signIn->start();
    }
    if (!app->InitInstance())
        qFatal("the application did not start");
    signIn.reset();
    waitForBackup();
}

void GuiSession::restart(const std::function<void()>& whileClosed) {
    app->mainFrame()->close();
    app.reset();
    settle();
    if (whileClosed)
        whileClosed();
    start();
}

void GuiSession::waitForBackup() {
    frame().autoBackup().wait();
    settle();
}

GuiSession::~GuiSession() {
    app.reset();
    settle();
    records.reset();
    QDir::setCurrent(previousDir);
    Engine::setRecordsFile(previousRecords);
}

void GuiSession::settle() {
    AccessWriter::drain();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

QAction* GuiSession::menuEntry(const QString& popup, const QString& text) const {
    for (QAction* entry : frame().menuBar()->actions())
        if (entry->text() == popup)
            for (QAction* item : entry->menu()->actions())
                if (item->text() == text)
                    return item;
    return nullptr;
}

QString GuiSession::activeTitle() const {
    FormView* view = activeView();
    return view ? static_cast<CChildFrame*>(view->parentWidget())->windowTitle() : QString();
}

int GuiSession::openCount(int screenIndex) {
    return int(CKLApp::instance().templates()[screenIndex]->documents().size());
}

void GuiSession::click(FormBase& form, int buttonId) {
    auto* button = form.control<QAbstractButton>(buttonId);
    if (!button)
        qFatal("no button %d on this form", buttonId);
    QTest::mouseClick(button, Qt::LeftButton);
    settle();
}

void GuiSession::type(FormBase& form, int controlId, const QString& text) {
    QWidget* widget = form.controlWidget(controlId);
    if (!widget)
        qFatal("no control %d on this form", controlId);
    widget->setFocus();
    QTest::keyClicks(widget->focusProxy() ? widget->focusProxy() : widget, text);
}

void GuiSession::key(FormBase& form, int controlId, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QWidget* widget = form.controlWidget(controlId);
    if (!widget)
        qFatal("no control %d on this form", controlId);
    widget->setFocus();
    QTest::keyClick(widget->focusProxy() ? widget->focusProxy() : widget, key, modifiers);
}

void GuiSession::whenModal(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(10);
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act, tries] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && ++*tries < 300)
            return;
        poll->stop();
        poll->deleteLater();
        if (modal)
            act(modal);
    });
    poll->start();
}
