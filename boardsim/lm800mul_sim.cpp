// lm800mul_sim.cpp - the simulated board library LM800MUL.dll: every export
// works on the board folder named by LM800SIM_DIR, writes its changes back
// before it returns and appends one line to the folder's trace.
#include "boardlib/lm800mul.h"

#include "boardcall.h"
#include "boardclock.h"
#include "boardconfig.h"
#include "boardfolder.h"
#include "boardpath.h"
#include "boardsession.h"
#include "flashimage.h"
#include "winfile.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

using namespace simboard;

namespace {

constexpr int kError = -1;
constexpr int kVersionRecordSize = 64;

std::mutex& CallLock() {
    static std::mutex lock;
    return lock;
}

BoardSession& Session() {
    static BoardSession session;
    return session;
}

uint32_t WordAt(const std::string& bytes, size_t offset) {
    uint32_t word = 0;
    if (bytes.size() >= offset + 4)
        std::memcpy(&word, bytes.data() + offset, 4);
    return word;
}

// Checks of a main-flash buffer call: units of 16 bits at an even address,
// all inside the flash.
bool MainRangeOk(const FlashImage& flash, const void* buffer, unsigned address, int units) {
    if (buffer == nullptr || units <= 0 || address % 2 != 0)
        return false;
    uint64_t end = static_cast<uint64_t>(address) + 2ull * static_cast<uint64_t>(units);
    return end <= flash.Size();
}

FlashImage MainFlash(BoardCall& call) {
    return MainFlashOf(call.Dir(), call.Config().BoardType());
}

FlashImage SpiFlash(BoardCall& call) {
    return SpiFlashOf(call.Dir(), call.Config().spiSize);
}

constexpr const char kSetsBits[] = "programming needs bits to go from 0 to 1";

std::string Misaligned(uint32_t unit) {
    return "erase address not on a " + Hex(unit) + "-byte boundary";
}

// Cuts a board file to the first part of its length, as a delete that stops
// part-way through freeing the file's data leaves it.
bool KeepFirstPart(const std::string& hostPath) {
    WinFile file = WinFile::OpenExisting(hostPath, true);
    uint64_t size = 0;
    return file.Size(size) && file.SetSize(size / 2);
}

bool SpiRangeOk(const BoardConfig& config, unsigned address, int length) {
    return length > 0 && static_cast<uint64_t>(address) + static_cast<uint64_t>(length) <=
                             static_cast<uint64_t>(config.spiSize);
}

bool IsCommandFile(const BoardConfig& config, const char* boardPath) {
    std::string name;
    return !config.commandFile.empty() && BoardFileName(boardPath, name) &&
           _stricmp(name.c_str(), config.commandFile.c_str()) == 0;
}

} // namespace

// --- Board connection ---

LM800API int WINAPI DisableIPErrorMessage(void) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "DisableIPErrorMessage");
    return call.Run([] { return 0; });
}

LM800API int WINAPI DisableIPErrorSkip(void) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "DisableIPErrorSkip");
    return call.Run([] { return 0; });
}

LM800API int WINAPI EnumAttachIPDev(void* buffer1024) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardSession& session = Session();
    session.CountCall("EnumAttachIPDev");
    const std::string dir = BoardDirFromEnvironment();
    BoardConfig config;
    int error = PrepareBoardFolder(dir, config);
    if (error == 0 && config.enumError != 0)
        error = config.enumError;
    if (error == 0 && buffer1024 == nullptr)
        error = IPERR_PARAMETER;
    int result = 0;
    if (error != 0) {
        session.SetLastError(error);
    } else {
        std::memcpy(buffer1024, &config.boardNo, sizeof(config.boardNo));
        result = 1;
    }
    if (FileExists(JoinPath(dir, kConfigFileName)))
        AppendTraceLine(dir, TraceLine("EnumAttachIPDev").Format(result));
    return result;
}

LM800API int WINAPI OpenIPDev(int boardNo, int mode) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardSession& session = Session();
    session.CountCall("OpenIPDev");
    const std::string dir = BoardDirFromEnvironment();
    BoardConfig config;
    int error = PrepareBoardFolder(dir, config);
    if (error == 0 && config.openError != 0)
        error = config.openError;
    if (error == 0 && (boardNo != config.boardNo || mode != 0))
        error = IPERR_PARAMETER;
    int handle = 0;
    if (error != 0)
        session.SetLastError(error);
    else
        handle = session.Open(dir);
    if (FileExists(JoinPath(dir, kConfigFileName)))
        AppendTraceLine(dir, TraceLine("OpenIPDev").Number(boardNo).Number(mode).Format(handle));
    return handle;
}

