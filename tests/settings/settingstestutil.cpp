// settingstestutil.cpp - records and texts shared by the boot settings tests.
#include "settingstestutil.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

const std::string kWorkedExample = "[Print]\r\n0\r\n"
                                   "[IPADR]\r\n192.168.0.205\r\n"
                                   "[IPMSK]\r\n255.255.255.0\r\n"
                                   "[GWADR]\r\n192.168.0.1\r\n"
                                   "[PORT]\r\n30000\r\n"
                                   "[PORTSTR]\r\n15000\r\n"
                                   "[PORTCNT]\r\n16\r\n"
                                   "[TCPACT]\r\n8\r\n"
                                   "[TCPLST]\r\n8\r\n"
                                   "[TCPCON]\r\n8\r\n"
                                   "[RCVWB]\r\n8760\r\n"
                                   "[SNDWB]\r\n8760\r\n"
                                   "[UDPCNT]\r\n8\r\n"
                                   "[UDPDGM]\r\n1472\r\n"
                                   "[UDPQUE]\r\n9\r\n";

NetworkSettings DefaultRecord() {
    NetworkSettings settings;
    ApplyDefaultSettings(settings);
    return settings;
}

NetworkSettings AllFlagsRecord() {
    NetworkSettings settings = DefaultRecord();
    for (int k = 0; k < kSectionCount; ++k)
        settings.*kSectionFields[k].flag = 1;
    return settings;
}

std::string FormatText(const NetworkSettings& settings) {
    CRZScript script;
    char buffer[CRZScript::kTextBufferSize];
    const int length = script.FormatSettings(settings, buffer);
    return std::string(buffer, static_cast<size_t>(length));
}

NetworkSettings ParseText(const std::string& text) {
    CRZScript script;
    NetworkSettings settings = DefaultRecord();
    script.ParseSettings(text.data(), static_cast<int>(text.size()), settings);
    return settings;
}

int32_t SectionFlag(const NetworkSettings& settings, int section) {
    return settings.*kSectionFields[section].flag;
}

std::string SectionValue(const NetworkSettings& settings, int section) {
    const SectionFields& fields = kSectionFields[section];
    if (fields.IsAddress()) {
        const char* text = settings.*fields.text;
        return std::string(text, strnlen(text, 256));
    }
    return std::to_string(settings.*fields.number);
}

void SetSection(NetworkSettings& settings, int section, int32_t flag, const std::string& value) {
    const SectionFields& fields = kSectionFields[section];
    settings.*fields.flag = flag;
    if (fields.IsAddress()) {
        char* text = settings.*fields.text;
        std::memset(text, 0, 256);
        std::memcpy(text, value.data(), value.size() < 255 ? value.size() : 255);
    } else {
        settings.*fields.number = static_cast<int32_t>(std::strtoll(value.c_str(), nullptr, 10));
    }
}

::testing::AssertionResult SameRecord(const NetworkSettings& expected,
                                      const NetworkSettings& actual) {
    std::string differences;
    for (int k = 0; k < kSectionCount; ++k) {
        const int32_t ef = SectionFlag(expected, k);
        const int32_t af = SectionFlag(actual, k);
        const std::string ev = SectionValue(expected, k);
        const std::string av = SectionValue(actual, k);
        if (ef != af || ev != av) {
            differences += std::string(" ") + SectionKeywords[k] + " expected " +
                           std::to_string(ef) + "/" + Escaped(ev) + " got " + std::to_string(af) +
                           "/" + Escaped(av) + ";";
        }
    }
    if (differences.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differences;
}

std::string Escaped(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c >= 0x20 && c < 0x7F)
            out += static_cast<char>(c);
        else {
            char hex[8];
            std::snprintf(hex, sizeof(hex), "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}
