// addressrules.h - how the IP page shows and stores each of its three
// addresses: the address shown when the setting is absent, the stated
// addresses that cannot serve and are shown as that default instead, and the
// addresses that are stored as absent.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct Octets {
    BYTE a, b, c, d;
    bool operator==(const Octets& other) const {
        return a == other.a && b == other.b && c == other.c && d == other.d;
    }
};

class AddressRule {
public:
    static const AddressRule& IpAddress();
    static const AddressRule& SubnetMask();
    static const AddressRule& Gateway();

    const Octets& Default() const { return m_default; }
    // What the control shows for a stated address.
    Octets Shown(const Octets& stated) const;
    // The presence flag to store for the control's address: 0 or 1.
    int32_t PresenceFlag(const Octets& entered) const;

private:
    static constexpr size_t kMaxListed = 3;
    struct List {
        size_t count;
        Octets items[kMaxListed];
        bool Contains(const Octets& o) const;
    };
    AddressRule(Octets def, List replaced, List absent)
        : m_default(def), m_replacedOnDisplay(replaced), m_storedAsAbsent(absent) {}

    Octets m_default;
    List m_replacedOnDisplay;
    List m_storedAsAbsent;
};

// "%d.%d.%d.%d" of the four octets into a text field of `size` bytes.
void FormatAddress(const Octets& octets, char* text, size_t size);
