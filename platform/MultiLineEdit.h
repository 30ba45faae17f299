#pragma once

#include <QPlainTextEdit>

// A multi-line edit with a character limit that holds for typing and pasting alike.
// Without "wants return" Enter is left to the form, which presses its default button.
class MultiLineEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit MultiLineEdit(QWidget* parent, bool wantReturn);

    void setMaxLength(int maxChars);
    int maxLength() const { return maxChars; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void trimOverflow(int position, int added);

    bool wantReturn;
    int maxChars = 0;
};
