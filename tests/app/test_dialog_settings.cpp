// The settings dialog: start-up with the settings file, the extended mode's limits, how
// edits reach the record and the file, and the access group from a key file.
#include "DialogSettings.h"
#include "SettingsDeviceRelay.h"
#include "test_app_fixture.h"

#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

using namespace apptest;

namespace {

const char* const kExtendedSaveBoxes[] = { "check_rawData", "check_previewImg", "check_calibFile", "check_capTimes" };
const QByteArray kUserKeyConfigured = "[Auth]\nAuthAutoLogin=true\nAuthGroup=USER\nAuthPrivateKeyFile=/keys/USER.priv.pem\n";

// A relay that answers with a set text and counts the questions.
struct FakeRelay final : SettingsDeviceRelay {
    explicit FakeRelay(std::string answer = kRelayNotConnected) : answer(std::move(answer)) {}
    std::string GetAuthGroupText() override { return ++calls, answer; }
    std::string answer;
    int calls = 0;
};

// What a replaced chooser was asked.
struct ChooserCall {
    int count = 0;
    QWidget* parent = nullptr;
    QString caption, directory, filter;
};

class DialogSettingsTest : public AppTest {
protected:
    // The dialog, its requests recorded and its choosers answering `chosen`.
    void Open(FakeRelay* relay = nullptr, const QString& chosen = {})
    {
        dialog = std::make_unique<DialogSettings>(nullptr, relay);
        QObject::connect(dialog.get(), &DialogSettings::authRequested,
            [this](std::string group, std::string key) { requests.emplace_back(group, key); });
        DialogSettings::Choosers choosers;
        choosers.openFile = [this, chosen](QWidget* parent, const QString& caption, const QString& dir, const QString& filter) {
            call = { call.count + 1, parent, caption, dir, filter };
            return chosen;
        };
        choosers.existingDirectory = [this, chosen](QWidget* parent, const QString& caption, const QString& dir) {
            call = { call.count + 1, parent, caption, dir, QString() };
            return chosen;
        };
        dialog->setChoosers(choosers);
    }
    template <typename T>
    T* Get(const char* name) { return Child<T>(*dialog, name); }
    void Click(const char* name) { Get<QPushButton>(name)->click(); }
    QString Group() { return Get<QLabel>("lbl_authGroup_current")->text(); }

    std::unique_ptr<DialogSettings> dialog;
    std::vector<std::pair<std::string, std::string>> requests;
    ChooserCall call;
};

} // namespace

