// The main dialog as the template makes it: controls, styles, texts, places, tab order.
#include <windows.h>
#include <commctrl.h>
#include "dialog_fixture.h"
#include "../../src/controller/controller.h"
#include "../../res/resource.h"

class TemplateTest : public DialogTest {};

static const struct {
    int id;
    const char *className;
    DWORD style; // the style bits that tell the kind, beside WS_CHILD | WS_VISIBLE
    const char *text;
    int x, y, width, height;
} controls[] = {
    {IDCANCEL, "Button", BS_DEFPUSHBUTTON | WS_TABSTOP, "Quitter", 0, 67, 243, 14},
    {-1, "Button", BS_GROUPBOX, "Signal 1", 0, 0, 136, 55},
    {IDC_START1, "Button", BS_PUSHBUTTON | WS_TABSTOP, "Démarrer", 88, 7, 34, 45},
    {IDC_PROGRESS1, "msctls_progress32", PBS_VERTICAL | PBS_SMOOTH | WS_BORDER, "Progress1", 122, 6, 11, 47},
    {-1, "Static", SS_LEFT | WS_GROUP, "Battements par minute :", 2, 8, 75, 9},
    {IDC_TEMPO1, "ComboBox", CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP, "", 2, 17, 85, 175},
    {-1, "Static", SS_LEFT | WS_GROUP, "Son à jouer :", 2, 30, 44, 8},
    {IDC_SOUND1, "ComboBox", CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP, "", 2, 38, 85, 175},
    {-1, "Button", BS_GROUPBOX, "Signal 2", 137, 0, 136, 55},
    {IDC_START2, "Button", BS_PUSHBUTTON | WS_TABSTOP, "Démarrer", 225, 7, 34, 45},
    {IDC_PROGRESS2, "msctls_progress32", PBS_VERTICAL | PBS_SMOOTH | WS_BORDER, "Progress1", 259, 6, 11, 47},
    {-1, "Static", SS_LEFT | WS_GROUP, "Battements par minute :", 139, 8, 75, 9},
    {IDC_TEMPO2, "ComboBox", CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP, "", 139, 17, 85, 175},
    {-1, "Static", SS_LEFT | WS_GROUP, "Son à jouer :", 139, 30, 44, 8},
    {IDC_SOUND2, "ComboBox", CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP, "", 139, 38, 85, 175},
    {IDC_BOTH, "Button", BS_PUSHBUTTON | WS_TABSTOP, "Démarrer/arrêter les deux signaux", 0, 55, 243, 11},
    {IDC_VOLUME, "msctls_trackbar32", TBS_VERT | TBS_BOTH | TBS_AUTOTICKS | WS_TABSTOP, "Slider1", 278, 9, 26, 70},
    {-1, "Button", BS_GROUPBOX, "Volume", 275, 0, 40, 81},
    {-1, "Static", SS_CENTER | SS_CENTERIMAGE | SS_SUNKEN | WS_GROUP, "+", 304, 18, 8, 8},
    {-1, "Static", SS_CENTER | SS_CENTERIMAGE | SS_SUNKEN | WS_GROUP, "-", 304, 64, 8, 8},
    {IDC_CREDITS, "Button", BS_PUSHBUTTON | WS_TABSTOP, "Crédits", 244, 56, 30, 25},
};

// The bits of each kind that must match exactly, not merely be present.
static DWORD kindMask(const char *className)
{
    if (!strcmp(className, "Button"))
        return BS_TYPEMASK;
    if (!strcmp(className, "Static"))
        return SS_TYPEMASK;
    if (!strcmp(className, "ComboBox"))
        return 0x3 | CBS_SORT;
    return 0;
}

