#pragma once

#include <cstdint>

class QPushButton;

// The workflow button and the three capture buttons, which show the state of a run: black
// and off while idle, blue for the mode being captured, green once it is captured, and the
// workflow button a cross while a run can be stopped.
class ModeButtons {
public:
    ModeButtons(QPushButton* workflow, QPushButton* right, QPushButton* left, QPushButton* thumbs);

    void SetIdle();
    // A run has begun: the capture buttons are on (each forces the current capture).
    void SetRunning();
    void MarkActive(int32_t mode);
    void MarkCaptured(int32_t mode);

private:
    QPushButton* Button(int32_t mode) const;

    QPushButton* workflow;
    QPushButton* right;
    QPushButton* left;
    QPushButton* thumbs;
};
