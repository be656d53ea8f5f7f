#include "stats/child_process.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

extern char** environ;

namespace {

// Spawns with the calling process's environment. The tool ignores SIGPIPE (a chart
// script may meet a gnuplot that has already given up), and an ignored signal stays
// ignored across exec: the child gets the default back, so that a benchmark writing to a
// closed pipe behaves as it would when started from a shell.
int spawn(pid_t& pid, const char* file, bool search_path, char* const argv[],
          posix_spawn_file_actions_t& actions) {
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    const int error = search_path ? posix_spawnp(&pid, file, &actions, &attributes, argv, environ)
                                  : posix_spawn(&pid, file, &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    return error;
}

}  // namespace

CapturedRun run_captured(const char* path, char* buffer, std::size_t capacity) {
    CapturedRun run{};
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0) {
        run.start_error = errno;
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    char* argv[] = {const_cast<char*>(path), nullptr};
    pid_t pid = -1;
    run.start_error = spawn(pid, path, false, argv, actions);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    if (run.start_error == 0) {
        // Read to the end, also past a full buffer, so that the program never blocks on a
        // pipe that nobody empties.
        char overflow[4096];
        for (;;) {
            const bool full = run.size == capacity;
            const ssize_t n = full ? read(output[0], overflow, sizeof overflow)
                                   : read(output[0], buffer + run.size, capacity - run.size);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            if (full)
                run.too_long = true;
            else
                run.size += static_cast<std::size_t>(n);
        }
        run.status = wait_for(pid);
    }
    close(output[0]);
    return run;
}

int start_with_input_pipe(const char* name, pid_t& pid, int& input) {
    int pipe_ends[2];
    if (pipe2(pipe_ends, O_CLOEXEC) != 0) return errno;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_ends[0], 0);
    char* argv[] = {const_cast<char*>(name), nullptr};
    const int error = spawn(pid, name, true, argv, actions);
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_ends[0]);
    if (error != 0) {
        close(pipe_ends[1]);
        return error;
    }
    input = pipe_ends[1];
    return 0;
}

int wait_for(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

const char* describe_end(int status, char* buffer, std::size_t capacity) {
    if (WIFEXITED(status))
        std::snprintf(buffer, capacity, "exit code %d", WEXITSTATUS(status));
    else if (WIFSIGNALED(status))
        std::snprintf(buffer, capacity, "signal %d (%s)", WTERMSIG(status),
                      strsignal(WTERMSIG(status)));
    else
        std::snprintf(buffer, capacity, "wait status %d", status);
    return buffer;
}
