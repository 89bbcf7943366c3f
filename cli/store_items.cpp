#include "store_items.h"

#include <cstdio>

namespace duovue {

std::string itemTable(const std::vector<StoreItem>& items) {
    std::string text = "number  kind               size\n";
    char line[96];
    for (const StoreItem& item : items) {
        char kind[40];
        if (item.isClipFrame()) {
            std::snprintf(kind, sizeof kind, "clip %d frame %d", item.clip, item.frame);
        } else {
            std::snprintf(kind, sizeof kind, "still");
        }
        std::snprintf(line, sizeof line, "%6d  %-17s  %dx%d\n", item.number, kind, item.width,
                      item.height);
        text += line;
    }
    return text;
}

std::string itemJson(const std::vector<StoreItem>& items) {
    std::string text = "[";
    char object[160];
    for (size_t i = 0; i < items.size(); ++i) {
        const StoreItem& item = items[i];
        std::snprintf(object, sizeof object,
                      "%s\n  {\"number\": %d, \"kind\": \"%s\", \"clip\": %d, \"frame\": %d, "
                      "\"width\": %d, \"height\": %d}",
                      i == 0 ? "" : ",", item.number, item.isClipFrame() ? "clip" : "still",
                      item.clip, item.frame, item.width, item.height);
        text += object;
    }
    text += items.empty() ? "]\n" : "\n]\n";
    return text;
}

}  // namespace duovue
