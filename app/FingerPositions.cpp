#include "FingerPositions.h"

#include "CaptureMode.h"

#include <algorithm>
#include <array>

QString FingerPositionName(int position)
{
    static const std::array<const char*, 10> kNames{"right thumb",  "right index", "right middle", "right ring",
                                                    "right little", "left thumb",  "left index",   "left middle",
                                                    "left ring",    "left little"};
    if (position < kFirstFingerPosition || position > kLastFingerPosition) {
        return QStringLiteral("unknown");
    }
    return QLatin1String(kNames[static_cast<std::size_t>(position - 1)]);
}

std::vector<int> ModeFingerPositions(int32_t mode)
{
    switch (mode) {
    case Right4:
        return {2, 3, 4, 5};
    case Left4:
        return {10, 9, 8, 7};
    case Thumbs2:
        return {6, 1};
    default:
        return {};
    }
}

namespace {

// The mode's fingers in device order without those whose mark is one of `dropped`.
std::vector<int> FingersWithout(int32_t mode, const FingerMarks& marks, std::initializer_list<FingerMark> dropped)
{
    std::vector<int> fingers = ModeFingerPositions(mode);
    fingers.erase(std::remove_if(fingers.begin(), fingers.end(),
                                 [&](int position) {
                                     const auto mark = marks.find(position);
                                     return mark != marks.end()
                                         && std::find(dropped.begin(), dropped.end(), mark->second) != dropped.end();
                                 }),
                  fingers.end());
    return fingers;
}

} // namespace

std::set<int> ExpectedSegmentCounts(int32_t mode, const FingerMarks& marks)
{
    if (ModeFingerPositions(mode).empty()) {
        return {};
    }
    return {static_cast<int>(FingersWithout(mode, marks, {FingerMark::Amputated}).size()),
            static_cast<int>(FingersWithout(mode, marks, {FingerMark::Amputated, FingerMark::UnableToPrint}).size())};
}

std::vector<int> SegmentFingerPositions(int32_t mode, std::size_t segmentCount, const FingerMarks& marks)
{
    for (const auto& dropped : {std::initializer_list<FingerMark>{FingerMark::Amputated},
                                std::initializer_list<FingerMark>{FingerMark::Amputated, FingerMark::UnableToPrint}}) {
        std::vector<int> fingers = FingersWithout(mode, marks, dropped);
        if (!fingers.empty() && fingers.size() == segmentCount) {
            return fingers;
        }
    }
    return std::vector<int>(segmentCount, kUnknownFingerPosition);
}
