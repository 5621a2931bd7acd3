// settingstestutil.h - records and texts shared by the boot settings tests.
#pragma once

#include "settings/networksettings.h"
#include "settings/rzscript.h"

#include <gtest/gtest.h>

#include <string>

// The file that the writer makes from a record with every flag set and every
// value at its default: thirty CR LF lines, 241 bytes.
extern const std::string kWorkedExample;

// A record after the defaults were applied: every flag 0.
NetworkSettings DefaultRecord();
// The defaults with every flag set to 1.
NetworkSettings AllFlagsRecord();

// The writer's text of a record.
std::string FormatText(const NetworkSettings& settings);
// A read of a text as the reader does it after the file was read: the
// defaults, then the parse of its bytes.
NetworkSettings ParseText(const std::string& text);

// Field-by-field comparison, naming every section that differs.
::testing::AssertionResult SameRecord(const NetworkSettings& expected,
                                      const NetworkSettings& actual);

// The value of a section as text: the integer in decimal, or the address text.
std::string SectionValue(const NetworkSettings& settings, int section);
int32_t SectionFlag(const NetworkSettings& settings, int section);
// Sets a section's flag and value (decimal for an integer section).
void SetSection(NetworkSettings& settings, int section, int32_t flag, const std::string& value);

// Printable form of a byte string for failure messages.
std::string Escaped(const std::string& bytes);
