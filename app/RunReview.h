#pragma once

#include "RunReviewData.h"

#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>

class QLabel;
class QPushButton;
class ReviewImageView;

// The review of a finished run: three tiles side by side (4R, 4L, 2T), each with its stored
// image, each finger's box coloured by its score against the minimum with the position and
// score beside it, the fingers listed (those marked missing named as such), the outcome,
// and a button that asks for the mode to be captured again ("Retake"), or for the first
// time ("Capture"). Made to fit the image view of a 1280 x 720 window.
class RunReview : public QWidget {
    Q_OBJECT

public:
    explicit RunReview(QWidget* parent = nullptr);

    // Reads the run directory and shows it; scores below `minimumQuality` are flagged.
    // Reading is done here, on the calling thread: three images at most, each decoded once.
    void ShowRun(const QString& runDirectory, int minimumQuality);
    // Shows nothing and turns the buttons off.
    void Clear();
    // The directory shown; empty after Clear.
    QString RunDirectory() const { return run.directory; }
    // While a run is going on the buttons are off; Clear turns them off as well.
    void SetRetakeEnabled(bool enabled);

signals:
    // The operator asks for the mode (a CaptureMode value) to be captured into the run shown.
    void retakeRequested(int32_t mode);

private:
    struct Tile {
        QLabel* title = nullptr;
        ReviewImageView* view = nullptr;
        QLabel* fingers = nullptr;
        QLabel* outcome = nullptr;
        QPushButton* retake = nullptr;
    };

    void ShowTile(Tile& tile, const ReviewTile& data);

    QLabel* header = nullptr;
    std::array<Tile, 3> tiles;
    ReviewedRun run;
    int minimum = 0;
    bool retakeEnabled = true;
};
