#include "AppLog.h"
#include "DisplayChoice.h"
#include "FileModes.h"
#include "InterchangeFile.h"
#include "RunsCsv.h"
#include "SettingsStore.h"
#include "app_ondrel.h"

#include <QApplication>
#include <QByteArray>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QTimer>

#include <clocale>
#include <iostream>

namespace {

// Exit codes of --quit-after-workflow.
constexpr int kExitAllStored = 0;
constexpr int kExitIncomplete = 1;
constexpr int kExitNoConnection = 2;
// Nothing started: a wrong command line, or no display for a windowed run.
constexpr int kExitUsage = 2;
// --export-an2k: the file was written, or an error left it unwritten.
constexpr int kExitExported = 0;
constexpr int kExitExportFailed = 1;

// Unattended use, named in messages about a missing display.
const char* const kHeadlessHint = "To run without a display: OndrelApp --person ID --quit-after-workflow";

struct CommandLine {
    QCommandLineParser parser;
    QCommandLineOption person{QStringLiteral("person"), QStringLiteral("Fill the person field with <id>."),
                              QStringLiteral("id")};
    QCommandLineOption autostart{QStringLiteral("autostart"),
                                 QStringLiteral("Start the capture workflow once the window is shown.")};
    QCommandLineOption quitAfterWorkflow{
        QStringLiteral("quit-after-workflow"),
        QStringLiteral("Start the workflow at once and quit when the run ends (implies --autostart). Errors are "
                       "written to standard error instead of message boxes, and the run's progress to standard "
                       "output. Needs no display.")};
    QCommandLineOption modeTimeLimit{
        QStringLiteral("mode-time-limit"),
        QStringLiteral("With --quit-after-workflow: give up on a mode that is not captured within <seconds> "
                       "(default 60) and go on with the next."),
        QStringLiteral("seconds"), QStringLiteral("60")};
    QCommandLineOption device{QStringLiteral("device"),
                              QStringLiteral("Use the device server at <host:port> for this session; the stored "
                                             "address is left as it is."),
                              QStringLiteral("host:port")};
    QCommandLineOption missing{
        QStringLiteral("missing"),
        QStringLiteral("Mark fingers as missing for this person, by standard finger position (1 right thumb, 2 right "
                       "index, 3 right middle, 4 right ring, 5 right little, 6-10 the same on the left): XX "
                       "amputated (the default), UP unable to print. For example 3,7:UP."),
        QStringLiteral("pos[:XX|UP],...")};
    QCommandLineOption exportAn2k{
        QStringLiteral("export-an2k"),
        QStringLiteral("Write the ANSI/NIST-ITL file (ANSI/NIST-ITL 1-2011 Update 2015, traditional encoding) of "
                       "the stored run in <RUN_DIR> to OUT (default RUN_DIR/run.an2) and quit: one Type-14 record "
                       "per stored final image of 4R, 4L and 2T. Needs no device and no display. Exit code 0 when "
                       "written, 1 with an \"Error:\" line and no file when the run has nothing to export or a "
                       "file in it cannot be read."),
        QStringLiteral("RUN_DIR")};
    QCommandLineOption runsCsv{
        QStringLiteral("runs-csv"),
        QStringLiteral("Write every run stored under <base-dir> as CSV, one line per mode of each run, to OUT "
                       "(standard output when left out or -) and quit. Needs no device and no display. Exit code 0 "
                       "when written, 1 when the base directory does not exist or cannot be read or OUT cannot be "
                       "written."),
        QStringLiteral("base-dir")};

