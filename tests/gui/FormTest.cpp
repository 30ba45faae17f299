// Forms built from templates: names, tab order, limits, data exchange and the message seam.

#include "GuiSession.h"

#include "platform/ComboBox.h"
#include "platform/DataExchange.h"
#include "platform/Dialog.h"
#include "platform/FieldValidator.h"
#include "platform/FormBuilder.h"
#include "platform/FormScale.h"
#include "platform/MultiLineEdit.h"
#include "res/Forms.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyleOption>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <map>

namespace {

enum { NAME = 10, CODE = 11, NOTES = 12, MALE = 13, FEMALE = 14, WHEN = 15, DRUG = 16, SAVE = 17 };

using K = ControlKind;

const FormTemplate kSampleForm = {
    900, 200, 120, "Sample",
    {
        {K::Label, IDC_STATIC, 7, 9, 40, 8, "First Name *", Style::None, NAME},
        {K::Edit, NAME, 50, 7, 80, 12},
        {K::Label, IDC_STATIC, 7, 25, 40, 8, "Code", Style::None, CODE},
        {K::Edit, CODE, 50, 23, 30, 12, "", Style::Digits},
        {K::MultiEdit, NOTES, 50, 39, 100, 24, "Notes box", Style::WantReturn},
        {K::RadioButton, MALE, 7, 70, 40, 10, "Male", Style::Group},
        {K::RadioButton, FEMALE, 50, 70, 40, 10, "Female"},
        {K::DatePicker, WHEN, 100, 70, 60, 12, "Date"},
        {K::ComboEdit, DRUG, 7, 86, 60, 50, "Drug", Style::Uppercase | Style::FitWidth | Style::Sorted,
         IDC_STATIC, {"zinc", "aspirin"}},
        {K::PushButton, SAVE, 7, 102, 50, 14, "&Save", Style::Default},
    },
};

class SampleDialog : public Dialog {
public:
    SampleDialog() : Dialog(kSampleForm) {
        onChanged(NAME, [this] { ++userChanges; });
        onChanged(MALE, [this] { ++userChanges; });
    }
    void DoDataExchange(DataExchange& dx) override {
        dx.text(NAME, name, 5);
        dx.text(CODE, code, 3);
        dx.text(NOTES, notes, 10);
        dx.radio(MALE, gender);
        dx.date(WHEN, when);
    }
    std::string name, code, notes;
    int gender = -1;
    DateTime when = DateTime::fromCivil(2026, 12, 7, 9, 30);
    int userChanges = 0;
};

enum { FIELD = 20, PICK = 21, REMARKS = 22 };

// One single-line field, one editable combo box and one multi-line field, 50 characters each.
const FormTemplate kTextForm = {
    901, 200, 100, "Texts",
    {
        {K::Edit, FIELD, 7, 7, 180, 12, "Field"},
        {K::ComboEdit, PICK, 7, 23, 180, 50, "Pick"},
        {K::MultiEdit, REMARKS, 7, 39, 180, 40, "Remarks", Style::WantReturn},
    },
};

class TextDialog : public Dialog {
public:
    TextDialog() : Dialog(kTextForm) {}
    void DoDataExchange(DataExchange& dx) override {
        dx.text(FIELD, values[FIELD], 50);
        dx.text(PICK, values[PICK], 50);
        dx.text(REMARKS, values[REMARKS], 50);
    }
    std::map<int, std::string> values;
};

// The widget that takes the keys of a control: an editable combo box's field.
QWidget* keyTarget(FormBase& form, int id) {
    if (auto* combo = form.control<ComboBox>(id))
        return combo->lineEdit();
    return form.controlWidget(id);
}

// Types text one character (code point) at a time, as a keyboard or input method sends it.
void typeChars(QWidget* widget, const QString& text) {
    for (char32_t c : text.toUcs4())
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString::fromUcs4(&c, 1),
                            Qt::NoModifier);
}

QString letters(int count) {
    return QString(count, u'a');
}

void textRow(const char* name, int field, const char* how, const QString& arriving,
             const QString& stored) {
    QTest::newRow(name) << field << QString(how) << arriving << stored;
}

// A form drawn at a zoom scale, as a dialog over a zoomed screen is.
class ZoomedForm : public Dialog {
public:
    ZoomedForm(const FormTemplate& form, double scale) : Dialog(form) {
        layOut(scale);
        setFixedSize(FormScale::scaled(formSize().width(), scale),
                     FormScale::scaled(formSize().height(), scale));
    }
};

