// Authentication from the settings dialog: the group named by a key file, the request to
// the owner, and the group shown and kept after asking the owner's relay.

#include "DialogSettings.h"
#include "DialogSettingsTestSupport.h"
#include "MessageBoxCloser.h"
#include "SettingsHomeTest.h"
#include "SettingsTestHelpers.h"
#include "TempSettingsHome.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <utility>
#include <vector>

using namespace settingstest;

namespace {

const char kNameErrorText[] = "Could not parse AuthGroup from filename. Please make sure your filename starts with the "
                              "AuthGroup in UPPERCASE followed by a '.', for example: USER.priv.pem";

using AuthRequest = std::pair<std::string, std::string>;

// Records every authRequested emission.
void RecordRequests(DialogSettings& dialog, std::vector<AuthRequest>& requests)
{
    QObject::connect(&dialog, &DialogSettings::authRequested,
        [&requests](std::string group, std::string keyFile) { requests.emplace_back(group, keyFile); });
}

const QByteArray kUserKeyConfigured = "[Auth]\nAuthAutoLogin=true\nAuthGroup=USER\nAuthPrivateKeyFile=/keys/USER.priv.pem\n";

} // namespace

class DialogSettingsAuthTest : public SettingsHomeTest {
    Q_OBJECT

private slots:

