// The settings dialog's form, its start-up with the settings file, and how edits reach
// the record and the file.

#include "DialogSettings.h"
#include "DialogSettingsTestSupport.h"
#include "SettingsTestHelpers.h"
#include "TempSettingsHome.h"

#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

using namespace settingstest;

namespace {

const char* const kAlwaysShownSaveBoxes[] = { "check_finalImg", "check_segInfos", "check_finalSegments" };
const char* const kExtendedSaveBoxes[] = { "check_rawData", "check_previewImg", "check_calibFile", "check_capTimes" };

} // namespace

class DialogSettingsTest : public QObject {
    Q_OBJECT

private slots:
    // --- the class and its form ---
    void signalAndSlotsAreDeclaredInOrder()
    {
        const QMetaObject& meta = DialogSettings::staticMetaObject;
        QStringList methods;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
            methods << QString::fromLatin1(meta.method(i).methodSignature());
        }
        QCOMPARE(methods,
            QStringList({ "authRequested(std::string,std::string)", "OkClicked()", "CancelClicked()",
                "CheckSettings()", "BrowseFwPath()", "UpdateFirmware()", "BrowsePrivKeyFile()", "clearPrivKey()",
                "UpdateBaseDir()" }));
    }

    void formHasItsTabsRangesAndSteps()
    {
        TempSettingsHome home;
        QVERIFY(home.isValid());
        DialogSettings dialog(nullptr, nullptr);

        QCOMPARE(dialog.objectName(), QStringLiteral("SettingsDialog"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Dialog"));
        auto* tabs = Control<QTabWidget>(dialog, "tabWidget");
        QVERIFY(tabs);
        QCOMPARE(tabs->currentIndex(), 0);
        QStringList tabTexts;
        for (int i = 0; i < tabs->count(); ++i) {
            tabTexts << tabs->tabText(i);
        }
        QCOMPARE(tabTexts, QStringList({ "Live View", "Saved Data", "Firmware Update", "Authentification" }));

        struct IntRange {
            const char* name;
            int min, max, step;
        };
        for (const IntRange& r : { IntRange{ "spin_thresholdHigh", 196, 205, 1 }, IntRange{ "spin_thresholdLow", 185, 195, 1 },
                 IntRange{ "spin_minSteps", 0, 5000, 100 } }) {
            auto* spin = Control<QSpinBox>(dialog, r.name);
            QVERIFY2(spin, r.name);
            QCOMPARE(spin->minimum(), r.min);
            QCOMPARE(spin->maximum(), r.max);
            QCOMPARE(spin->singleStep(), r.step);
        }
        struct DoubleRange {
            const char* name;
            double max, step;
        };
        for (const DoubleRange& r : { DoubleRange{ "spin_thresholdMoveX", 3.0, 0.25 },
                 DoubleRange{ "spin_thresholdMoveY", 3.0, 0.25 }, DoubleRange{ "spin_thresholdMoveZ", 25.0, 1.0 } }) {
            auto* spin = Control<QDoubleSpinBox>(dialog, r.name);
            QVERIFY2(spin, r.name);
            QCOMPARE(spin->decimals(), 2);
            QCOMPARE(spin->minimum(), 0.0);
            QCOMPARE(spin->maximum(), r.max);
            QCOMPARE(spin->singleStep(), r.step);
        }

        QCOMPARE(Control<QCheckBox>(dialog, "check_rawData")->text(), QStringLiteral(" Raw Data"));
        QCOMPARE(Control<QPushButton>(dialog, "btn_browseBaseDir")->text(), QStringLiteral("Browse.."));
        QCOMPARE(Control<QLabel>(dialog, "lbl_authGroup_current")->text(), QStringLiteral("-"));
        QVERIFY(!Control<QLineEdit>(dialog, "edit_authPrivKeyFile")->isEnabled());
        auto* fwLabel = Control<QLabel>(dialog, "lbl_fwUpdate");
        QVERIFY(fwLabel->isHidden());
        QVERIFY(fwLabel->wordWrap());
        QVERIFY(fwLabel->font().bold());
        QCOMPARE(fwLabel->font().pointSize(), 12);
        QCOMPARE(Control<QWidget>(dialog, "verticalLayoutWidget")->geometry(), QRect(10, 40, 401, 80));
    }

    // --- start-up ---
    void startupWithoutFileShowsDefaultsAndWritesStandardKeys()
    {
        TempSettingsHome home;
        QVERIFY(home.isValid());
        DialogSettings dialog(nullptr, nullptr);

        const AppSettings& s = dialog.settings();
        QCOMPARE(s.deviceIp, std::string("127.0.0.1"));
        QCOMPARE(s.devicePort, 60123);
        QCOMPARE(s.thresholdMoveY, 3.0f);
        QCOMPARE(s.basePath, DefaultAppSettings().basePath);
        QVERIFY(!s.extendedMode);
        QVERIFY(dialog.AnySaveOptionEnabled());

        QCOMPARE(Sorted(IniEntries(ReadAppIni(home)).keys()), Sorted(StandardKeys()));

        QCOMPARE(Control<QLineEdit>(dialog, "edit_ip")->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(Control<QLineEdit>(dialog, "edit_port")->text(), QStringLiteral("60123"));
        QCOMPARE(Control<QLineEdit>(dialog, "edit_baseDir")->text(), s.basePath);
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
        TempSettingsHome home;
        QVERIFY(home.isValid());
        QVERIFY(WriteAppIni(home, "[CaptureSettings]\nThresholdMoveZ=40\n[SaveSettings]\nRawData=true\n"));
        DialogSettings dialog(nullptr, nullptr);

        QCOMPARE(dialog.settings().thresholdMoveZ, 25.0f);
        QVERIFY(!dialog.settings().saveRawData);
        auto* moveZ = Control<QDoubleSpinBox>(dialog, "spin_thresholdMoveZ");
        QCOMPARE(moveZ->value(), 25.0);
        QCOMPARE(moveZ->maximum(), 25.0);
        QVERIFY(!Control<QCheckBox>(dialog, "check_rawData")->isChecked());

        const QMap<QString, QString> entries = IniEntries(ReadAppIni(home));
        QCOMPARE(entries.value("CaptureSettings/ThresholdMoveZ"), QStringLiteral("25"));
        // Not this mode's key: the file keeps it.
        QCOMPARE(entries.value("SaveSettings/RawData"), QStringLiteral("true"));
    }

    void startupInExtendedModeKeepsMoveZAndStoresNothing()
    {
        TempSettingsHome home;
        QVERIFY(home.isValid());
        const QByteArray file = "[UserSettings]\nUser=5307\n[CaptureSettings]\nThresholdMoveZ=40\n"
                                "[SaveSettings]\nRawData=true\nCaptureTimes=true\n";
        QVERIFY(WriteAppIni(home, file));
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
        QCOMPARE(ReadAppIni(home), file);

        // Applying keeps the value above the standard limit.
        QVERIFY(QMetaObject::invokeMethod(&dialog, "CheckSettings"));
        QCOMPARE(dialog.settings().thresholdMoveZ, 40.0f);
        QCOMPARE(IniEntries(ReadAppIni(home)).value("CaptureSettings/ThresholdMoveZ"), QStringLiteral("40"));
    }

    void valuesBeyondTheControlsAreLimitedByThem()
    {
        TempSettingsHome home;
        QVERIFY(home.isValid());
        QVERIFY(WriteAppIni(home,
            "[CaptureSettings]\nThresholdTooHigh=1e30\nThresholdTooLow=-3e9\n"
            "[WorkflowSettings]\nMinWorkflowDelayMs=99999\n"));
        DialogSettings dialog(nullptr, nullptr);

        QCOMPARE(Control<QSpinBox>(dialog, "spin_thresholdHigh")->value(), 205);
        QCOMPARE(Control<QSpinBox>(dialog, "spin_thresholdLow")->value(), 185);
        QCOMPARE(Control<QSpinBox>(dialog, "spin_minSteps")->value(), 5000);

        Control<QPushButton>(dialog, "btn_ok")->click();
        const QMap<QString, QString> entries = IniEntries(ReadAppIni(home));
        QCOMPARE(entries.value("CaptureSettings/ThresholdTooHigh"), QStringLiteral("205"));
        QCOMPARE(entries.value("CaptureSettings/ThresholdTooLow"), QStringLiteral("185"));
        QCOMPARE(entries.value("WorkflowSettings/MinWorkflowDelayMs"), QStringLiteral("5000"));
    }

    // --- applying edits ---
    void wiredControlsStoreAtOnce()
    {
        TempSettingsHome home;
        QVERIFY(home.isValid());
        DialogSettings dialog(nullptr, nullptr);

        auto* ip = Control<QLineEdit>(dialog, "edit_ip");
        ip->setText(QStringLiteral("10.0.0.7"));
        emit ip->editingFinished();
        QCOMPARE(dialog.settings().deviceIp, std::string("10.0.0.7"));
        QCOMPARE(IniEntries(ReadAppIni(home)).value("DeviceSettings/DeviceIp"), QStringLiteral("10.0.0.7"));

        Control<QCheckBox>(dialog, "check_fpsRate")->click();
        QVERIFY(dialog.settings().drawFps);
        QCOMPARE(IniEntries(ReadAppIni(home)).value("LiveViewSettings/DrawFPS"), QStringLiteral("true"));

        auto* baseDir = Control<QLineEdit>(dialog, "edit_baseDir");
        baseDir->setText(QStringLiteral("/srv/captures"));
        emit baseDir->editingFinished();
        QCOMPARE(IniEntries(ReadAppIni(home)).value("SaveSettings/BasePath"), QStringLiteral("/srv/captures"));
    }

    void portOfLettersIsStoredAsZero()
    {
        TempSettingsHome home;
        QVERIFY(home.isValid());
        DialogSettings dialog(nullptr, nullptr);

        auto* port = Control<QLineEdit>(dialog, "edit_port");
        port->setText(QStringLiteral("4711"));
        emit port->editingFinished();
        QCOMPARE(IniEntries(ReadAppIni(home)).value("DeviceSettings/DevicePort"), QStringLiteral("4711"));

        port->setText(QStringLiteral("port"));
        emit port->editingFinished();
        QCOMPARE(dialog.settings().devicePort, 0);
        QCOMPARE(port->text(), QStringLiteral("0"));
        QCOMPARE(IniEntries(ReadAppIni(home)).value("DeviceSettings/DevicePort"), QStringLiteral("0"));
    }

    void finalImageUncheckedDisablesAndUnchecksDependentBoxes()
    {
        TempSettingsHome home;
        QVERIFY(home.isValid());
        QVERIFY(WriteAppIni(home, "[SaveSettings]\nFinalImage=true\nSegmentInformations=true\nSegments=true\n"));
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
        QCOMPARE(IniEntries(ReadAppIni(home)).value("SaveSettings/FinalImage"), QStringLiteral("false"));

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
        TempSettingsHome home;
        QVERIFY(home.isValid());
        DialogSettings dialog(nullptr, nullptr);
        dialog.show();
        const QByteArray stored = ReadAppIni(home);

        auto* high = Control<QSpinBox>(dialog, "spin_thresholdHigh");
        high->setValue(200);
        Control<QPushButton>(dialog, "btn_cancel")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(ReadAppIni(home), stored);
        QCOMPARE(dialog.settings().thresholdTooHigh, 205.0f);
        // Left in the control, unapplied.
        QCOMPARE(high->value(), 200);

        dialog.show();
        Control<QPushButton>(dialog, "btn_ok")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.settings().thresholdTooHigh, 200.0f);
        QCOMPARE(IniEntries(ReadAppIni(home)).value("CaptureSettings/ThresholdTooHigh"), QStringLiteral("200"));
    }

    // --- base directory ---
    void chosenBaseDirIsStoredAndUnappliedEditsAreReset()
    {
        TempSettingsHome home;
        QVERIFY(home.isValid());
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

        QCOMPARE(dialog.settings().basePath, QStringLiteral("/srv/runs"));
        QCOMPARE(Control<QLineEdit>(dialog, "edit_baseDir")->text(), QStringLiteral("/srv/runs"));
        QCOMPARE(IniEntries(ReadAppIni(home)).value("SaveSettings/BasePath"), QStringLiteral("/srv/runs"));
        QCOMPARE(high->value(), 205);
    }

    void cancelledFolderChooserChangesNothing()
    {
        TempSettingsHome home;
        QVERIFY(home.isValid());
        DialogSettings dialog(nullptr, nullptr);
        ChooserCall call;
        dialog.setChoosers(AnsweringChoosers(call, QString()));
        const QByteArray stored = ReadAppIni(home);
        const QString basePath = dialog.settings().basePath;

        Control<QPushButton>(dialog, "btn_browseBaseDir")->click();
        QCOMPARE(call.count, 1);
        QCOMPARE(dialog.settings().basePath, basePath);
        QCOMPARE(ReadAppIni(home), stored);
    }
};

QTEST_MAIN(DialogSettingsTest)
#include "DialogSettingsTest.moc"
