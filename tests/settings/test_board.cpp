// test_board.cpp - the reader and writer on a simulated board: the library
// calls they make, in order, and how they meet the library's failures.
#include "settingstestutil.h"

#include "boardlib/lm800mul.h"
#include "settings/bootfilewrite.h"
#include "simboard.h"
#include "testboard.h"

#include <memory>
#include <string>
#include <vector>

namespace {

// A fresh board folder (named by LM800SIM_DIR) opened through the library,
// with an empty trace.
class BoardTest : public ::testing::Test {
protected:
    void SetUp() override {
        simboard::CreateOptions options;
        options.withBootIni = false;
        m_board = std::make_unique<testboard::TempBoard>(options);
        m_handle = m_board->Open();
        ASSERT_NE(m_handle, 0);
        simboard::ClearTrace(Dir());
    }

    void TearDown() override {
        if (m_handle != 0)
            CloseIPDev(m_handle);
        m_board.reset();
    }

    const std::string& Dir() const { return m_board->Dir(); }

    void PutFile(const std::string& content, const char* path = "sys:\\boot.ini") {
        ASSERT_TRUE(simboard::WriteBoardFile(Dir(), path, content));
        simboard::ClearTrace(Dir());
    }

    std::string BoardFile(const char* path = "sys:\\boot.ini") {
        std::string content;
        if (!simboard::ReadBoardFile(Dir(), path, content))
            return "<missing>";
        return content;
    }

    void FailCall(const char* function, int result) {
        simboard::BoardConfig config;
        ASSERT_TRUE(simboard::LoadConfig(Dir(), config));
        simboard::Fault fault;
        fault.function = function;
        fault.nthCall = 1;
        fault.result = result;
        config.faults.push_back(fault);
        ASSERT_TRUE(simboard::SaveConfig(Dir(), config));
    }

    std::vector<std::string> Trace() {
        std::vector<std::string> lines;
        for (const simboard::TraceEntry& entry : simboard::ReadTrace(Dir()))
            lines.push_back(entry.line);
        return lines;
    }

    // The file handle that the traced fmOpen returned.
    std::string OpenedFile() {
        for (const simboard::TraceEntry& entry : simboard::ReadTrace(Dir()))
            if (entry.function == "fmOpen")
                return std::to_string(entry.result);
        return "?";
    }

    std::string H() const { return std::to_string(m_handle); }

    std::unique_ptr<testboard::TempBoard> m_board;
    int m_handle = 0;
    CRZScript m_script;
};

} // namespace

TEST_F(BoardTest, ReadsTheWorkedExampleWithItsCallSequence) {
    PutFile(kWorkedExample);
    NetworkSettings settings;
    EXPECT_EQ(m_script.ReadSettings(m_handle, settings, 0, 0), 0);
    EXPECT_TRUE(SameRecord(AllFlagsRecord(), settings));
    const std::string f = OpenedFile();
    EXPECT_NE(f, "0");
    EXPECT_EQ(Trace(), (std::vector<std::string>{
                           "fmFindFile(" + H() + ", \"sys:\\boot.ini\") = 1",
                           "fmOpen(" + H() + ", \"sys:\\boot.ini\", 1) = " + f,
                           "fmGetFileSize(" + H() + ", " + f + ") = 241",
                           "fmRead(" + H() + ", " + f + ", 241) = 0",
                           "fmClose(" + H() + ", " + f + ") = 0",
                       }));
}

TEST_F(BoardTest, ReadsANewBoardsBootSettings) {
    PutFile(simboard::kDefaultBootIni);
    NetworkSettings settings;
    m_script.ReadSettings(m_handle, settings, 0, 0);
    NetworkSettings expected = DefaultRecord();
    SetSection(expected, 1, 1, "192.168.0.10");
    SetSection(expected, 2, 1, "255.255.255.0");
    SetSection(expected, 3, 1, "192.168.0.1");
    SetSection(expected, 4, 1, "30000");
    EXPECT_TRUE(SameRecord(expected, settings));
}

