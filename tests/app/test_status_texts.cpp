#include "StatusTexts.h"

#include "CaptureDecision.h"
#include "CaptureMode.h"
#include "test_segments.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using quorvel::SegmentInfo;

namespace {

constexpr int kCols = 640;
constexpr int kRows = 480;

// Four fingers well inside the view, in range and still; the first lies above the fourth.
std::vector<SegmentInfo> RightHand()
{
    return { MakeSegment(100, 100, 60, 200), MakeSegment(180, 110, 60, 200), MakeSegment(260, 120, 60, 200),
             MakeSegment(340, 130, 60, 200) };
}

std::vector<SegmentInfo> LeftHand()
{
    std::vector<SegmentInfo> hand = RightHand();
    std::swap(hand[0].posY, hand[3].posY);
    return hand;
}

// The right hand with its second finger changed.
std::vector<SegmentInfo> RightHandWith(float distance, float moveZ = 0.0f, int32_t x = 180)
{
    std::vector<SegmentInfo> hand = RightHand();
    hand[1] = MakeSegment(x, 110, 60, 200, distance, 0.0f, 0.0f, moveZ);
    return hand;
}

} // namespace

TEST(StatusTexts, GuidanceNamesTheHandAndTheFirstThingToMend)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<SegmentInfo> tilted = RightHandWith(150.0f);
    tilted[2].distance = 250.0f;
    const std::vector<SegmentInfo> right = RightHand();
    const struct {
        int32_t mode;
        std::vector<SegmentInfo> segments;
        const char* expected;
    } cases[] = {
        { Right4, {}, "Right hand: place the hand over the scanner" },
        { Thumbs2, {}, "Thumbs: place both thumbs over the scanner" },
        { Right4, { right.begin(), right.begin() + 3 }, "Right hand: show all four fingers" },
        { Thumbs2, RightHand(), "Thumbs: show both thumbs and nothing else" },
        { Right4, LeftHand(), "Right hand: use the right hand" },
        { Left4, RightHand(), "Left hand: use the left hand" },
        // 29 px from the border: a green box, but too close to the edge for the capture.
        { Right4, RightHandWith(195.0f, 0.0f, kCols - 29 - 60), "Right hand: move to the centre" },
        { Right4, RightHandWith(150.0f, 25.0f), "Right hand: move away" },
        { Right4, RightHandWith(250.0f), "Right hand: move closer" },
        { Right4, tilted, "Right hand: hold the hand level" },
        { Right4, RightHandWith(195.0f, 25.0f), "Right hand: hold still" },
        { Right4, RightHandWith(nan), "Right hand: hold still" },
        { Right4, RightHand(), "Right hand: ready" },
        { Left4, LeftHand(), "Left hand: ready" },
        { Thumbs2, { MakeSegment(100, 100, 80, 200), MakeSegment(300, 100, 80, 200) }, "Thumbs: ready" },
    };
    const AppSettings settings;
    for (const auto& c : cases) {
        const QString text = CaptureGuidance(c.mode, c.segments, kCols, kRows, settings);
        EXPECT_EQ(text.toStdString(), c.expected);
        EXPECT_EQ(text.endsWith(QStringLiteral(": ready")),
                  CaptureConditionHolds(c.mode, c.segments, kCols, kRows, settings)) << c.expected;
    }
}

TEST(StatusTexts, LinkAndRunSummary)
{
    EXPECT_EQ(LinkText(LinkState::Connecting, QStringLiteral("10.0.0.7"), 60123, {}),
              QStringLiteral("Connecting to 10.0.0.7:60123\u2026"));
    EXPECT_EQ(LinkText(LinkState::Connected, QStringLiteral("::1"), 5, {}), QStringLiteral("Connected to [::1]:5"));
    EXPECT_EQ(LinkText(LinkState::Connected, QStringLiteral("scanner"), 5, QStringLiteral("ADMIN")),
              QStringLiteral("Connected to scanner:5 \u00b7 access level ADMIN"));
    EXPECT_EQ(LinkText(LinkState::NotConnected, QStringLiteral("scanner"), 5, QStringLiteral("ADMIN")),
              QStringLiteral("Not connected"));

    using O = ModeOutcome;
    const struct {
        std::vector<ModeResult> results;
        const char* expected;
    } runs[] = {
        { { { Right4, O::Stored }, { Left4, O::Stored }, { Thumbs2, O::Stored } }, "Stored 3 of 3 modes in /d" },
        { { { Right4, O::Stored }, { Left4, O::Stopped }, { Thumbs2, O::Stopped } },
          "Stored 1 of 3 modes in /d; not stored: 4L, 2T (stopped)" },
        { { { Right4, O::NotCaptured }, { Left4, O::Stored }, { Thumbs2, O::StorageIncomplete } },
          "Stored 1 of 3 modes in /d; not stored: 4R (not captured), 2T (storage incomplete)" },
        { { { Right4, O::NothingToSave }, { Left4, O::NothingToSave }, { Thumbs2, O::NotCaptured } },
          "Stored 0 of 3 modes in /d; not stored: 4R, 4L (no save option on), 2T (not captured)" },
    };
    for (const auto& run : runs) {
        EXPECT_EQ(RunSummary(run.results, QStringLiteral("/d")).toStdString(), run.expected);
    }
}
