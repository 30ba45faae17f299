#include "app/HelpViewer.h"

#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HelpViewer::HelpViewer(QWidget* owner) : QWidget(owner, Qt::Window), browser(new QTextBrowser) {
    setWindowTitle("Medora Help");
    setObjectName("HelpViewer");
    resize(640, 560);
    browser->setOpenExternalLinks(false);
    browser->setAccessibleName("Help page");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
}

HelpViewer* HelpViewer::showContents(QWidget* owner, const QString& contentsPage) {
    static QPointer<HelpViewer> viewer;
    if (!viewer)
        viewer = new HelpViewer(owner);
    // Over a dialog the help must be a window of that dialog's, or the dialog would block it.
    else if (viewer->parentWidget() != owner)
        viewer->setParent(owner, Qt::Window);
    viewer->open(contentsPage);
    viewer->show();
    viewer->raise();
    return viewer;
}

QString HelpViewer::shownText() const {
    return browser->toPlainText();
}

void HelpViewer::open(const QString& page) {
    if (!QFileInfo(page).isReadable()) {
        browser->setPlainText("The help page " + page + " could not be found.");
        return;
    }
    browser->setSource(QUrl::fromLocalFile(page));
}
