// The library publishes exactly its interface: every defined dynamic symbol is a known export.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#ifndef ZENTHUE_LIBRARY_PATH
#error "ZENTHUE_LIBRARY_PATH must name the built library"
#endif

TEST(Exports, OnlyTheLibraryInterfaceIsVisible) {
    // The library's published interface; the first nine are the engine's.
    const std::vector<std::string> exports = {
        "GetDllVersion",      "SetImageFormat",   "SetImgBuffer",
        "GetImageHandle",     "SetColorGain",     "GetColorGain",
        "CalcuGammaTbl",      "GetRawColorFrame", "GetFineRawColorFrame",
        "GetRawColor12Frame", "GetDsp12Frame",    "GetDspColorFrame",
        "GetYFrame",          "Rescalimg",        "DoubleImg",
        "FineEnlargeImg",     "SharpenImg",       "DoMedianFilter",
        "MedianFilter5X5",    "StretchImg",       "ColorEnhance",
        "CutBadPixel"};
    const std::set<std::string> interface(exports.begin(), exports.end());

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
    for (int i = 0; i < 9; ++i) EXPECT_TRUE(defined.count(exports[i])) << "missing " << exports[i];
}
