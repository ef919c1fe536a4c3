#pragma once

#include <QObject>

class QWidget;

// Keeps a top-level window, frame included, inside the available area of its screen. The
// window manager adds the frame only after the window is shown, so the window is fitted
// whenever it is shown, moved or resized and its frame no longer fits.
class ScreenFit : public QObject {
    Q_OBJECT

public:
    // Watches `window` for its life; the filter is a child of it.
    explicit ScreenFit(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Fit();

    QWidget* window;
};
