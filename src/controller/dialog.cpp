// The main dialog: dispatch, start-up, close and credits.
#include <windows.h>
#include <commctrl.h>
#include <stdlib.h>
#include "controller.h"
#include "../settings/settings.h"
#include "../../res/resource.h"

const char *const TEMPO_PRESETS[18] = {"1",   "5",   "10",  "15",  "20",  "30",  "40",  "50",  "60",
                                       "80",  "100", "120", "140", "160", "180", "200", "220", "240"};

// Set once the boxes hold the user's choices; until then a close must not overwrite
// the stored ones with empty boxes.
static bool choicesShown;

static void addTempoPresets(int box)
{
    for (size_t i = 0; i < COUNTOF(TEMPO_PRESETS); i++)
        SendDlgItemMessageA(mainDialog, box, CB_ADDSTRING, 0, (LPARAM)TEMPO_PRESETS[i]);
}

void onInitDialog(void)
{
    HICON icon = (HICON)LoadImageA(appInstance, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON, 0, 0,
                                   LR_DEFAULTSIZE);
    SendMessageA(mainDialog, WM_SETICON, ICON_BIG, (LPARAM)icon);
    SendMessageA(mainDialog, WM_SETICON, ICON_SMALL, (LPARAM)icon);

    SendDlgItemMessageA(mainDialog, IDC_VOLUME, TBM_SETRANGE, TRUE, MAKELPARAM(0, 255));
    SendDlgItemMessageA(mainDialog, IDC_VOLUME, TBM_SETTICFREQ, 15, 0);

    addTempoPresets(IDC_TEMPO1);

    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(SOUND_DIR "\\*.wav", &found);
    if (search == INVALID_HANDLE_VALUE) {
        MessageBoxA(mainDialog, "Il n'y a pas de fichiers .wav dans le dossier sons ou celui-ci n'existe pas.",
                    "Erreur", MB_OK | MB_ICONERROR);
        SendMessageA(mainDialog, WM_CLOSE, 0, 0);
        return;
    }
    do {
        SendDlgItemMessageA(mainDialog, IDC_SOUND1, CB_ADDSTRING, 0, (LPARAM)found.cFileName);
        SendDlgItemMessageA(mainDialog, IDC_SOUND2, CB_ADDSTRING, 0, (LPARAM)found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);

    SendDlgItemMessageA(mainDialog, IDC_TEMPO1, CB_SETCURSEL, DEFAULT_TEMPO_INDEX, 0);
    SendDlgItemMessageA(mainDialog, IDC_SOUND1, CB_SETCURSEL, 0, 0);
    addTempoPresets(IDC_TEMPO2);
    SendDlgItemMessageA(mainDialog, IDC_TEMPO2, CB_SETCURSEL, DEFAULT_TEMPO_INDEX, 0);
    SendDlgItemMessageA(mainDialog, IDC_SOUND2, CB_SETCURSEL, 0, 0);

    loadSettings();
    choicesShown = true;

    FSOUND_Init(48000, 3, 0);
}

void saveAndExit(void)
{
    if (choicesShown)
        saveSettings();
    FSOUND_Close();
    exit(0);
}

void showCredits(void)
{
    MessageBoxA(mainDialog,
                "\n"
                "Les sons inclus sont libres de droits.\n"
                "\n"
                "Pulsorel, un métronome de l'équipe Pulsorel\n"
                "http://www.pulsorel.example/ - 2005",
                "Crédits", MB_OK | MB_ICONINFORMATION);
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        mainDialog = dialog;
        onInitDialog();
        return TRUE;

    case WM_CLOSE:
        saveAndExit();
        return TRUE;

    case WM_COMMAND:
        // The whole wParam: notifications from the lists carry a code in the high half.
        switch (wParam) {
        case IDCANCEL:
            saveAndExit();
            break;
        case IDC_START1:
            toggleSignal(1);
            break;
        case IDC_START2:
            toggleSignal(2);
            break;
        case IDC_BOTH:
            toggleBothSignals();
            break;
        case IDC_CREDITS:
            showCredits();
            break;
        }
        return TRUE;

    case WM_TIMER:
        switch (wParam) {
        case TIMER_BEAT1:
        case TIMER_BEAT2:
            onBeatTimer((int)wParam);
            break;
        case TIMER_STEP1:
        case TIMER_STEP2:
            onProgressTimer((int)wParam - 10);
            break;
        }
        return TRUE;
    }
    return FALSE;
}
