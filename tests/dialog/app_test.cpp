// Start-up, the dispatch of commands and timers, the credits, and the close.
#include <windows.h>
#include <commctrl.h>
#include "dialog_fixture.h"
#include "../../src/controller/controller.h"
#include "../../res/resource.h"

class AppTest : public DialogTest {
protected:
    std::vector<std::string> soundFiles(void) override
    {
        return {"Zut.wav", "b.wav", "A.WAV", "cloche.Wav", "lisez-moi.txt", "son.wav.bak"};
    }
};

static std::vector<std::string> items(HWND dialog, int box)
{
    std::vector<std::string> texts;
    int count = (int)SendDlgItemMessageA(dialog, box, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        char text[256];
        SendDlgItemMessageA(dialog, box, CB_GETLBTEXT, i, (LPARAM)text);
        texts.push_back(text);
    }
    return texts;
}

TEST_F(AppTest, StartUpFillsTheWindowAndStartsTheEngineLast)
{
    std::vector<std::string> presets(TEMPO_PRESETS, TEMPO_PRESETS + COUNTOF(TEMPO_PRESETS));
    EXPECT_EQ((std::vector<std::string>{"1", "5", "10", "15", "20", "30", "40", "50", "60", "80", "100", "120",
                                        "140", "160", "180", "200", "220", "240"}),
              presets);
    std::vector<std::string> sounds = {"A.WAV", "b.wav", "cloche.Wav", "Zut.wav"};
    static const struct { int box; int selected; const char *shown; } boxes[] = {
        {IDC_TEMPO1, 8, "60"}, {IDC_TEMPO2, 8, "60"}, {IDC_SOUND1, 0, "A.WAV"}, {IDC_SOUND2, 0, "A.WAV"}};
    for (const auto &box : boxes) {
        bool tempo = box.box == IDC_TEMPO1 || box.box == IDC_TEMPO2;
        EXPECT_EQ(tempo ? presets : sounds, items(dialog, box.box)) << "box " << box.box;
        EXPECT_EQ(box.selected, send(box.box, CB_GETCURSEL)) << "box " << box.box;
        EXPECT_EQ(box.shown, text(box.box)) << "box " << box.box;
        EXPECT_TRUE(enabled(box.box)) << "box " << box.box;
    }

    EXPECT_EQ(0, send(IDC_VOLUME, TBM_GETRANGEMIN));
    EXPECT_EQ(255, send(IDC_VOLUME, TBM_GETRANGEMAX));
    EXPECT_EQ(0, send(IDC_VOLUME, TBM_GETPOS));
    for (int tic = 0; tic < 16; tic++)
        EXPECT_EQ(15 * (tic + 1), send(IDC_VOLUME, TBM_GETTIC, tic)) << "tick mark " << tic;

    HICON big = (HICON)SendMessageA(dialog, WM_GETICON, ICON_BIG, 0);
    EXPECT_TRUE(big);
    EXPECT_EQ(big, (HICON)SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0)) << "one icon for both sizes";

    ASSERT_EQ(1u, soundLog.size()) << describeSoundLog();
    EXPECT_EQ("Init", soundLog[0].name);
    EXPECT_EQ(48000, soundLog[0].value);
    EXPECT_EQ(3, soundLog[0].channel);
    EXPECT_EQ(0, soundLog[0].offset) << "flags";
    for (int n = 1; n <= 2; n++)
        EXPECT_FALSE(signals[n].running) << "signal " << n;
}

// Each command, and what it changes: which signals run, and the boxes it opens.
TEST_F(AppTest, CommandsReachTheirHandlersOnlyWhenWhole)
{
    static const struct {
        WPARAM wParam;
        bool running1, running2;
        const char *box;
    } rows[] = {
        {IDC_START1, true, false, NULL},
        {IDC_START2, false, true, NULL},
        {IDC_BOTH, true, true, NULL},
        {IDC_CREDITS, false, false, "Crédits"},
        {MAKEWPARAM(IDC_TEMPO1, CBN_SELCHANGE), false, false, NULL},
        {MAKEWPARAM(IDC_SOUND2, CBN_SELCHANGE), false, false, NULL},
        {MAKEWPARAM(IDC_TEMPO2, CBN_EDITCHANGE), false, false, NULL},
        {MAKEWPARAM(IDC_START1, BN_DOUBLECLICKED), false, false, NULL},
        {MAKEWPARAM(IDCANCEL, BN_SETFOCUS), false, false, NULL},
        {MAKEWPARAM(IDC_CREDITS, 1), false, false, NULL},
        {IDOK, false, false, NULL},
        {1011, false, false, NULL},
        {IDC_PROGRESS1, false, false, NULL},
    };
    for (const auto &row : rows) {
        resetSoundLog();
        seenBoxes.clear();
        EXPECT_EQ(TRUE, MainDialogProc(dialog, WM_COMMAND, row.wParam, 0)) << "wParam " << std::hex << row.wParam;
        EXPECT_EQ(row.running1, signals[1].running) << "wParam " << std::hex << row.wParam;
        EXPECT_EQ(row.running2, signals[2].running) << "wParam " << std::hex << row.wParam;
        ASSERT_EQ(row.box ? 1u : 0u, seenBoxes.size()) << "wParam " << std::hex << row.wParam;
        if (row.box) {
            EXPECT_EQ(row.box, seenBoxes[0].caption) << "wParam " << std::hex << row.wParam;
        }
        if (!row.running1 && !row.running2) {
            EXPECT_TRUE(soundLog.empty()) << "wParam " << std::hex << row.wParam << "\n" << describeSoundLog();
        }
        for (int n = 1; n <= 2; n++)
            if (signals[n].running)
                toggleSignal(n);
    }
}

