// The review of a run: a generated run directory read back into tiles, shown side by side in
// the image view of a 1280 x 720 window with scores, outcomes and retake buttons; and the
// finger marks dialog's round trip.
#include "AtomicFile.h"
#include "CaptureMode.h"
#include "DialogFingerMarks.h"
#include "QualityRecord.h"
#include "RunRecord.h"
#include "RunReview.h"
#include "RunReviewData.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <tuple>

namespace {

// 4R captured on its second attempt and scored, finger 3 amputated and finger 4 below 40;
// 4L forced, only its preview and SegmentInfos.ini stored, finger 7 unable to print;
// 2T not reached.
class RunDirectory {
public:
    RunDirectory()
    {
        RunRecord record;
        record.version = "0.3.0";
        record.person = "P-17";
        for (const auto& [mode, outcome, attempts] : { std::tuple{ Right4, CaptureOutcome::Captured, 2 },
                                                       { Left4, CaptureOutcome::Forced, 1 },
                                                       { Thumbs2, CaptureOutcome::NotReached, 0 } }) {
            ModeRunRecord modeRecord;
            modeRecord.mode = mode;
            modeRecord.outcome = outcome;
            modeRecord.attempts = attempts;
            record.modes.push_back(modeRecord);
        }
        Write("run.ini", RunIniBytes(record));
        Write("fingers.ini", FingersIniBytes({ { 3, FingerMark::Amputated }, { 7, FingerMark::UnableToPrint } }));
        Image("4R/final.png");
        Write("4R/quality.ini", QualityIniBytes({ { 2, 40, 100, 60, 90, 71 }, { 4, 200, 110, 60, 90, 23 }, { 5, 300, 150, 50, 80, 80 } }));
        Image("4L/preview.png");
        QByteArray infos = "[General]\nSegments=4\n";
        for (int i = 0; i < 4; ++i) {
            infos += QStringLiteral("[Segment%1]\nposX=%2\nposY=%3\nwidth=60\nheight=90\ndistance=195\nmoveX=0\nmoveY=0\nmoveZ=0\n")
                         .arg(i)
                         .arg(40 + 80 * i)
                         .arg(150 - 10 * i)
                         .toUtf8();
        }
        Write("4L/SegmentInfos.ini", infos);
    }
    QString Path() const { return dir.path(); }
    void Write(const QString& name, const QByteArray& bytes) const
    {
        ASSERT_TRUE(QDir(dir.path()).mkpath(QFileInfo(name).path()));
        ASSERT_TRUE(WriteFileAtomically(dir.filePath(name), bytes));
    }

private:
    void Image(const QString& name) const
    {
        ASSERT_TRUE(QDir(dir.path()).mkpath(QFileInfo(name).path()));
        ASSERT_TRUE(cv::imwrite(dir.filePath(name).toStdString(), cv::Mat(320, 400, CV_8UC1, cv::Scalar(120))));
    }
    QTemporaryDir dir;
};

std::vector<std::string> LineTexts(const ReviewTile& tile)
{
    std::vector<std::string> texts;
    for (const ReviewFingerLine& line : ReviewFingerLines(tile, 40)) {
        texts.push_back(line.text.toStdString() + (line.belowMinimum ? " [low]" : ""));
    }
    return texts;
}

TEST(RunReviewData, EachModeShowsItsImageFingersOutcomeAndMarks)
{
    RunDirectory directory;
    const ReviewedRun run = ReadReviewedRun(directory.Path());
    EXPECT_EQ(run.person, "P-17");
    ASSERT_EQ(run.tiles.size(), 3u);
    const ReviewTile& right = run.tiles[0];
    const ReviewTile& left = run.tiles[1];
    const ReviewTile& thumbs = run.tiles[2];
    EXPECT_EQ(std::make_tuple(right.mode, left.mode, thumbs.mode), std::make_tuple(Right4, Left4, Thumbs2));
    EXPECT_EQ(right.storedSize, cv::Size(400, 320));
    EXPECT_EQ(right.image.type(), CV_8UC3);
    EXPECT_EQ(right.fingers[1].box, cv::Rect(200, 110, 60, 90));
    EXPECT_EQ(LineTexts(right),
              (std::vector<std::string>{ "2 right index: 71", "3 right middle: amputated (XX)", "4 right ring: 23, below 40 [low]",
                                         "5 right little: 80" }));
    // Without scores the positions follow the count and the marks: all four, 7 held out.
    EXPECT_EQ(LineTexts(left),
              (std::vector<std::string>{ "10 left little: not scored", "9 left ring: not scored", "8 left middle: not scored",
                                         "7 left index: not scored (UP)" }));
    EXPECT_TRUE(thumbs.image.empty() && thumbs.fingers.empty());
    EXPECT_EQ(ReviewOutcomeText(right), QStringLiteral("captured \u00b7 2 attempts"));
    EXPECT_EQ(ReviewOutcomeText(left), QStringLiteral("forced \u00b7 preview only"));
    EXPECT_EQ(ReviewOutcomeText(thumbs), QStringLiteral("not reached"));
    EXPECT_TRUE(TileWasCaptured(right) && TileWasCaptured(left) && !TileWasCaptured(thumbs));
    EXPECT_TRUE(right.problems.isEmpty() && left.problems.isEmpty() && run.problems.isEmpty());

    // Files that are there but broken are named; a final image that cannot be read gives way
    // to the preview, a quality.ini to SegmentInfos.ini, whose fingers then have no score.
    directory.Write("run.ini", "no groups");
    directory.Write("4L/final.png", "not a png");
    directory.Write("4L/quality.ini", "[Segment0]\nposition=two\n");
    directory.Write("2T/SegmentInfos.ini", "[General]\nSegments=1\n");
    const ReviewedRun broken = ReadReviewedRun(directory.Path());
    EXPECT_EQ(broken.problems, QStringList{ "run.ini is unreadable" });
    EXPECT_EQ(broken.tiles[1].problems, (QStringList{ "final.png is no readable image", "quality.ini is unreadable" }));
    EXPECT_TRUE(broken.tiles[1].previewOnly && !broken.tiles[1].image.empty());
    EXPECT_EQ(broken.tiles[1].fingers.size(), 4u);
    EXPECT_EQ(broken.tiles[2].problems, QStringList{ "SegmentInfos.ini is unreadable" });
    EXPECT_EQ(ReviewOutcomeText(broken.tiles[0]), QStringLiteral("outcome unknown"));
}

template <typename T> T* Child(const QWidget& parent, const QString& name) { return parent.findChild<T*>(name); }

// Pixels of exactly this colour in part of an image.
int CountColour(const QImage& image, const QRect& part, QRgb colour)
{
    int count = 0;
    for (int y = part.top(); y <= part.bottom(); ++y) {
        for (int x = part.left(); x <= part.right(); ++x) {
            count += (image.pixel(x, y) & 0xffffffu) == (colour & 0xffffffu) ? 1 : 0;
        }
    }
    return count;
}

TEST(RunReview, ThreeTilesWithScoresAndOutcomesFitTheImageViewAndAskForARetake)
{
    RunDirectory directory;
    RunReview review;
    std::vector<int32_t> asked;
    QObject::connect(&review, &RunReview::retakeRequested, [&asked](int32_t mode) { asked.push_back(mode); });
    // The image view of a 1280 x 720 window.
    EXPECT_LE(review.minimumSizeHint().width(), 1000);
    EXPECT_LE(review.minimumSizeHint().height(), 600);
    review.resize(1000, 600);
    review.ShowRun(directory.Path(), 40);
    review.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&review));

    const auto label = [&](const char* name, const char* mode) { return Child<QLabel>(review, QString(name) + mode)->text(); };
    EXPECT_TRUE(label("lbl_ReviewFingers", "4R").contains("3 right middle: amputated (XX)"));
    EXPECT_TRUE(label("lbl_ReviewFingers", "4R").contains("4 right ring: 23, below 40"));
    EXPECT_EQ(label("lbl_ReviewOutcome", "4L"), QStringLiteral("forced \u00b7 preview only"));
    EXPECT_EQ(label("lbl_ReviewOutcome", "2T"), QStringLiteral("not reached"));
    const std::pair<const char*, const char*> buttons[] = { { "btn_Retake4R", "Retake" },
                                                            { "btn_Retake4L", "Retake" },
                                                            { "btn_Retake2T", "Capture" } };
    for (const auto& [name, text] : buttons) {
        QPushButton* button = Child<QPushButton>(review, name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->text(), text);
        EXPECT_TRUE(button->isVisible() && button->isEnabled()) << name;
        EXPECT_TRUE(review.rect().contains(QRect(button->mapTo(&review, QPoint(0, 0)), button->size()))) << name;
    }
    // The 4R tile draws the low finger's box red and the others green.
    const QImage shown = review.grab().toImage();
    const QRect rightTile(0, 0, shown.width() / 3, shown.height());
    EXPECT_GT(CountColour(shown, rightTile, qRgb(255, 0, 0)), 100);
    EXPECT_GT(CountColour(shown, rightTile, qRgb(0, 200, 0)), 200);

    QTest::mouseClick(Child<QPushButton>(review, "btn_Retake4L"), Qt::LeftButton);
    QTest::mouseClick(Child<QPushButton>(review, "btn_Retake2T"), Qt::LeftButton);
    EXPECT_EQ(asked, (std::vector<int32_t>{ Left4, Thumbs2 }));
    review.SetRetakeEnabled(false);
    EXPECT_FALSE(Child<QPushButton>(review, "btn_Retake4R")->isEnabled());
    review.SetRetakeEnabled(true);
    review.Clear();
    EXPECT_FALSE(Child<QPushButton>(review, "btn_Retake4R")->isEnabled());
    EXPECT_TRUE(label("lbl_ReviewOutcome", "4R").isEmpty());
}

TEST(DialogFingerMarks, MarksRoundTripThroughTheRows)
{
    DialogFingerMarks dialog;
    const FingerMarks marks{ { 3, FingerMark::Amputated }, { 7, FingerMark::UnableToPrint } };
    dialog.SetMarks(marks);
    EXPECT_EQ(dialog.Marks(), marks);
    Child<QComboBox>(dialog, "combo_Finger10")->setCurrentIndex(1);
    EXPECT_EQ(dialog.Marks().at(10), FingerMark::Amputated);
    QTest::mouseClick(Child<QPushButton>(dialog, "btn_ClearMarks"), Qt::LeftButton);
    EXPECT_TRUE(dialog.Marks().empty());
}

} // namespace
