#pragma once

#include <vector>

// Menus, toolbar, accelerators and command strings as tables.

struct MenuItem {
    const char* text; // null for a separator
    int command;
};

struct MenuPopup {
    const char* title;
    std::vector<MenuItem> items;
};

struct ToolbarButton {
    int command; // 0 for a separator
    const char* label;
    const char* icon; // resource path of the image
};

struct Accelerator {
    const char* keys; // in QKeySequence's portable form
    int command;
};

// The menu with the given number (128 when no screen is open, else a screen's template number).
const std::vector<MenuPopup>& menuResource(int id);
const std::vector<ToolbarButton>& toolbarResource();
const std::vector<Accelerator>& acceleratorResource();

// The string with a command's number: the status-bar prompt, a line break, the tooltip.
const char* commandString(int command);