TEST_F(AppTest, TimersReachTheirHandlers)
{
    setTempo(1, "60");
    setTempo(2, "30");
    command(IDC_BOTH);
    static const struct {
        UINT_PTR id;
        int playedOn;   // channel of the beat, or 0
        int barMoved;   // signal whose bar stepped, or 0
    } rows[] = {
        {TIMER_BEAT1, 1, 0}, {TIMER_BEAT2, 2, 0}, {TIMER_STEP1, 0, 1}, {TIMER_STEP2, 0, 2},
        {0, 0, 0},           {3, 0, 0},           {10, 0, 0},          {13, 0, 0},
        {21, 0, 0},          {99, 0, 0},
    };
    for (const auto &row : rows) {
        resetSoundLog();
        send(IDC_PROGRESS1, PBM_SETPOS, 100);
        send(IDC_PROGRESS2, PBM_SETPOS, 100);
        signals[1].lastStepTime = signals[2].lastStepTime = testClock;
        testClock += 10;
        EXPECT_EQ(TRUE, MainDialogProc(dialog, WM_TIMER, row.id, 0)) << "timer " << row.id;

        std::vector<SoundCall> plays = soundCalls("Play");
        ASSERT_EQ(row.playedOn ? 1u : 0u, plays.size()) << "timer " << row.id << "\n" << describeSoundLog();
        if (row.playedOn) {
            EXPECT_EQ(row.playedOn, plays[0].channel) << "timer " << row.id;
            EXPECT_EQ(signals[row.playedOn].sample, plays[0].handle) << "timer " << row.id;
        }
        for (int n = 1; n <= 2; n++) {
            int expected = row.playedOn == n ? 0 : 100;
            if (row.barMoved == n)
                expected = 110;
            EXPECT_EQ(expected, send(n == 1 ? IDC_PROGRESS1 : IDC_PROGRESS2, PBM_GETPOS))
                << "timer " << row.id << ", bar " << n;
        }
    }
}

TEST_F(AppTest, OtherMessagesAreLeftToTheDialogManager)
{
    static const UINT messages[] = {WM_USER, WM_USER + 100, WM_HSCROLL, WM_VSCROLL, WM_NOTIFY, WM_APP};
    for (UINT message : messages) {
        resetSoundLog();
        EXPECT_EQ(FALSE, MainDialogProc(dialog, message, 0, 0)) << "message " << std::hex << message;
        EXPECT_TRUE(soundLog.empty()) << "message " << std::hex << message;
    }
}

TEST_F(AppTest, CreditsBox)
{
    command(IDC_CREDITS);
    ASSERT_EQ(1u, seenBoxes.size());
    EXPECT_EQ("Crédits", seenBoxes[0].caption);
    EXPECT_EQ((UINT)MB_ICONINFORMATION, seenBoxes[0].icon);
    std::vector<std::string> lines;
    std::string text = seenBoxes[0].text;
    for (size_t start = 0, end;; start = end + 1) {
        end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            break;
    }
    ASSERT_EQ(5u, lines.size()) << text;
    EXPECT_EQ("", lines[0]);
    EXPECT_EQ("Les sons inclus sont libres de droits.", lines[1]);
    EXPECT_EQ("", lines[2]);
    EXPECT_NE(std::string::npos, (lines[3] + lines[4]).find("2005")) << text;
    EXPECT_NE(std::string::npos, (lines[3] + lines[4]).find("http")) << text;
}

// A running signal keeps beating, and its bar keeps moving, while a box is open.
TEST_F(AppTest, SignalKeepsBeatingWhileABoxIsOpen)
{
    static const struct { const char *name; WPARAM command; } boxes[] = {
        {"credits", IDC_CREDITS}, {"tempo warning", IDC_START2}};
    readClock = timeGetTime;
    setTempo(1, "240");
    setTempo(2, "0");
    command(IDC_START1);
    for (const auto &box : boxes) {
        resetSoundLog();
        seenBoxes.clear();
        bool beat = false, moved = false;
        whileBoxOpen = [&]() {
            beat = beat || !soundCalls("Play").empty();
            moved = moved || send(IDC_PROGRESS1, PBM_GETPOS) > 0;
            return beat && moved;
        };
        command(box.command);
        ASSERT_EQ(1u, seenBoxes.size()) << box.name;
        EXPECT_TRUE(beat) << box.name << ": no beat while the box was open (5 s)";
        EXPECT_TRUE(moved) << box.name << ": the bar stood still while the box was open (5 s)";
    }
}

// Every way of closing stores the settings, closes the engine and exits with 0.
TEST_F(AppTest, CloseExitsWithZero)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(SendMessageA(dialog, WM_CLOSE, 0, 0), testing::ExitedWithCode(0), "sound engine closed");
    EXPECT_EXIT(command(IDCANCEL), testing::ExitedWithCode(0), "sound engine closed");
    EXPECT_EXIT(SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0), testing::ExitedWithCode(0), "sound engine closed");
}
