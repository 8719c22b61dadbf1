// "pulsorel.cfg": what start-up restores from it, and what the close writes to it.
#include <windows.h>
#include <commctrl.h>
#include "dialog_fixture.h"
#include "../../src/controller/controller.h"
#include "../../src/settings/settings.h"
#include "../../res/resource.h"

class SettingsTest : public DialogTest {
protected:
    SettingsTest() { createOnSetUp = false; }
    std::vector<std::string> soundFiles(void) override { return {"a.wav", "b.wav", "c.wav", "mon clic.wav"}; }

    std::string choices(void)
    {
        return text(IDC_TEMPO1) + "|" + text(IDC_TEMPO2) + "|" + text(IDC_SOUND1) + "|" + text(IDC_SOUND2) + "|" +
               std::to_string(send(IDC_VOLUME, TBM_GETPOS));
    }
};

static const std::string LONG_TOKEN(300, 'x');

TEST_F(SettingsTest, StartUpRestoresWhatMatches)
{
    static const struct {
        const char *name;
        const char *file; // NULL: no file
        std::string content;
        const char *restored; // tempo 1|tempo 2|sound 1|sound 2|volume position
    } rows[] = {
        {"no file", NULL, "", "60|60|a.wav|a.wav|0"},
        {"empty file", "", "", "60|60|a.wav|a.wav|0"},
        {"all five", "x", "120 240 b.wav c.wav 100 ", "120|240|b.wav|c.wav|100"},
        {"unlisted tempo", "x", "72 120 b.wav c.wav 100 ", "60|120|b.wav|c.wav|100"},
        {"volume over the range", "x", "60 60 a.wav a.wav 300 ", "60|60|a.wav|a.wav|255"},
        {"negative volume", "x", "60 60 a.wav a.wav -4 ", "60|60|a.wav|a.wav|0"},
        {"volume not a number", "x", "60 60 a.wav b.wav abc ", "60|60|a.wav|b.wav|0"},
        {"volume with trailing text", "x", "60 60 a.wav b.wav 12abc ", "60|60|a.wav|b.wav|12"},
        {"volume past the int range", "x", "60 60 a.wav b.wav 99999999999 ", "60|60|a.wav|b.wav|255"},
        {"sounds in other case", "x", "120 240 B.WAV C.Wav 100 ", "120|240|b.wav|c.wav|100"},
        {"sound no longer there", "x", "120 240 gone.wav c.wav 100 ", "120|240|a.wav|c.wav|100"},
        {"two tokens", "x", "120 240 ", "120|240|a.wav|a.wav|0"},
        {"four tokens", "x", "120 240 b.wav c.wav", "120|240|b.wav|c.wav|0"},
        {"lines instead of blanks", "x", "120\n240\nb.wav\nc.wav\n100\n", "120|240|b.wav|c.wav|100"},
        {"over-long tempo", "x", "120 " + LONG_TOKEN + " b.wav c.wav 100 ", "120|60|b.wav|c.wav|100"},
        {"over-long sound", "x", "120 240 " + LONG_TOKEN + " c.wav 100 ", "120|240|a.wav|c.wav|100"},
        {"blank in sound 1", "x", "120 240 mon clic.wav c.wav 100 ", "120|240|mon clic.wav|c.wav|100"},
        {"blank in sound 2", "x", "120 240 b.wav mon clic.wav 100 ", "120|240|b.wav|mon clic.wav|100"},
        {"blank in both", "x", "120 240 mon clic.wav mon clic.wav 7 ", "120|240|mon clic.wav|mon clic.wav|7"},
        {"blank in a name that is gone", "x", "120 240 vieux son.wav c.wav 100 ", "120|240|a.wav|a.wav|100"},
    };
    for (const auto &row : rows) {
        DeleteFileA(SETTINGS_FILE);
        if (row.file)
            writeFile(SETTINGS_FILE, row.content);
        createDialog();
        EXPECT_EQ(row.restored, choices()) << row.name;
        DestroyWindow(dialog);
        dialog = NULL;
    }
}

TEST_F(SettingsTest, RestoredVolumeIsHeardAtTheFirstStart)
{
    writeFile(SETTINGS_FILE, "120 240 b.wav c.wav 100 ");
    createDialog();
    resetSoundLog();
    command(IDC_START1);
    std::vector<SoundCall> volumes = soundCalls("Volume");
    ASSERT_EQ(1u, volumes.size()) << describeSoundLog();
    EXPECT_EQ(155, volumes[0].value);
    EXPECT_EQ("sons\\b.wav", soundCalls("Load")[0].path);
}

TEST_F(SettingsTest, CloseWritesTheFiveFields)
{
    static const struct {
        const char *name;
        int tempo1, tempo2;   // preset index, or -1 for typed text
        const char *typed;    // typed into tempo box 1
        int sound1, sound2;   // list index
        int volume;
        const char *bytes;
        bool restorable;
    } rows[] = {
        {"defaults", 8, 8, NULL, 0, 0, 0, "60 60 a.wav a.wav 0 ", true},
        {"chosen", 11, 8, NULL, 0, 1, 40, "120 60 a.wav b.wav 40 ", true},
        {"silent, fastest", 17, 0, NULL, 2, 2, 255, "240 1 c.wav c.wav 255 ", true},
        {"typed, unlisted", -1, 8, "72", 0, 0, 0, "72 60 a.wav a.wav 0 ", false},
        {"typed, emptied", -1, 8, "", 0, 0, 0, " 60 a.wav a.wav 0 ", false},
        {"blank in a name", 8, 9, NULL, 3, 1, 9, "60 80 mon clic.wav b.wav 9 ", true},
    };
    for (const auto &row : rows) {
        DeleteFileA(SETTINGS_FILE);
        createDialog();
        if (row.typed)
            SetDlgItemTextA(dialog, IDC_TEMPO1, row.typed);
        else
            send(IDC_TEMPO1, CB_SETCURSEL, row.tempo1);
        send(IDC_TEMPO2, CB_SETCURSEL, row.tempo2);
        send(IDC_SOUND1, CB_SETCURSEL, row.sound1);
        send(IDC_SOUND2, CB_SETCURSEL, row.sound2);
        send(IDC_VOLUME, TBM_SETPOS, TRUE, row.volume);
        std::string shown = choices();
        saveSettings();
        DestroyWindow(dialog);
        dialog = NULL;

        EXPECT_EQ(row.bytes, readFile(SETTINGS_FILE)) << row.name;
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(SETTINGS_FILE ".new")) << row.name << ": left a file";
        if (row.restorable) {
            createDialog();
            EXPECT_EQ(shown, choices()) << row.name << ": read back";
            DestroyWindow(dialog);
            dialog = NULL;
        }
    }
}

TEST_F(SettingsTest, FailedWriteKeepsTheOldFile)
{
    static const char old[] = "120 240 b.wav c.wav 100 ";
    writeFile(SETTINGS_FILE, old);
    createDialog();
    send(IDC_TEMPO1, CB_SETCURSEL, 0);
    // The new file cannot be made where it would be written first.
    ASSERT_TRUE(CreateDirectoryA(SETTINGS_FILE ".new", NULL));
    saveSettings();
    EXPECT_EQ(old, readFile(SETTINGS_FILE));
    RemoveDirectoryA(SETTINGS_FILE ".new");
}
