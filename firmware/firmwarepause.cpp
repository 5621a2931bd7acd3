// firmwarepause.cpp - the program's pause: a plain Sleep.
#include "firmware/firmwarepause.h"

void FirmwarePause(DWORD ms) {
    ::Sleep(ms);
}
