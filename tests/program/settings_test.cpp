// What the real program reads from "pulsorel.cfg" at start-up and leaves in it at close.
#include "program.h"

// Sorted without regard to case: a.wav, b.wav, Mid.wav, mon clic.wav, ZZ.WAV.
static const std::vector<std::string> SOUNDS = {"b.wav", "ZZ.WAV", "a.wav", "Mid.wav", "mon clic.wav"};

static bool operator==(const Choices &a, const Choices &b)
{
    return a.tempo1 == b.tempo1 && a.tempo2 == b.tempo2 && a.sound1 == b.sound1 && a.sound2 == b.sound2 &&
           a.volume == b.volume;
}

class Settings : public ProgramTest {};

// The file a row starts with, what the window then shows, and what a close at once leaves.
TEST_F(Settings, RestoredThenWritten)
{
    const std::string longTempo(300, '9'), longSound = std::string(300, 'x') + ".wav";
    static const Choices defaults = {"60", "60", "a.wav", "a.wav", 0};
    const struct {
        const char *name;
        std::string before; // NO_FILE: none
        Choices shown;
        std::string after;
    } rows[] = {
        {"no file", NO_FILE, defaults, "60 60 a.wav a.wav 0 "},
        {"empty file", "", defaults, "60 60 a.wav a.wav 0 "},
        {"all five", "120 240 b.wav ZZ.WAV 100 ", {"120", "240", "b.wav", "ZZ.WAV", 100}, "120 240 b.wav ZZ.WAV 100 "},
        {"tempo not among the presets", "72 120 b.wav b.wav 5 ", {"60", "120", "b.wav", "b.wav", 5},
         "60 120 b.wav b.wav 5 "},
        {"volume above the range", "120 240 b.wav ZZ.WAV 300 ", {"120", "240", "b.wav", "ZZ.WAV", 255},
         "120 240 b.wav ZZ.WAV 255 "},
        {"volume below the range", "120 240 b.wav ZZ.WAV -4 ", {"120", "240", "b.wav", "ZZ.WAV", 0},
         "120 240 b.wav ZZ.WAV 0 "},
        {"volume not a number", "120 240 b.wav ZZ.WAV abc ", {"120", "240", "b.wav", "ZZ.WAV", 0},
         "120 240 b.wav ZZ.WAV 0 "},
        {"sounds named in other case", "60 60 B.WAV zz.wav 9 ", {"60", "60", "b.wav", "ZZ.WAV", 9},
         "60 60 b.wav ZZ.WAV 9 "},
        {"sound no longer in sons", "60 60 gone.wav b.wav 9 ", {"60", "60", "a.wav", "b.wav", 9},
         "60 60 a.wav b.wav 9 "},
        {"three fields", "120 240 b.wav", {"120", "240", "b.wav", "a.wav", 0}, "120 240 b.wav a.wav 0 "},
        {"one field", "120", {"120", "60", "a.wav", "a.wav", 0}, "120 60 a.wav a.wav 0 "},
        {"line breaks and tabs between fields", "120\r\n240\tb.wav  ZZ.WAV\n100\n",
         {"120", "240", "b.wav", "ZZ.WAV", 100}, "120 240 b.wav ZZ.WAV 100 "},
        {"over-long tempo", longTempo + " 240 b.wav ZZ.WAV 9 ", {"60", "240", "b.wav", "ZZ.WAV", 9},
         "60 240 b.wav ZZ.WAV 9 "},
        {"over-long sound", "120 240 " + longSound + " ZZ.WAV 9 ", {"120", "240", "a.wav", "ZZ.WAV", 9},
         "120 240 a.wav ZZ.WAV 9 "},
        {"first sound with a blank", "120 240 mon clic.wav b.wav 30 ", {"120", "240", "mon clic.wav", "b.wav", 30},
         "120 240 mon clic.wav b.wav 30 "},
        {"second sound with a blank", "120 240 b.wav mon clic.wav 30 ", {"120", "240", "b.wav", "mon clic.wav", 30},
         "120 240 b.wav mon clic.wav 30 "},
        {"both sounds with a blank", "120 240 mon clic.wav mon clic.wav 30 ",
         {"120", "240", "mon clic.wav", "mon clic.wav", 30}, "120 240 mon clic.wav mon clic.wav 30 "},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        WorkFolder &folder = newFolder();
        folder.addSounds(SOUNDS);
        if (row.before != NO_FILE)
            folder.write("pulsorel.cfg", row.before);
        Program &program = newProgram();
        HWND dialog = startDialog(program, folder);
        ASSERT_TRUE(dialog != NULL);

        Choices shown = shownChoices(dialog);
        EXPECT_TRUE(shown == row.shown) << "expected " << describe(row.shown) << ", shown " << describe(shown);
        quit(program, dialog);
        EXPECT_EQ(row.after, settingsOf(folder));
    }
}

enum class Close { quitButton, escape, closeButton, altF4, enterOnQuit, spaceOnQuit, enterInTempo, quitWhileRunning };

