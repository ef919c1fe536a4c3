// The settings dialog: start-up, the extended mode's limits, edits, the access group.
#include "DialogSettings.h"
#include "PrivateKeyFileName.h"
#include "SettingsDeviceRelay.h"
#include "test_app_fixture.h"

#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>

using namespace apptest;

namespace {

const QByteArray kUserKey = "[Auth]\nAuthAutoLogin=true\nAuthGroup=USER\nAuthPrivateKeyFile=/keys/USER.priv.pem\n";

// A relay that answers with a set text, as the window does when not connected.
struct FakeRelay final : SettingsDeviceRelay {
    std::string answer = kRelayNotConnected;
    std::string GetAuthGroupText() override { return answer; }
};

class DialogSettingsTest : public AppTest {
protected:
    // The dialog; its requests are recorded and its file and folder choosers answer `chosen`.
    void Open(const QString& chosen = {})
    {
        dialog = std::make_unique<DialogSettings>(nullptr, &relay);
        QObject::connect(dialog.get(), &DialogSettings::authRequested,
                         [this](std::string group, std::string key) { requests.emplace_back(group, key); });
        DialogSettings::Choosers choosers;
        choosers.openFile = [this, chosen](QWidget*, const QString& caption, const QString&, const QString& filter) {
            asked << caption << filter;
            return chosen;
        };
        choosers.existingDirectory = [this, chosen](QWidget*, const QString& caption, const QString& dir) {
            asked << caption << dir;
            return chosen;
        };
        dialog->setChoosers(choosers);
    }
    template <typename T> T* Get(const char* name) const { return Child<T>(*dialog, name); }
    void Click(const char* name) const { Get<QPushButton>(name)->click(); }
    void Edit(const char* name, const char* text) const
    {
        Get<QLineEdit>(name)->setText(QString::fromUtf8(text));
        emit Get<QLineEdit>(name)->editingFinished();
    }
    QString Group() const { return Get<QLabel>("lbl_authGroup_current")->text(); }
    void ExpectExtendedBoxesShown(bool shown) const
    {
        for (const char* name : { "check_rawData", "check_previewImg", "check_calibFile", "check_capTimes" }) {
            EXPECT_EQ(Get<QCheckBox>(name)->isHidden(), !shown) << name;
        }
        EXPECT_FALSE(Get<QCheckBox>("check_finalImg")->isHidden() || Get<QCheckBox>("check_segInfos")->isHidden()
                     || Get<QCheckBox>("check_finalSegments")->isHidden());
    }

    FakeRelay relay;
    std::unique_ptr<DialogSettings> dialog;
    std::vector<std::pair<std::string, std::string>> requests;
    QStringList asked; // caption and filter or folder of every chooser opened
};

} // namespace

// Outside the extended mode Move Z is at most 25 and the start-up writes that back with
// the defaults, but not the other mode's keys; in it Move Z goes to 200 and the start-up
// stores nothing.
TEST_F(DialogSettingsTest, TheExtendedModeSetsMoveZsLimitAndTheSaveSwitchesShown)
{
    const QByteArray limits = "[CaptureSettings]\nThresholdMoveZ=40\n[SaveSettings]\nRawData=true\n";
    ASSERT_TRUE(home.write(limits));
    Open();
    ExpectExtendedBoxesShown(false);
    EXPECT_EQ(Get<QDoubleSpinBox>("spin_thresholdMoveZ")->maximum(), 25.0);
    EXPECT_FALSE(dialog->settings().saveRawData);
    EXPECT_EQ(Stored().value("CaptureSettings/ThresholdMoveZ"), QStringLiteral("25"));
    EXPECT_EQ(Stored().value("SaveSettings/RawData"), QStringLiteral("true"));

    ASSERT_TRUE(home.write("[UserSettings]\nUser=5307\n" + limits));
    Open();
    EXPECT_EQ(Get<QDoubleSpinBox>("spin_thresholdMoveZ")->maximum(), 200.0);
    EXPECT_TRUE(Get<QCheckBox>("check_rawData")->isChecked());
    ExpectExtendedBoxesShown(true);
    EXPECT_EQ(home.read(), "[UserSettings]\nUser=5307\n" + limits);
    Click("btn_ok");
    EXPECT_EQ(Stored().value("CaptureSettings/ThresholdMoveZ"), QStringLiteral("40"));
}

