// ondrel-bench: starts the simulator, runs every measurement several times (each in a
// probe process of its own, the kinds interleaved so that drift hits them alike) and
// prints one markdown report with the medians and the ratios.
//
//   ondrel-bench [--reps N] [--seconds S] [--quick]
#include "BenchTable.h"
#include "ChildProcess.h"
#include "ProbeResult.h"
#include "SimProcess.h"

#include <sys/sysinfo.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace ondrel::bench;
using ondrel::testsupport::ChildProcess;
using ondrel::testsupport::SimProcess;

// Pre-rendering a large frame takes the simulator a moment on a busy machine.
constexpr auto kSimStart = std::chrono::seconds(60);

// A scanner-like pace for the live view's second set of rows: every answer about 33 ms
// late, as a device that delivers 30 frames per second.
constexpr int kPacedDelayMs = 33;
// The most a finger's quality score may cost on one core.
constexpr double kQualityMsPerFinger = 5.0;
// What the probe generates for the runs window, and how long its GUI thread may be kept busy.
constexpr int kRunsToLoad = 5000;
constexpr double kRunsGapTargetMs = 50.0;

struct FrameSize {
    std::string name;
    int width;
    int height;
    bool liveView;          // the live view is measured at this size too
    double guiTargetMs = 0; // the most the GUI thread may spend on a live frame
};

// The targets, each also listed once more at the end of the report.
constexpr double kLinkCpuTarget = 1.2;        // Device / raw client CPU per frame, at most
constexpr double kSsimTarget = 0.95;          // the shown image against the INTER_AREA reference
constexpr double kStorePngTargetPercent = 55; // storing's PNG writing against writing one by one
constexpr double kStoreTotalTargetPercent = 65;
constexpr double kStoreGapTargetMs = 50; // the longest the window may not answer while storing

// Every figure that has a target, for the closing summary.
class Targets {
public:
    void Add(const std::string& figure, const std::string& result) { rows.push_back({figure, result}); }
    std::string Render() const
    {
        MarkdownTable table({"figure", "result"});
        for (const auto& [figure, result] : rows) {
            table.AddRow({figure, result});
        }
        return table.Render();
    }

private:
    std::vector<std::pair<std::string, std::string>> rows;
};

struct Options {
    int reps = 7;
    double seconds = 1.5;
};

enum class Waiter { Signal, BusyPoll };

std::string ProbePath(Waiter waiter)
{
    return waiter == Waiter::Signal ? ONDREL_BENCH_PROBE_PATH : ONDREL_BENCH_PROBE_BUSYPOLL_PATH;
}

