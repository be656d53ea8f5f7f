// The Windows operations the program uses, done with POSIX calls on Linux i386.
//
// Handles are file descriptors. The key wait at a terminal turns off line buffering and
// echo from FlushConsoleInputBuffer until _getch has taken the key; while the terminal
// is changed, SIGINT, SIGTERM and SIGHUP put it back before the process dies of them,
// and ExitProcess puts it back too. Nothing here uses stdio or the heap.
#include "winapi.hpp"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int KEY_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

// What await_input_byte discards at most when the input cannot tell how much is waiting:
// the capacity of a default pipe.
constexpr int UNTOLD_WAITING = 65536;

// The terminal as it was before the key wait, and the signal dispositions replaced.
int console_fd = STDIN_FILENO;
termios saved_termios;
bool terminal_changed = false;
struct sigaction saved_actions[sizeof KEY_SIGNALS / sizeof KEY_SIGNALS[0]];

int fd_of(HANDLE handle) { return static_cast<int>(reinterpret_cast<std::intptr_t>(handle)); }

// Puts the terminal back and lets the signal do what it would have done.
void restore_and_reraise(int signal_number) {
    tcsetattr(console_fd, TCSANOW, &saved_termios);
    signal(signal_number, SIG_DFL);
    raise(signal_number);  // delivered as soon as this handler returns
}

void restore_terminal() {
    if (!terminal_changed) return;
    tcsetattr(console_fd, TCSANOW, &saved_termios);
    terminal_changed = false;
    for (unsigned i = 0; i < sizeof KEY_SIGNALS / sizeof KEY_SIGNALS[0]; ++i)
        sigaction(KEY_SIGNALS[i], &saved_actions[i], nullptr);
}

}  // namespace

extern "C" {

HANDLE WINAPI GetStdHandle(DWORD which) {
    if (which == STD_INPUT_HANDLE) return reinterpret_cast<HANDLE>(STDIN_FILENO);
    if (which == STD_OUTPUT_HANDLE) return reinterpret_cast<HANDLE>(STDOUT_FILENO);
    if (which == static_cast<DWORD>(-12)) return reinterpret_cast<HANDLE>(STDERR_FILENO);
    return reinterpret_cast<HANDLE>(-1);
}

BOOL WINAPI WriteFile(HANDLE file, const void* bytes, DWORD count, DWORD* written,
                      void* /*overlapped*/) {
    // A closed pipe and a file-size limit (ulimit -f) would end the process by a signal;
    // ignored, they make the write fail with EPIPE or EFBIG, which the caller counts like
    // a full disk.
    static bool signals_ignored = false;
    if (!signals_ignored) {
        signal(SIGPIPE, SIG_IGN);
        signal(SIGXFSZ, SIG_IGN);
        signals_ignored = true;
    }
    ssize_t n;
    do n = write(fd_of(file), bytes, count);
    while (n < 0 && errno == EINTR);
    if (written) *written = n < 0 ? 0 : static_cast<DWORD>(n);
    return n >= 0;
}

BOOL WINAPI FlushConsoleInputBuffer(HANDLE input) {
    const int fd = fd_of(input);
    if (terminal_changed) return tcflush(fd, TCIFLUSH) == 0;  // already set for the wait
    termios raw;
    if (tcgetattr(fd, &raw) != 0) return 0;
    console_fd = fd;
    saved_termios = raw;
    // The handlers go in before the terminal changes, so no signal can find it changed
    // and unguarded. A signal that was ignored stays ignored.
    for (unsigned i = 0; i < sizeof KEY_SIGNALS / sizeof KEY_SIGNALS[0]; ++i) {
        struct sigaction action = {};
        action.sa_handler = restore_and_reraise;
        sigemptyset(&action.sa_mask);
        sigaction(KEY_SIGNALS[i], nullptr, &saved_actions[i]);
        if (saved_actions[i].sa_handler != SIG_IGN) sigaction(KEY_SIGNALS[i], &action, nullptr);
    }
    terminal_changed = true;
    raw.c_lflag &= ~(ICANON | ECHO);  // ISIG stays: Ctrl-C still signals
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &raw) != 0) {
        restore_terminal();
        return 0;
    }
    return tcflush(fd, TCIFLUSH) == 0;
}

void WINAPI Sleep(DWORD milliseconds) {
    timespec left = {static_cast<time_t>(milliseconds / 1000),
                     static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

void WINAPI ExitProcess(UINT exit_code) {
    restore_terminal();
    _exit(static_cast<int>(exit_code));
}

// Called from the meter's assembly, whose stack may be aligned to 4 bytes only.
__attribute__((force_align_arg_pointer)) HANDLE WINAPI GetCurrentProcess() {
    return reinterpret_cast<HANDLE>(-1);
}

__attribute__((force_align_arg_pointer)) BOOL WINAPI SetPriorityClass(HANDLE /*process*/,
                                                                      DWORD priority_class) {
    int nice_value;
    if (priority_class == HIGH_PRIORITY_CLASS)
        nice_value = -10;
    else if (priority_class == NORMAL_PRIORITY_CLASS)
        nice_value = 0;
    else
        return 0;
    return setpriority(PRIO_PROCESS, 0, nice_value) == 0;
}

int _kbhit() {
    // A terminal that has hung up counts as a key too: _getch then finds the end of input
    // at once instead of the wait going on for ever.
    pollfd p = {console_fd, POLLIN, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

int _getch() {
    // An arrow or function key sends several bytes at once: take them all, and drop
    // whatever else arrived, so that none is left for the shell to read.
    unsigned char keys[32];
    ssize_t n;
    do n = read(console_fd, keys, sizeof keys);
    while (n < 0 && errno == EINTR);
    tcflush(console_fd, TCIFLUSH);
    restore_terminal();
    return n > 0 ? keys[0] : -1;
}

}  // extern "C"

bool input_is_console(HANDLE input) { return isatty(fd_of(input)) != 0; }

int await_input_byte(HANDLE input) {
    const int fd = fd_of(input);
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0) return -1;
    // Drop what is waiting already, but no more than was there when the wait began: a
    // device like /dev/zero never runs dry, and a writer can refill a pipe as fast as it
    // is read. A pipe, a socket or a file tells how much is waiting; where the input
    // cannot tell, a default pipe's worth counts as waiting.
    int left = 0;
    if (ioctl(fd, FIONREAD, &left) != 0 || left < 0) left = UNTOLD_WAITING;
    // The file description may be shared with other processes, so its flags go back as
    // they were.
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    unsigned char waiting[4096];
    bool ended = false;
    while (left > 0) {
        const ssize_t n = read(fd, waiting, std::min<std::size_t>(sizeof waiting, left));
        if (n > 0) left -= static_cast<int>(n);
        else if (n < 0 && errno == EINTR) continue;
        else {
            ended = n == 0 || errno != EAGAIN;
            break;
        }
    }
    fcntl(fd, F_SETFL, flags);
    if (ended) return -1;
    // Wait for the next byte; poll as well, in case the description was non-blocking.
    for (;;) {
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, -1) < 0 && errno != EINTR) return -1;
        unsigned char byte;
        const ssize_t n = read(fd, &byte, 1);
        if (n == 1) return byte;
        if (n == 0 || (errno != EINTR && errno != EAGAIN)) return -1;
    }
}