// Final image off disables and clears the boxes that need it.
TEST_F(DialogSettingsTest, WiredControlsStoreAtOnceAPortOfLettersIsZeroAndFinalImageOffClearsItsDependants)
{
    ASSERT_TRUE(home.write("[SaveSettings]\nFinalImage=true\nSegmentInformations=true\nSegments=true\n"));
    Open();
    Edit("edit_ip", "10.0.0.7");
    EXPECT_EQ(Stored().value("DeviceSettings/DeviceIp"), QStringLiteral("10.0.0.7"));
    Edit("edit_port", "port");
    EXPECT_EQ(Get<QLineEdit>("edit_port")->text(), QStringLiteral("0"));
    EXPECT_EQ(Stored().value("DeviceSettings/DevicePort"), QStringLiteral("0"));

    Get<QCheckBox>("check_finalImg")->click();
    for (const char* name : { "check_segInfos", "check_finalSegments", "check_interchangeFile" }) {
        EXPECT_FALSE(Get<QCheckBox>(name)->isChecked() || Get<QCheckBox>(name)->isEnabled()) << name;
    }
    EXPECT_EQ(Stored().value("SaveSettings/FinalImage"), QStringLiteral("false"));
    Click("btn_ok");
    EXPECT_EQ(Stored().value("SaveSettings/Segments"), QStringLiteral("false"));
    EXPECT_EQ(Stored().value("SaveSettings/SegmentInformations"), QStringLiteral("false"));
    Get<QCheckBox>("check_finalImg")->click();
    EXPECT_TRUE(Get<QCheckBox>("check_finalSegments")->isEnabled());
}

// Cancel leaves the file alone; a chosen folder is stored at once and resets unapplied
// edits; OK stores them.
TEST_F(DialogSettingsTest, CancelKeepsTheFileAChosenFolderIsStoredAndOkStoresTheEdits)
{
    Open(QStringLiteral("/srv/runs"));
    const QByteArray stored = home.read();
    Get<QSpinBox>("spin_thresholdHigh")->setValue(200);
    Click("btn_cancel");
    EXPECT_EQ(home.read(), stored);
    Click("btn_browseBaseDir");
    EXPECT_EQ(asked, QStringList({ QString::fromUtf8("W\xc3\xa4hle einen Ordner"), QDir::homePath() }));
    EXPECT_EQ(Stored().value("SaveSettings/BasePath"), QStringLiteral("/srv/runs"));
    EXPECT_EQ(Get<QLineEdit>("edit_baseDir")->text(), QStringLiteral("/srv/runs"));
    EXPECT_EQ(Get<QSpinBox>("spin_thresholdHigh")->value(), 205);
    Get<QSpinBox>("spin_thresholdHigh")->setValue(200);
    Click("btn_ok");
    EXPECT_EQ(Stored().value("CaptureSettings/ThresholdTooHigh"), QStringLiteral("200"));
}

TEST_F(DialogSettingsTest, LabelsShowWholeAndEnterOnlyAppliesTheField)
{
    Open(QStringLiteral("/chosen"));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Settings"));
    for (const auto& [tab, name] : { std::pair(0, "label"), std::pair(0, "label_2"), std::pair(0, "label_4"), std::pair(0, "label_10"),
                                     std::pair(1, "label_13"), std::pair(3, "label_9") }) {
        Get<QTabWidget>("tabWidget")->setCurrentIndex(tab);
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        EXPECT_GE(Get<QLabel>(name)->width(), Get<QLabel>(name)->sizeHint().width()) << name;
    }
    // With a title bar and a panel on a 1280 x 720 screen.
    EXPECT_TRUE(QRect(0, 0, 1280, 720 - 64).contains(QRect(QPoint(), dialog->sizeHint()))) << dialog->sizeHint().height();
    Get<QTabWidget>("tabWidget")->setCurrentIndex(1);
    auto* baseDir = Get<QLineEdit>("edit_baseDir");
    baseDir->setFocus();
    baseDir->setText(QStringLiteral("/srv/typed"));
    QTest::keyClick(baseDir, Qt::Key_Return);
    EXPECT_TRUE(asked.isEmpty()); // no chooser opened
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->settings().basePath, std::string("/srv/typed"));
}

TEST(PrivateKeyFileName, TheGroupIsTheUpperCaseNameBeforeTheFirstDot)
{
    const std::pair<const char*, std::optional<QString>> rows[] = { { "USER.priv.pem", "USER" }, { "USER..pem", "USER" },
                                                                    { "USER.", "USER" },         { "DEVELOPER.key.pem", "DEVELOPER" },
                                                                    { ".priv.pem", "" },         { "user.priv.pem", std::nullopt },
                                                                    { "USER", std::nullopt },    { "US3R.priv.pem", std::nullopt } };
    for (const auto& [name, group] : rows) {
        EXPECT_EQ(ParseAuthGroupFromFileName(QLatin1String(name)), group) << name;
    }
}

