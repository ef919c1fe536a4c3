#include "KeyFileNotice.h"

#include "AppLog.h"
#include "StatusLine.h"

#include <QMessageBox>

#include <iostream>

void KeyFileNotice::Tell(const std::string& keyFile, StatusLine& statusLine, bool unattended, QWidget* chosenIn)
{
    const std::optional<QString> warning = warnings.FirstWarning(QString::fromStdString(keyFile));
    if (!warning) {
        return;
    }
    qCWarning(lcDevice).noquote() << *warning;
    statusLine.ShowNotice(*warning);
    if (unattended) {
        std::cerr << "Warning: " << warning->toLocal8Bit().constData() << std::endl;
    } else if (chosenIn != nullptr) {
        QMessageBox::warning(chosenIn, QStringLiteral("Warning"), *warning, QMessageBox::Ok);
    }
}
