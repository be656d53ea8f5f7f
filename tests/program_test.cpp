// Whole-program tests: the built program run as a user runs it, with its standard input
// and output a file, a pipe, a device or a pseudo-terminal, and there under a shell; the
// self-check's report and its output failures; the emulation note of both. The time limits
// here only keep a hung program from hanging the run; no test depends on how fast anything is.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>
#include <string>

#include "case_lists.hpp"
#include "console/console.hpp"
#include "meter/architecture.hpp"
#include "meter/emulation.hpp"
#include "selfcheck/report.hpp"

namespace {

constexpr char PROMPT[] = "\r\n--- ok ---\r";
constexpr char PROMPT_TEXT[] = "--- ok ---";

constexpr int LIMIT_MS = 30000;           // far beyond any healthy run
constexpr useconds_t SETTLE_US = 300000;  // how long a waiting program must stay waiting

// Set up once: SIGPIPE ignored, as a test may write to a program that has already gone,
// and fds 0 to 2 in use, so that no pipe of a test takes one of them when the test
// binary itself runs without standard input.
[[maybe_unused]] const bool TEST_PROCESS_READY = [] {
    signal(SIGPIPE, SIG_IGN);
    int fd = open("/dev/null", O_RDWR);
    while (fd >= 0 && fd <= 2) fd = open("/dev/null", O_RDWR);
    if (fd >= 0) close(fd);
    return true;
}();

std::string regex_escaped(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (std::strchr("\\^$.|?*+()[]{}", c) != nullptr) escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// True when `output` is the whole output of a run, byte for byte, with any integer as
// each tick figure. The rows are the program's own case table: its labels and code sizes,
// and the length of each row's sample with its terminator.
bool is_whole_output(const std::string& output) {
    std::string pattern;
    for (std::size_t row = 0; row < BENCH_CASE_COUNT; ++row) {
        const std::string line = std::string(bench_cases[row].label) +
                                 std::to_string(*bench_cases[row].code_bytes) + " bytes, len=" +
                                 std::to_string(text_length(LISTED_BENCH_CASES[row].sample) + 1) +
                                 "\r\n";
        pattern += "(0|-?[1-9][0-9]*)" + regex_escaped(line);
    }
    pattern += regex_escaped(std::string(PROMPT) + "\r\n");
    return std::regex_match(output, std::regex(pattern));
}

// `text` with its control bytes made visible, for failure messages.
std::string shown(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c < 0x20 || c >= 0x7f) {
            out += "\\x";
            out += "0123456789abcdef"[c >> 4];
            out += "0123456789abcdef"[c & 15];
        }
        else out += static_cast<char>(c);
    }
    return '"' + out + '"';
}

// Appends to `out` what `fd` gives until `needle` turns up at or after `from`, the output
// ends, or the limit passes; true when the needle was found. No needle: read to the end.
bool read_until(int fd, std::string& out, const char* needle, std::size_t from = 0) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(LIMIT_MS);
    while (needle == nullptr || out.find(needle, from) == std::string::npos) {
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(std::max<long long>(left, 0))) <= 0) return false;
        char buffer[4096];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) return needle == nullptr;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

