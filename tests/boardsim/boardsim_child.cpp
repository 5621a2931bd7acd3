// boardsim_child.cpp - a second process on the simulated board, for the
// tests: it opens the board named by LM800SIM_DIR and does one job.
//
//   boardsim_child flash-sequence <count>   count flash changes, alternately an
//                                           SPI page and a main-flash page;
//                                           0 when all succeed, 100 + i when
//                                           change i fails
//   boardsim_child read-main <address>      exits with the 16-bit word there
//   boardsim_child change <Function> <pc-folder>
//                                           runs the fixed change of that
//                                           function (flashchanges.h); 0 when
//                                           it succeeds, 1 when it fails
#include "boardlib/lm800mul.h"
#include "flashchanges.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr int kNoBoard = 70000;
constexpr unsigned kSequenceBase = 0x20000;

int OpenBoard() {
    unsigned char buffer[1024] = {};
    if (EnumAttachIPDev(buffer) == 0)
        return 0;
    int boardNo = 0;
    std::memcpy(&boardNo, buffer, sizeof(boardNo));
    return OpenIPDev(boardNo, 0);
}

int FlashSequence(int h, int count) {
    if (SPIFLASH_open(h) != 0)
        return kNoBoard;
    unsigned char page[256];
    for (int i = 0; i < count; ++i) {
        unsigned address = kSequenceBase + static_cast<unsigned>(i) * 0x100;
        int result;
        if (i % 2 == 0) {
            std::memset(page, 0xA0 + i, sizeof(page));
            result = SPIFLASH_page_program(h, address, page, 256);
        } else {
            std::memset(page, 0xB0 + i, sizeof(page));
            result = fmWriteDataBuffer(h, page, address, 128);
        }
        if (result != 0)
            return 100 + i;
    }
    SPIFLASH_close(h);
    return 0;
}

int ReadMain(int h, unsigned address) {
    unsigned short word = 0;
    if (fmReadDataBuffer(h, &word, address, 1) != 0)
        return kNoBoard;
    return word;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4)
        return 2;
    int h = OpenBoard();
    if (h == 0)
        return kNoBoard;
    unsigned long value = std::strtoul(argv[2], nullptr, 0);
    int code = 2;
    if (argc == 3 && std::strcmp(argv[1], "flash-sequence") == 0)
        code = FlashSequence(h, static_cast<int>(value));
    else if (argc == 3 && std::strcmp(argv[1], "read-main") == 0)
        code = ReadMain(h, static_cast<unsigned>(value));
    else if (argc == 4 && std::strcmp(argv[1], "change") == 0)
        code = flashchanges::Run(argv[2], h, argv[3]) == 0 ? 0 : 1;
    CloseIPDev(h);
    return code;
}
