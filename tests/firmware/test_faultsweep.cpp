// The fault sweep: the heaviest start-up (type 0x200; boot ROM and command
// file newer; both SPI images different; both product data copies valid but
// different; every question accepted) run once for every board call of its
// trace with that call failing, and once for every flash change with the
// power cut right after it. Each run is followed by a clean start on the
// board as the run left it, which must bring everything back: both product
// data copies equal to the SPI copy of the first start, the boot ROM, the
// command file and the SPI images current, and no flash byte changed outside
// the regions the firmware maintenance may write.
//
// A power cut ends the process, so those runs happen in a child: this
// executable started with --run-check, which runs the check once on the board
// named by LM800SIM_DIR and answers every message box with OK.
#include "checktexts.h"
#include "firmwaretest.h"

#include "boardlib/lm800mul.h"
#include "app/tarnelapp.h"

#include <chrono>
#include <cstring>
#include <iostream>
#include <map>

using namespace fwtest;
using Texts = std::vector<std::string>;

namespace {

constexpr uint32_t kRomLength = 1024;
constexpr uint32_t kSpiImageLength = 3000;
constexpr uint32_t kSpiImage2Length = 2000;
constexpr DWORD kChildTimeoutMs = 60000;

uint32_t Number(const std::string& text) {
    return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 0));
}

// The error boxes (stop icon) a failing call must raise in the first run.
Texts ExpectedErrors(const std::string& function, int nth) {
    if (function == "GetIPVersionInfo")
        return {kVersionFailed};
    if (function == "fmReadDataBuffer")
        return nth == 1 ? Texts{} : Texts{kPdFlashRead, kWriteBackFailed};
    if (function == "fmSectorErase")
        return {kPdFlashErase, kWriteBackFailed};
    if (function == "fmWriteDataBuffer")
        return {kPdFlashWrite, kWriteBackFailed};
    if (function == "fmWriteProgram")
        return {kProgramFailed};
    if (function == "fmDelete")
        return {kDeleteFailed};
    if (function == "fmFileCopy")
        return {kCopyFailed};
    if (function == "SPIFLASH_open")
        return {nth == 1 ? kPdReadOpen : kSpiOpen};
    if (function == "SPIFLASH_read_data")
        return {nth == 1 ? kPdReadRead : kSpiRead};
    if (function == "SPIFLASH_close")
        return nth == 1 ? Texts{kPdReadClose} : Texts{}; // the SPI image update ignores it
    if (function == "SPIFLASH_sector_erase" || function == "SPIFLASH_block_erase")
        return {kSpiErase};
    if (function == "SPIFLASH_page_program")
        return {kSpiWrite};
    return {"(no expectation for " + function + ")"};
}

Texts ErrorTexts(const CheckRun& run) {
    Texts texts;
    for (const auto& box : run.boxes) {
        if (box.icon == MB_ICONHAND)
            texts.push_back(uitest::Utf8(box.text));
    }
    return texts;
}

// Is every flash change of the trace inside the regions the firmware
// maintenance may write? Returns the first one that is not.
std::string StrayFlashChange(const std::vector<simboard::TraceEntry>& trace) {
    for (const auto& e : trace) {
        if (!simboard::IsFlashChangingCall(e.function))
            continue;
        bool ok = false;
        if (e.function == "fmWriteProgram") {
            ok = true; // the boot ROM's own sectors, from address 0
        } else if (e.function == "fmSectorErase") {
            ok = e.args.size() == 2 && Number(e.args[1]) == 0;
        } else if (e.function == "fmWriteDataBuffer") {
            ok = e.args.size() == 3 && Number(e.args[1]) == 0 && e.args[2] == "65536";
        } else if (e.function == "fmDelete" || e.function == "fmFileCopy") {
            ok = e.args.back() == "\"sys:\\RZSYS.BIN\"";
        } else if (e.function.rfind("SPIFLASH_", 0) == 0 && e.args.size() >= 2) {
            uint32_t a = Number(e.args[1]);
            ok = a < 0x1000 || (a >= 0xF000 && a < 0x10000) || (a >= 0x10000 && a < 0x11000);
        }
        if (!ok)
            return e.line;
    }
    return "";
}

struct Outcome {
    std::string name;
    bool recovered = false;
    std::string problem; // what is not as it should be after the second start
};

