// Messages between the tests and the hook they load into the program.
#ifndef PULSOREL_ICON_PROBE_H
#define PULSOREL_ICON_PROBE_H

#include <windows.h>

// Posted to the program's window, wParam the asking thread.
#define ICON_PROBE_ASK (WM_APP + 0x51)
// Posted back: the big and the small icon handles, then the big icon's width and height.
#define ICON_PROBE_HANDLES (WM_APP + 0x52)
#define ICON_PROBE_SIZE (WM_APP + 0x53)

#endif