LM800API int WINAPI GetIPLastError(void) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "GetIPLastError");
    return call.Run([&] { return call.Session().LastError(); });
}

LM800API int WINAPI CloseIPDev(int hBoard) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "CloseIPDev");
    call.Args().Number(hBoard);
    return call.RunOnBoard(hBoard, [&] {
        call.Session().Close();
        return 0;
    });
}

LM800API int WINAPI ResetIP(int boardNo, int mode) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "ResetIP");
    call.Args().Number(boardNo).Number(mode);
    return call.Run([&] {
        BoardConfig& config = call.Config();
        if (call.Dir().empty() || !LoadConfig(call.Dir(), config) || boardNo != config.boardNo ||
            mode != 1)
            return kError;
        ++config.resetCount;
        return SaveConfig(call.Dir(), config) ? 0 : kError;
    });
}

// --- Clock and version information ---

LM800API int WINAPI GetIPTime(int hBoard, SYSTEMTIME* time) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "GetIPTime");
    call.Args().Number(hBoard);
    return call.RunOnBoard(hBoard, [&] {
        SYSTEMTIME board;
        if (time == nullptr || !BoardTimeNow(call.Config().clockOffsetMs, board))
            return kError;
        *time = board;
        return 0;
    });
}

LM800API int WINAPI SetIPTime(int hBoard, SYSTEMTIME* time) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "SetIPTime");
    call.Args().Number(hBoard);
    return call.RunOnBoard(hBoard, [&] {
        long long offset = 0;
        if (time == nullptr || !OffsetForBoardTime(*time, offset))
            return kError;
        call.Config().clockOffsetMs = offset;
        return SaveConfig(call.Dir(), call.Config()) ? 0 : kError;
    });
}

LM800API int WINAPI GetIPVersionInfo(int hBoard, void* record64) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "GetIPVersionInfo");
    call.Args().Number(hBoard);
    return call.RunOnBoard(hBoard, [&] {
        if (record64 == nullptr)
            return kError;
        uint32_t words[kVersionRecordSize / 4] = {};
        words[0] = kVersionRecordSize;
        words[1] = call.Config().boardWord;
        words[2] = call.Config().commandVersion;
        words[4] = call.Config().romVersion;
        std::memcpy(record64, words, sizeof(words));
        return 0;
    });
}

// --- Board file system ---

LM800API int WINAPI fmFindFile(int hBoard, const char* path) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "fmFindFile", 0);
    call.Args().Number(hBoard).Text(path);
    return call.RunOnBoard(hBoard, [&] {
        std::string host;
        return BoardFileHostPath(call.Dir(), path, host) && FileExists(host) ? 1 : 0;
    });
}

LM800API int WINAPI fmOpen(int hBoard, const char* path, int mode) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "fmOpen", 0);
    call.Args().Number(hBoard).Text(path).Number(mode);
    return call.RunOnBoard(hBoard, [&] {
        OpenBoardFile file;
        file.mode = mode;
        if (!BoardFileHostPath(call.Dir(), path, file.hostPath))
            return 0;
        if (mode == FM_MODE_READ) {
            if (!FileExists(file.hostPath))
                return 0;
        } else if (mode == FM_MODE_WRITE) {
            if (!WriteWholeFile(file.hostPath, std::string()))
                return 0;
        } else {
            return 0;
        }
        return call.Session().AddFile(file);
    });
}

LM800API int WINAPI fmGetFileSize(int hBoard, int hFile) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "fmGetFileSize");
    call.Args().Number(hBoard).Number(hFile);
    return call.RunOnBoard(hBoard, [&] {
        OpenBoardFile* file = call.Session().File(hFile);
        uint64_t size = 0;
        if (file == nullptr || !WinFile::OpenExisting(file->hostPath, false).Size(size) ||
            size > 0x7FFFFFFF)
            return kError;
        return static_cast<int>(size);
    });
}

LM800API int WINAPI fmRead(int hBoard, int hFile, void* buffer, int length) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "fmRead");
    call.Args().Number(hBoard).Number(hFile).Number(length);
    return call.RunOnBoard(hBoard, [&] {
        OpenBoardFile* file = call.Session().File(hFile);
        if (file == nullptr || file->mode != FM_MODE_READ || buffer == nullptr || length < 0)
            return kError;
        WinFile host = WinFile::OpenExisting(file->hostPath, false);
        uint64_t size = 0;
        if (!host.Size(size))
            return kError;
        uint64_t available = size > file->position ? size - file->position : 0;
        uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(available, length));
        if (count > 0 && !host.ReadAt(file->position, buffer, count))
            return kError;
        file->position += count;
        return 0;
    });
}

