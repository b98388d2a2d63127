// input_bindings -- the one table of which key and controller buttons drive each action, and the
// names the help, the controls page and the manual's check give them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "engine_input.hpp"

// Numbers as SDL counts them (its scancodes and controller buttons); the modules that talk to
// SDL check them against SDL's own names, so this table needs no SDL header.
inline constexpr std::int32_t kNoButton = -1;

struct ActionBinding {
    InputAction action;
    std::int32_t scancode;
    // The key as the help, the controls page and the manual name it.
    const char* keyName;
    // Controller buttons by position, and their short name on the controls page.
    std::array<std::int32_t, 2> buttons;
    const char* buttonName;
};

// Buttons by SDL's numbering: South 0, East 1, Back 4, Start 6, the shoulders 9 and 10, and the
// d-pad 11 to 14. South gives Confirm and Select together, as Return does, so a recording of a
// controller game replays on the keyboard exactly. Guide is left to the system, which often
// takes it for an overlay.
inline constexpr std::array<ActionBinding, kInputActionCount> kActionBindings = {{
    {InputAction::Up, 82, "Up", {11, kNoButton}, "D-pad"},
    {InputAction::Down, 81, "Down", {12, kNoButton}, "D-pad"},
    {InputAction::Left, 80, "Left", {13, kNoButton}, "D-pad"},
    {InputAction::Right, 79, "Right", {14, kNoButton}, "D-pad"},
    {InputAction::Confirm, 40, "Return", {0, kNoButton}, "A"},
    {InputAction::Back, 19, "P", {1, 4}, "B"},
    {InputAction::Special, 6, "C", {9, 10}, "L R"},
    {InputAction::Pause, 42, "Backspace", {6, kNoButton}, "Start"},
    {InputAction::Select, 40, "Return", {0, kNoButton}, "A"},
}};

constexpr const ActionBinding& bindingOf(InputAction action) {
    return kActionBindings[static_cast<std::size_t>(action)];
}

// Whether two actions are driven by the same key, so that they are always held together.
constexpr bool shareKey(InputAction first, InputAction second) {
    return bindingOf(first).scancode == bindingOf(second).scancode;
}

// Listed in the order of the actions, so that the table can be indexed by action.
static_assert(
    [] {
        for (std::size_t i = 0; i < kActionBindings.size(); ++i) {
            if (static_cast<std::size_t>(kActionBindings[i].action) != i) {
                return false;
            }
        }
        return true;
    }(),
    "the bindings are listed in the order of the actions");

// The keys of some actions joined by a separator, as fixed text: "Left Right".
struct KeyNames {
    std::array<char, 32> text = {};
    constexpr const char* c_str() const { return text.data(); }
};

constexpr KeyNames joinKeyNames(std::initializer_list<InputAction> actions,
                                std::string_view separator) {
    KeyNames names;
    std::size_t at = 0;
    const auto append = [&names, &at](std::string_view part) {
        for (const char c : part) {
            // Text too long for the array stops the build here.
            names.text.at(at++) = c;
        }
    };
    bool first = true;
    for (const InputAction action : actions) {
        if (!first) {
            append(separator);
        }
        append(bindingOf(action).keyName);
        first = false;
    }
    names.text.at(at) = '\0';
    return names;
}
