#pragma once
// A file descriptor closed when its owner goes (sysfs files, nodes, signalfds).
#include <unistd.h>

namespace tessmo::linuxcapture {

class UniqueFd {
public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace tessmo::linuxcapture