    CommandLine()
    {
        parser.setApplicationDescription(QStringLiteral(
            "Capture client of the Ondrel contactless fingerprint scanner.\n"
            "With --quit-after-workflow the exit code is 0 when all three modes were captured and stored, "
            "1 when the run ended otherwise and 2 when the device server could not be reached. "
            "With --export-an2k it is 0 when the file was written and 1 when it was not. "
            "A wrong command line exits with 2.\n"
            "With --runs-csv BASE_DIR [OUT] it writes the stored runs as CSV instead and opens no window."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(person);
        parser.addOption(autostart);
        parser.addOption(quitAfterWorkflow);
        parser.addOption(device);
        parser.addOption(modeTimeLimit);
        parser.addOption(missing);
        parser.addOption(exportAn2k);
        parser.addOption(runsCsv);
        parser.addPositionalArgument(QStringLiteral("OUT"),
                                     QStringLiteral("With --export-an2k or --runs-csv: the file to write."),
                                     QStringLiteral("[OUT]"));
    }
};

// "host:port", "[v6 address]:port"; false when it is not such an address.
bool ParseDeviceAddress(const QString& text, LaunchOptions& options)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    QString host = text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) {
        host = host.mid(1, host.size() - 2);
    }
    bool numeric = false;
    const uint port = text.mid(colon + 1).toUInt(&numeric);
    if (colon < 0 || host.isEmpty() || !numeric || port == 0 || port > 65535) {
        return false;
    }
    options.deviceHost = host.toStdString();
    options.devicePort = static_cast<uint16_t>(port);
    return true;
}

// The toolkit's own options, which QApplication takes out of the arguments itself.
const QStringList kToolkitOptionsWithValue = {QStringLiteral("platform"),        QStringLiteral("platformpluginpath"),
                                              QStringLiteral("platformtheme"),   QStringLiteral("plugin"),
                                              QStringLiteral("qwindowgeometry"), QStringLiteral("qwindowicon"),
                                              QStringLiteral("qwindowtitle"),    QStringLiteral("style"),
                                              QStringLiteral("stylesheet"),      QStringLiteral("session"),
                                              QStringLiteral("display"),         QStringLiteral("geometry"),
                                              QStringLiteral("title"),           QStringLiteral("name")};
const QStringList kToolkitFlags = {QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
                                   QStringLiteral("dograb"), QStringLiteral("sync")};

// Parses without an application object, so that usage errors never wait for a display.
// Returns the message of a usage error, or an empty text. `display` gets the toolkit's
// -platform and -display values.
QString ParseCommandLine(int argc, char** argv, CommandLine& commandLine, LaunchOptions& options,
                         DisplayOptions& display)
{
    QStringList arguments;
    bool optionsEnded = false;
    for (int i = 0; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        QString name = argument.startsWith(QLatin1String("--")) ? argument.mid(2) : argument.mid(1);
        const bool hasEquals = name.contains(QLatin1Char('='));
        name = name.section(QLatin1Char('='), 0, 0);
        if (i == 0 || optionsEnded || !argument.startsWith(QLatin1Char('-'))) {
            arguments << argument;
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
            arguments << argument;
        } else if (kToolkitFlags.contains(name)) {
            continue;
        } else if (kToolkitOptionsWithValue.contains(name)) {
            const QString value = hasEquals ? argument.section(QLatin1Char('='), 1)
                : i + 1 < argc              ? QString::fromLocal8Bit(argv[++i])
                                            : QString();
            if (name == QLatin1String("platform")) {
                display.platform = value.toLocal8Bit();
            } else if (name == QLatin1String("display")) {
                display.display = value.toLocal8Bit();
            }
        } else {
            arguments << argument;
        }
    }
    QCommandLineParser& parser = commandLine.parser;
    if (!parser.parse(arguments)) {
        return parser.errorText();
    }
    // Only an export takes an argument of its own, the file to write.
    const int positionalAllowed = parser.isSet(commandLine.exportAn2k) || parser.isSet(commandLine.runsCsv) ? 1 : 0;
    if (parser.positionalArguments().size() > positionalAllowed) {
        return QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().at(positionalAllowed));
    }
    if (parser.isSet(commandLine.runsCsv)
        && (parser.isSet(commandLine.autostart) || parser.isSet(commandLine.quitAfterWorkflow))) {
        return QStringLiteral("--runs-csv starts no capture; leave out --autostart and --quit-after-workflow.");
    }
    if (parser.isSet(commandLine.exportAn2k)) {
        if (parser.value(commandLine.exportAn2k).isEmpty()) {
            return QStringLiteral("--export-an2k needs a run directory.");
        }
        for (const QCommandLineOption* option :
             {&commandLine.person, &commandLine.autostart, &commandLine.quitAfterWorkflow, &commandLine.device,
              &commandLine.modeTimeLimit, &commandLine.missing, &commandLine.runsCsv}) {
            if (parser.isSet(*option)) {
                return QStringLiteral("--export-an2k cannot be combined with --%1.").arg(option->names().constFirst());
            }
        }
    }
    if (parser.isSet(commandLine.person)) {
        options.person = parser.value(commandLine.person);
    }
    if (parser.isSet(commandLine.device) && !ParseDeviceAddress(parser.value(commandLine.device), options)) {
        return QStringLiteral("'%1' is not a device address; use --device HOST:PORT, for example 192.168.1.20:60123.")
            .arg(parser.value(commandLine.device));
    }
    if (parser.isSet(commandLine.missing)) {
        QString problem;
        const std::optional<FingerMarks> marks = ParseFingerMarks(parser.value(commandLine.missing), &problem);
        if (!marks) {
            return QStringLiteral("--missing: %1.").arg(problem);
        }
        options.fingerMarks = *marks;
    }
    options.unattended = parser.isSet(commandLine.quitAfterWorkflow);
    bool seconds = false;
    const int modeTimeLimitSeconds = parser.value(commandLine.modeTimeLimit).toInt(&seconds);
    if (!seconds || modeTimeLimitSeconds <= 0) {
        return QStringLiteral("--mode-time-limit needs a whole number of seconds above 0.");
    }
    if (options.unattended) {
        options.modeTimeLimitMs = int64_t{modeTimeLimitSeconds} * 1000;
    }
    return QString();
}

