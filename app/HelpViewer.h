#pragma once

#include <QWidget>

class QTextBrowser;

// A simple window that shows the program's help pages, with their contents and links.
class HelpViewer : public QWidget {
public:
    explicit HelpViewer(QWidget* owner);

    // Shows a page in the one help window, opening it if need be, as a window of owner.
    static HelpViewer* showContents(QWidget* owner, const QString& contentsPage);
    QString shownText() const;

private:
    void open(const QString& page);

    QTextBrowser* browser;
};
