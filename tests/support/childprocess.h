// Another process for a test: a forked child that exchanges one-byte notices
// with the parent through pipes. Every wait has a limit; a child still running
// when its object goes away is killed.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace testsupport {

inline constexpr int kNoExitCode = -1;

// A name no other process or test uses: `stem`, this process id and a counter.
inline std::string uniqueName(const std::string& stem) {
    static int counter = 0;
    return stem + "-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

// The exit code of `pid`, or kNoExitCode when it did not exit normally within
// `seconds` (then it is killed).
inline int reapChild(pid_t pid, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return kNoExitCode;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : kNoExitCode;
}

class ChildProcess {
public:
    // Forks; the child runs `body` and exits with its result, without running
    // the parent's exit handlers.
    explicit ChildProcess(const std::function<int(ChildProcess&)>& body) {
        if (pipe(toParent_) != 0 || pipe(toChild_) != 0) return;
        pid_ = fork();
        if (pid_ == 0) _exit(body(*this));
    }
    ~ChildProcess() {
        if (pid_ > 0 && !reaped_) reapChild(pid_, 0);
        for (int fd : {toParent_[0], toParent_[1], toChild_[0], toChild_[1]}) {
            if (fd >= 0) close(fd);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // In the child: ends it at once, without running any destructor.
    [[noreturn]] static void exitAbruptly(int code) { _exit(code); }

    void notifyParent() { notify(toParent_[1]); }
    bool waitForParent(double seconds) { return waitFor(toChild_[0], seconds); }
    void notifyChild() { notify(toChild_[1]); }
    bool waitForChild(double seconds) { return waitFor(toParent_[0], seconds); }

    int exitCode(double seconds) {
        if (pid_ <= 0 || reaped_) return kNoExitCode;
        reaped_ = true;
        return reapChild(pid_, seconds);
    }

private:
    static void notify(int fd) {
        const char notice = 1;
        [[maybe_unused]] const ssize_t written = write(fd, &notice, 1);
    }
    static bool waitFor(int fd, double seconds) {
        pollfd request{fd, POLLIN, 0};
        char notice = 0;
        return poll(&request, 1, static_cast<int>(seconds * 1000)) == 1 && read(fd, &notice, 1) == 1;
    }

    pid_t pid_ = -1;
    bool reaped_ = false;
    int toParent_[2] = {-1, -1};
    int toChild_[2] = {-1, -1};
};

}  // namespace testsupport
