// The settings record's file: keys, text forms, defaults, the extended mode's rules, and
// files that are not what the application wrote.

#include "AppSettings.h"
#include "SettingsStore.h"
#include "SettingsHomeTest.h"
#include "SettingsTestHelpers.h"
#include "TempSettingsHome.h"

#include <QtTest>


#include <cmath>

using namespace settingstest;

namespace {

AppSettings LoadFromStore(AppSettings settings = DefaultAppSettings())
{
    const auto store = OpenSettingsStore();
    LoadAppSettings(settings, *store);
    return settings;
}

void StoreToStore(const AppSettings& settings)
{
    const auto store = OpenSettingsStore();
    StoreAppSettings(settings, *store);
}

// Every field but extendedMode differs from its default.
AppSettings NonDefaultSettings()
{
    AppSettings s = DefaultAppSettings();
    s.authAutoLogin = true;
    s.authGroup = "ADMIN";
    s.privateKeyFile = "/home/j\xc3\xb6rg/keys/ADMIN.priv.pem";
    s.drawFps = true;
    s.drawBoundingBox = false;
    s.drawPosition = true;
    s.drawDistance = true;
    s.drawMovement = true;
    s.thresholdTooHigh = 199.0f;
    s.thresholdTooLow = 190.0f;
    s.thresholdMoveX = 0.25f;
    s.thresholdMoveY = 1.75f;
    s.thresholdMoveZ = 0.1f;
    s.minWorkflowDelayMs = 300.0f;
    s.basePath = "/data/Ergebnisse f\xC3\xBCr heute";
    s.deviceIp = "192.168.17.4";
    s.devicePort = 4711;
    s.saveRawData = true;
    s.saveCaptureTimes = true;
    s.savePreviewImage = true;
    s.saveFinalImage = false;
    s.saveCalibrationFile = true;
    s.saveSegmentInformations = true;
    s.saveSegments = true;
    return s;
}

void CompareSettings(const AppSettings& actual, const AppSettings& expected)
{
    QCOMPARE(actual.authAutoLogin, expected.authAutoLogin);
    QCOMPARE(actual.authGroup, expected.authGroup);
    QCOMPARE(actual.privateKeyFile, expected.privateKeyFile);
    QCOMPARE(actual.drawFps, expected.drawFps);
    QCOMPARE(actual.drawBoundingBox, expected.drawBoundingBox);
    QCOMPARE(actual.drawPosition, expected.drawPosition);
    QCOMPARE(actual.drawDistance, expected.drawDistance);
    QCOMPARE(actual.drawMovement, expected.drawMovement);
    QCOMPARE(actual.thresholdTooHigh, expected.thresholdTooHigh);
    QCOMPARE(actual.thresholdTooLow, expected.thresholdTooLow);
    QCOMPARE(actual.thresholdMoveX, expected.thresholdMoveX);
    QCOMPARE(actual.thresholdMoveY, expected.thresholdMoveY);
    QCOMPARE(actual.thresholdMoveZ, expected.thresholdMoveZ);
    QCOMPARE(actual.minWorkflowDelayMs, expected.minWorkflowDelayMs);
    QCOMPARE(actual.basePath, expected.basePath);
    QCOMPARE(actual.deviceIp, expected.deviceIp);
    QCOMPARE(actual.devicePort, expected.devicePort);
    QCOMPARE(actual.saveRawData, expected.saveRawData);
    QCOMPARE(actual.saveCaptureTimes, expected.saveCaptureTimes);
    QCOMPARE(actual.savePreviewImage, expected.savePreviewImage);
    QCOMPARE(actual.saveFinalImage, expected.saveFinalImage);
    QCOMPARE(actual.saveCalibrationFile, expected.saveCalibrationFile);
    QCOMPARE(actual.saveSegmentInformations, expected.saveSegmentInformations);
    QCOMPARE(actual.saveSegments, expected.saveSegments);
    QCOMPARE(actual.extendedMode, expected.extendedMode);
}

} // namespace

class SettingsStoreTest : public SettingsHomeTest {
    Q_OBJECT

private slots:

    // --- keys and text forms ---
    void loadingWithoutFileKeepsDefaults()
    {
        CompareSettings(LoadFromStore(), DefaultAppSettings());
        QVERIFY(!home->iniFileExists(Organisation(), Application()));
    }

