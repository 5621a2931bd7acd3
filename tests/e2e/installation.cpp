// installation.cpp - registry keys and firmware files of an installation.
#include "installation.h"

#include <windows.h>

#include <cstring>

namespace e2e {

namespace {

const char kConfigKey[] = "SOFTWARE\\KORVANE\\RZ400SYS\\Config";
const char kDriverKey[] = "SOFTWARE\\KORVANE\\RZ400SYS\\DRV\\Lm830";

void SetStringValue(const char* key, const char* name, const std::string& value) {
    HKEY hKey = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_WRITE, nullptr, &hKey,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(hKey);
}

void PutWord(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    std::memcpy(&bytes[offset], &value, sizeof(value));
}

} // namespace

std::vector<uint8_t> MakeHeaderedFile(uint32_t version, uint32_t boardType, size_t size,
                                      uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
    if (size >= 12) {
        PutWord(bytes, 0, 0x4C4D3842); // a magic of our own
        PutWord(bytes, 4, version);
        PutWord(bytes, 8, boardType);
    }
    // Room for the product data block that the tool restores into the boot
    // ROM's first sector.
    for (size_t i = 0xC00; i < 0xD00 && i < size; ++i)
        bytes[i] = 0xFF;
    return bytes;
}

std::vector<uint8_t> MakeSpiImage(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(seed ^ (i * 13) ^ (i >> 9));
    return bytes;
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() ||
              WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

Installation::Installation(const std::string& root, const FirmwareImages& images,
                           const std::string& commandFileName)
    : m_systemDir(root + "\\RZ400SYS"), m_driverDir(root + "\\Lm830"),
      m_commandFileName(commandFileName) {
    CreateDirectoryA(m_systemDir.c_str(), nullptr);
    CreateDirectoryA(m_driverDir.c_str(), nullptr);
    WriteFileBytes(m_systemDir + "\\lm8boot.rom", images.bootRom);
    WriteFileBytes(m_systemDir + "\\" + commandFileName, images.commandFile);
    WriteFileBytes(m_driverDir + "\\lm8spiboot.bin", images.spiBoot);
    WriteFileBytes(m_driverDir + "\\lm8boot2.bin", images.boot2);
    SetStringValue(kConfigKey, "Path", m_systemDir);
    SetStringValue(kConfigKey, "Sys", commandFileName);
    SetStringValue(kDriverKey, "Path", m_driverDir);
}

Installation::~Installation() {
    if (m_keepRegistered)
        return;
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kConfigKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kDriverKey);
}

} // namespace e2e
