// Starting and stopping signals, and the beat and progress ticks.
#include <windows.h>
#include <commctrl.h>
#include "dialog_fixture.h"
#include "../../src/controller/controller.h"
#include "../../res/resource.h"

class SignalTest : public DialogTest {};

static const struct {
    int start, progress, tempo, sound;
} controlsOf[3] = {{0, 0, 0, 0},
                   {IDC_START1, IDC_PROGRESS1, IDC_TEMPO1, IDC_SOUND1},
                   {IDC_START2, IDC_PROGRESS2, IDC_TEMPO2, IDC_SOUND2}};

static const char WARNING_TEXT[] = "Merci d'entrer un nombre compris entre 1 et 240 inclus.";

TEST_F(SignalTest, RefusedTempoWarnsAndChangesNothing)
{
    static const char *const tempos[] = {"0", "-5", "241", "", "abc", "99999999999"};
    for (int n = 1; n <= 2; n++) {
        for (const char *tempo : tempos) {
            resetSoundLog();
            seenBoxes.clear();
            setTempo(n, tempo);
            command(controlsOf[n].start);

            ASSERT_EQ(1u, seenBoxes.size()) << "signal " << n << ", tempo \"" << tempo << "\"";
            EXPECT_EQ("Erreur", seenBoxes[0].caption) << "tempo \"" << tempo << "\"";
            EXPECT_EQ(WARNING_TEXT, seenBoxes[0].text) << "tempo \"" << tempo << "\"";
            EXPECT_EQ((UINT)MB_ICONWARNING, seenBoxes[0].icon) << "tempo \"" << tempo << "\"";
            EXPECT_FALSE(signals[n].running) << "tempo \"" << tempo << "\"";
            EXPECT_EQ("Démarrer", text(controlsOf[n].start)) << "tempo \"" << tempo << "\"";
            EXPECT_TRUE(enabled(controlsOf[n].tempo)) << "tempo \"" << tempo << "\"";
            EXPECT_TRUE(enabled(controlsOf[n].sound)) << "tempo \"" << tempo << "\"";
            EXPECT_TRUE(soundLog.empty()) << "tempo \"" << tempo << "\"\n" << describeSoundLog();
        }
    }
}

TEST_F(SignalTest, PeriodIsWholeMillisecondsOfTheTempo)
{
    static const struct { const char *tempo; int ms; } rows[] = {
        {"240", 250}, {"220", 272}, {"180", 333}, {"140", 428}, {"120", 500},
        {"60", 1000}, {"7", 8571},  {"1", 60000}, {" 90", 666}};
    for (const auto &row : rows) {
        setTempo(1, row.tempo);
        send(IDC_PROGRESS1, PBM_SETPOS, 17);
        command(IDC_START1);
        PBRANGE range;
        send(IDC_PROGRESS1, PBM_GETRANGE, FALSE, (LPARAM)&range);
        EXPECT_EQ(0, range.iLow) << "tempo " << row.tempo;
        EXPECT_EQ(row.ms, range.iHigh) << "tempo " << row.tempo;
        EXPECT_EQ((UINT)row.ms, intervalMs(1)) << "tempo " << row.tempo;
        EXPECT_EQ(0, send(IDC_PROGRESS1, PBM_GETPOS)) << "tempo " << row.tempo;
        command(IDC_START1);
    }
    // Truncated from double precision, the period is the integer quotient for every tempo.
    for (int tempo = 1; tempo <= MAX_TEMPO; tempo++) {
        signals[2].intervalSeconds = 60.0 / tempo;
        EXPECT_EQ((UINT)(60000 / tempo), intervalMs(2)) << "tempo " << tempo;
    }
}

