#pragma once
// Raw uevents handed to the hot-plug monitor through a pipe, so its reader learns of them
// the way it does on a live system: a readable descriptor.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <deque>

#include "EventSources.h"

namespace tessmo::hotplug {

class PipeUevents final : public UeventSource {
public:
    PipeUevents() {
        if (::pipe2(fds_, O_NONBLOCK | O_CLOEXEC) != 0) fds_[0] = fds_[1] = -1;
    }
    ~PipeUevents() override {
        ::close(fds_[0]);
        ::close(fds_[1]);
    }
    int Fd() const override { return fds_[0]; }
    std::optional<UeventProperties> Receive() override {
        char byte = 0;
        if (::read(fds_[0], &byte, 1) != 1 || pending_.empty()) return std::nullopt;
        UeventProperties event = pending_.front();
        pending_.pop_front();
        return event;
    }
    void Push(UeventProperties event) {
        pending_.push_back(std::move(event));
        EXPECT_EQ(::write(fds_[1], "x", 1), 1);
    }
    std::size_t Pending() const { return pending_.size(); }

private:
    int fds_[2];
    std::deque<UeventProperties> pending_;
};

}  // namespace tessmo::hotplug