QString describe(const QWidget* w) {
    QString text = w->accessibleName();
    if (auto* label = qobject_cast<const QLabel*>(w))
        text = label->text();
    else if (auto* box = qobject_cast<const QGroupBox*>(w))
        text = box->title();
    return QString("%1 \"%2\"").arg(w->metaObject()->className(), text);
}

bool labelFits(QLabel* label) {
    const QFontMetrics fm = label->fontMetrics();
    if (label->wordWrap())
        return label->heightForWidth(label->width()) <= label->height();
    const QRect room = label->contentsRect();
    return fm.horizontalAdvance(label->text()) <= room.width() && fm.height() <= room.height();
}

bool buttonFits(QAbstractButton* button) {
    const QFontMetrics fm = button->fontMetrics();
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const auto room = qobject_cast<QRadioButton*>(button) ? QStyle::SE_RadioButtonContents
                                                          : QStyle::SE_PushButtonContents;
    const QRect rect = button->style()->subElementRect(room, &option, button);
    return fm.horizontalAdvance(button->text()) <= rect.width() && fm.height() <= rect.height();
}

bool captionFits(QGroupBox* box) {
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    const QRect caption =
        box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
    return box->rect().contains(caption) &&
           box->fontMetrics().horizontalAdvance(box->title()) <= caption.width();
}

// Two lines show whole, descenders and all.
bool showsTwoLines(MultiLineEdit* edit) {
    edit->setPlainText("Hg\nHg");
    const QTextCursor secondLine(edit->document()->findBlockByNumber(1));
    return edit->cursorRect(secondLine).bottom() < edit->viewport()->height();
}

bool comboFits(QComboBox* combo) {
    const QFontMetrics fm = combo->fontMetrics();
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    for (int i = 0; i < combo->count(); ++i)
        if (fm.horizontalAdvance(combo->itemText(i)) > field.width())
            return false;
    return fm.height() <= field.height();
}

// A line of text within the frame and the one-pixel margins of a line edit.
bool lineFits(QWidget* field) {
    const int frame = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, field);
    return field->fontMetrics().height() + 2 * (frame + 1) <= field->height();
}

bool textFits(QWidget* w) {
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text().isEmpty() || labelFits(label);
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return buttonFits(button);
    if (auto* box = qobject_cast<QGroupBox*>(w))
        return captionFits(box);
    if (auto* edit = qobject_cast<MultiLineEdit*>(w))
        return showsTwoLines(edit);
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return comboFits(combo);
    if (qobject_cast<QDateTimeEdit*>(w))
        return w->width() >= w->sizeHint().width() && lineFits(w);
    if (qobject_cast<QLineEdit*>(w))
        return lineFits(w);
    return true;
}

// A control inside a group box keeps a pixel clear of its frame and its caption.
bool clearInside(QGroupBox* box, QWidget* w) {
    const QRect inside = box->contentsRect().translated(box->pos()).adjusted(1, 1, -1, -1);
    return inside.contains(w->geometry());
}

// Controls touch when they share a pixel or lie side by side with none between them.
bool touch(QWidget* a, QWidget* b) {
    if (!a->geometry().adjusted(-1, -1, 1, 1).intersects(b->geometry()))
        return false;
    auto* boxA = qobject_cast<QGroupBox*>(a);
    auto* boxB = qobject_cast<QGroupBox*>(b);
    if (boxA && !boxB)
        return !clearInside(boxA, b);
    if (boxB && !boxA)
        return !clearInside(boxB, a);
    return true;
}

QStringList layoutFaults(QWidget& page) {
    QStringList faults;
    const auto widgets = page.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (qsizetype i = 0; i < widgets.size(); ++i) {
        QWidget* w = widgets[i];
        if (!page.rect().contains(w->geometry()))
            faults << describe(w) + " runs off the form";
        if (!textFits(w))
            faults << describe(w) + " does not show its text whole";
        for (qsizetype j = i + 1; j < widgets.size(); ++j)
            if (touch(w, widgets[j]))
                faults << describe(w) + " touches " + describe(widgets[j]);
    }
    return faults;
}

// The control Tab (+1) or Shift+Tab (-1) reaches from the control with that id.
QWidget* focusableNextTo(const FormTemplate& form, const BuiltForm& built, int id, int step) {
    const auto& controls = form.controls;
    const auto count = qsizetype(controls.size());
    auto at = std::find_if(controls.begin(), controls.end(),
                           [id](const ControlTemplate& c) { return c.id == id; });
    for (qsizetype i = (at - controls.begin() + count + step) % count;;
         i = (i + count + step) % count) {
        const ControlTemplate& c = controls[i];
        const bool takesFocus = c.kind != ControlKind::Label && c.kind != ControlKind::GroupBox &&
                                !(c.style & Style::Disabled);
        if (takesFocus)
            return built.controls.at(c.id);
    }
}

