// test_localfile.cpp - local file access and the reader and writer on files
// in the current directory.
#include "settingstestutil.h"

#include <windows.h>

#include <sddl.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Runs each test in a fresh current directory of its own.
class LocalFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char base[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, base);
        GetCurrentDirectoryA(MAX_PATH, m_previous);
        static unsigned counter = 0;
        char path[MAX_PATH * 2];
        std::snprintf(path, sizeof(path), "%srzsettings_%lu_%u_%lu", base, GetCurrentProcessId(),
                      ++counter, GetTickCount());
        m_dir = path;
        ASSERT_TRUE(CreateDirectoryA(m_dir.c_str(), nullptr));
        ASSERT_TRUE(SetCurrentDirectoryA(m_dir.c_str()));
    }

    void TearDown() override {
        SetCurrentDirectoryA(m_previous);
        RemoveTree(m_dir);
    }

    static void RemoveTree(const std::string& path) {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = data.cFileName;
                if (name == "." || name == "..")
                    continue;
                const std::string child = path + "\\" + name;
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(child);
                else
                    DeleteFileA(child.c_str());
            } while (FindNextFileA(find, &data));
            FindClose(find);
        }
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryA(path.c_str());
    }

    static void WriteFileBytes(const char* name, const std::string& bytes) {
        FILE* file = std::fopen(name, "wb");
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
        std::fclose(file);
    }

    static std::string ReadFileBytes(const char* name) {
        std::string bytes;
        FILE* file = std::fopen(name, "rb");
        if (file == nullptr)
            return "<missing>";
        char chunk[4096];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0)
            bytes.append(chunk, got);
        std::fclose(file);
        return bytes;
    }

    static bool Exists(const char* name) {
        return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES;
    }

    CRZScript m_script;
    std::string m_dir;
    char m_previous[MAX_PATH] = {};
};

} // namespace

TEST_F(LocalFileTest, OpenForReadingAMissingFileFailsAndCreatesNothing) {
    EXPECT_EQ(m_script.FileOpen("boot.ini", 1), nullptr);
    EXPECT_EQ(m_script.FileOpen("boot.ini", 3), nullptr) << "only bit 0 of the mode counts";
    EXPECT_FALSE(Exists("boot.ini"));
}

