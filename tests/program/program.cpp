#include "program.h"
#include "icon_probe.h"
#include <commctrl.h>
#include <stdio.h>
#include <algorithm>
#include <functional>
#include <cmath>

// The build names files the way the build machine does: a Unix path under Wine is on Z:.
std::string windowsPath(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    if (path[0] == '\\')
        path = "Z:" + path;
    return path;
}

std::string programPath()
{
    return windowsPath(PULSOREL_EXE);
}

// ---- Working folder ----

static void removeTree(const std::string &path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string full = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(full);
            else {
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

WorkFolder::WorkFolder()
{
    static unsigned counter;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char name[64];
    for (;;) {
        snprintf(name, sizeof(name), "pulsorel-program-%lu-%u", GetCurrentProcessId(), counter++);
        path_ = std::string(temp) + name;
        if (CreateDirectoryA(path_.c_str(), NULL))
            break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            ADD_FAILURE() << "cannot create " << path_ << ", error " << GetLastError();
            break;
        }
    }
}

WorkFolder::~WorkFolder()
{
    removeTree(path_);
}

void WorkFolder::makeFolder(const std::string &name) const
{
    if (!CreateDirectoryA(pathOf(name).c_str(), NULL) && GetLastError() != ERROR_ALREADY_EXISTS)
        ADD_FAILURE() << "cannot create " << pathOf(name) << ", error " << GetLastError();
}

// A short click: 50 ms of a decaying 1 kHz tone, 16-bit PCM mono at 44.1 kHz.
static std::string clickWav()
{
    const unsigned rate = 44100, frames = rate / 20;
    std::string samples;
    for (unsigned i = 0; i < frames; i++) {
        double t = (double)i / rate;
        short value = (short)(12000.0 * std::exp(-t * 80.0) * std::sin(2.0 * 3.14159265358979 * 1000.0 * t));
        samples += (char)(value & 0xff);
        samples += (char)((value >> 8) & 0xff);
    }
    auto u32 = [](unsigned v) { return std::string{(char)v, (char)(v >> 8), (char)(v >> 16), (char)(v >> 24)}; };
    auto u16 = [](unsigned v) { return std::string{(char)v, (char)(v >> 8)}; };
    std::string wav = "RIFF" + u32(36 + (unsigned)samples.size()) + "WAVE";
    wav += "fmt " + u32(16) + u16(1) + u16(1) + u32(rate) + u32(rate * 2) + u16(2) + u16(16);
    wav += "data" + u32((unsigned)samples.size()) + samples;
    return wav;
}

void WorkFolder::addSounds(const std::vector<std::string> &names) const
{
    makeFolder("sons");
    static const std::string wav = clickWav();
    for (const std::string &name : names)
        write("sons\\" + name, wav);
}

void WorkFolder::write(const std::string &name, const std::string &bytes) const
{
    HANDLE file = CreateFileA(pathOf(name).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot create " << pathOf(name) << ", error " << GetLastError();
        return;
    }
    DWORD written = 0;
    WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
    EXPECT_EQ(bytes.size(), written) << "writing " << name;
}

bool WorkFolder::read(const std::string &name, std::string *bytes) const
{
    HANDLE file = CreateFileA(pathOf(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bytes->clear();
    char buffer[4096];
    DWORD got;
    while (ReadFile(file, buffer, sizeof(buffer), &got, NULL) && got > 0)
        bytes->append(buffer, got);
    CloseHandle(file);
    return true;
}

std::vector<std::string> WorkFolder::listing() const
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pathOf("*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != ".." && name != "sons")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// ---- The program ----

Program::~Program()
{
    kill();
    if (info_.hProcess) {
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
}

void Program::start(const WorkFolder &folder)
{
    std::string exe = programPath();
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    ASSERT_TRUE(CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, folder.path().c_str(),
                               &startup, &info_))
        << "cannot start " << exe << " in " << folder.path() << ", error " << GetLastError();
}

bool Program::running() const
{
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

void Program::kill()
{
    if (running()) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, WAIT_MS);
    }
}

bool Program::waitExit(DWORD *exitCode)
{
    *exitCode = STILL_ACTIVE;
    if (!info_.hProcess || WaitForSingleObject(info_.hProcess, WAIT_MS) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(info_.hProcess, exitCode);
    return true;
}

struct WindowSearch {
    DWORD processId;
    HWND skip;
    bool dialogCaption; // the main dialog: caption "Pulsorel"
    bool visible;
    HWND found;
};

static BOOL CALLBACK findWindow(HWND window, LPARAM parameter)
{
    WindowSearch *search = (WindowSearch *)parameter;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char className[32];
    if (processId != search->processId || window == search->skip || !GetClassNameA(window, className, sizeof(className)) ||
        strcmp(className, "#32770") != 0)
        return TRUE;
    if (search->visible && !IsWindowVisible(window))
        return TRUE;
    if (search->dialogCaption && textOf(window) != "Pulsorel")
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND Program::mainDialog() const
{
    WindowSearch search = {info_.dwProcessId, NULL, true, false, NULL};
    EnumWindows(findWindow, (LPARAM)&search);
    return search.found;
}

HWND Program::waitDialog()
{
    HWND dialog = NULL;
    waitFor(*this, [&] {
        dialog = mainDialog();
        return dialog && IsWindowVisible(dialog);
    });
    return dialog && IsWindowVisible(dialog) ? dialog : NULL;
}

HWND Program::findBox() const
{
    WindowSearch search = {info_.dwProcessId, mainDialog(), false, true, NULL};
    EnumWindows(findWindow, (LPARAM)&search);
    return search.found;
}

HWND Program::waitBox()
{
    HWND box = NULL;
    waitFor(*this, [&] { return (box = findBox()) != NULL; });
    return box;
}

HWND Program::focus() const
{
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof(thread);
    return GetGUIThreadInfo(info_.dwThreadId, &thread) ? thread.hwndFocus : NULL;
}

// ---- Controls ----

LRESULT send(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, WAIT_MS, &result);
    return (LRESULT)result;
}

std::string textOf(HWND window)
{
    char text[1024] = "";
    send(window, WM_GETTEXT, sizeof(text), (LPARAM)text);
    return text;
}

std::string controlText(HWND dialog, int id)
{
    return textOf(GetDlgItem(dialog, id));
}

std::vector<std::string> listItems(HWND combo)
{
    // The ANSI form of this message loses all but the first character across processes
    // under Wine 8; the wide form arrives whole.
    std::vector<std::string> items;
    LRESULT count = send(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; i++) {
        WCHAR wide[1024] = L"";
        DWORD_PTR length = 0;
        SendMessageTimeoutW(combo, CB_GETLBTEXT, i, (LPARAM)wide, SMTO_ABORTIFHUNG, WAIT_MS, &length);
        char text[1024] = "";
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), NULL, NULL);
        items.push_back(text);
    }
    return items;
}

int selection(HWND dialog, int id)
{
    return (int)send(GetDlgItem(dialog, id), CB_GETCURSEL, 0, 0);
}

int volumePosition(HWND dialog)
{
    return (int)send(GetDlgItem(dialog, ID_VOLUME), TBM_GETPOS, 0, 0);
}

Choices shownChoices(HWND dialog)
{
    return {controlText(dialog, ID_TEMPO1), controlText(dialog, ID_TEMPO2), controlText(dialog, ID_SOUND1),
            controlText(dialog, ID_SOUND2), volumePosition(dialog)};
}

std::string describe(const Choices &c)
{
    return "\"" + c.tempo1 + "\" \"" + c.tempo2 + "\" \"" + c.sound1 + "\" \"" + c.sound2 + "\" " + std::to_string(c.volume);
}

void selectItem(HWND dialog, int id, const std::string &item)
{
    std::vector<std::string> items = listItems(GetDlgItem(dialog, id));
    auto at = std::find(items.begin(), items.end(), item);
    ASSERT_NE(items.end(), at) << "\"" << item << "\" not in the list of control " << id;
    int index = (int)(at - items.begin());
    EXPECT_EQ(index, send(GetDlgItem(dialog, id), CB_SETCURSEL, index, 0)) << "selecting \"" << item << "\"";
}

void setVolume(HWND dialog, int position)
{
    send(GetDlgItem(dialog, ID_VOLUME), TBM_SETPOS, TRUE, position);
    EXPECT_EQ(position, volumePosition(dialog));
}

void typeTempo(const Program &program, HWND dialog, int id, const std::string &text)
{
    HWND combo = GetDlgItem(dialog, id);
    // As a click or a Tab would: the box takes the focus with its text selected.
    send(dialog, WM_NEXTDLGCTL, (WPARAM)combo, TRUE);
    // The typing goes to the box's edit field itself: another test's window may take
    // the activation, and with it the focus, at any moment.
    HWND edit = FindWindowExA(combo, NULL, "Edit", NULL);
    ASSERT_TRUE(edit != NULL) << "no edit field in the tempo box " << id;
    for (char c : text)
        PostMessageA(edit, WM_CHAR, (unsigned char)c, 1);
    EXPECT_TRUE(waitFor(program, [&] { return controlText(dialog, id) == text; }))
        << "typed \"" << text << "\", the box shows \"" << controlText(dialog, id) << "\"";
}

void postKey(HWND target, UINT vk, bool alt)
{
    LPARAM altDown = alt ? KF_ALTDOWN << 16 : 0;
    PostMessageA(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, 1 | altDown);
    PostMessageA(target, alt ? WM_SYSKEYUP : WM_KEYUP, vk, 0xC0000001 | altDown);
}

bool activate(const Program &program, HWND window)
{
    return waitFor(program, [&] {
        SetForegroundWindow(window);
        return GetForegroundWindow() == window;
    });
}

WindowIcons readIcons(const Program &program, HWND window)
{
    WindowIcons icons = {};
    HMODULE probe = LoadLibraryA(windowsPath(ICON_PROBE_DLL).c_str());
    if (!probe) {
        ADD_FAILURE() << "cannot load " << ICON_PROBE_DLL << ", error " << GetLastError();
        return icons;
    }
    HOOKPROC hook = (HOOKPROC)(void *)GetProcAddress(probe, "iconProbeHook");
    HHOOK installed = hook ? SetWindowsHookExA(WH_GETMESSAGE, hook, probe, program.threadId()) : NULL;
    if (!installed) {
        ADD_FAILURE() << "cannot hook the program, error " << GetLastError();
        FreeLibrary(probe);
        return icons;
    }
    MSG message;
    PeekMessageA(&message, NULL, 0, 0, PM_NOREMOVE); // the answers need a queue here
    PostMessageA(window, ICON_PROBE_ASK, GetCurrentThreadId(), 0);
    bool handles = false, size = false;
    waitFor(program, [&] {
        while (PeekMessageA(&message, (HWND)-1, ICON_PROBE_HANDLES, ICON_PROBE_SIZE, PM_REMOVE)) {
            if (message.message == ICON_PROBE_HANDLES) {
                icons.big = message.wParam;
                icons.small = (UINT_PTR)message.lParam;
                handles = true;
            } else {
                icons.width = (long)message.wParam;
                icons.height = (long)message.lParam;
                size = true;
            }
        }
        return handles && size;
    });
    icons.answered = handles && size;
    UnhookWindowsHookEx(installed);
    FreeLibrary(probe);
    return icons;
}

// ---- Message boxes ----

const char *iconName(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::none: return "no icon";
    case BoxIcon::error: return "error";
    case BoxIcon::warning: return "warning";
    case BoxIcon::information: return "information";
    case BoxIcon::question: return "question";
    default: return "unknown";
    }
}

BoxSeen readBox(HWND box)
{
    return {textOf(box), textOf(GetDlgItem(box, 0xFFFF)), GetWindow(box, GW_OWNER)};
}

static HWND iconControl(HWND box)
{
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[32];
        GetClassNameA(child, className, sizeof(className));
        if (!lstrcmpiA(className, "Static") && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            IsWindowVisible(child))
            return child;
    }
    return NULL;
}