TEST_F(TemplateTest, ControlsInTemplateOrder)
{
    HWND child = GetWindow(dialog, GW_CHILD);
    for (size_t row = 0; row < COUNTOF(controls); row++, child = GetWindow(child, GW_HWNDNEXT)) {
        const auto &want = controls[row];
        ASSERT_TRUE(child) << "row " << row << ": no such child window";
        char className[64], text[256];
        GetClassNameA(child, className, COUNTOF(className));
        // Combo boxes hold the selected item by now; the template gives them no text.
        GetWindowTextA(child, text, COUNTOF(text));
        DWORD style = GetWindowLongA(child, GWL_STYLE);
        int id = (int)(short)GetDlgCtrlID(child);

        EXPECT_EQ(want.id, id) << "row " << row;
        EXPECT_STRCASEEQ(want.className, className) << "row " << row;
        // Some controls drop a template style once made (a progress bar draws its own
        // border, a combo box hands its scroll bar to its list); the resource test below
        // checks those bits as written.
        DWORD wanted = want.style | WS_CHILD | WS_VISIBLE;
        if (!strcmp(want.className, "msctls_progress32"))
            wanted &= ~WS_BORDER;
        bool combo = !strcmp(want.className, "ComboBox");
        if (combo)
            wanted &= ~WS_VSCROLL;
        EXPECT_EQ(wanted, style & wanted) << "row " << row << ": style " << std::hex << style;
        EXPECT_EQ(want.style & kindMask(want.className), style & kindMask(want.className)) << "row " << row;
        EXPECT_EQ(want.style & WS_TABSTOP, style & WS_TABSTOP) << "row " << row;
        EXPECT_EQ(want.style & WS_GROUP, style & WS_GROUP) << "row " << row;
        if (!combo) {
            EXPECT_STREQ(want.text, text) << "row " << row;
        }

        // Place and size are converted from dialog units each on its own.
        RECT expected = {want.x, want.y, want.width, want.height};
        MapDialogRect(dialog, &expected);
        expected.right += expected.left;
        expected.bottom += expected.top;
        RECT actual;
        GetWindowRect(child, &actual);
        MapWindowPoints(NULL, dialog, (POINT *)&actual, 2);
        EXPECT_EQ(expected.left, actual.left) << "row " << row;
        EXPECT_EQ(expected.top, actual.top) << "row " << row;
        EXPECT_EQ(expected.right, actual.right) << "row " << row;
        // A combo box's height in the template is that of its open list; the resource
        // test below checks it.
        if (!combo) {
            EXPECT_EQ(expected.bottom, actual.bottom) << "row " << row;
        }
    }
    EXPECT_EQ((HWND)NULL, child) << "more children than the template's 21";
}

static const WORD *skipSzOrOrd(const WORD *p)
{
    if (*p == 0xFFFF)
        return p + 2;
    while (*p++)
        ;
    return p;
}

static std::string narrow(const WORD *p)
{
    char text[256];
    WideCharToMultiByte(1252, 0, (const WCHAR *)p, -1, text, sizeof(text), NULL, NULL);
    return text;
}

