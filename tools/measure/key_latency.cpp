// brickfall-key-latency -- the time from a key press to the first change of a window's picture,
// as a player would see it on an X display: the key goes in through XTest, and the picture's
// changes come back through the Damage extension, from the X server that holds the pixels. It
// takes one or more windows (the game's, a peer's) and presses their keys in turn, so both are
// measured in the same session under the same load.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "game_constants.hpp"
#include "key_latency_stats.hpp"

namespace {
constexpr const char* kUsageBeforeField =
    "usage: brickfall-key-latency [OPTION...] --target LABEL TARGET-OPTION... [--target ...]\n"
    "Presses keys in windows on the X display in $DISPLAY through XTest and times each press to\n"
    "the first change of the window's picture that the Damage extension reports. The targets\n"
    "take their presses in turn; each gets the input focus before its press.\n"
    "\n"
    "Target options (after --target LABEL):\n"
    "  --name NAME          the viewable window named NAME (WM_NAME or _NET_WM_NAME), waited for\n"
    "  --window ID          the window with this id (decimal or 0x hex)\n"
    "  --keys K1,K2,...     key names (X keysyms) pressed in turn, e.g. Down,Up or Left,Right\n"
    "  --changed            count only damage after which the window's pixels differ\n"
    "  --strip Y0:Y1        strip mode on window rows [Y0, Y1): see below\n"
    "  --field-rows A:B     strip mode on play-field rows [A, B), placed from the window's size\n"
    "  --restart-key KEY    strip mode: pressed when the strip shows no paddle (a stage ended)\n"
    "\n"
    "Options:\n"
    "  --presses N          presses per target (default 60)\n"
    "  --settle-ms M        quiet time before a press (default 150)\n"
    "  --jitter-ms J        a further random 0 to J ms before a press (default 25)\n"
    "  --timeout-ms T       a press with no change within T ms is missed (default 400)\n"
    "  --field WxH          the play field's size for --field-rows (default ";
constexpr const char* kUsageAfterField =
    ")\n"
    "  --paddle-min-width P strip mode: the paddle is a run of at least P field pixels\n"
    "                       (default 16: wider than a ball or a coin)\n"
    "  --seed S             the jitter's seed (default: from the clock; printed)\n"
    "  --raw FILE           also write every latency, one line per press\n"
    "  --trace              write every press's damage, reads and changes to stderr\n"
    "  --show-damage MS     only list the damage each target's window gets over MS ms, to\n"
    "                       find what a window redraws while still\n"
    "\n"
    "Plain, a press's latency runs to the first damage that touches the window, which must have\n"
    "had none for --settle-ms before the press. With --changed the window may redraw what it\n"
    "shows without changing it: its pixels must stay the same over --settle-ms, and the\n"
    "latency runs to the first damage after which the damaged pixels, read back, differ from\n"
    "the picture read just before the press. In strip mode the window may change all the time\n"
    "(a stage with moving balls): the latency runs to the first damage in the strip after which\n"
    "the strip, read back, shows the paddle (the longest run of columns holding anything but\n"
    "the strip's dominant colour) with both of its ends moved the key's way (Left or Right;\n"
    "either way for other keys) against the strip read just before the press.\n";

double nowMs() {
    timespec t = {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

[[noreturn]] void die(const std::string& message) {
    std::fprintf(stderr, "brickfall-key-latency: %s\n", message.c_str());
    std::exit(1);
}

int lastXError = 0;
int recordXError(Display* display, XErrorEvent* event) {
    char text[128] = {};
    XGetErrorText(display, event->error_code, text, sizeof text);
    std::fprintf(stderr, "brickfall-key-latency: X error: %s (request %d)\n", text,
                 event->request_code);
    lastXError = event->error_code;
    return 0;
}

struct TargetOptions {
    std::string label;
    std::string name;
    Window window = 0;
    std::vector<std::string> keys;
    std::optional<RowRange> strip;
    std::optional<RowRange> fieldRows;
    bool changed = false;
    std::string restartKey;
};

struct Options {
    int presses = 60;
    double settleMs = 150.0;
    double jitterMs = 25.0;
    double timeoutMs = 400.0;
    int fieldWidth = kPlayFieldWidth;
    int fieldHeight = kPlayFieldHeight;
    int paddleMinWidth = 16;
    std::optional<unsigned> seed;
    std::string rawPath;
    double showDamageMs = 0.0;
    bool trace = false;
    std::vector<TargetOptions> targets;
};

// A whole number in [low, high]: decimal, or with base 0 also 0x hexadecimal (window ids).
std::optional<long> parseNumber(const std::string& text, long low, long high, int base = 10) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, base);
    if (text.empty() || errno != 0 || *end != '\0' || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string> splitKeys(const std::string& text) {
    std::vector<std::string> keys;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto comma = text.find(',', start);
        const auto piece = text.substr(start, comma - start);
        if (!piece.empty()) {
            keys.push_back(piece);
        }
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    return keys;
}

Options parseOptions(int argc, char** argv) {
    Options options;
    // The default field is the game's own.
    const std::string usage = kUsageBeforeField + std::to_string(kPlayFieldWidth) + "x" +
                              std::to_string(kPlayFieldHeight) + kUsageAfterField;
    const auto usageError = [&usage](const std::string& what) {
        std::fprintf(stderr, "brickfall-key-latency: %s\n%s", what.c_str(), usage.c_str());
        std::exit(2);
    };
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help") {
            std::fputs(usage.c_str(), stdout);
            std::exit(0);
        }
        if (option == "--trace") {
            options.trace = true;
            continue;
        }
        if (option == "--changed") {
            if (options.targets.empty()) {
                usageError("--changed is a target option; targets start with --target");
            }
            options.targets.back().changed = true;
            continue;
        }
        if (i + 1 >= argc) {
            usageError("missing value after " + option);
        }
        const std::string value = argv[++i];
        const auto number = [&](long low, long high, int base = 10) {
            const auto parsed = parseNumber(value, low, high, base);
            if (!parsed) {
                usageError("bad value for " + option + ": " + value);
            }
            return *parsed;
        };
        const auto rows = [&]() {
            const auto range = parseRowRange(value);
            if (!range) {
                usageError("bad rows for " + option + " (want A:B, A < B): " + value);
            }
            return *range;
        };
        if (option == "--target") {
            options.targets.push_back({});
            options.targets.back().label = value;
            continue;
        }
        if (option == "--presses") {
            options.presses = static_cast<int>(number(1, 100000));
        } else if (option == "--settle-ms") {
            options.settleMs = static_cast<double>(number(1, 60000));
        } else if (option == "--jitter-ms") {
            options.jitterMs = static_cast<double>(number(0, 60000));
        } else if (option == "--timeout-ms") {
            options.timeoutMs = static_cast<double>(number(1, 60000));
        } else if (option == "--paddle-min-width") {
            options.paddleMinWidth = static_cast<int>(number(1, 100000));
        } else if (option == "--seed") {
            options.seed = static_cast<unsigned>(number(0, 0xFFFFFFFFL));
        } else if (option == "--show-damage") {
            options.showDamageMs = static_cast<double>(number(1, 600000));
        } else if (option == "--raw") {
            options.rawPath = value;
        } else if (option == "--field") {
            const auto x = value.find('x');
            const auto width = parseNumber(value.substr(0, x), 1, 100000);
            const auto height =
                x == std::string::npos ? std::nullopt : parseNumber(value.substr(x + 1), 1, 100000);
            if (!width || !height) {
                usageError("bad --field (want WxH): " + value);
            }
            options.fieldWidth = static_cast<int>(*width);
            options.fieldHeight = static_cast<int>(*height);
        } else if (options.targets.empty()) {
            usageError(option + " is a target option or unknown; targets start with --target");
        } else if (option == "--name") {
            options.targets.back().name = value;
        } else if (option == "--window") {
            options.targets.back().window = static_cast<Window>(number(1, 0x7FFFFFFFL, 0));
        } else if (option == "--keys") {
            options.targets.back().keys = splitKeys(value);
        } else if (option == "--strip") {
            options.targets.back().strip = rows();
        } else if (option == "--field-rows") {
            options.targets.back().fieldRows = rows();
        } else if (option == "--restart-key") {
            options.targets.back().restartKey = value;
        } else {
            usageError("unknown option " + option);
        }
    }
    if (options.targets.empty()) {
        usageError("no --target");
    }
    for (const auto& target : options.targets) {
        if (target.name.empty() == (target.window == 0)) {
            usageError("target " + target.label + " needs one of --name and --window");
        }
        if (target.keys.empty()) {
            usageError("target " + target.label + " needs --keys");
        }
        if ((target.strip ? 1 : 0) + (target.fieldRows ? 1 : 0) + (target.changed ? 1 : 0) > 1) {
            usageError("target " + target.label +
                       " takes one of --changed, --strip and --field-rows");
        }
    }
    return options;
}

std::string windowName(Display* display, Window window) {
    static const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    static const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(display, window, netWmName, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr && type == utf8 && format == 8) {
        name.assign(reinterpret_cast<const char*>(data), count);
    }
    if (data != nullptr) {
        XFree(data);
    }
    if (name.empty()) {
        char* fetched = nullptr;
        if (XFetchName(display, window, &fetched) != 0 && fetched != nullptr) {
            name = fetched;
            XFree(fetched);
        }
    }
    return name;
}

// The viewable windows named `name` under `parent`, depth first.
void collectNamed(Display* display, Window parent, const std::string& name,
                  std::vector<Window>& found) {
    Window root = 0;
    Window parentOfParent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, parent, &root, &parentOfParent, &children, &count) == 0) {
        return;
    }
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes = {};
        if (XGetWindowAttributes(display, children[i], &attributes) != 0 &&
            attributes.map_state == IsViewable && windowName(display, children[i]) == name) {
            found.push_back(children[i]);
        }
        collectNamed(display, children[i], name, found);
    }
    if (children != nullptr) {
        XFree(children);
    }
}