TEST_F(BoardTest, KindOneReadsTheSafeFile) {
    PutFile("[PORT]\r\n1\r\n");
    PutFile("[PORT]\r\n2\r\n", "sys:\\safe.ini");
    NetworkSettings settings;
    m_script.ReadSettings(m_handle, settings, 1, 0);
    EXPECT_EQ(settings.nPort, 2);
    ASSERT_FALSE(Trace().empty());
    EXPECT_EQ(Trace()[0], "fmFindFile(" + H() + ", \"sys:\\safe.ini\") = 1");
}

TEST_F(BoardTest, MissingFileIsOnlyLookedFor) {
    NetworkSettings settings = AllFlagsRecord();
    EXPECT_EQ(m_script.ReadSettings(m_handle, settings, 0, 0), 0);
    EXPECT_TRUE(SameRecord(DefaultRecord(), settings));
    EXPECT_EQ(Trace(),
              (std::vector<std::string>{"fmFindFile(" + H() + ", \"sys:\\boot.ini\") = 0"}));
}

TEST_F(BoardTest, FileTheBoardRefusesToOpenIsAFailedReadWithTheDefaults) {
    PutFile(kWorkedExample);
    FailCall("fmOpen", 0);
    NetworkSettings settings = AllFlagsRecord();
    EXPECT_EQ(m_script.ReadSettings(m_handle, settings, 0, 0), -1);
    EXPECT_EQ(m_script.LastReadResult(), -1);
    EXPECT_TRUE(SameRecord(DefaultRecord(), settings));
    EXPECT_EQ(Trace(), (std::vector<std::string>{
                           "fmFindFile(" + H() + ", \"sys:\\boot.ini\") = 1",
                           "fmOpen(" + H() + ", \"sys:\\boot.ini\", 1) = 0",
                       }));
    // The next good read is a success again.
    EXPECT_EQ(m_script.ReadSettings(m_handle, settings, 0, 0), 0);
    EXPECT_EQ(m_script.LastReadResult(), 0);
    EXPECT_TRUE(SameRecord(AllFlagsRecord(), settings));
}

TEST_F(BoardTest, SizeReportedAsNegativeReads2048Bytes) {
    PutFile(kWorkedExample);
    FailCall("fmGetFileSize", -1);
    NetworkSettings settings;
    m_script.ReadSettings(m_handle, settings, 0, 0);
    EXPECT_TRUE(SameRecord(AllFlagsRecord(), settings)) << "the zeros after the file end the text";
    const std::string f = OpenedFile();
    const std::vector<std::string> trace = Trace();
    ASSERT_EQ(trace.size(), 5u);
    EXPECT_EQ(trace[2], "fmGetFileSize(" + H() + ", " + f + ") = -1");
    EXPECT_EQ(trace[3], "fmRead(" + H() + ", " + f + ", 2048) = 0");
    EXPECT_EQ(trace[4], "fmClose(" + H() + ", " + f + ") = 0");
}

TEST_F(BoardTest, FailedReadGivesTheDefaultsAndStillCloses) {
    PutFile(kWorkedExample);
    FailCall("fmRead", -1);
    NetworkSettings settings = AllFlagsRecord();
    EXPECT_EQ(m_script.ReadSettings(m_handle, settings, 0, 0), -1);
    EXPECT_EQ(m_script.LastReadResult(), -1);
    EXPECT_TRUE(SameRecord(DefaultRecord(), settings));
    const std::string f = OpenedFile();
    const std::vector<std::string> trace = Trace();
    ASSERT_EQ(trace.size(), 5u);
    EXPECT_EQ(trace[3], "fmRead(" + H() + ", " + f + ", 241) = -1");
    EXPECT_EQ(trace[4], "fmClose(" + H() + ", " + f + ") = 0");
}

TEST_F(BoardTest, EmptyFileGivesTheDefaults) {
    PutFile("");
    NetworkSettings settings = AllFlagsRecord();
    m_script.ReadSettings(m_handle, settings, 0, 0);
    EXPECT_TRUE(SameRecord(DefaultRecord(), settings));
    const std::string f = OpenedFile();
    const std::vector<std::string> trace = Trace();
    ASSERT_EQ(trace.size(), 5u);
    EXPECT_EQ(trace[2], "fmGetFileSize(" + H() + ", " + f + ") = 0");
}

