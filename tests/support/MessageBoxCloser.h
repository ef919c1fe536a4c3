#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>

// Closes every QMessageBox as soon as it is shown and records what it said, so a test can
// run code that opens modal boxes (static QMessageBox helpers included) without a user.
// Works by an event filter on the application object; create it after the QApplication
// and keep it for as long as boxes may appear.
class MessageBoxCloser : public QObject {
    Q_OBJECT
public:
    struct Box {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool hadParent = false;
    };

    // `answer` is the button clicked when the box has it; otherwise the box's escape
    // button, default button or only button is clicked, in that order, and a box with
    // none of these is rejected as if its window were closed.
    explicit MessageBoxCloser(QMessageBox::StandardButton answer = QMessageBox::NoButton);
    ~MessageBoxCloser() override;

    void setAnswer(QMessageBox::StandardButton answer) { chosenAnswer = answer; }

    const QList<Box>& boxes() const { return shown; }
    int count() const { return shown.size(); }
    // The most recent box; a default Box when none was shown.
    Box last() const { return shown.isEmpty() ? Box{} : shown.last(); }
    void clear() { shown.clear(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void close(QMessageBox* box) const;

    QMessageBox::StandardButton chosenAnswer;
    QList<Box> shown;
};
