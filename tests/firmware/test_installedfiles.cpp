// Installed firmware files: registry look-ups on the real registry, folder
// joining, command file names, version headers and the version rule.
#include "firmwaretest.h"

#include "firmware/installedfiles.h"

#include <cstring>

using namespace fwtest;

namespace {

class InstalledFilesTest : public ::testing::Test {
protected:
    void SetUp() override { Installation::DeleteAllKeys(); }
    void TearDown() override { Installation::DeleteAllKeys(); }
};

std::string SystemPath(int* result = nullptr) {
    char buffer[kLocalPathSize];
    std::memset(buffer, 'Z', sizeof(buffer));
    buffer[kLocalPathSize - 1] = '\0';
    int r = GetSystemPath(buffer);
    if (result)
        *result = r;
    return buffer;
}

} // namespace

TEST_F(InstalledFilesTest, SystemPathComesFromTheConfigKey) {
    Installation::SetConfigValue("Path", "C:\\RZ400SYS");
    int result = -2;
    EXPECT_EQ(SystemPath(&result), "C:\\RZ400SYS");
    EXPECT_EQ(result, 0);
}

TEST_F(InstalledFilesTest, MissingKeyOrValueGivesMinusOneAndLeavesTheBuffer) {
    int result = 0;
    EXPECT_EQ(SystemPath(&result), std::string(kLocalPathSize - 1, 'Z'));
    EXPECT_EQ(result, -1);
    Installation::SetConfigValue("Sys", "RZSYS.BIN"); // key there, "Path" not
    EXPECT_EQ(SystemPath(&result), std::string(kLocalPathSize - 1, 'Z'));
    EXPECT_EQ(result, -1);
}

TEST_F(InstalledFilesTest, StringWithoutTerminatorIsTerminated) {
    Installation::SetConfigValue("Path", "C:\\NoTerminator", REG_SZ, /*withTerminator=*/false);
    EXPECT_EQ(SystemPath(), "C:\\NoTerminator");
    Installation::SetConfigValue("Sys", "CMD.BIN", REG_BINARY, false);
    char name[kCommandFileNameSize];
    std::memset(name, 'Q', sizeof(name));
    EXPECT_EQ(GetCommandFileName(name), 0);
    EXPECT_STREQ(name, "CMD.BIN");
}

TEST_F(InstalledFilesTest, ValueFillingTheBufferExactly) {
    // 259 characters and the terminator fit exactly.
    std::string fits = "C:\\" + std::string(256, 'f');
    Installation::SetConfigValue("Path", fits);
    EXPECT_EQ(SystemPath(), fits);
    // 260 characters without a terminator fill it with no room for one.
    std::string full = "C:\\" + std::string(257, 'g');
    Installation::SetConfigValue("Path", full, REG_SZ, false);
    int result = 0;
    EXPECT_EQ(SystemPath(&result), std::string(kLocalPathSize - 1, 'Z'));
    EXPECT_EQ(result, -1);
    // Longer still: refused the same way.
    Installation::SetConfigValue("Path", std::string(1000, 'h'));
    EXPECT_EQ(SystemPath(&result), std::string(kLocalPathSize - 1, 'Z'));
    EXPECT_EQ(result, -1);
}

TEST_F(InstalledFilesTest, QueryReportsTheLengthAndNeverWritesPastTheBuffer) {
    Installation::SetDriverValue("Path", "D:\\DRV");
    char buffer[16 + 8];
    std::memset(buffer, 'X', sizeof(buffer));
    DWORD size = 16;
    EXPECT_EQ(QueryRegistryValue(kDriverKey, "Path", buffer, &size), 0);
    EXPECT_STREQ(buffer, "D:\\DRV");
    EXPECT_EQ(size, 7u);
    for (size_t i = 16; i < sizeof(buffer); ++i)
        EXPECT_EQ(buffer[i], 'X');
    Installation::SetDriverValue("Path", std::string(16, 'L'), REG_SZ, false);
    size = 16;
    EXPECT_EQ(QueryRegistryValue(kDriverKey, "Path", buffer, &size), -1);
    EXPECT_EQ(size, 16u);
    EXPECT_STREQ(buffer, "D:\\DRV");
}