TEST_F(DialogSettingsTest, StartupWithoutFileShowsDefaultsAndStoresThem)
{
    Open();
    EXPECT_FALSE(dialog->settings().extendedMode);
    EXPECT_EQ(Stored().value("DeviceSettings/DevicePort"), QStringLiteral("60123"));
    EXPECT_EQ(Get<QLineEdit>("edit_ip")->text(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(Get<QLineEdit>("edit_port")->text(), QStringLiteral("60123"));
    EXPECT_TRUE(Get<QCheckBox>("check_boundingBoxes")->isChecked());
    EXPECT_EQ(Get<QDoubleSpinBox>("spin_thresholdMoveY")->value(), 3.0);
    EXPECT_EQ(Get<QSpinBox>("spin_minSteps")->value(), 1500);
    for (const char* name : { "check_finalImg", "check_segInfos", "check_finalSegments" }) {
        EXPECT_FALSE(Get<QCheckBox>(name)->isHidden()) << name;
    }
    for (const char* name : kExtendedSaveBoxes) {
        EXPECT_TRUE(Get<QCheckBox>(name)->isHidden()) << name;
    }
}

TEST_F(DialogSettingsTest, OutsideTheExtendedModeMoveZIsLimitedAndWrittenBack)
{
    ASSERT_TRUE(home.write("[CaptureSettings]\nThresholdMoveZ=40\n[SaveSettings]\nRawData=true\n"));
    Open();
    EXPECT_EQ(dialog->settings().thresholdMoveZ, 25.0f);
    EXPECT_FALSE(dialog->settings().saveRawData);
    EXPECT_EQ(Get<QDoubleSpinBox>("spin_thresholdMoveZ")->maximum(), 25.0);
    EXPECT_EQ(Stored().value("CaptureSettings/ThresholdMoveZ"), QStringLiteral("25"));
    EXPECT_EQ(Stored().value("SaveSettings/RawData"), QStringLiteral("true")); // not this mode's key
}

TEST_F(DialogSettingsTest, InTheExtendedModeMoveZGoesToTwoHundredAndStartupStoresNothing)
{
    const QByteArray file = "[UserSettings]\nUser=5307\n[CaptureSettings]\nThresholdMoveZ=40\n[SaveSettings]\nRawData=true\n";
    ASSERT_TRUE(home.write(file));
    Open();
    EXPECT_EQ(Get<QDoubleSpinBox>("spin_thresholdMoveZ")->maximum(), 200.0);
    EXPECT_EQ(Get<QDoubleSpinBox>("spin_thresholdMoveZ")->value(), 40.0);
    EXPECT_TRUE(Get<QCheckBox>("check_rawData")->isChecked());
    for (const char* name : kExtendedSaveBoxes) {
        EXPECT_FALSE(Get<QCheckBox>(name)->isHidden()) << name;
    }
    EXPECT_EQ(home.read(), file);
    Click("btn_ok");
    EXPECT_EQ(Stored().value("CaptureSettings/ThresholdMoveZ"), QStringLiteral("40"));
}

TEST_F(DialogSettingsTest, WiredControlsStoreAtOnceAndAPortOfLettersIsZero)
{
    Open();
    const auto edit = [this](const char* name, const char* text) {
        Get<QLineEdit>(name)->setText(QString::fromLatin1(text));
        emit Get<QLineEdit>(name)->editingFinished();
    };
    edit("edit_ip", "10.0.0.7");
    EXPECT_EQ(Stored().value("DeviceSettings/DeviceIp"), QStringLiteral("10.0.0.7"));
    Get<QCheckBox>("check_fpsRate")->click();
    EXPECT_EQ(Stored().value("LiveViewSettings/DrawFPS"), QStringLiteral("true"));
    edit("edit_baseDir", "/srv/captures");
    EXPECT_EQ(Stored().value("SaveSettings/BasePath"), QStringLiteral("/srv/captures"));
    edit("edit_port", "port");
    EXPECT_EQ(Get<QLineEdit>("edit_port")->text(), QStringLiteral("0"));
    EXPECT_EQ(Stored().value("DeviceSettings/DevicePort"), QStringLiteral("0"));
}

TEST_F(DialogSettingsTest, FinalImageOffDisablesAndClearsTheBoxesThatNeedIt)
{
    ASSERT_TRUE(home.write("[SaveSettings]\nFinalImage=true\nSegmentInformations=true\nSegments=true\n"));
    Open();
    Get<QCheckBox>("check_finalImg")->click();
    for (const char* name : { "check_segInfos", "check_finalSegments" }) {
        EXPECT_FALSE(Get<QCheckBox>(name)->isChecked()) << name;
        EXPECT_FALSE(Get<QCheckBox>(name)->isEnabled()) << name;
    }
    EXPECT_EQ(Stored().value("SaveSettings/FinalImage"), QStringLiteral("false"));
    Click("btn_ok");
    EXPECT_FALSE(dialog->settings().saveSegments);
    EXPECT_FALSE(dialog->settings().saveSegmentInformations);
    Get<QCheckBox>("check_finalImg")->click();
    EXPECT_TRUE(Get<QCheckBox>("check_finalSegments")->isEnabled());
}

TEST_F(DialogSettingsTest, CancelKeepsTheFileAndOkStoresTheEdit)
{
    Open();
    dialog->show();
    const QByteArray stored = home.read();
    Get<QSpinBox>("spin_thresholdHigh")->setValue(200);
    Click("btn_cancel");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(home.read(), stored);
    EXPECT_EQ(dialog->settings().thresholdTooHigh, 205.0f);
    dialog->show();
    Click("btn_ok");
    EXPECT_EQ(Stored().value("CaptureSettings/ThresholdTooHigh"), QStringLiteral("200"));
}

TEST_F(DialogSettingsTest, AChosenBaseDirectoryIsStoredAndUnappliedEditsAreReset)
{
    Open(nullptr, QStringLiteral("/srv/runs"));
    Get<QSpinBox>("spin_thresholdHigh")->setValue(198);
    Click("btn_browseBaseDir");
    EXPECT_EQ(call.count, 1);
    EXPECT_EQ(call.caption, QString::fromUtf8("W\xc3\xa4hle einen Ordner"));
    EXPECT_EQ(call.directory, QDir::homePath());
    EXPECT_EQ(Get<QLineEdit>("edit_baseDir")->text(), QStringLiteral("/srv/runs"));
    EXPECT_EQ(Stored().value("SaveSettings/BasePath"), QStringLiteral("/srv/runs"));
    EXPECT_EQ(Get<QSpinBox>("spin_thresholdHigh")->value(), 205);
}

// --- access group ---

TEST_F(DialogSettingsTest, AKeyFileAsksForTheGroupItsNameStartsWith)
{
    for (const auto& [name, group] : { std::pair("USER.priv.pem", "USER"), std::pair("USER..pem", "USER"),
             std::pair("USER.", "USER"), std::pair("DEVELOPER.key.pem", "DEVELOPER") }) {
        SCOPED_TRACE(name);
        FakeRelay relay;
        const QString path = QStringLiteral("/home/op/keys/") + QLatin1String(name);
        requests.clear();
        Open(&relay, path);
        const QByteArray stored = home.read();
        Click("btn_browsePrivKeyFile");
        EXPECT_EQ(call.parent, dialog.get());
        EXPECT_EQ(call.caption, QStringLiteral("Open Private Key with name like AUTHGROUP.priv.pem"));
        EXPECT_EQ(call.filter, QStringLiteral("Private Key PEM (*.pem)"));
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0], std::make_pair(std::string(group), path.toStdString()));
        // Not connected: the label says so and the chosen group stays configured, to be
        // stored with the next apply.
        EXPECT_EQ(Group(), QStringLiteral("Not connected"));
        EXPECT_EQ(home.read(), stored);
        Click("btn_ok");
        EXPECT_EQ(Stored().value("Auth/AuthGroup"), QLatin1String(group));
        EXPECT_EQ(Stored().value("Auth/AuthAutoLogin"), QStringLiteral("true"));
        EXPECT_EQ(Stored().value("Auth/AuthPrivateKeyFile"), path);
    }
}

