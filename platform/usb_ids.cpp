// Reading the camera list: the variable, the user's file, the system file.
#include "usb_ids.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace platform::detail {
namespace {

std::string_view trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

bool parseHex16(std::string_view text, uint16_t& out) {
    if (text.empty() || text.size() > 4) return false;
    unsigned value = 0;
    for (const char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    out = static_cast<uint16_t>(value);
    return true;
}

// The file's contents, or false when it cannot be read (missing, a folder, no permission).
bool readFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return false;
    out = text.str();
    return true;
}

}  // namespace

bool UsbIdList::contains(uint16_t vendor, uint16_t product) const {
    for (const UsbId& id : ids)
        if (id.vendor == vendor && id.product == product) return true;
    return false;
}

bool parseUsbId(std::string_view text, UsbId& out) {
    text = trim(text);
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) return false;
    UsbId id;
    if (!parseHex16(text.substr(0, colon), id.vendor) ||
        !parseHex16(text.substr(colon + 1), id.product))
        return false;
    out = id;
    return true;
}

UsbIdList parseUsbIdList(std::string_view text, char separator, const std::string& source) {
    UsbIdList list;
    list.source = source;
    int number = 0;
    while (!text.empty()) {
        size_t end = text.find(separator);
        if (end == std::string_view::npos) end = text.size();
        std::string_view entry = text.substr(0, end);
        text.remove_prefix(end < text.size() ? end + 1 : end);
        ++number;
        if (const size_t hash = entry.find('#'); hash != std::string_view::npos)
            entry = entry.substr(0, hash);
        entry = trim(entry);
        if (entry.empty()) continue;
        UsbId id;
        if (!parseUsbId(entry, id)) {
            list.problems.push_back(source + ":" + std::to_string(number) +
                                    ": not a vendor:product pair");
            continue;
        }
        if (!list.contains(id.vendor, id.product)) list.ids.push_back(id);
    }
    return list;
}

UsbIdList loadUsbIdList(const char* systemPath) {
    if (const char* variable = std::getenv("DUOVUE_USB_IDS"))
        return parseUsbIdList(variable, ',', "DUOVUE_USB_IDS");
    std::string userPath;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (config != nullptr && config[0] == '/')
        userPath = std::string(config) + "/duovue/usb-ids";
    else if (home != nullptr && home[0] == '/')
        userPath = std::string(home) + "/.config/duovue/usb-ids";
    std::string text;
    if (!userPath.empty() && readFile(userPath, text)) return parseUsbIdList(text, '\n', userPath);
    if (systemPath != nullptr && readFile(systemPath, text))
        return parseUsbIdList(text, '\n', systemPath);
    return {};
}

}  // namespace platform::detail