// In the child, before exec: default handling of every signal the program meets (the test
// may run in a background job, where SIGINT and SIGQUIT come ignored), no core dump from
// a SIGQUIT test, no fd but 0 to 2.
void prepare_child() {
    for (int s : {SIGPIPE, SIGXFSZ, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGTSTP, SIGTTIN, SIGTTOU,
                  SIGCONT})
        signal(s, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    const rlimit no_core = {0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
    close_range(3, ~0U, 0);
}

[[noreturn]] void exec_program(const char* program = JUMPBENCH_PROGRAM) {
    prepare_child();
    execl(program, program, static_cast<char*>(nullptr));
    _exit(127);
}

// Starts `program` with `input` as its fd 0 (-1: fd 0 closed), `output` as its fd 1 and
// `error` as its fd 2 (-1: the test's own), and closes the parent's copies of them.
// `file_limit`: the largest file it may write, in bytes, as `ulimit -f` sets it.
pid_t spawn_program(const char* program, int input, int output, int error,
                    rlim_t file_limit = RLIM_INFINITY) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (input < 0) close(0);
        else dup2(input, 0);
        dup2(output, 1);
        if (error >= 0) dup2(error, 2);
        const rlimit limit = {file_limit, file_limit};
        if (file_limit != RLIM_INFINITY && setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
        exec_program(program);
    }
    for (int fd : {input, output, error})
        if (fd >= 0) close(fd);
    return pid;
}

// The benchmark, its standard error the test's own.
pid_t spawn(int input, int output, rlim_t file_limit = RLIM_INFINITY) {
    return spawn_program(JUMPBENCH_PROGRAM, input, output, -1, file_limit);
}

// Starts the program in a session of its own, with the terminal `slave` as its
// controlling terminal and standard input, output and error.
pid_t spawn_at_terminal(int slave) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (login_tty(slave) != 0) _exit(126);
        exec_program();
    }
    return pid;
}

