#include "host/child_process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace {

std::string system_error(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

ChildResult run_child(const std::vector<std::string>& arguments, const std::string& input,
                      int timeout_seconds) {
    ChildResult result;
    const std::string& name = arguments.front();
    int to_child[2], from_child[2];
    if (pipe2(to_child, O_CLOEXEC) != 0) return {"", system_error("cannot make a pipe")};
    if (pipe2(from_child, O_CLOEXEC) != 0) {
        close(to_child[0]);
        close(to_child[1]);
        return {"", system_error("cannot make a pipe")};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, to_child[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, from_child[1], STDOUT_FILENO);
    // The child gets SIGPIPE's default action back: this process ignores it while it writes.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child;
    const int spawned = posix_spawnp(&child, name.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(to_child[0]);
    close(from_child[1]);
    if (spawned != 0) {
        close(to_child[1]);
        close(from_child[0]);
        errno = spawned;
        return {"", system_error("cannot start " + name)};
    }

    // Write the input and read the output together: either may fill its pipe first.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
    const auto remaining_ms = [&] {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        return static_cast<int>(std::max<long long>(0, left.count()));
    };
    void (*old_sigpipe)(int) = signal(SIGPIPE, SIG_IGN);
    fcntl(to_child[1], F_SETFL, O_NONBLOCK);
    int writing = to_child[1];
    std::size_t written = 0;
    bool ended = false, timed_out = false;
    while (!ended && !timed_out && result.problem.empty()) {
        if (writing >= 0 && written == input.size()) {
            close(writing);
            writing = -1;
        }
        pollfd watched[2] = {{from_child[0], POLLIN, 0}, {writing, POLLOUT, 0}};
        const int ready = poll(watched, writing >= 0 ? 2 : 1, remaining_ms());
        if (ready < 0 && errno != EINTR) result.problem = system_error("cannot wait for " + name);
        timed_out = ready == 0;
        if (ready <= 0) continue;
        if (watched[0].revents) {
            char buffer[65536];
            const ssize_t count = read(from_child[0], buffer, sizeof buffer);
            if (count > 0) result.output.append(buffer, static_cast<std::size_t>(count));
            ended = count == 0 || (count < 0 && errno != EINTR && errno != EAGAIN);
        }
        if (writing >= 0 && watched[1].revents) {
            const ssize_t count = write(writing, input.data() + written, input.size() - written);
            if (count > 0) written += static_cast<std::size_t>(count);
            // The child closed its input; its standard error says why.
            if (count < 0 && errno != EAGAIN && errno != EINTR) written = input.size();
        }
    }
    if (writing >= 0) close(writing);
    close(from_child[0]);
    signal(SIGPIPE, old_sigpipe);

    int status = 0;
    while (!timed_out && result.problem.empty()) {
        if (waitpid(child, &status, WNOHANG) == child) break;
        timed_out = remaining_ms() == 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (timed_out || !result.problem.empty()) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    if (timed_out)
        result.problem = name + " did not finish within " + std::to_string(timeout_seconds) +
                         " s and was stopped";
    else if (result.problem.empty() && WIFEXITED(status) && WEXITSTATUS(status) == 127)
        result.problem = "cannot start " + name;  // an exec failure the spawn could not report
    else if (result.problem.empty() && !(WIFEXITED(status) && WEXITSTATUS(status) == 0))
        result.problem = WIFEXITED(status)
                             ? name + " failed with exit code " + std::to_string(WEXITSTATUS(status))
                             : name + " ended with signal " + std::to_string(WTERMSIG(status));
    if (!result.problem.empty()) result.output.clear();
    return result;
}