bool holdsFocus(QWidget* w) {
    QWidget* focus = QApplication::focusWidget();
    return focus && (focus == w || w->isAncestorOf(focus));
}

} // namespace

class FormTest : public QObject {
    Q_OBJECT

private slots:
    void controlsAreNamedByTheirLabels() {
        SampleDialog form;
        QWidget* name = form.controlWidget(NAME);
        QCOMPARE(name->accessibleName(), QString("First Name *"));
        QCOMPARE(QAccessible::queryAccessibleInterface(name)->text(QAccessible::Name),
                 QString("First Name *"));
        QCOMPARE(form.controlWidget(NOTES)->accessibleName(), QString("Notes box"));
        QCOMPARE(form.controlWidget(FEMALE)->accessibleName(), QString("Female"));
        QCOMPARE(form.controlWidget(SAVE)->accessibleName(), QString("Save"));
        bool buddied = false;
        for (QLabel* label : form.findChildren<QLabel*>())
            buddied = buddied || label->buddy() == name;
        QVERIFY(buddied);
    }

    void tabOrderFollowsTheTemplate() {
        SampleDialog form;
        form.show();
        QApplication::setActiveWindow(&form);
        form.controlWidget(NAME)->setFocus();
        QTest::keyClick(form.controlWidget(NAME), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form.controlWidget(CODE));
        QTest::keyClick(form.controlWidget(CODE), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form.controlWidget(NOTES));
    }

    void dialogUnitsFollowTheFont() {
        const QFont font = FormBuilder::formFont();
        SampleDialog form;
        const QRect name = form.controlWidget(NAME)->geometry();
        QCOMPARE(name.x(), FormBuilder::unitsToPixelsX(50, font));
        QCOMPARE(name.width(), FormBuilder::unitsToPixelsX(80, font));
        QCOMPARE(name.height(), FormBuilder::unitsToPixelsY(12, font));
        QVERIFY(FormBuilder::unitsToPixelsX(400, font) > 2 * FormBuilder::unitsToPixelsX(200, font) - 2);
    }

    void exchangeShowsAndReadsMembersWithinTheirLimits() {
        SampleDialog form;
        form.name = "Alexandra";
        form.gender = 1;
        form.UpdateData(false);
        // Showing a member sets the typing limit; a longer stored text is cut when read back.
        QCOMPARE(FieldValidator::of(form.control<QLineEdit>(NAME))->maxChars(), 5);
        QCOMPARE(form.control<QRadioButton>(FEMALE)->isChecked(), true);
        QCOMPARE(form.control<QDateTimeEdit>(WHEN)->dateTime(),
                 QDateTime(QDate(2026, 12, 7), QTime(9, 30)));
        form.UpdateData(true);
        QCOMPARE(form.name, std::string("Alexa"));
        QCOMPARE(form.gender, 1);
        QCOMPARE(form.when, DateTime::fromCivil(2026, 12, 7, 9, 30));

        form.gender = -1;
        form.UpdateData(false);
        QVERIFY(!form.control<QRadioButton>(MALE)->isChecked());
        QVERIFY(!form.control<QRadioButton>(FEMALE)->isChecked());
        form.UpdateData(true);
        QCOMPARE(form.gender, -1);
    }

    void fillingNeverCountsAsTheUsersChange() {
        SampleDialog form;
        form.name = "Ann";
        form.gender = 0;
        form.UpdateData(false);
        QCOMPARE(form.userChanges, 0);
        form.show();
        QTest::keyClicks(form.controlWidget(NAME), "e");
        QTest::mouseClick(form.control<QRadioButton>(MALE), Qt::LeftButton);
        QCOMPARE(form.userChanges, 2);
    }

