#include "platform/FormBuilder.h"

#include "platform/ComboBox.h"
#include "platform/DatePicker.h"
#include "platform/FieldValidator.h"
#include "platform/ListView.h"
#include "platform/MultiLineEdit.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace {

bool has(const ControlTemplate& c, unsigned style) {
    return (c.style & style) != 0;
}

QString plainCaption(const char* text) {
    return QString::fromUtf8(text).remove(u'&');
}

int averageCharWidth(const QFont& font) {
    static const QString alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    return (QFontMetrics(font).horizontalAdvance(alphabet) / 26 + 1) / 2;
}

// A label made taller than a line holds a paragraph, wrapped from the top as static text is.
QWidget* makeLabel(const ControlTemplate& c, const QString& text, QWidget* page) {
    auto* label = new QLabel(text, page);
    if (c.height >= 16 && !text.isEmpty()) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    return label;
}

QWidget* makeEdit(const ControlTemplate& c, QWidget* page) {
    auto* edit = new QLineEdit(page);
    edit->setReadOnly(has(c, Style::ReadOnly));
    if (has(c, Style::Password))
        edit->setEchoMode(QLineEdit::Password);
    edit->setValidator(new FieldValidator(edit, has(c, Style::Digits), has(c, Style::Uppercase),
                                          has(c, Style::FitWidth)));
    return edit;
}

QWidget* makeMultiEdit(const ControlTemplate& c, QWidget* page) {
    auto* edit = new MultiLineEdit(page, has(c, Style::WantReturn));
    edit->setReadOnly(has(c, Style::ReadOnly));
    edit->setLineWrapMode(has(c, Style::NoWrap) ? QPlainTextEdit::NoWrap
                                                : QPlainTextEdit::WidgetWidth);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return edit;
}

QWidget* makeCombo(const ControlTemplate& c, QWidget* page) {
    const bool editable = c.kind == ControlKind::ComboEdit;
    auto* combo = new ComboBox(page, editable, has(c, Style::Sorted), has(c, Style::Uppercase));
    if (editable)
        combo->setValidator(new FieldValidator(combo->lineEdit(), false, has(c, Style::Uppercase),
                                               has(c, Style::FitWidth)));
    QStringList items;
    for (const char* item : c.items)
        items << QString::fromUtf8(item);
    if (!items.isEmpty())
        combo->addEntries(items);
    return combo;
}

QWidget* makeControl(const ControlTemplate& c, QWidget* page) {
    const QString text = QString::fromUtf8(c.text);
    switch (c.kind) {
    case ControlKind::Label:
        return makeLabel(c, text, page);
    case ControlKind::GroupBox:
        return new QGroupBox(text, page);
    case ControlKind::PushButton:
        return new QPushButton(text, page);
    case ControlKind::RadioButton:
        return new QRadioButton(text, page);
    case ControlKind::Edit:
        return makeEdit(c, page);
    case ControlKind::MultiEdit:
        return makeMultiEdit(c, page);
    case ControlKind::DatePicker:
        return new DatePicker(page);
    case ControlKind::ComboEdit:
    case ControlKind::ComboList:
        return makeCombo(c, page);
    case ControlKind::ListBox:
        return new QListWidget(page);
    case ControlKind::ListView:
        return new ListView(page);
    case ControlKind::Panel:
        return new QWidget(page);
    }
    return nullptr;
}

// A combo box's template height includes its drop-down list; the field itself is one line.
QRect placement(const ControlTemplate& c, const QFont& font) {
    QRect r(FormBuilder::unitsToPixelsX(c.x, font), FormBuilder::unitsToPixelsY(c.y, font),
            FormBuilder::unitsToPixelsX(c.width, font), FormBuilder::unitsToPixelsY(c.height, font));
    if (c.kind == ControlKind::ComboEdit || c.kind == ControlKind::ComboList)
        r.setHeight(FormBuilder::unitsToPixelsY(12, font) + 2);
    if (c.kind == ControlKind::Label || c.kind == ControlKind::RadioButton) {
        QLabel caption(plainCaption(c.text));
        caption.setFont(font);
        const QSize hint = caption.sizeHint();
        if (c.width == 0)
            r.setWidth(hint.width() + (c.kind == ControlKind::RadioButton ? 24 : 2));
        if (c.height == 0)
            r.setHeight(FormBuilder::unitsToPixelsY(10, font));
    }
    return r;
}

