#include "StatusLine.h"

#include <QColor>
#include <QDesktopServices>
#include <QDir>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QStatusBar>
#include <QUrl>

namespace {

// A colour of the display image (channel 0 is shown as red) as an HTML colour.
QString HtmlColour(const cv::Scalar& colour)
{
    return QColor(static_cast<int>(colour[0]), static_cast<int>(colour[1]), static_cast<int>(colour[2])).name();
}

QString LegendHtml(const BoxColours& colours)
{
    const auto entry = [](const cv::Scalar& colour, const char* meaning) {
        return QStringLiteral("<span style=\"background-color:%1\">&nbsp;&nbsp;&nbsp;</span>&nbsp;%2")
            .arg(HtmlColour(colour), QLatin1String(meaning));
    };
    return QStringLiteral("Boxes: ") + entry(colours.ready, "ready") + QStringLiteral("&nbsp;&nbsp;")
        + entry(colours.moving, "moving") + QStringLiteral("&nbsp;&nbsp;") + entry(colours.tooHigh, "too far")
        + QStringLiteral("&nbsp;&nbsp;") + entry(colours.outOfRange, "too close or at the edge");
}

} // namespace

StatusLine::StatusLine(QStatusBar* bar, const BoxColours& colours)
    : QObject(bar)
    , link(new QLabel(bar))
    , run(new QLabel(bar))
    , openFolder(new QLabel(bar))
{
    link->setObjectName(QStringLiteral("lbl_Link"));
    link->setToolTip(QStringLiteral("The device server the window talks to, and the access level it last reported"));
    run->setObjectName(QStringLiteral("lbl_Run"));
    // Both carry texts from the device or the operator: never markup.
    link->setTextFormat(Qt::PlainText);
    run->setTextFormat(Qt::PlainText);
    // What to do now is what the operator looks for first.
    QFont bold = run->font();
    bold.setBold(true);
    run->setFont(bold);
    link->setContentsMargins(4, 0, 4, 0);
    run->setContentsMargins(4, 0, 4, 0);
    openFolder->setObjectName(QStringLiteral("lbl_OpenFolder"));
    openFolder->setText(QStringLiteral("<a href=\"folder\">Open folder</a>"));
    openFolder->setToolTip(QStringLiteral("Open the folder of the last run in the file manager"));
    openFolder->setVisible(false);
    connect(openFolder, &QLabel::linkActivated, this, &StatusLine::OpenFolder);

    legend = new QLabel(LegendHtml(colours), bar);
    legend->setObjectName(QStringLiteral("lbl_Legend"));
    legend->setToolTip(
        QStringLiteral("Colours of the boxes around the fingers in the live view. The capture happens by itself when "
                       "every box is green and the whole hand is well inside the view."));
    legend->setVisible(false);

    firmwareUpload = new QLabel(QStringLiteral("Firmware upload running\u2026"), bar);
    firmwareUpload->setObjectName(QStringLiteral("lbl_FirmwareUpload"));
    firmwareUpload->setVisible(false);
    fingerMarks = new QLabel(bar);
    fingerMarks->setObjectName(QStringLiteral("lbl_FingerMarks"));
    fingerMarks->setTextFormat(Qt::PlainText);
    fingerMarks->setToolTip(QStringLiteral("Fingers marked missing for this person: XX amputated, UP unable to print"));
    fingerMarks->setVisible(false);

    auto* separator = new QFrame(bar);
    separator->setFrameShape(QFrame::VLine);
    separator->setFrameShadow(QFrame::Sunken);
    bar->addWidget(link);
    bar->addWidget(separator);
    bar->addWidget(run, 1);
    bar->addPermanentWidget(firmwareUpload);
    bar->addPermanentWidget(fingerMarks);
    bar->addPermanentWidget(openFolder);
    bar->addPermanentWidget(legend);
    ShowLink();
}

void StatusLine::ShowConnecting(const QString& newHost, int newPort)
{
    host = newHost;
    port = newPort;
    accessLevel.clear();
    linkState = LinkState::Connecting;
    ShowLink();
    // Connecting blocks the event loop; paint the text now so that it is seen meanwhile.
    link->repaint();
}

void StatusLine::ShowConnected()
{
    linkState = LinkState::Connected;
    ShowLink();
}

void StatusLine::ShowNotConnected()
{
    linkState = LinkState::NotConnected;
    accessLevel.clear();
    ShowLink();
}

void StatusLine::ShowAccessLevel(const QString& level)
{
    accessLevel = level;
    ShowLink();
}

void StatusLine::ShowRunText(const QString& text)
{
    SetRunText(text);
    openFolder->setVisible(false);
    legend->setVisible(!text.isEmpty());
}

QString StatusLine::RunText() const
{
    return run->text();
}

void StatusLine::ShowRunOutcome(const QString& summary, const QString& directory)
{
    SetRunText(summary);
    folder = directory;
    openFolder->setVisible(!directory.isEmpty() && QDir(directory).exists());
    legend->setVisible(false);
}

void StatusLine::ShowNotice(const QString& text)
{
    SetRunText(text);
    openFolder->setVisible(false);
    legend->setVisible(false);
}

void StatusLine::ShowFirmwareUploadRunning()
{
    firmwareUpload->setVisible(true);
    emit textShown(firmwareUpload->text());
}

void StatusLine::ShowFirmwareUploadEnded()
{
    firmwareUpload->setVisible(false);
}

void StatusLine::ShowFingerMarks(const FingerMarks& marks)
{
    fingerMarks->setText(FingerMarksStatusText(marks));
    fingerMarks->setVisible(!marks.empty());
    if (!marks.empty()) {
        emit textShown(fingerMarks->text());
    }
}

void StatusLine::SetRunText(const QString& text)
{
    if (run->text() != text) {
        run->setText(text);
        // A long line is cut at the window's edge; the whole of it stays at hand.
        run->setToolTip(text);
        emit textShown(text);
    }
}

void StatusLine::ShowLink()
{
    const QString text = LinkText(linkState, host, port, accessLevel);
    if (link->text() != text) {
        link->setText(text);
        emit textShown(text);
    }
}

void StatusLine::OpenFolder()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}
