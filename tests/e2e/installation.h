// installation.h - the maker's system software as installed on a PC, for
// end-to-end runs: the registry keys and the firmware files they point to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

struct FirmwareImages {
    std::vector<uint8_t> bootRom;     // "lm8boot.rom"
    std::vector<uint8_t> commandFile; // the command file named by "Sys"
    std::vector<uint8_t> spiBoot;     // "lm8spiboot.bin"
    std::vector<uint8_t> boot2;       // "lm8boot2.bin"
};

// A firmware file of `size` bytes whose 256-byte header carries the version
// at byte 4 and the board type at byte 8; the body is a pattern from `seed`,
// with 0xFF where a boot ROM image leaves room for the product data.
std::vector<uint8_t> MakeHeaderedFile(uint32_t version, uint32_t boardType, size_t size,
                                      uint8_t seed);
// An SPI boot image of `size` bytes, a pattern from `seed`.
std::vector<uint8_t> MakeSpiImage(size_t size, uint8_t seed);

class Installation {
public:
    // Creates the folders under `root` and writes the files and registry keys.
    Installation(const std::string& root, const FirmwareImages& images,
                 const std::string& commandFileName = "RZSYS.BIN");
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    const std::string& SystemDir() const { return m_systemDir; }
    const std::string& DriverDir() const { return m_driverDir; }
    const std::string& CommandFileName() const { return m_commandFileName; }
    // Leaves the registry keys in place when the object goes (for the demo).
    void KeepRegistered() { m_keepRegistered = true; }

private:
    std::string m_systemDir;
    std::string m_driverDir;
    std::string m_commandFileName;
    bool m_keepRegistered = false;
};

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace e2e