TEST_F(SignalTest, StartThenStopEachSignal)
{
    for (int n = 1; n <= 2; n++) {
        SCOPED_TRACE(testing::Message() << "signal " << n);
        resetSoundLog();
        setTempo(n, "120");
        send(controlsOf[n].sound, CB_SETCURSEL, 1); // "b.wav"
        send(IDC_VOLUME, TBM_SETPOS, TRUE, 40);
        command(controlsOf[n].start);

        EXPECT_TRUE(signals[n].running);
        EXPECT_EQ("Arrêter", text(controlsOf[n].start));
        EXPECT_FALSE(enabled(controlsOf[n].tempo));
        EXPECT_FALSE(enabled(controlsOf[n].sound));
        EXPECT_TRUE(enabled(controlsOf[3 - n].tempo)) << "the other signal's boxes";
        EXPECT_STREQ("b.wav", signals[n].soundName);
        ASSERT_EQ(3u, soundLog.size()) << describeSoundLog();
        EXPECT_EQ("Load", soundLog[0].name);
        EXPECT_EQ("sons\\b.wav", soundLog[0].path);
        EXPECT_EQ(FSOUND_FREE, soundLog[0].channel);
        EXPECT_EQ(FSOUND_NORMAL, soundLog[0].value);
        EXPECT_EQ(0, soundLog[0].offset);
        EXPECT_EQ(0, soundLog[0].length);
        ASSERT_TRUE(soundLog[0].handle);
        EXPECT_EQ("Play", soundLog[1].name);
        EXPECT_EQ(n, soundLog[1].channel);
        EXPECT_EQ(soundLog[0].handle, soundLog[1].handle);
        EXPECT_EQ("Volume", soundLog[2].name);
        EXPECT_EQ(FSOUND_ALL, soundLog[2].channel);
        EXPECT_EQ(215, soundLog[2].value);

        FSOUND_SAMPLE *sample = soundLog[0].handle;
        testClock += 300;
        timer(n + 10);
        EXPECT_EQ(300, send(controlsOf[n].progress, PBM_GETPOS));
        resetSoundLog();
        command(controlsOf[n].start);

        EXPECT_FALSE(signals[n].running);
        EXPECT_EQ("Démarrer", text(controlsOf[n].start));
        EXPECT_TRUE(enabled(controlsOf[n].tempo));
        EXPECT_TRUE(enabled(controlsOf[n].sound));
        EXPECT_EQ(0, send(controlsOf[n].progress, PBM_GETPOS));
        ASSERT_EQ(1u, soundLog.size()) << describeSoundLog();
        EXPECT_EQ("Free", soundLog[0].name);
        EXPECT_EQ(sample, soundLog[0].handle);
    }
}

TEST_F(SignalTest, TimersTickWhileRunningAndNotAfter)
{
    setTempo(1, "240");
    command(IDC_START1);
    // Wait, through the real message queue, until both timers of signal 1 have ticked.
    bool beat = false, step = false;
    DWORD until = GetTickCount() + 3000;
    MSG message;
    while (!(beat && step) && GetTickCount() < until) {
        if (!PeekMessageA(&message, dialog, WM_TIMER, WM_TIMER, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, NULL, FALSE, 50, QS_TIMER);
            continue;
        }
        beat |= message.wParam == TIMER_BEAT1;
        step |= message.wParam == TIMER_STEP1;
        DispatchMessageA(&message);
    }
    EXPECT_TRUE(beat) << "no beat timer event within 3 s at 240 BPM";
    EXPECT_TRUE(step) << "no step timer event within 3 s";

    command(IDC_START1);
    // Past a beat period after the stop, a timer of our own comes, and none of theirs.
    SetTimer(dialog, 99, 400, NULL);
    UINT_PTR seen = 0;
    if (GetMessageA(&message, dialog, WM_TIMER, WM_TIMER))
        seen = message.wParam;
    KillTimer(dialog, 99);
    EXPECT_EQ(99u, seen) << "timer " << seen << " ticked after the stop";
}

TEST_F(SignalTest, MissingSoundRunsSilentlyAndStops)
{
    DeleteFileA("sons\\A.WAV"); // listed at start-up, gone since
    send(IDC_SOUND1, CB_SETCURSEL, 0);
    ASSERT_EQ("A.WAV", text(IDC_SOUND1));
    command(IDC_START1);

    EXPECT_TRUE(signals[1].running);
    EXPECT_EQ("Arrêter", text(IDC_START1));
    ASSERT_EQ(1u, soundCalls("Load").size()) << describeSoundLog();
    EXPECT_EQ((FSOUND_SAMPLE *)NULL, soundLog.back().handle);
    EXPECT_TRUE(soundCalls("Play").empty()) << describeSoundLog();
    EXPECT_TRUE(soundCalls("Volume").empty()) << describeSoundLog();

    testClock += 250;
    timer(TIMER_STEP1);
    EXPECT_EQ(250, send(IDC_PROGRESS1, PBM_GETPOS)) << "the bar moves all the same";
    resetSoundLog();
    timer(TIMER_BEAT1);
    EXPECT_EQ(0, send(IDC_PROGRESS1, PBM_GETPOS));
    EXPECT_TRUE(soundCalls("Play").empty()) << describeSoundLog();
    ASSERT_EQ(1u, soundCalls("Volume").size()) << "a silent beat still applies the volume\n" << describeSoundLog();

    resetSoundLog();
    command(IDC_START1);
    EXPECT_FALSE(signals[1].running);
    EXPECT_EQ("Démarrer", text(IDC_START1));
    ASSERT_EQ(1u, soundLog.size()) << describeSoundLog();
    EXPECT_EQ("Free", soundLog[0].name);
    EXPECT_EQ((FSOUND_SAMPLE *)NULL, soundLog[0].handle);
}