// Each way a user closes the window stores what the controls show at that moment.
TEST_F(Settings, WrittenAtEachClose)
{
    static const struct {
        const char *name;
        Close how;
        const char *after;
    } rows[] = {
        {"Quitter", Close::quitButton, "120 240 Mid.wav ZZ.WAV 40 "},
        {"Escape", Close::escape, "120 240 Mid.wav ZZ.WAV 40 "},
        {"close button of the window", Close::closeButton, "120 240 Mid.wav ZZ.WAV 40 "},
        {"Alt+F4", Close::altF4, "120 240 Mid.wav ZZ.WAV 40 "},
        {"Enter right after start-up", Close::enterOnQuit, "120 240 Mid.wav ZZ.WAV 40 "},
        {"Space right after start-up", Close::spaceOnQuit, "120 240 Mid.wav ZZ.WAV 40 "},
        {"Enter while typing 72 in tempo 2", Close::enterInTempo, "120 72 Mid.wav ZZ.WAV 40 "},
        {"Quitter while signal 1 runs", Close::quitWhileRunning, "120 240 Mid.wav ZZ.WAV 40 "},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        WorkFolder &folder = newFolder();
        folder.addSounds(SOUNDS);
        folder.write("pulsorel.cfg", "120 240 b.wav ZZ.WAV 100 ");
        Program &program = newProgram();
        HWND dialog = startDialog(program, folder);
        ASSERT_TRUE(dialog != NULL);
        selectItem(dialog, ID_SOUND1, "Mid.wav");
        setVolume(dialog, 40);

        // Right after start-up the focus is on "Quitter": keys go there.
        HWND quitButton = GetDlgItem(dialog, ID_QUIT);
        switch (row.how) {
        case Close::quitButton:
            PostMessageA(quitButton, BM_CLICK, 0, 0);
            break;
        case Close::escape:
            postKey(quitButton, VK_ESCAPE);
            break;
        case Close::closeButton:
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case Close::altF4:
            postKey(quitButton, VK_F4, true);
            break;
        case Close::enterOnQuit:
            postKey(quitButton, VK_RETURN);
            break;
        case Close::spaceOnQuit:
            postKey(quitButton, VK_SPACE);
            break;
        case Close::enterInTempo:
            typeTempo(program, dialog, ID_TEMPO2, "72");
            postKey(FindWindowExA(GetDlgItem(dialog, ID_TEMPO2), NULL, "Edit", NULL), VK_RETURN);
            break;
        case Close::quitWhileRunning:
            sendItem(dialog, ID_START1, BM_CLICK, 0, 0);
            EXPECT_EQ("Arrêter", controlText(dialog, ID_START1));
            PostMessageA(quitButton, BM_CLICK, 0, 0);
            break;
        }
        DWORD code;
        EXPECT_TRUE(program.waitExit(&code)) << "still running " << WAIT_MS << " ms later";
        EXPECT_EQ(0u, code);
        EXPECT_EQ(row.after, settingsOf(folder));
        EXPECT_EQ(std::vector<std::string>{"pulsorel.cfg"}, folder.listing()) << "files beside the settings";
    }
}

// Choices made in one run are shown by the next, except a typed tempo that is no preset.
TEST_F(Settings, RoundTrip)
{
    WorkFolder &folder = newFolder();
    Program &program = newProgram();
    folder.addSounds(SOUNDS);
    folder.write("pulsorel.cfg", "120 240 b.wav ZZ.WAV 100 ");
    HWND dialog = startDialog(program, folder);
    ASSERT_TRUE(dialog != NULL);
    Choices shown = shownChoices(dialog);
    EXPECT_TRUE(shown == (Choices{"120", "240", "b.wav", "ZZ.WAV", 100})) << "first run shows " << describe(shown);

    selectItem(dialog, ID_TEMPO1, "200");
    typeTempo(program, dialog, ID_TEMPO2, "72");
    selectItem(dialog, ID_SOUND1, "Mid.wav");
    selectItem(dialog, ID_SOUND2, "mon clic.wav");
    setVolume(dialog, 7);
    quit(program, dialog);
    EXPECT_EQ("200 72 Mid.wav mon clic.wav 7 ", settingsOf(folder));

    Program &second = newProgram();
    dialog = startDialog(second, folder);
    ASSERT_TRUE(dialog != NULL);
    shown = shownChoices(dialog);
    EXPECT_TRUE(shown == (Choices{"200", "60", "Mid.wav", "mon clic.wav", 7})) << "second run shows " << describe(shown);
    quit(second, dialog);
    EXPECT_EQ("200 60 Mid.wav mon clic.wav 7 ", settingsOf(folder));
}

// Two copies in one folder share the file: the one that closes last decides it.
TEST_F(Settings, TwoCopies)
{
    for (int lastToClose = 0; lastToClose < 2; lastToClose++) {
        SCOPED_TRACE(lastToClose == 0 ? "first started closes last" : "second started closes last");
        WorkFolder &folder = newFolder();
        folder.addSounds(SOUNDS);
        Program *copies[2] = {&newProgram(), &newProgram()};
        HWND dialogs[2];
        static const char *const tempos[2] = {"120", "200"};
        for (int i = 0; i < 2; i++) {
            dialogs[i] = startDialog(*copies[i], folder);
            ASSERT_TRUE(dialogs[i] != NULL) << "copy " << i;
            selectItem(dialogs[i], ID_TEMPO1, tempos[i]);
        }
        int firstToClose = 1 - lastToClose;
        quit(*copies[firstToClose], dialogs[firstToClose]);
        EXPECT_EQ(std::string(tempos[firstToClose]) + " 60 a.wav a.wav 0 ", settingsOf(folder));
        quit(*copies[lastToClose], dialogs[lastToClose]);
        EXPECT_EQ(std::string(tempos[lastToClose]) + " 60 a.wav a.wav 0 ", settingsOf(folder));
    }
}