class FaultSweep : public FirmwareCheckTest {
protected:
    void PrepareHeaviest() {
        Versions v;
        v.fileRom = 0x101;
        v.fileCommand = 0x101;
        Prepare(0x200, v);
        install->WriteSystemFile("lm8boot.rom", HeaderFile(0x101, 0x200, kRomLength));
        install->WriteDriverFile("lm8spiboot.bin", PatternImage(kSpiImageLength, 1));
        install->WriteDriverFile("lm8boot2.bin", PatternImage(kSpiImage2Length, 2));
        const uint8_t otherMac[6] = {0x00, 0x80, 0x4C, 0x77, 0x88, 0x99};
        SetMainProductData(simboard::MakeProductData(0x200, otherMac));
        spiCopy = SpiProductData();
        spiBefore = SpiFlash(0, 0x100000);
        mainSecondSectorBefore = MainFlash(0x10000, 0x10000);
    }

    void ClearFaults() {
        auto config = board->Config();
        config.faults.clear();
        config.powerCutAfter = 0;
        board->SetConfig(config);
    }

    // After the clean second start: what is not as it should be ("" = all).
    std::string Problems(const CheckRun& second) {
        std::string problems;
        auto add = [&](const std::string& p) { problems += (problems.empty() ? "" : "; ") + p; };
        if (!ErrorTexts(second).empty())
            add("second start reported " + ErrorTexts(second).front());
        auto main = MainProductData();
        auto spi = SpiProductData();
        if (!simboard::ProductDataLooksValid(0x200, main.data()) || main != spiCopy)
            add("main-flash product data is not the first start's SPI copy");
        if (!simboard::ProductDataLooksValid(0x200, spi.data()) || spi != spiCopy)
            add("SPI product data changed");
        auto config = board->Config();
        if (config.romVersion != 0x101)
            add("boot ROM version not current");
        if (MainFlash(0, kRomLength) != HeaderFile(0x101, 0x200, kRomLength))
            add("boot ROM bytes in main flash are not the image (the board reports it current)");
        auto cmd = HeaderFile(0x101, 0x200, 512);
        if (config.commandVersion != 0x101 ||
            BoardFile("sys:\\RZSYS.BIN") != std::string(cmd.begin(), cmd.end()))
            add("command file not current");
        if (SpiFlash(0, kSpiImageLength) != PatternImage(kSpiImageLength, 1) ||
            SpiFlash(0x10000, kSpiImage2Length) != PatternImage(kSpiImage2Length, 2))
            add("SPI boot images not current");
        // No byte outside the regions the maintenance may write has changed.
        auto spiAfter = SpiFlash(0, 0x100000);
        for (uint32_t a = 0; a < 0x100000; ++a) {
            bool allowed =
                a < 0x1000 || (a >= 0xFC00 && a < 0xFD00) || (a >= 0x10000 && a < 0x11000);
            if (!allowed && spiAfter[a] != spiBefore[a]) {
                add("SPI byte changed outside the regions at " + std::to_string(a));
                break;
            }
        }
        if (MainFlash(0x10000, 0x10000) != mainSecondSectorBefore)
            add("main flash changed past the boot ROM sector");
        auto sector0 = MainFlash(0, 0x10000);
        for (uint32_t a = kRomLength; a < 0x10000; ++a) {
            if ((a < 0xC00 || a >= 0xD00) && sector0[a] != 0xFF) {
                add("main flash sector 0 holds stray bytes");
                break;
            }
        }
        return problems;
    }

    std::vector<uint8_t> spiCopy;
    std::vector<uint8_t> spiBefore;
    std::vector<uint8_t> mainSecondSectorBefore;
};

// The cases that cannot recover because of how the check works, with the
// reason each one shows. The write-back after a boot ROM rewrite erases main
// flash sector 0, which holds the new boot ROM as well as the product data;
// if its sector write never happens, the boot ROM's bytes are gone while the
// board's version record already names the new version, so no later start
// offers the rewrite again.
const std::map<std::string, std::string> kKnownUnrecoverable = {
    {"fail fmWriteDataBuffer#1",
     "boot ROM bytes in main flash are not the image (the board reports it current)"},
    {"power cut after fmSectorErase#1",
     "boot ROM bytes in main flash are not the image (the board reports it current)"},
};

} // namespace

