// Numbers in the settings file: read into the ranges the dialog's spin boxes take, and
// written so that they read back as the same value.

#include "DialogSettings.h"
#include "DialogSettingsTestSupport.h"
#include "SettingsHomeTest.h"
#include "SettingsTestHelpers.h"

#include <QAbstractSpinBox>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QtTest>

using namespace settingstest;

namespace {
// A spin box's range and value, whichever kind it is.
struct SpinState {
    double minimum;
    double maximum;
    double value;
};

SpinState StateOf(const DialogSettings& dialog, const char* name)
{
    if (auto* spin = Control<QSpinBox>(dialog, name)) {
        return { double(spin->minimum()), double(spin->maximum()), double(spin->value()) };
    }
    auto* spin = Control<QDoubleSpinBox>(dialog, name);
    return spin != nullptr ? SpinState { spin->minimum(), spin->maximum(), spin->value() } : SpinState { -1, -1, -1 };
}
} // namespace

class SettingsRangesTest : public SettingsHomeTest {
    Q_OBJECT

private slots:
    void valuesOutsideTheRangesAreReadAsTheDialogShowsThem()
    {
        QVERIFY(WriteAppIni(*home,
            "[CaptureSettings]\nThresholdTooHigh=999\nThresholdTooLow=-5\nThresholdMoveX=-3\nThresholdMoveY=nan\n"
            "ThresholdMoveZ=40\n[WorkflowSettings]\nMinWorkflowDelayMs=1234567\n"));
        DialogSettings dialog(nullptr, nullptr);
        const AppSettings& s = dialog.settings();
        const struct {
            const char* spin;
            SettingRange range;
            float field;
            double expected;
        } cases[] = {
            { "spin_thresholdHigh", kThresholdTooHighRange, s.thresholdTooHigh, 205.0 },
            { "spin_thresholdLow", kThresholdTooLowRange, s.thresholdTooLow, 185.0 },
            { "spin_thresholdMoveX", kThresholdMoveXYRange, s.thresholdMoveX, 0.0 },
            { "spin_thresholdMoveY", kThresholdMoveXYRange, s.thresholdMoveY, 0.0 },
            { "spin_thresholdMoveZ", kThresholdMoveZRange, s.thresholdMoveZ, 25.0 },
            { "spin_minSteps", kMinWorkflowDelayRange, s.minWorkflowDelayMs, 5000.0 },
        };
        for (const auto& c : cases) {
            const SpinState spin = StateOf(dialog, c.spin);
            QCOMPARE(double(c.field), c.expected);
            QCOMPARE(spin.value, c.expected);
            QCOMPARE(spin.minimum, c.range.minimum);
            QCOMPARE(spin.maximum, c.range.maximum);
        }
        QCOMPARE(IniEntries(ReadAppIni(*home)).value(QStringLiteral("WorkflowSettings/MinWorkflowDelayMs")),
            QStringLiteral("5000"));
    }

    void everyNumberReadsBackUnchanged()
    {
        AppSettings written = DefaultAppSettings();
        written.thresholdTooHigh = 200.5f;
        written.thresholdMoveX = 2.123456f;
        written.thresholdMoveY = 0.1f;
        written.thresholdMoveZ = 24.999998f;
        written.minWorkflowDelayMs = 4999.0f;
        {
            const auto store = OpenSettingsStore();
            StoreAppSettings(written, *store);
        }
        AppSettings read = DefaultAppSettings();
        {
            const auto store = OpenSettingsStore();
            LoadAppSettings(read, *store);
        }
        // Exact, where QCOMPARE would compare floats fuzzily.
        QVERIFY(read.thresholdTooHigh == written.thresholdTooHigh);
        QVERIFY(read.thresholdMoveX == written.thresholdMoveX);
        QVERIFY(read.thresholdMoveY == written.thresholdMoveY);
        QVERIFY(read.thresholdMoveZ == written.thresholdMoveZ);
        QVERIFY(read.minWorkflowDelayMs == written.minWorkflowDelayMs);
        // Short values keep their short form.
        QCOMPARE(IniEntries(ReadAppIni(*home)).value(QStringLiteral("CaptureSettings/ThresholdMoveY")),
            QStringLiteral("0.1"));
    }
};

QTEST_MAIN(SettingsRangesTest)
#include "SettingsRangesTest.moc"