TEST_F(SignalTest, SoundNameTooLongForThePathRunsSilently)
{
    // "sons\" and 251 characters is one more than the path holds.
    static const size_t lengths[] = {250, 251, 255};
    for (size_t length : lengths) {
        std::string name(length - 4, 'x');
        name += ".wav";
        send(IDC_SOUND1, CB_SETCURSEL, send(IDC_SOUND1, CB_ADDSTRING, 0, (LPARAM)name.c_str()));
        resetSoundLog();
        command(IDC_START1);
        EXPECT_TRUE(signals[1].running) << "length " << length;
        EXPECT_EQ(name, signals[1].soundName) << "length " << length;
        std::vector<SoundCall> loads = soundCalls("Load");
        if (length <= 250) {
            ASSERT_EQ(1u, loads.size()) << "length " << length;
            EXPECT_EQ("sons\\" + name, loads[0].path) << "length " << length;
        } else {
            EXPECT_TRUE(loads.empty()) << "length " << length << ": a cut-off name was loaded\n" << describeSoundLog();
        }
        EXPECT_TRUE(soundCalls("Play").empty()) << "length " << length;
        command(IDC_START1);
    }
}

TEST_F(SignalTest, BothSignalsButton)
{
    static const struct {
        bool before1, before2;
        const char *tempo1;
        bool after1, after2;
        size_t warnings;
    } rows[] = {
        {false, false, "60", true, true, 0},
        {true, false, "60", false, false, 0},
        {false, true, "60", false, false, 0},
        {true, true, "60", false, false, 0},
        {false, false, "0", false, true, 1},
    };
    for (size_t row = 0; row < COUNTOF(rows); row++) {
        const auto &r = rows[row];
        setTempo(1, "60");
        setTempo(2, "120");
        send(IDC_SOUND2, CB_SETCURSEL, 2); // "c.wav", to tell the signals' loads apart
        if (r.before1)
            command(IDC_START1);
        if (r.before2)
            command(IDC_START2);
        FSOUND_SAMPLE *before[3] = {NULL, signals[1].sample, signals[2].sample};
        setTempo(1, r.tempo1);
        seenBoxes.clear();
        resetSoundLog();
        command(IDC_BOTH);

        EXPECT_EQ(r.after1, signals[1].running) << "row " << row;
        EXPECT_EQ(r.after2, signals[2].running) << "row " << row;
        EXPECT_EQ(r.warnings, seenBoxes.size()) << "row " << row;
        EXPECT_EQ(r.after1 ? "Arrêter" : "Démarrer", text(IDC_START1)) << "row " << row;
        EXPECT_EQ(r.after2 ? "Arrêter" : "Démarrer", text(IDC_START2)) << "row " << row;

        // What each signal loaded or freed, signal 1 always first.
        std::vector<std::string> handled, expected;
        for (const SoundCall &call : soundLog) {
            if (call.name == "Load")
                handled.push_back("load " + call.path);
            if (call.name == "Free")
                handled.push_back(call.handle == before[1] ? "free 1" : call.handle == before[2] ? "free 2" : "free ?");
        }
        for (int n = 1; n <= 2; n++) {
            bool was = n == 1 ? r.before1 : r.before2, is = n == 1 ? r.after1 : r.after2;
            if (was && !is)
                expected.push_back(n == 1 ? "free 1" : "free 2");
            if (!was && is)
                expected.push_back(n == 1 ? "load sons\\A.WAV" : "load sons\\c.wav");
        }
        EXPECT_EQ(expected, handled) << "row " << row << "\n" << describeSoundLog();

        for (int n = 1; n <= 2; n++)
            if (signals[n].running)
                command(controlsOf[n].start);
    }
}

