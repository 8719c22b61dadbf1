// Starting and stopping the two signals.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include "controller.h"
#include "../../res/resource.h"

Signal signals[3];
HWND mainDialog;
DWORD (WINAPI *readClock)(void) = timeGetTime;

// Controls of signal n, indexed by n.
static const int startButton[3] = {0, IDC_START1, IDC_START2};
static const int progressBar[3] = {0, IDC_PROGRESS1, IDC_PROGRESS2};
static const int tempoBox[3] = {0, IDC_TEMPO1, IDC_TEMPO2};
static const int soundBox[3] = {0, IDC_SOUND1, IDC_SOUND2};

UINT intervalMs(int n)
{
    return (UINT)(signals[n].intervalSeconds * 1000.0);
}

void applyVolume(void)
{
    int position = (int)SendDlgItemMessageA(mainDialog, IDC_VOLUME, TBM_GETPOS, 0, 0);
    FSOUND_SetVolume(FSOUND_ALL, 255 - position);
}

static void startSignal(int n)
{
    Signal *s = &signals[n];
    int tempo = (int)GetDlgItemInt(mainDialog, tempoBox[n], NULL, TRUE);
    GetDlgItemTextA(mainDialog, soundBox[n], s->soundName, COUNTOF(s->soundName));
    if (tempo < 1 || tempo > MAX_TEMPO) {
        MessageBoxA(mainDialog, "Merci d'entrer un nombre compris entre 1 et 240 inclus.", "Erreur",
                    MB_OK | MB_ICONWARNING);
        return;
    }

    s->running = true;
    s->intervalSeconds = 60.0 / tempo;
    s->lastStepTime = readClock();
    SetTimer(mainDialog, n, intervalMs(n), NULL);
    SetDlgItemTextA(mainDialog, startButton[n], "Arrêter");
    EnableWindow(GetDlgItem(mainDialog, tempoBox[n]), FALSE);
    EnableWindow(GetDlgItem(mainDialog, soundBox[n]), FALSE);
    SendDlgItemMessageA(mainDialog, progressBar[n], PBM_SETRANGE32, 0, intervalMs(n));
    SendDlgItemMessageA(mainDialog, progressBar[n], PBM_SETPOS, 0, 0);
    SetTimer(mainDialog, n + 10, STEP_PERIOD_MS, NULL);

    // A name too long for the path is not cut short into another file's name:
    // the signal then runs silently, as with any sound that cannot be loaded.
    char path[256];
    int length = snprintf(path, sizeof(path), SOUND_DIR "\\%s", s->soundName);
    s->sample = length >= 0 && length < (int)sizeof(path)
                    ? FSOUND_Sample_Load(FSOUND_FREE, path, FSOUND_NORMAL, 0, 0)
                    : NULL;
    if (s->sample) {
        FSOUND_PlaySound(n, s->sample);
        applyVolume();
    }
}

static void stopSignal(int n)
{
    Signal *s = &signals[n];
    s->running = false;
    KillTimer(mainDialog, n);
    KillTimer(mainDialog, n + 10);
    FSOUND_Sample_Free(s->sample);
    s->sample = NULL; // nothing may play it once freed
    SendDlgItemMessageA(mainDialog, progressBar[n], PBM_SETPOS, 0, 0);
    SetDlgItemTextA(mainDialog, startButton[n], "Démarrer");
    EnableWindow(GetDlgItem(mainDialog, tempoBox[n]), TRUE);
    EnableWindow(GetDlgItem(mainDialog, soundBox[n]), TRUE);
}

void toggleSignal(int n)
{
    if (signals[n].running)
        stopSignal(n);
    else
        startSignal(n);
}

void toggleBothSignals(void)
{
    if (!signals[1].running && !signals[2].running) {
        startSignal(1);
        startSignal(2);
        return;
    }
    for (int n = 1; n <= 2; n++)
        if (signals[n].running)
            stopSignal(n);
}

void onBeatTimer(int n)
{
    Signal *s = &signals[n];
    if (!s->running) // a stray event after the stop
        return;
    if (s->sample)
        FSOUND_PlaySound(n, s->sample);
    SendDlgItemMessageA(mainDialog, progressBar[n], PBM_SETPOS, 0, 0);
    applyVolume();
}

void onProgressTimer(int n)
{
    Signal *s = &signals[n];
    if (!s->running)
        return;
    // Unsigned difference: right across the clock's wrap-around. Keeping `now` as the
    // next start loses no time between two steps.
    DWORD now = readClock();
    SendDlgItemMessageA(mainDialog, progressBar[n], PBM_SETSTEP, (WPARAM)(now - s->lastStepTime), 0);
    s->lastStepTime = now;
    SendDlgItemMessageA(mainDialog, progressBar[n], PBM_STEPIT, 0, 0);
}
