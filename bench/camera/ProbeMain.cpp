// The host side's raw tools on the bench, next to what the programs under test do:
//
//   tessmo-bench-probe query NODE UNIT get SELECTOR LENGTH     one UVCIOC_CTRL_QUERY GET_CUR
//   tessmo-bench-probe query NODE UNIT set SELECTOR BYTE...    one SET_CUR (bytes in hex)
//   tessmo-bench-probe floor NODE UNIT N PASSES [reopen]       a sync pass's 2n+2 queries on
//                                                              one open descriptor (or each on
//                                                              its own, with reopen), timed
//   tessmo-bench-probe time PASSES COMMAND...                  a command's mean wall time
//
// A query prints the bytes read (" 02") or "ok", or the errno's name; a failure exits 3.
#include <fcntl.h>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int Query(int fd, std::uint8_t unit, std::uint8_t query, std::uint8_t selector,
          std::vector<std::uint8_t>& data) {
    uvc_xu_control_query request{};
    request.unit = unit;
    request.selector = selector;
    request.query = query;
    request.size = static_cast<std::uint16_t>(data.size());
    request.data = data.data();
    return ioctl(fd, UVCIOC_CTRL_QUERY, &request) == 0 ? 0 : errno;
}

int OpenNode(const std::string& node) {
    const int fd = open(node.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) std::printf("%s\n", strerrorname_np(errno));
    return fd;
}

// The node, held open across queries or (reopen) opened and closed around each one, as
// a request that finds the camera afresh must.
class Node {
public:
    Node(std::string path, std::uint8_t unit, bool reopen)
        : path_(std::move(path)), unit_(unit), reopen_(reopen) {
        if (!reopen_) fd_ = OpenNode(path_);
    }
    ~Node() {
        if (fd_ >= 0) close(fd_);
    }
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    bool Usable() const { return reopen_ || fd_ >= 0; }
    int Query(std::uint8_t query, std::uint8_t selector, std::vector<std::uint8_t>& data) const {
        if (!reopen_) return ::Query(fd_, unit_, query, selector, data);
        const int fd = open(path_.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) return errno;
        const int error = ::Query(fd, unit_, query, selector, data);
        close(fd);
        return error;
    }

private:
    std::string path_;
    std::uint8_t unit_;
    bool reopen_;
    int fd_ = -1;
};

int RunQuery(const std::vector<std::string>& args) {
    const Node node(args[0], static_cast<std::uint8_t>(std::stoi(args[1])), false);
    if (!node.Usable()) return 3;
    const auto selector = static_cast<std::uint8_t>(std::stoi(args[3]));
    const bool get = args[2] == "get";
    std::vector<std::uint8_t> data;
    if (get) data.resize(std::stoul(args[4]));
    for (std::size_t i = 4; !get && i < args.size(); ++i)
        data.push_back(static_cast<std::uint8_t>(std::stoul(args[i], nullptr, 16)));
    const int error = node.Query(get ? UVC_GET_CUR : UVC_SET_CUR, selector, data);
    if (error != 0) {
        std::printf("%s\n", strerrorname_np(error));
        return 3;
    }
    if (!get) std::printf("ok\n");
    for (const std::uint8_t b : get ? data : std::vector<std::uint8_t>{}) std::printf(" %02X", b);
    if (get) std::printf("\n");
    return 0;
}

// The least the driver can do for a sync pass over n parameters with nothing to write:
// n read-select/read pairs and the two clock writes.
int RunFloor(const std::vector<std::string>& args) {
    const bool reopen = args.size() == 5 && args[4] == "reopen";
    const Node node(args[0], static_cast<std::uint8_t>(std::stoi(args[1])), reopen);
    if (!node.Usable()) return 3;
    const int n = std::stoi(args[2]), passes = std::stoi(args[3]);
    int failures = 0;
    const auto start = Clock::now();
    for (int pass = 0; pass < passes; ++pass) {
        std::vector<std::uint8_t> slot{0};
        for (int i = 0; i < n; ++i) {
            std::vector<std::uint8_t> select{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8),
                                             0, 0, slot[0]};
            failures += node.Query(UVC_SET_CUR, 26, select) != 0;
            failures += node.Query(UVC_GET_CUR, 10, slot) != 0;
        }
        for (const std::uint8_t which : {std::uint8_t{0}, std::uint8_t{1}}) {
            std::vector<std::uint8_t> clock{0, 0, which, 0, 1, 0, 2, 0, 3, 0};
            failures += node.Query(UVC_SET_CUR, 13, clock) != 0;
        }
    }
    const std::chrono::duration<double, std::milli> spent = Clock::now() - start;
    std::printf("floor %.1f ms per pass, %d queries per pass, %d failed\n", spent.count() / passes, 2 * n + 2,
                failures);
    return failures == 0 ? 0 : 3;
}

int RunTimed(const std::vector<std::string>& args) {
    const int passes = std::stoi(args[0]);
    std::vector<char*> argv;
    for (std::size_t i = 1; i < args.size(); ++i) argv.push_back(const_cast<char*>(args[i].c_str()));
    argv.push_back(nullptr);
    int failures = 0;
    const auto start = Clock::now();
    for (int pass = 0; pass < passes; ++pass) {
        const pid_t child = fork();
        if (child == 0) {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execv(argv[0], argv.data());
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
        failures += !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::chrono::duration<double, std::milli> spent = Clock::now() - start;
    std::printf("command %.1f ms per run, %d failed\n", spent.count() / passes, failures);
    return failures == 0 ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> all(argv + 1, argv + argc);
    const std::string verb = all.empty() ? "" : all[0];
    const std::vector<std::string> args(all.empty() ? all.end() : all.begin() + 1, all.end());
    try {
        if (verb == "query" && args.size() >= 4) return RunQuery(args);
        if (verb == "floor" && (args.size() == 4 || args.size() == 5)) return RunFloor(args);
        if (verb == "time" && args.size() >= 2) return RunTimed(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tessmo-bench-probe: bad number: %s\n", e.what());
    }
    std::fprintf(stderr, "usage: see the head of bench/camera/ProbeMain.cpp\n");
    return 2;
}
