#include "app/WindowPlacement.h"

#include "platform/FormScale.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QSettings>

namespace {

const char* kGeometry = "Window/Geometry";
const char* kZoom = "Window/Zoom";
const QSize kRoomyDesktop(1280, 800);

bool desktopIsRoomy() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return false;
    const QSize desktop = screen->size();
    return desktop.width() >= kRoomyDesktop.width() && desktop.height() >= kRoomyDesktop.height();
}

} // namespace

void WindowPlacement::show(QMainWindow& window) {
    QSettings settings;
    const QVariant zoom = settings.value(kZoom);
    FormScale::choose(zoom.isValid() ? std::optional(zoom.toDouble()) : std::nullopt);
    if (window.restoreGeometry(settings.value(kGeometry).toByteArray()))
        window.show();
    else if (desktopIsRoomy())
        window.showMaximized();
    else
        window.show();
}

void WindowPlacement::save(const QMainWindow& window) {
    QSettings settings;
    settings.setValue(kGeometry, window.saveGeometry());
    if (const auto chosen = FormScale::chosen())
        settings.setValue(kZoom, *chosen);
    else
        settings.remove(kZoom);
}
