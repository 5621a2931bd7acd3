// simtest.h - helpers of the board simulator's tests.
#pragma once

#include "boardlib/lm800mul.h"
#include "simboard.h"
#include "testboard.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace simtest {

// A fresh board (LM800SIM_DIR names it), opened through the library; closed
// again after the test.
class BoardTest : public ::testing::Test {
protected:
    explicit BoardTest(const simboard::CreateOptions& options = {}) : board(options) {}
    void SetUp() override;
    void TearDown() override;

    simboard::BoardConfig Config() const { return board.Config(); }
    void SetConfig(const simboard::BoardConfig& config) const { board.SetConfig(config); }
    // Closes and opens the board again (the call counters start anew).
    void Reopen();
    std::vector<std::string> TraceLines() const;

    testboard::TempBoard board;
    int h = 0;
};

// The same, with the SPI flash open for the test.
class SpiBoardTest : public BoardTest {
protected:
    void SetUp() override {
        BoardTest::SetUp();
        ASSERT_EQ(SPIFLASH_open(h), 0);
    }
    void TearDown() override {
        SPIFLASH_close(h);
        BoardTest::TearDown();
    }
};

// A digest of a whole flash image, to show that a call left it untouched.
uint64_t MainDigest(const std::string& dir);
uint64_t SpiDigest(const std::string& dir);

std::vector<uint8_t> Main(const std::string& dir, uint32_t address, uint32_t length);
std::vector<uint8_t> Spi(const std::string& dir, uint32_t address, uint32_t length);
std::vector<uint8_t> Filled(size_t length, uint8_t value);

// Writes a PC file under `dir` and returns its path.
std::string WritePcFile(const std::string& dir, const std::string& name,
                        const std::vector<uint8_t>& bytes);
// A firmware file: `length` bytes of `fill`, with `version` at byte 4.
std::vector<uint8_t> FirmwareFile(uint32_t version, size_t length, uint8_t fill);

// Runs a program beside the test executable with the current environment
// and returns its exit code (or STILL_ACTIVE on timeout), with its output.
DWORD RunProgram(const std::string& exe, const std::string& arguments, std::string* out = nullptr,
                 std::string* err = nullptr);

} // namespace simtest
