#pragma once

#include <QPlainTextEdit>

// A multi-line edit that keeps to what a multi-line field holds (line breaks and tabs, no
// other control characters) and to its character limit, whether text is typed, pasted,
// dropped or shown by the program. Pasting and dropping insert plain text only.
// Without "wants return" Enter is left to the form, which presses its default button.
class MultiLineEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit MultiLineEdit(QWidget* parent, bool wantReturn);

    void setMaxLength(int maxChars);
    int maxLength() const { return maxChars; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void keepToRules(int position, int added);

    bool wantReturn;
    int maxChars = 0;
};