// A started program; one that is still running when this goes is killed.
class child_process {
public:
    explicit child_process(pid_t pid) : pid_(pid) {}
    child_process(const child_process&) = delete;
    child_process& operator=(const child_process&) = delete;
    ~child_process() {
        if (!ended_ && pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    pid_t pid() const { return pid_; }
    bool running() {
        if (ended_ || pid_ <= 0) return false;
        const pid_t r = waitpid(pid_, &status_, WNOHANG);
        ended_ = r != 0;
        return r == 0;
    }
    // How it ended: "exit N" or "signal N". One that runs past the limit is killed.
    std::string end() {
        for (int waited = 0; running() && waited < LIMIT_MS; waited += 10) usleep(10000);
        if (pid_ <= 0) return "never started";
        if (!ended_) return "still running after " + std::to_string(LIMIT_MS) + " ms";
        if (WIFEXITED(status_)) return "exit " + std::to_string(WEXITSTATUS(status_));
        if (WIFSIGNALED(status_)) return "signal " + std::to_string(WTERMSIG(status_));
        return "status " + std::to_string(status_);
    }

private:
    pid_t pid_;
    int status_ = 0;
    bool ended_ = false;
};

int open_null() { return open("/dev/null", O_RDONLY); }

struct run_result {
    std::string output;
    std::string end;
};

// Runs the program with `input` as its standard input (-1: none), its output a pipe.
run_result run_with_input(int input) {
    int out[2];
    EXPECT_EQ(pipe(out), 0);
    child_process program(spawn(input, out[1]));
    run_result result;
    read_until(out[0], result.output, nullptr);
    close(out[0]);
    result.end = program.end();
    return result;
}

void expect_whole_run(const run_result& result) {
    EXPECT_EQ(result.end, "exit 0");
    EXPECT_TRUE(is_whole_output(result.output)) << shown(result.output);
}

struct full_run_result {
    std::string output;
    std::string errors;
    std::string end;
};

// Runs `program` with its input at its end (/dev/null) and its output and standard error
// pipes (standard error is read after the output: a few lines fit in a pipe).
full_run_result run_fully(const char* program) {
    int out[2], err[2];
    EXPECT_EQ(pipe(out), 0);
    EXPECT_EQ(pipe(err), 0);
    child_process started(spawn_program(program, open_null(), out[1], err[1]));
    full_run_result result;
    read_until(out[0], result.output, nullptr);
    read_until(err[0], result.errors, nullptr);
    close(out[0]);
    close(err[0]);
    result.end = started.end();
    return result;
}

// The line a program writes on standard error under an emulator, from the emulator that
// this process runs under: it is started the same way as the programs, so runs under an
// emulator exactly when they do. Empty on the processor itself.
std::string expected_note(const std::string& program, const std::string& consequence) {
    const char* const emulator = running_emulator();
    if (emulator == nullptr) return "";
    return program + ": running under " + emulator +
           ", an emulator: the tick figures are the emulator's, not this processor's" +
           consequence + "\r\n";
}

// What the self-check's report writer gives for `figures`: its output, as bytes, and its
// exit code. Standard output is a file while it writes.
std::pair<std::string, int> selfcheck_report_for(
    const std::int32_t (&figures)[SELFCHECK_CASE_COUNT], const char* emulator) {
    std::fflush(stdout);
    char path[] = "/tmp/selfcheck_report.XXXXXX";
    const int file = mkstemp(path);
    EXPECT_GE(file, 0);
    unlink(path);
    const int saved = dup(1);
    dup2(file, 1);
    const int code = write_selfcheck_report(figures, emulator);
    dup2(saved, 1);
    close(saved);
    std::string report(4096, '\0');
    const ssize_t n = pread(file, report.data(), report.size(), 0);
    close(file);
    report.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return {report, code};
}

}  // namespace

// Input that has ended, or is not there at all, cannot bring a key: the run just ends.
TEST(ProgramAtEndedInput, NullDevice) { expect_whole_run(run_with_input(open_null())); }

TEST(ProgramAtEndedInput, PipeWithoutWriter) {
    int in[2];
    ASSERT_EQ(pipe(in), 0);
    close(in[1]);
    expect_whole_run(run_with_input(in[0]));
}

TEST(ProgramAtEndedInput, NoStandardInput) { expect_whole_run(run_with_input(-1)); }

TEST(ProgramAtOpenPipe, DiscardsEarlierBytesThenEndsOnTheNextOne) {
    int in[2], out[2];
    ASSERT_EQ(pipe(in), 0);
    ASSERT_EQ(pipe(out), 0);
    child_process program(spawn(in[0], out[1]));
    ASSERT_EQ(write(in[1], "abc", 3), 3);  // sent while it measures
    std::string output;
    ASSERT_TRUE(read_until(out[0], output, PROMPT)) << shown(output);
    // The program has taken the early bytes once the pipe is empty.
    int queued = -1;
    for (int waited = 0; waited < LIMIT_MS && program.running(); waited += 10) {
        ASSERT_EQ(ioctl(in[1], FIONREAD, &queued), 0);
        if (queued == 0) break;
        usleep(10000);
    }
    usleep(SETTLE_US);
    EXPECT_TRUE(program.running()) << "the bytes sent before the prompt ended the wait";
    EXPECT_EQ(queued, 0) << "the bytes sent before the prompt were left in the pipe";
    ASSERT_EQ(write(in[1], "k", 1), 1);
    read_until(out[0], output, nullptr);
    EXPECT_EQ(program.end(), "exit 0");
    EXPECT_TRUE(is_whole_output(output)) << shown(output);
    close(in[1]);
    close(out[0]);
}

// Input that never runs dry and cannot tell how much is waiting: a bounded amount is
// discarded, and the byte after it ends the run as a key would.
TEST(ProgramAtEndlessInput, Devices) {
    for (const char* device : {"/dev/zero", "/dev/urandom"}) {
        SCOPED_TRACE(device);
        expect_whole_run(run_with_input(open(device, O_RDONLY)));
    }
}

// Output that cannot be written ends the run with exit code 1, not with SIGPIPE.
TEST(ProgramOutputFailure, PipeWithoutReader) {
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    close(out[0]);
    child_process program(spawn(open_null(), out[1]));
    EXPECT_EQ(program.end(), "exit 1");
}

TEST(ProgramOutputFailure, ReaderLeavesAfterTheFirstLine) {
    int in[2], out[2];
    ASSERT_EQ(pipe(in), 0);
    ASSERT_EQ(pipe(out), 0);
    child_process program(spawn(in[0], out[1]));
    std::string output;
    ASSERT_TRUE(read_until(out[0], output, "\n")) << shown(output);
    close(out[0]);
    close(in[1]);  // if the whole report got out, the final line end is still to come
    EXPECT_EQ(program.end(), "exit 1");
}

TEST(ProgramOutputFailure, FullDevice) {
    child_process program(spawn(open_null(), open("/dev/full", O_WRONLY)));
    EXPECT_EQ(program.end(), "exit 1");
}

// A file-size limit fails a write as a full disk does, whether it is met by the first
// write or inside a line: no SIGXFSZ, exit 1, and the file holds all the limit allows.
TEST(ProgramOutputFailure, FileSizeLimit) {
    for (const rlim_t limit : {rlim_t{0}, rlim_t{100}}) {
        char path[] = "/tmp/program_test.XXXXXX";
        const int file = mkstemp(path);
        ASSERT_GE(file, 0);
        unlink(path);
        const int kept = dup(file);
        child_process program(spawn(open_null(), file, limit));
        EXPECT_EQ(program.end(), "exit 1") << "limit " << limit;
        struct stat written {};
        EXPECT_EQ(fstat(kept, &written), 0);
        EXPECT_EQ(static_cast<rlim_t>(written.st_size), limit);
        close(kept);
    }
}

// At a terminal: the program waits for one key, without echo, and leaves the terminal as
// it found it, also when a signal ends the wait.
class ProgramAtTerminal : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(openpty(&master_, &slave_, nullptr, nullptr, nullptr), 0);
        ASSERT_EQ(tcgetattr(slave_, &before_), 0);
    }
    void TearDown() override {
        close(master_);
        close(slave_);
    }

    // Reads up to the prompt, waits until the terminal is set for the key wait, and gives
    // the program time to discard what was typed before, so that no key sent after this
    // is taken for an early one.
    bool await_key_wait(child_process& program) {
        if (!read_until(master_, output_, PROMPT_TEXT)) {
            ADD_FAILURE() << "no prompt: " << shown(output_);
            return false;
        }
        termios now;
        for (int waited = 0; waited < LIMIT_MS && program.running(); waited += 10) {
            if (tcgetattr(slave_, &now) == 0 && (now.c_lflag & ICANON) == 0) {
                usleep(SETTLE_US);
                return true;
            }
            usleep(10000);
        }
        ADD_FAILURE() << "the terminal was not set for the key wait";
        return false;
    }

    void expect_terminal_as_before() {
        termios after;
        ASSERT_EQ(tcgetattr(slave_, &after), 0);
        EXPECT_EQ(after.c_iflag, before_.c_iflag);
        EXPECT_EQ(after.c_oflag, before_.c_oflag);
        EXPECT_EQ(after.c_lflag, before_.c_lflag);
        EXPECT_EQ(std::memcmp(after.c_cc, before_.c_cc, sizeof after.c_cc), 0);
    }

    void expect_death_by_signal(int signal_number, const char* typed) {
        child_process program(spawn_at_terminal(slave_));
        ASSERT_TRUE(await_key_wait(program));
        if (typed != nullptr) ASSERT_EQ(write(master_, typed, 1), 1);
        else ASSERT_EQ(kill(program.pid(), signal_number), 0);
        EXPECT_EQ(program.end(), "signal " + std::to_string(signal_number));
        expect_terminal_as_before();
    }

    int master_ = -1;
    int slave_ = -1;
    termios before_{};
    std::string output_;
};

