// Pasting on a real X server, where the clipboard belongs to another program: a multi-line
// field takes the text while that program runs and stays whole once it has exited.

#include "platform/FormBuilder.h"
#include "platform/MultiLineEdit.h"
#include "res/Forms.h"

#include <QApplication>
#include <QClipboard>
#include <QProcess>
#include <QTest>

namespace {

// Another program that holds the clipboard until it is told to exit.
class ClipboardOwner {
public:
    explicit ClipboardOwner(const QByteArray& text) {
        xclip.start("xclip", {"-selection", "clipboard", "-in", "-quiet"});
        if (xclip.waitForStarted()) {
            xclip.write(text);
            xclip.closeWriteChannel();
        }
    }
    ~ClipboardOwner() { exit(); }
    bool started() const { return xclip.state() != QProcess::NotRunning; }
    void exit() {
        xclip.terminate();
        xclip.waitForFinished();
    }

private:
    QProcess xclip;
};

QString clipboardText() {
    return QGuiApplication::clipboard()->text();
}

void paste(QWidget* field) {
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
}

} // namespace

class PasteTest : public QObject {
    Q_OBJECT

private slots:
    void pastingAfterTheOwnerExitedKeepsTheField_data() {
        QTest::addColumn<const FormTemplate*>("form");
        QTest::addColumn<int>("field");
        for (const FormTemplate* form : kEveryForm)
            for (const ControlTemplate& c : form->controls)
                if (c.kind == ControlKind::MultiEdit && !(c.style & Style::ReadOnly))
                    QTest::addRow("form %d field %d", form->id, c.id) << form << c.id;
    }

    void pastingAfterTheOwnerExitedKeepsTheField() {
        QFETCH(const FormTemplate*, form);
        QFETCH(int, field);
        QWidget page;
        const BuiltForm built = FormBuilder::build(*form, &page);
        page.resize(built.size);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        page.activateWindow();
        auto* edit = qobject_cast<MultiLineEdit*>(built.controls.at(field));
        edit->setFocus();

        ClipboardOwner owner("Mild redness,\nno discharge");
        QVERIFY2(owner.started(), "xclip did not start");
        QTRY_COMPARE(clipboardText(), QString("Mild redness,\nno discharge"));
        paste(edit);
        QCOMPARE(edit->toPlainText(), QString("Mild redness,\nno discharge"));

        owner.exit();
        QTRY_COMPARE(clipboardText(), QString());
        paste(edit);
        QCOMPARE(edit->toPlainText(), QString("Mild redness,\nno discharge"));
    }
};

QTEST_MAIN(PasteTest)
#include "PasteTest.moc"
