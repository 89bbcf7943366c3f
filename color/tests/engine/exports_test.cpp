// The library publishes exactly its interface: every defined dynamic symbol is a known export.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#ifndef ZENTHUE_LIBRARY_PATH
#error "ZENTHUE_LIBRARY_PATH must name the built library"
#endif

TEST(Exports, OnlyTheLibraryInterfaceIsVisible) {
    const std::set<std::string> interface = {
        "GetDllVersion",      "SetImageFormat",   "SetImgBuffer",
        "GetImageHandle",     "GetRawColorFrame", "GetFineRawColorFrame",
        "GetRawColor12Frame", "GetDsp12Frame",    "GetDspColorFrame",
        "GetYFrame",          "SetColorGain",     "GetColorGain",
        "CalcuGammaTbl",      "Rescalimg",        "DoubleImg",
        "FineEnlargeImg",     "SharpenImg",       "DoMedianFilter",
        "MedianFilter5X5",    "StretchImg",       "ColorEnhance",
        "CutBadPixel"};
    ASSERT_EQ(interface.size(), 22u);

    const std::string command =
        std::string("nm -D --defined-only '") + ZENTHUE_LIBRARY_PATH + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    std::array<char, 512> buffer{};
    while (fgets(buffer.data(), buffer.size(), pipe) != nullptr) output += buffer.data();
    ASSERT_EQ(pclose(pipe), 0) << output;

    std::set<std::string> defined;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string address, kind, name;
        fields >> address >> kind >> name;
        if (name.empty()) continue;
        EXPECT_TRUE(interface.count(name)) << "unexpected symbol " << name << " (" << kind << ")";
        defined.insert(name);
    }
    for (const char* mine :
         {"GetDllVersion", "SetImageFormat", "SetImgBuffer", "GetImageHandle", "SetColorGain",
          "GetColorGain", "CalcuGammaTbl", "GetRawColorFrame", "GetFineRawColorFrame"}) {
        EXPECT_TRUE(defined.count(mine)) << "missing export " << mine;
    }
}
