// Start-up of the real program: what the window shows, the box when there is no sound,
// and the resources of the built file.
#include "program.h"
#include <commctrl.h>

static const std::vector<std::string> TEMPOS = {"1",  "5",  "10",  "15",  "20",  "30",  "40",  "50",  "60",
                                                "80", "100", "120", "140", "160", "180", "200", "220", "240"};

class Startup : public ProgramTest {};

TEST_F(Startup, ListsAndDefaults)
{
    static const struct {
        const char *name;
        std::vector<std::string> sounds; // WAVs put in "sons"
        std::vector<std::string> others; // other files in "sons"
        const char *folder;              // a folder in "sons", or null
        std::vector<std::string> listed; // what both sound boxes show, in order
    } rows[] = {
        {"names in mixed case", {"b.wav", "ZZ.WAV", "a.wav", "Mid.wav"}, {"notes.txt", "a.wav.txt"}, NULL,
         {"a.wav", "b.wav", "Mid.wav", "ZZ.WAV"}},
        {"only a name in capitals", {"ZZ.WAV"}, {}, NULL, {"ZZ.WAV"}},
        {"a blank in a name", {"mon clic.wav", "b.wav"}, {}, NULL, {"b.wav", "mon clic.wav"}},
        // The search looks at names only.
        {"a folder named like a sound", {"b.wav"}, {}, "dossier.wav", {"b.wav", "dossier.wav"}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        WorkFolder &folder = newFolder();
        folder.addSounds(row.sounds);
        for (const std::string &other : row.others)
            folder.write("sons\\" + other, "not a sound");
        if (row.folder)
            folder.makeFolder(std::string("sons\\") + row.folder);
        Program &program = newProgram();
        HWND dialog = startDialog(program, folder);
        ASSERT_TRUE(dialog != NULL);

        for (int id : {ID_TEMPO1, ID_TEMPO2}) {
            EXPECT_EQ(TEMPOS, listItems(GetDlgItem(dialog, id))) << "tempo box " << id;
            EXPECT_EQ(8, selection(dialog, id)) << "tempo box " << id;
            EXPECT_EQ("60", controlText(dialog, id)) << "tempo box " << id;
        }
        for (int id : {ID_SOUND1, ID_SOUND2}) {
            EXPECT_EQ(row.listed, listItems(GetDlgItem(dialog, id))) << "sound box " << id;
            EXPECT_EQ(0, selection(dialog, id)) << "sound box " << id;
            EXPECT_EQ(row.listed[0], controlText(dialog, id)) << "sound box " << id;
        }
        HWND volume = GetDlgItem(dialog, ID_VOLUME);
        EXPECT_EQ(0, send(volume, TBM_GETPOS, 0, 0));
        EXPECT_EQ(0, send(volume, TBM_GETRANGEMIN, 0, 0));
        EXPECT_EQ(255, send(volume, TBM_GETRANGEMAX, 0, 0));

        quit(program, dialog);
        EXPECT_EQ("60 60 " + row.listed[0] + " " + row.listed[0] + " 0 ", settingsOf(folder));
    }
}

TEST_F(Startup, Window)
{
    WorkFolder &folder = newFolder();
    Program &program = newProgram();
    folder.addSounds({"a.wav"});
    HWND dialog = startDialog(program, folder);
    ASSERT_TRUE(dialog != NULL);

    EXPECT_EQ("Pulsorel", textOf(dialog));
    LONG style = GetWindowLongA(dialog, GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX) << "style " << std::hex << style;
    EXPECT_FALSE(style & WS_MAXIMIZEBOX) << "style " << std::hex << style;
    EXPECT_FALSE(style & WS_THICKFRAME) << "style " << std::hex << style;
    EXPECT_TRUE(GetWindow(dialog, GW_OWNER) == NULL);

    // One icon, at the system's icon size, set as both the big and the small one.
    WindowIcons icons = readIcons(program, dialog);
    ASSERT_TRUE(icons.answered) << "no answer from inside the program";
    EXPECT_NE(0u, icons.big);
    EXPECT_EQ(icons.big, icons.small);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), icons.width);
    EXPECT_EQ(GetSystemMetrics(SM_CYICON), icons.height);

    // Enter or Space at once closes it, so the focus starts on "Quitter".
    EXPECT_TRUE(activate(program, dialog)) << "cannot make the window active";
    EXPECT_EQ(GetDlgItem(dialog, ID_QUIT), program.focus());
    for (int id : {ID_START1, ID_START2}) {
        EXPECT_EQ("Démarrer", controlText(dialog, id)) << "button " << id;
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, id))) << "button " << id;
    }
    for (int id : {ID_PROGRESS1, ID_PROGRESS2})
        EXPECT_EQ(0, sendItem(dialog, id, PBM_GETPOS, 0, 0)) << "bar " << id;

    quit(program, dialog);
}

