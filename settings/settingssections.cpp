// settingssections.cpp - the section table of the boot settings file.
#include "settings/settingssections.h"

const char* const SectionKeywords[kSectionCount] = {
    "[Print]",  "[IPADR]",  "[IPMSK]", "[GWADR]", "[PORT]",   "[PORTSTR]", "[PORTCNT]", "[TCPACT]",
    "[TCPLST]", "[TCPCON]", "[RCVWB]", "[SNDWB]", "[UDPCNT]", "[UDPDGM]",  "[UDPQUE]",
};

using NS = NetworkSettings;

const SectionFields kSectionFields[kSectionCount] = {
    {&NS::bPrint, &NS::nPrint, nullptr},     {&NS::bIpAdr, nullptr, &NS::szIpAdr},
    {&NS::bIpMsk, nullptr, &NS::szIpMsk},    {&NS::bGwAdr, nullptr, &NS::szGwAdr},
    {&NS::bPort, &NS::nPort, nullptr},       {&NS::bPortStr, &NS::nPortStr, nullptr},
    {&NS::bPortCnt, &NS::nPortCnt, nullptr}, {&NS::bTcpAct, &NS::nTcpAct, nullptr},
    {&NS::bTcpLst, &NS::nTcpLst, nullptr},   {&NS::bTcpCon, &NS::nTcpCon, nullptr},
    {&NS::bRcvWb, &NS::nRcvWb, nullptr},     {&NS::bSndWb, &NS::nSndWb, nullptr},
    {&NS::bUdpCnt, &NS::nUdpCnt, nullptr},   {&NS::bUdpDgm, &NS::nUdpDgm, nullptr},
    {&NS::bUdpQue, &NS::nUdpQue, nullptr},
};

ConversionGroup ConversionGroupOf(int section) {
    if (section == 0)
        return ConversionGroup::Print;
    if (section == 4)
        return ConversionGroup::Port;
    if (section >= 5 && section < kSectionCount)
        return ConversionGroup::Shared;
    return ConversionGroup::None;
}
