#include "host/child_process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace {

void close_both(int ends[2]) {
    close(ends[0]);
    close(ends[1]);
}

std::string system_error(const std::string& what) { return what + ": " + std::strerror(errno); }

// Starts the program with its standard input and output the pipes' far ends.
int start(const std::vector<std::string>& arguments, int input, int output, pid_t& child) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    // This tool ignores SIGPIPE while it writes the input; the program gets the default.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t default_signals;
    sigemptyset(&default_signals);
    sigaddset(&default_signals, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &default_signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    std::vector<std::string> words = arguments;
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const int spawned = posix_spawnp(&child, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return spawned;
}

// The words for a program that ended by itself.
void say_how_it_ended(ChildRun& run, const std::string& name) {
    const int status = run.status;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
    // Where spawning cannot report a failed exec (under an emulator that forks for it), the
    // child's exit code 127 says it.
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
        run.start_failed = true;
        run.problem = "cannot start " + name;
    } else if (WIFEXITED(status)) {
        run.problem = name + " failed with exit code " + std::to_string(WEXITSTATUS(status));
    } else {
        run.problem = name + " ended with signal " + std::to_string(WTERMSIG(status));
    }
}

}  // namespace

ChildRun run_child(const std::vector<std::string>& arguments, const std::string& input,
                   int seconds) {
    ChildRun run;
    int to_child[2], from_child[2];
    if (pipe2(to_child, O_CLOEXEC) != 0) {
        run.problem = system_error("cannot make a pipe");
        return run;
    }
    if (pipe2(from_child, O_CLOEXEC) != 0) {
        run.problem = system_error("cannot make a pipe");
        close_both(to_child);
        return run;
    }
    const std::string& name = arguments.front();
    pid_t child;
    run.start_error = start(arguments, to_child[0], from_child[1], child);
    close(to_child[0]);
    close(from_child[1]);
    if (run.start_error != 0) {
        close(to_child[1]);
        close(from_child[0]);
        run.start_failed = true;
        errno = run.start_error;
        run.problem = system_error("cannot start " + name);
        return run;
    }

    // Feed the input and take the output at the same time, up to the deadline.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    const auto remaining_ms = [&] {
        if (seconds == 0) return -1;  // poll waits without a limit
        return static_cast<int>(std::max<long long>(
            0, std::chrono::duration_cast<std::chrono::milliseconds>(
                   deadline - std::chrono::steady_clock::now()).count()));
    };
    void (*old_sigpipe)(int) = signal(SIGPIPE, SIG_IGN);
    fcntl(to_child[1], F_SETFL, O_NONBLOCK);
    std::size_t written = 0;
    int feed = to_child[1];
    bool output_ended = false;
    while (!output_ended && !run.timed_out && run.problem.empty()) {
        if (feed >= 0 && written == input.size()) {
            close(feed);
            feed = -1;
        }
        pollfd watched[2] = {{from_child[0], POLLIN, 0}, {feed, POLLOUT, 0}};
        const int ready = poll(watched, feed >= 0 ? 2 : 1, remaining_ms());
        if (ready < 0 && errno != EINTR)
            run.problem = system_error("cannot wait for " + name);
        run.timed_out = ready == 0;
        if (ready <= 0) continue;
        if (watched[0].revents) {
            char buffer[65536];
            const ssize_t count = read(from_child[0], buffer, sizeof buffer);
            if (count > 0) run.output.append(buffer, static_cast<std::size_t>(count));
            output_ended = count == 0 || (count < 0 && errno != EINTR && errno != EAGAIN);
        }
        if (feed >= 0 && watched[1].revents) {
            const ssize_t count = write(feed, input.data() + written, input.size() - written);
            if (count > 0) written += static_cast<std::size_t>(count);
            // The program closed its input (it will say why on its standard error), or the
            // pipe failed: the rest of the input is dropped, never retried without end.
            if (count < 0 && errno != EAGAIN && errno != EINTR) written = input.size();
        }
    }
    if (feed >= 0) close(feed);
    close(from_child[0]);
    signal(SIGPIPE, old_sigpipe);

    // A program that closed its output may still be running: waited for up to the deadline.
    while (!run.timed_out && run.problem.empty()) {
        const pid_t ended = waitpid(child, &run.status, WNOHANG);
        if (ended == child) {
            say_how_it_ended(run, name);
            return run;
        }
        if (ended < 0 && errno != EINTR) {
            run.problem = system_error("cannot wait for " + name);
            break;
        }
        run.timed_out = remaining_ms() == 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(child, SIGKILL);
    while (waitpid(child, &run.status, 0) < 0 && errno == EINTR) {
    }
    if (run.timed_out)
        run.problem = name + " did not finish within " + std::to_string(seconds) + " s and was stopped";
    return run;
}