Window findWindow(Display* display, const std::string& name) {
    const double giveUp = nowMs() + 10000.0;
    for (;;) {
        std::vector<Window> found;
        collectNamed(display, DefaultRootWindow(display), name, found);
        if (found.size() == 1) {
            return found.front();
        }
        if (found.size() > 1) {
            die("more than one viewable window is named \"" + name + "\"; give --window");
        }
        if (nowMs() > giveUp) {
            die("no viewable window named \"" + name + "\" within 10 s");
        }
        timespec pause = {0, 100'000'000};
        nanosleep(&pause, nullptr);
    }
}

// Reads events with the time they reached this process: the moment they were read from the
// socket, found readable. Events that Xlib read while it waited for a reply are stamped with the
// time the reply arrived, which callers mark after every round trip: later than they came, never
// earlier.
class EventPump {
  public:
    explicit EventPump(Display* display) : display_(display) {}

    // The next event, or false once `deadline` (nowMs) has passed without one.
    bool next(XEvent& event, double& when, double deadline) {
        int queued = XEventsQueued(display_, QueuedAlready);
        if (queued > stamped_) {
            // Some other call read these; they are stamped now, later than they came.
            readAt_ = nowMs();
        }
        if (queued == 0) {
            while (XEventsQueued(display_, QueuedAfterFlush) == 0) {
                const double left = deadline - nowMs();
                if (left <= 0.0) {
                    return false;
                }
                pollfd socket = {ConnectionNumber(display_), POLLIN, 0};
                const auto wait = timespec{static_cast<time_t>(left / 1e3),
                                           static_cast<long>(std::fmod(left, 1e3) * 1e6)};
                ppoll(&socket, 1, &wait, nullptr);
            }
            readAt_ = nowMs();
            queued = XEventsQueued(display_, QueuedAlready);
        }
        XNextEvent(display_, &event);
        stamped_ = queued - 1;
        when = readAt_;
        return true;
    }

