// A text console: its screen buffers, which of them is shown, and the queue of input
// events the keyboard produces.
#pragma once

#include "tools/terminal/consolebuffer.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

// One console input event. Only key events carry anything; other events (focus, size)
// are kept as Other so that readers can tell them apart and pass over them.
struct ConsoleInputEvent {
    enum class Kind { KeyDown, KeyUp, Other };
    Kind Type = Kind::Other;
    // The character the key produces in the console's code page, 0 for keys without one
    // (arrows, function keys, modifiers alone).
    std::uint8_t Character = 0;
    bool LeftAlt = false;
    bool RightAlt = false;

    bool AltHeld() const { return LeftAlt || RightAlt; }
};

class Console {
public:
    static constexpr int DefaultWidth = 80;
    static constexpr int DefaultHeight = 25;

    explicit Console(int width = DefaultWidth, int height = DefaultHeight);

    // The standard output buffer, created with the console and active at first.
    ConsoleBuffer& StandardOutput() { return *buffers_.front(); }
    // A further screen buffer of the same size, living as long as the console.
    ConsoleBuffer& CreateScreenBuffer();
    ConsoleBuffer& ActiveBuffer() { return *active_; }
    const ConsoleBuffer& ActiveBuffer() const { return *active_; }
    // `buffer` must be one of this console's buffers.
    void SetActiveBuffer(ConsoleBuffer& buffer);

    void PostInput(const ConsoleInputEvent& event) { input_.push_back(event); }
    bool InputPending() const { return !input_.empty(); }
    // The oldest pending event, left in the queue; nullptr when none is pending.
    const ConsoleInputEvent* PeekInput() const {
        return input_.empty() ? nullptr : &input_.front();
    }
    // Removes the oldest pending event, if any.
    void RemoveInput();
    void FlushInput() { input_.clear(); }

private:
    int width_;
    int height_;
    std::vector<std::unique_ptr<ConsoleBuffer>> buffers_;
    ConsoleBuffer* active_;
    std::deque<ConsoleInputEvent> input_;
};