TEST_F(SignalTest, BeatReplaysResetsBarAndAppliesVolumeToBoth)
{
    setTempo(1, "60");
    command(IDC_START1);
    FSOUND_SAMPLE *sample = signals[1].sample;
    ASSERT_TRUE(sample);
    send(IDC_PROGRESS1, PBM_SETPOS, 700);
    send(IDC_VOLUME, TBM_SETPOS, TRUE, 100);
    resetSoundLog();
    timer(TIMER_BEAT1);

    ASSERT_EQ(2u, soundLog.size()) << describeSoundLog();
    EXPECT_EQ("Play", soundLog[0].name);
    EXPECT_EQ(1, soundLog[0].channel);
    EXPECT_EQ(sample, soundLog[0].handle);
    EXPECT_EQ("Volume", soundLog[1].name);
    EXPECT_EQ(FSOUND_ALL, soundLog[1].channel) << "the volume is set for both signals";
    EXPECT_EQ(155, soundLog[1].value);
    EXPECT_EQ(0, send(IDC_PROGRESS1, PBM_GETPOS));

    // Moving the trackbar alone calls nothing; the next beat carries the new volume.
    resetSoundLog();
    send(IDC_VOLUME, TBM_SETPOS, TRUE, 255);
    SendMessageA(dialog, WM_VSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 255), (LPARAM)GetDlgItem(dialog, IDC_VOLUME));
    EXPECT_TRUE(soundLog.empty()) << describeSoundLog();
    timer(TIMER_BEAT1);
    ASSERT_EQ(1u, soundCalls("Volume").size()) << describeSoundLog();
    EXPECT_EQ(0, soundCalls("Volume")[0].value);
}

TEST_F(SignalTest, StrayEventsAfterStopDoNothing)
{
    setTempo(2, "120");
    command(IDC_START2);
    FSOUND_SAMPLE *sample = signals[2].sample;
    command(IDC_START2);
    resetSoundLog();
    testClock += 40;
    timer(TIMER_BEAT2);
    timer(TIMER_STEP2);
    EXPECT_TRUE(soundLog.empty()) << describeSoundLog();
    EXPECT_EQ(0, send(IDC_PROGRESS2, PBM_GETPOS));
    for (const SoundCall &call : soundLog)
        EXPECT_NE(sample, call.handle) << "the freed sample was used";
}

TEST_F(SignalTest, StepsAddTheElapsedClockTime)
{
    static const struct {
        const char *name;
        DWORD start;
        DWORD steps[3]; // clock at each step
        int position;   // of 0..1000 after the steps
    } rows[] = {
        {"regular", 5000, {5010, 5020, 5030}, 30},
        {"late step", 5000, {5010, 5100, 5110}, 110},
        {"wrap between steps", 0xFFFFFFF0u, {0xFFFFFFFAu, 0x00000004u, 0x0000000Eu}, 30},
        {"wrap at the start", 0xFFFFFFFFu, {0x00000009u, 0x00000013u, 0x0000001Du}, 30},
        {"no time passed", 7, {7, 7, 7}, 0},
    };
    for (const auto &row : rows) {
        testClock = row.start;
        setTempo(1, "60");
        command(IDC_START1);
        for (DWORD now : row.steps) {
            testClock = now;
            timer(TIMER_STEP1);
        }
        EXPECT_EQ(row.position, send(IDC_PROGRESS1, PBM_GETPOS)) << row.name;
        command(IDC_START1);
    }
}

TEST_F(SignalTest, BarFillsToHalfInHalfAPeriodAndStartsOverPastTheTop)
{
    setTempo(1, "60");
    command(IDC_START1);
    for (int step = 0; step < 50; step++) {
        testClock += 10;
        timer(TIMER_STEP1);
    }
    EXPECT_EQ(500, send(IDC_PROGRESS1, PBM_GETPOS));
    timer(TIMER_BEAT1);
    EXPECT_EQ(0, send(IDC_PROGRESS1, PBM_GETPOS));

    // A late beat: the steps carry the bar past the top, and it starts over from the bottom.
    for (int step = 0; step < 99; step++) {
        testClock += 10;
        timer(TIMER_STEP1);
    }
    EXPECT_EQ(990, send(IDC_PROGRESS1, PBM_GETPOS));
    testClock += 30;
    timer(TIMER_STEP1);
    LRESULT position = send(IDC_PROGRESS1, PBM_GETPOS);
    EXPECT_LT(position, 990) << "the bar stuck at the top";
    EXPECT_GE(position, 0);
}
