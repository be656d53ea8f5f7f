// The Windows operations the program uses, done with POSIX calls on Linux i386.
//
// Handles are file descriptors. The key wait at a terminal turns off line buffering and
// echo from FlushConsoleInputBuffer until _getch has taken the key. While the terminal
// is changed, SIGINT, SIGQUIT, SIGTERM and SIGHUP put it back before the process dies of
// them; SIGTSTP, SIGTTIN and SIGTTOU put it back before the process stops, and SIGCONT
// sets it up for the wait again. ExitProcess puts it back too. Nothing here uses stdio
// or the heap.
#include "platform/winapi.hpp"

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

// What await_input_byte discards at most when the input cannot tell how much is waiting:
// the capacity of a default pipe.
constexpr int UNTOLD_WAITING = 65536;

// The terminal as it was before the key wait, and as the wait sets it. terminal_changed
// holds from FlushConsoleInputBuffer until the terminal is put back for good;
// wait_settings_on only while the wait's settings are in force (not while the job is
// stopped or in the background).
int console_fd = STDIN_FILENO;
termios saved_termios;
termios wait_termios;
bool terminal_changed = false;
volatile sig_atomic_t wait_settings_on = false;

int fd_of(HANDLE handle) { return static_cast<int>(reinterpret_cast<std::intptr_t>(handle)); }

// The settings belong to the foreground process group. Once a shell has put this job in
// the background (bg after Ctrl-Z), the terminal is the shell's, and it is left alone.
bool owns_terminal() { return tcgetpgrp(console_fd) == getpgrp(); }

// tcsetattr, retried when a signal cuts it short: from the background it brings SIGTTOU,
// and the process goes on only once it is in the foreground again.
bool set_terminal(const termios& settings) {
    int r;
    do r = tcsetattr(console_fd, TCSANOW, &settings);
    while (r != 0 && errno == EINTR);
    return r == 0;
}

// The handlers below call only async-signal-safe functions and keep errno for the code
// they interrupted.

void put_terminal_back() {
    if (owns_terminal()) set_terminal(saved_termios);
    wait_settings_on = false;
}

// Sets the terminal for the wait and drops what was typed while it was not set.
void set_up_for_wait() {
    if (!owns_terminal() || !set_terminal(wait_termios)) return;
    tcflush(console_fd, TCIFLUSH);
    wait_settings_on = true;
}

// SIGINT, SIGQUIT, SIGTERM, SIGHUP: puts the terminal back and lets the signal do what
// it would have done.
void restore_and_reraise(int signal_number) {
    put_terminal_back();
    signal(signal_number, SIG_DFL);
    raise(signal_number);  // delivered as soon as this handler returns
}

// SIGTSTP, SIGTTIN, SIGTTOU: puts the terminal back, stops the process as the signal
// would have, and sets the wait up again once it goes on.
void restore_and_stop(int signal_number) {
    const int saved_errno = errno;
    put_terminal_back();
    struct sigaction stop = {};
    stop.sa_handler = SIG_DFL;
    struct sigaction own;
    sigaction(signal_number, &stop, &own);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal_number);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal_number);  // stops here until SIGCONT
    sigprocmask(SIG_BLOCK, &only, nullptr);
    sigaction(signal_number, &own, nullptr);
    // SIGCONT, held back until this returns, sets the wait up as well; this call covers
    // the stop that the kernel drops for a process group without a shell to continue it.
    set_up_for_wait();
    errno = saved_errno;
}

// SIGCONT: after any stop, SIGSTOP too, which no handler sees.
void resume_wait(int) {
    const int saved_errno = errno;
    set_up_for_wait();
    errno = saved_errno;
}

struct WaitSignal {
    int number;
    void (*handler)(int);
};

constexpr WaitSignal WAIT_SIGNALS[] = {
    {SIGINT, restore_and_reraise},  {SIGQUIT, restore_and_reraise},
    {SIGTERM, restore_and_reraise}, {SIGHUP, restore_and_reraise},
    {SIGTSTP, restore_and_stop},    {SIGTTIN, restore_and_stop},
    {SIGTTOU, restore_and_stop},    {SIGCONT, resume_wait},
};
constexpr unsigned WAIT_SIGNAL_COUNT = sizeof WAIT_SIGNALS / sizeof WAIT_SIGNALS[0];

