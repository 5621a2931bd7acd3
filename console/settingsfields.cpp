// settingsfields.cpp - naming, checking and showing the boot settings.
#include "console/settingsfields.h"

#include "console/consoletext.h"
#include "settings/addressrules.h"
#include "settings/settingrules.h"
#include "settings/settingssections.h"

#include <cctype>
#include <cstring>

namespace {

constexpr long long kBeyond = 1LL << 40; // any magnitude past every range

// Whole decimal numbers only: an optional minus and digits, nothing else.
// Leading zeros are fine; a number too long to hold reads as one beyond
// every range, so that it is refused as out of range, not as no number.
bool ReadInteger(const std::string& text, long long& value) {
    size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
    if (i == text.size())
        return false;
    value = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
        if (value < kBeyond)
            value = value * 10 + (text[i] - '0');
    }
    if (text[0] == '-')
        value = -value;
    return true;
}

// Four numbers from 0 to 255 between dots.
bool ReadOctets(const std::string& text, Octets& octets) {
    BYTE parts[4] = {};
    size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const size_t end = i < 3 ? text.find('.', start) : text.size();
        long long value = 0;
        if (end == std::string::npos || end - start > 3 ||
            !ReadInteger(text.substr(start, end - start), value) || value < 0 || value > 255 ||
            text[start] == '-')
            return false;
        parts[i] = static_cast<BYTE>(value);
        start = end + 1;
    }
    octets = {parts[0], parts[1], parts[2], parts[3]};
    return true;
}

const AddressRule& AddressRuleOf(int section) {
    if (section == 2)
        return AddressRule::SubnetMask();
    if (section == 3)
        return AddressRule::Gateway();
    return AddressRule::IpAddress();
}

std::string RangeMessage(const std::string& name, const std::string& value,
                         const NumericRule& rule) {
    return name + "=" + value + ": " + std::to_string(rule.lower) + "～" +
           std::to_string(rule.upper) + " の整数を指定してください。";
}

std::string ValueText(const NetworkSettings& settings, int section) {
    const SectionFields& fields = kSectionFields[section];
    if (fields.IsAddress())
        return settings.*(fields.text);
    return std::to_string(settings.*(fields.number));
}

} // namespace

int FindSectionByName(const std::string& name) {
    for (int section = 0; section < kSectionCount; ++section) {
        const std::string keyword = SectionName(section);
        if (keyword.size() == name.size() &&
            _strnicmp(keyword.c_str(), name.c_str(), name.size()) == 0)
            return section;
    }
    return -1;
}

std::string SectionName(int section) {
    const std::string keyword = SectionKeywords[section];
    return keyword.substr(1, keyword.size() - 2);
}

std::string ApplySetting(NetworkSettings& settings, const std::string& assignment,
                         std::string* note) {
    const size_t equals = assignment.find('=');
    if (equals == std::string::npos || equals == 0)
        return assignment + ": NAME=VALUE の形で指定してください。";
    const std::string name = assignment.substr(0, equals);
    const std::string value = assignment.substr(equals + 1);
    const int section = FindSectionByName(name);
    if (section < 0)
        return name + ": そのような設定はありません。";
    const SectionFields& fields = kSectionFields[section];
    if (value.empty()) {
        settings.*(fields.flag) = 0;
        return "";
    }
    if (fields.IsAddress()) {
        Octets octets = {};
        if (!ReadOctets(value, octets))
            return name + "=" + value +
                   ": アドレスは 0～255 の数 4 つを . で区切って指定してください。";
        settings.*(fields.flag) = AddressRuleOf(section).PresenceFlag(octets);
        FormatAddress(octets, settings.*(fields.text), sizeof(settings.*(fields.text)));
        if (settings.*(fields.flag) == 0 && note != nullptr)
            *note = name + "=" + value + ": このアドレスは設定なしとして扱われるため、" + name +
                    " の設定を削除します。";
        return "";
    }
    long long number = 0;
    const NumericRule* rule = FindNumericRule(section);
    if (!ReadInteger(value, number))
        return name + "=" + value + ": 整数を指定してください。";
    if (rule != nullptr && !rule->Allows(number))
        return RangeMessage(name, value, *rule);
    if (number < INT32_MIN || number > INT32_MAX)
        return name + "=" + value + ": " + std::to_string(INT32_MIN) + "～" +
               std::to_string(INT32_MAX) + " の整数を指定してください。";
    settings.*(fields.flag) = 1;
    settings.*(fields.number) = static_cast<int32_t>(number);
    return "";
}

std::string CheckSection(const NetworkSettings& settings, int section) {
    const SectionFields& fields = kSectionFields[section];
    if (settings.*(fields.flag) == 0)
        return "";
    NetworkSettings probe = settings;
    return ApplySetting(probe, SectionName(section) + "=" + ValueText(settings, section));
}

std::string CheckConnectionLimit(const NetworkSettings& settings) {
    return ExceedsConnectionLimit(settings) ? "(TCPACT+TCPCON)が32を超えています。" : "";
}

std::string SettingsText(const NetworkSettings& settings) {
    std::string text;
    for (int section = 0; section < kSectionCount; ++section) {
        text += SectionName(section) + "=";
        if (settings.*(kSectionFields[section].flag) != 0)
            text += ValueText(settings, section);
        text += "\n";
    }
    return text;
}

std::string SettingsNotes() {
    return SectionName(0) + ": ページにない設定です。\n";
}

std::string SettingsJson(const NetworkSettings& settings) {
    std::string json = "{";
    for (int section = 0; section < kSectionCount; ++section) {
        const SectionFields& fields = kSectionFields[section];
        json += section == 0 ? "\n  \"" : ",\n  \"";
        json += SectionName(section) + "\": ";
        if (settings.*(fields.flag) == 0) {
            json += "null";
        } else if (fields.IsAddress()) {
            json += "\"";
            for (char c : Utf8FromSystemText(settings.*(fields.text))) {
                if (c == '"' || c == '\\')
                    json += '\\';
                if (static_cast<unsigned char>(c) >= 0x20)
                    json += c;
            }
            json += "\"";
        } else {
            json += std::to_string(settings.*(fields.number));
        }
    }
    return json + "\n}\n";
}
