// frame_host -- runs the passes due by now with one producer of their input, draws and presents
// once, and tells the observers of each pass: what the desktop's loop, the headless tools and a
// browser's frame callback all call.
#pragma once

#include "engine_input.hpp"

// Fills each pass's input command: the keyboard and controllers, a script or the random player.
class InputProducer {
  public:
    virtual PassInput next() = 0;

  protected:
    ~InputProducer() = default;
};

// Sees the end of every pass, with whether it ran a frame (false while minimised).
class PassObserver {
  public:
    virtual void passEnded(bool ranFrame) = 0;

  protected:
    ~PassObserver() = default;
};

// Null, the default, is the keyboard and controllers. Whoever fills the commands, the devices'
// events are still drained every pass, so a close request still ends the game.
void setInputProducer(InputProducer* producer);
// Null, the default, observes nothing.
void setPassObserver(PassObserver* observer);
// Called at the start of every pass, before input is read, so a tool can time pass starts
// against the timer's due times without changing the loop. Null, the default, calls nothing.
using FrameStartObserver = void (*)();
void setFrameStartObserver(FrameStartObserver observer);

// One pass (the devices drained, the command filled and taken, then, unless minimised, the
// timer and the scene's update) and, when it ran a frame, its picture drawn and presented when
// the window should see it: what the headless tools call pass after pass.
bool runFramePass();

enum class HostFrame {
    Idle,       // no pass was due
    Drawn,      // passes ran and the picture was drawn once after them
    Minimized,  // a pass found the window minimised: nothing is due until it is back
    Quit,       // the game has ended
};
// What a display frame calls: runs the passes due by now, in order and never more than the
// timer's catch-up limit, then draws once, unless the display would not show the picture. After
// noteInputChanged, the next pass runs at once if it is the one due within the coming period, and
// its picture is presented at once.
HostFrame runDueFrames();
// Whether the last call that ran passes left the picture as it was: the field not drawn again,
// no picture skipped, and the window showing the field. A page asks for no display frames
// while the pictures stand still.
bool isPictureStill();
// An event that changed an action of the keyboard or controllers has been taken in since the
// last pass. A script's or the random player's passes are not run early: it moves nothing.
void noteInputChanged();
// The desktop's blocking loop over runDueFrames until the quit flag is set. Minimised, it
// sleeps until the window system has an event; a backlog beyond the timer's catch-up limit is
// dropped rather than replayed.
void runFrameLoop();
// Passes that ran a full frame since the program started.
long long getFramesRun();
