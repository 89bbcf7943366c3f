// list (table and JSON), devices and erase, in-process.
#include <cstdlib>
#include <map>
#include <sstream>

#include "cli_fixture.h"

namespace duovue::testing {
namespace {

// A small reader for what list --json prints: an array of flat objects whose values are
// strings or whole numbers. Returns false on anything else.
bool parseJsonObjects(const std::string& text,
                      std::vector<std::map<std::string, std::string>>& out) {
    size_t i = 0;
    const auto skip = [&] {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    };
    const auto expect = [&](char c) {
        skip();
        if (i >= text.size() || text[i] != c) return false;
        ++i;
        return true;
    };
    const auto string = [&](std::string& s) {
        skip();
        if (i >= text.size() || text[i] != '"') return false;
        const size_t end = text.find('"', i + 1);
        if (end == std::string::npos) return false;
        s = text.substr(i + 1, end - i - 1);
        i = end + 1;
        return true;
    };
    if (!expect('[')) return false;
    skip();
    if (i < text.size() && text[i] == ']') return ++i, skip(), i == text.size();
    do {
        if (!expect('{')) return false;
        std::map<std::string, std::string> object;
        do {
            std::string key, value;
            if (!string(key) || !expect(':')) return false;
            skip();
            if (i < text.size() && text[i] == '"') {
                if (!string(value)) return false;
                value = "\"" + value + "\"";
            } else {
                while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
                    value += text[i++];
                }
                if (value.empty()) return false;
            }
            object[key] = value;
        } while (expect(','));
        if (!expect('}')) return false;
        out.push_back(object);
    } while (expect(','));
    if (!expect(']')) return false;
    skip();
    return i == text.size();
}

using StoreCommandsTest = CliTest;

TEST_F(StoreCommandsTest, ListNumbersItemsAsTheThumbnailsDoInTableAndJson) {
    plug();
    const auto& items = cam().storedItems();
    Outcome table = run({"list"});
    ASSERT_EQ(table.status, 0) << table.err;
    std::istringstream lines(table.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "number  kind               size");
    for (size_t i = 0; i < items.size(); ++i) {
        ASSERT_TRUE(std::getline(lines, line));
        std::istringstream fields(line);
        int number = 0;
        std::string kind;
        fields >> number >> kind;
        EXPECT_EQ(number, int(i) + 1);
        EXPECT_EQ(kind, items[i].v8 ? "clip" : "still");
        const std::string size =
            std::to_string(items[i].width) + "x" + std::to_string(items[i].height);
        EXPECT_TRUE(line.ends_with(size)) << line;
    }
    EXPECT_FALSE(std::getline(lines, line));
    EXPECT_LT(cam().counters().bulkBytes, camera::kStoreBytes);  // the table is enough

    const Outcome json = run({"list", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    std::vector<std::map<std::string, std::string>> objects;
    ASSERT_TRUE(parseJsonObjects(json.out, objects)) << json.out;
    ASSERT_EQ(objects.size(), items.size());
    int previousClip = -1, clip = 0, frame = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        auto& o = objects[i];
        EXPECT_EQ(o.size(), 6u);
        EXPECT_EQ(o["number"], std::to_string(i + 1));
        EXPECT_EQ(o["width"], std::to_string(items[i].width));
        EXPECT_EQ(o["height"], std::to_string(items[i].height));
        if (items[i].v8) {
            if (items[i].clip != previousClip) ++clip, frame = 0, previousClip = items[i].clip;
            ++frame;
        }
        EXPECT_EQ(o["kind"], items[i].v8 ? "\"clip\"" : "\"still\"");
        EXPECT_EQ(o["clip"], std::to_string(items[i].v8 ? clip : 0));
        EXPECT_EQ(o["frame"], std::to_string(items[i].v8 ? frame : 0));
        if (items[i].v8) {
            EXPECT_NE(
                table.out.find("clip " + std::to_string(clip) + " frame " + std::to_string(frame)),
                std::string::npos);
        }
    }
    EXPECT_EQ(clip, 3);
}

TEST_F(StoreCommandsTest, ItemsWithoutSamplesAreNotImagesEmptyAndFullStores) {
    plug();
    std::array<uint8_t, camera::kTableBytes> table;
    table.fill(0x70);
    const uint8_t bytes[] = {0x00, 0x10, 0x20, 0x30, 0x40, 0x40};  // two items have no samples
    std::copy(std::begin(bytes), std::end(bytes), table.begin());
    cam().overrideImageTable(table);
    std::vector<std::map<std::string, std::string>> objects;
    Outcome got = run({"list", "--json"});
    ASSERT_EQ(got.status, 0) << got.err;
    ASSERT_TRUE(parseJsonObjects(got.out, objects)) << got.out;
    ASSERT_EQ(objects.size(), 4u);
    EXPECT_EQ(objects[1]["width"], "160");
    EXPECT_EQ(objects[2]["kind"], "\"clip\"");
    EXPECT_EQ(objects[3]["frame"], "2");

    plug(camera::StoreKind::Empty);
    got = run({"list", "--json"});
    EXPECT_EQ(got.status, 0) << got.err;
    EXPECT_EQ(got.out, "[]\n");

    plug(camera::StoreKind::Full);
    objects.clear();
    got = run({"list", "--json"});
    ASSERT_TRUE(parseJsonObjects(got.out, objects));
    EXPECT_EQ(objects.size(), 107u);

    plug().setCorruptImageTable(true);
    got = run({"list"});
    EXPECT_EQ(got.status, 3);
    EXPECT_NE(got.err.find("image table"), std::string::npos) << got.err;
}

TEST_F(StoreCommandsTest, DevicesNamesEachAnsweringCameraAndItsSource) {
    Outcome got = run({"devices"});
    EXPECT_EQ(got.status, 2);
    EXPECT_EQ(got.err, "duovue: no camera answers\n");
    plug(camera::StoreKind::Default, 3);
    plug(camera::StoreKind::Default, 0);
    got = run({"devices"});
    EXPECT_EQ(got.status, 0) << got.err;
    EXPECT_EQ(got.out, "usbscan0 1D5C:0A15 in-process\nusbscan3 1D5C:0A15 in-process\n");
    EXPECT_EQ(run({"--camera", "3", "devices"}).out, "usbscan3 1D5C:0A15 in-process\n");
    EXPECT_EQ(run({"--vendor", "1d5c", "--product", "a16", "devices"}).status, 2);

    // --camera picks the device the command opens; a camera that is not there is not found.
    cam().vanish();
    EXPECT_EQ(run({"--camera", "0", "list"}).status, 2);
    got = run({"--camera", "3", "list"});
    EXPECT_EQ(got.status, 0) << got.err;
    EXPECT_EQ(run({"--vendor", "1D5C", "--product", "0A15", "list"}).status, 0);
    platform::detachUsbDevice(3);
}

TEST_F(StoreCommandsTest, EraseNeedsYesWithoutATerminal) {
    plug();
    Outcome got = run({"erase"}, "y\n");
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.err,
              "duovue: erase asks first, and stdin is not a terminal: give --yes\n"
              "try duovue --help\n");
    EXPECT_GT(cam().countedItems(), 0);
    got = run({"erase", "--yes"});
    EXPECT_EQ(got.status, 0) << got.err;
    EXPECT_EQ(cam().countedItems(), 0);
    EXPECT_EQ(run({"list", "--json"}).out, "[]\n");
}

}  // namespace
}  // namespace duovue::testing
