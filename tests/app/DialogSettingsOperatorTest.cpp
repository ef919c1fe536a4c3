// The settings dialog as an operator meets it: the configured access group kept until the
// operator changes it, labels shown whole, Enter in a field, and a firmware upload that
// shows its progress while the dialog stays usable.

#include "DialogSettings.h"
#include "DialogSettingsTestSupport.h"
#include "SettingsHomeTest.h"
#include "SettingsTestHelpers.h"
#include "SimProcess.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace settingstest;

namespace {
// Runs `seen` whenever `watched` receives an event of `type`.
class EventWatch : public QObject {
public:
    EventWatch(QObject* watched, QEvent::Type type, std::function<void()> seen) : type(type), seen(std::move(seen))
    {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == type) {
            seen();
        }
        return false;
    }

private:
    QEvent::Type type;
    std::function<void()> seen;
};
} // namespace

class DialogSettingsOperatorTest : public SettingsHomeTest {
    Q_OBJECT

private slots:
    void storedGroupChangesOnlyWithTheOperatorsKey()
    {
        QVERIFY(WriteAppIni(*home, "[Auth]\nAuthAutoLogin=true\nAuthGroup=USER\nAuthPrivateKeyFile=/keys/USER.priv.pem\n"));
        FakeRelay relay("GUEST\x07"); // the automatic login failed; the device's text rings a bell
        DialogSettings dialog(nullptr, &relay);
        ChooserCall call;
        dialog.setChoosers(AnsweringChoosers(call, QStringLiteral("/keys/ADMIN.priv.pem")));
        const auto stored = [this](const char* key) { return IniEntries(ReadAppIni(*home)).value(QString::fromLatin1(key)); };

        dialog.RefreshAuthGroup();
        QCOMPARE(Control<QLabel>(dialog, "lbl_authGroup_current")->text(), QStringLiteral("GUEST\\x07"));
        dialog.OkClicked();
        QCOMPARE(stored("Auth/AuthGroup"), QStringLiteral("USER"));
        QCOMPARE(stored("Auth/AuthPrivateKeyFile"), QStringLiteral("/keys/USER.priv.pem"));

        // The device refuses the new key and still grants USER: group and key stay a pair.
        relay.answer = "USER";
        Control<QPushButton>(dialog, "btn_browsePrivKeyFile")->click();
        QCOMPARE(Control<QLabel>(dialog, "lbl_authGroup_current")->text(), QStringLiteral("USER"));
        dialog.OkClicked();
        QCOMPARE(stored("Auth/AuthGroup"), QStringLiteral("ADMIN"));
        QCOMPARE(stored("Auth/AuthPrivateKeyFile"), QStringLiteral("/keys/ADMIN.priv.pem"));

        Control<QPushButton>(dialog, "btn_authClear")->click();
        dialog.OkClicked();
        QCOMPARE(stored("Auth/AuthGroup"), QStringLiteral("GUEST"));
        QCOMPARE(stored("Auth/AuthPrivateKeyFile"), QString());
    }

    void labelsShowWholeAndEnterOnlyAppliesTheField()
    {
        DialogSettings dialog(nullptr, nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Settings"));
        auto* tabs = Control<QTabWidget>(dialog, "tabWidget");
        const struct {
            int tab;
            const char* label;
        } labels[] = { { 0, "label" }, { 0, "label_2" }, { 0, "label_4" }, { 3, "label_9" } };
        for (const auto& l : labels) {
            tabs->setCurrentIndex(l.tab);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            const QLabel* label = Control<QLabel>(dialog, l.label);
            QVERIFY2(label->width() >= label->sizeHint().width(), l.label);
        }

        tabs->setCurrentIndex(1);
        ChooserCall call;
        dialog.setChoosers(AnsweringChoosers(call, QStringLiteral("/chosen")));
        auto* baseDir = Control<QLineEdit>(dialog, "edit_baseDir");
        baseDir->setFocus();
        baseDir->setText(QStringLiteral("/srv/typed"));
        QTest::keyClick(baseDir, Qt::Key_Return);
        QCOMPARE(call.count, 0);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.settings().basePath, std::string("/srv/typed"));
    }

    void firmwareUploadShowsProgressWhileTheDialogStaysUsable()
    {
        QTemporaryDir received;
        QVERIFY(received.isValid());
        ondrel::testsupport::SimProcess sim({ "--firmware-dir", received.path().toStdString() });
        QVERIFY(WriteAppIni(*home,
            "[DeviceSettings]\nDeviceIp=" + QByteArray::fromStdString(sim.host())
                + "\nDevicePort=" + QByteArray::number(sim.port()) + "\n"));
        QByteArray image(6 * 1024 * 1024, '\0');
        for (int i = 0; i < image.size(); ++i) {
            image[i] = static_cast<char>(i * 7 + i / 4096);
        }
        QFile file(received.filePath(QStringLiteral("image.zpxfw.src")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(image) == image.size());
        file.close();

        DialogSettings dialog(nullptr, nullptr);
        dialog.show();
        auto* upload = Control<QPushButton>(dialog, "btn_uploadFW");
        auto* status = Control<QLabel>(dialog, "lbl_fwUpdate");
        auto* progress = Control<QProgressBar>(dialog, "progress_fwUpload");
        auto* ok = Control<QPushButton>(dialog, "btn_ok");
        QVERIFY(!upload->isEnabled()); // no file chosen yet
        Control<QLineEdit>(dialog, "edit_fwPath")->setText(file.fileName());
        QVERIFY(upload->isEnabled());

        // The result is shown as OK is enabled again; the status must stay a full 5000 ms.
        QElapsedTimer sinceResult;
        qint64 shownMs = -1;
        EventWatch resultShown(ok, QEvent::EnabledChange, [&] { sinceResult.start(); });
        EventWatch statusHidden(status, QEvent::HideToParent, [&] { shownMs = sinceResult.elapsed(); });
        QSignalSpy steps(progress, &QProgressBar::valueChanged);
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(0);
        upload->click();
        // The click returns with the upload under way.
        QVERIFY(status->text().startsWith(QStringLiteral("Firmware upload is in progress.")));
        QVERIFY(!upload->isEnabled());
        QVERIFY(!ok->isEnabled());

        QTRY_VERIFY_WITH_TIMEOUT(ok->isEnabled(), 40000);
        QVERIFY2(status->text().startsWith(QStringLiteral("Firmware successfully uploaded!")), qPrintable(status->text()));
        QVERIFY(ticks > 0);
        QCOMPARE(progress->value(), 100);
        QVERIFY(steps.size() > 1);
        for (int i = 1; i < steps.size(); ++i) {
            QVERIFY(steps[i].at(0).toInt() >= steps[i - 1].at(0).toInt());
        }
        QVERIFY(upload->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(status->isHidden(), 15000);
        QVERIFY2(shownMs >= 5000, qPrintable(QString::number(shownMs)));
    }
};

QTEST_MAIN(DialogSettingsOperatorTest)
#include "DialogSettingsOperatorTest.moc"
