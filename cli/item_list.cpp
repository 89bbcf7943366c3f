#include "item_list.h"

#include <string>

#include "exit_status.h"
#include "number_text.h"

namespace duovue {

namespace {

[[noreturn]] void bad(std::string_view text, const std::string& why) {
    throw Failure(Exit::Usage, "--items '" + std::string(text) + "': " + why);
}

int itemNumber(std::string_view whole, std::string_view part) {
    const auto value = parseDecimal(part, ItemList::kMaxNumber);
    if (!value || *value == 0) {
        bad(whole, part.empty() ? std::string("an empty entry")
                                : "'" + std::string(part) + "' is not an image number (1 to " +
                                      std::to_string(ItemList::kMaxNumber) + ")");
    }
    return static_cast<int>(*value);
}

}  // namespace

ItemList ItemList::parse(std::string_view text) {
    ItemList list;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        const std::string_view part = text.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        const size_t dash = part.find('-');
        const int first = itemNumber(text, part.substr(0, dash));
        const int last =
            dash == std::string_view::npos ? first : itemNumber(text, part.substr(dash + 1));
        if (last < first) bad(text, "the range " + std::string(part) + " runs backwards");
        for (int n = first; n <= last; ++n) list.set_[n] = true;
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return list;
}

int ItemList::highest() const {
    for (int n = kMaxNumber; n >= 1; --n) {
        if (set_[n]) return n;
    }
    return 0;
}

}  // namespace duovue