// The style sheet beside the program, else the one built in; none at all means no style sheet.
QString ReadStyleSheet()
{
    QFile file(QStringLiteral("styles/OndrelApp.qss"));
    if (!file.exists()) {
        file.setFileName(QStringLiteral(":/app/OndrelApp.qss"));
    }
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.readAll();
    }
    // Latin-1 text up to the first zero byte.
    return QString::fromLatin1(bytes.constData());
}

// The window icon beside the program, else the one built in.
QIcon WindowIcon()
{
    const QString local = QStringLiteral("./ico/appIcon.ico");
    return QIcon(QFile::exists(local) ? local : QStringLiteral(":/app/appIcon.ico"));
}

// Today's settings, as the dialog would load them.
AppSettings StoredSettings()
{
    AppSettings settings = DefaultAppSettings();
    LoadAppSettings(settings, *OpenSettingsStore());
    return settings;
}

// --export-an2k: writes the run's file without device or display.
int ExportInterchangeFile(const QString& runDirectory, QString outputPath)
{
    if (outputPath.isEmpty()) {
        outputPath = QDir(runDirectory).filePath(QStringLiteral("run.an2"));
    }
    QString error;
    QStringList warnings;
    const bool written =
        // A run whose run.ini does not record the values takes today's settings.
        WriteRunInterchangeFile(runDirectory, outputPath, InterchangeValuesOf(StoredSettings()), &error, &warnings);
    for (const QString& warning : warnings) {
        std::cerr << "Warning: " << warning.toLocal8Bit().constData() << std::endl;
    }
    if (!written) {
        std::cerr << "Error: " << error.toLocal8Bit().constData() << std::endl;
        return kExitExportFailed;
    }
    std::cout << "Wrote " << outputPath.toLocal8Bit().constData() << std::endl;
    return kExitExported;
}

// The exports hold fingerprints or person identifiers: who may read them is who may read
// the stored results.
void UseStoredCreationMask()
{
    UseCreationMask(StoredSettings().groupReadable);
}