TEST_F(FaultSweep, EveryFailingCallAndEveryPowerCutOfTheHeaviestStartUp) {
    const auto started = std::chrono::steady_clock::now();

    // The reference: the heaviest start-up without a fault.
    PrepareHeaviest();
    CheckRun reference = RunCheck(*board);
    ASSERT_EQ(reference.BoxTexts(), (Texts{kIplQuestion, kCommandQuestionShort, kCompleted}));
    ASSERT_EQ(Problems(reference), "");
    ASSERT_EQ(reference.Count("fmWriteProgram"), 1);
    ASSERT_EQ(reference.Count("SPIFLASH_page_program"), 32); // two one-sector images
    const auto trace = reference.trace;

    std::vector<Outcome> outcomes;
    int failingCases = 0, powerCutCases = 0;

    // Every call failing.
    std::map<std::string, int> seen;
    for (const auto& entry : trace) {
        const int nth = ++seen[entry.function];
        Outcome outcome;
        outcome.name = "fail " + entry.function + "#" + std::to_string(nth);
        SCOPED_TRACE(outcome.name);
        ++failingCases;
        PrepareHeaviest();
        InjectFault(entry.function.c_str(), nth, -1);
        CheckRun first = RunCheck(*board);
        EXPECT_EQ(ErrorTexts(first), ExpectedErrors(entry.function, nth));
        EXPECT_EQ(StrayFlashChange(first.trace), "");
        ClearFaults();
        CheckRun second = RunCheck(*board);
        EXPECT_EQ(StrayFlashChange(second.trace), "");
        outcome.problem = Problems(second);
        outcome.recovered = outcome.problem.empty();
        outcomes.push_back(outcome);
    }

    // The power cut after every flash change.
    std::map<std::string, int> changed;
    int change = 0;
    for (const auto& entry : trace) {
        if (!simboard::IsFlashChangingCall(entry.function))
            continue;
        ++change;
        Outcome outcome;
        outcome.name =
            "power cut after " + entry.function + "#" + std::to_string(++changed[entry.function]);
        SCOPED_TRACE(outcome.name);
        ++powerCutCases;
        PrepareHeaviest();
        auto config = board->Config();
        config.powerCutAfter = change;
        board->SetConfig(config);
        simboard::ClearTrace(board->Dir());
        testboard::Child child;
        ASSERT_TRUE(testboard::StartChild("firmware_fault_sweep.exe", child, "--run-check"));
        const DWORD code = child.Wait(kChildTimeoutMs);
        EXPECT_EQ(code, static_cast<DWORD>(simboard::kPowerCutExitCode))
            << "no power cut or a hang";
        auto firstTrace = simboard::ReadTrace(board->Dir());
        EXPECT_EQ(StrayFlashChange(firstTrace), "");
        int changes = 0;
        for (const auto& e : firstTrace)
            changes += simboard::IsFlashChangingCall(e.function) && e.result == 0;
        EXPECT_EQ(changes, change) << "the child ran a different sequence";
        ClearFaults();
        CheckRun second = RunCheck(*board);
        EXPECT_EQ(StrayFlashChange(second.trace), "");
        outcome.problem = Problems(second);
        outcome.recovered = outcome.problem.empty();
        outcomes.push_back(outcome);
    }

    // Every case recovers, except the ones named above, which fail only in
    // the way named.
    int recovered = 0;
    std::cout << "Fault sweep over the heaviest start-up (" << trace.size() << " board calls, "
              << change << " flash changes):\n";
    for (const Outcome& o : outcomes) {
        auto known = kKnownUnrecoverable.find(o.name);
        if (o.recovered) {
            ++recovered;
            EXPECT_EQ(known, kKnownUnrecoverable.end()) << o.name << " recovered after all";
        } else {
            std::cout << "  NOT RECOVERED: " << o.name << ": " << o.problem << "\n";
            ASSERT_NE(known, kKnownUnrecoverable.end()) << o.name << ": " << o.problem;
            EXPECT_EQ(o.problem, known->second) << o.name;
        }
    }
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started)
            .count();
    std::cout << "  cases: " << outcomes.size() << " (" << failingCases << " failing calls, "
              << powerCutCases << " power cuts); recovered: " << recovered
              << "; cannot recover: " << outcomes.size() - recovered << "; " << seconds << " s\n";
    EXPECT_EQ(outcomes.size() - recovered, kKnownUnrecoverable.size());
}

namespace {

// The child: one start-up firmware check on the board of LM800SIM_DIR.
int RunCheckAsChild() {
    AfxInitCommonControls();
    unsigned char buffer[1024] = {};
    if (EnumAttachIPDev(buffer) == 0)
        return 2;
    int number = 0;
    std::memcpy(&number, buffer, sizeof(number));
    theApp.m_hBoard = OpenIPDev(number, 0);
    if (theApp.m_hBoard == 0)
        return 3;
    theApp.m_pFlashChanger = new CFlashChanger;
    {
        uitest::MessageBoxResponder responder(uitest::MessageBoxResponder::AlwaysOk);
        theApp.CheckAndUpgradeFirmware();
    }
    delete theApp.m_pFlashChanger;
    theApp.m_pFlashChanger = nullptr;
    CloseIPDev(theApp.m_hBoard);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--run-check") == 0)
        return RunCheckAsChild();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
