#pragma once

#include "CaptureDecision.h"
#include "StatusTexts.h"

#include <QObject>
#include <QString>

class QLabel;
class QStatusBar;

// The main window's status line: the link to the device on the left, the current run's
// guidance or the last run's outcome next to it, then a link that opens the run's folder
// and, during a run, a legend of the box colours. The window calls the setters where these change.
class StatusLine : public QObject {
    Q_OBJECT

public:
    StatusLine(QStatusBar* bar, const BoxColours& colours);

    // The address is kept for the texts that follow; a new attempt forgets the access level.
    void ShowConnecting(const QString& host, int port);
    void ShowConnected();
    void ShowNotConnected();
    void ShowAccessLevel(const QString& level);

    // A line about the run in progress, shown with the legend of the box colours; an empty
    // text clears the run part.
    void ShowRunText(const QString& text);
    QString RunText() const;
    // The line on a run that ended or did not start, with the folder link when the
    // directory exists.
    void ShowRunOutcome(const QString& summary, const QString& directory);
    // A word to the operator outside a run (a key file others can read), in the run part
    // until the next run's text replaces it.
    void ShowNotice(const QString& text);

    // "Firmware upload running…" beside the run part, until the upload has ended.
    void ShowFirmwareUploadRunning();
    void ShowFirmwareUploadEnded();

    // The fingers marked missing, while any are.
    void ShowFingerMarks(const FingerMarks& marks);

signals:
    // Every new text of the link or the run part, for whoever follows the status.
    void textShown(const QString& text);

private:
    void ShowLink();
    void SetRunText(const QString& text);
    void OpenFolder();

    QLabel* link = nullptr;
    QLabel* run = nullptr;
    QLabel* openFolder = nullptr;
    QLabel* legend = nullptr;
    QLabel* firmwareUpload = nullptr;
    QLabel* fingerMarks = nullptr;
    LinkState linkState = LinkState::NotConnected;
    QString host;
    int port = 0;
    QString accessLevel;
    QString folder;
};
