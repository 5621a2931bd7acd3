// lm800mul.h - declarations of the maker's board access library LM800MUL.dll.
//
// Every argument and result is a 32-bit integer or a pointer. Paths are 8-bit
// strings; a path that begins with "sys:\" names a file on the board. The
// program links through an import library made from LM800MUL.def, so the
// maker's DLL (or the simulator in boardsim/) can sit beside the exe.
#pragma once

#include <windows.h>

#ifdef LM800MUL_BUILD
#define LM800API extern "C" __declspec(dllexport)
#else
#define LM800API extern "C" __declspec(dllimport)
#endif

// Error codes that GetIPLastError reports after a failed enumeration or open.
enum : int {
    IPERR_PARAMETER = 0x20101,
    IPERR_NOT_RECOGNISED = 0x20102,
    IPERR_OPEN_COMMAND = 0x20103,
    IPERR_BOARD_COUNT = 0x20104,
    IPERR_BOARD_NUMBER = 0x20105,
    IPERR_SAME_BOARD_NUMBER = 0x20106,
    IPERR_RESOURCES = 0x20107,
    IPERR_DRIVER = 0x20108,
    IPERR_COMMAND_PORT = 0x20109,
    IPERR_FILE_OPEN = 0x2010A,
    IPERR_FILE_ACCESS = 0x2010B,
    IPERR_FILE_TYPE = 0x2010C,
    IPERR_MEMORY = 0x2010D,
    IPERR_ONBOARD_SYSTEM = 0x2010E,
    IPERR_FILE_BOARD = 0x2010F,
    IPERR_DLL = 0x20203,
};

// fmOpen modes.
enum : int { FM_MODE_READ = 1, FM_MODE_WRITE = 12 };

// Board connection.
LM800API int WINAPI DisableIPErrorMessage(void);
LM800API int WINAPI DisableIPErrorSkip(void);
LM800API int WINAPI EnumAttachIPDev(void* buffer1024); // nonzero = success
LM800API int WINAPI OpenIPDev(int boardNo, int mode);  // handle, 0 = failure
LM800API int WINAPI GetIPLastError(void);
LM800API int WINAPI CloseIPDev(int hBoard);
LM800API int WINAPI ResetIP(int boardNo, int mode); // 0 = success

// Clock and version information.
LM800API int WINAPI GetIPTime(int hBoard, SYSTEMTIME* time);
LM800API int WINAPI SetIPTime(int hBoard, SYSTEMTIME* time);
LM800API int WINAPI GetIPVersionInfo(int hBoard, void* record64); // 0 = success

// Board file system.
LM800API int WINAPI fmFindFile(int hBoard, const char* path);       // nonzero = exists
LM800API int WINAPI fmOpen(int hBoard, const char* path, int mode); // file, 0 = failure
LM800API int WINAPI fmGetFileSize(int hBoard, int hFile);
LM800API int WINAPI fmRead(int hBoard, int hFile, void* buffer, int length);
LM800API int WINAPI fmWrite(int hBoard, int hFile, const void* buffer, int length);
LM800API int WINAPI fmClose(int hBoard, int hFile);
LM800API int WINAPI fmDelete(int hBoard, const char* boardPath);
LM800API int WINAPI fmFileCopy(int hBoard, int zero, const char* pcPath, const char* boardPath);
LM800API int WINAPI fmWriteProgram(int hBoard, const char* pcPath);

// Main flash, in 16-bit units.
LM800API int WINAPI fmReadDataBuffer(int hBoard, void* buffer, unsigned address, int units);
LM800API int WINAPI fmWriteDataBuffer(int hBoard, const void* buffer, unsigned address, int units);
LM800API int WINAPI fmSectorErase(int hBoard, unsigned address);

// SPI flash.
LM800API int WINAPI SPIFLASH_open(int hBoard);
LM800API int WINAPI SPIFLASH_close(int hBoard);
LM800API int WINAPI SPIFLASH_read_data(int hBoard, unsigned address, void* buffer, int length);
LM800API int WINAPI SPIFLASH_page_program(int hBoard, unsigned address, const void* buffer,
                                          int length);
LM800API int WINAPI SPIFLASH_sector_erase(int hBoard, unsigned address);
LM800API int WINAPI SPIFLASH_block_erase(int hBoard, unsigned address);
