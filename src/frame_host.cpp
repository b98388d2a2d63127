// frame_host -- runs the passes due by now with one producer of their input, draws and presents
// once, and tells the observers of each pass: what the desktop's loop, the headless tools and a
// browser's frame callback all call.
#include "frame_host.hpp"

#include <cstdint>

#include "engine_game_manager.hpp"
#include "engine_timer.hpp"
#include "engine_video.hpp"
#include "game_scene_manager.hpp"
#include "input_devices.hpp"
#include "video_presenting.hpp"

namespace {
// While minimised nothing is drawn, so the loop sleeps until the window system has news; the
// limit only bounds how long a quit raised without an event could go unseen.
constexpr std::int32_t kMinimizedWaitMilliseconds = 100;
// However late the host is called, it runs no more passes than the timer would catch up.
constexpr std::uint64_t kMostPassesPerCall = frame_timer::kCatchUpLimitPeriods + 1;

InputProducer* producer = nullptr;
PassObserver* passObserver = nullptr;
FrameStartObserver frameStartObserver = nullptr;
long long framesRun = 0;
// Frames missed while the game could not be seen are not made up.
bool restartAfterMinimized = false;
bool inputChanged = false;
bool pictureStill = false;

void endPass(bool ranFrame) {
    if (passObserver != nullptr) {
        passObserver->passEnded(ranFrame);
    }
}

// One pass: the devices drained, the command filled and taken, then (unless minimised) the
// timer and the scene's update. Returns whether it ran a frame.
bool runPass() {
    if (frameStartObserver != nullptr) {
        frameStartObserver();
    }
    pollDevices();
    updateInputs(producer != nullptr ? producer->next() : readDevices());
    if (isMinimized() != 0) {
        endPass(false);
        return false;
    }
    frame_timer::updateTimer();
    updateCurrentScene();
    ++framesRun;
    endPass(true);
    return true;
}

// Draws the play field when its picture changed and presents it when the window should see it.
void drawFrame() {
    // The scene's draws are sketched first, and the field drawn from the sketch only when they
    // differ from those of the picture it holds.
    beginSketch();
    renderCurrentScene();
    if (endSketch()) {
        preRender();
        if (!replaySketch()) {
            renderCurrentScene();
        }
    }
    renderVideo();
}
}  // namespace

void setInputProducer(InputProducer* next) {
    producer = next;
}

void setPassObserver(PassObserver* observer) {
    passObserver = observer;
}

void setFrameStartObserver(FrameStartObserver observer) {
    frameStartObserver = observer;
}

bool runFramePass() {
    const bool ranFrame = runPass();
    if (ranFrame) {
        drawFrame();
    }
    return ranFrame;
}

HostFrame runDueFrames() {
    if (restartAfterMinimized) {
        frame_timer::restartCadence();
        restartAfterMinimized = false;
    }
    bool ranFrame = false;
    bool ranEarly = false;
    for (std::uint64_t passes = 0; passes < kMostPassesPerCall && !getQuit(); ++passes) {
        const frame_timer::PassStart start =
            frame_timer::nextPassStart(inputChanged && producer == nullptr);
        if (start == frame_timer::PassStart::Wait) {
            break;
        }
        if (start == frame_timer::PassStart::Due) {
            frame_timer::limitCatchUp();
        }
        inputChanged = false;
        if (!runPass()) {
            restartAfterMinimized = true;
            break;
        }
        ranFrame = true;
        ranEarly = ranEarly || start == frame_timer::PassStart::Early;
    }
    if (ranFrame) {
        if (ranEarly) {
            presentNextPictureAtOnce();
        }
        // A picture the display would not show is not drawn either.
        if (pictureWouldGoOut()) {
            const long long fieldsBefore = getFieldsDrawn();
            drawFrame();
            pictureStill = getFieldsDrawn() == fieldsBefore && windowShowsField();
        } else {
            skipPicture();
            pictureStill = false;
        }
    }
    if (getQuit()) {
        return HostFrame::Quit;
    }
    if (restartAfterMinimized) {
        return HostFrame::Minimized;
    }
    return ranFrame ? HostFrame::Drawn : HostFrame::Idle;
}

void runFrameLoop() {
    while (true) {
        switch (runDueFrames()) {
            case HostFrame::Quit:
                return;
            case HostFrame::Minimized:
                waitForEvents(kMinimizedWaitMilliseconds);
                break;
            // Until the next pass is due, unless an event that changes an action comes first.
            case HostFrame::Idle:
            case HostFrame::Drawn:
                if (waitForDeviceEvent(frame_timer::millisecondsToNextFrame())) {
                    noteInputChanged();
                }
                break;
        }
    }
}

bool isPictureStill() {
    return pictureStill;
}

void noteInputChanged() {
    inputChanged = true;
}

long long getFramesRun() {
    return framesRun;
}
