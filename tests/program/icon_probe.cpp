// Loaded into the running program by a message hook: Wine does not carry WM_GETICON
// across processes, so the window's icons are read from inside and posted back.
#include <windows.h>
#include "icon_probe.h"

extern "C" __declspec(dllexport) LRESULT CALLBACK iconProbeHook(int code, WPARAM wParam, LPARAM lParam)
{
    MSG *message = (MSG *)lParam;
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == ICON_PROBE_ASK) {
        DWORD asker = (DWORD)message->wParam;
        HICON big = (HICON)SendMessageA(message->hwnd, WM_GETICON, ICON_BIG, 0);
        HICON small = (HICON)SendMessageA(message->hwnd, WM_GETICON, ICON_SMALL, 0);
        LONG width = 0, height = 0;
        ICONINFO info;
        if (big && GetIconInfo(big, &info)) {
            BITMAP bitmap;
            if (info.hbmColor && GetObjectA(info.hbmColor, sizeof(bitmap), &bitmap)) {
                width = bitmap.bmWidth;
                height = bitmap.bmHeight;
            }
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
        }
        PostThreadMessageA(asker, ICON_PROBE_HANDLES, (WPARAM)big, (LPARAM)small);
        PostThreadMessageA(asker, ICON_PROBE_SIZE, (WPARAM)width, (LPARAM)height);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}
