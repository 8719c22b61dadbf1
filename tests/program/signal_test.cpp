// Signals running in the real program: the buttons, the boxes, the moving bars.
#include "program.h"
#include <commctrl.h>

static const int startButton[3] = {0, ID_START1, ID_START2};
static const int progressBar[3] = {0, ID_PROGRESS1, ID_PROGRESS2};
static const int tempoBox[3] = {0, ID_TEMPO1, ID_TEMPO2};
static const int soundBox[3] = {0, ID_SOUND1, ID_SOUND2};

static int barPosition(HWND dialog, int n)
{
    return (int)sendItem(dialog, progressBar[n], PBM_GETPOS, 0, 0);
}

// True once the bar has gone up between two readings and later started again from the
// bottom, at a beat or past its top.
static bool barRisesAndRestarts(const Program &program, HWND dialog, int n)
{
    int last = barPosition(dialog, n);
    bool rose = false, restarted = false;
    waitFor(program, [&] {
        int now = barPosition(dialog, n);
        if (now > last)
            rose = true;
        else if (now < last && rose)
            restarted = true;
        last = now;
        return rose && restarted;
    });
    return rose && restarted;
}

static void expectStopped(HWND dialog, int n)
{
    EXPECT_EQ("Démarrer", controlText(dialog, startButton[n])) << "signal " << n;
    EXPECT_EQ(0, barPosition(dialog, n)) << "signal " << n;
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, tempoBox[n]))) << "signal " << n;
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, soundBox[n]))) << "signal " << n;
}

class Signals : public ProgramTest {};

TEST_F(Signals, StartAndStop)
{
    static const struct {
        const char *name;
        const char *tempo1, *tempo2;
        int button;
        bool runs[3];  // by signal number
        int ranges[3]; // top of each running signal's bar: one beat in ms
    } rows[] = {
        {"signal 1 at 240", "240", "60", ID_START1, {false, true, false}, {0, 250, 0}},
        {"signal 2 at 120", "60", "120", ID_START2, {false, false, true}, {0, 0, 500}},
        {"both at 180 and 60", "180", "60", ID_BOTH, {false, true, true}, {0, 333, 1000}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        WorkFolder &folder = newFolder();
        folder.addSounds({"a.wav", "b.wav"});
        Program &program = newProgram();
        HWND dialog = startDialog(program, folder);
        ASSERT_TRUE(dialog != NULL);
        selectItem(dialog, ID_TEMPO1, row.tempo1);
        selectItem(dialog, ID_TEMPO2, row.tempo2);

        sendItem(dialog, row.button, BM_CLICK, 0, 0);
        for (int n = 1; n <= 2; n++) {
            SCOPED_TRACE("signal " + std::to_string(n));
            if (!row.runs[n]) {
                expectStopped(dialog, n);
                continue;
            }
            EXPECT_EQ("Arrêter", controlText(dialog, startButton[n]));
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, tempoBox[n])));
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, soundBox[n])));
            EXPECT_EQ(row.ranges[n], sendItem(dialog, progressBar[n], PBM_GETRANGE, FALSE, 0));
            EXPECT_TRUE(barRisesAndRestarts(program, dialog, n)) << "bar " << barPosition(dialog, n);
        }

        sendItem(dialog, row.button, BM_CLICK, 0, 0);
        for (int n = 1; n <= 2; n++)
            expectStopped(dialog, n);
        quit(program, dialog);
    }
}

// A message box runs its own loop; a running signal keeps beating behind it.
TEST_F(Signals, BeatBehindMessageBox)
{
    static const struct {
        const char *name;
        const char *tempo2; // typed into signal 2 before the box opens
        int button;         // clicked to open it
        const char *caption, *text;
        BoxIcon icon;
    } rows[] = {
        {"credits", "60", ID_CREDITS, "Crédits", "\nLes sons inclus sont libres de droits.\n\n", BoxIcon::information},
        {"tempo refused", "0", ID_START2, "Erreur", "Merci d'entrer un nombre compris entre 1 et 240 inclus.",
         BoxIcon::warning},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        WorkFolder &folder = newFolder();
        folder.addSounds({"a.wav"});
        Program &program = newProgram();
        HWND dialog = startDialog(program, folder);
        ASSERT_TRUE(dialog != NULL);
        selectItem(dialog, ID_TEMPO1, "240");
        sendItem(dialog, ID_START1, BM_CLICK, 0, 0);
        ASSERT_EQ("Arrêter", controlText(dialog, ID_START1));
        typeTempo(program, dialog, ID_TEMPO2, row.tempo2);

        // Posted: the box keeps the click's handler busy until it is dismissed.
        PostMessageA(GetDlgItem(dialog, row.button), BM_CLICK, 0, 0);
        HWND box = program.waitBox();
        ASSERT_TRUE(box != NULL) << "no message box within " << WAIT_MS << " ms";
        BoxSeen seen = readBox(box);
        EXPECT_EQ(row.caption, seen.caption);
        // The credits end with lines of our own wording.
        EXPECT_EQ(row.text, seen.text.substr(0, strlen(row.text)));
        EXPECT_EQ(dialog, seen.owner);
        EXPECT_EQ(row.icon, boxIcon(program, box, row.icon));

        EXPECT_TRUE(barRisesAndRestarts(program, dialog, 1)) << "bar " << barPosition(dialog, 1);
        EXPECT_EQ(box, program.findBox()) << "the box is still open";

        pressOk(box);
        EXPECT_TRUE(waitFor(program, [&] { return !IsWindow(box); })) << "the box did not close";
        EXPECT_EQ("Arrêter", controlText(dialog, ID_START1));
        expectStopped(dialog, 2);
        quit(program, dialog);
    }
}
