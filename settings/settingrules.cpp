// settingrules.cpp - the pages' rules for the values they store.
#include "settings/settingrules.h"

const NumericRule kPortRule = {4, 1, 65535, 30000};
const NumericRule kPortStrRule = {5, 1, 65535, 15000};
const NumericRule kPortCntRule = {6, 1, 65535, 16};
const NumericRule kTcpActRule = {7, 4, 32, 8};
const NumericRule kTcpLstRule = {8, 4, 32, 8};
const NumericRule kTcpConRule = {9, 4, 32, 8};
const NumericRule kRcvWbRule = {10, 2920, 17520, 8760};
const NumericRule kSndWbRule = {11, 2920, 17520, 8760};
const NumericRule kUdpCntRule = {12, 0, 32, 8};
const NumericRule kUdpDgmRule = {13, 0, 1472, 1472};
const NumericRule kUdpQueRule = {14, 0, 255, 9};

namespace {

const NumericRule* const kRules[] = {
    &kPortRule,  &kPortStrRule, &kPortCntRule, &kTcpActRule, &kTcpLstRule, &kTcpConRule,
    &kRcvWbRule, &kSndWbRule,   &kUdpCntRule,  &kUdpDgmRule, &kUdpQueRule,
};

// The connection count that a setting contributes: its value when it is
// present, else the board's default.
int Counted(int32_t flag, int32_t value) {
    return flag == 1 ? value : kConnectionDefault;
}

} // namespace

const NumericRule* FindNumericRule(int section) {
    for (const NumericRule* rule : kRules) {
        if (rule->section == section)
            return rule;
    }
    return nullptr;
}

bool ExceedsConnectionLimit(const NetworkSettings& s) {
    return static_cast<long long>(Counted(s.bTcpAct, s.nTcpAct)) + Counted(s.bTcpCon, s.nTcpCon) >
           kConnectionLimit;
}
