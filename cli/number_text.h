// Strict parsing of the numbers on the command line: digits only, no sign, no overflow.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace duovue {

// A decimal number of at most `max`.
std::optional<uint64_t> parseDecimal(std::string_view text, uint64_t max);
// A 16-bit id in hexadecimal, 1 to 4 digits, with or without "0x".
std::optional<uint16_t> parseHexId(std::string_view text);

}  // namespace duovue
