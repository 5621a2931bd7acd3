// networksettings.cpp - the defaults of the boot settings record.
#include "settings/networksettings.h"

#include <cstring>

void ApplyDefaultSettings(NetworkSettings& settings) {
    // Every flag 0, nPrint 0, every text empty; then the board's own values.
    std::memset(&settings, 0, sizeof(settings));
    std::strcpy(settings.szIpAdr, "192.168.0.205");
    std::strcpy(settings.szIpMsk, "255.255.255.0");
    std::strcpy(settings.szGwAdr, "192.168.0.1");
    settings.nPort = 30000;
    settings.nPortStr = 15000;
    settings.nPortCnt = 16;
    settings.nTcpAct = 8;
    settings.nTcpLst = 8;
    settings.nTcpCon = 8;
    settings.nRcvWb = 8760;
    settings.nSndWb = 8760;
    settings.nUdpCnt = 8;
    settings.nUdpDgm = 1472;
    settings.nUdpQue = 9;
}
