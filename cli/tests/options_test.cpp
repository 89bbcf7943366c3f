// The command line: every command's options, the two value forms, --help and --version, and a
// one-line reason for each kind of bad line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exit_status.h"
#include "options.h"

namespace duovue {
namespace {

Options parse(const std::vector<const char*>& args) {
    std::vector<const char*> argv{"duovue"};
    argv.insert(argv.end(), args.begin(), args.end());
    return parseCommandLine(static_cast<int>(argv.size()), argv.data());
}

// The reason of the usage error the line gives ("" when it parses).
std::string usageReason(const std::vector<const char*>& args) {
    try {
        parse(args);
    } catch (const Failure& f) {
        EXPECT_EQ(f.status(), Exit::Usage);
        return f.what();
    }
    return "";
}

TEST(CommandLine, EveryOptionOfGetInBothValueForms) {
    const Options o = parse({"--camera", "3", "get", "--dir=/tmp/x", "--format", "bmp", "--gray",
                             "--items", "1,3,5-7", "--clips=none", "--skip-existing", "--quiet"});
    EXPECT_EQ(o.command, Command::Get);
    EXPECT_EQ(o.camera, 3);
    EXPECT_EQ(o.dir, "/tmp/x");
    EXPECT_EQ(o.format, PictureFormat::Bmp);
    EXPECT_TRUE(o.gray);
    ASSERT_TRUE(o.items);
    for (int n : {1, 3, 5, 6, 7}) EXPECT_TRUE(o.items->contains(n)) << n;
    for (int n : {0, 2, 4, 8, 1000}) EXPECT_FALSE(o.items->contains(n)) << n;
    EXPECT_EQ(o.items->highest(), 7);
    EXPECT_FALSE(o.clips);
    EXPECT_EQ(o.overwrite, Overwrite::SkipExisting);
    EXPECT_TRUE(o.quiet);

    // Defaults, and global options after the command.
    const Options d = parse({"get", "--vendor", "1d5c", "--product=0x0A15", "--force"});
    EXPECT_EQ(d.dir, ".");
    EXPECT_EQ(d.format, PictureFormat::Png);
    EXPECT_TRUE(d.clips);
    EXPECT_FALSE(d.items);
    EXPECT_EQ(d.camera, -1);
    EXPECT_EQ(*d.vendorId, 0x1D5C);
    EXPECT_EQ(*d.productId, 0x0A15);
    EXPECT_EQ(d.overwrite, Overwrite::Force);
}

TEST(CommandLine, LiveCommandsListAndErase) {
    const Options snap = parse({"snap", "--size", "160x120", "-o", "a/b.bmp"});
    EXPECT_EQ(snap.size.width, 160);
    EXPECT_EQ(snap.size.height, 120);
    EXPECT_EQ(snap.output, "a/b.bmp");
    EXPECT_EQ(parse({"snap"}).output, "duovue-snap.png");

    const Options stream = parse({"stream", "--fps", "1000", "--frames", "30"});
    EXPECT_EQ(stream.size.width, 320);
    EXPECT_EQ(stream.fps, 1000);
    EXPECT_EQ(*stream.frames, 30u);
    EXPECT_EQ(parse({"stream"}).fps, 15);
    EXPECT_FALSE(parse({"stream"}).frames);

    EXPECT_TRUE(parse({"list", "--json"}).json);
    EXPECT_TRUE(parse({"erase", "--yes"}).yes);
    EXPECT_EQ(parse({"devices"}).command, Command::Devices);
}

TEST(CommandLine, WebcamTakesSizeRateNameAndWait) {
    const Options o =
        parse({"webcam", "--size", "160x120", "--fps=30", "--name", "Desk camera", "--wait"});
    EXPECT_EQ(o.command, Command::Webcam);
    EXPECT_EQ(o.size.width, 160);
    EXPECT_EQ(o.fps, 30);
    EXPECT_EQ(o.name, "Desk camera");
    EXPECT_TRUE(o.wait);

    const Options d = parse({"webcam"});
    EXPECT_EQ(d.size.width, 320);
    EXPECT_EQ(d.fps, 15);
    EXPECT_EQ(d.name, "Duovue");
    EXPECT_FALSE(d.wait);

    EXPECT_EQ(usageReason({"webcam", "--name="}), "--name needs a text");
    EXPECT_EQ(usageReason({"webcam", "--frames", "3"}), "'--frames' is not an option of webcam");
    EXPECT_EQ(usageReason({"stream", "--wait"}), "'--wait' is not an option of stream");
}

TEST(CommandLine, HelpAndVersionEndTheReadingWhereTheyStand) {
    Options o = parse({"get", "--help", "--no-such-option"});
    EXPECT_TRUE(o.help);
    EXPECT_EQ(o.command, Command::Get);
    o = parse({"--help"});
    EXPECT_TRUE(o.help);
    EXPECT_EQ(o.command, Command::None);
    EXPECT_TRUE(parse({"--version"}).version);

    const std::string all = helpText(Command::None);
    for (const char* command : {"devices", "list", "get", "erase", "snap", "stream", "130"}) {
        EXPECT_NE(all.find(command), std::string::npos) << command;
    }
    const std::string get = helpText(Command::Get);
    EXPECT_NE(get.find("--skip-existing"), std::string::npos);
    EXPECT_EQ(get.find("stream ["), std::string::npos);
}

TEST(CommandLine, EachBadLineGivesItsReason) {
    const std::vector<std::pair<std::vector<const char*>, const char*>> cases{
        {{}, "no command given"},
        {{"fetch"}, "unknown command 'fetch'"},
        {{"get", "--colour"}, "unknown option '--colour'"},
        {{"list", "--yes"}, "'--yes' is not an option of list"},
        {{"--json", "list"}, "'--json' belongs after a command"},
        {{"get", "list"}, "unexpected 'list' after get"},
        {{"get", "--dir"}, "--dir needs a value"},
        {{"list", "--json=yes"}, "--json takes no value"},
        {{"snap", "--size", "640x480"}, "--size must be 160x120 or 320x240"},
        {{"stream", "--fps", "0"}, "--fps needs a whole number from 1 to 1000"},
        {{"stream", "--fps", "1001"}, "--fps needs a whole number from 1 to 1000"},
        {{"stream", "--frames", "-5"}, "--frames needs a whole number"},
        {{"stream", "--fps", "12x"}, "--fps needs a whole number"},
        {{"--camera", "127", "list"}, "--camera needs a device number from 0 to 126"},
        {{"--vendor", "1d5c", "list"}, "--vendor needs --product as well"},
        {{"--product", "0a15", "list"}, "--product needs --vendor as well"},
        {{"--vendor", "12345", "--product", "1", "list"}, "--vendor needs a hexadecimal id"},
        {{"get", "--skip-existing", "--force"}, "--skip-existing and --force exclude each other"},
        {{"get", "--format", "jpg"}, "--format must be png or bmp"},
        {{"get", "--clips", "mp4"}, "--clips must be avi or none"},
        {{"get", "--items", "3-1"}, "runs backwards"},
    };
    for (const auto& [args, reason] : cases) {
        const std::string got = usageReason(args);
        EXPECT_NE(got.find(reason), std::string::npos) << "got: " << got;
        EXPECT_EQ(got.find('\n'), std::string::npos) << got;  // one line
    }
}

TEST(ItemList, RejectsWhatIsNotAListOfImageNumbers) {
    for (const char* text : {"", "0", "1,,2", ",1", "1,", "1-", "-3", "a", "1000", "1 ,2", "2-1",
                             "1-2-3", "+1", "99999999999999999999"}) {
        EXPECT_THROW(ItemList::parse(text), Failure) << text;
    }
    const ItemList all = ItemList::parse("999,1-3,2");
    EXPECT_TRUE(all.contains(999));
    EXPECT_TRUE(all.contains(2));
    EXPECT_FALSE(all.contains(4));
    EXPECT_EQ(all.highest(), 999);
}

}  // namespace
}  // namespace duovue
