// The settings file: its keys and their text, the extended mode's unlock and switches, and
// numbers that do not fit or lie outside the dialog's ranges.
#include "DialogSettings.h"
#include "SettingsStore.h"
#include "test_app_fixture.h"

#include <QAbstractSpinBox>

using namespace apptest;

namespace {

class SettingsStore : public AppTest {
protected:
    AppSettings Load()
    {
        AppSettings settings = DefaultAppSettings();
        LoadAppSettings(settings, *OpenSettingsStore());
        return settings;
    }
    void Store(const AppSettings& settings) { StoreAppSettings(settings, *OpenSettingsStore()); }
};

} // namespace

TEST_F(SettingsStore, DefaultsAreWrittenAsTheseKeysAndTexts)
{
    Store(DefaultAppSettings());
    const QMap<QString, QString> stored = Stored();
    EXPECT_TRUE(stored.value("SaveSettings/BasePath").endsWith(QStringLiteral("/Captured")));
    const QMap<QString, QString> expected = {
        { "Auth/AuthAutoLogin", "false" },
        { "Auth/AuthGroup", "GUEST" },
        { "Auth/AuthPrivateKeyFile", "" },
        { "CaptureSettings/ThresholdMoveX", "2.5" },
        { "CaptureSettings/ThresholdMoveY", "3" },
        { "CaptureSettings/ThresholdMoveZ", "20" },
        { "CaptureSettings/ThresholdTooHigh", "205" },
        { "CaptureSettings/ThresholdTooLow", "185" },
        { "DeviceSettings/DeviceIp", "127.0.0.1" },
        { "DeviceSettings/DevicePort", "60123" },
        { "LiveViewSettings/DrawBoundingBox", "true" },
        { "LiveViewSettings/DrawDistance", "false" },
        { "LiveViewSettings/DrawFPS", "false" },
        { "LiveViewSettings/DrawMovement", "false" },
        { "LiveViewSettings/DrawPosition", "false" },
        { "SaveSettings/FinalImage", "true" },
        { "SaveSettings/BasePath", stored.value("SaveSettings/BasePath") },
        { "SaveSettings/SegmentInformations", "false" },
        { "SaveSettings/Segments", "false" },
        { "WorkflowSettings/MinWorkflowDelayMs", "1500" },
    };
    EXPECT_EQ(stored, expected);
}

// Every key read back is written again under its own name and in the same text: numbers
// exactly, and short ones in their short form.
TEST_F(SettingsStore, AFileOfEveryKeyReadsAndWritesBackUnchanged)
{
    const QByteArray file = "[Auth]\nAuthAutoLogin=true\nAuthGroup=ADMIN\nAuthPrivateKeyFile=/home/jo/keys/ADMIN.priv.pem\n"
                            "[CaptureSettings]\nThresholdMoveX=2.123456\nThresholdMoveY=0.1\nThresholdMoveZ=24.999998\n"
                            "ThresholdTooHigh=200.5\nThresholdTooLow=190\n"
                            "[DeviceSettings]\nDeviceIp=192.168.17.4\nDevicePort=4711\n"
                            "[LiveViewSettings]\nDrawBoundingBox=false\nDrawDistance=true\nDrawFPS=true\nDrawMovement=true\n"
                            "DrawPosition=true\n"
                            "[SaveSettings]\nBasePath=/data/results of today\nCalibrationFile=true\nCaptureTimes=true\n"
                            "FinalImage=false\nPreviewImage=true\nRawData=true\nSegmentInformations=true\nSegments=true\n"
                            "[WorkflowSettings]\nMinWorkflowDelayMs=300\n";
    ASSERT_TRUE(home.write(file + "[UserSettings]\nUser=5307\n"));
    const AppSettings loaded = Load();
    EXPECT_TRUE(loaded.extendedMode);
    ASSERT_TRUE(home.write({}));
    Store(loaded);
    // The extended mode itself is never written; the file has to grant it.
    EXPECT_EQ(Stored(), IniEntries(file));
}

TEST_F(SettingsStore, OnlyTheUnlockValueGivesTheExtendedSwitchesAndOthersLeaveThemInTheFile)
{
    const struct {
        const char* user;
        bool unlocks;
    } rows[] = { { "", false },           { "User=0", false },     { "User=5306", false },
                 { "User=5307x", false }, { "User=ADMIN", false }, { "User=4294972603", false } /* 2^32 + 5307 must not wrap */,
                 { "User=5307", true } };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.user);
        ASSERT_TRUE(home.write("[UserSettings]\n" + QByteArray(row.user)
                               + "\n[SaveSettings]\nRawData=true\nCaptureTimes=true\nPreviewImage=true\nCalibrationFile=true\n"));
        const AppSettings loaded = Load();
        EXPECT_EQ(loaded.extendedMode, row.unlocks);
        for (bool on : { loaded.saveRawData, loaded.saveCaptureTimes, loaded.savePreviewImage, loaded.saveCalibrationFile }) {
            EXPECT_EQ(on, row.unlocks);
        }
        Store(loaded);
        const QMap<QString, QString> stored = Stored();
        for (const char* key : { "RawData", "CaptureTimes", "PreviewImage", "CalibrationFile" }) {
            EXPECT_EQ(stored.value(QStringLiteral("SaveSettings/") + key), QStringLiteral("true")) << key;
        }
    }
}

// Read into the ranges the dialog's spin boxes take, and the clamped value written back.
TEST_F(SettingsStore, ValuesOutsideTheRangesAreReadAsTheDialogShowsThemAndNumbersThatDoNotFitAsZero)
{
    ASSERT_TRUE(home.write("[CaptureSettings]\nThresholdTooHigh=999\nThresholdTooLow=-5\nThresholdMoveX=-3\nThresholdMoveY=nan\n"
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
        const QAbstractSpinBox* spin = Child<QAbstractSpinBox>(dialog, c.spin);
        EXPECT_EQ(c.field, c.expected) << c.spin;
        EXPECT_EQ(spin->property("value").toDouble(), c.expected) << c.spin;
        EXPECT_EQ(QPair(spin->property("minimum").toDouble(), spin->property("maximum").toDouble()),
                  QPair(c.range.minimum, c.range.maximum))
            << c.spin;
    }
    EXPECT_EQ(Stored().value("WorkflowSettings/MinWorkflowDelayMs"), QStringLiteral("5000"));
    // Numbers too long or not finite read as zero; so does one below the range.
    ASSERT_TRUE(home.write("[DeviceSettings]\nDevicePort=4295027419\n[WorkflowSettings]\nMinWorkflowDelayMs=4294968796\n"
                           "[CaptureSettings]\nThresholdMoveX=nan\nThresholdMoveY=-inf\nThresholdMoveZ=1e40\n"));
    const AppSettings loaded = Load();
    EXPECT_EQ(std::vector<float>({ float(loaded.devicePort), loaded.minWorkflowDelayMs, loaded.thresholdMoveX, loaded.thresholdMoveY,
                                   loaded.thresholdMoveZ }),
              std::vector<float>(5, 0.0f));
    ASSERT_TRUE(home.write("[WorkflowSettings]\nMinWorkflowDelayMs=-7\n"));
    EXPECT_EQ(Load().minWorkflowDelayMs, 0.0f);
}
