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
// Of a run of the same call, the first, the middle and the last stand for
// the rest when a call fails; a power cut lands inside every SPI page
// program, since a half-written page is a state of its own.
#include "checktexts.h"
#include "firmwaretest.h"

#include "app/tarnelapp.h"
#include "boardlib/lm800mul.h"
#include "engine/boardui.h"
#include "firmware/bootcheck.h"
#include "firmware/recoveryrecord.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <fstream>
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
    // Cases where, at some moment, the tool would have reset a board that
    // does not boot: "case: what was not whole".
    std::vector<std::string> resetsOverUnfinished;
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

// What happens to the board between a power cut inside the first erase of
// the boot or product-data sector and the next start.
enum class Between { LeftAsCut, Erased, OtherBootRom, RecordErasesFail };
const struct {
    const char* name;
    Between change;
} kBetweenStarts[] = {
    {"left as cut", Between::LeftAsCut},
    {"sector erased", Between::Erased},
    {"another boot ROM put on elsewhere", Between::OtherBootRom},
    {"record's erases fail at the next start", Between::RecordErasesFail},
};

// A record planted on the PC before the heaviest start, and the box each
// later start shows about it.
enum class Planted { OtherBoard, FlippedHeaderBit };
const struct {
    const char* name;
    Planted kind;
} kPlantedRecords[] = {
    {"record of another board", Planted::OtherBoard},
    {"record with one flipped header bit", Planted::FlippedHeaderBit},
};

