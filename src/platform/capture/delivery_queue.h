// Captured events waiting for the callbacks. A callback that runs a nested event loop (or
// pumps messages) lets the platform capture more while it runs; those events wait here and
// the outer delivery hands them out, in order, once the callback has returned, so no
// callback ever runs inside another.
#pragma once

#include "platform/capture/key_translation.h"

#include <deque>

namespace capture {

class DeliveryQueue {
  public:
    struct Event {
        bool mouse;
        KeyEvent event;
        int x;
        int y;
    };

    void pushKey(const KeyEvent& event) { pending_.push_back({false, event, 0, 0}); }
    void pushMouse(const KeyEvent& event, int x, int y) { pending_.push_back({true, event, x, y}); }
    void clear() { pending_.clear(); }
    bool empty() const { return pending_.empty(); }

    // Calls `dispatch(event)` for every waiting event, oldest first; does nothing when a
    // delivery is already under way further up the stack.
    template <typename Dispatch> void deliver(Dispatch&& dispatch) {
        if (delivering_)
            return;
        delivering_ = true;
        while (!pending_.empty()) {
            const Event e = pending_.front();
            pending_.pop_front();
            dispatch(e);
        }
        delivering_ = false;
    }

  private:
    std::deque<Event> pending_;
    bool delivering_ = false;
};

} // namespace capture
