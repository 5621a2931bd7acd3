// The fault sweep: the heaviest start-up of each board type run once for
// every board call failing, plainly and part-way, and once for a power cut
// after and inside every flash change, plain and with a second cut inside the
// first flash change of the next start. After each case clean starts run
// until one changes nothing. Every case must end with the product data
// copies valid and equal to the board's identity, the boot ROM, the command
// file and the SPI images current or still the old ones, no flash change
// outside the regions the firmware maintenance may write, and no illegal NOR
// operation. The tally is the last line of the output.
//
// A power cut ends the process, so those runs happen in a child: this
// executable started with --run-check, which runs the check once on the board
// named by LM800SIM_DIR and answers every message box with OK.
//
// Of a run of the same call (the pages of an SPI image), the first, the
// middle and the last stand for the rest: the pages between them reach no
// state the three do not.
#include "checktexts.h"
#include "firmwaretest.h"

#include "app/tarnelapp.h"
#include "boardlib/lm800mul.h"

#include <chrono>
#include <cstring>
#include <iostream>
#include <map>
#include <sstream>

using namespace fwtest;
using Texts = std::vector<std::string>;

namespace {

constexpr uint32_t kRomLength = 1024;
constexpr uint32_t kSpiImageLength = 3000;
constexpr uint32_t kSpiImage2Length = 2000;
constexpr uint32_t kSpiSize = 0x100000;
constexpr DWORD kChildTimeoutMs = 60000;
constexpr int kMaxCleanStarts = 4;
const std::string kOldCommand = "old command file";

struct Tally {
    int cases = 0;
    int recovered = 0;
    std::vector<std::string> unrecoverable; // "case: problem"
};
Tally g_tally;

uint32_t Number(const std::string& text) {
    return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 0));
}

// One board type's heaviest start: what it starts from and what it must end
// with.
struct Scenario {
    const char* name;
    uint32_t type;
    bool romAndCommandDue; // types 0x200 and 0x300
    bool spi;              // types 0x200 and 0x201
    bool spiCopyInvalid;   // the repair rewrites the SPI copy from main flash
};

const Scenario kScenarios[] = {
    {"0x200", 0x200, true, true, false},
    {"0x200 spi-copy", 0x200, false, true, true},
    {"0x201", 0x201, false, true, false},
    {"0x300", 0x300, true, false, false},
};

// Which calls of the reference trace stand for the rest.
std::vector<size_t> RepresentativeCalls(const std::vector<simboard::TraceEntry>& trace) {
    std::vector<size_t> picked;
    for (size_t first = 0; first < trace.size();) {
        size_t last = first;
        while (last + 1 < trace.size() && trace[last + 1].function == trace[first].function)
            ++last;
        picked.push_back(first);
        if (last - first >= 2)
            picked.push_back(first + (last - first) / 2);
        if (last > first)
            picked.push_back(last);
        first = last + 1;
    }
    return picked;
}

class FaultSweep : public FirmwareCheckTest {
protected:
    void PrepareHeaviest(const Scenario& s) {
        scenario = &s;
        Versions v;
        v.fileRom = s.romAndCommandDue ? 0x101 : 0x100;
        v.fileCommand = s.romAndCommandDue ? 0x101 : 0x100;
        Prepare(s.type, v);
        romAddressEnd = s.type == 0x201 ? 0 : kRomLength;
        oldRom = HeaderFile(0x100, s.type, kRomLength);
        newRom = HeaderFile(v.fileRom, s.type, kRomLength);
        newCommand = HeaderFile(v.fileCommand, s.type, 512);
        if (s.type != 0x201) {
            ASSERT_TRUE(simboard::WriteMainFlash(board->Dir(), 0, oldRom.data(), kRomLength));
            install->WriteSystemFile("lm8boot.rom", newRom);
        }
        const uint8_t otherMac[6] = {0x00, 0x80, 0x4C, 0x77, 0x88, 0x99};
        if (s.spi) {
            install->WriteDriverFile("lm8spiboot.bin", PatternImage(kSpiImageLength, 1));
            install->WriteDriverFile("lm8boot2.bin", PatternImage(kSpiImage2Length, 2));
            if (s.spiCopyInvalid) {
                // Main flash wins; only the SPI copy is rewritten.
                identity = MainProductData();
                SetSpiProductData(std::vector<uint8_t>(256, 0xFF));
            } else {
                // Both valid and different: the SPI copy wins.
                identity = SpiProductData();
                SetMainProductData(simboard::MakeProductData(s.type, otherMac));
            }
        } else {
            identity = MainProductData();
        }
        oldSpi = SpiFlash(0, kSpiSize);
        sector = simboard::ProductDataMainAddress(s.type) & 0xFFFF0000;
        mainBefore = MainAround();
        ASSERT_TRUE(simboard::ClearIllegalNorOps(board->Dir()));
    }

