// flashimage.h - a NOR flash chip kept in a file: erase sets 0xFF, programming
// can only clear bits.
#pragma once

#include <cstdint>
#include <string>

namespace simboard {

class FlashImage {
public:
    // `complemented`: each byte is stored inverted, so that erased flash
    // (0xFF) is a zero byte and the image file can stay sparse.
    FlashImage(std::string path, uint32_t size, bool complemented);

    uint32_t Size() const { return m_size; }
    bool InRange(uint32_t address, uint32_t length) const;

    // A new, fully erased image (any old file is replaced).
    bool CreateErased() const;
    // Makes an existing image usable: a missing file becomes an erased one and
    // a short one is extended with erased flash. A longer file is left as it
    // is when `allowLonger` (only its first Size() bytes are the flash);
    // otherwise it, like a file that cannot be opened, gives false.
    bool Repair(bool allowLonger) const;

    bool Read(uint32_t address, void* buffer, uint32_t length) const;
    // Stores the bytes as they are (no NOR rule): for setting a board up.
    bool WriteRaw(uint32_t address, const void* buffer, uint32_t length) const;
    // NOR programming: stores old AND data. `verified` is false when a bit
    // would have had to go from 0 to 1, so the flash differs from `data`.
    bool Program(uint32_t address, const void* data, uint32_t length, bool& verified) const;
    bool Erase(uint32_t address, uint32_t length) const;

private:
    bool WriteStored(uint32_t address, const uint8_t* bytes, uint32_t length) const;

    std::string m_path;
    uint32_t m_size;
    bool m_complemented;
};

// The two flash chips of a board folder.
FlashImage MainFlashOf(const std::string& dir, uint32_t boardType);
FlashImage SpiFlashOf(const std::string& dir, uint32_t spiSize);

} // namespace simboard
