#include "CaptureOutcome.h"

#include <array>
#include <utility>

namespace {
constexpr std::array<std::pair<CaptureOutcome, const char*>, 8> kOutcomeTexts{{
    {CaptureOutcome::Captured, "captured"},
    {CaptureOutcome::Forced, "forced"},
    {CaptureOutcome::TimeLimit, "time limit"},
    {CaptureOutcome::Stopped, "stopped"},
    {CaptureOutcome::DeviceError, "device error"},
    {CaptureOutcome::StorageFailed, "storage failed"},
    {CaptureOutcome::NotReached, "not reached"},
    {CaptureOutcome::AllFingersMissing, "all fingers missing"},
}};
} // namespace

QString CaptureOutcomeText(CaptureOutcome outcome)
{
    for (const auto& [value, text] : kOutcomeTexts) {
        if (value == outcome) {
            return QLatin1String(text);
        }
    }
    return QString();
}

std::optional<CaptureOutcome> CaptureOutcomeFromText(const QString& text)
{
    for (const auto& [value, name] : kOutcomeTexts) {
        if (text == QLatin1String(name)) {
            return value;
        }
    }
    return std::nullopt;
}

bool CaptureOutcomeComplete(CaptureOutcome outcome)
{
    return outcome == CaptureOutcome::Captured || outcome == CaptureOutcome::Forced
        || outcome == CaptureOutcome::AllFingersMissing;
}
