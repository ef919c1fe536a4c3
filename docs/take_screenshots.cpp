// Takes the README's screenshots from a real window on an X display (run under Xvfb by
// scripts/screenshots.sh): the main window during a live view against ondrel-sim, the
// settings dialog, the check-mark frame with a finger below the minimum, the review after a
// complete run with a finger marked missing, and the runs window over the runs made here.
// Run from the OndrelApp directory so the style sheet is found.
#include "DialogSettings.h"
#include "RunsWindow.h"
#include "SimProcess.h"
#include "StatusLine.h"
#include "TempSettingsHome.h"
#include "app_ondrel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>

#include <iostream>

namespace {

bool Grab(QWidget& widget, const QString& path)
{
    QScreen* screen = widget.windowHandle() ? widget.windowHandle()->screen() : QGuiApplication::primaryScreen();
    const QPixmap shot = screen->grabWindow(widget.winId());
    if (shot.isNull() || !shot.save(path, "PNG")) {
        std::cerr << "screenshots: could not write " << path.toStdString() << std::endl;
        return false;
    }
    std::cout << "screenshots: wrote " << path.toStdString() << std::endl;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc < 2) {
        std::cerr << "usage: take_screenshots OUTPUT_DIR (run from the OndrelApp directory)" << std::endl;
        return 2;
    }
    const QString outputDir = QString::fromLocal8Bit(argv[1]);

    QFile styles(QStringLiteral("styles/OndrelApp.qss"));
    if (styles.open(QIODevice::ReadOnly)) {
        application.setStyleSheet(QString::fromLatin1(styles.readAll().constData()));
    }

    // The hand takes a while to settle, so the live view shows it approaching with its
    // coloured boxes and every overlay switched on.
    ondrel::testsupport::SimProcess sim({"--settle-ms", "6000", "--fps", "30"});
    TempSettingsHome home;
    const auto writeSettings = [&home](uint16_t port) {
        home.write(QStringLiteral("[DeviceSettings]\nDeviceIp=127.0.0.1\nDevicePort=%1\n"
                                  "[WorkflowSettings]\nMinWorkflowDelayMs=1500\n"
                                  "[LiveViewSettings]\nDrawFPS=true\nDrawBoundingBox=true\nDrawPosition=true\n"
                                  "DrawDistance=true\nDrawMovement=true\n"
                                  "[SaveSettings]\nBasePath=%2\n")
                       .arg(port)
                       .arg(home.path() + QStringLiteral("/Captured"))
                       .toUtf8());
    };
    writeSettings(sim.port());

    LaunchOptions options;
    options.person = QStringLiteral("P-0042");
    app_ondrel window(nullptr, options);
    window.show();

    int status = 0;
    // During the run the live view processes events, so these timers fire inside it.
    QTimer::singleShot(0, &window, &app_ondrel::StartWorkflow);
    QTimer::singleShot(3000, &window, [&] {
        if (!Grab(window, outputDir + QStringLiteral("/main-window.png"))) {
            status = 1;
        }
        window.StartWorkflow(); // a second click stops the run
    });
    QTimer::singleShot(4500, &window, [&] {
        auto* dialog = window.findChild<DialogSettings*>();
        if (dialog == nullptr) {
            status = 1;
            application.quit();
            return;
        }
        window.OpenSettingsWindow();
        QTimer::singleShot(800, dialog, [&, dialog] {
            if (!Grab(*dialog, outputDir + QStringLiteral("/settings-dialog.png"))) {
                status = 1;
            }
            dialog->close();
            window.close();

            // A window of its own against a hand that settles at once, for a complete run: a
            // person without a right middle finger, whose ring finger comes out blurred.
            ondrel::testsupport::SimProcess quickSim(
                {"--settle-ms", "300", "--missing-fingers", "3", "--degrade", "4:blur=3"});
            writeSettings(quickSim.port());
            LaunchOptions marked = options;
            marked.fingerMarks = {{3, FingerMark::Amputated}};
            app_ondrel afterRun(nullptr, marked);
            afterRun.show();
            bool checkmarkTaken = false;
            QObject::connect(afterRun.findChild<StatusLine*>(), &StatusLine::textShown, &afterRun,
                             [&](const QString& text) {
                                 if (!checkmarkTaken && text.contains(QStringLiteral("4R quality"))) {
                                     checkmarkTaken = true;
                                     QTimer::singleShot(300, &afterRun, [&] {
                                         if (!Grab(afterRun, outputDir + QStringLiteral("/checkmark-quality.png"))) {
                                             status = 1;
                                         }
                                     });
                                 }
                             });
            afterRun.StartWorkflow();
            QElapsedTimer repaint; // let the ended run reach the screen
            repaint.start();
            while (repaint.elapsed() < 500) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            }
            if (!Grab(afterRun, outputDir + QStringLiteral("/main-window-after-run.png"))) {
                status = 1;
            }
            // One more run, of another person, whose right hand is forced at once.
            afterRun.findChild<QLineEdit*>(QStringLiteral("edit_Person"))->setText(QStringLiteral("P-0043"));
            QTimer::singleShot(200, &afterRun, &app_ondrel::ForcedCapturing);
            afterRun.StartWorkflow();
            afterRun.close();

            // The runs made here: one stopped, one with a missing and a blurred finger, one forced.
            const QString runsBase = home.path() + QStringLiteral("/Captured");
            RunsWindow runs;
            runs.resize(1390, 600); // every column in view
            runs.SetBaseDirectory(runsBase);
            runs.show();
            repaint.restart();
            while (runs.IsReading() || repaint.elapsed() < 500) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            }
            if (!Grab(runs, outputDir + QStringLiteral("/runs-window.png"))) {
                status = 1;
            }
            application.quit();
        });
    });
    application.exec();
    return status;
}