// The dispositions the handlers replaced, and all the signals handled: each handler runs
// with the others held back, so that none finds the terminal half set.
struct sigaction saved_actions[WAIT_SIGNAL_COUNT];
sigset_t wait_signal_set;

void restore_terminal() {
    if (!terminal_changed) return;
    // With the signals held back, no handler can set the terminal for the wait after it
    // is put back; one that came meanwhile acts, with its old disposition, afterwards.
    sigset_t held;
    sigprocmask(SIG_BLOCK, &wait_signal_set, &held);
    put_terminal_back();
    for (unsigned i = 0; i < WAIT_SIGNAL_COUNT; ++i)
        sigaction(WAIT_SIGNALS[i].number, &saved_actions[i], nullptr);
    terminal_changed = false;
    sigprocmask(SIG_SETMASK, &held, nullptr);
}

}  // namespace

extern "C" {

HANDLE WINAPI GetStdHandle(DWORD which) {
    if (which == STD_INPUT_HANDLE) return reinterpret_cast<HANDLE>(STDIN_FILENO);
    if (which == STD_OUTPUT_HANDLE) return reinterpret_cast<HANDLE>(STDOUT_FILENO);
    if (which == STD_ERROR_HANDLE) return reinterpret_cast<HANDLE>(STDERR_FILENO);
    return reinterpret_cast<HANDLE>(-1);
}

BOOL WINAPI WriteFile(HANDLE file, const void* bytes, DWORD count, DWORD* written,
                      void* /*overlapped*/) {
    // A closed pipe and a file-size limit (ulimit -f) would end the process by a signal;
    // ignored, they make the write fail with EPIPE or EFBIG, which the caller counts like
    // a full disk.
    static bool signals_ignored = false;
    if (!signals_ignored) {
        ignore_write_signals();
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
    if (tcgetattr(fd, &saved_termios) != 0) return 0;
    console_fd = fd;
    wait_termios = saved_termios;
    wait_termios.c_lflag &= ~(ICANON | ECHO);  // ISIG stays: Ctrl-C and Ctrl-Z still signal
    wait_termios.c_cc[VMIN] = 1;
    wait_termios.c_cc[VTIME] = 0;
    // The handlers go in before the terminal changes, so no signal can find it changed
    // and unguarded. A signal that was ignored stays ignored.
    sigemptyset(&wait_signal_set);
    for (const WaitSignal& s : WAIT_SIGNALS) sigaddset(&wait_signal_set, s.number);
    for (unsigned i = 0; i < WAIT_SIGNAL_COUNT; ++i) {
        struct sigaction action = {};
        action.sa_handler = WAIT_SIGNALS[i].handler;
        action.sa_mask = wait_signal_set;
        sigaction(WAIT_SIGNALS[i].number, nullptr, &saved_actions[i]);
        if (saved_actions[i].sa_handler != SIG_IGN)
            sigaction(WAIT_SIGNALS[i].number, &action, nullptr);
    }
    terminal_changed = true;
    // From the background this stops the job (SIGTTOU) until a shell brings it to the
    // foreground, as any program that sets up the terminal.
    if (!set_terminal(wait_termios)) {
        restore_terminal();
        return 0;
    }
    wait_settings_on = true;
    int r;
    do r = tcflush(fd, TCIFLUSH);
    while (r != 0 && errno == EINTR);
    return r == 0;
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
    // Not every shell sends SIGCONT when fg brings back a job that was continued in the
    // background (bg): the wait sets itself up again when it finds the terminal its own.
    // Until then what is typed is the shell's; reading it would only stop the job.
    if (terminal_changed && !wait_settings_on) {
        sigset_t held;
        sigprocmask(SIG_BLOCK, &wait_signal_set, &held);
        set_up_for_wait();
        sigprocmask(SIG_SETMASK, &held, nullptr);
        if (!wait_settings_on) return 0;
    }
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

void ignore_write_signals() {
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
}

bool input_is_console(HANDLE input) { return isatty(fd_of(input)) != 0; }

bool output_is_terminal(HANDLE output) { return isatty(fd_of(output)) != 0; }

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
