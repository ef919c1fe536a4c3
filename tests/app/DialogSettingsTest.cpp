// The settings dialog's form, its start-up with the settings file, and how edits reach
// the record and the file.

#include "DialogSettings.h"
#include "DialogSettingsTestSupport.h"
#include "SettingsHomeTest.h"
#include "SettingsTestHelpers.h"
#include "TempSettingsHome.h"

#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>


using namespace settingstest;

namespace {

const char* const kAlwaysShownSaveBoxes[] = { "check_finalImg", "check_segInfos", "check_finalSegments" };
const char* const kExtendedSaveBoxes[] = { "check_rawData", "check_previewImg", "check_calibFile", "check_capTimes" };

} // namespace

class DialogSettingsTest : public SettingsHomeTest {
    Q_OBJECT

private slots:

    // --- start-up ---
    void startupWithoutFileShowsDefaultsAndWritesStandardKeys()
    {
        DialogSettings dialog(nullptr, nullptr);

        const AppSettings& s = dialog.settings();
        QVERIFY(!s.extendedMode);
        QVERIFY(dialog.AnySaveOptionEnabled());

        QCOMPARE(Sorted(IniEntries(ReadAppIni(*home)).keys()), Sorted(StandardKeys()));

        QCOMPARE(Control<QLineEdit>(dialog, "edit_ip")->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(Control<QLineEdit>(dialog, "edit_port")->text(), QStringLiteral("60123"));
        QCOMPARE(Control<QLineEdit>(dialog, "edit_baseDir")->text(), QString::fromStdString(s.basePath));
        QVERIFY(Control<QCheckBox>(dialog, "check_boundingBoxes")->isChecked());
        QCOMPARE(Control<QDoubleSpinBox>(dialog, "spin_thresholdMoveY")->value(), 3.0);
        QCOMPARE(Control<QSpinBox>(dialog, "spin_minSteps")->value(), 1500);
        for (const char* name : kAlwaysShownSaveBoxes) {
            QVERIFY2(!Control<QCheckBox>(dialog, name)->isHidden(), name);
        }
        for (const char* name : kExtendedSaveBoxes) {
            QVERIFY2(Control<QCheckBox>(dialog, name)->isHidden(), name);
        }
    }

    void startupOutsideExtendedModeLimitsMoveZAndWritesItBack()
    {
        QVERIFY(WriteAppIni(*home, "[CaptureSettings]\nThresholdMoveZ=40\n[SaveSettings]\nRawData=true\n"));
        DialogSettings dialog(nullptr, nullptr);

        QCOMPARE(dialog.settings().thresholdMoveZ, 25.0f);
        QVERIFY(!dialog.settings().saveRawData);
        auto* moveZ = Control<QDoubleSpinBox>(dialog, "spin_thresholdMoveZ");
        QCOMPARE(moveZ->value(), 25.0);
        QCOMPARE(moveZ->maximum(), 25.0);
        QVERIFY(!Control<QCheckBox>(dialog, "check_rawData")->isChecked());

        const QMap<QString, QString> entries = IniEntries(ReadAppIni(*home));
        QCOMPARE(entries.value("CaptureSettings/ThresholdMoveZ"), QStringLiteral("25"));
        // Not this mode's key: the file keeps it.
        QCOMPARE(entries.value("SaveSettings/RawData"), QStringLiteral("true"));
    }

    void startupInExtendedModeKeepsMoveZAndStoresNothing()
    {
        const QByteArray file = "[UserSettings]\nUser=5307\n[CaptureSettings]\nThresholdMoveZ=40\n"
                                "[SaveSettings]\nRawData=true\nCaptureTimes=true\n";
        QVERIFY(WriteAppIni(*home, file));
        DialogSettings dialog(nullptr, nullptr);

        QVERIFY(dialog.settings().extendedMode);
        QCOMPARE(dialog.settings().thresholdMoveZ, 40.0f);
        auto* moveZ = Control<QDoubleSpinBox>(dialog, "spin_thresholdMoveZ");
        QCOMPARE(moveZ->maximum(), 200.0);
        QCOMPARE(moveZ->value(), 40.0);
        QVERIFY(Control<QCheckBox>(dialog, "check_rawData")->isChecked());
        QVERIFY(Control<QCheckBox>(dialog, "check_capTimes")->isChecked());
        for (const char* name : kExtendedSaveBoxes) {
            QVERIFY2(!Control<QCheckBox>(dialog, name)->isHidden(), name);
        }
        QCOMPARE(ReadAppIni(*home), file);

        // Applying keeps the value above the standard limit.
        QVERIFY(QMetaObject::invokeMethod(&dialog, "CheckSettings"));
        QCOMPARE(dialog.settings().thresholdMoveZ, 40.0f);
        QCOMPARE(IniEntries(ReadAppIni(*home)).value("CaptureSettings/ThresholdMoveZ"), QStringLiteral("40"));
    }

    // --- applying edits ---
    void wiredControlsStoreAtOnceAndLettersInThePortAreZero()
    {
        DialogSettings dialog(nullptr, nullptr);

        auto* ip = Control<QLineEdit>(dialog, "edit_ip");
        ip->setText(QStringLiteral("10.0.0.7"));
        emit ip->editingFinished();
        QCOMPARE(dialog.settings().deviceIp, std::string("10.0.0.7"));
        QCOMPARE(IniEntries(ReadAppIni(*home)).value("DeviceSettings/DeviceIp"), QStringLiteral("10.0.0.7"));

        Control<QCheckBox>(dialog, "check_fpsRate")->click();
        QVERIFY(dialog.settings().drawFps);
        QCOMPARE(IniEntries(ReadAppIni(*home)).value("LiveViewSettings/DrawFPS"), QStringLiteral("true"));

        auto* baseDir = Control<QLineEdit>(dialog, "edit_baseDir");
        baseDir->setText(QStringLiteral("/srv/captures"));
        emit baseDir->editingFinished();
        QCOMPARE(IniEntries(ReadAppIni(*home)).value("SaveSettings/BasePath"), QStringLiteral("/srv/captures"));

        // A port of letters is stored as zero and shown so.
        auto* port = Control<QLineEdit>(dialog, "edit_port");
        port->setText(QStringLiteral("4711"));
        emit port->editingFinished();
        QCOMPARE(IniEntries(ReadAppIni(*home)).value("DeviceSettings/DevicePort"), QStringLiteral("4711"));
        port->setText(QStringLiteral("port"));
        emit port->editingFinished();
        QCOMPARE(dialog.settings().devicePort, 0);
        QCOMPARE(port->text(), QStringLiteral("0"));
        QCOMPARE(IniEntries(ReadAppIni(*home)).value("DeviceSettings/DevicePort"), QStringLiteral("0"));
    }

    void finalImageUncheckedDisablesAndUnchecksDependentBoxes()
    {
        QVERIFY(WriteAppIni(*home, "[SaveSettings]\nFinalImage=true\nSegmentInformations=true\nSegments=true\n"));
        DialogSettings dialog(nullptr, nullptr);
        auto* finalImage = Control<QCheckBox>(dialog, "check_finalImg");
        auto* segInfos = Control<QCheckBox>(dialog, "check_segInfos");
        auto* segments = Control<QCheckBox>(dialog, "check_finalSegments");
        QVERIFY(segInfos->isChecked() && segInfos->isEnabled());
        QVERIFY(segments->isChecked() && segments->isEnabled());

        finalImage->click();
        QVERIFY(!dialog.settings().saveFinalImage);
        QVERIFY(!segInfos->isChecked());
        QVERIFY(!segInfos->isEnabled());
        QVERIFY(!segments->isChecked());
        QVERIFY(!segments->isEnabled());
        QCOMPARE(IniEntries(ReadAppIni(*home)).value("SaveSettings/FinalImage"), QStringLiteral("false"));

        // The next apply takes the unchecked boxes into the record.
        Control<QPushButton>(dialog, "btn_ok")->click();
        QVERIFY(!dialog.settings().saveSegments);
        QVERIFY(!dialog.settings().saveSegmentInformations);

        finalImage->click();
        QVERIFY(segInfos->isEnabled());
        QVERIFY(segments->isEnabled());
        QVERIFY(!segments->isChecked());
    }

    void cancelAfterSpinChangeStoresNothingAndOkStoresIt()
    {
        DialogSettings dialog(nullptr, nullptr);
        dialog.show();
        const QByteArray stored = ReadAppIni(*home);

        auto* high = Control<QSpinBox>(dialog, "spin_thresholdHigh");
        high->setValue(200);
        Control<QPushButton>(dialog, "btn_cancel")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(ReadAppIni(*home), stored);
        QCOMPARE(dialog.settings().thresholdTooHigh, 205.0f);
        // Left in the control, unapplied.
        QCOMPARE(high->value(), 200);

        dialog.show();
        Control<QPushButton>(dialog, "btn_ok")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.settings().thresholdTooHigh, 200.0f);
        QCOMPARE(IniEntries(ReadAppIni(*home)).value("CaptureSettings/ThresholdTooHigh"), QStringLiteral("200"));
    }

    // --- base directory ---
    void chosenBaseDirIsStoredAndUnappliedEditsAreReset()
    {
        DialogSettings dialog(nullptr, nullptr);
        ChooserCall call;
        dialog.setChoosers(AnsweringChoosers(call, QStringLiteral("/srv/runs")));
        auto* high = Control<QSpinBox>(dialog, "spin_thresholdHigh");
        high->setValue(198);

        Control<QPushButton>(dialog, "btn_browseBaseDir")->click();
        QCOMPARE(call.count, 1);
        QCOMPARE(call.parent, nullptr);
        QCOMPARE(call.caption, QString::fromUtf8("W\xc3\xa4hle einen Ordner"));
        QCOMPARE(call.directory, QDir::homePath());

        QCOMPARE(dialog.settings().basePath, std::string("/srv/runs"));
        QCOMPARE(Control<QLineEdit>(dialog, "edit_baseDir")->text(), QStringLiteral("/srv/runs"));
        QCOMPARE(IniEntries(ReadAppIni(*home)).value("SaveSettings/BasePath"), QStringLiteral("/srv/runs"));
        QCOMPARE(high->value(), 205);
    }
};

QTEST_MAIN(DialogSettingsTest)
#include "DialogSettingsTest.moc"
