#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <string.h>
#include "dialog_fixture.h"
#include "../../src/controller/controller.h"
#include "../../res/resource.h"

std::vector<SeenMessageBox> seenBoxes;
std::function<bool(void)> whileBoxOpen;
DWORD testClock;

static HHOOK boxHook;
static DWORD boxOpenedAt;

static DWORD WINAPI readTestClock(void)
{
    return testClock;
}

// The box's icon, told apart by the shared system icon it shows.
static UINT iconOfBox(HWND box)
{
    static const struct { LPCSTR name; UINT style; } icons[] = {
        {IDI_ERROR, MB_ICONERROR}, {IDI_WARNING, MB_ICONWARNING}, {IDI_INFORMATION, MB_ICONINFORMATION}};
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
            continue;
        HICON shown = (HICON)SendMessageA(child, STM_GETICON, 0, 0);
        for (const auto &icon : icons)
            if (shown == LoadIconA(NULL, icon.name))
                return icon.style;
    }
    return 0;
}

static void CALLBACK pollOpenBox(HWND box, UINT, UINT_PTR id, DWORD)
{
    if ((whileBoxOpen && !whileBoxOpen()) && GetTickCount() - boxOpenedAt < 5000)
        return;
    KillTimer(box, id);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

static LRESULT CALLBACK watchBoxes(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND box = (HWND)wParam;
        char className[32];
        GetClassNameA(box, className, COUNTOF(className));
        if (box != mainDialog && !strcmp(className, "#32770")) {
            char caption[256], text[1024];
            GetWindowTextA(box, caption, COUNTOF(caption));
            GetDlgItemTextA(box, 0xFFFF, text, COUNTOF(text));
            seenBoxes.push_back({caption, text, iconOfBox(box)});
            boxOpenedAt = GetTickCount();
            SetTimer(box, 1, 20, pollOpenBox);
        }
    }
    return CallNextHookEx(boxHook, code, wParam, lParam);
}

void DialogTest::SetUp()
{
    char temp[MAX_PATH], name[MAX_PATH];
    GetTempPathA(COUNTOF(temp), temp);
    GetTempFileNameA(temp, "pul", 0, name);
    DeleteFileA(name);
    CreateDirectoryA(name, NULL);
    folder = name;
    SetCurrentDirectoryA(folder.c_str());
    CreateDirectoryA("sons", NULL);
    for (const std::string &sound : soundFiles())
        writeFile("sons\\" + sound, "RIFF");

    static INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    appInstance = GetModuleHandleA(NULL);
    readClock = readTestClock;
    testClock = 1000;
    memset(signals, 0, sizeof(signals));
    resetSoundLog();
    seenBoxes.clear();
    whileBoxOpen = nullptr;
    boxHook = SetWindowsHookExA(WH_CBT, watchBoxes, NULL, GetCurrentThreadId());
    if (createOnSetUp)
        createDialog();
}

void DialogTest::TearDown()
{
    if (dialog)
        DestroyWindow(dialog);
    mainDialog = NULL;
    UnhookWindowsHookEx(boxHook);
    // Drop what the destroyed dialog left in the queue.
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE))
        ;
    SetCurrentDirectoryA("..");
    SHFILEOPSTRUCTA remove = {};
    std::string from = folder + '\0';
    remove.wFunc = FO_DELETE;
    remove.pFrom = from.c_str();
    remove.fFlags = FOF_NO_UI;
    SHFileOperationA(&remove);
}

void DialogTest::createDialog(void)
{
    dialog = CreateDialogParamA(appInstance, MAKEINTRESOURCEA(IDD_MAIN), NULL, MainDialogProc, 0);
    ASSERT_NE((HWND)NULL, dialog) << "CreateDialogParam failed, error " << GetLastError();
    ASSERT_EQ(dialog, mainDialog);
}

void DialogTest::writeFile(const std::string &name, const std::string &bytes)
{
    FILE *file = fopen(name.c_str(), "wb");
    ASSERT_TRUE(file) << name;
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

std::string DialogTest::readFile(const std::string &name)
{
    std::string bytes;
    FILE *file = fopen(name.c_str(), "rb");
    if (!file)
        return "(no file)";
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof(buffer), file)) > 0)
        bytes.append(buffer, got);
    fclose(file);
    return bytes;
}

std::string DialogTest::text(int id)
{
    char buffer[1024];
    GetDlgItemTextA(dialog, id, buffer, COUNTOF(buffer));
    return buffer;
}

LRESULT DialogTest::send(int id, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendDlgItemMessageA(dialog, id, message, wParam, lParam);
}

void DialogTest::command(WPARAM wParam)
{
    SendMessageA(dialog, WM_COMMAND, wParam, 0);
}

void DialogTest::timer(UINT_PTR id)
{
    SendMessageA(dialog, WM_TIMER, id, 0);
}

void DialogTest::setTempo(int n, const char *tempo)
{
    SetDlgItemTextA(dialog, n == 1 ? IDC_TEMPO1 : IDC_TEMPO2, tempo);
}

bool DialogTest::enabled(int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}
