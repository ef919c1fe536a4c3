#include "app_ondrel.h"

#include <QApplication>
#include <QByteArray>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFile>
#include <QIcon>
#include <QTimer>

#include <iostream>

namespace {

// Exit codes of --quit-after-workflow.
constexpr int kExitAllStored = 0;
constexpr int kExitIncomplete = 1;
constexpr int kExitNoConnection = 2;
// As for the options the parser itself refuses.
constexpr int kExitUsage = 1;

struct CommandLine {
    QCommandLineParser parser;
    QCommandLineOption person{QStringLiteral("person"), QStringLiteral("Fill the person field with <id>."),
                              QStringLiteral("id")};
    QCommandLineOption autostart{QStringLiteral("autostart"),
                                 QStringLiteral("Start the capture workflow once the window is shown.")};
    QCommandLineOption quitAfterWorkflow{
        QStringLiteral("quit-after-workflow"),
        QStringLiteral("Start the workflow at once and quit when the run ends (implies --autostart). Errors are "
                       "written to standard error instead of message boxes, and the run's progress to standard output.")};
    QCommandLineOption modeTimeLimit{
        QStringLiteral("mode-time-limit"),
        QStringLiteral("With --quit-after-workflow: give up on a mode that is not captured within <seconds> "
                       "(default 60) and go on with the next."),
        QStringLiteral("seconds"), QStringLiteral("60")};

    CommandLine()
    {
        parser.setApplicationDescription(QStringLiteral(
            "Capture client of the Ondrel contactless fingerprint scanner.\n"
            "With --quit-after-workflow the exit code is 0 when all three modes were captured and stored, "
            "1 when the run ended otherwise and 2 when the device server could not be reached."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(person);
        parser.addOption(autostart);
        parser.addOption(quitAfterWorkflow);
        parser.addOption(modeTimeLimit);
    }
};

// Help and version are answered without a display, so that they work on any terminal.
bool AsksForHelpOrVersion(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--") {
            return false;
        }
        if (argument == "-h" || argument == "--help" || argument == "-?" || argument == "--help-all"
            || argument == "-v" || argument == "--version") {
            return true;
        }
    }
    return false;
}

// The style sheet beside the program; a missing file means no style sheet.
QString ReadStyleSheet()
{
    QFile file(QStringLiteral("styles/OndrelApp.qss"));
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.readAll();
    }
    // Latin-1 text up to the first zero byte.
    return QString::fromLatin1(bytes.constData());
}

} // namespace

int main(int argc, char** argv)
{
    if (AsksForHelpOrVersion(argc, argv)) {
        QCoreApplication core(argc, argv);
        QCoreApplication::setApplicationVersion(VersionText());
        CommandLine commandLine;
        commandLine.parser.process(core); // prints and exits
        return 0;
    }

    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QApplication application(argc, argv);
    QCoreApplication::setApplicationVersion(VersionText());
    CommandLine commandLine;
    commandLine.parser.process(application);

    LaunchOptions options;
    if (commandLine.parser.isSet(commandLine.person)) {
        options.person = commandLine.parser.value(commandLine.person);
    }
    const bool quitAfterWorkflow = commandLine.parser.isSet(commandLine.quitAfterWorkflow);
    // An unattended run that waited for a click would never end.
    const bool autostart = commandLine.parser.isSet(commandLine.autostart) || quitAfterWorkflow;
    options.unattended = quitAfterWorkflow;
    bool seconds = false;
    const int modeTimeLimitSeconds = commandLine.parser.value(commandLine.modeTimeLimit).toInt(&seconds);
    if (!seconds || modeTimeLimitSeconds <= 0) {
        std::cerr << "Error: --mode-time-limit needs a whole number of seconds above 0." << std::endl;
        return kExitUsage;
    }
    if (quitAfterWorkflow) {
        options.modeTimeLimitMs = int64_t{modeTimeLimitSeconds} * 1000;
    }

    application.setStyleSheet(ReadStyleSheet());
    application.setWindowIcon(QIcon(QStringLiteral("./ico/appIcon.ico")));

    app_ondrel window(nullptr, options);
    if (quitAfterWorkflow) {
        if (autostart && !window.IsConnected()) {
            std::cerr << "Error: no connection to the device server; the workflow cannot start." << std::endl;
            return kExitNoConnection;
        }
        window.SetRunEndedHandler([](bool storedAll) {
            QCoreApplication::exit(storedAll ? kExitAllStored : kExitIncomplete);
        });
    }
    window.show();
    if (autostart) {
        QTimer::singleShot(0, &window, &app_ondrel::StartWorkflow);
    }
    return application.exec();
}
