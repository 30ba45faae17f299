#include "app/CKLApp.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    CKLApp app;
    if (!app.InitInstance(application.arguments().mid(1)))
        return 1;
    return application.exec();
}
