#pragma once

// A finished run read back from its directory for the review: per mode the image stored,
// each finger's box with its position and score, what became of the mode and the fingers
// marked missing. No widgets; the review shows what this reads.

#include "CaptureOutcome.h"
#include "FingerMarks.h"

#include <QString>
#include <QStringList>

#include <opencv2/core.hpp>

#include <cstdint>
#include <optional>
#include <vector>

// One finger of a stored capture.
struct ReviewFinger {
    int position = 0;           // standard position; 0 when unknown (a forced capture)
    cv::Rect box;               // in pixels of the stored image; empty when the file's box was
    std::optional<int> quality; // empty: no score stored (the box came from SegmentInfos.ini)
};

// What the review shows of one mode: the latest attempt, in `<run>/<mode>/`.
struct ReviewTile {
    int32_t mode = 0;
    // final.png, else preview.png, as 8UC3 with channel 0 red, made smaller to at most
    // kReviewImageSide pixels on its longer side; empty when neither was stored or readable.
    cv::Mat image;
    cv::Size storedSize;                   // the stored image's own size, which the boxes refer to
    bool previewOnly = false;              // the image is the preview: the final image was not stored
    std::vector<ReviewFinger> fingers;     // in the device's segment order
    std::optional<CaptureOutcome> outcome; // from run.ini; empty when it says nothing of the mode
    int attempts = 0;                      // from run.ini; 0 when unknown
    FingerMarks marks;                     // the marks of this mode's fingers
    QStringList problems;                  // files that are there but could not be read
};

struct ReviewedRun {
    QString directory;
    QString person;                // from run.ini; empty when unknown
    std::vector<ReviewTile> tiles; // 4R, 4L, 2T
    QStringList problems;          // run.ini or fingers.ini there but unreadable
};

// The stored image is kept at most this large for the review: a tile never shows more.
constexpr int kReviewImageSide = 1024;

// Reads what a run directory holds. Whatever is absent stays empty; a file that is there but
// unreadable is named in `problems`. Fingers come from quality.ini (with their scores), else
// from SegmentInfos.ini (positions by the mode, its count and the marks of fingers.ini).
ReviewedRun ReadReviewedRun(const QString& runDirectory);

// Whether the mode has a capture to look at again, so that the operator retakes it rather
// than captures it for the first time: an outcome that stored a capture, or, without an
// outcome, an image or fingers on disk.
bool TileWasCaptured(const ReviewTile& tile);

// One line per finger under a tile, in the mode's finger order, then fingers of unknown
// position in segment order: "3 right middle: 71", "3 right middle: 23, below 40",
// "4 right ring: 55 (UP)", "2 right index: not scored", "3 right middle: amputated (XX)",
// "3 right middle: unable to print (UP)", "segment 2, position unknown: 40". Fingers neither
// stored nor marked have no line.
struct ReviewFingerLine {
    QString text;
    bool belowMinimum = false;
};
std::vector<ReviewFingerLine> ReviewFingerLines(const ReviewTile& tile, int minimumQuality);

// The label of a finger's box on the image: "3 · 71", "3" without a score, "? · 40".
QString ReviewBoxLabel(const ReviewFinger& finger);

// What became of the mode: "captured", "forced · 3 attempts", "not reached", or
// "outcome unknown" without one; "preview only" is added when no final image was stored.
QString ReviewOutcomeText(const ReviewTile& tile);
