// Forms built from templates: names, tab order, limits, data exchange and the message seam.

#include "GuiSession.h"

#include "platform/ComboBox.h"
#include "platform/DataExchange.h"
#include "platform/Dialog.h"
#include "platform/FormBuilder.h"
#include "platform/MultiLineEdit.h"

#include <QAccessible>
#include <QApplication>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

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
        QCOMPARE(form.control<QLineEdit>(NAME)->maxLength(), 5);
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
        auto* notes = form.control<MultiLineEdit>(NOTES);
        QTest::keyClicks(notes, "line one is long");
        QCOMPARE(notes->toPlainText(), QString("line one i"));
        notes->clear();
        notes->insertPlainText("pasted text longer than ten");
        QCOMPARE(notes->toPlainText().size(), 10);
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
};

QTEST_MAIN(FormTest)
#include "FormTest.moc"