    void typingLimitsHold() {
        SampleDialog form;
        form.UpdateData(false);
        form.show();
        QTest::keyClicks(form.controlWidget(CODE), "1a2.34");
        QCOMPARE(form.control<QLineEdit>(CODE)->text(), QString("123"));
        // Keys that do not fit change nothing, not even what Undo takes back.
        QTest::keyClicks(form.controlWidget(NAME), "Alexandra");
        QCOMPARE(form.control<QLineEdit>(NAME)->text(), QString("Alexa"));
        QCOMPARE(form.userChanges, 5);
        QTest::keyClick(form.controlWidget(NAME), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(form.control<QLineEdit>(NAME)->text(), QString());
        auto* notes = form.control<MultiLineEdit>(NOTES);
        QTest::keyClicks(notes, "line one is long");
        QCOMPARE(notes->toPlainText(), QString("line one i"));
        notes->clear();
        notes->insertPlainText("pasted text longer than ten");
        QCOMPARE(notes->toPlainText().size(), 10);
    }

    // Whatever way a text arrives, a single-line field drops every control character, a
    // multi-line field keeps line breaks and tabs only, and no limit splits a character.
    void textsKeepToTheirFieldsRules_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("arriving");
        QTest::addColumn<QString>("stored");
        const QString grin = QString::fromUtf8("\xF0\x9F\x98\x80");
        const QString thumbsUpDark = QString::fromUtf8("\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD");
        textRow("name pasted with a tab and a line break", FIELD, "pasted", "Omar\tKhalil\r\n",
                "OmarKhalil");
        textRow("telephone shown with control characters", FIELD, "shown", "555\x01-0142\x7f",
                "555-0142");
        textRow("combo field pasted with a line break", PICK, "pasted", "Cough\nfever",
                "Coughfever");
        textRow("remarks keep line breaks and tabs only", REMARKS, "pasted",
                "Eyes:\tclear\r\nno\x07 discharge\x0c", "Eyes:\tclear\nno discharge");
        textRow("remarks shown with a lone carriage return", REMARKS, "shown", "a\rb\x1b", "a\nb");
        textRow("49 letters and an emoji drop the emoji whole", FIELD, "pasted",
                letters(49) + grin, letters(49));
        textRow("48 letters and an emoji fit 50 characters", FIELD, "pasted", letters(48) + grin,
                letters(48) + grin);
        textRow("50 letters drop the emoji whole", FIELD, "pasted", letters(50) + grin,
                letters(50));
        textRow("49 letters drop an emoji of two characters whole", FIELD, "pasted",
                letters(49) + thumbsUpDark, letters(49));
        textRow("25 emoji typed fill 50 characters", FIELD, "typed", grin.repeated(26),
                grin.repeated(25));
        textRow("a stored emoji at the limit is shown whole", FIELD, "shown",
                letters(48) + grin + "b", letters(48) + grin);
        textRow("combo field typed past its limit", PICK, "typed", letters(47) + grin.repeated(3),
                letters(47) + grin);
        textRow("remarks count a line break as one character and an emoji as two", REMARKS,
                "pasted", letters(45) + "\n" + grin.repeated(5), letters(45) + "\n" + grin.repeated(2));
        textRow("remarks drop an emoji of two characters whole", REMARKS, "pasted",
                letters(49) + thumbsUpDark, letters(49));
    }

    void textsKeepToTheirFieldsRules() {
        QFETCH(int, field);
        QFETCH(QString, how);
        QFETCH(QString, arriving);
        QFETCH(QString, stored);
        TextDialog form;
        form.show();
        QApplication::setActiveWindow(&form);
        QWidget* target = keyTarget(form, field);
        target->setFocus();
        if (how == "shown") {
            form.values[field] = arriving.toStdString();
            form.UpdateData(false);
        } else if (how == "pasted") {
            QGuiApplication::clipboard()->setText(arriving);
            QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
        } else {
            typeChars(target, arriving);
        }
        form.UpdateData(true);
        QCOMPARE(QString::fromStdString(form.values[field]), stored);
    }

    // Every form as the user sees it, at every zoom step: no control touches another (a label
    // and its own field included), a group box holds its controls clear of its frame and
    // caption, and every caption, label and field shows its text whole.
    void everyFormKeepsItsControlsApartAndWhole_data() {
        QTest::addColumn<const FormTemplate*>("form");
        QTest::addColumn<double>("scale");
        for (const FormTemplate* form : kEveryForm)
            for (int percent = 100; percent <= 150; percent += 10)
                QTest::addRow("form %d at %d%%", form->id, percent) << form << percent / 100.0;
    }

    void everyFormKeepsItsControlsApartAndWhole() {
        QFETCH(const FormTemplate*, form);
        QFETCH(double, scale);
        ZoomedForm page(*form, scale);
        page.show();
        const QStringList faults = layoutFaults(page);
        for (const QString& fault : faults)
            qWarning().noquote() << fault;
        QVERIFY2(faults.isEmpty(), "the faults are listed above");
    }

    // Tab and Shift+Tab leave a date field at once; typing and the arrow keys move between
    // its day, month and year.
    void tabLeavesADateFieldInOneStep_data() {
        QTest::addColumn<const FormTemplate*>("form");
        QTest::addColumn<int>("picker");
        for (const FormTemplate* form : kEveryForm)
            for (const ControlTemplate& c : form->controls)
                if (c.kind == ControlKind::DatePicker)
                    QTest::addRow("form %d date %d", form->id, c.id) << form << c.id;
    }

