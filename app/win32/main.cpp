// One of the programs for Windows: the window, over the backend this program was linked
// with.
#include <windows.h>

#include "app/win32/form1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    Form1 form;
    if (!form.Create()) return 1;
    ShowWindow(form.handle(), show);
    UpdateWindow(form.handle());
    return form.RunMessageLoop();
}
