// firmwarefileread.h - the reads of installed firmware files.
//
// Defined alone in firmwarefileread.cpp, so that a test executable can link
// its own definition that cuts a chosen file's reads short.
#pragma once

#include "afx/afxfile.h"

// Reads up to count bytes of the open file at path; the bytes read.
UINT FirmwareReadFile(const char* path, CFile& file, void* buffer, UINT count);