    void markRoundTrip() {
        readAt_ = nowMs();
        stamped_ = XEventsQueued(display_, QueuedAlready);
    }

    // Drops every event already read, returning how many satisfied `counts`.
    template <typename Predicate>
    int dropQueued(Predicate counts) {
        int counted = 0;
        while (XEventsQueued(display_, QueuedAlready) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            counted += counts(event) ? 1 : 0;
        }
        stamped_ = 0;
        return counted;
    }

  private:
    Display* display_;
    double readAt_ = 0.0;
    // Events in Xlib's queue that readAt_ stamps; any beyond them came in through another call.
    int stamped_ = 0;
};

// How a press's answer is recognised: see the usage.
enum class Mode { FirstDamage, Changed, Paddle };

struct Target {
    TargetOptions options;
    Window window = 0;
    Damage damage = 0;
    int width = 0;
    int height = 0;
    Mode mode = Mode::FirstDamage;
    PixelRect region;  // where a change counts: the strip, or the whole window
    int paddleMinWidth = 0;
    std::vector<KeyCode> keys;
    std::vector<int> directions;
    KeyCode restartKey = 0;
    std::size_t nextKey = 0;
    std::vector<double> latencies;
    int missed = 0;
    int unsettled = 0;
    int noPaddle = 0;
    int readLate = 0;
    double readLateBy = 0.0;  // the most a press timed at a read's end was after its damage
};

