// firmwaretest.cpp - support for the firmware tests.
#include "firmwaretest.h"

#include "boardlib/lm800mul.h"
#include "app/tarnelapp.h"
#include "firmware/recoveryrecord.h"
#include "res/resource.h"

#include <commctrl.h>

#include <cstring>
#include <fstream>
#include <mutex>

namespace fwtest {

namespace {

std::mutex g_eventLock;
std::vector<std::string> g_events;

const char kConfigKey[] = "SOFTWARE\\KORVANE\\RZ400SYS\\Config";
const char kDriverKeyName[] = "SOFTWARE\\KORVANE\\RZ400SYS\\DRV\\Lm830";

constexpr UINT_PTR kBarSpy = 1;
constexpr UINT_PTR kTextSpy = 2;

LRESULT CALLBACK SpyProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                         DWORD_PTR) {
    if (id == kBarSpy && message == PBM_SETSTEP)
        LogEvent("setstep " + std::to_string(wParam));
    else if (id == kBarSpy && message == PBM_STEPIT)
        LogEvent("step");
    else if (id == kTextSpy && message == WM_SETTEXT)
        LogEvent("text " + uitest::Utf8(reinterpret_cast<const wchar_t*>(lParam)));
    return DefSubclassProc(hWnd, message, wParam, lParam);
}

void SetValue(const char* key, const char* name, const std::string& data, DWORD type,
              bool withTerminator) {
    HKEY hKey = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr),
        ERROR_SUCCESS);
    DWORD size = static_cast<DWORD>(data.size() + (withTerminator ? 1 : 0));
    EXPECT_EQ(
        RegSetValueExA(hKey, name, 0, type, reinterpret_cast<const BYTE*>(data.c_str()), size),
        ERROR_SUCCESS);
    RegCloseKey(hKey);
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

} // namespace

void LogEvent(const std::string& event) {
    std::lock_guard<std::mutex> lock(g_eventLock);
    g_events.push_back(event);
}

std::vector<std::string> Events() {
    std::lock_guard<std::mutex> lock(g_eventLock);
    return g_events;
}

void ClearEvents() {
    std::lock_guard<std::mutex> lock(g_eventLock);
    g_events.clear();
}

// --- SpyFlashChanger ---

BOOL SpyFlashChanger::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    ++m_nCreates;
    m_hParentSeen = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    LogEvent("create");
    if (m_bFailCreate)
        return FALSE;
    return CFlashChanger::Create(nIDTemplate, pParentWnd);
}

BOOL SpyFlashChanger::DestroyWindow() {
    if (m_hWnd == nullptr)
        LogEvent("destroy none");
    else
        LogEvent("destroy pos=" + std::to_string(m_progress.GetPos()));
    return CFlashChanger::DestroyWindow();
}

BOOL SpyFlashChanger::OnInitDialog() {
    BOOL result = CFlashChanger::OnInitDialog();
    SetWindowSubclass(GetDlgItem(IDC_PROGRESS_FLASH), SpyProc, kBarSpy, 0);
    SetWindowSubclass(GetDlgItem(IDC_STATIC_FLASH_MESSAGE), SpyProc, kTextSpy, 0);
    return result;
}

// --- Files ---

std::vector<uint8_t> HeaderFile(uint32_t version, uint32_t boardType, size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(0xA5 ^ (i * 7));
    if (size >= 8)
        std::memcpy(bytes.data() + 4, &version, 4);
    if (size >= 12)
        std::memcpy(bytes.data() + 8, &boardType, 4);
    return bytes;
}

std::vector<uint8_t> PatternImage(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 31 + (i >> 8));
    return bytes;
}

Installation::Installation() {
    DeleteAllKeys();
    SetConfigValue("Path", m_system.Path());
    SetConfigValue("Sys", kCommandFile);
    SetDriverValue("Path", m_driver.Path());
}

Installation::~Installation() {
    DeleteAllKeys();
}

void Installation::WriteSystemFile(const std::string& name,
                                   const std::vector<uint8_t>& bytes) const {
    WriteBytes(m_system.Path() + "\\" + name, bytes);
}

