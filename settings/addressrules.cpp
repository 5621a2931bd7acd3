// addressrules.cpp - the IP page's address rules.
#include "settings/addressrules.h"

#include <cstdio>

namespace {
constexpr Octets kAny = {0, 0, 0, 0};
constexpr Octets kBroadcast = {255, 255, 255, 255};
} // namespace

bool AddressRule::List::Contains(const Octets& o) const {
    for (size_t i = 0; i < count; ++i) {
        if (items[i] == o)
            return true;
    }
    return false;
}

const AddressRule& AddressRule::IpAddress() {
    static const AddressRule rule({192, 168, 0, 205}, {2, {kAny, kBroadcast}},
                                  {3, {kAny, kBroadcast, {192, 168, 0, 205}}});
    return rule;
}

const AddressRule& AddressRule::SubnetMask() {
    static const AddressRule rule({255, 255, 255, 0}, {2, {{255, 255, 255, 254}, kBroadcast}},
                                  {3, {{255, 255, 255, 0}, {255, 255, 255, 254}, kBroadcast}});
    return rule;
}

const AddressRule& AddressRule::Gateway() {
    static const AddressRule rule({192, 168, 0, 1}, {1, {kBroadcast}},
                                  {2, {kBroadcast, {192, 168, 0, 1}}});
    return rule;
}

Octets AddressRule::Shown(const Octets& stated) const {
    return m_replacedOnDisplay.Contains(stated) ? m_default : stated;
}

int32_t AddressRule::PresenceFlag(const Octets& entered) const {
    return m_storedAsAbsent.Contains(entered) ? 0 : 1;
}

void FormatAddress(const Octets& octets, char* text, size_t size) {
    std::snprintf(text, size, "%d.%d.%d.%d", static_cast<int>(octets.a), static_cast<int>(octets.b),
                  static_cast<int>(octets.c), static_cast<int>(octets.d));
}