    void storingDefaultsWritesStandardKeysAsText()
    {
        StoreToStore(DefaultAppSettings());

        const QMap<QString, QString> entries = IniEntries(ReadAppIni(*home));
        QCOMPARE(Sorted(entries.keys()), Sorted(StandardKeys()));
        QCOMPARE(entries.value("DeviceSettings/DeviceIp"), QStringLiteral("127.0.0.1"));
        QCOMPARE(entries.value("DeviceSettings/DevicePort"), QStringLiteral("60123"));
        QCOMPARE(entries.value("LiveViewSettings/DrawFPS"), QStringLiteral("false"));
        QCOMPARE(entries.value("LiveViewSettings/DrawBoundingBox"), QStringLiteral("true"));
        QCOMPARE(entries.value("CaptureSettings/ThresholdTooHigh"), QStringLiteral("205"));
        QCOMPARE(entries.value("CaptureSettings/ThresholdTooLow"), QStringLiteral("185"));
        QCOMPARE(entries.value("CaptureSettings/ThresholdMoveX"), QStringLiteral("2.5"));
        QCOMPARE(entries.value("CaptureSettings/ThresholdMoveY"), QStringLiteral("3"));
        QCOMPARE(entries.value("CaptureSettings/ThresholdMoveZ"), QStringLiteral("20"));
        QCOMPARE(entries.value("WorkflowSettings/MinWorkflowDelayMs"), QStringLiteral("1500"));
        QCOMPARE(entries.value("SaveSettings/FinalImage"), QStringLiteral("true"));
        QCOMPARE(entries.value("SaveSettings/SegmentInformations"), QStringLiteral("false"));
        QCOMPARE(entries.value("SaveSettings/Segments"), QStringLiteral("false"));
        QCOMPARE(entries.value("Auth/AuthAutoLogin"), QStringLiteral("false"));
        QCOMPARE(entries.value("Auth/AuthGroup"), QStringLiteral("GUEST"));
        QCOMPARE(entries.value("Auth/AuthPrivateKeyFile"), QString());

        CompareSettings(LoadFromStore(), DefaultAppSettings());
    }

    void storeThenLoadKeepsEveryField()
    {
        AppSettings written = NonDefaultSettings();
        written.extendedMode = true;
        StoreToStore(written);

        // The extended mode itself is never written; the file has to grant it.
        QVERIFY(!IniEntries(ReadAppIni(*home)).contains("UserSettings/User"));
        {
            const auto store = OpenSettingsStore();
            store->setValue("UserSettings/User", kExtendedModeUser);
        }
        CompareSettings(LoadFromStore(), written);
    }

    // --- the extended mode ---
    void otherUsersNeitherLoadNorOverwriteExtendedSaveSwitches_data()
    {
        QTest::addColumn<QByteArray>("userSection");
        QTest::newRow("absent") << QByteArray();
        QTest::newRow("zero") << QByteArray("[UserSettings]\nUser=0\n");
        QTest::newRow("near miss") << QByteArray("[UserSettings]\nUser=5306\n");
        QTest::newRow("trailing text") << QByteArray("[UserSettings]\nUser=5307x\n");
        QTest::newRow("group name") << QByteArray("[UserSettings]\nUser=ADMIN\n");
        // 2^32 + 5307: must not wrap around to the magic value.
        QTest::newRow("wrapping number") << QByteArray("[UserSettings]\nUser=4294972603\n");
    }

    void otherUsersNeitherLoadNorOverwriteExtendedSaveSwitches()
    {
        QFETCH(QByteArray, userSection);
        QVERIFY(WriteAppIni(*home,
            userSection + "[SaveSettings]\nRawData=true\nCaptureTimes=true\nPreviewImage=true\nCalibrationFile=true\n"));

        const AppSettings loaded = LoadFromStore();
        QVERIFY(!loaded.extendedMode);
        QVERIFY(!loaded.saveRawData);
        QVERIFY(!loaded.saveCaptureTimes);
        QVERIFY(!loaded.savePreviewImage);
        QVERIFY(!loaded.saveCalibrationFile);

        StoreToStore(loaded);
        const QMap<QString, QString> entries = IniEntries(ReadAppIni(*home));
        for (const QString& key : ExtendedSaveKeys()) {
            QCOMPARE(entries.value(key), QStringLiteral("true"));
        }
    }

    void extendedSaveKeysAreWrittenOnlyInExtendedMode()
    {
        AppSettings s = DefaultAppSettings();
        s.saveRawData = true;
        StoreToStore(s);
        QVERIFY(!IniEntries(ReadAppIni(*home)).contains("SaveSettings/RawData"));

        s.extendedMode = true;
        StoreToStore(s);
        const QMap<QString, QString> entries = IniEntries(ReadAppIni(*home));
        QCOMPARE(entries.value("SaveSettings/RawData"), QStringLiteral("true"));
        QCOMPARE(entries.value("SaveSettings/CaptureTimes"), QStringLiteral("false"));
        QCOMPARE(entries.value("SaveSettings/PreviewImage"), QStringLiteral("false"));
        QCOMPARE(entries.value("SaveSettings/CalibrationFile"), QStringLiteral("false"));
        QVERIFY(!entries.contains("UserSettings/User"));
    }