void Installation::WriteDriverFile(const std::string& name,
                                   const std::vector<uint8_t>& bytes) const {
    WriteBytes(m_driver.Path() + "\\" + name, bytes);
}

void Installation::RemoveSystemFile(const std::string& name) const {
    DeleteFileA((m_system.Path() + "\\" + name).c_str());
}

void Installation::SetConfigValue(const char* name, const std::string& data, DWORD type,
                                  bool withTerminator) {
    SetValue(kConfigKey, name, data, type, withTerminator);
}

void Installation::SetDriverValue(const char* name, const std::string& data, DWORD type,
                                  bool withTerminator) {
    SetValue(kDriverKeyName, name, data, type, withTerminator);
}

void Installation::DeleteConfigKey() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kConfigKey);
}

void Installation::DeleteDriverKey() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kDriverKeyName);
}

void Installation::DeleteAllKeys() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\KORVANE");
}

// --- One run ---

std::string Brief(const simboard::TraceEntry& entry) {
    std::string text = entry.function + "(";
    for (size_t i = 1; i < entry.args.size(); ++i) {
        if (i > 1)
            text += ", ";
        text += entry.args[i];
    }
    return text + ")=" + std::to_string(entry.result);
}

std::string Utf8OfSjis(const char* sjis) {
    int n = MultiByteToWideChar(932, 0, sjis, -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(932, 0, sjis, -1, &wide[0], n);
    return uitest::Utf8(wide.c_str());
}

std::vector<std::string> CheckRun::BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : boxes)
        texts.push_back(uitest::Utf8(box.text));
    return texts;
}

int CheckRun::Count(const std::string& function) const {
    int n = 0;
    for (const auto& entry : trace)
        n += entry.function == function ? 1 : 0;
    return n;
}

std::vector<std::string> CheckRun::CallsOf(const std::vector<std::string>& functions) const {
    std::vector<std::string> out;
    for (const auto& entry : trace) {
        for (const auto& f : functions) {
            if (entry.function == f)
                out.push_back(Brief(entry));
        }
    }
    return out;
}

CheckRun RunCheck(const testboard::TempBoard& board, std::deque<int> answers, bool failCreate) {
    AfxInitCommonControls();
    CheckRun run;
    theApp.m_hBoard = board.Open(&theApp.m_nBoardNo);
    EXPECT_NE(theApp.m_hBoard, 0) << "the simulated board did not open";
    simboard::ClearTrace(board.Dir());
    ClearEvents();

    auto* spy = new SpyFlashChanger;
    spy->m_bFailCreate = failCreate;
    theApp.m_pFlashChanger = spy;
    theApp.m_bBoardUpdated = TRUE; // the check must clear it
    std::mutex answerLock;
    {
        uitest::MessageBoxResponder responder([&](const uitest::MessageBoxInfo& box) {
            LogEvent("box " + uitest::Utf8(box.text));
            HWND window = uitest::FindTopWindow(uitest::Wide(kProgressCaption).c_str());
            run.windowTextAtBox.push_back(
                window ? uitest::Utf8(uitest::GetText(GetDlgItem(window, IDC_STATIC_FLASH_MESSAGE)))
                       : "-");
            if (!box.hasCancel)
                return IDOK;
            std::lock_guard<std::mutex> lock(answerLock);
            if (answers.empty())
                return IDOK;
            int answer = answers.front();
            answers.pop_front();
            return answer;
        });
        theApp.CheckAndUpgradeFirmware();
        responder.Stop();
        run.boxes = responder.Seen();
    }
    run.trace = simboard::ReadTrace(board.Dir());
    for (const auto& entry : run.trace)
        run.calls.push_back(Brief(entry));
    run.events = Events();
    run.bBoardUpdated = theApp.m_bBoardUpdated;
    run.nCreates = spy->m_nCreates;
    // Nothing of the window may be left once the check is over.
    EXPECT_EQ(spy->GetSafeHwnd(), nullptr);
    if (theApp.m_hBoard != 0)
        CloseIPDev(theApp.m_hBoard);
    theApp.m_hBoard = 0;
    theApp.m_pFlashChanger = nullptr;
    delete spy;
    return run;
}

