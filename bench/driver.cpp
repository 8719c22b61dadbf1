// Drives the real Pulsorel.exe by window messages for the benchmark: starts it in a working
// folder, sets the tempos and sounds, starts one or both signals, lets them beat, and prints
// the program's resident memory (its CPU use is read by scripts/bench.sh from /proc: Wine
// gives no process times for another process).
// Usage: driver <Pulsorel.exe> <folder> <seconds> <tempo1> [<tempo2>]
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>

#define IDC_START1 1000
#define IDC_TEMPO1 1003
#define IDC_SOUND1 1004
#define IDC_TEMPO2 1006
#define IDC_SOUND2 1007
#define IDC_BOTH 1008

struct Search {
    DWORD process;
    HWND dialog;
};

static BOOL CALLBACK findDialog(HWND window, LPARAM data)
{
    Search *search = (Search *)data;
    DWORD process;
    char name[32];
    GetWindowThreadProcessId(window, &process);
    if (process == search->process && GetClassNameA(window, name, sizeof name) &&
        lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window)) {
        search->dialog = window;
        return FALSE;
    }
    return TRUE;
}

static void click(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}

int main(int argc, char **argv)
{
    if (argc < 5)
        return 2;
    double seconds = atof(argv[3]);
    int tempo1 = atoi(argv[4]), tempo2 = argc > 5 ? atoi(argv[5]) : 0;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    char line[MAX_PATH + 2];
    snprintf(line, sizeof line, "\"%s\"", argv[1]);
    if (!CreateProcessA(NULL, line, NULL, NULL, FALSE, 0, NULL, argv[2], &si, &pi)) {
        printf("driver: cannot start %s\n", argv[1]);
        return 1;
    }
    WaitForInputIdle(pi.hProcess, 10000);
    Search search = {pi.dwProcessId, NULL};
    for (int i = 0; i < 200 && !search.dialog; i++) {
        EnumWindows(findDialog, (LPARAM)&search);
        if (!search.dialog)
            Sleep(50);
    }
    if (!search.dialog) {
        printf("driver: no dialog\n");
        TerminateProcess(pi.hProcess, 1);
        return 1;
    }
    HWND dialog = search.dialog;
    Sleep(3000);  // the program's sound stream settles in its first seconds

    char text[16];
    SendDlgItemMessageA(dialog, IDC_SOUND1, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)"2-bip-aigu.wav");
    SendDlgItemMessageA(dialog, IDC_SOUND2, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)"3-bip-grave.wav");
    snprintf(text, sizeof text, "%d", tempo1);
    SetDlgItemTextA(dialog, IDC_TEMPO1, text);
    if (tempo2) {
        snprintf(text, sizeof text, "%d", tempo2);
        SetDlgItemTextA(dialog, IDC_TEMPO2, text);
    }
    click(dialog, tempo2 ? IDC_BOTH : IDC_START1);
    printf("  program: signals started\n");
    fflush(stdout);
    Sleep((DWORD)(seconds * 1000));
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(pi.hProcess, &memory, sizeof memory);
    click(dialog, tempo2 ? IDC_BOTH : IDC_START1);

    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    DWORD exitCode = 1;
    if (WaitForSingleObject(pi.hProcess, 10000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &exitCode);
    else
        TerminateProcess(pi.hProcess, 1);
    printf("  program: resident %.1f MiB (peak %.1f MiB) as Wine reports it, exit code %lu\n",
           memory.WorkingSetSize / 1048576.0, memory.PeakWorkingSetSize / 1048576.0, exitCode);
    return 0;
}
