// flashchanges.cpp - the fixed flash changes of the partial-failure tests.
#include "flashchanges.h"

#include "boardlib/lm800mul.h"

#include <vector>

namespace flashchanges {

namespace {

constexpr int kUnknown = -1000;

int WithSpi(int h, int (*change)(int h)) {
    if (SPIFLASH_open(h) != 0)
        return kUnknown;
    int result = change(h);
    SPIFLASH_close(h);
    return result;
}

int WriteBoardFile(int h) {
    int f = fmOpen(h, "sys:\\new.txt", FM_MODE_WRITE);
    if (f == 0)
        return kUnknown;
    const std::string text(200, 'w');
    int result = fmWrite(h, f, text.data(), static_cast<int>(text.size()));
    fmClose(h, f);
    return result;
}

} // namespace

int Run(const std::string& function, int h, const std::string& pcDir) {
    if (function == "fmSectorErase")
        return fmSectorErase(h, 0x30000);
    if (function == "fmWriteDataBuffer") {
        const std::vector<unsigned char> data(0x200, 0x5A);
        return fmWriteDataBuffer(h, data.data(), 0x60000, 0x100);
    }
    if (function == "fmWriteProgram")
        return fmWriteProgram(h, (pcDir + "\\" + kBootRomName).c_str());
    if (function == "SPIFLASH_sector_erase")
        return WithSpi(h, [](int b) { return SPIFLASH_sector_erase(b, 0x31000); });
    if (function == "SPIFLASH_block_erase")
        return WithSpi(h, [](int b) { return SPIFLASH_block_erase(b, 0x40000); });
    if (function == "SPIFLASH_page_program") {
        return WithSpi(h, [](int b) {
            const std::vector<unsigned char> page(256, 0x77);
            return SPIFLASH_page_program(b, 0x50000, page.data(), 256);
        });
    }
    if (function == "fmFileCopy")
        return fmFileCopy(h, 0, (pcDir + "\\" + kCommandFileName).c_str(), "sys:\\RZSYS.BIN");
    if (function == "fmDelete")
        return fmDelete(h, "sys:\\boot.ini");
    if (function == "fmWrite")
        return WriteBoardFile(h);
    return kUnknown;
}

} // namespace flashchanges