class Session {
  public:
    Session(Display* display, Options options)
        : display_(display), options_(std::move(options)), pump_(display) {
        int major = 0;
        int minor = 0;
        int errorBase = 0;
        if (XDamageQueryExtension(display_, &damageEventBase_, &errorBase) == 0) {
            die("the X server has no Damage extension");
        }
        int eventBase = 0;
        if (XTestQueryExtension(display_, &eventBase, &errorBase, &major, &minor) == 0) {
            die("the X server has no XTEST extension");
        }
        const unsigned seed = options_.seed ? *options_.seed : static_cast<unsigned>(nowMs());
        std::printf("seed: %u\n", seed);
        random_.seed(seed);
        for (const auto& targetOptions : options_.targets) {
            targets_.push_back(makeTarget(targetOptions));
        }
        warnOfOverlaps();
    }

    void run() {
        std::FILE* raw = nullptr;
        if (!options_.rawPath.empty()) {
            raw = std::fopen(options_.rawPath.c_str(), "w");
            if (raw == nullptr) {
                die("cannot write " + options_.rawPath);
            }
        }
        for (int round = 0; round < options_.presses; ++round) {
            for (auto& target : targets_) {
                measureOnePress(target, raw);
            }
        }
        if (raw != nullptr) {
            std::fclose(raw);
        }
    }

    void showDamage() {
        const double start = nowMs();
        XEvent event;
        double when = 0.0;
        while (pump_.next(event, when, start + options_.showDamageMs)) {
            if (event.type != damageEventBase_ + XDamageNotify) {
                continue;
            }
            const auto& damage = reinterpret_cast<const XDamageNotifyEvent&>(event);
            for (const auto& target : targets_) {
                if (damage.damage == target.damage) {
                    std::printf("%9.3f ms %s: %dx%d at %d,%d\n", when - start,
                                target.options.label.c_str(), damage.area.width, damage.area.height,
                                damage.area.x, damage.area.y);
                }
            }
        }
    }