typedef std::vector<COLORREF> Pixels;

// The pixels of a bitmap of the screen's kind after `draw` has drawn into it.
static Pixels drawnPixels(int width, int height, const std::function<void(HDC screen, HDC memory)> &draw)
{
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    draw(screen, memory);
    Pixels pixels;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            pixels.push_back(GetPixel(memory, x, y));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return pixels;
}

// What the screen shows at `area`.
static Pixels capture(const RECT &area, int width, int height)
{
    return drawnPixels(width, height, [&](HDC screen, HDC memory) {
        BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    });
}

// A system icon drawn here at its normal size over `background`.
static Pixels render(LPCSTR icon, COLORREF background, int width, int height)
{
    return drawnPixels(width, height, [&](HDC, HDC memory) {
        HBRUSH brush = CreateSolidBrush(background);
        RECT all = {0, 0, width, height};
        FillRect(memory, &all, brush);
        DeleteObject(brush);
        DrawIconEx(memory, 0, 0, LoadIconA(NULL, icon), 0, 0, 0, NULL, DI_NORMAL);
    });
}

// Icon handles are not comparable across processes, so the box's icon is recognised by
// its pixels against the system icons drawn here.
BoxIcon boxIcon(const Program &program, HWND box, BoxIcon expected)
{
    HWND control = iconControl(box);
    if (!control)
        return BoxIcon::none;
    static const struct {
        BoxIcon icon;
        LPCSTR resource;
    } candidates[] = {{BoxIcon::error, IDI_ERROR},
                      {BoxIcon::warning, IDI_WARNING},
                      {BoxIcon::information, IDI_INFORMATION},
                      {BoxIcon::question, IDI_QUESTION}};
    BoxIcon seen = BoxIcon::unknown;
    waitFor(program, [&] {
        // Above any other test's windows.
        SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        RECT area;
        GetWindowRect(control, &area);
        int width = std::min<int>(area.right - area.left, GetSystemMetrics(SM_CXICON));
        int height = std::min<int>(area.bottom - area.top, GetSystemMetrics(SM_CYICON));
        if (width <= 0 || height <= 0)
            return false;
        Pixels shown = capture(area, width, height);
        seen = BoxIcon::unknown;
        for (const auto &candidate : candidates)
            if (render(candidate.resource, shown[0], width, height) == shown)
                seen = candidate.icon;
        return seen == expected;
    });
    return seen;
}

void pressOk(HWND box)
{
    PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
}

// ---- Runs ----

HWND startDialog(Program &program, const WorkFolder &folder)
{
    program.start(folder);
    if (testing::Test::HasFatalFailure())
        return NULL;
    HWND dialog = program.waitDialog();
    EXPECT_TRUE(dialog != NULL) << "no main dialog shown within " << WAIT_MS << " ms";
    return dialog;
}

void quit(Program &program, HWND dialog)
{
    // Posted: the click ends the process before it could answer.
    PostMessageA(GetDlgItem(dialog, ID_QUIT), BM_CLICK, 0, 0);
    DWORD code;
    EXPECT_TRUE(program.waitExit(&code)) << "still running " << WAIT_MS << " ms after \"Quitter\"";
    EXPECT_EQ(0u, code);
}

std::string settingsOf(const WorkFolder &folder)
{
    std::string bytes;
    return folder.read("pulsorel.cfg", &bytes) ? bytes : NO_FILE;
}
