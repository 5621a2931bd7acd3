// simboard.cpp - creating a simulated board folder and reaching its state
// from outside the library (tests, the companion).
#include "simboard.h"

#include "boardconfig.h"
#include "boardpath.h"
#include "flashimage.h"
#include "winfile.h"

#include <cstring>

namespace simboard {

const char kDefaultBootIni[] = "[IPADR]\r\n192.168.0.10\r\n[IPMSK]\r\n255.255.255.0\r\n"
                               "[GWADR]\r\n192.168.0.1\r\n[PORT]\r\n30000\r\n";

namespace {

constexpr uint32_t kOldBootImageLength = 0x800;

bool HasSpiCopy(uint32_t boardType) {
    return boardType == 0x200 || boardType == 0x201;
}

bool AllBytesAre(const uint8_t* bytes, size_t length, uint8_t value) {
    for (size_t i = 0; i < length; ++i) {
        if (bytes[i] != value)
            return false;
    }
    return true;
}

} // namespace

std::string ToWindowsPath(const std::string& dir) {
    if (dir.empty() || dir[0] != '/')
        return dir;
    std::string path = "Z:" + dir;
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

uint32_t MainFlashSizeFor(uint32_t boardType) {
    // Type 0x201 keeps its product data copy at 0x17FFC00, in the last 64 KiB
    // sector of a 24 MiB part. The other types keep it in the boot sector at
    // 0xC00 and write their boot ROM image from address 0, so nothing they
    // use lies high: they get a common small part of 4 MiB, and an access
    // past the few sectors they use shows as a failure, not as a quiet write.
    return boardType == 0x201 ? kMainFlashSize201 : kMainFlashSizeSmall;
}

uint32_t MainFlashSize(const std::string& dir) {
    BoardConfig config;
    return LoadConfig(dir, config) ? MainFlashSizeFor(config.BoardType()) : 0;
}

uint32_t ProductDataMainAddress(uint32_t boardType) {
    return boardType == 0x201 ? 0x17FFC00 : 0xC00;
}

std::vector<uint8_t> MakeProductData(uint32_t boardType, const uint8_t mac[6]) {
    std::vector<uint8_t> block(kProductDataSize, 0x00);
    // Leading field: a serial number made from the MAC address.
    char serial[16];
    std::snprintf(serial, sizeof(serial), "S%02X%02X%02X%02X", mac[2], mac[3], mac[4], mac[5]);
    std::memcpy(block.data(), serial, 9);
    std::memcpy(block.data() + 16, boardType == 0x300 ? "SRZ-Lm" : "NRZ-Lm", 6);
    std::memcpy(block.data() + 32, mac, 6);
    // The rest carries a pattern, so that a copy that loses or shifts bytes shows.
    static const char kMaker[] = "SIMULATED RZ BRD";
    std::memcpy(block.data() + 48, kMaker, 16);
    for (size_t i = 64; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i ^ mac[5]);
    return block;
}

bool ProductDataLooksValid(uint32_t boardType, const uint8_t* block) {
    if (block == nullptr || AllBytesAre(block, 9, 0xFF) || AllBytesAre(block, 9, 0x00))
        return false;
    if (HasSpiCopy(boardType) && std::memcmp(block + 16, "NRZ-Lm", 6) != 0)
        return false;
    if (boardType == 0x300 && std::memcmp(block + 16, "SRZ-Lm", 6) != 0)
        return false;
    const uint8_t* mac = block + 32;
    return !AllBytesAre(mac, 6, 0xFF) && !AllBytesAre(mac, 6, 0x00) && (mac[0] & 1) == 0;
}

std::vector<uint8_t> MakeOldBootImage(uint32_t spiAddress) {
    std::vector<uint8_t> image(kOldBootImageLength);
    char header[32];
    std::snprintf(header, sizeof(header), "OLD SPI BOOT @%05X", spiAddress);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>((i * 13 + (spiAddress >> 16)) & 0xFF);
    std::memcpy(image.data(), header, std::strlen(header));
    return image;
}

std::vector<uint8_t> MakeOldBootRom() {
    std::vector<uint8_t> image = MakeOldBootImage(0);
    std::memcpy(image.data(), "OLD BOOT ROM", 12);
    return image;
}

bool CreateBoard(const std::string& dir, const CreateOptions& options) {
    const std::string windowsDir = ToWindowsPath(dir);
    if (!MakeDirectories(windowsDir) || !MakeDirectories(JoinPath(windowsDir, kSysFolderName)))
        return false;

    BoardConfig config;
    config.boardWord = options.boardType << 20;
    config.commandVersion = options.commandVersion;
    config.romVersion = options.romVersion;
    if (!SaveConfig(windowsDir, config))
        return false;

    const std::vector<uint8_t> product = MakeProductData(options.boardType, options.mac);
    FlashImage main = MainFlashOf(windowsDir, options.boardType);
    if (!main.CreateErased() ||
        !main.WriteRaw(ProductDataMainAddress(options.boardType), product.data(), kProductDataSize))
        return false;
    // The types that boot from main flash have boot code there, below the
    // product data.
    if (options.boardType != 0x201) {
        const std::vector<uint8_t> rom = MakeOldBootRom();
        if (!main.WriteRaw(0, rom.data(), static_cast<uint32_t>(rom.size())))
            return false;
    }

    FlashImage spi = SpiFlashOf(windowsDir, config.spiSize);
    if (!spi.CreateErased())
        return false;
    if (HasSpiCopy(options.boardType)) {
        for (uint32_t address : {0u, 0x10000u}) {
            std::vector<uint8_t> image = MakeOldBootImage(address);
            if (!spi.WriteRaw(address, image.data(), static_cast<uint32_t>(image.size())))
                return false;
        }
        if (!spi.WriteRaw(kProductDataSpiAddress, product.data(), kProductDataSize))
            return false;
    }

    if (options.withBootIni && !WriteBoardFile(windowsDir, "sys:\\boot.ini", kDefaultBootIni))
        return false;
    return WriteWholeFile(JoinPath(windowsDir, kTraceFileName), std::string());
}

bool ReadMainFlash(const std::string& dir, uint32_t address, void* buffer, uint32_t length) {
    BoardConfig config;
    return LoadConfig(dir, config) &&
           MainFlashOf(dir, config.BoardType()).Read(address, buffer, length);
}

bool WriteMainFlash(const std::string& dir, uint32_t address, const void* buffer, uint32_t length) {
    BoardConfig config;
    return LoadConfig(dir, config) &&
           MainFlashOf(dir, config.BoardType()).WriteRaw(address, buffer, length);
}

bool ReadSpiFlash(const std::string& dir, uint32_t address, void* buffer, uint32_t length) {
    BoardConfig config;
    return LoadConfig(dir, config) && SpiFlashOf(dir, config.spiSize).Read(address, buffer, length);
}

bool WriteSpiFlash(const std::string& dir, uint32_t address, const void* buffer, uint32_t length) {
    BoardConfig config;
    return LoadConfig(dir, config) &&
           SpiFlashOf(dir, config.spiSize).WriteRaw(address, buffer, length);
}

bool ReadBoardFile(const std::string& dir, const std::string& boardPath, std::string& content) {
    std::string hostPath;
    return BoardFileHostPath(dir, boardPath.c_str(), hostPath) && ReadWholeFile(hostPath, content);
}

bool WriteBoardFile(const std::string& dir, const std::string& boardPath,
                    const std::string& content) {
    std::string hostPath;
    return BoardFileHostPath(dir, boardPath.c_str(), hostPath) &&
           MakeDirectories(JoinPath(ToWindowsPath(dir), kSysFolderName)) &&
           WriteWholeFile(hostPath, content);
}

bool DeleteBoardFile(const std::string& dir, const std::string& boardPath) {
    std::string hostPath;
    return BoardFileHostPath(dir, boardPath.c_str(), hostPath) &&
           DeleteFileA(hostPath.c_str()) != FALSE;
}

std::vector<std::string> ListBoardFiles(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    std::string pattern = JoinPath(JoinPath(ToWindowsPath(dir), kSysFolderName), "*");
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

} // namespace simboard
