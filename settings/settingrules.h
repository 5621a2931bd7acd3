// settingrules.h - the rules the settings pages apply to the values they
// store, free of any window so that the console program checks values by the
// same rules: the range of each numeric setting with the value stored when
// the input is unusable, and the limit on the TCP connections.
#pragma once

#include "settings/networksettings.h"
#include "settings/settingssections.h"

struct NumericRule {
    int section; // the index in SectionKeywords
    int lower;
    int upper;
    int fallback; // stored when the input holds no number within the range

    int32_t NetworkSettings::*Flag() const { return kSectionFields[section].flag; }
    int32_t NetworkSettings::*Value() const { return kSectionFields[section].number; }
    bool Allows(long long value) const { return lower <= value && value <= upper; }
};

extern const NumericRule kPortRule, kPortStrRule, kPortCntRule;
extern const NumericRule kTcpActRule, kTcpLstRule, kTcpConRule, kRcvWbRule, kSndWbRule;
extern const NumericRule kUdpCntRule, kUdpDgmRule, kUdpQueRule;

// The rule of a numeric section a page edits; null for any other section.
const NumericRule* FindNumericRule(int section);

// TCPACT and TCPCON together may not exceed this many connections; a setting
// that is absent counts as the board's default.
constexpr int kConnectionLimit = 32;
constexpr int kConnectionDefault = 8;
bool ExceedsConnectionLimit(const NetworkSettings& settings);