    // --- text the application did not write ---
    void numbersReadByQtConversions_data()
    {
        QTest::addColumn<QByteArray>("portText");
        QTest::addColumn<QByteArray>("delayText");
        QTest::addColumn<QByteArray>("moveXText");
        QTest::addColumn<int>("port");
        QTest::addColumn<float>("delayMs");
        QTest::addColumn<float>("moveX");
        QTest::newRow("as written") << QByteArray("60123") << QByteArray("1500") << QByteArray("2.75") << 60123 << 1500.0f << 2.75f;
        QTest::newRow("letters") << QByteArray("abc") << QByteArray("soon") << QByteArray("x") << 0 << 0.0f << 0.0f;
        QTest::newRow("fractions where whole numbers belong")
            << QByteArray("60123.5") << QByteArray("1500.5") << QByteArray("1e-1") << 0 << 0.0f << 0.1f;
        QTest::newRow("out of range") << QByteArray("99999999999") << QByteArray("-7") << QByteArray("1e40") << 0 << 0.0f << 0.0f;
        QTest::newRow("too long for int") << QByteArray("4295027419") << QByteArray("4294968796") << QByteArray("3") << 0 << 0.0f << 3.0f;
        // Not-a-number and infinity are no thresholds; they read as a failed conversion.
        QTest::newRow("not finite") << QByteArray() << QByteArray() << QByteArray("nan") << 0 << 0.0f << 0.0f;
        QTest::newRow("infinite") << QByteArray("1") << QByteArray("1") << QByteArray("-inf") << 1 << 1.0f << 0.0f;
    }

    void numbersReadByQtConversions()
    {
        QFETCH(QByteArray, portText);
        QFETCH(QByteArray, delayText);
        QFETCH(QByteArray, moveXText);
        QFETCH(int, port);
        QFETCH(float, delayMs);
        QFETCH(float, moveX);
        QVERIFY(WriteAppIni(*home, "[DeviceSettings]\nDevicePort=" + portText + "\n[WorkflowSettings]\nMinWorkflowDelayMs="
                + delayText + "\n[CaptureSettings]\nThresholdMoveX=" + moveXText + "\n"));

        const AppSettings loaded = LoadFromStore();
        QCOMPARE(loaded.devicePort, port);
        QCOMPARE(loaded.minWorkflowDelayMs, delayMs);
        QCOMPARE(loaded.thresholdMoveX, moveX);
    }

    void damagedFilesLoadAndCanBeRewritten_data()
    {
        QTest::addColumn<QByteArray>("content");
        QByteArray noise;
        for (int i = 0; i < 4096; ++i) {
            noise.append(static_cast<char>((i * 7919 + 13) % 256));
        }
        QTest::newRow("binary noise") << noise;
        QTest::newRow("cut in a section name") << QByteArray("[DeviceSettings]\nDevicePort=4000\n[CaptureSett");
        QTest::newRow("cut in a value") << QByteArray("[CaptureSettings]\nThresholdMoveZ=2");
        QTest::newRow("not UTF-8") << QByteArray("[DeviceSettings]\nDeviceIp=\xff\xfe\xc3\x28\n[Auth]\nAuthGroup=\x80\x81\n");
        static const char brokenVariant[] =
            "[DeviceSettings]\nDeviceIp=@Variant(\0\0\0\x7f\xff\xff)\nDevicePort=@Variant(\0\0\0\x02";
        QTest::newRow("broken serialised variant") << QByteArray(brokenVariant, sizeof(brokenVariant) - 1);
        QTest::newRow("unterminated quote and byte array")
            << QByteArray("[SaveSettings]\nBasePath=\"/tmp/open\n[Auth]\nAuthPrivateKeyFile=@ByteArray(abc\n");
        QTest::newRow("keys outside any section") << QByteArray("=\n==\n[]\n[=]\nUser=5307\n\\\n");
    }

    void damagedFilesLoadAndCanBeRewritten()
    {
        QFETCH(QByteArray, content);
        QVERIFY(WriteAppIni(*home, content));

        const AppSettings loaded = LoadFromStore();
        for (float value : { loaded.thresholdTooHigh, loaded.thresholdTooLow, loaded.thresholdMoveX,
                 loaded.thresholdMoveY, loaded.thresholdMoveZ, loaded.minWorkflowDelayMs }) {
            QVERIFY(std::isfinite(value));
        }

        // Whatever was read, writing it and reading it back gives the same record.
        StoreToStore(loaded);
        CompareSettings(LoadFromStore(), loaded);
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "SettingsStoreTest.moc"