TEST_F(InstalledFilesTest, ValuesOfOtherTypesGiveDefinedText) {
    DWORD number = 0x00004241; // "AB"
    HKEY hKey = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\KORVANE\\RZ400SYS\\Config", 0, nullptr,
                              0, KEY_WRITE, nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(hKey, "Path", 0, REG_DWORD, reinterpret_cast<BYTE*>(&number), 4);
    RegSetValueExA(hKey, "Sys", 0, REG_BINARY, nullptr, 0);
    RegCloseKey(hKey);
    EXPECT_EQ(SystemPath(), "AB");
    char name[kCommandFileNameSize] = "unchanged";
    EXPECT_EQ(GetCommandFileName(name), 0);
    EXPECT_STREQ(name, "");
}

TEST_F(InstalledFilesTest, SysKeepsItsFirstThirtyOneCharacters) {
    Installation::SetConfigValue("Sys", std::string(40, 'S'));
    char name[kCommandFileNameSize + 4];
    std::memset(name, 'Y', sizeof(name));
    EXPECT_EQ(GetCommandFileName(name), 0);
    EXPECT_EQ(std::string(name), std::string(31, 'S'));
    EXPECT_EQ(name[32], 'Y');
    // 255 characters and its terminator fill the raw buffer: still fine.
    Installation::SetConfigValue("Sys", std::string(255, 'T'));
    EXPECT_EQ(GetCommandFileName(name), 0);
    EXPECT_EQ(std::string(name), std::string(31, 'T'));
    // 256 without a terminator do not fit.
    std::memset(name, 'Y', sizeof(name));
    name[5] = '\0';
    Installation::SetConfigValue("Sys", std::string(256, 'U'), REG_SZ, false);
    EXPECT_EQ(GetCommandFileName(name), -1);
    EXPECT_STREQ(name, "YYYYY");
}

