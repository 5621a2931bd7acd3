// Flash changes that fail part-way or lose power inside: each call of
// flashchanges.h with a plain fault, a partial fault and a power cut inside.
#include "boardconfig.h"
#include "flashchanges.h"
#include "simtest.h"

#include <map>

using namespace simtest;

namespace {

constexpr int kInjected = -9;
const std::vector<uint8_t> kBootRom = FirmwareFile(0x777, 0x18000, 0x3C); // two sectors
const std::vector<uint8_t> kCommandFile = FirmwareFile(0x321, 0x300, 0x52);

std::string BoardFile(const std::string& dir, const char* name) {
    std::string content;
    if (!simboard::ReadBoardFile(dir, std::string("sys:\\") + name, content))
        return "<missing>";
    return content;
}

// Regions a change would visibly alter are made non-erased first, and the
// PC files the calls copy are written.
void Prepare(const std::string& dir, const std::string& pcDir) {
    const std::vector<uint8_t> zeros(0x40000, 0x00);
    ASSERT_TRUE(simboard::WriteMainFlash(dir, 0, zeros.data(), 0x40000));
    ASSERT_TRUE(simboard::WriteSpiFlash(dir, 0x30000, zeros.data(), 0x20000));
    ASSERT_TRUE(simboard::WriteBoardFile(dir, "sys:\\RZSYS.BIN", "old command file"));
    ASSERT_TRUE(simboard::WriteBoardFile(dir, "sys:\\new.txt", ""));
    WritePcFile(pcDir, flashchanges::kBootRomName, kBootRom);
    WritePcFile(pcDir, flashchanges::kCommandFileName, kCommandFile);
}

// Everything a change could touch, to show that one touched nothing.
struct Snapshot {
    uint64_t main = 0;
    uint64_t spi = 0;
    std::map<std::string, std::string> files;
    uint32_t romVersion = 0;
    uint32_t commandVersion = 0;

    explicit Snapshot(const std::string& dir) : main(MainDigest(dir)), spi(SpiDigest(dir)) {
        for (const std::string& name : simboard::ListBoardFiles(dir))
            files[name] = BoardFile(dir, name.c_str());
        simboard::BoardConfig config;
        simboard::LoadConfig(dir, config);
        romVersion = config.romVersion;
        commandVersion = config.commandVersion;
    }
    bool operator==(const Snapshot& o) const {
        return main == o.main && spi == o.spi && files == o.files && romVersion == o.romVersion &&
               commandVersion == o.commandVersion;
    }
};

struct PartialCase {
    const char* function;
    // Checks the state the change leaves when it stops part-way.
    void (*check)(const std::string& dir);
};

const PartialCase kCases[] = {
    {"fmSectorErase",
     [](const std::string& d) {
         EXPECT_EQ(Main(d, 0x30000, 0x8000), Filled(0x8000, 0xFF));
         EXPECT_EQ(Main(d, 0x38000, 0x8000), Filled(0x8000, 0x00));
     }},
    {"fmWriteDataBuffer",
     [](const std::string& d) {
         EXPECT_EQ(Main(d, 0x60000, 0x100), Filled(0x100, 0x5A));
         EXPECT_EQ(Main(d, 0x60100, 0x100), Filled(0x100, 0xFF));
     }},
    {"fmWriteProgram",
     [](const std::string& d) {
         EXPECT_EQ(Main(d, 0, 0xC000),
                   std::vector<uint8_t>(kBootRom.begin(), kBootRom.begin() + 0xC000));
         EXPECT_EQ(Main(d, 0xC000, 0x14000), Filled(0x14000, 0xFF)); // rest of both sectors
         EXPECT_EQ(Main(d, 0x20000, 0x100), Filled(0x100, 0x00));    // beyond the image
         simboard::BoardConfig config;
         ASSERT_TRUE(simboard::LoadConfig(d, config));
         EXPECT_EQ(config.romVersion, 0x100u);
     }},
    {"SPIFLASH_sector_erase",
     [](const std::string& d) {
         EXPECT_EQ(Spi(d, 0x30000, 0x1000), Filled(0x1000, 0x00));
         EXPECT_EQ(Spi(d, 0x31000, 0x800), Filled(0x800, 0xFF));
         EXPECT_EQ(Spi(d, 0x31800, 0x800), Filled(0x800, 0x00));
     }},
    {"SPIFLASH_block_erase",
     [](const std::string& d) {
         EXPECT_EQ(Spi(d, 0x40000, 0x8000), Filled(0x8000, 0xFF));
         EXPECT_EQ(Spi(d, 0x48000, 0x8000), Filled(0x8000, 0x00));
     }},
    {"SPIFLASH_page_program",
     [](const std::string& d) {
         EXPECT_EQ(Spi(d, 0x50000, 128), Filled(128, 0x77));
         EXPECT_EQ(Spi(d, 0x50080, 128), Filled(128, 0xFF));
     }},
    {"fmFileCopy",
     [](const std::string& d) {
         EXPECT_EQ(BoardFile(d, "RZSYS.BIN"),
                   std::string(kCommandFile.begin(), kCommandFile.begin() + 0x180));
         simboard::BoardConfig config;
         ASSERT_TRUE(simboard::LoadConfig(d, config));
         EXPECT_EQ(config.commandVersion, 0x100u);
     }},
    {"fmDelete",
     [](const std::string& d) {
         EXPECT_EQ(BoardFile(d, "boot.ini"), std::string(simboard::kDefaultBootIni, 42));
     }},
    {"fmWrite",
     [](const std::string& d) { EXPECT_EQ(BoardFile(d, "new.txt"), std::string(100, 'w')); }},
};

class Partial : public BoardTest {
protected:
    void Inject(const char* function, bool partial) {
        auto config = Config();
        config.faults = {{function, 1, kInjected, partial}};
        SetConfig(config);
        Reopen(); // call counters from 1
    }
    testboard::TempDir pc;
};

} // namespace

