// flashimage.cpp - NOR flash semantics over an image file.
#include "flashimage.h"

#include "boardconfig.h"
#include "winfile.h"

#include <algorithm>
#include <vector>

namespace simboard {

namespace {

constexpr uint32_t kChunk = 0x10000;

void Complement(uint8_t* bytes, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i)
        bytes[i] = static_cast<uint8_t>(~bytes[i]);
}

// The file holds at least the whole flash.
bool Holds(const WinFile& file, uint32_t size) {
    uint64_t fileSize = 0;
    return file.Size(fileSize) && fileSize >= size;
}

} // namespace

FlashImage::FlashImage(std::string path, uint32_t size, bool complemented)
    : m_path(std::move(path)), m_size(size), m_complemented(complemented) {}

bool FlashImage::InRange(uint32_t address, uint32_t length) const {
    return address <= m_size && length <= m_size - address;
}

bool FlashImage::CreateErased() const {
    WinFile file = WinFile::CreateEmpty(m_path);
    if (!file.IsOpen())
        return false;
    if (m_complemented)
        file.MakeSparse();
    if (!file.SetSize(m_size))
        return false;
    file.Close();
    // A complemented image is erased as it stands: all holes.
    return m_complemented || Erase(0, m_size);
}

bool FlashImage::Repair(bool allowLonger) const {
    if (!FileExists(m_path))
        return CreateErased();
    uint64_t size = 0;
    {
        WinFile file = WinFile::OpenExisting(m_path, true);
        if (!file.Size(size) || (size > m_size && !allowLonger))
            return false;
        if (size >= m_size)
            return true;
        if (!file.SetSize(m_size))
            return false;
        if (m_complemented)
            return true;
    }
    return Erase(static_cast<uint32_t>(size), m_size - static_cast<uint32_t>(size));
}

bool FlashImage::Read(uint32_t address, void* buffer, uint32_t length) const {
    if (buffer == nullptr || !InRange(address, length))
        return false;
    if (length == 0)
        return true;
    WinFile file = WinFile::OpenExisting(m_path, false);
    if (!Holds(file, m_size) || !file.ReadAt(address, buffer, length))
        return false;
    if (m_complemented)
        Complement(static_cast<uint8_t*>(buffer), length);
    return true;
}

bool FlashImage::WriteStored(uint32_t address, const uint8_t* bytes, uint32_t length) const {
    WinFile file = WinFile::OpenExisting(m_path, true);
    if (!Holds(file, m_size))
        return false;
    std::vector<uint8_t> chunk;
    for (uint32_t done = 0; done < length;) {
        uint32_t part = std::min(kChunk, length - done);
        chunk.assign(bytes + done, bytes + done + part);
        if (m_complemented)
            Complement(chunk.data(), part);
        if (!file.WriteAt(address + done, chunk.data(), part))
            return false;
        done += part;
    }
    return true;
}

bool FlashImage::WriteRaw(uint32_t address, const void* buffer, uint32_t length) const {
    if (buffer == nullptr || !InRange(address, length))
        return false;
    return length == 0 || WriteStored(address, static_cast<const uint8_t*>(buffer), length);
}

bool FlashImage::Program(uint32_t address, const void* data, uint32_t length,
                         bool& verified) const {
    verified = false;
    if (data == nullptr || !InRange(address, length))
        return false;
    std::vector<uint8_t> cells(length);
    if (length > 0 && !Read(address, cells.data(), length))
        return false;
    const auto* wanted = static_cast<const uint8_t*>(data);
    bool same = true;
    for (uint32_t i = 0; i < length; ++i) {
        cells[i] &= wanted[i];
        same = same && cells[i] == wanted[i];
    }
    if (length > 0 && !WriteStored(address, cells.data(), length))
        return false;
    verified = same;
    return true;
}

bool FlashImage::Erase(uint32_t address, uint32_t length) const {
    if (!InRange(address, length))
        return false;
    const std::vector<uint8_t> erased(std::min(kChunk, std::max<uint32_t>(length, 1)), 0xFF);
    for (uint32_t done = 0; done < length;) {
        uint32_t part = std::min(static_cast<uint32_t>(erased.size()), length - done);
        if (!WriteStored(address + done, erased.data(), part))
            return false;
        done += part;
    }
    return true;
}

FlashImage MainFlashOf(const std::string& dir, uint32_t boardType) {
    return FlashImage(JoinPath(ToWindowsPath(dir), kMainFlashFileName), MainFlashSizeFor(boardType),
                      true);
}

FlashImage SpiFlashOf(const std::string& dir, uint32_t spiSize) {
    return FlashImage(JoinPath(ToWindowsPath(dir), kSpiFlashFileName), spiSize, false);
}

} // namespace simboard