TEST(FolderPaths, SeparatorAppendedOnlyWhenMissing) {
    struct Case {
        const char* folder;
        const char* joined;
    } cases[] = {
        {"C:\\RZ", "C:\\RZ\\lm8boot.rom"},
        {"C:\\RZ\\", "C:\\RZ\\lm8boot.rom"},
        {"", "\\lm8boot.rom"},
        {"\\", "\\lm8boot.rom"},
        // "ソ" is 83 5C: its trail byte is no separator.
        {"C:\\\x83\x5C", "C:\\\x83\x5C\\lm8boot.rom"},
        {"C:\\\x83\x5C\\", "C:\\\x83\x5C\\lm8boot.rom"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        char out[kLocalPathSize];
        EXPECT_TRUE(JoinFolderAndName(c.folder, "lm8boot.rom", out));
        EXPECT_STREQ(out, c.joined);
    }
}

TEST(FolderPaths, JoinedPathMustFitItsBuffer) {
    char out[kLocalPathSize];
    std::string folder(247, 'f'); // + "\" + 11 = 259: fits
    EXPECT_TRUE(JoinFolderAndName(folder.c_str(), "lm8boot.rom", out));
    EXPECT_EQ(std::strlen(out), 259u);
    folder += 'f'; // 260: does not
    EXPECT_FALSE(JoinFolderAndName(folder.c_str(), "lm8boot.rom", out));
    EXPECT_STREQ(out, "");
    std::string exact(259, 'e');
    EXPECT_FALSE(JoinFolderAndName(exact.c_str(), "x", out));
    char folderBuffer[6] = "abcd";
    EXPECT_TRUE(AppendFolderSeparator(folderBuffer, sizeof(folderBuffer)));
    EXPECT_STREQ(folderBuffer, "abcd\\");
    char full[5] = "abcd";
    EXPECT_FALSE(AppendFolderSeparator(full, sizeof(full)));
    EXPECT_STREQ(full, "abcd");
}

TEST(FolderPaths, PlainFileNames) {
    EXPECT_TRUE(IsPlainFileName("RZSYS.BIN"));
    EXPECT_TRUE(IsPlainFileName("\x83\x5C.BIN")); // "ソ.BIN"
    EXPECT_FALSE(IsPlainFileName(""));
    EXPECT_FALSE(IsPlainFileName("..\\boot.ini"));
    EXPECT_FALSE(IsPlainFileName("a/b"));
    EXPECT_FALSE(IsPlainFileName("C:x"));
    EXPECT_FALSE(IsPlainFileName(nullptr));
}

TEST(FileHeaders, ReadZeroFilledAndShortFilesLeaveZeros) {
    testboard::TempDir dir;
    std::string path = dir.Path() + "\\short.rom";
    FirmwareFileHeader header;
    std::memset(header.bytes, 0, sizeof(header.bytes));
    EXPECT_EQ(ReadFileHeader(path.c_str(), header.bytes, 256), -1);
    EXPECT_EQ(header.Version(), 0u);
    {
        FILE* f = fopen(path.c_str(), "wb");
        const unsigned char bytes[8] = {1, 2, 3, 4, 0x78, 0x56, 0x34, 0x12};
        fwrite(bytes, 1, sizeof(bytes), f);
        fclose(f);
    }
    EXPECT_EQ(ReadFileHeader(path.c_str(), header.bytes, 256), 0);
    EXPECT_EQ(header.Version(), 0x12345678u);
    EXPECT_EQ(header.BoardType(), 0u);
    EXPECT_EQ(ReadFileHeader("", header.bytes, 256), -1);
    EXPECT_EQ(ReadFileHeader(dir.Path().c_str(), header.bytes, 256), -1);
    std::string tooLong = dir.Path() + "\\" + std::string(300, 'n');
    EXPECT_EQ(ReadFileHeader(tooLong.c_str(), header.bytes, 256), -1);
}

TEST(FileHeaders, NewerMeansTheBoardsVersionIsLowerUnsigned) {
    EXPECT_TRUE(IsInstalledFileNewer(0x100, 0x101));
    EXPECT_FALSE(IsInstalledFileNewer(0x100, 0x100));
    EXPECT_FALSE(IsInstalledFileNewer(0x101, 0x100));
    EXPECT_FALSE(IsInstalledFileNewer(0, 0));
    EXPECT_FALSE(IsInstalledFileNewer(5, 0));
    EXPECT_TRUE(IsInstalledFileNewer(0x7FFFFFFF, 0x80000000));
    EXPECT_TRUE(IsInstalledFileNewer(0, 0xFFFFFFFF));
}

TEST_F(InstalledFilesTest, EachBuildReadsOnlyTheRegistryViewOfItsOwnKind) {
    // The keys in the other view (the 64-bit one for the i686 build, the
    // 32-bit one for the x86_64 build) are not this program's installation.
    const REGSAM otherView = sizeof(void*) == 4 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    const char* const keys[] = {"SOFTWARE\\KORVANE\\RZ400SYS\\Config",
                                "SOFTWARE\\KORVANE\\RZ400SYS", "SOFTWARE\\KORVANE"};
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, keys[0], 0, nullptr, 0, KEY_WRITE | otherView,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const char path[] = "C:\\OTHERVIEW";
    RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path), sizeof(path));
    RegCloseKey(key);
    int result = 0;
    SystemPath(&result);
    EXPECT_EQ(result, -1);
    // The same key in this build's own view is found.
    Installation::SetConfigValue("Path", "C:\\OWNVIEW");
    EXPECT_EQ(SystemPath(&result), "C:\\OWNVIEW");
    EXPECT_EQ(result, 0);
    for (const char* name : keys) // innermost first: only empty keys go
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, name, otherView, 0);
}