TEST_F(ProgramAtTerminal, WaitsForOneKeyWithoutEchoAndIgnoresEarlierKeys) {
    child_process program(spawn_at_terminal(slave_));
    ASSERT_EQ(write(master_, "q\r", 2), 2);  // a whole line typed while it measures
    ASSERT_TRUE(await_key_wait(program));
    EXPECT_TRUE(program.running()) << "a key typed before the prompt ended the wait";
    const std::size_t after_prompt = output_.find(PROMPT_TEXT) + std::strlen(PROMPT_TEXT);
    ASSERT_EQ(write(master_, "x", 1), 1);
    EXPECT_EQ(program.end(), "exit 0");
    // The echo of a key would come before the program's final line end.
    EXPECT_TRUE(read_until(master_, output_, "\n", after_prompt)) << shown(output_);
    EXPECT_EQ(output_.find('x', after_prompt), std::string::npos) << shown(output_);
    expect_terminal_as_before();
}

TEST_F(ProgramAtTerminal, ArrowKeyIsTakenWhole) {
    child_process program(spawn_at_terminal(slave_));
    ASSERT_TRUE(await_key_wait(program));
    ASSERT_EQ(write(master_, "\x1b[A", 3), 3);
    EXPECT_EQ(program.end(), "exit 0");
    expect_terminal_as_before();
    // Without line buffering the terminal counts every byte queued, a partial line too.
    termios unbuffered = before_;
    unbuffered.c_lflag &= ~ICANON;
    ASSERT_EQ(tcsetattr(slave_, TCSANOW, &unbuffered), 0);
    int queued = -1;
    ASSERT_EQ(ioctl(slave_, FIONREAD, &queued), 0);
    EXPECT_EQ(queued, 0) << "bytes of the key were left for the shell";
}

