#include "platform/FormBase.h"

#include "platform/ComboBox.h"
#include "platform/DataExchange.h"
#include "platform/FormScale.h"
#include "platform/ListView.h"
#include "platform/MultiLineEdit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

void FormBase::buildForm(const FormTemplate& form, QWidget* formPage) {
    page = formPage;
    built = FormBuilder::build(form, page);
    for (const auto& [id, widget] : built.controls)
        baseGeometry[id] = widget->geometry();
}

void FormBase::layOut(double scale, QSize extra) {
    if (scale != drawnScale) {
        scaleIndicators(scale);
        applyFont(FormBuilder::formFont(scale));
    }
    drawnScale = scale;
    for (const auto& [id, widget] : built.controls)
        widget->setGeometry(placed(baseGeometry[id], scale, extra));
    for (const auto& [id, widget] : built.controls)
        if (auto* list = qobject_cast<ListView*>(widget))
            list->setScale(scale, id == growingList ? extra.width() : 0);
}

// Set on every control, not only the page: a control with a style sheet of its own does not
// take up its parent's font.
void FormBase::applyFont(const QFont& font) {
    page->setFont(font);
    for (const auto& [id, widget] : built.controls)
        widget->setFont(font);
}

// The style draws a radio button's mark at one size whatever the font; it grows with the form,
// as the button's text does.
void FormBase::scaleIndicators(double scale) {
    const int side = FormScale::scaled(
        QApplication::style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth), scale);
    const QString sheet =
        scale == FormScale::kSmallest
            ? QString()
            : QString("QRadioButton::indicator { width: %1px; height: %1px; }").arg(side);
    for (const auto& [id, widget] : built.controls)
        if (auto* radio = qobject_cast<QRadioButton*>(widget))
            radio->setStyleSheet(sheet);
}

// Edges are scaled rather than sizes, so controls that meet at scale 1 still meet.
QRect FormBase::placed(QRect base, double scale, QSize extra) const {
    auto edge = [scale](int pixels) { return FormScale::scaled(pixels, scale); };
    int left = edge(base.left()), top = edge(base.top());
    int right = edge(base.left() + base.width()), bottom = edge(base.top() + base.height());
    const auto list = baseGeometry.find(growingList);
    if (list != baseGeometry.end() && (extra.width() > 0 || extra.height() > 0)) {
        const QRect grows = list->second;
        if (base.contains(grows)) { // the list, or a group box around it
            right += extra.width();
            bottom += extra.height();
        } else if (base.top() >= grows.bottom()) {
            top += extra.height();
            bottom += extra.height();
            if (base.center().x() > grows.center().x()) {
                left += extra.width();
                right += extra.width();
            }
        } else if (base.left() >= grows.right()) {
            left += extra.width();
            right += extra.width();
        }
    }
    return QRect(left, top, right - left, bottom - top);
}

QWidget* FormBase::controlWidget(int id) const {
    auto found = built.controls.find(id);
    return found == built.controls.end() ? nullptr : found->second;
}

bool FormBase::UpdateData(bool saveAndValidate) {
    if (!saveAndValidate)
        ++fillDepth;
    DataExchange exchange(*this, saveAndValidate);
    DoDataExchange(exchange);
    if (!saveAndValidate)
        --fillDepth;
    return true;
}

int FormBase::radioIndex(int firstId) const {
    auto group = built.radioGroups.find(firstId);
    return group == built.radioGroups.end() ? -1 : group->second->checkedId();
}

void FormBase::setRadioIndex(int firstId, int index) {
    auto found = built.radioGroups.find(firstId);
    if (found == built.radioGroups.end())
        return;
    QButtonGroup* group = found->second;
    ++fillDepth;
    if (QAbstractButton* button = group->button(index)) {
        button->setChecked(true);
    } else if (QAbstractButton* checked = group->checkedButton()) {
        group->setExclusive(false);
        checked->setChecked(false);
        group->setExclusive(true);
    }
    --fillDepth;
}

void FormBase::onClicked(int id, std::function<void()> handler) {
    if (auto* button = control<QAbstractButton>(id))
        QObject::connect(button, &QAbstractButton::clicked, button, [handler] { handler(); });
}

void FormBase::onChanged(int id, std::function<void()> handler) {
    QWidget* widget = controlWidget(id);
    auto guarded = [this, handler] {
        if (!filling())
            handler();
    };
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        QObject::connect(edit, &QLineEdit::textChanged, edit, guarded);
    else if (auto* multi = qobject_cast<MultiLineEdit*>(widget))
        QObject::connect(multi, &QPlainTextEdit::textChanged, multi, guarded);
    else if (auto* combo = qobject_cast<ComboBox*>(widget))
        QObject::connect(combo, &QComboBox::editTextChanged, combo, guarded);
    else if (auto* picker = qobject_cast<QDateTimeEdit*>(widget))
        QObject::connect(picker, &QDateTimeEdit::dateTimeChanged, picker, guarded);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        QObject::connect(button, &QAbstractButton::clicked, button, guarded);
}

void FormBase::setControlText(int id, const QString& text) {
    ++fillDepth;
    QWidget* widget = controlWidget(id);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(text);
        button->setAccessibleName(QString(text).remove(u'&'));
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
    }
    --fillDepth;
}

void FormBase::enableControl(int id, bool enable) {
    if (QWidget* widget = controlWidget(id))
        widget->setEnabled(enable);
}
