#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>

// Closes every QMessageBox as soon as it is shown and records what it said, so a test can
// run code that opens modal boxes without a user. Create it after the QApplication.
class MessageBoxCloser : public QObject {
    Q_OBJECT
public:
    struct Box {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };

    // Clicks the escape, default or only button; a box with none of these is rejected.
    MessageBoxCloser();
    ~MessageBoxCloser() override;

    const QList<Box>& boxes() const { return shown; }
    int count() const { return shown.size(); }
    Box last() const { return shown.isEmpty() ? Box{} : shown.last(); }
    void clear() { shown.clear(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<Box> shown;
};
