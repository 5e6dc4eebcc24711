// The console's buffers and input queue.
#include "tools/terminal/console.h"

#include <algorithm>
#include <cassert>

Console::Console(int width, int height) : width_(width), height_(height) {
    buffers_.push_back(std::make_unique<ConsoleBuffer>(width_, height_));
    active_ = buffers_.front().get();
}

ConsoleBuffer& Console::CreateScreenBuffer() {
    buffers_.push_back(std::make_unique<ConsoleBuffer>(width_, height_));
    return *buffers_.back();
}

void Console::SetActiveBuffer(ConsoleBuffer& buffer) {
    assert(std::any_of(buffers_.begin(), buffers_.end(),
                       [&](const auto& owned) { return owned.get() == &buffer; }) &&
           "only a buffer of this console can be shown");
    active_ = &buffer;
}

void Console::RemoveInput() {
    if (!input_.empty())
        input_.pop_front();
}
