// Driving the real Pulsorel.exe from outside: a fresh working folder, the child process,
// its windows and controls, read and clicked by window messages.
#ifndef PULSOREL_PROGRAM_H
#define PULSOREL_PROGRAM_H

#include <windows.h>
#include <gtest/gtest.h>
#include <deque>
#include <string>
#include <vector>

// Control ids of the main dialog.
enum {
    ID_QUIT = IDCANCEL,
    ID_START1 = 1000,
    ID_PROGRESS1 = 1001,
    ID_START2 = 1002,
    ID_TEMPO1 = 1003,
    ID_SOUND1 = 1004,
    ID_PROGRESS2 = 1005,
    ID_TEMPO2 = 1006,
    ID_SOUND2 = 1007,
    ID_BOTH = 1008,
    ID_VOLUME = 1009,
    ID_CREDITS = 1010,
};

// Bound on every wait for the child: far above what a start or a close takes.
const DWORD WAIT_MS = 10000;

// What settingsOf() gives when there is no "pulsorel.cfg".
const char *const NO_FILE = "(no file)";

// A path from the build, as the program under test and Windows calls take it.
std::string windowsPath(std::string path);
// The built program.
std::string programPath();

// A folder of its own under the temporary folder, removed with everything in it.
class WorkFolder {
public:
    WorkFolder();
    ~WorkFolder();
    WorkFolder(const WorkFolder &) = delete;
    WorkFolder &operator=(const WorkFolder &) = delete;
    const std::string &path() const { return path_; }
    std::string pathOf(const std::string &name) const { return path_ + "\\" + name; }

    void makeFolder(const std::string &name) const;
    // "sons" with a short valid WAV under each name.
    void addSounds(const std::vector<std::string> &names) const;
    void write(const std::string &name, const std::string &bytes) const;
    bool read(const std::string &name, std::string *bytes) const;
    // Names of everything in the folder, "sons" excepted, sorted.
    std::vector<std::string> listing() const;

private:
    std::string path_;
};

// One run of Pulsorel.exe; killed on destruction if it still runs.
class Program {
public:
    Program() = default;
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;
    // Starts the program with `folder` as its working directory.
    void start(const WorkFolder &folder);
    // Waits for the main dialog to be shown; null when it is not within the bound.
    HWND waitDialog();
    // A message box of the program (any shown dialog but the main one), or null.
    HWND findBox() const;
    HWND waitBox();
    // Waits for the process to end; false when it does not within the bound.
    bool waitExit(DWORD *exitCode);
    bool running() const;
    void kill();

    HANDLE process() const { return info_.hProcess; }
    DWORD threadId() const { return info_.dwThreadId; }
    // The main dialog, shown or not; null when it does not exist.
    HWND mainDialog() const;
    HWND focus() const;

private:
    PROCESS_INFORMATION info_ = {};
};

// Waits, by polls bounded by WAIT_MS, until `condition` holds or the program ends.
template <typename Condition> bool waitFor(const Program &program, Condition condition)
{
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > WAIT_MS || !program.running())
            return condition();
        WaitForSingleObject(program.process(), 10);
    }
    return true;
}

// SendMessage bounded by WAIT_MS: a hung program fails the test instead of hanging it.
LRESULT send(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
inline LRESULT sendItem(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam)
{
    return send(GetDlgItem(dialog, id), message, wParam, lParam);
}

// Reading controls of another process.
std::string textOf(HWND window);
std::string controlText(HWND dialog, int id);
std::vector<std::string> listItems(HWND combo);
int selection(HWND dialog, int id);
int volumePosition(HWND dialog);

// What the dialog shows of the five stored choices.
struct Choices {
    std::string tempo1, tempo2, sound1, sound2;
    int volume;
};
Choices shownChoices(HWND dialog);
std::string describe(const Choices &choices);

// Changing them as the user would, without closing anything.
void selectItem(HWND dialog, int id, const std::string &item);
void setVolume(HWND dialog, int position);
// Puts the focus on the tempo box and types `text` over its selected contents.
void typeTempo(const Program &program, HWND dialog, int id, const std::string &text);
// A key pressed and released, with Alt held or not, on `target`: the control that has the
// focus when the window is active.
void postKey(HWND target, UINT vk, bool alt = false);
// Makes the window the active one, as a click on it would; tests run side by side.
bool activate(const Program &program, HWND window);

// The window's icons, read from inside the program; `answered` false when nothing came back.
struct WindowIcons {
    bool answered;
    UINT_PTR big, small;
    long width, height; // of the big one
};
WindowIcons readIcons(const Program &program, HWND window);

// A message box as the user sees it.
enum class BoxIcon { none, error, warning, information, question, unknown };
const char *iconName(BoxIcon icon);
inline void PrintTo(BoxIcon icon, std::ostream *out) { *out << iconName(icon); }
struct BoxSeen {
    std::string caption, text;
    HWND owner;
};
BoxSeen readBox(HWND box);
// The system icon the box shows, recognised on screen; `expected` is awaited for a while
// because the box may still be painting or covered.
BoxIcon boxIcon(const Program &program, HWND box, BoxIcon expected);
void pressOk(HWND box);

// Starts the program in `folder` and waits for its dialog; null on failure.
HWND startDialog(Program &program, const WorkFolder &folder);
// Closes by a click on "Quitter" and expects exit code 0.
void quit(Program &program, HWND dialog);
// The bytes of "pulsorel.cfg", or NO_FILE.
std::string settingsOf(const WorkFolder &folder);

// Folders and runs that live as long as the test: every run still going at its end,
// passed or failed, is killed before its folder is removed.
class ProgramTest : public testing::Test {
protected:
    void TearDown() override
    {
        for (Program &program : programs_)
            program.kill();
    }
    WorkFolder &newFolder()
    {
        folders_.emplace_back();
        return folders_.back();
    }
    Program &newProgram()
    {
        programs_.emplace_back();
        return programs_.back();
    }

private:
    std::deque<WorkFolder> folders_; // first, so that it goes last
    std::deque<Program> programs_;
};

#endif
