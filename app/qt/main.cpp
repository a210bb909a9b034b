// One of the programs: the window, over the backend this program was linked with.
#include <QApplication>

#include "app/qt/form1.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    Form1 form;
    form.show();
    return application.exec();
}
