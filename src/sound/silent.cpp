#include "fsound.h"
#include <stddef.h>
signed char FSOUND_API FSOUND_Init(int, int, unsigned int) { return 0; }
FSOUND_SAMPLE *FSOUND_API FSOUND_Sample_Load(int, const char *, unsigned int, int, int) { return NULL; }
int FSOUND_API FSOUND_PlaySound(int, FSOUND_SAMPLE *) { return -1; }
signed char FSOUND_API FSOUND_SetVolume(int, int) { return 0; }
void FSOUND_API FSOUND_Sample_Free(FSOUND_SAMPLE *) {}
void FSOUND_API FSOUND_Close(void) {}
