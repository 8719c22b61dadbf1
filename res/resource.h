// Resource and control ids of the main dialog.
#ifndef PULSOREL_RESOURCE_H
#define PULSOREL_RESOURCE_H

#define IDD_MAIN      101
#define IDI_MAIN      103

#define IDC_START1    1000
#define IDC_PROGRESS1 1001
#define IDC_START2    1002
#define IDC_TEMPO1    1003
#define IDC_SOUND1    1004
#define IDC_PROGRESS2 1005
#define IDC_TEMPO2    1006
#define IDC_SOUND2    1007
#define IDC_BOTH      1008
#define IDC_VOLUME    1009
#define IDC_CREDITS   1010

#ifndef IDC_STATIC
#define IDC_STATIC    (-1)
#endif

#endif