std::string LoadAverage()
{
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// Samples of every measurement, by a key such as "link-device/5 MP/signal", each in the
// slot of its repetition (empty when that run failed), so that runs taken back to back can
// be paired.
class Samples {
public:
    void Add(const std::string& key, int rep, const ProbeResult& result)
    {
        auto& slots = results[key];
        if (slots.size() <= static_cast<std::size_t>(rep)) {
            slots.resize(static_cast<std::size_t>(rep) + 1);
        }
        slots[static_cast<std::size_t>(rep)] = result;
    }

    // One entry per repetition, nullopt where it was not measured.
    std::vector<std::optional<double>> Values(const std::string& key, const std::string& field) const
    {
        std::vector<std::optional<double>> values;
        if (const auto found = results.find(key); found != results.end()) {
            for (const auto& slot : found->second) {
                std::optional<double> value;
                if (slot) {
                    if (const auto entry = slot->find(field); entry != slot->end()) {
                        value = entry->second;
                    }
                }
                values.push_back(value);
            }
        }
        return values;
    }

    std::optional<double> MedianOf(const std::string& key, const std::string& field) const
    {
        std::vector<double> measured;
        for (const auto& value : Values(key, field)) {
            if (value) {
                measured.push_back(*value);
            }
        }
        return Median(measured);
    }

    // The median over the repetitions of keyA's field / keyB's field, in percent.
    std::optional<double> PairedPercent(const std::string& keyA, const std::string& keyB,
                                        const std::string& field) const
    {
        return MedianPairedPercent(Values(keyA, field), Values(keyB, field));
    }

private:
    std::map<std::string, std::vector<std::optional<ProbeResult>>> results;
};

class BenchRun {
public:
    explicit BenchRun(Options opts)
        : options(opts)
    {
    }

    void MeasureLinkAndLiveView(const FrameSize& size)
    {
        std::cerr << "== " << size.name << " (" << size.width << " x " << size.height << "): starting the simulator"
                  << std::endl;
        const SimProcess sim(
            {"--prepared-frame", "--width", std::to_string(size.width), "--height", std::to_string(size.height)},
            kSimStart);
        for (int rep = 1; rep <= options.reps; ++rep) {
            std::cerr << "   repetition " << rep << "/" << options.reps << std::endl;
            Probe("link-raw", size.name, Waiter::Signal, sim, rep);
            Probe("link-device", size.name, Waiter::Signal, sim, rep);
            Probe("link-device", size.name, Waiter::BusyPoll, sim, rep);
            if (size.liveView) {
                Probe("live-view", size.name, Waiter::Signal, sim, rep);
                Probe("live-view", size.name, Waiter::BusyPoll, sim, rep);
            }
        }
        if (size.liveView) {
            std::cerr << "   live view steps" << std::endl;
            for (int rep = 1; rep <= ExtraReps(); ++rep) {
                Probe("gui-steps", size.name, Waiter::Signal, sim, rep);
            }
        }
    }

    // The link and the live view against a simulator that answers every request delayMs
    // late, as a scanner that delivers frames at its own pace.
    void MeasurePaced(const FrameSize& size, int delayMs)
    {
        std::cerr << "== " << size.name << ", answers " << delayMs << " ms late" << std::endl;
        const SimProcess sim({"--prepared-frame", "--delay-ms", std::to_string(delayMs), "--width",
                              std::to_string(size.width), "--height", std::to_string(size.height)},
                             kSimStart);
        // Longer windows: at this pace a window holds few frames.
        const double seconds = 2 * options.seconds;
        for (int rep = 1; rep <= ExtraReps(); ++rep) {
            Probe("link-device", PacedName(size, delayMs), Waiter::Signal, sim, rep, seconds);
            Probe("live-view", PacedName(size, delayMs), Waiter::Signal, sim, rep, seconds);
        }
    }

    static std::string PacedName(const FrameSize& size, int delayMs)
    {
        return size.name + ", answers " + std::to_string(delayMs) + " ms late";
    }

    void MeasureResults(const FrameSize& size, int rawImages)
    {
        std::cerr << "== results: " << rawImages << " raw frames of " << size.name << std::endl;
        const SimProcess sim({"--prepared-frame", "--raw-images", std::to_string(rawImages), "--width",
                              std::to_string(size.width), "--height", std::to_string(size.height)},
                             kSimStart);
        for (int rep = 1; rep <= options.reps; ++rep) {
            Probe("results", size.name, Waiter::Signal, sim, rep);
        }
        for (int rep = 1; rep <= ExtraReps(); ++rep) {
            Probe("store-window", size.name, Waiter::Signal, sim, rep);
        }
    }

    void MeasureQuality(const FrameSize& size)
    {
        std::cerr << "== capture quality on the final image of " << size.name << std::endl;
        const SimProcess sim(
            {"--prepared-frame", "--width", std::to_string(size.width), "--height", std::to_string(size.height)},
            kSimStart);
        for (int rep = 1; rep <= options.reps; ++rep) {
            Probe("quality", size.name, Waiter::Signal, sim, rep);
        }
    }

    void MeasureWaiting(int delayMs, int reps)
    {
        std::cerr << "== waiting: responses " << delayMs << " ms late" << std::endl;
        const SimProcess sim({"--delay-ms", std::to_string(delayMs)}, kSimStart);
        for (int rep = 1; rep <= reps; ++rep) {
            Probe("wait-cost", "", Waiter::Signal, sim, rep);
            Probe("wait-cost", "", Waiter::BusyPoll, sim, rep);
        }
    }

    // The runs window over generated run directories; no simulator is needed.
    void MeasureRunsLoad()
    {
        std::cerr << "== runs window: " << kRunsToLoad << " generated runs" << std::endl;
        for (int rep = 1; rep <= ExtraReps(); ++rep) {
            // Writing thousands of small files takes a while on a busy disk.
            RunProbe(Key("runs-load", "", Waiter::Signal), rep, {ProbePath(Waiter::Signal), "runs-load", "-", "0"},
                     std::chrono::seconds(600));
        }
    }

    const Samples& Results() const { return samples; }
    int Failures() const { return failures; }
    const Options& Settings() const { return options; }

    static std::string Key(const std::string& kind, const std::string& size, Waiter waiter)
    {
        return kind + "/" + size + "/" + (waiter == Waiter::Signal ? "signal" : "busy");
    }

private:
    // Repetitions of the measurements that explain the headline figures.
    int ExtraReps() const { return std::min(options.reps, 3); }

    void Probe(const std::string& kind, const std::string& size, Waiter waiter, const SimProcess& sim, int rep,
               std::optional<double> seconds = std::nullopt)
    {
        RunProbe(Key(kind, size, waiter), rep,
                 {ProbePath(waiter), kind, sim.host(), std::to_string(sim.port()),
                  std::to_string(seconds.value_or(options.seconds))});
    }

    void RunProbe(const std::string& key, int rep, const std::vector<std::string>& argv,
                  std::chrono::seconds limit = std::chrono::seconds(120))
    {
        try {
            ChildProcess probe(argv);
            std::string output;
            const int exitCode = probe.Finish(limit + std::chrono::seconds(static_cast<int>(options.seconds)), output);
            ProbeResult result;
            if (exitCode != 0 || !ParseProbeResult(output, result)) {
                throw std::runtime_error("exit code " + std::to_string(exitCode) + ", output: " + output);
            }
            samples.Add(key, rep, result);
        } catch (const std::exception& e) {
            ++failures;
            std::cerr << "   " << key << " failed: " << e.what() << std::endl;
        }
    }

    Options options;
    Samples samples;
    int failures = 0;
};

void PrintReport(const BenchRun& run, const std::vector<FrameSize>& sizes, const FrameSize& resultsSize, int rawImages,
                 const FrameSize& qualitySize, const Options& options, const std::string& loadBefore)
{
    const Samples& s = run.Results();
    using K = BenchRun;
    const int cpus = get_nprocs();
    std::cout << "# Ondrel benchmarks\n\n"
              << get_nprocs() << " CPUs, load average " << loadBefore << " before and " << LoadAverage()
              << " after; medians of " << options.reps << " repetitions of " << options.seconds
              << " s each, every repetition in a fresh process.\n\n";

    Targets targets;
    std::cout << "## 1. Link efficiency: GetFrame round trips per second\n\n";
    MarkdownTable link({"frame", "raw socket fps", "Device fps", "Device / raw", "Device busy-poll fps",
                        "busy-poll / raw", "CPU ms/frame raw", "CPU ms/frame Device", "CPU Device / raw",
                        "CPU ms/frame busy-poll"});
    for (const FrameSize& size : sizes) {
        const std::string rawKey = K::Key("link-raw", size.name, Waiter::Signal);
        const std::string deviceKey = K::Key("link-device", size.name, Waiter::Signal);
        const std::string busyKey = K::Key("link-device", size.name, Waiter::BusyPoll);
        std::optional<double> cpuRatio = s.PairedPercent(deviceKey, rawKey, "cpu_ms_per_frame");
        if (cpuRatio) {
            *cpuRatio /= 100.0;
        }
        const std::string cpu = AtMost(cpuRatio, kLinkCpuTarget, 2, " x");
        targets.Add("Link CPU per frame against the raw client, " + size.name, cpu);
        link.AddRow({size.name + " (" + std::to_string(size.width) + "x" + std::to_string(size.height) + ")",
                     Number(s.MedianOf(rawKey, "fps"), 1), Number(s.MedianOf(deviceKey, "fps"), 1),
                     Percent(s.PairedPercent(deviceKey, rawKey, "fps"), 85.0), Number(s.MedianOf(busyKey, "fps"), 1),
                     Percent(s.PairedPercent(busyKey, rawKey, "fps")),
                     Number(s.MedianOf(rawKey, "cpu_ms_per_frame"), 3),
                     Number(s.MedianOf(deviceKey, "cpu_ms_per_frame"), 3), cpu,
                     Number(s.MedianOf(busyKey, "cpu_ms_per_frame"), 2)});
    }
    std::cout << link.Render()
              << "\nfps columns: medians. Ratios: medians of the per-repetition ratios of runs taken back to back."
                 " CPU ms/frame: all threads of the client process.\n\n";

    std::cout << "## 2. Overlap: live view against the link alone\n\n";
    MarkdownTable overlap({"frame", "link alone fps", "live view fps", "live view / link", "GUI thread ms/frame",
                           "CPU ms/frame", "paints/frame", "busy-poll: link fps", "busy-poll: live view fps",
                           "busy-poll: live view / link"});
    for (const FrameSize& size : sizes) {
        if (!size.liveView) {
            continue;
        }
        const std::string linkKey = K::Key("link-device", size.name, Waiter::Signal);
        const std::string liveKey = K::Key("live-view", size.name, Waiter::Signal);
        const std::string busyLinkKey = K::Key("link-device", size.name, Waiter::BusyPoll);
        const std::string busyLiveKey = K::Key("live-view", size.name, Waiter::BusyPoll);
        const std::string gui = AtMost(s.MedianOf(liveKey, "gui_ms_per_frame"), size.guiTargetMs, 2, " ms");
        targets.Add("GUI thread per live frame, " + size.name + ", unpaced", gui);
        overlap.AddRow({size.name, Number(s.MedianOf(linkKey, "fps"), 1), Number(s.MedianOf(liveKey, "fps"), 1),
                        Percent(s.PairedPercent(liveKey, linkKey, "fps"), 90.0), gui,
                        Number(s.MedianOf(K::Key("live-view", size.name, Waiter::Signal), "cpu_ms_per_frame"), 2),
                        Number(s.MedianOf(K::Key("live-view", size.name, Waiter::Signal), "paints_per_frame"), 2),
                        Number(s.MedianOf(busyLinkKey, "fps"), 1), Number(s.MedianOf(busyLiveKey, "fps"), 1),
                        Percent(s.PairedPercent(busyLiveKey, busyLinkKey, "fps"))});
    }
    for (const FrameSize& size : sizes) {
        if (!size.liveView) {
            continue;
        }
        const std::string name = BenchRun::PacedName(size, kPacedDelayMs);
        const std::string linkKey = K::Key("link-device", name, Waiter::Signal);
        const std::string liveKey = K::Key("live-view", name, Waiter::Signal);
        const std::string gui = AtMost(s.MedianOf(liveKey, "gui_ms_per_frame"), size.guiTargetMs, 2, " ms");
        targets.Add("GUI thread per live frame, " + name, gui);
        overlap.AddRow({name, Number(s.MedianOf(linkKey, "fps"), 1), Number(s.MedianOf(liveKey, "fps"), 1),
                        Percent(s.PairedPercent(liveKey, linkKey, "fps"), 90.0), gui,
                        Number(s.MedianOf(liveKey, "cpu_ms_per_frame"), 2),
                        Number(s.MedianOf(liveKey, "paints_per_frame"), 2), "", "", ""});
    }
    std::cout << overlap.Render()
              << "\nThe live view is the main window's own LiveView() and ShowImage(), offscreen, every overlay on,"
                 " the image view "
              << Number(s.MedianOf(K::Key("live-view", sizes[0].name, Waiter::Signal), "view_width"), 0) << " x "
              << Number(s.MedianOf(K::Key("live-view", sizes[0].name, Waiter::Signal), "view_height"), 0)
              << " pixels; frames are counted by the simulator's frame ids. CPU ms/frame: all threads of the"
                 " window's process.\n\n";

    std::cout << "### Where the live view's time goes (unpaced, medians)\n\n";
    MarkdownTable machine({"frame", "link alone: machine CPU ms/frame", "live view: machine CPU ms/frame",
                           "live view: GUI thread ms/frame", "most fps the " + std::to_string(cpus) + " cores allow",
                           "most fps the GUI thread allows", "live view fps"});
    for (const FrameSize& size : sizes) {
        if (!size.liveView) {
            continue;
        }
        const std::string linkKey = K::Key("link-device", size.name, Waiter::Signal);
        const std::string liveKey = K::Key("live-view", size.name, Waiter::Signal);
        const auto liveMachine = s.MedianOf(liveKey, "machine_cpu_ms_per_frame");
        const auto gui = s.MedianOf(liveKey, "gui_ms_per_frame");
        std::optional<double> coresBound;
        std::optional<double> guiBound;
        if (liveMachine && *liveMachine > 0) {
            coresBound = cpus * 1000.0 / *liveMachine;
        }
        if (gui && *gui > 0) {
            guiBound = 1000.0 / *gui;
        }
        machine.AddRow({size.name, Number(s.MedianOf(linkKey, "machine_cpu_ms_per_frame"), 2), Number(liveMachine, 2),
                        Number(gui, 2), Number(coresBound, 0), Number(guiBound, 0),
                        Number(s.MedianOf(liveKey, "fps"), 1)});
    }
    std::cout << machine.Render()
              << "\nMachine CPU: every core's busy time over the measured window (/proc/stat), the simulator and"
                 " the kernel's socket copies included. The live view can go no faster than the lower of the two"
                 " bounds; the link alone needs far less of the machine per frame, as it neither converts nor"
                 " paints.\n\n";

    std::cout << "### The live view's work per frame, step by step (median ms)\n\n";
    MarkdownTable steps({"frame", "reduced to the view, overlays drawn (on the request task)",
                         "capture condition and frame rate", "into the scene", "one repaint", "GUI thread sum",
                         "view image", "shown image against INTER_AREA (SSIM)"});
    for (const FrameSize& size : sizes) {
        if (!size.liveView) {
            continue;
        }
        const std::string key = K::Key("gui-steps", size.name, Waiter::Signal);
        const auto draw = s.MedianOf(key, "overlays_ms");
        const auto show = s.MedianOf(key, "show_ms");
        const auto paint = s.MedianOf(key, "paint_ms");
        std::optional<double> sum;
        if (draw && show && paint) {
            sum = *draw + *show + *paint;
        }
        const std::string ssim = AtLeast(s.MedianOf(key, "ssim"), kSsimTarget, 3, "");
        targets.Add("Shown image against the full-size drawing reduced with INTER_AREA (SSIM), " + size.name, ssim);
        steps.AddRow(
            {size.name, Number(s.MedianOf(key, "make_view_ms"), 2), Number(draw, 2), Number(show, 2), Number(paint, 2),
             Number(sum, 2),
             Number(s.MedianOf(key, "view_image_width"), 0) + " x " + Number(s.MedianOf(key, "view_image_height"), 0),
             ssim});
    }
    std::cout << steps.Render()
              << "\nEach step is the window's own code, timed one after another on the simulator's frame and"
                 " segments with every overlay on. The reference of the SSIM is the frame drawn at full size, as"
                 " before, reduced to the shown size with cv::INTER_AREA.\n\n";

    std::cout << "## 3. Results: " << rawImages << " raw frames of " << resultsSize.name << "\n\n";
    const std::string resultsKey = K::Key("results", resultsSize.name, Waiter::Signal);
    const std::string windowKey = K::Key("store-window", resultsSize.name, Waiter::Signal);
    const auto storePng = MedianPairedPercent(s.Values(resultsKey, "store_png_ms"), s.Values(resultsKey, "png_ms"));
    const auto storeTotal =
        MedianPairedPercent(s.Values(resultsKey, "store_total_ms"), s.Values(resultsKey, "serial_total_ms"));
    const std::string pngFigure = AtMost(storePng, kStorePngTargetPercent, 1, " %");
    const std::string totalFigure = AtMost(storeTotal, kStoreTotalTargetPercent, 1, " %");
    const std::string gapFigure = AtMost(s.MedianOf(windowKey, "longest_gap_ms"), kStoreGapTargetMs, 0, " ms");
    targets.Add("PNG writing of the store against writing the frames one by one", pngFigure);
    targets.Add("Whole store against fetching and then writing one by one", totalFigure);
    targets.Add("Longest the window does not answer while it stores", gapFigure);
    MarkdownTable results({"part", "one by one on the calling thread (before)", "StoreMode (workers, flushed, renamed)",
                           "StoreMode / before"});
    results.AddRow({"GetRawImages (" + Number(s.MedianOf(resultsKey, "megabytes"), 1) + " MB)",
                    Number(s.MedianOf(resultsKey, "link_ms"), 1), "", ""});
    results.AddRow({"PNG writing (cv::imwrite defaults)", Number(s.MedianOf(resultsKey, "png_ms"), 1),
                    Number(s.MedianOf(resultsKey, "store_png_ms"), 1), pngFigure});
    results.AddRow({"whole store", Number(s.MedianOf(resultsKey, "serial_total_ms"), 1),
                    Number(s.MedianOf(resultsKey, "store_total_ms"), 1), totalFigure});
    std::cout << results.Render()
              << "\nPNG writing of StoreMode: from the arrival of the raw frames until the last is written (the"
                 " RawDataRequest of times.txt); the whole store includes flushing every file and directory and"
                 " the rename into place. Ratios: medians of the per-repetition ratios.\n\n";
    MarkdownTable window({"the window storing a mode (raw frames only)", "median"});
    window.AddRow({"time \"Storing\" is shown", Number(s.MedianOf(windowKey, "store_ms"), 0) + " ms"});
    window.AddRow({"longest gap between 5 ms ticks of the window meanwhile", gapFigure});
    std::cout << window.Render() << "\n";

    std::cout << "## 4. Waiting costs: one request answered 1000 ms late\n\n";
    MarkdownTable waiting({"waiter", "wait ms", "caller CPU ms per s waited", "process CPU ms per s waited"});
    for (Waiter waiter : {Waiter::Signal, Waiter::BusyPoll}) {
        const std::string key = K::Key("wait-cost", "", waiter);
        const auto wait = s.MedianOf(key, "wait_ms");
        const auto caller = s.MedianOf(key, "caller_cpu_ms");
        const auto process = s.MedianOf(key, "process_cpu_ms");
        auto perSecond = [&](std::optional<double> cpu) -> std::optional<double> {
            if (!cpu || !wait || *wait <= 0) {
                return std::nullopt;
            }
            return *cpu / (*wait / 1000.0);
        };
        waiting.AddRow(
            {waiter == Waiter::Signal ? "Device (waits on the inbound queue's signal)" : "busy-polling Device",
             Number(wait, 1), Number(perSecond(caller), 2), Number(perSecond(process), 2)});
    }
    std::cout << waiting.Render()
              << "\nThe busy-polling rows of sections 1 and 2 show what such a waiter does to the other figures.\n\n";

    std::cout << "## 5. Capture quality: cost per finger on one core\n\n";
    const std::string qualityKey = K::Key("quality", qualitySize.name, Waiter::Signal);
    MarkdownTable quality({"final image", "fingers", "CPU ms per finger", "wall ms per finger"});
    quality.AddRow(
        {qualitySize.name + " (" + std::to_string(qualitySize.width) + "x" + std::to_string(qualitySize.height) + ")",
         Number(s.MedianOf(qualityKey, "segments"), 0),
         AtMost(s.MedianOf(qualityKey, "cpu_ms_per_finger"), kQualityMsPerFinger, 2, " ms"),
         Number(s.MedianOf(qualityKey, "wall_ms_per_finger"), 2)});
    std::cout << quality.Render()
              << "\nScoreFingers on the simulator's final image and segments, OpenCV held to one thread; CPU time of"
                 " the scoring thread.\n";

    std::cout << "## 6. Runs window: " << kRunsToLoad << " generated runs\n\n";
    const std::string runsKey = K::Key("runs-load", "", Waiter::Signal);
    std::vector<double> gaps;
    for (const auto& gap : s.Values(runsKey, "longest_gap_ms")) {
        if (gap) {
            gaps.push_back(*gap);
        }
    }
    const std::optional<double> worstGap =
        gaps.empty() ? std::nullopt : std::optional<double>(*std::max_element(gaps.begin(), gaps.end()));
    MarkdownTable runsWindow({"measure", "median", "worst of " + std::to_string(gaps.size())});
    runsWindow.AddRow({"longest GUI-thread gap while the runs load",
                       AtMost(s.MedianOf(runsKey, "longest_gap_ms"), kRunsGapTargetMs, 1, " ms"),
                       Number(worstGap, 1) + " ms"});
    runsWindow.AddRow({"time until every run is in the table", Number(s.MedianOf(runsKey, "load_ms"), 0) + " ms", ""});
    std::cout
        << runsWindow.Render()
        << "\nThe window, offscreen, reads the generated run directories (warm in the page cache) on its worker"
           " while a 1 ms timer ticks on the GUI thread; the gap is the longest time between two ticks from the"
           " start of reading to its end, the table's inserts, repaints and the summary included. The target holds"
           " for the median, as for the other figures; the worst run shows what a busy machine adds.\n";

    std::cout << "## Targets\n\n" << targets.Render();
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--reps" && i + 1 < argc) {
            options.reps = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--seconds" && i + 1 < argc) {
            options.seconds = std::max(0.2, std::atof(argv[++i]));
        } else if (arg == "--quick") {
            options.reps = 3;
            options.seconds = 1.0;
        } else {
            std::cerr << "usage: " << argv[0] << " [--reps N] [--seconds S] [--quick]" << std::endl;
            return 2;
        }
    }
    // The live view runs offscreen; the probes inherit this.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

    const std::vector<FrameSize> sizes{
        {"1 MP", 1280, 800, true, 0.5},
        {"5 MP", 2592, 1944, true, 1.0},
        {"12 MP", 4000, 3000, false},
    };
    const FrameSize& resultsSize = sizes[1];
    constexpr int kRawImages = 10;
    constexpr int kWaitDelayMs = 1000;

    const std::string loadBefore = LoadAverage();
    BenchRun run(options);
    try {
        for (const FrameSize& size : sizes) {
            run.MeasureLinkAndLiveView(size);
        }
        for (const FrameSize& size : sizes) {
            if (size.liveView) {
                run.MeasurePaced(size, kPacedDelayMs);
            }
        }
        run.MeasureResults(resultsSize, kRawImages);
        run.MeasureQuality(resultsSize);
        run.MeasureWaiting(kWaitDelayMs, std::min(options.reps, 3));
        run.MeasureRunsLoad();
    } catch (const std::exception& e) {
        std::cerr << "ondrel-bench: " << e.what() << std::endl;
        return 1;
    }
    PrintReport(run, sizes, resultsSize, kRawImages, resultsSize, options, loadBefore);
    return run.Failures() == 0 ? 0 : 1;
}