    // Main flash around the product data and boot ROM sectors: the sector
    // before, the sector itself and the one after (within the part).
    std::vector<uint8_t> MainAround() const {
        const uint32_t size = simboard::MainFlashSize(board->Dir());
        const uint32_t from = sector == 0 ? 0 : sector - 0x10000;
        const uint32_t to = std::min(size, sector + 0x20000);
        auto bytes = MainFlash(from, to - from);
        if (sector == 0)
            bytes.insert(bytes.begin(), 0x10000, 0); // same layout for every type
        return bytes;
    }

    void ClearFaults() {
        auto config = board->Config();
        config.faults.clear();
        config.powerCutAfter = 0;
        config.powerCutInside = 0;
        board->SetConfig(config);
    }

    // The first flash change of the trace outside the regions the firmware
    // maintenance may write ("" when there is none).
    std::string StrayFlashChange(const std::vector<simboard::TraceEntry>& trace) const {
        for (const auto& e : trace) {
            if (!simboard::IsFlashChangingCall(e.function))
                continue;
            bool ok = false;
            if (e.function == "fmWriteProgram") {
                ok = scenario->romAndCommandDue; // the boot ROM's own sectors
            } else if (e.function == "fmSectorErase") {
                ok = e.args.size() == 2 && Number(e.args[1]) == sector;
            } else if (e.function == "fmWriteDataBuffer") {
                ok = e.args.size() == 3 && Number(e.args[1]) == sector && e.args[2] == "32768";
            } else if (e.function == "fmDelete" || e.function == "fmFileCopy") {
                ok = scenario->romAndCommandDue && e.args.back() == "\"sys:\\RZSYS.BIN\"";
            } else if (e.function.rfind("SPIFLASH_", 0) == 0 && e.args.size() >= 2) {
                uint32_t a = Number(e.args[1]);
                ok = scenario->spi &&
                     (a < 0x1000 || (a >= 0xF000 && a < 0x10000) || (a >= 0x10000 && a < 0x11000));
            }
            if (!ok)
                return e.line;
        }
        return "";
    }

