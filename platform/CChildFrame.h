#pragma once

#include <QWidget>

class Document;
class FormView;

// The window of one screen. It always fills the main window and has no buttons of its own:
// a screen is left only through its own buttons.
class CChildFrame : public QWidget {
    Q_OBJECT
public:
    CChildFrame(Document& document, FormView* view);

    Document& document() const { return doc; }
    FormView* view() const { return formView; }

private:
    Document& doc;
    FormView* formView;
};
