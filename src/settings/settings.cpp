// Reading and writing the five fields of "pulsorel.cfg": two tempos, two sounds, the
// volume position, each followed by one blank.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "settings.h"
#include "../controller/controller.h"
#include "../../res/resource.h"

// Written beside the settings, then renamed over them, so that an interrupted close
// never leaves a cut-off file.
#define SETTINGS_NEW_FILE SETTINGS_FILE ".new"

#define BLANKS " \t\n\v\f\r"

// Selects the item whose whole text is `text`, case ignored; else the box keeps its choice.
static bool selectItem(int box, const char *text)
{
    if (strlen(text) > 255) // no list item is that long
        return false;
    LRESULT index = SendDlgItemMessageA(mainDialog, box, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)text);
    if (index == CB_ERR)
        return false;
    SendDlgItemMessageA(mainDialog, box, CB_SETCURSEL, (WPARAM)index, 0);
    return true;
}

static void setVolumePosition(const char *text)
{
    long position = strtol(text, NULL, 10);
    if (position < 0)
        position = 0;
    if (position > 255)
        position = 255;
    SendDlgItemMessageA(mainDialog, IDC_VOLUME, TBM_SETPOS, TRUE, position);
}

// Joins words[first..last) with single blanks; false when that is longer than a file name.
static bool joinWords(char *const *words, int first, int last, char *out, size_t size)
{
    size_t used = 0;
    out[0] = '\0';
    for (int i = first; i < last; i++) {
        int written = snprintf(out + used, size - used, i > first ? " %s" : "%s", words[i]);
        if (written < 0 || (size_t)written >= size - used)
            return false;
        used += written;
    }
    return true;
}

// Sound names with blanks in them come back as more than two words: restore the two
// sounds only where one split of the words names a listed sound on each side.
static void selectSoundsWithBlanks(char *const *words, int count)
{
    char first[256], second[256];
    for (int split = 1; split < count; split++) {
        if (!joinWords(words, 0, split, first, sizeof(first)) ||
            !joinWords(words, split, count, second, sizeof(second)))
            continue;
        if (SendDlgItemMessageA(mainDialog, IDC_SOUND1, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)first) != CB_ERR &&
            SendDlgItemMessageA(mainDialog, IDC_SOUND2, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)second) != CB_ERR) {
            selectItem(IDC_SOUND1, first);
            selectItem(IDC_SOUND2, second);
            return;
        }
    }
}

void loadSettings(void)
{
    FILE *file = fopen(SETTINGS_FILE, "r");
    if (!file)
        return;
    // Five fields of at most 255 characters fit; what a longer file holds past this is not read.
    char text[2048];
    size_t size = fread(text, 1, sizeof(text) - 1, file);
    fclose(file);
    text[size] = '\0';

    char *words[COUNTOF(text) / 2];
    int count = 0;
    for (char *word = strtok(text, BLANKS); word; word = strtok(NULL, BLANKS))
        words[count++] = word;

    if (count > 0)
        selectItem(IDC_TEMPO1, words[0]);
    if (count > 1)
        selectItem(IDC_TEMPO2, words[1]);
    if (count <= 5) {
        if (count > 2)
            selectItem(IDC_SOUND1, words[2]);
        if (count > 3)
            selectItem(IDC_SOUND2, words[3]);
        if (count > 4)
            setVolumePosition(words[4]);
        return;
    }
    // The volume is always the last field.
    selectSoundsWithBlanks(words + 2, count - 3);
    setVolumePosition(words[count - 1]);
}

void saveSettings(void)
{
    char tempo1[256], tempo2[256], sound1[256], sound2[256];
    GetDlgItemTextA(mainDialog, IDC_TEMPO1, tempo1, COUNTOF(tempo1));
    GetDlgItemTextA(mainDialog, IDC_TEMPO2, tempo2, COUNTOF(tempo2));
    GetDlgItemTextA(mainDialog, IDC_SOUND1, sound1, COUNTOF(sound1));
    GetDlgItemTextA(mainDialog, IDC_SOUND2, sound2, COUNTOF(sound2));
    int volume = (int)SendDlgItemMessageA(mainDialog, IDC_VOLUME, TBM_GETPOS, 0, 0);

    FILE *file = fopen(SETTINGS_NEW_FILE, "w");
    if (!file)
        return;
    bool written = fprintf(file, "%s %s %s %s %d ", tempo1, tempo2, sound1, sound2, volume) > 0;
    written = fclose(file) == 0 && written;
    if (!written || !MoveFileExA(SETTINGS_NEW_FILE, SETTINGS_FILE, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        DeleteFileA(SETTINGS_NEW_FILE);
}
