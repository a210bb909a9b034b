// One of the programs: the window, over the backend this program was linked with.
#include <QApplication>

#include "app/qt/form1.h"
#include "app/qt/program_arguments.h"

int main(int argc, char** argv) {
    ProgramArguments arguments(argc, argv);
    QApplication application(arguments.count(), arguments.values());
    Form1 form;
    form.show();
    return application.exec();
}
