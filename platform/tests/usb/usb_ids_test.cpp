// Parsing the list of cameras and choosing where it comes from.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "usb_ids.h"

namespace {

using platform::detail::loadUsbIdList;
using platform::detail::parseUsbIdList;
using platform::detail::UsbId;
namespace fs = std::filesystem;

TEST(UsbIds, PairsCommentsBlanksAndMalformedEntries) {
    const auto list = parseUsbIdList(
        "1d5c:0a15\n# comment\n\n  1D5C:A16 # trailing comment\r\n1d5c0a15\n1d5c:\n:0a15\n"
        "12345:0001\n1d5c:0a15\nzz:00\n1d5c:0a15:1\n",
        '\n', "ids");
    EXPECT_EQ(list.ids, (std::vector<UsbId>{{0x1D5C, 0x0A15}, {0x1D5C, 0x0A16}}));
    EXPECT_EQ(list.problems, (std::vector<std::string>{
                                 "ids:5: not a vendor:product pair",
                                 "ids:6: not a vendor:product pair",
                                 "ids:7: not a vendor:product pair",
                                 "ids:8: not a vendor:product pair",
                                 "ids:10: not a vendor:product pair",
                                 "ids:11: not a vendor:product pair",
                             }));
    EXPECT_TRUE(list.contains(0x1D5C, 0x0A16));
    EXPECT_FALSE(list.contains(0x0A16, 0x1D5C));
    const auto variable = parseUsbIdList("1d5c:0a15, ,bad,0001:0002", ',', "DUOVUE_USB_IDS");
    EXPECT_EQ(variable.ids, (std::vector<UsbId>{{0x1D5C, 0x0A15}, {0x0001, 0x0002}}));
    EXPECT_EQ(variable.problems,
              (std::vector<std::string>{"DUOVUE_USB_IDS:3: not a vendor:product pair"}));
}

TEST(UsbIds, TheVariableThenTheUsersFileThenTheSystemFile) {
    char pattern[] = "/tmp/usb-ids-test-XXXXXX";
    const fs::path dir = mkdtemp(pattern);
    const fs::path system = dir / "system-ids";
    std::ofstream(system) << "0001:0001\n";
    fs::create_directories(dir / "config/duovue");
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    setenv("DUOVUE_USB_IDS", "0003:0003", 1);

    EXPECT_EQ(loadUsbIdList(system.c_str()).source, "DUOVUE_USB_IDS");
    setenv("DUOVUE_USB_IDS", "", 1);  // set but empty: no camera at all
    EXPECT_TRUE(loadUsbIdList(system.c_str()).ids.empty());
    unsetenv("DUOVUE_USB_IDS");
    EXPECT_EQ(loadUsbIdList(system.c_str()).ids, (std::vector<UsbId>{{1, 1}}));
    std::ofstream(dir / "config/duovue/usb-ids") << "0002:0002\n";
    const auto user = loadUsbIdList(system.c_str());
    EXPECT_EQ(user.source, (dir / "config/duovue/usb-ids").string());
    EXPECT_EQ(user.ids, (std::vector<UsbId>{{2, 2}}));
    fs::remove(dir / "config/duovue/usb-ids");
    fs::remove(system);
    EXPECT_EQ(loadUsbIdList(system.c_str()).source, "");

    unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(dir);
}

}  // namespace