// Shows the window and runs the event loop; the window is gone when this returns.
int RunWindow(const LaunchOptions& options, bool autostart)
{
    app_ondrel window(nullptr, options);
    if (options.unattended) {
        if (autostart && !window.IsConnected()) {
            std::cerr << "Error: no connection to the device server; the workflow cannot start." << std::endl;
            return kExitNoConnection;
        }
        window.SetRunEndedHandler(
            [](bool storedAll) { QCoreApplication::exit(storedAll ? kExitAllStored : kExitIncomplete); });
    }
    window.show();
    if (autostart) {
        QTimer::singleShot(0, &window, &app_ondrel::StartWorkflow);
    }
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char** argv)
{
    // Owner only until the settings say otherwise: the log and the settings directory are
    // created before they are read.
    UseCreationMask(false);
    // Arguments are decoded before the application object exists, which would set this up.
    std::setlocale(LC_ALL, "");
    CommandLine commandLine;
    LaunchOptions options;
    DisplayOptions display{qgetenv("QT_QPA_PLATFORM"), qgetenv("DISPLAY")};
    const QString usageError = ParseCommandLine(argc, argv, commandLine, options, display);
    if (!usageError.isEmpty()) {
        std::cerr << "OndrelApp: " << usageError.toLocal8Bit().constData() << "\nTry 'OndrelApp --help'." << std::endl;
        return kExitUsage;
    }
    if (commandLine.parser.isSet(QStringLiteral("help")) || commandLine.parser.isSet(QStringLiteral("help-all"))
        || commandLine.parser.isSet(QStringLiteral("version"))) {
        QCoreApplication core(argc, argv);
        QCoreApplication::setApplicationVersion(VersionText());
        commandLine.parser.process(core); // prints and exits
        return 0;
    }
    if (commandLine.parser.isSet(commandLine.exportAn2k)) {
        // No window: a core application is enough, and settings keep their usual place.
        QCoreApplication core(argc, argv);
        QCoreApplication::setOrganizationName(QString::fromLatin1(kSettingsOrganisation));
        QCoreApplication::setApplicationName(QString::fromLatin1(kSettingsApplication));
        UseStoredCreationMask();
        const QStringList positional = commandLine.parser.positionalArguments();
        return ExportInterchangeFile(commandLine.parser.value(commandLine.exportAn2k),
                                     positional.isEmpty() ? QString() : positional.constFirst());
    }

    if (commandLine.parser.isSet(commandLine.runsCsv)) {
        UseStoredCreationMask();
        return ExportRunsCsv(commandLine.parser.value(commandLine.runsCsv),
                             commandLine.parser.positionalArguments().value(0), std::cout, std::cerr);
    }

    switch (ChooseDisplay(display, options.unattended)) {
    case DisplayChoice::AsConfigured:
        break;
    case DisplayChoice::Offscreen:
        qputenv("QT_QPA_PLATFORM", "offscreen");
        break;
    case DisplayChoice::Missing:
        std::cerr << "OndrelApp: no display found (DISPLAY is not set). " << kHeadlessHint << std::endl;
        return kExitUsage;
    case DisplayChoice::Unreachable:
        std::cerr << "OndrelApp: cannot open the display '" << display.display.constData() << "'. " << kHeadlessHint
                  << std::endl;
        return kExitUsage;
    }

    // The log is there before the toolkit starts, so that the platform's own warnings
    // while it does go to the log, not to the operator's terminal.
    QCoreApplication::setOrganizationName(QString::fromLatin1(kSettingsOrganisation));
    QCoreApplication::setApplicationName(QString::fromLatin1(kSettingsApplication));
    InstallAppLog(AppLogPath());
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QApplication application(argc, argv);
    QCoreApplication::setApplicationVersion(VersionText());
    QGuiApplication::setDesktopFileName(QStringLiteral("ondrel-app"));
    qCInfo(lcApp).noquote() << "OndrelApp" << VersionText()
                            << "started:" << QCoreApplication::arguments().join(QLatin1Char(' '));

    application.setStyleSheet(ReadStyleSheet());
    application.setWindowIcon(WindowIcon());

    // An unattended run that waited for a click would never end.
    const int code = RunWindow(options, commandLine.parser.isSet(commandLine.autostart) || options.unattended);
    qCInfo(lcApp).noquote() << "OndrelApp" << VersionText() << "exits with code" << code;
    return code;
}