TEST_F(BoardTest, FileOver2048BytesIsReadTo2048) {
    std::string text = "[PORT]\r\n5\r\n";
    text += std::string(2040 - text.size(), ' ');
    text += "[TCPACT]\r\n6\r\n"; // straddles byte 2048
    text += std::string(3000 - text.size(), ' ');
    PutFile(text);
    NetworkSettings settings;
    m_script.ReadSettings(m_handle, settings, 0, 0);
    EXPECT_EQ(settings.bPort, 1);
    EXPECT_EQ(settings.nPort, 5);
    EXPECT_EQ(settings.bTcpAct, 0);
    const std::string f = OpenedFile();
    const std::vector<std::string> trace = Trace();
    ASSERT_EQ(trace.size(), 5u);
    EXPECT_EQ(trace[2], "fmGetFileSize(" + H() + ", " + f + ") = 3000");
    EXPECT_EQ(trace[3], "fmRead(" + H() + ", " + f + ", 2048) = 0");
}

TEST_F(BoardTest, WriteThenReadBack) {
    PutFile(kWorkedExample);
    NetworkSettings record = DefaultRecord();
    SetSection(record, 1, 1, "10.1.2.3");
    SetSection(record, 4, 1, "30001");
    SetSection(record, 14, 1, "-9");
    const std::string expectedText = "[IPADR]\r\n10.1.2.3\r\n[PORT]\r\n30001\r\n[UDPQUE]\r\n-9\r\n";
    EXPECT_EQ(m_script.WriteSettings(m_handle, record, 0, 0), 0);
    const std::string f = OpenedFile();
    EXPECT_EQ(Trace(), (std::vector<std::string>{
                           "fmOpen(" + H() + ", \"sys:\\boot.ini\", 12) = " + f,
                           "fmWrite(" + H() + ", " + f + ", " +
                               std::to_string(expectedText.size()) + ") = 0",
                           "fmClose(" + H() + ", " + f + ") = 0",
                       }));
    EXPECT_EQ(BoardFile(), expectedText);

    NetworkSettings back;
    m_script.ReadSettings(m_handle, back, 0, 0);
    EXPECT_TRUE(SameRecord(record, back));
}

TEST_F(BoardTest, WritesTheWorkedExampleByteForByte) {
    EXPECT_EQ(m_script.WriteSettings(m_handle, AllFlagsRecord(), 0, 0), 0);
    EXPECT_EQ(BoardFile(), kWorkedExample);
}

TEST_F(BoardTest, KindOneWritesTheSafeFile) {
    PutFile(kWorkedExample);
    NetworkSettings record = DefaultRecord();
    record.bPort = 1;
    EXPECT_EQ(m_script.WriteSettings(m_handle, record, 1, 0), 0);
    EXPECT_EQ(BoardFile("sys:\\safe.ini"), "[PORT]\r\n30000\r\n");
    EXPECT_EQ(BoardFile(), kWorkedExample);
}

TEST_F(BoardTest, WritingNoSectionWritesZeroBytes) {
    PutFile(kWorkedExample);
    EXPECT_EQ(m_script.WriteSettings(m_handle, DefaultRecord(), 0, 0), 0);
    const std::string f = OpenedFile();
    ASSERT_EQ(Trace().size(), 3u);
    EXPECT_EQ(Trace()[1], "fmWrite(" + H() + ", " + f + ", 0) = 0");
    EXPECT_EQ(BoardFile(), "");
}

TEST_F(BoardTest, WriteOpenFailureReturnsMinusOneAndWritesNothing) {
    PutFile(kWorkedExample);
    FailCall("fmOpen", 0);
    EXPECT_EQ(m_script.WriteSettings(m_handle, DefaultRecord(), 0, 0), -1);
    EXPECT_EQ(Trace(), (std::vector<std::string>{
                           "fmOpen(" + H() + ", \"sys:\\boot.ini\", 12) = 0",
                       }));
    EXPECT_EQ(BoardFile(), kWorkedExample);
}

