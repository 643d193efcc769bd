#pragma once
// A move-only owner for a handle that a seam object hands out and must take
// back. The owner remembers which object closes it, so fakes see every close.

#include <utility>

namespace platform {

template <class HandleType, class Closer, void (Closer::*Close)(HandleType)> class Unique {
  public:
    Unique() = default;
    Unique(Closer& closer, HandleType handle) : closer_(&closer), handle_(handle) {}
    Unique(Unique const&) = delete;
    Unique& operator=(Unique const&) = delete;
    Unique(Unique&& other) noexcept
        : closer_(other.closer_), handle_(std::exchange(other.handle_, HandleType{})) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) {
            reset();
            closer_ = other.closer_;
            handle_ = std::exchange(other.handle_, HandleType{});
        }
        return *this;
    }
    ~Unique() { reset(); }

    HandleType get() const { return handle_; }
    HandleType release() { return std::exchange(handle_, HandleType{}); }
    void reset() {
        if (auto handle = release()) {
            (closer_->*Close)(handle);
        }
    }
    explicit operator bool() const { return static_cast<bool>(handle_); }

  private:
    Closer* closer_ = nullptr;
    HandleType handle_{};
};

} // namespace platform
