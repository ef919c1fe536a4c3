// The simulator's command line.
#include "SimOptions.h"

#include <gtest/gtest.h>

namespace {
using ondrel::sim::HostileKind;
using ondrel::sim::ParseOptions;
using quorvel::tcp::MessageType;

TEST(SimOptions, EveryOptionIsAcceptedInBothForms)
{
    const auto parsed = ParseOptions({ "--host", "0.0.0.0", "--port=0", "--width", "4000", "--height=3000",
        "--settle-ms", "50", "--raw-images", "10", "--keys", "/k", "--firmware-dir=/fw", "--prepared-frame",
        "--verbose", "--delay-ms", "20", "--silent", "--first-type", "6", "--extra-after-connect", "--close-after=3",
        "--close-mid-body", "--error-type", "100,128", "--error-type", "402", "--stall-after", "2", "--hostile",
        "bad-rect" });
    ASSERT_EQ(parsed.error, "");
    const auto& o = parsed.options;
    EXPECT_EQ(o.host, "0.0.0.0");
    EXPECT_EQ(o.port, 0);
    EXPECT_EQ(o.width, 4000);
    EXPECT_EQ(o.height, 3000);
    EXPECT_EQ(o.settleMs, 50u);
    EXPECT_EQ(o.rawImageCount, 10u);
    EXPECT_EQ(o.keysDir, "/k");
    EXPECT_EQ(o.firmwareDir, "/fw");
    EXPECT_TRUE(o.preparedFrame);
    EXPECT_TRUE(o.verbose);
    EXPECT_EQ(o.faults.delayMs, 20u);
    EXPECT_TRUE(o.faults.silent);
    EXPECT_EQ(o.faults.firstType, 6u);
    EXPECT_TRUE(o.faults.extraAfterConnect);
    EXPECT_EQ(o.faults.closeAfter, 3u);
    EXPECT_TRUE(o.faults.closeMidBody);
    EXPECT_EQ(o.faults.errorTypes,
        (std::set<MessageType> { MessageType::START_CAPTURE_MODE, MessageType::CAPTURE, MessageType::PLAY_SOUND }));
    EXPECT_EQ(o.faults.QuietAfter(), 2u);
    EXPECT_EQ(o.faults.hostile, HostileKind::BadRect);
}

TEST(SimOptions, RejectsWhatItCannotServe)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>> {
             { "--frobnicate" },
             { "--port", "65536" },
             { "--port", "-1" },
             { "--width", "100" },        // no room for a hand 30 px inside the borders
             { "--height", "100000" },
             { "--settle-ms", "soon" },
             { "--delay-ms" },            // value missing
             { "--hostile", "rude" },
             { "--error-type", "100,,128" },
             { "--error-type", "" },
             { "--raw-images", "0" },
             { "--silent=yes" },          // flags take no value
             { "--host", "" },
         }) {
        const auto parsed = ParseOptions(args);
        EXPECT_NE(parsed.error, "") << args[0];
    }
}

} // namespace
