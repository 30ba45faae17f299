#include "screens/Navigator.h"

#include <cassert>

namespace {
Navigator* current = nullptr;
}

void Navigator::returnToMainMenu(FormView& screen) {
    if (showMainMenu())
        leave(screen);
}

Navigator& Navigator::instance() {
    assert(current);
    return *current;
}

void Navigator::setInstance(Navigator* navigator) {
    current = navigator;
}