TEST_F(LocalFileTest, OpenForWritingCreatesOrEmptiesAndZeroBytesLeaveAnEmptyFile) {
    HANDLE file = m_script.FileOpen("new.ini", 0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(m_script.FileClose(file), 0);
    EXPECT_EQ(ReadFileBytes("new.ini"), "");

    WriteFileBytes("boot.ini", kWorkedExample);
    file = m_script.FileOpen("boot.ini", 2); // bit 0 clear: writing
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(m_script.FileSize(file), 0u) << "emptied by the open";
    EXPECT_EQ(m_script.FileWrite(file, "", 0), 0);
    m_script.FileClose(file);
    EXPECT_EQ(ReadFileBytes("boot.ini"), "");
}

TEST_F(LocalFileTest, FileOpenForReadingLetsOthersReadButNotWrite) {
    WriteFileBytes("boot.ini", kWorkedExample);
    HANDLE file = m_script.FileOpen("boot.ini", 1);
    ASSERT_NE(file, nullptr);

    HANDLE reader = CreateFileA("boot.ini", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    if (reader != INVALID_HANDLE_VALUE)
        CloseHandle(reader);
    HANDLE writer = CreateFileA("boot.ini", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    if (writer != INVALID_HANDLE_VALUE)
        CloseHandle(writer);

    // The file itself was opened for reading only.
    EXPECT_EQ(m_script.FileWrite(file, "x", 1), 1);
    m_script.FileClose(file);
    EXPECT_EQ(ReadFileBytes("boot.ini"), kWorkedExample);
}

TEST_F(LocalFileTest, FileOpenForWritingLetsOthersReadButNotWrite) {
    HANDLE file = m_script.FileOpen("boot.ini", 0);
    ASSERT_NE(file, nullptr);
    HANDLE reader = CreateFileA("boot.ini", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    if (reader != INVALID_HANDLE_VALUE)
        CloseHandle(reader);
    HANDLE writer = CreateFileA("boot.ini", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE)
        CloseHandle(writer);
    m_script.FileClose(file);
}

TEST_F(LocalFileTest, SizeReadAndWriteResults) {
    WriteFileBytes("boot.ini", "12345");
    HANDLE file = m_script.FileOpen("boot.ini", 1);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(m_script.FileSize(file), 5u);
    char buffer[16] = {};
    EXPECT_EQ(m_script.FileRead(file, buffer, sizeof(buffer)), 0) << "a short read succeeds";
    EXPECT_STREQ(buffer, "12345");
    EXPECT_EQ(m_script.FileRead(file, buffer, sizeof(buffer)), 0) << "at the end";
    m_script.FileClose(file);

    EXPECT_EQ(m_script.FileSize(nullptr), INVALID_FILE_SIZE);
    EXPECT_EQ(m_script.FileRead(nullptr, buffer, 1), 1);
    EXPECT_EQ(m_script.FileWrite(nullptr, "x", 1), 1);
}

TEST_F(LocalFileTest, FileExistsForFilesAndDirectories) {
    EXPECT_EQ(m_script.FileExists("boot.ini"), 0) << "missing";
    WriteFileBytes("boot.ini", "x");
    EXPECT_EQ(m_script.FileExists("boot.ini"), 1);
    SetFileAttributesA("boot.ini", FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(m_script.FileExists("boot.ini"), 1) << "read-only file";

    ASSERT_TRUE(CreateDirectoryA("safe.ini", nullptr));
    ASSERT_EQ(GetFileAttributesA("safe.ini"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(m_script.FileExists("safe.ini"), 0) << "plain directory";

    // Only a directory with no further attribute is refused.
    ASSERT_TRUE(CreateDirectoryA("hidden", nullptr));
    ASSERT_TRUE(SetFileAttributesA("hidden", FILE_ATTRIBUTE_HIDDEN));
    ASSERT_EQ(GetFileAttributesA("hidden"),
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(m_script.FileExists("hidden"), 1);
}

TEST_F(LocalFileTest, FileExistsGivesOneForAReadOnlyDirectory) {
    ASSERT_TRUE(CreateDirectoryA("ro", nullptr));
    const DWORD readOnly = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY;
    if (!SetFileAttributesA("ro", readOnly) || GetFileAttributesA("ro") != readOnly) {
        // Wine keeps no read-only attribute that it is asked to set on a
        // directory; it shows one for a directory that nobody may write to.
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
            "D:P(A;;GRGX;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
        EXPECT_TRUE(SetFileSecurityA("ro", DACL_SECURITY_INFORMATION, descriptor));
        LocalFree(descriptor);
    }
    ASSERT_EQ(GetFileAttributesA("ro"), readOnly);
    EXPECT_EQ(m_script.FileExists("ro"), 1);
}

TEST_F(LocalFileTest, ReadWorkedExampleFromBootIni) {
    WriteFileBytes("boot.ini", kWorkedExample);
    NetworkSettings settings;
    EXPECT_EQ(m_script.ReadSettings(0, settings, 0, 1), 0);
    EXPECT_TRUE(SameRecord(AllFlagsRecord(), settings));
}

TEST_F(LocalFileTest, KindOneReadsSafeIni) {
    WriteFileBytes("boot.ini", "[PORT]\r\n1\r\n");
    WriteFileBytes("safe.ini", "[PORT]\r\n2\r\n");
    NetworkSettings settings;
    m_script.ReadSettings(0, settings, 1, 1);
    EXPECT_EQ(settings.nPort, 2);
    m_script.ReadSettings(0, settings, 7, 1);
    EXPECT_EQ(settings.nPort, 1);
}

TEST_F(LocalFileTest, MissingEmptyOrUnopenableGivesTheDefaults) {
    NetworkSettings settings = AllFlagsRecord();
    settings.nPort = 5;
    EXPECT_EQ(m_script.ReadSettings(0, settings, 0, 1), 0);
    EXPECT_TRUE(SameRecord(DefaultRecord(), settings)) << "missing";

    WriteFileBytes("boot.ini", "");
    settings = AllFlagsRecord();
    EXPECT_EQ(m_script.ReadSettings(0, settings, 0, 1), 0);
    EXPECT_TRUE(SameRecord(DefaultRecord(), settings)) << "empty";

    ASSERT_TRUE(CreateDirectoryA("safe.ini", nullptr));
    // With a further attribute the directory passes FileExists; opening it fails.
    ASSERT_TRUE(SetFileAttributesA("safe.ini", FILE_ATTRIBUTE_HIDDEN));
    ASSERT_EQ(m_script.FileExists("safe.ini"), 1);
    settings = AllFlagsRecord();
    EXPECT_EQ(m_script.ReadSettings(0, settings, 1, 1), -1) << "a failed read";
    EXPECT_TRUE(SameRecord(DefaultRecord(), settings)) << "a directory that cannot be opened";
}

TEST_F(LocalFileTest, FileOf3000BytesIsReadOnlyTo2048) {
    std::string text = "[PORT]\r\n5\r\n";
    text += std::string(2030 - text.size(), ' ');
    text += "[TCPACT]\r\n6\r\n"; // ends at byte 2043
    text += "[UDPCNT]\r\n7\r\n"; // starts at byte 2043, cut at 2048
    text += std::string(3000 - text.size(), '\n');
    WriteFileBytes("boot.ini", text);
    NetworkSettings settings;
    m_script.ReadSettings(0, settings, 0, 1);
    EXPECT_EQ(settings.nPort, 5);
    EXPECT_EQ(settings.bTcpAct, 1);
    EXPECT_EQ(settings.nTcpAct, 6);
    EXPECT_EQ(settings.bUdpCnt, 0);
}

TEST_F(LocalFileTest, WriteWorkedExampleToBootIniAndSafeIni) {
    EXPECT_EQ(m_script.WriteSettings(0, AllFlagsRecord(), 0, 1), 0);
    EXPECT_EQ(ReadFileBytes("boot.ini"), kWorkedExample);
    EXPECT_FALSE(Exists("safe.ini"));
    NetworkSettings port = DefaultRecord();
    port.bPort = 1;
    port.nPort = 30001;
    EXPECT_EQ(m_script.WriteSettings(0, port, 1, 1), 0);
    EXPECT_EQ(ReadFileBytes("safe.ini"), "[PORT]\r\n30001\r\n");
    EXPECT_EQ(ReadFileBytes("boot.ini"), kWorkedExample);
}

TEST_F(LocalFileTest, WritingNoSectionLeavesAnEmptyFile) {
    WriteFileBytes("boot.ini", kWorkedExample);
    EXPECT_EQ(m_script.WriteSettings(0, DefaultRecord(), 0, 1), 0);
    EXPECT_EQ(ReadFileBytes("boot.ini"), "");
}

TEST_F(LocalFileTest, WriteThatCannotOpenReturnsMinusOneAndLeavesTheFile) {
    WriteFileBytes("boot.ini", "[PORT]\r\n1\r\n");
    // Another holder of the file shares nothing.
    HANDLE holder = CreateFileA("boot.ini", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(m_script.WriteSettings(0, AllFlagsRecord(), 0, 1), -1);
    CloseHandle(holder);
    EXPECT_EQ(ReadFileBytes("boot.ini"), "[PORT]\r\n1\r\n");

    ASSERT_TRUE(CreateDirectoryA("safe.ini", nullptr));
    EXPECT_EQ(m_script.WriteSettings(0, AllFlagsRecord(), 1, 1), -1);
}

TEST_F(LocalFileTest, WriteThenReadBackThroughTheFile) {
    NetworkSettings record = DefaultRecord();
    record.bIpAdr = 1;
    std::strcpy(record.szIpAdr, "10.20.30.40");
    record.bPort = 1;
    record.nPort = -30001;
    record.bUdpDgm = 1;
    record.nUdpDgm = INT32_MIN;
    record.bPrint = 1;
    record.nPrint = 3;
    ASSERT_EQ(m_script.WriteSettings(0, record, 0, 1), 0);
    NetworkSettings back;
    m_script.ReadSettings(0, back, 0, 1);
    EXPECT_TRUE(SameRecord(record, back));
}
