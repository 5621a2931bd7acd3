// bench.cpp - figures measured side by side in one run on the same Wine:
// start-up to the main dialog against a minimal dialog program, the board
// calls of that start-up, the Write round trip, and peak working sets.
#include "../e2e/installation.h"
#include "testboard.h"
#include "uidriver.h"
#include "res/resource.h"

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace uitest;

namespace {

constexpr double kDesignedPausesMs = 2000.0; // the firmware check's pauses
constexpr int kStartRuns = 9;
constexpr int kWriteRuns = 5;
constexpr DWORD kWait = 30000;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double NowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

SIZE_T PeakWorkingSet(const testboard::Child& child) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(child.pi.hProcess, &counters, sizeof(counters)))
        return 0;
    return counters.PeakWorkingSetSize;
}

// The program's main window: a dialog with the given caption that is not a
// message box and, for the tool, has its Write button.
HWND WaitForMain(const testboard::Child& child, const wchar_t* caption, int buttonId) {
    HWND main = nullptr;
    WaitUntil(
        [&] {
            main = FindTopWindow(caption, L"#32770", child.Pid());
            return main != nullptr && !IsMessageBox(main) &&
                   FindDescendant(main, buttonId, L"Button") != nullptr;
        },
        kWait);
    return main;
}

struct StartFigures {
    double ms = 0;
    SIZE_T peak = 0;
};

// Starts a program, waits for its main window, optionally runs `work` on it,
// closes it and returns the time to the window and the peak working set.
template <typename Work>
bool MeasureStart(const char* exe, const wchar_t* caption, int buttonId, StartFigures& figures,
                  Work work) {
    testboard::Child child;
    double start = NowMs();
    if (!testboard::StartChild(exe, child))
        return false;
    HWND main = WaitForMain(child, caption, buttonId);
    if (main == nullptr)
        return false;
    figures.ms = NowMs() - start;
    work(child, main);
    figures.peak = PeakWorkingSet(child);
    // After a Write the tool offers a board reset on closing: decline it.
    MessageBoxResponder decline([](const MessageBoxInfo&) { return IDCANCEL; }, child.Pid());
    SystemCommand(main, SC_CLOSE);
    return child.Wait(kWait) != STILL_ACTIVE;
}

void NoWork(const testboard::Child&, HWND) {}

} // namespace

int main() {
    simboard::CreateOptions options;
    options.boardType = 0x200;
    options.romVersion = 0x200;
    options.commandVersion = 0x200;
    testboard::TempBoard board(options);
    testboard::TempDir pc;
    e2e::FirmwareImages images;
    images.bootRom = e2e::MakeHeaderedFile(0x200, 0x200, 0x6000, 0x31);
    images.commandFile = e2e::MakeHeaderedFile(0x200, 0x200, 0x3000, 0x52);
    images.spiBoot = e2e::MakeSpiImage(0x2345, 0x17);
    images.boot2 = e2e::MakeSpiImage(0x5000, 0x29);
    e2e::Installation installation(pc.Path(), images);
    // Nothing to upgrade: the SPI flash already holds the installed images.
    simboard::WriteSpiFlash(board.Dir(), 0, images.spiBoot.data(),
                            static_cast<uint32_t>(images.spiBoot.size()));
    simboard::WriteSpiFlash(board.Dir(), 0x10000, images.boot2.data(),
                            static_cast<uint32_t>(images.boot2.size()));

    std::vector<double> toolMs, minimalMs;
    SIZE_T toolPeak = 0, minimalPeak = 0;
    for (int run = 0; run < kStartRuns; ++run) {
        StartFigures tool, minimal;
        simboard::ClearTrace(board.Dir());
        if (!MeasureStart("Tarnel2.exe", L"Tarnel2", IDC_BUTTON_WRITE, tool, NoWork) ||
            !MeasureStart("minimal_dialog.exe", L"Minimal", IDOK, minimal, NoWork)) {
            std::fprintf(stderr, "bench: a program did not start or end\n");
            return 1;
        }
        toolMs.push_back(tool.ms - kDesignedPausesMs);
        minimalMs.push_back(minimal.ms);
        toolPeak = std::max(toolPeak, tool.peak);
        minimalPeak = std::max(minimalPeak, minimal.peak);
    }

    // The board calls of one start-up with nothing to upgrade.
    simboard::ClearTrace(board.Dir());
    StartFigures traced;
    std::vector<double> writeMs;
    size_t writeCalls = 0;
    auto trace = std::vector<simboard::TraceEntry>();
    bool ok = MeasureStart("Tarnel2.exe", L"Tarnel2", IDC_BUTTON_WRITE, traced,
                           [&](const testboard::Child& child, HWND main) {
                               trace = simboard::ReadTrace(board.Dir());
                               for (int run = 0; run < kWriteRuns; ++run) {
                                   simboard::ClearTrace(board.Dir());
                                   double start = NowMs();
                                   ClickDlgButton(main, IDC_BUTTON_WRITE);
                                   MessageBoxInfo box;
                                   if (!WaitForMessageBox(box, kWait, child.Pid()))
                                       return;
                                   writeMs.push_back(NowMs() - start);
                                   writeCalls = simboard::ReadTrace(board.Dir()).size();
                                   AnswerMessageBox(box, IDOK);
                               }
                           });
    if (!ok || writeMs.size() != kWriteRuns) {
        std::fprintf(stderr, "bench: the Write round trips did not complete\n");
        return 1;
    }

    size_t flashChanges = 0;
    unsigned long long spiBytesRead = 0;
    for (const auto& entry : trace) {
        if (simboard::IsFlashChangingCall(entry.function))
            ++flashChanges;
        if (entry.function == "SPIFLASH_read_data" && entry.args.size() >= 3)
            spiBytesRead += std::strtoull(entry.args[2].c_str(), nullptr, 0);
    }
    const unsigned long long spiBound = ((images.spiBoot.size() + 4095) / 4096 * 4096) +
                                        ((images.boot2.size() + 4095) / 4096 * 4096) + 256;

    double toolMedian = Median(toolMs);
    double minimalMedian = Median(minimalMs);
    std::printf("start-up to main dialog, nothing to upgrade (median of %d runs):\n", kStartRuns);
    std::printf("  Tarnel2 minus %.0f ms of designed pauses: %.0f ms\n", kDesignedPausesMs,
                toolMedian);
    std::printf("  minimal dialog program:                 %.0f ms\n", minimalMedian);
    std::printf("  ratio:                                  %.2f\n", toolMedian / minimalMedian);
    std::printf("board calls of that start-up:\n");
    std::printf("  flash erase/program calls:              %zu\n", flashChanges);
    std::printf("  SPI bytes read:                         %llu (bound %llu)\n", spiBytesRead,
                spiBound);
    std::printf("  board calls in all:                     %zu\n", trace.size());
    double writeAverage = 0;
    for (double ms : writeMs)
        writeAverage += ms;
    if (!writeMs.empty())
        writeAverage /= static_cast<double>(writeMs.size());
    std::printf("Write with its read-back (%zu runs):\n", writeMs.size());
    std::printf("  board calls per round trip:             %zu\n", writeCalls);
    std::printf("  ms per round trip (to the message):     %.0f\n", writeAverage);
    std::printf("peak working set:\n");
    std::printf("  Tarnel2:                                %.1f MiB\n",
                static_cast<double>(toolPeak) / (1024.0 * 1024.0));
    std::printf("  minimal dialog program:                 %.1f MiB\n",
                static_cast<double>(minimalPeak) / (1024.0 * 1024.0));
    return 0;
}