LM800API int WINAPI fmWrite(int hBoard, int hFile, const void* buffer, int length) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "fmWrite");
    call.Args().Number(hBoard).Number(hFile).Number(length);
    return call.RunOnBoard(hBoard, [&] {
        OpenBoardFile* file = call.Session().File(hFile);
        if (file == nullptr || file->mode != FM_MODE_WRITE || buffer == nullptr || length < 0)
            return kError;
        if (length == 0)
            return 0;
        const uint32_t count = PartOf(static_cast<uint32_t>(length), call.BeginChange());
        WinFile host = WinFile::OpenExisting(file->hostPath, true);
        if (count > 0 && !host.WriteAt(file->position, buffer, count))
            return kError;
        file->position += count;
        return 0;
    });
}

LM800API int WINAPI fmClose(int hBoard, int hFile) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "fmClose");
    call.Args().Number(hBoard).Number(hFile);
    return call.RunOnBoard(hBoard, [&] { return call.Session().RemoveFile(hFile) ? 0 : kError; });
}

LM800API int WINAPI fmDelete(int hBoard, const char* boardPath) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "fmDelete");
    call.Args().Number(hBoard).Text(boardPath);
    return call.RunOnBoard(hBoard, [&] {
        std::string host;
        if (!BoardFileHostPath(call.Dir(), boardPath, host) || !FileExists(host))
            return kError;
        if (call.BeginChange() == Extent::Part) {
            KeepFirstPart(host);
            return kError;
        }
        return DeleteFileA(host.c_str()) ? 0 : kError;
    });
}

LM800API int WINAPI fmFileCopy(int hBoard, int zero, const char* pcPath, const char* boardPath) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "fmFileCopy");
    call.Args().Number(hBoard).Number(zero).Text(pcPath).Text(boardPath);
    return call.RunOnBoard(hBoard, [&] {
        std::string host, content;
        if (zero != 0 || pcPath == nullptr || !BoardFileHostPath(call.Dir(), boardPath, host) ||
            !ReadWholeFile(ToWindowsPath(pcPath), content))
            return kError;
        // Part-way, the board file holds the first part of the new content.
        const Extent extent = call.BeginChange();
        content.resize(PartOf(static_cast<uint32_t>(content.size()), extent));
        if (!WriteWholeFile(host, content) || extent == Extent::Part)
            return kError;
        if (IsCommandFile(call.Config(), boardPath) && content.size() >= 8) {
            call.Config().commandVersion = WordAt(content, 4);
            if (!SaveConfig(call.Dir(), call.Config()))
                return kError;
        }
        return 0;
    });
}

LM800API int WINAPI fmWriteProgram(int hBoard, const char* pcPath) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "fmWriteProgram");
    call.Args().Number(hBoard).Text(pcPath);
    return call.RunOnBoard(hBoard, [&] {
        FlashImage flash = MainFlash(call);
        std::string image;
        if (pcPath == nullptr || !ReadWholeFile(ToWindowsPath(pcPath), image) ||
            image.size() < 256 || image.size() > flash.Size())
            return kError;
        const uint32_t length = static_cast<uint32_t>(image.size());
        const uint32_t sectors = (length + kMainSectorSize - 1) / kMainSectorSize;
        // Part-way, every sector the image covers is erased and the first
        // part of the image programmed: the boot ROM is gone either way.
        const Extent extent = call.BeginChange();
        bool verified = false;
        if (!flash.Erase(0, sectors * kMainSectorSize) ||
            !flash.Program(0, image.data(), PartOf(length, extent), verified) || !verified ||
            extent == Extent::Part)
            return kError;
        call.Config().romVersion = WordAt(image, 4);
        return SaveConfig(call.Dir(), call.Config()) ? 0 : kError;
    });
}

// --- Main flash ---

LM800API int WINAPI fmReadDataBuffer(int hBoard, void* buffer, unsigned address, int units) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "fmReadDataBuffer");
    call.Args().Number(hBoard).Address(address).Number(units);
    return call.RunOnBoard(hBoard, [&] {
        FlashImage flash = MainFlash(call);
        if (!MainRangeOk(flash, buffer, address, units))
            return kError;
        return flash.Read(address, buffer, 2u * units) ? 0 : kError;
    });
}

