#pragma once

#include "platform/FormTemplate.h"

#include <QFont>
#include <QSize>
#include <map>

class QButtonGroup;
class QPushButton;
class QWidget;

// The widgets made from one form template.
struct BuiltForm {
    std::map<int, QWidget*> controls;          // by control id
    std::map<int, QButtonGroup*> radioGroups;  // by the id of each group's first button
    QPushButton* defaultButton = nullptr;
    QSize size;                                // the form's size in pixels
};

// Turns a form template into widgets on a page. Dialog units become pixels through the form
// font: a quarter of its average character width across, an eighth of its height down.
class FormBuilder {
public:
    // At a larger scale the face grows with the form, rounded down so texts still fit.
    static QFont formFont(double scale = 1.0);
    static BuiltForm build(const FormTemplate& form, QWidget* page);

    static int unitsToPixelsX(int units, const QFont& font);
    static int unitsToPixelsY(int units, const QFont& font);
};
