// Linux: a 32-bit process that is not emulated is the answer. A 64-bit one asks as
// scripts/run-i386.sh does: i386 programs run natively where no emulator is registered for
// them (binfmt_misc's qemu-i386 entry) and the i386 loader starts. The loader is started
// with posix_spawn, whose error is the kernel's refusal of the program.
#include "platform/native_32bit.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

extern char** environ;

namespace {

constexpr char I386_LOADER[] = "/lib/ld-linux.so.2";
constexpr char QEMU_REGISTRATION[] = "/proc/sys/fs/binfmt_misc/qemu-i386";

// Whether the registration exists and is enabled (its first line is "enabled").
bool emulator_registered() {
    const int descriptor = open(QEMU_REGISTRATION, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return false;
    char first[8] = {};
    const ssize_t count = read(descriptor, first, sizeof first - 1);
    close(descriptor);
    return count >= 7 && std::memcmp(first, "enabled", 7) == 0;
}

// 0 when the loader ran and exited 0; else errno from the start, or -1 for another end.
int run_loader() {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char program[sizeof I386_LOADER];
    std::memcpy(program, I386_LOADER, sizeof I386_LOADER);
    char option[] = "--version";
    char* arguments[] = {program, option, nullptr};
    pid_t child;
    const int spawned = posix_spawn(&child, program, &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return spawned;
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : -1;
}

}  // namespace

Native32bit runs_32bit_natively(bool this_process_emulated) {
    // An i386 build is the 32-bit code itself (an x32 build is no target of this project).
    if constexpr (sizeof(void*) == 4) {
        if (this_process_emulated) return {Native32bit::NO, "this i386 process runs under an emulator"};
        return {Native32bit::YES, "this i386 process runs on the processor"};
    }
    if (this_process_emulated)
        return {Native32bit::NO, "this process itself runs under an emulator"};
    if (emulator_registered())
        return {Native32bit::NO, "i386 programs are registered to run under qemu-i386 (binfmt_misc)"};
    if (access(I386_LOADER, X_OK) != 0)
        return {Native32bit::UNKNOWN, std::string("no i386 loader (") + I386_LOADER + ") to try"};
    const int loader = run_loader();
    if (loader == 0) return {Native32bit::YES, "the i386 loader runs, no emulator registered"};
    if (loader == ENOEXEC)
        return {Native32bit::NO, "the kernel refuses i386 programs (its 32-bit emulation is off)"};
    return {Native32bit::UNKNOWN, "the i386 loader did not run: " +
                                      std::string(loader > 0 ? std::strerror(loader) : "it failed")};
}