// Not connected, the label says so and the chosen group stays configured, stored with the
// next apply.
TEST_F(DialogSettingsTest, AKeyFileAsksForTheGroupItsNameStartsWithWhichIsStoredWhateverTheDeviceGrants)
{
    const QString path = QStringLiteral("/home/op/keys/DEVELOPER.key.pem");
    Open(path);
    const QByteArray stored = home.read();
    Click("btn_browsePrivKeyFile");
    EXPECT_EQ(asked, QStringList({ "Open Private Key with name like AUTHGROUP.priv.pem", "Private Key PEM (*.pem)" }));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], std::make_pair(std::string("DEVELOPER"), path.toStdString()));
    EXPECT_EQ(Group(), QStringLiteral("Not connected"));
    EXPECT_EQ(home.read(), stored);
    Click("btn_ok");
    EXPECT_EQ(Stored().value("Auth/AuthGroup"), QStringLiteral("DEVELOPER"));
    EXPECT_EQ(Stored().value("Auth/AuthAutoLogin"), QStringLiteral("true"));
    EXPECT_EQ(Stored().value("Auth/AuthPrivateKeyFile"), path);

    // The owner stands in for a device that refuses the key and grants a lower group: that is
    // shown, while the stored group changes only with the operator's key, and stays its pair.
    QObject::connect(dialog.get(), &DialogSettings::authRequested, [this](std::string, std::string) { relay.answer = "USER"; });
    Click("btn_browsePrivKeyFile");
    EXPECT_EQ(Group(), QStringLiteral("USER"));
    EXPECT_EQ(dialog->settings().authGroup, std::string("DEVELOPER"));
    Click("btn_ok");
    EXPECT_EQ(Stored().value("Auth/AuthGroup"), QStringLiteral("DEVELOPER"));
    EXPECT_EQ(Stored().value("Auth/AuthPrivateKeyFile"), path);
}

// No group, or an empty one.
TEST_F(DialogSettingsTest, AKeyFileNameWithoutAGroupShowsTheErrorAndChangesNothing)
{
    ASSERT_TRUE(home.write(kUserKey));
    for (const char* name : { "user.priv.pem", ".priv.pem" }) {
        SCOPED_TRACE(name);
        boxes.clear();
        Open(QStringLiteral("/home/op/") + QLatin1String(name));
        Click("btn_browsePrivKeyFile");
        ASSERT_EQ(boxes.count(), 1);
        EXPECT_EQ(boxes.last().title, QStringLiteral("Error"));
        EXPECT_EQ(boxes.last().text,
                  QStringLiteral("Could not parse AuthGroup from filename. Please make sure your filename "
                                 "starts with the AuthGroup in UPPERCASE followed by a '.', for example: "
                                 "USER.priv.pem"));
        EXPECT_TRUE(requests.empty());
        EXPECT_EQ(dialog->settings().authGroup, std::string("USER"));
        EXPECT_EQ(Get<QLineEdit>("edit_authPrivKeyFile")->text(), QStringLiteral("/keys/USER.priv.pem"));
    }
}

// Not connected, the status text must never become the stored group: neither after clearing
// the key nor after a refresh, also of a failed automatic login (a bell in it is escaped).
TEST_F(DialogSettingsTest, ClearingTheKeyAsksForGuestAndARefreshKeepsTheConfiguredGroup)
{
    ASSERT_TRUE(home.write(kUserKey));
    Open();
    Click("btn_authClear");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], std::make_pair(std::string("GUEST"), std::string()));
    EXPECT_EQ(Group(), QStringLiteral("Not connected"));
    EXPECT_TRUE(Get<QLineEdit>("edit_authPrivKeyFile")->text().isEmpty());
    Click("btn_ok");
    const QMap<QString, QString> stored = Stored();
    EXPECT_EQ(stored.value("Auth/AuthGroup"), QStringLiteral("GUEST"));
    EXPECT_EQ(stored.value("Auth/AuthAutoLogin"), QStringLiteral("false"));
    EXPECT_EQ(stored.value("Auth/AuthPrivateKeyFile"), QString());

    ASSERT_TRUE(home.write(kUserKey));
    for (const std::string& answer :
         { std::string(kRelayNotConnected), std::string(kRelayCaptureRunning), std::string(), std::string("GUEST\x07") }) {
        relay.answer = answer;
        Open();
        dialog->RefreshAuthGroup();
        EXPECT_EQ(Group(), QString::fromStdString(answer).replace(QChar(7), QStringLiteral("\\x07")));
        Click("btn_ok");
        EXPECT_EQ(Stored().value("Auth/AuthGroup"), QStringLiteral("USER")) << answer;
    }
}