    void report() const {
        std::printf("\n| target | keys | n | p50 | p90 | min | max | missed | notes |\n");
        std::printf("|---|---|---:|---:|---:|---:|---:|---:|---|\n");
        for (const auto& target : targets_) {
            const auto summary = summarizeLatencies(target.latencies);
            std::string keys;
            for (const auto& key : target.options.keys) {
                keys += (keys.empty() ? "" : "/") + key;
            }
            std::string notes;
            const PixelRect& r = target.region;
            switch (target.mode) {
                case Mode::FirstDamage:
                    notes = "first damage";
                    break;
                case Mode::Changed:
                    notes = "first changed pixels";
                    break;
                case Mode::Paddle:
                    notes = "paddle moved in rows " + std::to_string(r.y) + " to " +
                            std::to_string(r.y + r.height - 1) + ", columns " +
                            std::to_string(r.x) + " to " + std::to_string(r.x + r.width - 1) +
                            "; " + std::to_string(target.noPaddle) + " without a paddle";
                    break;
            }
            char late[96] = {};
            std::snprintf(late, sizeof late, "%d timed at a read's end, at most %.2f ms late",
                          target.readLate, target.readLateBy);
            notes += "; window " + std::to_string(target.width) + "x" +
                     std::to_string(target.height) + "; " + std::to_string(target.unsettled) +
                     " never still; " + late;
            std::printf("| %s | %s | %zu | %.2f ms | %.2f ms | %.2f ms | %.2f ms | %d | %s |\n",
                        target.options.label.c_str(), keys.c_str(), summary.count, summary.p50,
                        summary.p90, summary.min, summary.max, target.missed, notes.c_str());
        }
    }

  private:
    KeyCode keyCode(const std::string& name) const {
        const KeySym symbol = XStringToKeysym(name.c_str());
        const KeyCode code = symbol == NoSymbol ? 0 : XKeysymToKeycode(display_, symbol);
        if (code == 0) {
            die("no key named " + name + " on this display");
        }
        return code;
    }

    void placeRegion(Target& target) const {
        if (target.options.fieldRows) {
            target.region = fieldRowsInWindow(target.width, target.height, options_.fieldWidth,
                                              options_.fieldHeight, target.options.fieldRows->first,
                                              target.options.fieldRows->end);
        } else if (target.options.strip) {
            target.region = intersection({0, 0, target.width, target.height},
                                         {0, target.options.strip->first, target.width,
                                          target.options.strip->end - target.options.strip->first});
        } else {
            target.region = {0, 0, target.width, target.height};
        }
        if (target.region.width <= 0 || target.region.height <= 0) {
            die("target " + target.options.label + ": the strip lies outside its " +
                std::to_string(target.width) + "x" + std::to_string(target.height) + " window");
        }
        const PixelRect field = fieldRowsInWindow(target.width, target.height, options_.fieldWidth,
                                                  options_.fieldHeight, 0, options_.fieldHeight);
        target.paddleMinWidth =
            std::max(1, static_cast<int>(std::lround(static_cast<double>(options_.paddleMinWidth) *
                                                     field.width / options_.fieldWidth)));
    }

    Target makeTarget(const TargetOptions& targetOptions) {
        Target target;
        target.options = targetOptions;
        target.window = targetOptions.window != 0 ? targetOptions.window
                                                  : findWindow(display_, targetOptions.name);
        XWindowAttributes attributes = {};
        if (XGetWindowAttributes(display_, target.window, &attributes) == 0 ||
            attributes.map_state != IsViewable) {
            die("target " + targetOptions.label + ": the window is not viewable");
        }
        target.width = attributes.width;
        target.height = attributes.height;
        target.mode = targetOptions.strip || targetOptions.fieldRows ? Mode::Paddle
                      : targetOptions.changed                        ? Mode::Changed
                                                                     : Mode::FirstDamage;
        placeRegion(target);
        for (const auto& name : targetOptions.keys) {
            target.keys.push_back(keyCode(name));
            target.directions.push_back(keyDirection(name));
        }
        if (!targetOptions.restartKey.empty()) {
            target.restartKey = keyCode(targetOptions.restartKey);
        }
        XSelectInput(display_, target.window, StructureNotifyMask);
        target.damage = XDamageCreate(display_, target.window, XDamageReportRawRectangles);
        XSync(display_, False);
        if (lastXError != 0) {
            die("target " + targetOptions.label + ": could not watch the window");
        }
        std::printf("%s: window 0x%lx, %dx%d, watching %dx%d at %d,%d\n",
                    targetOptions.label.c_str(), target.window, target.width, target.height,
                    target.region.width, target.region.height, target.region.x, target.region.y);
        return target;
    }