    // What is not as it must be once the board has settled ("" = all).
    std::string Problems(const CheckRun& last) {
        std::string problems;
        auto add = [&](const std::string& p) { problems += (problems.empty() ? "" : "; ") + p; };
        for (const auto& box : last.boxes) {
            if (box.icon == MB_ICONHAND)
                add("the last start reported " + uitest::Utf8(box.text));
        }
        if (MainProductData() != identity)
            add("main-flash product data is not the board's identity");
        if (scenario->spi && SpiProductData() != identity)
            add("SPI product data is not the board's identity");
        auto config = board->Config();
        if (scenario->type != 0x201) {
            auto rom = MainFlash(0, kRomLength);
            const bool current = config.romVersion == 0x101 && rom == newRom;
            const bool old = config.romVersion == 0x100 && rom == oldRom;
            if (!current && !old)
                add("boot ROM is neither current nor the old one");
        }
        const std::string command = BoardFile("sys:\\RZSYS.BIN");
        const std::string newText(newCommand.begin(), newCommand.end());
        if (!(config.commandVersion == 0x101 && command == newText) &&
            !(config.commandVersion == 0x100 && command == kOldCommand) &&
            !(!scenario->romAndCommandDue && command == kOldCommand))
            add("command file is neither current nor the old one");
        auto spi = SpiFlash(0, kSpiSize);
        if (scenario->spi) {
            auto region = [&](uint32_t at, uint32_t length, uint8_t seed) {
                std::vector<uint8_t> now(spi.begin() + at, spi.begin() + at + length);
                return now == PatternImage(length, seed) ||
                       now ==
                           std::vector<uint8_t>(oldSpi.begin() + at, oldSpi.begin() + at + length);
            };
            if (!region(0, kSpiImageLength, 1) || !region(0x10000, kSpiImage2Length, 2))
                add("an SPI boot image is neither current nor the old one");
        }
        for (uint32_t a = 0; a < kSpiSize; ++a) {
            const bool mayChange = scenario->spi && (a < 0x1000 || (a >= 0xFC00 && a < 0xFD00) ||
                                                     (a >= 0x10000 && a < 0x11000));
            if (!mayChange && spi[a] != oldSpi[a]) {
                add("SPI flash changed outside its regions at " + std::to_string(a));
                break;
            }
        }
        auto mainAfter = MainAround();
        const uint32_t productOffset =
            0x10000 + (simboard::ProductDataMainAddress(scenario->type) & 0xFFFF);
        for (uint32_t i = 0; i < mainAfter.size(); ++i) {
            const bool inRom = i >= 0x10000 && i < 0x10000 + romAddressEnd;
            const bool inProduct = i >= productOffset && i < productOffset + 256;
            if (!inRom && !inProduct && mainAfter[i] != mainBefore[i]) {
                add("main flash changed outside its regions at offset " + std::to_string(i));
                break;
            }
        }
        const int illegal = testboard::IllegalNorOps(board->Dir());
        if (illegal != 0)
            add(std::to_string(illegal) + " illegal NOR operations");
        return problems;
    }

    // Clean starts until one changes no flash; the problems after them.
    std::string Settle(std::string strays) {
        CheckRun last;
        bool settled = false;
        for (int i = 0; i < kMaxCleanStarts && !settled; ++i) {
            last = RunCheck(*board);
            if (strays.empty())
                strays = StrayFlashChange(last.trace);
            settled = true;
            for (const auto& e : last.trace)
                settled = settled && !(simboard::IsFlashChangingCall(e.function) && e.result == 0);
        }
        std::string problems = Problems(last);
        if (!settled)
            problems +=
                "; still changing after " + std::to_string(kMaxCleanStarts) + " clean starts";
        if (!strays.empty())
            problems += "; stray flash change " + strays;
        return problems;
    }

    // A child start with a power cut set; the flash changes it traced.
    std::string RunChildWithCut(int after, int inside, bool& cut) {
        auto config = board->Config();
        config.faults.clear();
        config.powerCutAfter = after;
        config.powerCutInside = inside;
        board->SetConfig(config);
        simboard::ClearTrace(board->Dir());
        testboard::Child child;
        if (!testboard::StartChild("firmware_fault_sweep.exe", child, "--run-check"))
            return "child did not start";
        const DWORD code = child.Wait(kChildTimeoutMs);
        if (code == STILL_ACTIVE) {
            child.Kill();
            return "child hung";
        }
        cut = code == static_cast<DWORD>(simboard::kPowerCutExitCode);
        ClearFaults();
        return StrayFlashChange(simboard::ReadTrace(board->Dir()));
    }

    void Record(const std::string& name, const std::string& problems) {
        ++g_tally.cases;
        if (problems.empty())
            ++g_tally.recovered;
        else
            g_tally.unrecoverable.push_back(std::string(scenario->name) + " " + name + ": " +
                                            problems);
    }