    // --- choosing a key file ---
    void chosenKeyFileAsksForItsGroup_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("group");
        QTest::newRow("usual name") << "USER.priv.pem" << "USER";
        QTest::newRow("double dot") << "USER..pem" << "USER";
        QTest::newRow("trailing dot") << "USER." << "USER";
        QTest::newRow("unknown group") << "DEVELOPER.key.pem" << "DEVELOPER";
    }

    void chosenKeyFileAsksForItsGroup()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, group);
        FakeRelay relay;
        DialogSettings dialog(nullptr, &relay);
        std::vector<AuthRequest> requests;
        RecordRequests(dialog, requests);
        ChooserCall call;
        const QString path = QStringLiteral("/home/op/keys/") + fileName;
        dialog.setChoosers(AnsweringChoosers(call, path));
        const QByteArray stored = ReadAppIni(*home);

        Control<QPushButton>(dialog, "btn_browsePrivKeyFile")->click();

        QCOMPARE(call.count, 1);
        QCOMPARE(call.parent, &dialog);
        QCOMPARE(call.caption, QStringLiteral("Open Private Key with name like AUTHGROUP.priv.pem"));
        QVERIFY(call.directory.isEmpty());
        QCOMPARE(call.filter, QStringLiteral("Private Key PEM (*.pem)"));

        QCOMPARE(requests.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(requests[0].first), group);
        QCOMPARE(QString::fromStdString(requests[0].second), path);
        const AppSettings& s = dialog.settings();
        QVERIFY(s.authAutoLogin);
        QCOMPARE(QString::fromStdString(s.privateKeyFile), path);
        QCOMPARE(Control<QLineEdit>(dialog, "edit_authPrivKeyFile")->text(), path);
        // Not connected: the label says so, the chosen group stays configured.
        QCOMPARE(relay.calls, 1);
        QCOMPARE(Control<QLabel>(dialog, "lbl_authGroup_current")->text(), QStringLiteral("Not connected"));
        QCOMPARE(QString::fromStdString(s.authGroup), group);
        // Reaches the file only with the next apply.
        QCOMPARE(ReadAppIni(*home), stored);
        Control<QPushButton>(dialog, "btn_ok")->click();
        const QMap<QString, QString> entries = IniEntries(ReadAppIni(*home));
        QCOMPARE(entries.value("Auth/AuthGroup"), group);
        QCOMPARE(entries.value("Auth/AuthAutoLogin"), QStringLiteral("true"));
        QCOMPARE(entries.value("Auth/AuthPrivateKeyFile"), path);
    }

    void groupGrantedByDeviceIsShownNotStored()
    {
        FakeRelay relay;
        DialogSettings dialog(nullptr, &relay);
        // Stands in for the owner: its device grants a lower group than asked for.
        QObject::connect(&dialog, &DialogSettings::authRequested,
            [&relay](std::string, std::string) { relay.answer = "GUEST"; });
        ChooserCall call;
        dialog.setChoosers(AnsweringChoosers(call, QStringLiteral("/k/ADMIN.priv.pem")));

        Control<QPushButton>(dialog, "btn_browsePrivKeyFile")->click();
        QCOMPARE(Control<QLabel>(dialog, "lbl_authGroup_current")->text(), QStringLiteral("GUEST"));
        QCOMPARE(dialog.settings().authGroup, std::string("ADMIN"));
    }

    void badKeyFileNamesShowErrorAndChangeNothing_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::newRow("lower case") << "user.priv.pem";
        QTest::newRow("no dot") << "USER";
        QTest::newRow("leading dot") << ".priv.pem";
        QTest::newRow("digit") << "US3R.priv.pem";
    }

    void badKeyFileNamesShowErrorAndChangeNothing()
    {
        QFETCH(QString, fileName);
        QVERIFY(WriteAppIni(*home, kUserKeyConfigured));
        FakeRelay relay("ADMIN");
        DialogSettings dialog(nullptr, &relay);
        std::vector<AuthRequest> requests;
        RecordRequests(dialog, requests);
        ChooserCall call;
        dialog.setChoosers(AnsweringChoosers(call, QStringLiteral("/home/op/") + fileName));
        MessageBoxCloser closer;

        Control<QPushButton>(dialog, "btn_browsePrivKeyFile")->click();

        QCOMPARE(closer.count(), 1);
        QCOMPARE(closer.last().title, QStringLiteral("Error"));
        QCOMPARE(closer.last().text, QString::fromUtf8(kNameErrorText));
        QCOMPARE(closer.last().icon, QMessageBox::Critical);
        QVERIFY(!closer.last().hadParent);
        QVERIFY(requests.empty());
        QCOMPARE(relay.calls, 0);
        QVERIFY(dialog.settings().authAutoLogin);
        QCOMPARE(dialog.settings().authGroup, std::string("USER"));
        QCOMPARE(dialog.settings().privateKeyFile, std::string("/keys/USER.priv.pem"));
        QCOMPARE(Control<QLineEdit>(dialog, "edit_authPrivKeyFile")->text(), QStringLiteral("/keys/USER.priv.pem"));
    }

    // --- clearing the key ---
    void clearingWhileNotConnectedNeverStoresTheStatusText()
    {
        QVERIFY(WriteAppIni(*home, kUserKeyConfigured));
        FakeRelay relay;
        DialogSettings dialog(nullptr, &relay);
        std::vector<AuthRequest> requests;
        RecordRequests(dialog, requests);

        Control<QPushButton>(dialog, "btn_authClear")->click();

        QCOMPARE(requests.size(), std::size_t(1));
        QCOMPARE(requests[0], AuthRequest("GUEST", ""));
        const AppSettings& s = dialog.settings();
        QVERIFY(!s.authAutoLogin);
        QVERIFY(s.privateKeyFile.empty());
        QCOMPARE(s.authGroup, std::string("GUEST"));
        QVERIFY(Control<QLineEdit>(dialog, "edit_authPrivKeyFile")->text().isEmpty());
        QCOMPARE(Control<QLabel>(dialog, "lbl_authGroup_current")->text(), QStringLiteral("Not connected"));

        Control<QPushButton>(dialog, "btn_ok")->click();
        const QMap<QString, QString> entries = IniEntries(ReadAppIni(*home));
        QCOMPARE(entries.value("Auth/AuthGroup"), QStringLiteral("GUEST"));
        QCOMPARE(entries.value("Auth/AuthAutoLogin"), QStringLiteral("false"));
        QCOMPARE(entries.value("Auth/AuthPrivateKeyFile"), QString());
    }

    void clearingWhileConnectedTakesTheDevicesGroup()
    {
        QVERIFY(WriteAppIni(*home, kUserKeyConfigured));
        FakeRelay relay("USER");
        DialogSettings dialog(nullptr, &relay);
        QObject::connect(&dialog, &DialogSettings::authRequested,
            [&relay](std::string group, std::string) { relay.answer = group; });

        Control<QPushButton>(dialog, "btn_authClear")->click();
        QCOMPARE(dialog.settings().authGroup, std::string("GUEST"));
        QCOMPARE(Control<QLabel>(dialog, "lbl_authGroup_current")->text(), QStringLiteral("GUEST"));
    }

    // --- refreshing the shown group ---
    void refreshWithoutDeviceGroupKeepsTheConfiguredGroup_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("not connected") << QString::fromUtf8(kRelayNotConnected);
        QTest::newRow("capture running") << QString::fromUtf8(kRelayCaptureRunning);
        QTest::newRow("empty answer") << QString();
    }

    void refreshWithoutDeviceGroupKeepsTheConfiguredGroup()
    {
        QFETCH(QString, answer);
        QVERIFY(WriteAppIni(*home, kUserKeyConfigured));
        FakeRelay relay(answer.toStdString());
        DialogSettings dialog(nullptr, &relay);

        dialog.RefreshAuthGroup();
        QCOMPARE(Control<QLabel>(dialog, "lbl_authGroup_current")->text(), answer);
        QCOMPARE(dialog.settings().authGroup, std::string("USER"));
        Control<QPushButton>(dialog, "btn_ok")->click();
        QCOMPARE(IniEntries(ReadAppIni(*home)).value("Auth/AuthGroup"), QStringLiteral("USER"));
    }
};

QTEST_MAIN(DialogSettingsAuthTest)
#include "DialogSettingsAuthTest.moc"