void joinRadioGroup(BuiltForm& built, const ControlTemplate& c, QWidget* widget, int& groupId) {
    auto* radio = static_cast<QRadioButton*>(widget);
    if (has(c, Style::Group) || groupId == IDC_STATIC || !built.radioGroups.count(groupId)) {
        groupId = c.id;
        built.radioGroups[groupId] = new QButtonGroup(widget->parent());
    }
    QButtonGroup* group = built.radioGroups[groupId];
    group->addButton(radio, int(group->buttons().size()));
}

// Each label becomes the buddy of the control it names, which then carries its words.
void nameByLabels(const FormTemplate& form, const std::vector<QWidget*>& widgets,
                  BuiltForm& built) {
    for (size_t i = 0; i < form.controls.size(); ++i) {
        const ControlTemplate& c = form.controls[i];
        if (c.kind != ControlKind::Label || c.buddy == IDC_STATIC)
            continue;
        auto target = built.controls.find(c.buddy);
        if (target == built.controls.end())
            continue;
        static_cast<QLabel*>(widgets[i])->setBuddy(target->second);
        target->second->setAccessibleName(plainCaption(c.text));
    }
}

void setTabOrder(const std::vector<QWidget*>& focusable) {
    for (size_t i = 1; i < focusable.size(); ++i)
        QWidget::setTabOrder(focusable[i - 1], focusable[i]);
}

} // namespace

// A face of the proportions forms were drawn for: about six pixels a character across and
// thirteen down. Another sans-serif face takes its place where this one is missing.
QFont FormBuilder::formFont(double scale) {
    QFont font("Liberation Sans");
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, int(11 * scale + 1e-6)));
    return font;
}

int FormBuilder::unitsToPixelsX(int units, const QFont& font) {
    return (units * averageCharWidth(font) + 2) / 4;
}

int FormBuilder::unitsToPixelsY(int units, const QFont& font) {
    return (units * QFontMetrics(font).height() + 4) / 8;
}

BuiltForm FormBuilder::build(const FormTemplate& form, QWidget* page) {
    const QFont font = formFont();
    page->setFont(font);
    BuiltForm built;
    built.size = QSize(unitsToPixelsX(form.width, font), unitsToPixelsY(form.height, font));
    std::vector<QWidget*> widgets;
    std::vector<QWidget*> focusable;
    int groupId = IDC_STATIC;
    int anonymous = -1000;
    for (const ControlTemplate& c : form.controls) {
        QWidget* widget = makeControl(c, page);
        widgets.push_back(widget);
        widget->setGeometry(placement(c, font));
        widget->setEnabled(!has(c, Style::Disabled));
        const int id = c.id == IDC_STATIC ? anonymous-- : c.id;
        built.controls[id] = widget;
        if (c.kind == ControlKind::GroupBox)
            widget->lower();
        if (c.kind == ControlKind::RadioButton)
            joinRadioGroup(built, c, widget, groupId);
        if (c.kind == ControlKind::PushButton || c.kind == ControlKind::RadioButton)
            widget->setAccessibleName(plainCaption(c.text));
        else if (c.kind != ControlKind::Label && c.kind != ControlKind::GroupBox && *c.text)
            widget->setAccessibleName(plainCaption(c.text));
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            button->setAutoDefault(false);
            if (has(c, Style::Default))
                built.defaultButton = button;
        }
        if (c.kind != ControlKind::Label && c.kind != ControlKind::GroupBox)
            focusable.push_back(widget);
    }
    nameByLabels(form, widgets, built);
    setTabOrder(focusable);
    return built;
}
