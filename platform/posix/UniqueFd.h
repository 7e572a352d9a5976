#pragma once
// The one owner of a POSIX file descriptor: INI files, sysfs files, video nodes,
// signalfds. Closed when its owner goes.
#include <unistd.h>

namespace tessmo::posix {

class UniqueFd {
public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() {
        if (IsOpen()) ::close(fd_);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    bool IsOpen() const { return fd_ >= 0; }
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace tessmo::posix
