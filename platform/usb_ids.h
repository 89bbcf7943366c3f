// The list of cameras the libusb backend may open: vendor:product pairs from DUOVUE_USB_IDS,
// else $XDG_CONFIG_HOME/duovue/usb-ids, else the system file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::detail {

struct UsbId {
    uint16_t vendor = 0;
    uint16_t product = 0;
    friend bool operator==(const UsbId&, const UsbId&) = default;
};

// Where a list came from and what it holds; `problems` has one "<source>:<n>: <what>" line
// for each entry that was skipped.
struct UsbIdList {
    std::string source;  // "DUOVUE_USB_IDS", a file's path, or "" when no list exists
    std::vector<UsbId> ids;
    std::vector<std::string> problems;
    bool contains(uint16_t vendor, uint16_t product) const;
};

// One "vvvv:pppp" pair (1 to 4 hex digits each side, surrounding blanks ignored).
bool parseUsbId(std::string_view text, UsbId& out);

// Entries separated by `separator` (',' for the variable, '\n' for a file); '#' starts a
// comment that runs to the end of the line; blank entries are ignored.
UsbIdList parseUsbIdList(std::string_view text, char separator, const std::string& source);

// The system-wide list, installed with the package.
inline constexpr const char* kSystemUsbIdsPath = "/etc/duovue/usb-ids";

// The list in effect now. `systemPath` is the last place looked at (tests point it elsewhere).
UsbIdList loadUsbIdList(const char* systemPath = kSystemUsbIdsPath);

}  // namespace platform::detail
