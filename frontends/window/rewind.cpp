// The ring fills a vector up to its reserved size, then writes over its oldest entries.

#include "frontends/window/rewind.h"

namespace frontends::window {

RewindRing::Entry& RewindRing::push() {
    if (next_ == entries_.size()) {
        entries_.emplace_back();
    }
    Entry& entry = entries_[next_];
    next_ = (next_ + 1) % kEntries;
    count_ = count_ < kEntries ? count_ + 1 : kEntries;
    return entry;
}

std::optional<RewindRing::Entry> RewindRing::pop() {
    if (count_ == 0) {
        return std::nullopt;
    }
    next_ = (next_ + kEntries - 1) % kEntries;
    --count_;
    return entries_[next_];
}

}  // namespace frontends::window
