// firmwaretest.h - support for the firmware tests: the recorded pauses and
// window events of a run, a progress window that reports what is done to it,
// installed firmware files with their registry entries, and one start-up
// firmware check run on a simulated board with the message boxes answered.
#pragma once

#include "simboard.h"
#include "testboard.h"
#include "uidriver.h"

#include "firmware/flashchanger.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace fwtest {

// --- The run's event log: pauses, window creation and destruction, texts
// and bar steps of the progress window, message boxes, in their order. ---

void LogEvent(const std::string& event);
std::vector<std::string> Events();
void ClearEvents();

// Allocations by the firmware code: those of at least `minSize` bytes fail
// (0: none fails). Counts every allocation.
void FailAllocationsFrom(size_t minSize);
int AllocationCount();
// Reads of the installed file with this name come back half ("" for none).
void ShortenReadsOf(const std::string& fileName);

// A progress window that logs "create", "setstep N", "step", "text T" and
// "destroy pos=P" (or "destroy none" without a window).
class SpyFlashChanger : public CFlashChanger {
public:
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr) override;
    BOOL DestroyWindow() override;
    BOOL OnInitDialog() override;

    int m_nCreates = 0;
    bool m_bFailCreate = false; // Create returns FALSE without a window
    HWND m_hParentSeen = reinterpret_cast<HWND>(-1);
};

// Bytes of a file with a version header: version at offset 4, board type at 8.
std::vector<uint8_t> HeaderFile(uint32_t version, uint32_t boardType, size_t size = 1024);
// A recognisable SPI boot image of `size` bytes.
std::vector<uint8_t> PatternImage(size_t size, uint8_t seed);

// Installed firmware files in a temporary folder, and the registry entries
// that name them (removed again by the destructor).
class Installation {
public:
    Installation();
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    const std::string& SystemFolder() const { return m_system.Path(); }
    const std::string& DriverFolder() const { return m_driver.Path(); }

    void WriteSystemFile(const std::string& name, const std::vector<uint8_t>& bytes) const;
    void WriteDriverFile(const std::string& name, const std::vector<uint8_t>& bytes) const;
    void RemoveSystemFile(const std::string& name) const;

    // Registry values (REG_SZ unless told).
    static void SetConfigValue(const char* name, const std::string& data, DWORD type = REG_SZ,
                               bool withTerminator = true);
    static void SetDriverValue(const char* name, const std::string& data, DWORD type = REG_SZ,
                               bool withTerminator = true);
    static void DeleteConfigKey();
    static void DeleteDriverKey();
    static void DeleteAllKeys();

private:
    testboard::TempDir m_system;
    testboard::TempDir m_driver;
};

// Removes the recovery records a run left on this PC, those set aside too.
void RemoveAllRecoveryRecords();

// One start-up firmware check as the program runs it.
struct CheckRun {
    std::vector<uitest::MessageBoxInfo> boxes;
    std::vector<std::string> events;
    std::vector<std::string> calls; // "Function(args without the handle)=result"
    std::vector<simboard::TraceEntry> trace;
    BOOL bBoardUpdated = FALSE;
    int nCreates = 0;
    // The progress window's message at each message box ("-" when none shown).
    std::vector<std::string> windowTextAtBox;

    std::vector<std::string> BoxTexts() const;
    int Count(const std::string& function) const;
    // Calls of the given functions only, in order.
    std::vector<std::string> CallsOf(const std::vector<std::string>& functions) const;
};

// Opens the board into theApp, runs CheckAndUpgradeFirmware with a spy
// progress window, answering OK/Cancel questions from `answers` (OK when it
// runs out) and every other box with OK, and closes the board again.
CheckRun RunCheck(const testboard::TempBoard& board, std::deque<int> answers = {},
                  bool failCreate = false);

// A trace entry as "Function(args without the handle)=result".
std::string Brief(const simboard::TraceEntry& entry);
// UTF-8 of a Shift-JIS text.
std::string Utf8OfSjis(const char* sjis);

// A board and installation prepared for the firmware check: the board with
// the command file on it, the installed files at the given versions, the SPI
// images equal to what the board holds.
struct Versions {
    uint32_t boardRom = 0x100;
    uint32_t boardCommand = 0x100;
    uint32_t fileRom = 0x100;
    uint32_t fileCommand = 0x100;
};

class FirmwareCheckTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes board and installation: type, versions; the files' board type is
    // the board's.
    void Prepare(uint32_t boardType, const Versions& versions);
    void InjectFault(const char* function, int nthCall, int result);

    std::vector<uint8_t> MainProductData() const;
    std::vector<uint8_t> SpiProductData() const;
    void SetMainProductData(const std::vector<uint8_t>& block) const;
    void SetSpiProductData(const std::vector<uint8_t>& block) const;
    std::vector<uint8_t> MainFlash(uint32_t address, uint32_t length) const;
    std::vector<uint8_t> SpiFlash(uint32_t address, uint32_t length) const;
    std::string BoardFile(const std::string& boardPath) const;

    uint32_t type = 0x200;
    std::unique_ptr<testboard::TempBoard> board;
    std::unique_ptr<Installation> install;
};

constexpr const char kCommandFile[] = "RZSYS.BIN";
constexpr const char kProgressCaption[] = "Lm Series フラッシュメモリ アップグレード";

} // namespace fwtest
