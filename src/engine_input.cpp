// engine_input -- the pass's input command and the nine actions' hold timers that the rules read.
#include "engine_input.hpp"

#include "input_bindings.hpp"
#include "input_devices.hpp"

namespace {
constexpr std::int32_t kHeldLimit = 500;

std::array<std::int32_t, kInputActionCount> mappings = {};
std::array<std::int32_t, kInputActionCount> inputTimers = {};
PassInput command;

std::int32_t index(InputAction action) {
    return static_cast<std::int32_t>(action);
}

// For each action, the actions bound to its key, itself among them, one bit each.
constexpr std::array<std::uint32_t, kInputActionCount> kKeyMates = [] {
    std::array<std::uint32_t, kInputActionCount> mates = {};
    for (const ActionBinding& binding : kActionBindings) {
        for (const ActionBinding& other : kActionBindings) {
            if (binding.scancode == other.scancode) {
                mates[static_cast<std::size_t>(binding.action)] |=
                    1u << static_cast<std::uint32_t>(other.action);
            }
        }
    }
    return mates;
}();

// Each action is down when any action bound to its key is named, as the keyboard would have it.
HeldActions heldByKey(const HeldActions& named) {
    std::uint32_t namedBits = 0;
    for (std::size_t action = 0; action < named.size(); ++action) {
        namedBits |= named[action] ? 1u << action : 0u;
    }
    HeldActions held = {};
    for (std::size_t action = 0; action < held.size(); ++action) {
        held[action] = (namedBits & kKeyMates[action]) != 0;
    }
    return held;
}
}  // namespace

void initializeInput() {
    for (const ActionBinding& binding : kActionBindings) {
        mappings[index(binding.action)] = binding.scancode;
    }
    initializeDevices();
}

void quitInput() {
    quitDevices();
    command = {};
    inputTimers.fill(0);
}

void updateInputs(const PassInput& next) {
    // A removal on a pass that did not run reaches the first one that does.
    const bool removalPending = command.unplugged && command.minimized;
    command.held = heldByKey(next.held);
    command.minimized = next.minimized;
    command.unplugged = next.unplugged || removalPending;
    for (std::int32_t action = 0; action < kInputActionCount; ++action) {
        if (command.held[static_cast<std::size_t>(action)]) {
            const std::int32_t held = inputTimers[action] + 1;
            inputTimers[action] = held <= kHeldLimit ? held : kInputTimerCap;
        } else {
            inputTimers[action] = 0;
        }
    }
}

const PassInput& getPassInput() {
    return command;
}

std::int32_t isMinimized() {
    return command.minimized ? 1 : 0;
}

bool controllerRemoved() {
    return command.unplugged;
}

std::int32_t inputDown(InputAction action) {
    return command.held[static_cast<std::size_t>(action)] ? 1 : 0;
}

std::int32_t inputPressed(InputAction action) {
    return inputTimers[index(action)] == 1 ? 1 : 0;
}

std::int32_t inputHeld(InputAction action, std::int32_t frames) {
    return inputTimers[index(action)] > frames ? 1 : 0;
}

std::int32_t inputPressedAndHeld(InputAction action, std::int32_t frames) {
    const std::int32_t timer = inputTimers[index(action)];
    return (timer == 1 || timer > frames) ? 1 : 0;
}

std::int32_t getActionScancode(InputAction action) {
    return mappings[index(action)];
}
