// settingssections.h - the fifteen sections of the boot settings file: their
// keywords and the record fields they fill, in section order.
#pragma once

#include "settings/networksettings.h"

constexpr int kSectionCount = 15;

// The section headers, brackets included; the position is the section index.
extern const char* const SectionKeywords[kSectionCount];

// The record fields of one section: its flag and either an integer value or
// a 256-byte address text (the other member is null).
struct SectionFields {
    int32_t NetworkSettings::*flag;
    int32_t NetworkSettings::*number;
    char (NetworkSettings::*text)[256];

    bool IsAddress() const { return text != nullptr; }
};

extern const SectionFields kSectionFields[kSectionCount];

// Sections whose integer values share one conversion variable in a read:
// [Print] and [PORT] have their own, sections 5 to 14 share one.
enum class ConversionGroup { Print, Port, Shared, None };
ConversionGroup ConversionGroupOf(int section);
