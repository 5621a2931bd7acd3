// settingsfields.h - the boot settings as the console program names them:
// each section by its keyword without brackets ("IPADR", "PORT"), checked by
// the pages' rules, shown as text or JSON.
#pragma once

#include "settings/networksettings.h"

#include <string>

// The section of a name (any case), -1 when there is none.
int FindSectionByName(const std::string& name);
// "IPADR" for section 1.
std::string SectionName(int section);

// Stores one NAME=VALUE into the record. An empty value removes the section;
// an address is stored as the IP page stores it (its presence by the page's
// rule). "" when stored, else the sentence that names the value and the rule
// it breaks (code page 932). `note`, when given, gets what the user should
// know of a value that was stored otherwise than typed.
std::string ApplySetting(NetworkSettings& settings, const std::string& assignment,
                         std::string* note = nullptr);
// Checks a present section of a record by the same rules; "" when it passes.
std::string CheckSection(const NetworkSettings& settings, int section);
// The TCP connection limit's message, "" when the record keeps to it.
std::string CheckConnectionLimit(const NetworkSettings& settings);

// "NAME=VALUE" lines of all fifteen sections ("NAME=" for an absent one), as
// set takes them back.
std::string SettingsText(const NetworkSettings& settings);
// What a reader of those lines may want to know: the section no page shows.
std::string SettingsNotes();
// {"IPADR": "192.168.0.5", "PORT": 30001, "TCPACT": null, ...}
std::string SettingsJson(const NetworkSettings& settings);
