#include "ModeButtons.h"

#include "CaptureMode.h"

#include <QIcon>
#include <QPushButton>

namespace {

const char* const kCrossIcon = ":/settings/icons/Cross_black.png";
const char* const kAutoscanIcon = ":/settings/icons/Autoscan_black.png";

QIcon ModeIcon(int32_t mode, const char* colour)
{
    return QIcon(QStringLiteral(":/impressions/icons/%1_%2")
                     .arg(QLatin1String(CaptureModeDirectoryName(mode)), QLatin1String(colour)));
}

} // namespace

ModeButtons::ModeButtons(QPushButton* workflow, QPushButton* right, QPushButton* left, QPushButton* thumbs)
    : workflow(workflow)
    , right(right)
    , left(left)
    , thumbs(thumbs)
{
}

void ModeButtons::SetIdle()
{
    for (int32_t mode : {Right4, Left4, Thumbs2}) {
        Button(mode)->setEnabled(false);
        Button(mode)->setIcon(ModeIcon(mode, "black"));
    }
    workflow->setEnabled(true);
    workflow->setIcon(QIcon(QString::fromLatin1(kAutoscanIcon)));
}

void ModeButtons::SetRunning()
{
    workflow->setIcon(QIcon(QString::fromLatin1(kCrossIcon)));
    for (QPushButton* button : {right, left, thumbs}) {
        button->setEnabled(true);
    }
}

void ModeButtons::MarkActive(int32_t mode)
{
    if (QPushButton* button = Button(mode)) {
        button->setEnabled(true);
        button->setIcon(ModeIcon(mode, "blue"));
    }
}

void ModeButtons::MarkCaptured(int32_t mode)
{
    if (QPushButton* button = Button(mode)) {
        button->setIcon(ModeIcon(mode, "green"));
    }
}

QPushButton* ModeButtons::Button(int32_t mode) const
{
    switch (mode) {
    case Right4:
        return right;
    case Left4:
        return left;
    case Thumbs2:
        return thumbs;
    default:
        return nullptr;
    }
}
