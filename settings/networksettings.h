// networksettings.h - the boot settings record: fifteen presence flags and
// values, in the section order of "sys:\boot.ini".
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

// A presence flag is nonzero when the section stands in the file (after a
// read) or is to be written (before a write). Texts are NUL-terminated dotted
// IPv4 addresses.
struct NetworkSettings {
    int32_t bPrint;
    int32_t nPrint;
    int32_t bIpAdr;
    char szIpAdr[256];
    int32_t bIpMsk;
    char szIpMsk[256];
    int32_t bGwAdr;
    char szGwAdr[256];
    int32_t bPort;
    int32_t nPort;
    int32_t bPortStr;
    int32_t nPortStr;
    int32_t bPortCnt;
    int32_t nPortCnt;
    int32_t bTcpAct;
    int32_t nTcpAct;
    int32_t bTcpLst;
    int32_t nTcpLst;
    int32_t bTcpCon;
    int32_t nTcpCon;
    int32_t bRcvWb;
    int32_t nRcvWb;
    int32_t bSndWb;
    int32_t nSndWb;
    int32_t bUdpCnt;
    int32_t nUdpCnt;
    int32_t bUdpDgm;
    int32_t nUdpDgm;
    int32_t bUdpQue;
    int32_t nUdpQue;
};

// The layout is fixed: the record is a plain structure of 32-bit flags and
// integers and 256-byte texts, each flag directly before its value, in
// section order, with no padding.
static_assert(std::is_standard_layout<NetworkSettings>::value, "plain structure");
static_assert(sizeof(int32_t) == 4 && sizeof(NetworkSettings::szIpAdr) == 256 &&
                  sizeof(NetworkSettings::szIpMsk) == 256 &&
                  sizeof(NetworkSettings::szGwAdr) == 256,
              "32-bit integers and 256-byte texts");
static_assert(offsetof(NetworkSettings, bPrint) == 0 && offsetof(NetworkSettings, nPrint) == 4 &&
                  offsetof(NetworkSettings, bIpAdr) == 8 &&
                  offsetof(NetworkSettings, szIpAdr) == 12 &&
                  offsetof(NetworkSettings, bIpMsk) == 268 &&
                  offsetof(NetworkSettings, szIpMsk) == 272 &&
                  offsetof(NetworkSettings, bGwAdr) == 528 &&
                  offsetof(NetworkSettings, szGwAdr) == 532,
              "flags, integer and address texts of sections 0 to 3");
static_assert(
    offsetof(NetworkSettings, bPort) == 788 && offsetof(NetworkSettings, nPort) == 792 &&
        offsetof(NetworkSettings, bPortStr) == 796 && offsetof(NetworkSettings, nPortStr) == 800 &&
        offsetof(NetworkSettings, bPortCnt) == 804 && offsetof(NetworkSettings, nPortCnt) == 808 &&
        offsetof(NetworkSettings, bTcpAct) == 812 && offsetof(NetworkSettings, nTcpAct) == 816 &&
        offsetof(NetworkSettings, bTcpLst) == 820 && offsetof(NetworkSettings, nTcpLst) == 824 &&
        offsetof(NetworkSettings, bTcpCon) == 828 && offsetof(NetworkSettings, nTcpCon) == 832,
    "flags and integers of sections 4 to 9");
static_assert(
    offsetof(NetworkSettings, bRcvWb) == 836 && offsetof(NetworkSettings, nRcvWb) == 840 &&
        offsetof(NetworkSettings, bSndWb) == 844 && offsetof(NetworkSettings, nSndWb) == 848 &&
        offsetof(NetworkSettings, bUdpCnt) == 852 && offsetof(NetworkSettings, nUdpCnt) == 856 &&
        offsetof(NetworkSettings, bUdpDgm) == 860 && offsetof(NetworkSettings, nUdpDgm) == 864 &&
        offsetof(NetworkSettings, bUdpQue) == 868 && offsetof(NetworkSettings, nUdpQue) == 872,
    "flags and integers of sections 10 to 14");
static_assert(sizeof(NetworkSettings) == 876, "thirty fields and nothing else");

// The board's own values, stored (without presence) by every read before the
// file is parsed.
void ApplyDefaultSettings(NetworkSettings& settings);