TEST_F(DialogSettingsTest, AKeyFileNameWithoutAGroupShowsTheErrorAndChangesNothing)
{
    ASSERT_TRUE(home.write(kUserKeyConfigured));
    for (const char* name : { "user.priv.pem", "USER", ".priv.pem", "US3R.priv.pem" }) {
        SCOPED_TRACE(name);
        FakeRelay relay("ADMIN");
        boxes.clear();
        Open(&relay, QStringLiteral("/home/op/") + QLatin1String(name));
        Click("btn_browsePrivKeyFile");
        ASSERT_EQ(boxes.count(), 1);
        EXPECT_EQ(boxes.last().title, QStringLiteral("Error"));
        EXPECT_EQ(boxes.last().icon, QMessageBox::Critical);
        EXPECT_EQ(boxes.last().text, QStringLiteral("Could not parse AuthGroup from filename. Please make sure your filename "
                                                    "starts with the AuthGroup in UPPERCASE followed by a '.', for example: "
                                                    "USER.priv.pem"));
        EXPECT_TRUE(requests.empty());
        EXPECT_EQ(relay.calls, 0);
        EXPECT_EQ(dialog->settings().authGroup, std::string("USER"));
        EXPECT_EQ(Get<QLineEdit>("edit_authPrivKeyFile")->text(), QStringLiteral("/keys/USER.priv.pem"));
    }
}

TEST_F(DialogSettingsTest, TheGroupTheDeviceGrantsIsShownAndKept)
{
    FakeRelay relay;
    Open(&relay, QStringLiteral("/k/ADMIN.priv.pem"));
    // Stands in for the owner: its device grants a lower group than asked for.
    QObject::connect(dialog.get(), &DialogSettings::authRequested, [&relay](std::string, std::string) { relay.answer = "GUEST"; });
    Click("btn_browsePrivKeyFile");
    EXPECT_EQ(Group(), QStringLiteral("GUEST"));
    EXPECT_EQ(dialog->settings().authGroup, std::string("GUEST"));
}

TEST_F(DialogSettingsTest, ClearingTheKeyAsksForGuestAndNeverStoresAStatusText)
{
    ASSERT_TRUE(home.write(kUserKeyConfigured));
    FakeRelay relay;
    Open(&relay);
    Click("btn_authClear");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], std::make_pair(std::string("GUEST"), std::string()));
    EXPECT_EQ(Group(), QStringLiteral("Not connected"));
    EXPECT_TRUE(Get<QLineEdit>("edit_authPrivKeyFile")->text().isEmpty());
    Click("btn_ok");
    EXPECT_EQ(Stored().value("Auth/AuthGroup"), QString());
    EXPECT_EQ(Stored().value("Auth/AuthAutoLogin"), QStringLiteral("false"));
    EXPECT_EQ(Stored().value("Auth/AuthPrivateKeyFile"), QString());

    // Connected, the device's answer becomes the group.
    relay.answer = "USER";
    QObject::connect(dialog.get(), &DialogSettings::authRequested, [&relay](std::string group, std::string) { relay.answer = group; });
    Click("btn_authClear");
    EXPECT_EQ(dialog->settings().authGroup, std::string("GUEST"));
    EXPECT_EQ(Group(), QStringLiteral("GUEST"));
}

TEST_F(DialogSettingsTest, ARefreshWithoutADeviceGroupKeepsTheConfiguredOne)
{
    ASSERT_TRUE(home.write(kUserKeyConfigured));
    for (const std::string answer : { std::string(kRelayNotConnected), std::string(kRelayCaptureRunning), std::string() }) {
        FakeRelay relay(answer);
        Open(&relay);
        dialog->RefreshAuthGroup();
        EXPECT_EQ(Group(), QString::fromStdString(answer));
        Click("btn_ok");
        EXPECT_EQ(Stored().value("Auth/AuthGroup"), QStringLiteral("USER")) << answer;
    }
}