TEST_F(Partial, APlainFaultChangesNothing) {
    for (const PartialCase& c : kCases) {
        SCOPED_TRACE(c.function);
        Prepare(board.Dir(), pc.Path());
        Inject(c.function, false);
        const Snapshot before(board.Dir());
        EXPECT_EQ(flashchanges::Run(c.function, h, pc.Path()), kInjected);
        EXPECT_TRUE(Snapshot(board.Dir()) == before);
    }
}

TEST_F(Partial, APartialFaultLeavesTheFirstHalfDone) {
    for (const PartialCase& c : kCases) {
        SCOPED_TRACE(c.function);
        Prepare(board.Dir(), pc.Path());
        ASSERT_TRUE(
            simboard::WriteBoardFile(board.Dir(), "sys:\\boot.ini", simboard::kDefaultBootIni));
        Inject(c.function, true);
        simboard::ClearTrace(board.Dir());
        EXPECT_EQ(flashchanges::Run(c.function, h, pc.Path()), kInjected);
        c.check(board.Dir());
        EXPECT_EQ(simboard::CountTraceCalls(board.Dir(), c.function), 1);
    }
}

TEST_F(Partial, APartialFaultWithBadArgumentsChangesNothing) {
    Inject("fmSectorErase", true);
    const uint64_t before = MainDigest(board.Dir());
    EXPECT_EQ(fmSectorErase(h, simboard::MainFlashSize(board.Dir())), kInjected);
    EXPECT_EQ(MainDigest(board.Dir()), before);
}

TEST_F(Partial, OnACallThatChangesNothingAPartialFaultIsPlain) {
    Inject("fmReadDataBuffer", true);
    uint8_t buffer[4] = {0xAB, 0xAB, 0xAB, 0xAB};
    EXPECT_EQ(fmReadDataBuffer(h, buffer, 0xC00, 2), kInjected);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 4), Filled(4, 0xAB));
}

TEST(PowerCutInside, EachChangeIsLeftHalfDoneAndTheProcessEnds) {
    for (const PartialCase& c : kCases) {
        SCOPED_TRACE(c.function);
        testboard::TempBoard board;
        testboard::TempDir pc;
        Prepare(board.Dir(), pc.Path());
        auto config = board.Config();
        config.powerCutInside = 1;
        board.SetConfig(config);
        EXPECT_EQ(RunProgram("boardsim_child.exe",
                             std::string("change ") + c.function + " \"" + pc.Path() + "\""),
                  static_cast<DWORD>(simboard::kPowerCutExitCode));
        c.check(board.Dir());
        auto trace = simboard::ReadTrace(board.Dir());
        ASSERT_FALSE(trace.empty());
        const std::string cut = std::string("POWER CUT inside ") + c.function + "(1, ";
        EXPECT_EQ(trace.back().line.substr(0, cut.size()), cut);
        EXPECT_EQ(simboard::CountTraceCalls(board.Dir(), c.function), 0); // it never returned
    }
}
