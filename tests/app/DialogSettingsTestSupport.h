#pragma once

// What the settings dialog tests share: finding the form's controls by object name and
// choosers that answer without a user.

#include "DialogSettings.h"

#include <QString>
#include <QWidget>

#include <functional>

namespace settingstest {

// A control of the dialog's form, or null when the form lacks it.
template <class T>
T* Control(const DialogSettings& dialog, const char* objectName)
{
    return dialog.findChild<T*>(QString::fromLatin1(objectName));
}

// What a replaced chooser was asked.
struct ChooserCall {
    int count = 0;
    QWidget* parent = nullptr;
    QString caption;
    QString directory;
    QString filter;
};

// Choosers answering with fixed paths and recording how they were called. An open-file
// answer of QString() and a folder answer of "" mean cancelled.
inline DialogSettings::Choosers AnsweringChoosers(ChooserCall& call, const QString& answer)
{
    DialogSettings::Choosers choosers;
    choosers.openFile = [&call, answer](QWidget* parent, const QString& caption, const QString& dir,
                            const QString& filter) {
        call = { call.count + 1, parent, caption, dir, filter };
        return answer;
    };
    choosers.existingDirectory = [&call, answer](QWidget* parent, const QString& caption, const QString& dir) {
        call = { call.count + 1, parent, caption, dir, QString() };
        return answer;
    };
    return choosers;
}

} // namespace settingstest
