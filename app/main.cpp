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

struct CommandLine {
    QCommandLineParser parser;
    QCommandLineOption person{QStringLiteral("person"), QStringLiteral("Fill the person field with <id>."),
                              QStringLiteral("id")};
    QCommandLineOption autostart{QStringLiteral("autostart"),
                                 QStringLiteral("Start the capture workflow once the window is shown.")};
    QCommandLineOption quitAfterWorkflow{
        QStringLiteral("quit-after-workflow"),
        QStringLiteral("Quit when the workflow run ends. Errors are written to standard error instead of "
                       "message boxes, and the run's progress to standard output.")};

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
    const bool autostart = commandLine.parser.isSet(commandLine.autostart);
    const bool quitAfterWorkflow = commandLine.parser.isSet(commandLine.quitAfterWorkflow);
    options.unattended = quitAfterWorkflow;

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