// Which calls of the reference trace stand for the rest; every call of the
// `every` function stands for itself.
std::vector<size_t> RepresentativeCalls(const std::vector<simboard::TraceEntry>& trace,
                                        const std::string& every = "") {
    std::vector<size_t> picked;
    for (size_t first = 0; first < trace.size();) {
        size_t last = first;
        while (last + 1 < trace.size() && trace[last + 1].function == trace[first].function)
            ++last;
        if (trace[first].function == every) {
            for (size_t i = first; i <= last; ++i)
                picked.push_back(i);
            first = last + 1;
            continue;
        }
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
    // romLength: the installed boot ROM's size; past 0xC00 it covers the
    // product data, erased there or not (identityAreaData).
    void PrepareHeaviest(const Scenario& s, uint32_t romLength = kRomLength,
                         bool identityAreaData = false) {
        scenario = &s;
        resetMoments.clear();
        Versions v;
        v.fileRom = s.romAndCommandDue ? 0x101 : 0x100;
        v.fileCommand = s.romAndCommandDue ? 0x101 : 0x100;
        Prepare(s.type, v);
        romAddressEnd = s.type == 0x201 ? 0 : romLength;
        oldRom = HeaderFile(0x100, s.type, kRomLength);
        newRom = HeaderFile(v.fileRom, s.type, romLength);
        if (romLength > 0xC00)
            std::fill(newRom.begin() + 0xC00, newRom.begin() + 0xD00,
                      identityAreaData ? 0x5A : 0xFF);
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
                // The main copy invalid: the SPI copy is put back into main
                // flash (after the boot ROM write when one is due).
                identity = SpiProductData();
                std::vector<uint8_t> invalid = simboard::MakeProductData(s.type, otherMac);
                invalid[32] |= 0x01; // a group address
                SetMainProductData(invalid);
            }
        } else {
            identity = MainProductData();
        }
        if (s.spi) {
            // Data beside the SPI copy in its sector, which a rewrite of the
            // copy erases with it.
            const auto beside = PatternImage(0x300, 9);
            simboard::WriteSpiFlash(board->Dir(), 0xF000, beside.data(), 0x300);
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

    // Does main flash from 0 hold this boot ROM image? The product data
    // block, which the tool writes itself, is judged on its own.
    bool BootRegionHolds(const std::vector<uint8_t>& image) const {
        if (image.empty())
            return false;
        auto rom = MainFlash(0, static_cast<uint32_t>(image.size()));
        auto want = image;
        for (size_t i = 0xC00; i < 0xD00 && i < rom.size(); ++i)
            rom[i] = want[i] = 0;
        return rom == want;
    }

    // What keeps the board from booting as it now is ("" when it boots): the
    // boot ROM, the command file and the SPI boot images each a whole image
    // (the new one or the one before), and a valid copy of its identity.
    std::string BootProblems(bool settled) const {
        std::string problems;
        auto add = [&](const std::string& p) { problems += (problems.empty() ? "" : "; ") + p; };
        auto config = board->Config();
        if (scenario->type != 0x201) {
            // Settled, the version the board reports must be the image's too.
            const bool current =
                (!settled || config.romVersion == 0x101) && BootRegionHolds(newRom);
            const bool old = (!settled || config.romVersion == 0x100) && BootRegionHolds(oldRom);
            const bool mended =
                (!settled || config.romVersion == 0x102) && BootRegionHolds(otherRom);
            if (!current && !old && !mended)
                add("boot ROM is neither current nor the old one");
        }
        const bool ownMain = MainProductData() == identity;
        const bool ownSpi = scenario->spi && SpiProductData() == identity;
        if (!ownMain && !ownSpi)
            add("no copy of the product data is the board's identity");
        const std::string command = BoardFile("sys:\\RZSYS.BIN");
        const std::string newText(newCommand.begin(), newCommand.end());
        if (!((!settled || config.commandVersion == 0x101) && command == newText) &&
            !((!settled || config.commandVersion == 0x100) && command == kOldCommand) &&
            !(!scenario->romAndCommandDue && command == kOldCommand))
            add("command file is neither current nor the old one");
        if (scenario->spi) {
            auto spi = SpiFlash(0, kSpiSize);
            auto region = [&](uint32_t at, uint32_t length, uint8_t seed) {
                std::vector<uint8_t> now(spi.begin() + at, spi.begin() + at + length);
                return now == PatternImage(length, seed) ||
                       now ==
                           std::vector<uint8_t>(oldSpi.begin() + at, oldSpi.begin() + at + length);
            };
            if (!region(0, kSpiImageLength, 1) || !region(0x10000, kSpiImage2Length, 2))
                add("an SPI boot image is neither current nor the old one");
        }
        return problems;
    }

    // The moment a reset could come (Exit after a Write, or the console's
    // reset): if the tool would reset now, the board must boot.
    void CheckResetMoment(const std::string& when) {
        const int h = board->Open();
        if (h == 0)
            return;
        SetBoardUi(nullptr); // nobody to answer: read only
        const std::string held = UnfinishedOnBoard(h);
        SetBoardUi(&theApp.m_ui);
        CloseIPDev(h);
        const std::string problems = BootProblems(false);
        if (held.empty() && !problems.empty() && resetMoments.empty())
            resetMoments = when + ": " + problems;
    }

    // What is not as it must be once the board has settled ("" = all).
    std::string Problems(const CheckRun& last) {
        std::string problems;
        auto add = [&](const std::string& p) { problems += (problems.empty() ? "" : "; ") + p; };
        for (const auto& box : last.boxes) {
            const std::string text = uitest::Utf8(box.text);
            if (box.icon == MB_ICONHAND &&
                text.find(allowedBox.empty() ? "\x01" : allowedBox) == std::string::npos)
                add("the last start reported " + text);
        }
        ProductData own = {};
        std::copy(identity.begin(), identity.end(), own.bytes);
        if (allowedBox.empty() && RecoveryRecordExists(own))
            add("a recovery record of this board is left on the PC");
        if (MainProductData() != identity)
            add("main-flash product data is not the board's identity");
        if (scenario->spi && SpiProductData() != identity)
            add("SPI product data is not the board's identity");
        const std::string boot = BootProblems(true);
        if (!boot.empty())
            add(boot);
        auto spi = SpiFlash(0, kSpiSize);
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

    // Clean starts until one changes no flash; the problems after them. A
    // reset is looked at before each start and after the last.
    std::string Settle(std::string strays) {
        CheckRun last;
        bool settled = false;
        CheckResetMoment("after the faulted start");
        for (int i = 0; i < kMaxCleanStarts && !settled; ++i) {
            last = RunCheck(*board);
            CheckResetMoment("after clean start " + std::to_string(i + 1));
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
        DWORD code = STILL_ACTIVE;
        const bool started =
            testboard::StartChild("firmware_fault_sweep.exe", child, "--run-check");
        if (started)
            code = child.Wait(kChildTimeoutMs);
        if (started && code == STILL_ACTIVE)
            child.Kill();
        // No cut may be left set for the starts that follow in this process.
        ClearFaults();
        if (!started)
            return "child did not start";
        if (code == STILL_ACTIVE)
            return "child hung";
        cut = code == static_cast<DWORD>(simboard::kPowerCutExitCode);
        if (!cut && code != 0)
            return "child ended with " + std::to_string(code);
        return StrayFlashChange(simboard::ReadTrace(board->Dir()));
    }

    void Record(const std::string& name, const std::string& problems) {
        ++g_tally.cases;
        if (problems.empty())
            ++g_tally.recovered;
        else
            g_tally.unrecoverable.push_back(std::string(scenario->name) + " " + name + ": " +
                                            problems);
        if (!resetMoments.empty())
            g_tally.resetsOverUnfinished.push_back(std::string(scenario->name) + " " + name + ": " +
                                                   resetMoments);
        resetMoments.clear();
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

        // The write-back after a boot ROM write failing on every try: the
        // board must not count as updated, and a reset must not be offered.
        if (s.romAndCommandDue) {
            PrepareHeaviest(s);
            auto config = board->Config();
            for (int nth = 1; nth <= 3; ++nth)
                config.faults.push_back({"fmWriteDataBuffer", nth, -1, nth == 2});
            board->SetConfig(config);
            CheckRun first = RunCheck(*board);
            const bool resetHeldBack = !first.bBoardUpdated && theApp.m_bFlashWriteUnfinished;
            ClearFaults();
            std::string problems = Settle(StrayFlashChange(first.trace));
            if (!resetHeldBack)
                problems += "; a reset would be offered over the broken boot sector";
            Record("fail fmWriteDataBuffer#1-3 after the boot ROM write", problems);
        }

        // A short read of each installed file: nothing of it is written.
        const std::vector<std::string> files =
            s.spi ? (s.romAndCommandDue
                         ? Texts{"lm8boot.rom", "RZSYS.BIN", "lm8spiboot.bin", "lm8boot2.bin"}
                         : Texts{"lm8spiboot.bin", "lm8boot2.bin"})
                  : Texts{"lm8boot.rom", "RZSYS.BIN"};
        for (const std::string& file : files) {
            PrepareHeaviest(s);
            ShortenReadsOf(file);
            CheckRun first = RunCheck(*board);
            ShortenReadsOf("");
            const bool told = std::any_of(first.boxes.begin(), first.boxes.end(), [&](auto& b) {
                return uitest::Utf8(b.text).find(file + kOpenFailedSuffix) != std::string::npos;
            });
            std::string problems = Settle(StrayFlashChange(first.trace));
            if (!told)
                problems += "; the short read was not reported";
            Record("short read of " + file, problems);
        }

        // Each question answered Cancel: the board stays as it boots.
        if (s.romAndCommandDue) {
            const std::vector<std::pair<const char*, std::deque<int>>> declines = {
                {"boot ROM question answered Cancel", {IDCANCEL}},
                {"command file question answered Cancel", {IDOK, IDCANCEL}}};
            for (const auto& decline : declines) {
                PrepareHeaviest(s);
                CheckRun first = RunCheck(*board, decline.second);
                Record(decline.first, Settle(StrayFlashChange(first.trace)));
            }
        }

        // A boot ROM image of 8 KiB, over the product data's offset: erased
        // there, or with data there (refused before anything is erased). A
        // cut after and inside every flash change up to the write-back.
        if (s.romAndCommandDue) {
            for (bool data : {false, true}) {
                const std::string image = data ? "8 KiB boot ROM with data at 0xC00, "
                                               : "8 KiB boot ROM erased at 0xC00, ";
                PrepareHeaviest(s, 0x2000, data);
                if (data)
                    allowedBox = "ファイルの製品固有データの領域が消去されていないため";
                CheckRun plain = RunCheck(*board);
                Record(image + "no fault", Settle(StrayFlashChange(plain.trace)));
                std::vector<simboard::TraceEntry> changes;
                for (const auto& e : plain.trace) {
                    if (simboard::IsFlashChangingCall(e.function))
                        changes.push_back(e);
                }
                const int upTo = std::min<int>(4, static_cast<int>(changes.size()));
                for (int n = 1; n <= upTo; ++n) {
                    for (bool inside : {false, true}) {
                        PrepareHeaviest(s, 0x2000, data);
                        bool cut = false;
                        std::string strays =
                            inside ? RunChildWithCut(0, n, cut) : RunChildWithCut(n, 0, cut);
                        Record(image + (inside ? "cut inside " : "cut after ") +
                                   changes[static_cast<size_t>(n - 1)].function,
                               cut ? Settle(strays) : "no power cut happened");
                    }
                }
                allowedBox.clear();
            }
        }

        // Records on the PC that must change nothing on this board.
        for (const auto& planted : kPlantedRecords) {
            PrepareHeaviest(s);
            RecoveryRecord record;
            record.boardType = s.type;
            record.productAddress = simboard::ProductDataMainAddress(s.type);
            record.sector = sector;
            std::copy(identity.begin(), identity.end(), record.identity.bytes);
            if (planted.kind == Planted::OtherBoard)
                record.identity.bytes[37] ^= 0x10;
            ASSERT_TRUE(SaveRecoveryRecord(record));
            const std::string path = RecoveryRecordPath(record.identity);
            if (planted.kind == Planted::FlippedHeaderBit) {
                std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
                f.seekg(12); // the product data address
                const char byte = static_cast<char>(f.get() ^ 0x04);
                f.seekp(12);
                f.put(byte);
            }
            allowedBox = Utf8OfSjis(path.c_str());
            CheckRun first = RunCheck(*board);
            std::string problems = Settle(StrayFlashChange(first.trace));
            allowedBox.clear();
            DeleteFileA(path.c_str());
            Record(planted.name, problems);
        }

        // The board changed between a cut inside the first sector erase and
        // the next start.
        const auto write = std::find_if(trace.begin(), trace.end(), [](const auto& e) {
            return e.function == "fmSectorErase";
        });
        for (const auto& between : kBetweenStarts) {
            if (write == trace.end())
                break;
            if (between.change == Between::OtherBootRom && s.type == 0x201)
                continue; // no boot ROM in its sector
            PrepareHeaviest(s);
            bool cut = false;
            std::string strays =
                RunChildWithCut(0, changeOf[static_cast<size_t>(write - trace.begin())], cut);
            std::vector<uint8_t> sectorBytes = MainFlash(sector, 0x10000);
            auto config = board->Config();
            if (between.change == Between::Erased) {
                sectorBytes.assign(0x10000, 0xFF);
            } else if (between.change == Between::OtherBootRom) {
                otherRom = HeaderFile(0x102, s.type, kRomLength);
                otherRom[100] = 0x5A;
                sectorBytes = mainBefore; // as it was, with another boot ROM and the identity
                sectorBytes.erase(sectorBytes.begin(), sectorBytes.begin() + 0x10000);
                sectorBytes.resize(0x10000);
                std::copy(otherRom.begin(), otherRom.end(), sectorBytes.begin());
                std::copy(identity.begin(), identity.end(), sectorBytes.begin() + 0xC00);
                config.romVersion = 0x102;
            } else if (between.change == Between::RecordErasesFail) {
                for (int nth = 1; nth <= 3; ++nth)
                    config.faults.push_back({"fmSectorErase", nth, -1, true});
            }
            simboard::WriteMainFlash(board->Dir(), sector, sectorBytes.data(), 0x10000);
            board->SetConfig(config);
            if (between.change == Between::RecordErasesFail) {
                CheckRun failed = RunCheck(*board);
                ClearFaults();
                if (strays.empty())
                    strays = StrayFlashChange(failed.trace);
                if (!theApp.m_bFlashWriteUnfinished)
                    strays += " reset offered after the record failed";
            }
            Record(std::string("cut inside fmSectorErase#1, ") + between.name,
                   cut ? Settle(strays) : "no power cut happened");
            otherRom.clear();
        }

        // A power cut after and inside every flash change, alone and with a
        // second cut inside the first flash change of the next start; inside
        // every SPI page program once more.
        const auto usual = RepresentativeCalls(trace);
        for (size_t i : RepresentativeCalls(trace, "SPIFLASH_page_program")) {
            if (changeOf[i] == 0)
                continue;
            const std::string call = trace[i].function + "#" + std::to_string(nthOf[i]);
            const bool plainPage = std::find(usual.begin(), usual.end(), i) == usual.end();
            for (bool inside : {false, true}) {
                for (bool secondCut : {false, true}) {
                    if (plainPage && (!inside || secondCut))
                        continue;
                    const std::string name = std::string("cut ") + (inside ? "inside " : "after ") +
                                             call + (secondCut ? " + cut in next start" : "");
                    bool cut = false;
                    std::string strays;
                    // A child that a loaded machine failed to start is started once more.
                    for (int attempt = 0; attempt < 2 && !cut; ++attempt) {
                        PrepareHeaviest(s);
                        strays = inside ? RunChildWithCut(0, changeOf[i], cut)
                                        : RunChildWithCut(changeOf[i], 0, cut);
                    }
                    if (!cut) {
                        Record(name, "no power cut happened " + strays);
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
    std::vector<uint8_t> otherRom; // a boot ROM put on elsewhere, accepted as it is
    std::string allowedBox;        // a stop box the last start may show (about a planted record)
    std::string resetMoments;      // the first moment a reset would have met an unbootable board
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
    for (const std::string& r : g_tally.resetsOverUnfinished)
        std::cout << "  RESET OVER AN UNFINISHED BOARD " << r << "\n";
    std::cout << "  "
              << std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() -
                                                                  started)
                     .count()
              << " s\n";
    EXPECT_EQ(g_tally.unrecoverable, Texts{});
    EXPECT_EQ(g_tally.resetsOverUnfinished, Texts{});
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
              << " recovered, " << g_tally.unrecoverable.size() << " unrecoverable, "
              << g_tally.resetsOverUnfinished.size() << " resets over an unfinished board"
              << std::endl;
    return result;
}
