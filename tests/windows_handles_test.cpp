// The Windows program started from here with handles of Windows' own as its standard
// input and output: pipes, as a console's pipeline or a parent program gives them, and a
// file. (Under Wine, a pipe from the Linux side is no Windows pipe: what waits in it
// cannot be seen.) The time limits only keep a hung program from hanging the run; no test
// depends on how fast anything is.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr char PROMPT[] = "\r\n--- ok ---\r";
constexpr char ENDING[] = "\r\n--- ok ---\r\r\n";
constexpr DWORD LIMIT_MS = 30000;  // far beyond any healthy run
constexpr DWORD SETTLE_MS = 300;   // how long a waiting program must stay waiting

// A pipe whose ends are closed when it goes.
struct Pipe {
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    Pipe() {
        SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
        EXPECT_TRUE(CreatePipe(&read, &write, &inheritable, 0));
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    ~Pipe() {
        close(read);
        close(write);
    }
    static void close(HANDLE& handle) {
        if (handle != nullptr) CloseHandle(handle);
        handle = nullptr;
    }
};

// The started program; one still running when this goes is ended.
class Program {
public:
    // Starts the program with `input` and `output` as its standard input and output; the
    // handles must be inheritable, and the ends the program must not hold must not be.
    Program(HANDLE input, HANDLE output) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input;
        startup.hStdOutput = output;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        char command_line[] = JUMPBENCH_PROGRAM;
        started_ = CreateProcessA(nullptr, command_line, nullptr, nullptr, TRUE, 0, nullptr,
                                  nullptr, &startup, &process_) != 0;
        EXPECT_TRUE(started_) << "cannot start " << JUMPBENCH_PROGRAM;
        if (started_) CloseHandle(process_.hThread);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program() {
        if (!started_) return;
        if (running()) TerminateProcess(process_.hProcess, 99);
        CloseHandle(process_.hProcess);
    }
    bool running() const {
        return started_ && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
    }
    // How it ended: "exit N", or a note that it did not start or did not end in time.
    std::string end() const {
        if (!started_) return "never started";
        if (WaitForSingleObject(process_.hProcess, LIMIT_MS) != WAIT_OBJECT_0)
            return "still running after " + std::to_string(LIMIT_MS) + " ms";
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return "exit " + std::to_string(code);
    }

private:
    PROCESS_INFORMATION process_ = {};
    bool started_ = false;
};

// Appends what `pipe` gives until `needle` turns up or the pipe ends (no needle: to the
// end); true when the needle was found.
bool read_until(HANDLE pipe, std::string& out, const char* needle) {
    while (needle == nullptr || out.find(needle) == std::string::npos) {
        char buffer[4096];
        DWORD got = 0;
        if (!ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) || got == 0)
            return needle == nullptr;
        out.append(buffer, got);
    }
    return true;
}

bool ends_with(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(ProgramAtOpenPipe, DiscardsEarlierBytesThenEndsOnTheNextOne) {
    Pipe in, out;
    // The program's ends are inherited; the test's own ends are not, so that the pipes end
    // when either side closes them. A copy of the input's read end lets the test see what
    // is still waiting in it.
    SetHandleInformation(in.write, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(out.read, HANDLE_FLAG_INHERIT, 0);
    HANDLE waiting_view = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), in.read, GetCurrentProcess(), &waiting_view,
                                0, FALSE, DUPLICATE_SAME_ACCESS));
    Program program(in.read, out.write);
    Pipe::close(in.read);
    Pipe::close(out.write);

    DWORD written = 0;
    ASSERT_TRUE(WriteFile(in.write, "abc", 3, &written, nullptr));  // sent while it measures
    std::string output;
    ASSERT_TRUE(read_until(out.read, output, PROMPT)) << output;
    // The program has taken the early bytes once the pipe is empty.
    DWORD queued = 1;
    for (DWORD waited = 0; waited < LIMIT_MS && program.running(); waited += 10) {
        ASSERT_TRUE(PeekNamedPipe(waiting_view, nullptr, 0, nullptr, &queued, nullptr));
        if (queued == 0) break;
        Sleep(10);
    }
    CloseHandle(waiting_view);
    if (queued == 0) Sleep(SETTLE_MS);
    ASSERT_TRUE(program.running()) << "the bytes sent before the prompt ended the wait";
    ASSERT_EQ(queued, 0u) << "the bytes sent before the prompt were not taken";

    ASSERT_TRUE(WriteFile(in.write, "k", 1, &written, nullptr));
    read_until(out.read, output, nullptr);
    EXPECT_EQ(program.end(), "exit 0");
    EXPECT_TRUE(ends_with(output, ENDING)) << output;
}

TEST(ProgramAtEndedInput, PipeWithoutWriter) {
    Pipe in, out;
    SetHandleInformation(out.read, HANDLE_FLAG_INHERIT, 0);
    Pipe::close(in.write);
    Program program(in.read, out.write);
    Pipe::close(out.write);
    std::string output;
    read_until(out.read, output, nullptr);
    EXPECT_EQ(program.end(), "exit 0");
    EXPECT_TRUE(ends_with(output, ENDING)) << output;
}

// What a file holds is waiting already: the program skips it, and the file's end ends
// the wait. The file's position, shared with this process, shows how far it went.
TEST(ProgramAtEndedInput, FileIsSkippedToItsEnd) {
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE file = CreateFileA("windows_handles_input.txt", GENERIC_READ | GENERIC_WRITE, 0,
                              &inheritable, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "abc\r\n", 5, &written, nullptr));
    ASSERT_NE(SetFilePointer(file, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    Pipe out;
    SetHandleInformation(out.read, HANDLE_FLAG_INHERIT, 0);
    {
        Program program(file, out.write);
        Pipe::close(out.write);
        std::string output;
        read_until(out.read, output, nullptr);
        EXPECT_EQ(program.end(), "exit 0");
        EXPECT_TRUE(ends_with(output, ENDING)) << output;
    }
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 5u);
    CloseHandle(file);
}

// A pipe whose reader has gone fails every write: exit code 1.
TEST(ProgramOutputFailure, PipeWithoutReader) {
    Pipe in, out;
    Pipe::close(in.write);
    Pipe::close(out.read);
    Program program(in.read, out.write);
    EXPECT_EQ(program.end(), "exit 1");
}

}  // namespace