    // Overlapping windows hide each other's pixels from the damage and from reading back.
    void warnOfOverlaps() {
        std::vector<PixelRect> placed;
        for (const auto& target : targets_) {
            int x = 0;
            int y = 0;
            Window child = 0;
            XTranslateCoordinates(display_, target.window, DefaultRootWindow(display_), 0, 0, &x,
                                  &y, &child);
            placed.push_back({x, y, target.width, target.height});
        }
        for (std::size_t i = 0; i < targets_.size(); ++i) {
            for (std::size_t j = i + 1; j < targets_.size(); ++j) {
                if (targets_[i].window != targets_[j].window &&
                    rectanglesIntersect(placed[i], placed[j])) {
                    std::fprintf(stderr, "brickfall-key-latency: warning: %s and %s overlap\n",
                                 targets_[i].options.label.c_str(),
                                 targets_[j].options.label.c_str());
                }
            }
        }
        pump_.markRoundTrip();
    }

    // The part of the target's region that an event damaged (empty for any other event);
    // follows the windows' sizes, and ends the run when a window goes.
    PixelRect damagedRegion(Target& target, const XEvent& event) {
        if (event.type == damageEventBase_ + XDamageNotify) {
            const auto& damage = reinterpret_cast<const XDamageNotifyEvent&>(event);
            if (damage.damage != target.damage) {
                return {};
            }
            return intersection(target.region, {damage.area.x, damage.area.y, damage.area.width,
                                                damage.area.height});
        }
        for (auto& other : targets_) {
            if (event.type == DestroyNotify && event.xdestroywindow.window == other.window) {
                die("the window of " + other.options.label + " is gone");
            }
            if (event.type == ConfigureNotify && event.xconfigure.window == other.window &&
                (event.xconfigure.width != other.width ||
                 event.xconfigure.height != other.height)) {
                other.width = event.xconfigure.width;
                other.height = event.xconfigure.height;
                placeRegion(other);
            }
        }
        return {};
    }

    bool touchesRegion(Target& target, const XEvent& event) {
        return damagedRegion(target, event).width > 0;
    }

    // Reads events until `until`, ignoring what they show.
    void idle(Target& target, double until) {
        XEvent event;
        double when = 0.0;
        while (pump_.next(event, when, until)) {
            damagedRegion(target, event);
        }
    }

    // Waits until the region has had no damage for `quietMs`; false if that takes over 5 s.
    bool settle(Target& target, double quietMs) {
        const double giveUp = nowMs() + 5000.0;
        double lastChange = nowMs();
        XEvent event;
        double when = 0.0;
        for (;;) {
            if (lastChange + quietMs > giveUp) {
                return false;
            }
            if (!pump_.next(event, when, lastChange + quietMs)) {
                return true;
            }
            if (touchesRegion(target, event)) {
                lastChange = when;
            }
        }
    }