TEST_F(ProgramAtTerminal, CtrlCAtThePromptRestoresTheTerminal) {
    expect_death_by_signal(SIGINT, "\x03");
}

TEST_F(ProgramAtTerminal, SigtermAtThePromptRestoresTheTerminal) {
    expect_death_by_signal(SIGTERM, nullptr);
}

TEST_F(ProgramAtTerminal, HangupAtThePromptRestoresTheTerminal) {
    expect_death_by_signal(SIGHUP, nullptr);
}

TEST_F(ProgramAtTerminal, CtrlBackslashAtThePromptRestoresTheTerminal) {
    expect_death_by_signal(SIGQUIT, "\x1c");
}

// Ctrl-Z at the prompt under a job-control shell, then fg. The shell here (dash) leaves
// the terminal's settings as its jobs leave them, so what it has while the job is stopped
// is what the program put back.
TEST_F(ProgramAtTerminal, CtrlZAndFgUnderAShell) {
    constexpr char SHELL[] = "/bin/dash";
    constexpr char SHELL_PROMPT[] = "job-shell> ";
    if (access(SHELL, X_OK) != 0) GTEST_SKIP() << SHELL << " is not installed";
    const pid_t pid = fork();
    if (pid == 0) {
        if (login_tty(slave_) != 0) _exit(126);
        prepare_child();
        const char* const environment[] = {"PS1=job-shell> ", "PATH=/usr/bin:/bin", nullptr};
        execle(SHELL, SHELL, "-i", static_cast<char*>(nullptr),
               const_cast<char* const*>(environment));
        _exit(127);
    }
    child_process shell(pid);
    const auto type = [this](const std::string& keys) {
        return write(master_, keys.data(), keys.size()) == static_cast<ssize_t>(keys.size());
    };
    ASSERT_TRUE(read_until(master_, output_, SHELL_PROMPT)) << shown(output_);
    ASSERT_TRUE(type("'" JUMPBENCH_PROGRAM "'\n"));
    ASSERT_TRUE(await_key_wait(shell));

    std::size_t mark = output_.size();
    ASSERT_TRUE(type("\x1a"));
    ASSERT_TRUE(read_until(master_, output_, SHELL_PROMPT, mark)) << shown(output_);
    expect_terminal_as_before();

    // A key typed after fg but before the program has the terminal again is dropped.
    ASSERT_TRUE(type("fg\nz"));
    ASSERT_TRUE(await_key_wait(shell));
    // The shell's echo of fg came before the program had the terminal: all of it is in.
    for (pollfd p = {master_, POLLIN, 0}; poll(&p, 1, 0) > 0;) {
        char buffer[4096];
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n <= 0) break;
        output_.append(buffer, static_cast<std::size_t>(n));
    }
    mark = output_.size();
    ASSERT_TRUE(type("x"));
    ASSERT_TRUE(read_until(master_, output_, SHELL_PROMPT, mark)) << shown(output_);
    EXPECT_EQ(output_.find('x', mark), std::string::npos) << "echoed: " << shown(output_);
    expect_terminal_as_before();

    mark = output_.size();
    ASSERT_TRUE(type("echo status=$?\n"));
    EXPECT_TRUE(read_until(master_, output_, "status=0\r\n", mark)) << shown(output_);
    ASSERT_TRUE(type("exit\n"));
    EXPECT_EQ(shell.end(), "exit 0");
}