// --- Fixture ---

void FirmwareCheckTest::SetUp() {
    AfxInitCommonControls();
    FailAllocationsFrom(0);
    RemoveAllRecoveryRecords();
}

void FirmwareCheckTest::TearDown() {
    install.reset();
    board.reset();
    FailAllocationsFrom(0);
    RemoveAllRecoveryRecords();
}

void RemoveAllRecoveryRecords() {
    // Records set aside too: every file of the folder.
    WIN32_FIND_DATAA found = {};
    HANDLE search = FindFirstFileA((RecoveryFolder() + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            DeleteFileA((RecoveryFolder() + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void FirmwareCheckTest::Prepare(uint32_t boardType, const Versions& versions) {
    type = boardType;
    RemoveAllRecoveryRecords(); // they belong to the board being replaced
    install.reset();            // its keys go before the new installation writes its own
    board.reset();
    simboard::CreateOptions options;
    options.boardType = boardType;
    options.romVersion = versions.boardRom;
    options.commandVersion = versions.boardCommand;
    board = std::make_unique<testboard::TempBoard>(options);
    if (boardType != 0x201) { // a real board boots from the head of main flash
        auto rom = HeaderFile(versions.boardRom, boardType, 1024);
        rom.resize(0xC00, 0xFF); // erased up to the product data
        ASSERT_TRUE(simboard::WriteMainFlash(board->Dir(), 0, rom.data(), 0xC00));
    }
    ASSERT_TRUE(simboard::WriteBoardFile(board->Dir(), std::string("sys:\\") + kCommandFile,
                                         "old command file"));
    install = std::make_unique<Installation>();
    install->WriteSystemFile("lm8boot.rom", HeaderFile(versions.fileRom, boardType, 1024));
    install->WriteSystemFile(kCommandFile, HeaderFile(versions.fileCommand, boardType, 512));
    install->WriteDriverFile("lm8spiboot.bin", simboard::MakeOldBootImage(0));
    install->WriteDriverFile("lm8boot2.bin", simboard::MakeOldBootImage(0x10000));
}

void FirmwareCheckTest::InjectFault(const char* function, int nthCall, int result) {
    simboard::BoardConfig config = board->Config();
    config.faults.push_back({function, nthCall, result});
    board->SetConfig(config);
}

std::vector<uint8_t> FirmwareCheckTest::MainProductData() const {
    return MainFlash(simboard::ProductDataMainAddress(type), 256);
}

std::vector<uint8_t> FirmwareCheckTest::SpiProductData() const {
    return SpiFlash(simboard::kProductDataSpiAddress, 256);
}

void FirmwareCheckTest::SetMainProductData(const std::vector<uint8_t>& block) const {
    ASSERT_TRUE(simboard::WriteMainFlash(board->Dir(), simboard::ProductDataMainAddress(type),
                                         block.data(), 256));
}

void FirmwareCheckTest::SetSpiProductData(const std::vector<uint8_t>& block) const {
    ASSERT_TRUE(
        simboard::WriteSpiFlash(board->Dir(), simboard::kProductDataSpiAddress, block.data(), 256));
}

std::vector<uint8_t> FirmwareCheckTest::MainFlash(uint32_t address, uint32_t length) const {
    std::vector<uint8_t> bytes(length);
    EXPECT_TRUE(simboard::ReadMainFlash(board->Dir(), address, bytes.data(), length));
    return bytes;
}

std::vector<uint8_t> FirmwareCheckTest::SpiFlash(uint32_t address, uint32_t length) const {
    std::vector<uint8_t> bytes(length);
    EXPECT_TRUE(simboard::ReadSpiFlash(board->Dir(), address, bytes.data(), length));
    return bytes;
}

std::string FirmwareCheckTest::BoardFile(const std::string& boardPath) const {
    std::string content;
    simboard::ReadBoardFile(board->Dir(), boardPath, content);
    return content;
}

} // namespace fwtest