    std::optional<StripPixels> readPixels(const Target& target, const PixelRect& area) {
        XImage* image =
            XGetImage(display_, target.window, area.x, area.y, static_cast<unsigned>(area.width),
                      static_cast<unsigned>(area.height), AllPlanes, ZPixmap);
        pump_.markRoundTrip();
        if (image == nullptr) {
            return std::nullopt;
        }
        StripPixels pixels;
        pixels.width = area.width;
        pixels.height = area.height;
        pixels.pixels.resize(static_cast<std::size_t>(area.width) * area.height);
        const bool direct = image->bits_per_pixel == 32 && image->byte_order == LSBFirst;
        for (int y = 0; y < area.height; ++y) {
            for (int x = 0; x < area.width; ++x) {
                std::uint32_t pixel = 0;
                if (direct) {
                    std::memcpy(&pixel, image->data + y * image->bytes_per_line + x * 4, 4);
                } else {
                    pixel = static_cast<std::uint32_t>(XGetPixel(image, x, y));
                }
                pixels.pixels[static_cast<std::size_t>(y) * area.width + x] = pixel & 0xFFFFFFu;
            }
        }
        XDestroyImage(image);
        return pixels;
    }

    void tap(KeyCode key) {
        XTestFakeKeyEvent(display_, key, True, CurrentTime);
        XFlush(display_);
        timespec hold = {0, 60'000'000};
        nanosleep(&hold, nullptr);
        XTestFakeKeyEvent(display_, key, False, CurrentTime);
        XFlush(display_);
    }

    // Waits until the target is ready for a press and returns what its region shows then (for the
    // modes that compare pixels); nothing when it never got ready.
    std::optional<StripPixels> prepare(Target& target, double quiet) {
        switch (target.mode) {
            case Mode::FirstDamage:
                if (settle(target, quiet)) {
                    return StripPixels{};
                }
                break;
            case Mode::Changed:
                // The window may redraw, but what it shows must hold still.
                for (const double giveUp = nowMs() + 5000.0; nowMs() + quiet < giveUp;) {
                    const auto first = readPixels(target, target.region);
                    idle(target, nowMs() + quiet);
                    auto second = readPixels(target, target.region);
                    if (first && second && first->pixels == second->pixels) {
                        return second;
                    }
                    if (options_.trace && first && second) {
                        const auto moved =
                            changedArea(*first, target.region, *second, target.region);
                        std::fprintf(stderr, "  not still: %dx%d at %d,%d changed\n", moved.width,
                                     moved.height, moved.x, moved.y);
                    }
                }
                break;
            case Mode::Paddle:
                // A stage changes all the time: the press is judged by its paddle's strip alone.
                for (int attempt = 0; attempt <= 20; ++attempt) {
                    idle(target, nowMs() + quiet);
                    auto strip = readPixels(target, target.region);
                    if (strip &&
                        paddleSpan(*strip, dominantColour(*strip), target.paddleMinWidth)) {
                        return strip;
                    }
                    ++target.noPaddle;
                    if (target.restartKey == 0) {
                        break;
                    }
                    tap(target.restartKey);
                    idle(target, nowMs() + 1000.0);
                }
                std::fprintf(stderr, "%s: no paddle in the strip\n", target.options.label.c_str());
                return std::nullopt;
        }
        ++target.unsettled;
        std::fprintf(stderr, "%s: the window did not keep still for %.0f ms\n",
                     target.options.label.c_str(), quiet);
        return std::nullopt;
    }