// The self-check's report for given figures, byte for byte: a figure of 1 or -1 is one
// tick, any other figure ticks; the verdict and its exit code; under an emulator the same
// figures with the verdict not judged, and exit code 0 whatever they are.
TEST(SelfcheckReport, OneTickAndTheVerdictLine) {
    const auto bytes = [](std::size_t row) {
        return std::to_string(*selfcheck_cases[row].copy.code_bytes) + " bytes";
    };
    const std::string chains =
        "500\tticks   500 adds, " + bytes(CHAIN_500_ROW) +
        ", 1.000 ticks per add, ratio to 1000 adds 0.500\r\n"
        "1000\tticks  1000 adds, " + bytes(CHAIN_1000_ROW) +
        ", 1.000 ticks per add, ratio to 1000 adds 1.000\r\n"
        "2000\tticks  2000 adds, " + bytes(CHAIN_2000_ROW) +
        ", 1.000 ticks per add, ratio to 1000 adds 2.000\r\n";
    const std::string judged_tail = " (ratios 0.500 and 2.000, expected 0.5 and 2 within 2 %); ";
    const auto empty_row = [&](const char* figure, const char* unit) {
        return std::string(figure) + "\t" + unit + "  empty kernel, " + bytes(EMPTY_ROW) + "\r\n" +
               chains;
    };
    const struct {
        std::int32_t empty;
        const char* emulator;
        std::string expected;
        int exit_code;
    } cases[] = {
        {1, nullptr,
         empty_row("1", "tick") + "verdict: linear: yes" + judged_tail +
             "empty kernel: yes (1 tick, expected within 2 of 0)\r\n",
         0},
        {-1, nullptr,
         empty_row("-1", "tick") + "verdict: linear: yes" + judged_tail +
             "empty kernel: yes (-1 tick, expected within 2 of 0)\r\n",
         0},
        {3, nullptr,
         empty_row("3", "ticks") + "verdict: linear: yes" + judged_tail +
             "empty kernel: no (3 ticks, expected within 2 of 0)\r\n",
         1},
        {3, "qemu-test\0\0\0",
         empty_row("3", "ticks") + "verdict: linear: not judged" + judged_tail +
             "empty kernel: not judged (3 ticks, expected within 2 of 0); under qemu-test the "
             "figures are the emulator's\r\n",
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.empty);
        const std::int32_t figures[SELFCHECK_CASE_COUNT] = {c.empty, 500, 1000, 2000};
        const auto [report, code] = selfcheck_report_for(figures, c.emulator);
        EXPECT_EQ(shown(report), shown(c.expected));
        EXPECT_EQ(code, c.exit_code);
    }
}

