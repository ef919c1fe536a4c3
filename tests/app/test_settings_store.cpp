// The settings file: its keys and their text, the extended mode's unlock and switches, and
// numbers that do not fit or lie outside the dialog's ranges.
#include "DialogSettings.h"
#include "SettingsStore.h"
#include "test_app_fixture.h"

#include <QAbstractSpinBox>
#include <QRegularExpression>

#include <cmath>

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
        { "CaptureSettings/MinFingerQuality", "40" },
        { "CaptureSettings/ThresholdMoveX", "2.5" },
        { "CaptureSettings/ThresholdMoveY", "3" },
        { "CaptureSettings/ThresholdMoveZ", "20" },
        { "CaptureSettings/ThresholdTooHigh", "205" },
        { "CaptureSettings/ThresholdTooLow", "185" },
        { "DeviceSettings/DeviceIp", "127.0.0.1" },
        { "DeviceSettings/DevicePort", "60123" },
        { "Interchange/AgencyId", "ONDREL000" },
        { "Interchange/ResolutionPpi", "0" },
        { "Interchange/TransactionType", "ONDREL" },
        { "LiveViewSettings/DrawBoundingBox", "true" },
        { "LiveViewSettings/DrawDistance", "false" },
        { "LiveViewSettings/DrawFPS", "false" },
        { "LiveViewSettings/DrawMovement", "false" },
        { "LiveViewSettings/DrawPosition", "false" },
        { "SaveSettings/FinalImage", "true" },
        { "SaveSettings/BasePath", stored.value("SaveSettings/BasePath") },
        { "SaveSettings/GroupReadable", "false" },
        { "SaveSettings/InterchangeFile", "true" },
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
                            "[CaptureSettings]\nMinFingerQuality=65\nThresholdMoveX=2.123456\nThresholdMoveY=0.1\n"
                            "ThresholdMoveZ=24.999998\nThresholdTooHigh=200.5\nThresholdTooLow=190\n"
                            "[DeviceSettings]\nDeviceIp=192.168.17.4\nDevicePort=4711\n"
                            "[Interchange]\nAgencyId=NY0303000\nResolutionPpi=500\nTransactionType=CAR\n"
                            "[LiveViewSettings]\nDrawBoundingBox=false\nDrawDistance=true\nDrawFPS=true\nDrawMovement=true\n"
                            "DrawPosition=true\n"
                            "[SaveSettings]\nBasePath=/data/results of today\nCalibrationFile=true\nCaptureTimes=true\n"
                            "FinalImage=false\nGroupReadable=true\nInterchangeFile=false\nPreviewImage=true\nRawData=true\n"
                            "SegmentInformations=true\nSegments=true\n"
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

double NumberIn(const AppSettings& settings, const SettingRow& row)
{
    return std::visit(
        [&](auto member) {
            if constexpr (std::is_arithmetic_v<std::decay_t<decltype(settings.*member)>>) {
                return static_cast<double>(settings.*member);
            }
            return std::nan("not a number");
        },
        row.field);
}

// Every number is read into its row's range in the mode, which its spin box takes as well,
// and outside the extended mode the limited value is written back at once.
TEST_F(SettingsStore, NumbersBeyondTheirRangesAreReadAsTheDialogShowsThem)
{
    for (const bool extended : { false, true }) {
        for (const int beyond : { -1000000, 1000000 }) {
            SCOPED_TRACE(testing::Message() << "extended " << extended << ", " << beyond);
            {
                const auto store = OpenSettingsStore();
                store->clear();
                store->setValue("UserSettings/User", extended ? kExtendedModeUser : 0);
                for (const SettingRow& row : SettingsTable()) {
                    if (row.range) {
                        store->setValue(QLatin1String(row.key), QString::number(beyond));
                    }
                }
            }
            DialogSettings dialog(nullptr, nullptr);
            const QMap<QString, QString> stored = Stored();
            for (const SettingRow& row : SettingsTable()) {
                const std::optional<SettingRange> range = RangeOf(row, extended);
                if (!range) {
                    continue;
                }
                const double expected = beyond < 0 ? range->minimum : range->maximum;
                const auto* spin = Child<QAbstractSpinBox>(dialog, row.control);
                ASSERT_NE(spin, nullptr) << row.key;
                EXPECT_EQ(NumberIn(dialog.settings(), row), expected) << row.key;
                EXPECT_EQ(spin->property("value").toDouble(), expected) << row.key;
                EXPECT_EQ(QPair(spin->property("minimum").toDouble(), spin->property("maximum").toDouble()),
                          QPair(range->minimum, range->maximum))
                    << row.key;
                EXPECT_EQ(stored.value(row.key).toDouble(), extended ? beyond : expected) << row.key;
            }
        }
    }
}

// A control that shows a setting without a row would never be stored.
TEST_F(SettingsStore, EveryRowHasItsControlAndEveryControlOfASettingItsRow)
{
    DialogSettings dialog(nullptr, nullptr);
    QStringList named;
    for (const SettingRow& row : SettingsTable()) {
        if (row.control != nullptr) {
            named << QLatin1String(row.control);
            EXPECT_NE(Child<QWidget>(dialog, row.control), nullptr) << row.control;
        }
    }
    for (const QWidget* control : dialog.findChildren<QWidget*>(QRegularExpression("^(check|spin|edit)_"))) {
        EXPECT_TRUE(named.contains(control->objectName()) || control->objectName() == "edit_fwPath") << control->objectName().toStdString();
    }
}

// Numbers too long or not finite read as zero, as does one below its range; texts for other
// systems keep printable ASCII only, and what is left of nothing is the default.
TEST_F(SettingsStore, UnreadableNumbersAreZeroAndInterchangeTextsKeepPrintableAscii)
{
    ASSERT_TRUE(home.write("[DeviceSettings]\nDevicePort=4295027419\n[WorkflowSettings]\nMinWorkflowDelayMs=4294968796\n"
                           "[CaptureSettings]\nThresholdMoveX=nan\nThresholdMoveY=-inf\nThresholdMoveZ=1e40\n"));
    const AppSettings loaded = Load();
    EXPECT_EQ(std::vector<float>({ float(loaded.devicePort), loaded.minWorkflowDelayMs, loaded.thresholdMoveX, loaded.thresholdMoveY,
                                   loaded.thresholdMoveZ }),
              std::vector<float>(5, 0.0f));
    ASSERT_TRUE(home.write("[WorkflowSettings]\nMinWorkflowDelayMs=-7\n"));
    EXPECT_EQ(Load().minWorkflowDelayMs, 0.0f);

    const std::pair<QString, std::string> texts[] = { { QString::fromUtf8("\x1c"
                                                                          "C\x1d"
                                                                          "A\x1eR\x1f\x07\n"),
                                                        "CAR" },
                                                      { QString::fromUtf8("Z\xc3\xbcrich 7~"), "Zrich 7~" },
                                                      { QString::fromUtf8("\x1c\x1d"), "ONDREL" },
                                                      { QString(), "ONDREL" } };
    for (const auto& [text, kept] : texts) {
        OpenSettingsStore()->setValue("Interchange/TransactionType", text);
        EXPECT_EQ(Load().interchangeTransactionType, kept) << text.toStdString();
    }
}
