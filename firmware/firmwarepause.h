// firmwarepause.h - the pauses of the start-up firmware check.
//
// Defined alone in firmwarepause.cpp (it sleeps), so that a test executable
// can link its own definition that records the pauses instead of waiting.
#pragma once

#include <windows.h>

void FirmwarePause(DWORD ms);
