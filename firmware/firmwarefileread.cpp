// firmwarefileread.cpp - installed firmware files are read as they are.
#include "firmware/firmwarefileread.h"

UINT FirmwareReadFile(const char* /*path*/, CFile& file, void* buffer, UINT count) {
    return file.Read(buffer, count);
}
