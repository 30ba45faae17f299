#pragma once

// The fixed positions of the screens in the application's template list.
enum ScreenIndex {
    SCREEN_MAIN_MENU = 0,
    SCREEN_ADD_NEW = 1,
    SCREEN_FIND_ID = 2,
    SCREEN_FIND_NAME = 3,
    SCREEN_VIEW_RESULTS = 4,
    SCREEN_VIEW_REC = 5,
    SCREEN_VIEW_COMPLAINT = 6,
    SCREEN_ISSUE_PRESCRIPTION = 7,
    SCREEN_EDIT_CLINIC_INFO = 8,
    SCREEN_VITAL_CHARTS = 9,
    SCREEN_COUNT = 10,
};

// The application's title: the main window's caption and the caption of its own messages.
inline constexpr const char* kAppTitle = "Medora 1.0";
