#include "SimOptions.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>
#include <sstream>

namespace ondrel::sim {

namespace {
// Frames smaller than this cannot hold four fingertips 30 px away from every border.
constexpr int kMinWidth = 320;
constexpr int kMinHeight = 240;
// 12 megapixels and a bit: what the benchmarks use, without a body above 4 GiB for raw images.
constexpr int kMaxSide = 8192;
constexpr uint64_t kMaxFps = 1000;

bool ParseUnsigned(const std::string& text, uint64_t max, uint64_t& value)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed > max) {
        return false;
    }
    value = parsed;
    return true;
}

template <typename T> std::function<bool(const std::string&)> UnsignedInto(T& target, uint64_t min, uint64_t max)
{
    return [&target, min, max](const std::string& text) {
        uint64_t value = 0;
        if (!ParseUnsigned(text, max, value) || value < min) {
            return false;
        }
        target = static_cast<T>(value);
        return true;
    };
}

// "--error-type 100,128" or repeated; each a message type number.
bool ParseTypeList(const std::string& text, std::set<quorvel::tcp::MessageType>& types)
{
    std::stringstream stream(text);
    std::string item;
    bool any = false;
    while (std::getline(stream, item, ',')) {
        uint64_t value = 0;
        if (!ParseUnsigned(item, std::numeric_limits<uint32_t>::max(), value)) {
            return false;
        }
        types.insert(static_cast<quorvel::tcp::MessageType>(value));
        any = true;
    }
    return any;
}
// "--missing-fingers 3,7": standard finger positions, each once.
bool ParsePositionList(const std::string& text, std::set<int>& positions)
{
    std::stringstream stream(text);
    std::string item;
    bool any = false;
    while (std::getline(stream, item, ',')) {
        uint64_t value = 0;
        if (!ParseUnsigned(item, 10, value) || value < 1 || !positions.insert(static_cast<int>(value)).second) {
            return false;
        }
        any = true;
    }
    // getline drops a trailing empty item.
    return any && text.back() != ',';
}

// "--wrong-hand 4R": the mode whose hand comes mirrored first.
bool ParseWrongHand(const std::string& text, std::set<HandKind>& hands)
{
    if (text == "4R" || text == "4L") {
        hands.insert(text == "4R" ? HandKind::Right4 : HandKind::Left4);
        return true;
    }
    return false;
}
} // namespace

ParseOutcome ParseOptions(const std::vector<std::string>& args)
{
    ParseOutcome outcome;
    SimOptions& o = outcome.options;
    FaultOptions& f = o.faults;
    constexpr uint64_t u32Max = std::numeric_limits<uint32_t>::max();

    uint32_t firstType = 0;
    uint32_t closeAfter = 0;
    uint32_t stallAfter = 0;
    std::string reason; // why a value was refused, where a parser says more than "invalid"

    // Options that take a value.
    const std::map<std::string, std::function<bool(const std::string&)>> valued{
        {"--host",
         [&](const std::string& v) {
             o.host = v;
             return !v.empty();
         }},
        {"--port", UnsignedInto(o.port, 0, 65535)},
        {"--width", UnsignedInto(o.width, kMinWidth, kMaxSide)},
        {"--height", UnsignedInto(o.height, kMinHeight, kMaxSide)},
        {"--settle-ms", UnsignedInto(o.settleMs, 0, 600000)},
        {"--raw-images", UnsignedInto(o.rawImageCount, 1, 64)},
        {"--fps", UnsignedInto(o.fps, 0, kMaxFps)},
        {"--restart-ms", UnsignedInto(o.restartMs, 0, 600000)},
        {"--seed", UnsignedInto(o.seed, 0, u32Max)},
        {"--missing-fingers", [&](const std::string& v) { return ParsePositionList(v, o.missingFingers); }},
        {"--wrong-hand", [&](const std::string& v) { return ParseWrongHand(v, o.wrongHandFirst); }},
        {"--keys",
         [&](const std::string& v) {
             o.keysDir = v;
             return !v.empty();
         }},
        {"--firmware-dir",
         [&](const std::string& v) {
             o.firmwareDir = v;
             return !v.empty();
         }},
        {"--delay-ms", UnsignedInto(f.delayMs, 0, 600000)},
        {"--first-type", UnsignedInto(firstType, 0, u32Max)},
        {"--close-after", UnsignedInto(closeAfter, 0, u32Max)},
        {"--stall-after", UnsignedInto(stallAfter, 0, u32Max)},
        {"--error-type", [&](const std::string& v) { return ParseTypeList(v, f.errorTypes); }},
        {"--degrade",
         [&](const std::string& v) {
             const auto degradations = ParseDegradations(v, reason);
             if (degradations) {
                 o.degradations.insert(o.degradations.end(), degradations->begin(), degradations->end());
             }
             return degradations.has_value();
         }},
        {"--hostile",
         [&](const std::string& v) {
             const auto kind = HostileKindFromName(v);
             if (kind) {
                 f.hostile = *kind;
             }
             return kind.has_value();
         }},
    };
    const std::map<std::string, bool*> flags{
        {"--prepared-frame", &o.preparedFrame},
        {"--verbose", &o.verbose},
        {"--silent", &f.silent},
        {"--extra-after-connect", &f.extraAfterConnect},
        {"--close-mid-body", &f.closeMidBody},
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool inlineValue = false;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            inlineValue = true;
        }
        if (name == "--help" || name == "-h") {
            outcome.showHelp = true;
            continue;
        }
        if (name == "--version") {
            outcome.showVersion = true;
            continue;
        }
        if (const auto flag = flags.find(name); flag != flags.end() && !inlineValue) {
            *flag->second = true;
            continue;
        }
        const auto option = valued.find(name);
        if (option == valued.end()) {
            outcome.error = "unknown option " + args[i];
            return outcome;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) {
                outcome.error = "option " + name + " needs a value";
                return outcome;
            }
            value = args[++i];
        }
        if (!option->second(value)) {
            outcome.error = "invalid value '" + value + "' for " + name + (reason.empty() ? "" : ": " + reason);
            return outcome;
        }
        if (name == "--first-type") {
            f.firstType = firstType;
        } else if (name == "--close-after") {
            f.closeAfter = closeAfter;
        } else if (name == "--stall-after") {
            f.stallAfter = stallAfter;
        }
    }
    return outcome;
}