TEST_F(Startup, NoSound)
{
    static const char *const STORED = "120 240 b.wav ZZ.WAV 100 ";
    static const struct {
        const char *name;
        bool soundFolder;
        std::vector<std::string> files; // in "sons"
        const char *settings;           // NO_FILE: none
    } rows[] = {
        {"no sons folder", false, {}, STORED},
        {"no sons folder and no settings", false, {}, NO_FILE},
        {"sons holds no WAV", true, {"notes.txt", "a.wav.txt"}, STORED},
        {"sons is empty, no settings", true, {}, NO_FILE},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        WorkFolder &folder = newFolder();
        if (row.soundFolder)
            folder.makeFolder("sons");
        for (const std::string &file : row.files)
            folder.write("sons\\" + file, "not a sound");
        if (row.settings != std::string(NO_FILE))
            folder.write("pulsorel.cfg", row.settings);
        std::vector<std::string> before = folder.listing();

        Program &program = newProgram();
        program.start(folder);
        ASSERT_FALSE(testing::Test::HasFatalFailure());
        bool dialogShown = false;
        auto watchDialog = [&] {
            HWND dialog = program.mainDialog();
            if (dialog && IsWindowVisible(dialog))
                dialogShown = true;
        };
        HWND box = NULL;
        waitFor(program, [&] {
            watchDialog();
            return (box = program.findBox()) != NULL;
        });
        ASSERT_TRUE(box != NULL) << "no message box within " << WAIT_MS << " ms";

        BoxSeen seen = readBox(box);
        EXPECT_EQ("Erreur", seen.caption);
        EXPECT_EQ("Il n'y a pas de fichiers .wav dans le dossier sons ou celui-ci n'existe pas.", seen.text);
        EXPECT_TRUE(seen.owner != NULL && seen.owner == program.mainDialog()) << "owned by the main dialog";
        EXPECT_EQ(BoxIcon::error, boxIcon(program, box, BoxIcon::error));

        pressOk(box);
        waitFor(program, [&] {
            watchDialog();
            return !program.running();
        });
        DWORD code;
        EXPECT_TRUE(program.waitExit(&code)) << "still running " << WAIT_MS << " ms after the box was dismissed";
        EXPECT_EQ(0u, code);
        EXPECT_FALSE(dialogShown) << "the main window was shown";
        EXPECT_EQ(row.settings, settingsOf(folder));
        EXPECT_EQ(before, folder.listing()) << "files beside the settings";
    }
}

TEST(Resources, VersionBlock)
{
    std::string path = programPath();
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_NE(0u, size) << path << ", error " << GetLastError();
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO *fixed = NULL;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", (void **)&fixed, &length));
    EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
    EXPECT_EQ(0x00000001u, fixed->dwFileVersionLS);
    EXPECT_EQ(0x00010000u, fixed->dwProductVersionMS);
    EXPECT_EQ(0x00000001u, fixed->dwProductVersionLS);
    EXPECT_EQ((DWORD)VFT_APP, fixed->dwFileType);

    WORD *translation = NULL;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", (void **)&translation, &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(0x040c, translation[0]);
    EXPECT_EQ(1200, translation[1]);

    static const struct {
        const char *field, *value;
    } strings[] = {
        {"FileDescription", "Pulsorel"}, {"InternalName", "Pulsorel"},  {"ProductName", "Pulsorel"},
        {"FileVersion", "1, 0, 0, 1"},   {"ProductVersion", "1, 0, 0, 1"},
    };
    for (const auto &row : strings) {
        std::string key = std::string("\\StringFileInfo\\040c04b0\\") + row.field;
        char *value = NULL;
        EXPECT_TRUE(VerQueryValueA(block.data(), key.c_str(), (void **)&value, &length) && value)
            << row.field << " missing";
        EXPECT_EQ(row.value, std::string(value ? value : "")) << row.field;
    }
}

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct IconGroup {
    WORD reserved, type, count;
    IconGroupEntry entries[1];
};
#pragma pack(pop)

TEST(Resources, Icon)
{
    HMODULE file = LoadLibraryExA(programPath().c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(file != NULL) << "error " << GetLastError();
    HRSRC found = FindResourceA(file, MAKEINTRESOURCEA(103), (LPCSTR)RT_GROUP_ICON);
    ASSERT_TRUE(found != NULL) << "no icon group 103";
    const IconGroup *group = (const IconGroup *)LockResource(LoadResource(file, found));
    ASSERT_TRUE(group != NULL);
    EXPECT_EQ(1, group->type);
    ASSERT_EQ(1, group->count) << "images in the group";
    const IconGroupEntry &entry = group->entries[0];
    EXPECT_EQ(32, entry.width);
    EXPECT_EQ(32, entry.height);
    EXPECT_EQ(8, entry.bitCount);

    // The image itself says the same.
    HRSRC image = FindResourceA(file, MAKEINTRESOURCEA(entry.id), (LPCSTR)RT_ICON);
    ASSERT_TRUE(image != NULL) << "no icon image " << entry.id;
    const BITMAPINFOHEADER *header = (const BITMAPINFOHEADER *)LockResource(LoadResource(file, image));
    ASSERT_TRUE(header != NULL);
    EXPECT_EQ(32, header->biWidth);
    EXPECT_EQ(64, header->biHeight) << "image and mask";
    EXPECT_EQ(8, header->biBitCount);
    FreeLibrary(file);
}
