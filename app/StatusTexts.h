#pragma once

// The words of the main window's status line: the link, what the person in front of the
// scanner must do now, and what a finished run stored. No widgets; the window shows them.

#include "AppSettings.h"
#include "CaptureOutcome.h"
#include "FingerMarks.h"
#include "SegmentInfo.h"

#include <QString>

#include <cstdint>
#include <vector>

enum class LinkState { NotConnected, Connecting, Connected };

// The access level comes from the device: control characters are written visibly as in the
// message boxes, and a level longer than any real one is cut to this many characters and "…".
constexpr int kAccessLevelShownLength = 16;
QString ShowableAccessLevel(const QString& level);

// "Connected to HOST:PORT", "Connecting to HOST:PORT…" or "Not connected". A connected link
// adds the access level, made showable, when one is known. A host with a colon (IPv6) is put
// in brackets.
QString LinkText(LinkState state, const QString& host, int port, const QString& accessLevel);

// The hand a mode captures as the operator calls it: "Right hand", "Left hand", "Thumbs".
QString ModeHandName(int32_t mode);

// What the person must do now for the mode, for example "Right hand: move closer", judged on
// the segments of the shown frame as the capture decision judges them with the fingers
// marked missing. It reads "<hand>: ready" exactly when CaptureConditionHolds. A hand held
// with the count of fingers expected but in the other hand's order is named:
// "Right hand expected: this looks like the left hand" (and the same for Left4).
QString CaptureGuidance(int32_t mode, const std::vector<quorvel::SegmentInfo>& segments, int imageCols, int imageRows,
                        const AppSettings& settings, const FingerMarks& marks = {});

// A line about one step of a run: "Step 2 of 3 · " and the text.
QString StepText(int stepIndex, int stepCount, const QString& text);

// What became of one mode of a run, and whether its results were stored (a captured mode
// stores nothing when no save option is on).
struct ModeResult {
    int32_t mode;
    CaptureOutcome outcome;
    bool stored;
};

// One line on a finished run: "Stored 3 of 3 modes in DIR", or with the modes not stored and
// why, neighbours with the same reason together:
// "Stored 1 of 3 modes in DIR; not stored: 4L (stopped), 2T (not reached)".
QString RunSummary(const std::vector<ModeResult>& results, const QString& directory);

// "Missing: 3 right middle XX, 7 left index UP"; empty without marks.
QString FingerMarksStatusText(const FingerMarks& marks);

// Whether every mode was stored or had no finger to capture: the unattended exit code's "done".
bool RunComplete(const std::vector<ModeResult>& results);

// What an unattended run prints when it ends: "Run directory: DIR" and
// "Stored 2 of 3 modes: 4R, 4L".
QString UnattendedRunSummary(const std::vector<ModeResult>& results, const QString& directory);