std::string HelpText()
{
    return R"(ondrel-sim: a simulated contactless fingerprint scanner speaking the device protocol.

Usage: ondrel-sim [options]

Server:
  --host HOST            address to listen on (default 127.0.0.1)
  --port N               TCP port (default 60123; 0 picks a free port)
                         The first line on stdout is "listening on HOST:PORT".
  --verbose              log every request on stderr
  --help                 show this text
  --version              show the version

Scanner:
  --width N, --height N  live frame size in pixels (default 1280 x 1024)
  --settle-ms N          time a presented hand needs to come into range and hold
                         still (default 2000)
  --raw-images N         raw frames answered per captured frame (default 3)
  --fps N                live frames per second on each connection, as a scanner
                         delivers them (default 30; 0 answers as fast as asked)
  --seed N               the person in front of the scanner: hand size, where it is
                         held and how it comes in; one seed, the same frames (default 1)
  --missing-fingers POS[,POS..]
                         the person has no finger at these standard positions (1 right
                         thumb, 2-5 right index to little, 6 left thumb, 7-10 left index
                         to little): they are neither drawn nor reported as segments
  --wrong-hand MODE      whenever MODE (4R or 4L) is due, the person first holds out the
                         other hand, which settles and stays for 2 s, then the one asked
                         for (repeatable)
  --restart-ms N         after a successful firmware update the device closes every
                         connection (0.3 s after its answer) and takes no new one for
                         N ms, at least those 0.3 s (default 3000)
  --keys DIR             directory holding LEVEL.pub.pem for every level above GUEST
  --firmware-dir DIR     store uploaded firmware there as firmware-<n>.zpxfw
  --prepared-frame       serve one pre-rendered frame and its results for every
                         CAPTURE (for benchmarks: no per-frame synthesis)

Fingers (by standard position: 1 right thumb, 2 right index, 3 right middle,
4 right ring, 5 right little, 6 left thumb, 7 left index, 8 left middle, 9 left
ring, 10 left little; segments come left to right: the right hand 2, 3, 4, 5 with
the index tip higher than the little finger's, the left hand 10, 9, 8, 7, the
thumbs 6, 1):
  --degrade POS:KIND=VALUE[,POS:KIND=VALUE...]
                         spoil these fingers' boxes in the final image (repeatable):
      blur=S             Gaussian blur of S pixels (above 0, up to 50)
      contrast=F         washed out: each pixel keeps F (0 to 1) of its distance
                         from the box's mean grey
      noise=D            additive Gaussian noise of D grey levels (above 0, up to 255)
                         for example --degrade 3:blur=3,4:contrast=0.3

Faults (for tests):
  --delay-ms N           answer every request N ms late
  --silent               accept connections but never send anything
  --first-type N         send message type N instead of CONNECTED first
  --extra-after-connect  send an unasked PING (body "PING") right after the first message
  --close-after N        answer N requests, close the connection on the next one
  --close-mid-body       send half of the first response body that has at least two
                         bytes, then close the connection
  --error-type N[,N..]   answer these message types with an error (repeatable)
  --stall-after N        answer N requests, then never answer again (link stays open)
  --hostile KIND         send broken responses of one kind:
      huge-size          every response header announces 0xFFFFFFFF body bytes and
                         nothing follows; the connection stays open
      bad-image-type     image blocks carry element type 4096, which OpenCV cannot build
      bad-byte-count     image blocks announce and carry one byte less than rows x cols
      bad-rect           segment rectangles lie outside the image (negative or huge)
      bad-count          segment and image counts exceed what the body carries
      stall              like --stall-after 0 unless --stall-after is given
)";
}

std::string VersionText()
{
#ifdef ONDREL_VERSION
    return std::string("ondrel-sim ") + ONDREL_VERSION;
#else
    return "ondrel-sim (unversioned build)";
#endif
}

} // namespace ondrel::sim