    void SweepScenario(const Scenario& s) {
        PrepareHeaviest(s);
        CheckRun reference = RunCheck(*board);
        ASSERT_EQ(Problems(reference), "") << s.name;
        ASSERT_EQ(StrayFlashChange(reference.trace), "") << s.name;
        const auto trace = reference.trace;

        // Every call failing, plainly and (for flash changes) part-way.
        std::map<std::string, int> seen;
        std::vector<int> nthOf(trace.size());
        std::vector<int> changeOf(trace.size(), 0);
        int changes = 0;
        for (size_t i = 0; i < trace.size(); ++i) {
            nthOf[i] = ++seen[trace[i].function];
            if (simboard::IsFlashChangingCall(trace[i].function))
                changeOf[i] = ++changes;
        }
        for (size_t i : RepresentativeCalls(trace)) {
            const auto& entry = trace[i];
            for (bool partial : {false, true}) {
                if (partial && changeOf[i] == 0)
                    continue;
                const std::string name = std::string(partial ? "part-fail " : "fail ") +
                                         entry.function + "#" + std::to_string(nthOf[i]);
                PrepareHeaviest(s);
                auto config = board->Config();
                config.faults.push_back({entry.function, nthOf[i], -1, partial});
                board->SetConfig(config);
                CheckRun first = RunCheck(*board);
                ClearFaults();
                Record(name, Settle(StrayFlashChange(first.trace)));
            }
        }

        // A power cut after and inside every flash change, alone and with a
        // second cut inside the first flash change of the next start.
        for (size_t i : RepresentativeCalls(trace)) {
            if (changeOf[i] == 0)
                continue;
            const std::string call = trace[i].function + "#" + std::to_string(nthOf[i]);
            for (bool inside : {false, true}) {
                for (bool secondCut : {false, true}) {
                    const std::string name = std::string("cut ") + (inside ? "inside " : "after ") +
                                             call + (secondCut ? " + cut in next start" : "");
                    PrepareHeaviest(s);
                    bool cut = false;
                    std::string strays = inside ? RunChildWithCut(0, changeOf[i], cut)
                                                : RunChildWithCut(changeOf[i], 0, cut);
                    if (!cut) {
                        Record(name, "no power cut happened");
                        continue;
                    }
                    if (secondCut) {
                        bool again = false;
                        const std::string more = RunChildWithCut(0, 1, again);
                        if (strays.empty())
                            strays = more;
                    }
                    Record(name, Settle(strays));
                }
            }
        }
    }

    const Scenario* scenario = nullptr;
    uint32_t sector = 0;
    uint32_t romAddressEnd = 0;
    std::vector<uint8_t> identity;
    std::vector<uint8_t> oldRom, newRom, newCommand;
    std::vector<uint8_t> oldSpi;
    std::vector<uint8_t> mainBefore;
};

} // namespace

TEST_F(FaultSweep, EveryFaultOfTheHeaviestStartUpOfEachBoardTypeRecovers) {
    const auto started = std::chrono::steady_clock::now();
    for (const Scenario& s : kScenarios) {
        SCOPED_TRACE(s.name);
        const int before = g_tally.cases;
        SweepScenario(s);
        std::cout << "  " << s.name << ": " << g_tally.cases - before << " cases\n";
    }
    for (const std::string& u : g_tally.unrecoverable)
        std::cout << "  UNRECOVERABLE " << u << "\n";
    std::cout << "  "
              << std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() -
                                                                  started)
                     .count()
              << " s\n";
    EXPECT_EQ(g_tally.unrecoverable, Texts{});
    EXPECT_GT(g_tally.cases, 100);
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
    const int result = RUN_ALL_TESTS();
    std::cout << "fault sweep: " << g_tally.cases << " cases, " << g_tally.recovered
              << " recovered, " << g_tally.unrecoverable.size() << " unrecoverable" << std::endl;
    return result;
}
