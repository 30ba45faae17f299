#pragma once

#include "platform/FormBuilder.h"

#include <QWidget>
#include <functional>
#include <map>

class DataExchange;
class QPushButton;

// What screens and dialogs share: their controls found by id, the exchange of values between
// members and controls, button handlers, and change notifications that only user edits raise.
class FormBase {
public:
    virtual ~FormBase() = default;

    template <class T> T* control(int id) const {
        auto found = built.controls.find(id);
        return found == built.controls.end() ? nullptr : qobject_cast<T*>(found->second);
    }
    QWidget* controlWidget(int id) const;

    // true: controls into members; false: members into controls.
    bool UpdateData(bool saveAndValidate = true);
    virtual void DoDataExchange(DataExchange&) {}

    // Selected index in the radio group that starts with firstId; -1 when none.
    int radioIndex(int firstId) const;
    void setRadioIndex(int firstId, int index);

    void onClicked(int id, std::function<void()> handler);
    // Runs handler when the user changes the control; never while the program fills it.
    void onChanged(int id, std::function<void()> handler);

    void setControlText(int id, const QString& text);
    void enableControl(int id, bool enable);
    QPushButton* defaultButton() const { return built.defaultButton; }
    bool filling() const { return fillDepth > 0; }

    // The scale the form is drawn at; 1 is the size its template gives.
    double scale() const { return drawnScale; }
    // The form's size in pixels at scale 1.
    QSize formSize() const { return built.size; }

protected:
    void buildForm(const FormTemplate& form, QWidget* page);
    // Draws the form at scale. The list given by letListGrow takes extra pixels more across
    // and down; what lies below it moves down, and what lies right of its middle moves across.
    void layOut(double scale, QSize extra = {});
    void letListGrow(int listId) { growingList = listId; }
    bool hasGrowingList() const { return growingList != 0; }

private:
    void applyFont(const QFont& font);
    void scaleIndicators(double scale);
    QRect placed(QRect base, double scale, QSize extra) const;

    friend class DataExchange;
    BuiltForm built;
    QWidget* page = nullptr;
    std::map<int, QRect> baseGeometry;
    int growingList = 0;
    double drawnScale = 1.0;
    int fillDepth = 0;
};
