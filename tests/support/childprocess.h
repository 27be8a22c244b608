// Other processes for a test: a forked child that exchanges one-byte notices
// with the parent through pipes, and this executable started again. Every wait
// has a limit; a child still running when its object goes away is killed.
#pragma once

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

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

    bool started() const { return pid_ > 0; }

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

// Runs this executable again with `arguments`; the environment is this one
// without the variables named in `removed`, plus the "NAME=value" entries of
// `added`. The exit code, or kNoExitCode.
inline int runSelf(const std::vector<std::string>& arguments, const std::vector<std::string>& added,
                   const std::vector<std::string>& removed, double seconds) {
    std::vector<std::string> texts{"/proc/self/exe"};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment(added);
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        auto named = [&](const std::string& name) { return text.rfind(name + "=", 0) == 0; };
        if (std::none_of(removed.begin(), removed.end(), named)) environment.push_back(text);
    }
    std::vector<char*> envp;
    for (std::string& text : environment) envp.push_back(text.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return kNoExitCode;
    return reapChild(pid, seconds);
}

}  // namespace testsupport
