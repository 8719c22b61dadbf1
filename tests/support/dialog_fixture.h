// The real main dialog, made from the real template in a fresh working folder.
#ifndef PULSOREL_DIALOG_FIXTURE_H
#define PULSOREL_DIALOG_FIXTURE_H

#include <windows.h>
#include <functional>
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include "sound_recorder.h"

struct SeenMessageBox {
    std::string caption;
    std::string text;
    UINT icon; // MB_ICONERROR, MB_ICONWARNING, MB_ICONINFORMATION, or 0
};

// Every message box the thread opens is recorded, then closed with OK. A test that
// wants to act while a box is open sets whileBoxOpen: it is called every 20 ms inside
// the box's own modal loop until it returns true (or 5 s pass), then the box closes.
extern std::vector<SeenMessageBox> seenBoxes;
extern std::function<bool(void)> whileBoxOpen;

// The clock the controller reads.
extern DWORD testClock;

class DialogTest : public testing::Test {
protected:
    HWND dialog = NULL;
    std::string folder;

    // The working folder's sound files and settings file, as a test wants them.
    virtual std::vector<std::string> soundFiles(void) { return {"b.wav", "A.WAV", "c.wav"}; }

    void SetUp() override;
    void TearDown() override;

    // Creates the dialog; a test that writes "pulsorel.cfg" first calls this itself.
    void createDialog(void);
    void writeFile(const std::string &name, const std::string &bytes);
    std::string readFile(const std::string &name);

    std::string text(int id);
    LRESULT send(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    void command(WPARAM wParam);
    void timer(UINT_PTR id);
    void setTempo(int n, const char *tempo);
    bool enabled(int id);

    bool createOnSetUp = true;
};

#endif