// Output that cannot be written: exit code 1 and one line on standard error that says so,
// also at a file-size limit (no SIGXFSZ).
TEST(SelfcheckOutputFailure, FullDeviceAndFileSizeLimit) {
    const std::string message =
        "jumpbench-selfcheck: could not write the report to standard output\r\n";
    for (const rlim_t limit : {RLIM_INFINITY, rlim_t{0}}) {
        SCOPED_TRACE(limit == 0 ? "file-size limit 0" : "/dev/full");
        int err[2];
        ASSERT_EQ(pipe(err), 0);
        int output = open("/dev/full", O_WRONLY);
        if (limit == 0) {
            char path[] = "/tmp/selfcheck_test.XXXXXX";
            output = mkstemp(path);
            unlink(path);
        }
        ASSERT_GE(output, 0);
        child_process program(
            spawn_program(JUMPBENCH_SELFCHECK, open_null(), output, err[1], limit));
        std::string errors;
        read_until(err[0], errors, nullptr);
        close(err[0]);
        EXPECT_EQ(program.end(), "exit 1");
        EXPECT_EQ(shown(errors), shown(expected_note("jumpbench-selfcheck",
                                                     ", so the verdict is not judged") +
                                       message));
    }
}

// How this process runs, asked of the processor, against the kernel's word: i386 or
// x86-64 programs run under qemu here exactly when the kernel has qemu registered for them
// (binfmt_misc, as scripts/run-i386.sh registers it), since the tests are started by name.
TEST(EmulationNote, DetectionAgreesWithTheKernelsRegistration) {
    const auto first_line = [](const std::string& path) {
        std::ifstream file(path);
        std::string line;
        std::getline(file, line);
        return line;
    };
    const std::string registration =
        std::string("/proc/sys/fs/binfmt_misc/qemu-") + ARCHITECTURE_NAME;
    const bool registered = first_line("/proc/sys/fs/binfmt_misc/status") == "enabled" &&
                            first_line(registration) == "enabled";
    const char* const emulator = running_emulator();
    if (registered) {
        ASSERT_NE(emulator, nullptr) << registration << " is enabled";
        EXPECT_EQ(std::string(emulator), std::string("qemu-") + ARCHITECTURE_NAME);
    } else {
        EXPECT_EQ(emulator, nullptr) << "said to run under " << emulator;
    }
}

// The benchmark's line on standard error: there exactly when it runs under an emulator,
// and its report the same bytes either way.
TEST(EmulationNote, BenchmarkSaysItOnStandardErrorOnly) {
    const full_run_result result = run_fully(JUMPBENCH_PROGRAM);
    EXPECT_EQ(result.end, "exit 0");
    EXPECT_TRUE(is_whole_output(result.output)) << shown(result.output);
    EXPECT_EQ(shown(result.errors), shown(expected_note("jumpbench", "")));
}

// The self-check's line on standard error, and under an emulator its verdict not judged
// and its exit code 0; on the processor, a verdict of yes or no and the exit code with it.
TEST(EmulationNote, SelfcheckSaysItAndJudgesOnlyOnTheProcessor) {
    const full_run_result result = run_fully(JUMPBENCH_SELFCHECK);
    EXPECT_EQ(shown(result.errors),
              shown(expected_note("jumpbench-selfcheck", ", so the verdict is not judged")));
    const std::size_t verdict_start = result.output.rfind("verdict: ");
    ASSERT_NE(verdict_start, std::string::npos) << shown(result.output);
    const std::string verdict = result.output.substr(verdict_start);
    if (const char* emulator = running_emulator()) {
        EXPECT_TRUE(std::regex_match(
            verdict, std::regex("verdict: linear: not judged \\(.*\\); empty kernel: not judged "
                                "\\(.*\\); under " + regex_escaped(emulator) +
                                " the figures are the emulator's\r\n")))
            << shown(verdict);
        EXPECT_EQ(result.end, "exit 0");
    } else {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(verdict, match,
                                     std::regex("verdict: linear: (yes|no) \\(.*\\); empty "
                                                "kernel: (yes|no) \\([^;]*\\)\r\n")))
            << shown(verdict);
        EXPECT_EQ(result.end, match[1] == "yes" && match[2] == "yes" ? "exit 0" : "exit 1");
    }
}
