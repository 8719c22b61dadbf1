// Entry point: runs the main dialog; the close sequence ends the process.
#include <windows.h>
#include <commctrl.h>
#include "../controller/controller.h"
#include "../../res/resource.h"

HINSTANCE appInstance;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    (void)previous;
    (void)commandLine;
    (void)showCommand;
    appInstance = instance;

    // The dialog holds a trackbar as well as the progress bars.
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);

    DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_MAIN), NULL, MainDialogProc, 0);
    return 0;
}
