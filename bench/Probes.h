#pragma once

#include "ProbeResult.h"

#include <cstdint>
#include <string>

namespace ondrel::bench {

// Where the simulator under test listens and how long a timed window lasts.
struct ProbeTarget {
    std::string host;
    uint16_t port = 0;
    double seconds = 1.5;
};

// CAPTURE round trips of the raw socket client: fps, cpu_ms_per_frame (whole process).
ProbeResult RunRawLink(const ProbeTarget& target);

// GetFrame round trips of quorvel::Device: fps, cpu_ms_per_frame (whole process: caller
// and I/O thread), caller_cpu_ms_per_frame.
ProbeResult RunDeviceLink(const ProbeTarget& target);

// The main window's live view, offscreen, with settings that never capture; frames are
// counted by the simulator's frame ids. fps, gui_ms_per_frame (GUI thread CPU),
// cpu_ms_per_frame (whole process).
ProbeResult RunLiveView(const ProbeTarget& target, int& argc, char** argv);

// What each step of a live-view frame costs on the GUI thread, run one after another on
// the simulator's frame: make_display_ms (grey to three channels), overlays_ms (capture
// condition and overlays), show_image_ms (the window's ShowImage, paint included), and
// inside it pixmap_ms (QImage wrap to QPixmap) and paint_ms (one repaint of the view).
// Medians over the window.
ProbeResult RunGuiSteps(const ProbeTarget& target, int& argc, char** argv);

// GetRawImages of the frame just fetched, then the window's raw-frame writer into a
// temporary directory: link_ms, png_ms, images, megabytes.
ProbeResult RunResults(const ProbeTarget& target);

// The capture quality measure on the final image and segments of the frame just fetched,
// OpenCV held to one thread, every finger scored over and over for the window:
// cpu_ms_per_finger (the scoring thread's CPU), wall_ms_per_finger, megapixels, segments.
ProbeResult RunQuality(const ProbeTarget& target);

// One request against a simulator that answers late: wait_ms and the CPU the wait burned,
// caller_cpu_ms and process_cpu_ms.
ProbeResult RunWaitCost(const ProbeTarget& target);

// The runs window, offscreen, reading `runs` generated run directories: longest_gap_ms (the
// longest time the GUI thread spent away from its event loop meanwhile), load_ms, runs.
ProbeResult RunRunsLoad(int runs, int& argc, char** argv);

} // namespace ondrel::bench