// The template as stored, where every style bit is as written, before the controls adjust them.
TEST_F(TemplateTest, ResourceHoldsExactStylesAndUnits)
{
    HRSRC found = FindResourceA(appInstance, MAKEINTRESOURCEA(IDD_MAIN), RT_DIALOG);
    ASSERT_TRUE(found);
    const DLGTEMPLATE *dlg = (const DLGTEMPLATE *)LockResource(LoadResource(appInstance, found));
    ASSERT_TRUE(dlg);
    EXPECT_EQ((DWORD)(DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
              dlg->style);
    EXPECT_EQ(COUNTOF(controls), (size_t)dlg->cdit);
    EXPECT_EQ(0, dlg->x);
    EXPECT_EQ(0, dlg->y);
    EXPECT_EQ(315, dlg->cx);
    EXPECT_EQ(82, dlg->cy);
    const WORD *p = skipSzOrOrd(skipSzOrOrd((const WORD *)(dlg + 1))); // menu, class
    EXPECT_EQ("Pulsorel", narrow(p));
    p = skipSzOrOrd(p);
    EXPECT_EQ(8, *p) << "font size";
    EXPECT_EQ("MS Sans Serif", narrow(p + 1));
    p = skipSzOrOrd(p + 1);

    for (size_t row = 0; row < COUNTOF(controls) && row < dlg->cdit; row++) {
        const auto &want = controls[row];
        const DLGITEMTEMPLATE *item = (const DLGITEMTEMPLATE *)(((ULONG_PTR)p + 3) & ~(ULONG_PTR)3);
        EXPECT_EQ(want.style | WS_CHILD | WS_VISIBLE, item->style) << "row " << row << std::hex << ": " << item->style;
        EXPECT_EQ(want.x, item->x) << "row " << row;
        EXPECT_EQ(want.y, item->y) << "row " << row;
        EXPECT_EQ(want.width, item->cx) << "row " << row;
        EXPECT_EQ(want.height, item->cy) << "row " << row;
        EXPECT_EQ((WORD)want.id, item->id) << "row " << row;
        p = skipSzOrOrd((const WORD *)(item + 1));
        EXPECT_EQ(want.text, narrow(p)) << "row " << row;
        p = skipSzOrOrd(p);
        p += 1 + (*p + 1) / 2; // creation data
    }
}

TEST_F(TemplateTest, TabOrderFollowsTemplate)
{
    static const int order[] = {IDCANCEL,   IDC_START1, IDC_TEMPO1, IDC_SOUND1, IDC_START2,
                                IDC_TEMPO2, IDC_SOUND2, IDC_BOTH,   IDC_VOLUME, IDC_CREDITS};
    HWND control = GetDlgItem(dialog, IDCANCEL);
    for (size_t i = 1; i <= COUNTOF(order); i++) {
        control = GetNextDlgTabItem(dialog, control, FALSE);
        EXPECT_EQ(order[i % COUNTOF(order)], GetDlgCtrlID(control)) << "tab stop " << i;
    }
}

TEST_F(TemplateTest, DialogFrameCaptionFontAndDefaultButton)
{
    DWORD style = GetWindowLongA(dialog, GWL_STYLE);
    DWORD wanted = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    EXPECT_EQ(wanted, style & wanted) << std::hex << style;
    EXPECT_EQ(0u, style & (WS_MAXIMIZEBOX | WS_THICKFRAME | WS_CHILD)) << std::hex << style;
    EXPECT_TRUE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    EXPECT_EQ((HMENU)NULL, GetMenu(dialog));
    EXPECT_EQ((HWND)NULL, GetWindow(dialog, GW_OWNER));

    char caption[64];
    GetWindowTextA(dialog, caption, COUNTOF(caption));
    EXPECT_STREQ("Pulsorel", caption);

    LOGFONTA font;
    ASSERT_TRUE(GetObjectA((HFONT)SendMessageA(dialog, WM_GETFONT, 0, 0), sizeof(font), &font));
    EXPECT_STREQ("MS Sans Serif", font.lfFaceName);

    RECT client = {0, 0, 315, 82}, actual;
    MapDialogRect(dialog, &client);
    GetClientRect(dialog, &actual);
    EXPECT_EQ(client.right, actual.right);
    EXPECT_EQ(client.bottom, actual.bottom);

    EXPECT_EQ(MAKELRESULT(IDCANCEL, DC_HASDEFID), SendMessageA(dialog, DM_GETDEFID, 0, 0));
}

TEST_F(TemplateTest, IconIsOne32By32ImageAt8Bits)
{
    HRSRC found = FindResourceA(appInstance, MAKEINTRESOURCEA(IDI_MAIN), RT_GROUP_ICON);
    ASSERT_TRUE(found);
    const BYTE *group = (const BYTE *)LockResource(LoadResource(appInstance, found));
    ASSERT_TRUE(group);
    EXPECT_EQ(1, *(const WORD *)(group + 4)) << "images in the icon group";
    const BYTE *entry = group + 6;
    EXPECT_EQ(32, entry[0]);
    EXPECT_EQ(32, entry[1]);
    EXPECT_EQ(8, *(const WORD *)(entry + 6)) << "bits per pixel";
}
