// The metronome's state and routines, shared by the dialog, the settings and the tests.
#ifndef PULSOREL_CONTROLLER_H
#define PULSOREL_CONTROLLER_H

#include <windows.h>
#include "../sound/fsound.h"

#define COUNTOF(a) (sizeof(a) / sizeof((a)[0]))

#define MAX_TEMPO      240
#define STEP_PERIOD_MS 10

#define TIMER_BEAT1 1
#define TIMER_BEAT2 2
#define TIMER_STEP1 11
#define TIMER_STEP2 12

#define SOUND_DIR           "sons"
#define DEFAULT_TEMPO_INDEX 8

struct Signal {
    bool running;
    double intervalSeconds;
    DWORD lastStepTime;
    char soundName[256];
    FSOUND_SAMPLE *sample;
};

// Indexed by signal number, 1 or 2; slot 0 is unused.
extern Signal signals[3];
extern HWND mainDialog;
extern HINSTANCE appInstance;

// The millisecond clock; timeGetTime, unless a test drives it.
extern DWORD (WINAPI *readClock)(void);

extern const char *const TEMPO_PRESETS[18];

UINT intervalMs(int n);
void toggleSignal(int n);
void toggleBothSignals(void);
void applyVolume(void);

void onBeatTimer(int n);
void onProgressTimer(int n);

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void onInitDialog(void);
void saveAndExit(void);
void showCredits(void);

#endif
