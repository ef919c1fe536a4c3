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

// What each step of a live-view frame costs, run one after another on the simulator's
// frame: make_view_ms (on the request task: the frame reduced to the view and every overlay
// but the frame rate drawn), then on the GUI thread overlays_ms (capture condition and frame
// rate), show_ms (into the scene, with the events that paint it) and paint_ms
// (one repaint of the view); medians over the window. ssim: the shown image against today's
// full-size drawing reduced with cv::INTER_AREA; view_image_width, view_image_height.
ProbeResult RunGuiSteps(const ProbeTarget& target, int& argc, char** argv);

// GetRawImages of the frame just fetched, then the frames written one after another as
// before (link_ms, png_ms, serial_total_ms), then the same mode stored by StoreMode
// (store_png_ms: from the frames' arrival to the last written; store_total_ms); images,
// megabytes.
ProbeResult RunResults(const ProbeTarget& target);

// The capture quality measure on the final image and segments of the frame just fetched,
// OpenCV held to one thread, every finger scored over and over for the window:
// cpu_ms_per_finger (the scoring thread's CPU), wall_ms_per_finger, megapixels, segments.
ProbeResult RunQuality(const ProbeTarget& target);
// A run of the main window, offscreen, forcing every mode and saving raw frames: the median
// time a mode is stored (store_ms, "Storing" on the status line) and the longest gap between
// the ticks of a 5 ms timer of the window while it stores (longest_gap_ms).
ProbeResult RunStoreWindow(const ProbeTarget& target, int& argc, char** argv);

// One request against a simulator that answers late: wait_ms and the CPU the wait burned,
// caller_cpu_ms and process_cpu_ms.
ProbeResult RunWaitCost(const ProbeTarget& target);

// The runs window, offscreen, reading `runs` generated run directories: longest_gap_ms (the
// longest time the GUI thread spent away from its event loop meanwhile), load_ms, runs.
ProbeResult RunRunsLoad(int runs, int& argc, char** argv);

} // namespace ondrel::bench