    void measureOnePress(Target& target, std::FILE* raw) {
        XSetInputFocus(display_, target.window, RevertToParent, CurrentTime);
        XSync(display_, False);
        pump_.markRoundTrip();
        std::uniform_real_distribution<double> jitter(0.0, options_.jitterMs);
        const auto before = prepare(target, options_.settleMs + jitter(random_));
        if (!before) {
            return;
        }
        // Whatever was drawn before the press is not its answer.
        XSync(display_, False);
        pump_.dropQueued([&](const XEvent& event) { return touchesRegion(target, event); });

        const std::size_t which = target.nextKey++ % target.keys.size();
        const KeyCode key = target.keys[which];
        if (options_.trace) {
            std::fprintf(stderr, "%s: %s\n", target.options.label.c_str(),
                         target.options.keys[which].c_str());
        }
        const double pressed = nowMs();
        XTestFakeKeyEvent(display_, key, True, CurrentTime);
        XFlush(display_);
        std::optional<double> seen;
        XEvent event;
        double when = 0.0;
        while (!seen && pump_.next(event, when, pressed + options_.timeoutMs)) {
            PixelRect damaged = damagedRegion(target, event);
            if (damaged.width <= 0) {
                continue;
            }
            if (target.mode == Mode::FirstDamage) {
                seen = when;
                break;
            }
            // Damage read in the same batch is judged with it, from one read of the pixels.
            pump_.dropQueued([&](const XEvent& queued) {
                damaged = boundingBox(damaged, damagedRegion(target, queued));
                return false;
            });
            const PixelRect area = target.mode == Mode::Paddle ? target.region : damaged;
            const auto after = readPixels(target, area);
            const double readEnd = nowMs();
            if (options_.trace) {
                std::fprintf(stderr, "  damage at %.3f ms; read %dx%d at %d,%d until %.3f ms\n",
                             when - pressed, area.width, area.height, area.x, area.y,
                             readEnd - pressed);
            }
            // Damage that came in while the pixels were read is already in what was read, so it
            // needs no reading of its own; but where it touched what changed, the change may be
            // its, not this batch's, and is then timed at the read's end.
            std::vector<PixelRect> newer;
            pump_.dropQueued([&](const XEvent& queued) {
                newer.push_back(damagedRegion(target, queued));
                return false;
            });
            if (!after) {
                continue;
            }
            PixelRect changed;
            if (target.mode == Mode::Paddle) {
                if (judgeStrip(*before, *after, target.directions[which], target.paddleMinWidth) ==
                    StripChange::Moved) {
                    changed = target.region;
                }
            } else {
                changed = changedArea(*before, target.region, *after, area);
            }
            if (changed.width <= 0) {
                continue;
            }
            const bool late = std::any_of(newer.begin(), newer.end(), [&](const PixelRect& r) {
                return rectanglesIntersect(r, changed);
            });
            if (options_.trace) {
                std::fprintf(stderr, "  changed %dx%d at %d,%d; %zu damaged during the read%s\n",
                             changed.width, changed.height, changed.x, changed.y, newer.size(),
                             late ? ", touching it" : "");
            }
            seen = late ? readEnd : when;
            if (late) {
                ++target.readLate;
                target.readLateBy = std::max(target.readLateBy, readEnd - when);
            }
        }
        XTestFakeKeyEvent(display_, key, False, CurrentTime);
        XFlush(display_);
        if (!seen) {
            ++target.missed;
            std::fprintf(stderr, "%s: no change within %.0f ms of %s\n",
                         target.options.label.c_str(), options_.timeoutMs,
                         target.options.keys[which].c_str());
            return;
        }
        const double latency = *seen - pressed;
        target.latencies.push_back(latency);
        if (raw != nullptr) {
            std::fprintf(raw, "%s\t%s\t%.3f\n", target.options.label.c_str(),
                         target.options.keys[which].c_str(), latency);
        }
    }

    Display* display_;
    Options options_;
    EventPump pump_;
    int damageEventBase_ = 0;
    std::vector<Target> targets_;
    std::mt19937 random_;
};
}  // namespace

int main(int argc, char** argv) {
    Options options = parseOptions(argc, argv);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        die("cannot open the X display (is DISPLAY set?)");
    }
    XSetErrorHandler(recordXError);
    const bool onlyShowDamage = options.showDamageMs > 0.0;
    Session session(display, std::move(options));
    if (onlyShowDamage) {
        session.showDamage();
    } else {
        session.run();
        session.report();
    }
    XCloseDisplay(display);
    return 0;
}