TEST_F(BoardTest, WriteFailurePassesTheResultOnAndCloses) {
    PutFile(kWorkedExample);
    FailCall("fmWrite", 0x2010B);
    EXPECT_EQ(m_script.WriteSettings(m_handle, AllFlagsRecord(), 0, 0), 0x2010B);
    const std::string f = OpenedFile();
    EXPECT_EQ(Trace(), (std::vector<std::string>{
                           "fmOpen(" + H() + ", \"sys:\\boot.ini\", 12) = " + f,
                           "fmWrite(" + H() + ", " + f + ", 241) = " + std::to_string(0x2010B),
                           "fmClose(" + H() + ", " + f + ") = 0",
                       }));
    // The open emptied the file; the read back mirrors that.
    NetworkSettings back = AllFlagsRecord();
    m_script.ReadSettings(m_handle, back, 0, 0);
    EXPECT_TRUE(SameRecord(DefaultRecord(), back));
}

namespace {

// Keeps in memory what the guarded write hands its journal.
class MemoryJournal : public BootFileJournal {
public:
    explicit MemoryJournal(bool saves) : m_saves(saves) {}
    bool Save(const BootFileImage& previous, const std::string& text) override {
        if (!m_saves)
            return false;
        kept = true;
        this->previous = previous;
        this->text = text;
        return true;
    }
    void Remove() override { kept = false; }

    bool kept = false;
    BootFileImage previous;
    std::string text;

private:
    bool m_saves;
};

} // namespace

// A failed Write leaves the file as it was, or says exactly what it holds;
// its journal goes only once the file is whole, and without a journal
// nothing is written.
TEST_F(BoardTest, AFailedGuardedWritePutsThePreviousFileBackOrSaysWhatTheFileHolds) {
    const std::string old = "[PORT]\r\n30001\r\n";
    const struct {
        const char* name;
        bool hadFile;
        std::vector<simboard::Fault> faults; // fmOpen#1 and fmClose#1 read the file first
        BootFileHolds holds;
        std::string file;
        bool journalKept;
        bool journalSaves;
    } cases[] = {
        {"write cut part-way",
         true,
         {{"fmWrite", 1, -1, true}},
         BootFileHolds::Previous,
         old,
         false,
         true},
        {"close fails",
         true,
         {{"fmClose", 2, -1, false}},
         BootFileHolds::Previous,
         old,
         false,
         true},
        {"no file before",
         false,
         {{"fmWrite", 1, -1, true}},
         BootFileHolds::Previous,
         "<missing>",
         false,
         true},
        {"put-back does not open",
         true,
         {{"fmWrite", 1, -1, false}, {"fmOpen", 3, 0, false}},
         BootFileHolds::Empty,
         "",
         true,
         true},
        {"put-back cut too",
         true,
         {{"fmWrite", 1, -1, true}, {"fmWrite", 2, -1, true}},
         BootFileHolds::Unknown,
         "[PORT]\r",
         true,
         true},
        {"journal not saved", true, {}, BootFileHolds::Previous, old, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown(); // a fresh board: its calls are counted from the opening
        SetUp();
        if (c.hadFile)
            PutFile(old);
        simboard::BoardConfig config;
        ASSERT_TRUE(simboard::LoadConfig(Dir(), config));
        config.faults = c.faults;
        ASSERT_TRUE(simboard::SaveConfig(Dir(), config));
        BootFileWrite write(m_script, m_handle, 0);
        MemoryJournal journal(c.journalSaves);
        EXPECT_NE(write.Write(AllFlagsRecord(), &journal), 0);
        EXPECT_EQ(write.Holds(), c.holds);
        EXPECT_EQ(BoardFile(), c.file);
        EXPECT_EQ(journal.kept, c.journalKept);
        if (!c.journalSaves) {
            EXPECT_EQ(simboard::CountTraceCalls(Dir(), "fmWrite"), 0);
            continue;
        }
        // The journal held the file as it was before the write, and the text.
        EXPECT_TRUE(journal.previous.known);
        EXPECT_EQ(journal.previous.exists, c.hadFile);
        EXPECT_EQ(journal.previous.bytes, c.hadFile ? old : "");
        EXPECT_EQ(journal.text, kWorkedExample);
        config.faults.clear();
        ASSERT_TRUE(simboard::SaveConfig(Dir(), config));
        BootFileWrite again(m_script, m_handle, 0);
        EXPECT_EQ(again.Write(AllFlagsRecord()), 0);
        EXPECT_EQ(again.Holds(), BootFileHolds::NewSettings);
        EXPECT_EQ(BoardFile(), kWorkedExample);
    }
}