LM800API int WINAPI fmWriteDataBuffer(int hBoard, const void* buffer, unsigned address, int units) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "fmWriteDataBuffer");
    call.Args().Number(hBoard).Address(address).Number(units);
    return call.RunOnBoard(hBoard, [&] {
        FlashImage flash = MainFlash(call);
        if (!MainRangeOk(flash, buffer, address, units))
            return kError;
        const uint32_t bytes = 2u * PartOf(static_cast<uint32_t>(units), call.BeginChange());
        bool verified = false;
        if (!flash.Program(address, buffer, bytes, verified))
            return kError;
        if (!verified) {
            call.IllegalNorOp(kSetsBits);
            return kError;
        }
        return 0;
    });
}

LM800API int WINAPI fmSectorErase(int hBoard, unsigned address) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "fmSectorErase");
    call.Args().Number(hBoard).Address(address);
    return call.RunOnBoard(hBoard, [&] {
        if (address % kMainSectorSize != 0) {
            call.IllegalNorOp(Misaligned(kMainSectorSize));
            return kError;
        }
        FlashImage flash = MainFlash(call);
        if (address >= flash.Size())
            return kError;
        const uint32_t length = PartOf(kMainSectorSize, call.BeginChange());
        return flash.Erase(address, length) ? 0 : kError;
    });
}

// --- SPI flash ---

LM800API int WINAPI SPIFLASH_open(int hBoard) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "SPIFLASH_open");
    call.Args().Number(hBoard);
    return call.RunOnBoard(hBoard, [&] {
        call.Session().SetSpiOpen(true);
        return 0;
    });
}

LM800API int WINAPI SPIFLASH_close(int hBoard) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "SPIFLASH_close");
    call.Args().Number(hBoard);
    return call.RunOnBoard(hBoard, [&] {
        if (!call.Session().SpiOpen())
            return kError;
        call.Session().SetSpiOpen(false);
        return 0;
    });
}

LM800API int WINAPI SPIFLASH_read_data(int hBoard, unsigned address, void* buffer, int length) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "SPIFLASH_read_data");
    call.Args().Number(hBoard).Address(address).Number(length);
    return call.RunOnBoard(hBoard, [&] {
        if (!call.Session().SpiOpen() || buffer == nullptr ||
            !SpiRangeOk(call.Config(), address, length))
            return kError;
        return SpiFlash(call).Read(address, buffer, static_cast<uint32_t>(length)) ? 0 : kError;
    });
}

LM800API int WINAPI SPIFLASH_page_program(int hBoard, unsigned address, const void* buffer,
                                          int length) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "SPIFLASH_page_program");
    call.Args().Number(hBoard).Address(address).Number(length);
    return call.RunOnBoard(hBoard, [&] {
        if (!call.Session().SpiOpen() || buffer == nullptr ||
            !SpiRangeOk(call.Config(), address, length))
            return kError;
        // A real part wraps round to the start of the page; refusing it shows the mistake.
        if (address % kSpiPageSize + static_cast<uint32_t>(length) > kSpiPageSize) {
            call.IllegalNorOp("page program crosses a " + Hex(kSpiPageSize) + "-byte page");
            return kError;
        }
        const uint32_t bytes = PartOf(static_cast<uint32_t>(length), call.BeginChange());
        bool verified = false;
        if (!SpiFlash(call).Program(address, buffer, bytes, verified))
            return kError;
        if (!verified) {
            call.IllegalNorOp(kSetsBits);
            return kError;
        }
        return 0;
    });
}

namespace {

int SpiErase(BoardCall& call, unsigned address, uint32_t unit) {
    if (!call.Session().SpiOpen())
        return kError;
    if (address % unit != 0) {
        call.IllegalNorOp(Misaligned(unit));
        return kError;
    }
    if (address >= call.Config().spiSize)
        return kError;
    return SpiFlash(call).Erase(address, PartOf(unit, call.BeginChange())) ? 0 : kError;
}

} // namespace

LM800API int WINAPI SPIFLASH_sector_erase(int hBoard, unsigned address) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "SPIFLASH_sector_erase");
    call.Args().Number(hBoard).Address(address);
    return call.RunOnBoard(hBoard, [&] { return SpiErase(call, address, kSpiSectorSize); });
}

LM800API int WINAPI SPIFLASH_block_erase(int hBoard, unsigned address) {
    std::lock_guard<std::mutex> lock(CallLock());
    BoardCall call(Session(), "SPIFLASH_block_erase");
    call.Args().Number(hBoard).Address(address);
    return call.RunOnBoard(hBoard, [&] { return SpiErase(call, address, kSpiBlockSize); });
}