    void tabLeavesADateFieldInOneStep() {
        QFETCH(const FormTemplate*, form);
        QFETCH(int, picker);
        QWidget page;
        const BuiltForm built = FormBuilder::build(*form, &page);
        page.show();
        QApplication::setActiveWindow(&page);
        auto* date = qobject_cast<QDateTimeEdit*>(built.controls.at(picker));
        date->setDate(QDate(2026, 3, 14));
        QWidget* before = focusableNextTo(*form, built, picker, -1);
        QWidget* after = focusableNextTo(*form, built, picker, +1);

        before->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), date);
        QTest::keyClicks(date, "2805");
        QCOMPARE(date->currentSection(), QDateTimeEdit::YearSection);
        QTest::keyClick(date, Qt::Key_Left);
        QCOMPARE(date->currentSection(), QDateTimeEdit::MonthSection);
        QTest::keyClick(date, Qt::Key_Up);
        QCOMPARE(date->date(), QDate(2026, 6, 28));

        QTest::keyClick(date, Qt::Key_Tab);
        QVERIFY(holdsFocus(after));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), date);
        QTest::keyClick(date, Qt::Key_Backtab);
        QVERIFY(holdsFocus(before));
    }

    void upperCaseSortedComboStopsAtItsWidth() {
        SampleDialog form;
        form.show();
        auto* drug = form.control<ComboBox>(DRUG);
        QCOMPARE(drug->entries(), QStringList({"ASPIRIN", "ZINC"}));
        drug->addEntry("Morphine");
        QCOMPARE(drug->entries(), QStringList({"ASPIRIN", "MORPHINE", "ZINC"}));
        QCOMPARE(drug->currentText(), QString());
        QTest::keyClicks(drug->lineEdit(), "para");
        QCOMPARE(drug->currentText(), QString("PARA"));
        QTest::keyClicks(drug->lineEdit(), QString(60, u'w'));
        const QString typed = drug->currentText();
        QVERIFY(typed.size() < 64);
        QVERIFY(drug->lineEdit()->fontMetrics().horizontalAdvance(typed) <= drug->lineEdit()->width());
    }

    void unexpectedBoxesAreReported() {
        ScriptedResponder responder;
        responder.expectBox({"Delete entry?", "Confirmation", MsgIcon::Question, MsgButtons::YesNo},
                            IDYES);
        QCOMPARE(MessageBox(nullptr, "Delete entry?", "Confirmation", MsgIcon::Question,
                            MsgButtons::YesNo),
                 IDYES);
        QVERIFY(responder.report().empty());
        // Unscripted questions are answered No, so nothing is deleted by accident.
        QCOMPARE(MessageBox(nullptr, "Delete entry?", "Confirmation", MsgIcon::Question,
                            MsgButtons::YesNo),
                 IDNO);
        QCOMPARE(responder.failures().size(), size_t(1));
        responder.expectBox({"Saved", "Confirmation", MsgIcon::Information, MsgButtons::Ok});
        MessageBox(nullptr, "Saved", "Error", MsgIcon::Information);
        QCOMPARE(responder.failures().size(), size_t(2));
        responder.expectBox({"Never", "Error", MsgIcon::Stop, MsgButtons::Ok});
        QCOMPARE(responder.unmet().size(), size_t(1));
    }

    // The real box, as the user meets it: Enter gives the default answer, which a warning's
    // question makes No.
    void enterAnswersWithTheDefaultButton_data() {
        QTest::addColumn<MsgButtons>("buttons");
        QTest::addColumn<int>("answer");
        QTest::addRow("Yes/No") << MsgButtons::YesNo << IDYES;
        QTest::addRow("No by default") << MsgButtons::YesNoDefaultNo << IDNO;
    }

    void enterAnswersWithTheDefaultButton() {
        QFETCH(MsgButtons, buttons);
        QFETCH(int, answer);
        QTimer::singleShot(0, [] {
            QWidget* box = QApplication::activeModalWidget();
            if (box && QTest::qWaitForWindowActive(box) && box->focusWidget())
                QTest::keyClick(box->focusWidget(), Qt::Key_Return);
            else if (box)
                box->close();
        });
        QCOMPARE(
            MessageBox(nullptr, "Add ASPIRIN anyway?", "Warning", MsgIcon::Exclamation, buttons),
            answer);
    }
};

QTEST_MAIN(FormTest)
#include "FormTest.moc"
