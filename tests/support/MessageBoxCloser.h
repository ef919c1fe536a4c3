#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>

// Closes every QMessageBox as soon as it is shown (by its escape, default or only button,
// else rejected) and records what it said, so a test can run code that opens modal boxes
// without a user. Create it after the QApplication.
class MessageBoxCloser : public QObject {
    Q_OBJECT
public:
    struct Box {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };

    MessageBoxCloser();

    const QList<Box>& boxes() const { return shown; }
    int count() const { return shown.size(); }
    Box last() const { return shown.value(shown.size() - 1); }
    void clear() { shown.clear(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<Box> shown;
};
