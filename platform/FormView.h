#pragma once

#include "platform/FormBase.h"

#include <QScrollArea>
#include <functional>
#include <map>

// A screen: a form shown in a child frame, drawn at the scale its window allows and scrolling
// when larger than its window. It handles the commands of the menu and toolbar it registers;
// the others it leaves alone.
class FormView : public QScrollArea, public FormBase {
    Q_OBJECT
public:
    FormView(const FormTemplate& form, QWidget* parent = nullptr);

    // Called once, when the screen has been made and before it is shown.
    virtual void OnInitialUpdate();

    // Puts the keyboard focus on the first control in tab order, as a form does when shown.
    void focusFirstControl();

    bool handlesCommand(int command) const { return commands.count(command) != 0; }
    void runCommand(int command);

    // Whether the screen may be closed now, once it has asked about unsaved changes as its own
    // way out does; false keeps the user on it with the changes.
    virtual bool mayClose() { return true; }
    // Whether the screen holds entries not saved yet, without asking.
    virtual bool hasUnsavedChanges() const { return false; }

    // Draws the form at the scale its window allows now (after a zoom, say).
    void fitToWindow();
    // The largest scale at which the form fits its window at all.
    double largestScale() const;

protected:
    // Routes a menu or toolbar command, and the button of the same meaning, to one handler.
    void onCommand(int command, std::function<void()> handler);
    void onCommandAndClick(int command, int buttonId, std::function<void()> handler);

    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Called each time the form has been drawn anew, for a screen that fits more to it.
    virtual void laidOut() {}

private:
    QSize roomForList(QSize drawn) const;

    QWidget* page;
    std::map<int, std::function<void()>> commands;
};
