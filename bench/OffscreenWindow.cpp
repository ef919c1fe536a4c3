#include "OffscreenWindow.h"

#include "SettingsStore.h"
#include "app_ondrel.h"

#include <QApplication>
#include <QGraphicsView>

#include <cstdlib>
#include <stdexcept>

namespace ondrel::bench {

namespace {
void WriteSettings(const ProbeTarget& target, const std::map<QString, QVariant>& settings)
{
    const std::unique_ptr<QSettings> store = OpenSettingsStore();
    store->setValue(QStringLiteral("DeviceSettings/DeviceIp"), QString::fromStdString(target.host));
    store->setValue(QStringLiteral("DeviceSettings/DevicePort"), QString::number(target.port));
    for (const char* key : {"DrawFPS", "DrawBoundingBox", "DrawPosition", "DrawDistance", "DrawMovement"}) {
        store->setValue(QStringLiteral("LiveViewSettings/") + QLatin1String(key), true);
    }
    // Every segment is "too high": never ready.
    store->setValue(QStringLiteral("CaptureSettings/ThresholdTooHigh"), QStringLiteral("1"));
    store->setValue(QStringLiteral("CaptureSettings/ThresholdTooLow"), QStringLiteral("0"));
    for (const auto& [key, value] : settings) {
        store->setValue(key, value);
    }
    store->sync();
}
} // namespace

OffscreenWindow::OffscreenWindow(const ProbeTarget& target, int& argc, char** argv,
                                 const std::map<QString, QVariant>& settings)
{
    if (!home.isValid()) {
        throw std::runtime_error("no temporary directory for the settings");
    }
    // Set before Qt reads the environment.
    setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    application = std::make_unique<QApplication>(argc, argv);
    WriteSettings(target, settings);

    LaunchOptions options;
    options.unattended = true; // errors on standard error instead of message boxes
    window = std::make_unique<app_ondrel>(nullptr, options);
    if (!window->IsConnected()) {
        throw std::runtime_error("the window did not connect to the simulator");
    }
    window->show();
    view = window->findChild<QGraphicsView*>(QStringLiteral("graphicsView"));
    if (view == nullptr) {
        throw std::runtime_error("the window has no graphicsView");
    }
}

OffscreenWindow::~OffscreenWindow() = default;

} // namespace ondrel::bench
