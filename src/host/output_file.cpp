#include "host/output_file.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

// The temporary files, for the signal handler: fixed buffers, since the handler may
// neither allocate nor take a lock.
struct PendingFile {
    char path[PATH_MAX];
    volatile sig_atomic_t active;
};
PendingFile pending_files[8];  // more open at once: "too many output files"
char stop_message[3][160];  // by signal: SIGINT, SIGTERM, SIGHUP

constexpr int STOP_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

void stop(int signal_number) {
    for (PendingFile& file : pending_files)
        if (file.active) unlink(file.path);
    for (std::size_t index = 0; index < std::size(STOP_SIGNALS); ++index)
        if (STOP_SIGNALS[index] == signal_number) write_all(STDERR_FILENO, stop_message[index], std::strlen(stop_message[index]));
    // The signal's own ending, which the caller's shell reads as 128 + the signal.
    signal(signal_number, SIG_DFL);
    raise(signal_number);
}

PendingFile* pend(const std::string& path) {
    for (PendingFile& file : pending_files) {
        if (file.active || path.size() >= sizeof file.path) continue;
        std::memcpy(file.path, path.c_str(), path.size() + 1);
        file.active = 1;
        return &file;
    }
    return nullptr;
}

void unpend(const std::string& path) {
    for (PendingFile& file : pending_files)
        if (file.active && path == file.path) file.active = 0;
}

std::string system_error(const std::string& what) { return what + ": " + std::strerror(errno); }

std::string directory_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string base_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void prepare_output(const char* tool) {
    for (int descriptor = 0; descriptor <= 2; ++descriptor)
        if (fcntl(descriptor, F_GETFD) < 0 && errno == EBADF) {
            const int opened = open("/dev/null", O_RDONLY);
            if (opened >= 0 && opened != descriptor) {
                dup2(opened, descriptor);
                close(opened);
            }
        }
    signal(SIGXFSZ, SIG_IGN);
    const char* names[] = {"SIGINT", "SIGTERM", "SIGHUP"};
    struct sigaction action {};
    action.sa_handler = stop;
    sigemptyset(&action.sa_mask);
    for (const int blocked : STOP_SIGNALS) sigaddset(&action.sa_mask, blocked);
    for (std::size_t index = 0; index < std::size(STOP_SIGNALS); ++index) {
        std::snprintf(stop_message[index], sizeof stop_message[index],
                      "%s: stopped by %s; no result file written, any that existed left as it was\n",
                      tool, names[index]);
        sigaction(STOP_SIGNALS[index], &action, nullptr);
    }
}

std::string open_output_file(const std::string& target, bool special_allowed, OutputFile& file) {
    file = OutputFile{};
    file.target = target;
    if (file.target.empty()) return "no file name given";
    file.path = target;
    struct stat status;
    const bool exists = stat(target.c_str(), &status) == 0;
    if (exists && !S_ISREG(status.st_mode)) {
        if (!special_allowed) return "'" + file.target + "' is not a regular file";
        file.descriptor = open(target.c_str(), O_WRONLY | O_CLOEXEC);
        if (file.descriptor < 0) return system_error("cannot write '" + file.target + "'");
        return "";
    }
    if (exists) {
        // Renaming over a symbolic link would replace the link, not the file it names.
        char* resolved = realpath(target.c_str(), nullptr);
        if (resolved != nullptr) {
            file.path = resolved;
            std::free(resolved);
        }
    }
    const mode_t mode = exists ? (status.st_mode & 07777) : 0666;
    const std::string stem = directory_of(file.path) + "/." + base_of(file.path) + ".";
    for (unsigned attempt = 0; file.descriptor < 0 && attempt < 100; ++attempt) {
        file.temporary = stem + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".tmp";
        // Pended first, so that a signal between the two leaves nothing behind.
        PendingFile* pending = pend(file.temporary);
        file.descriptor = open(file.temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (file.descriptor < 0 && pending != nullptr) pending->active = 0;
        if (file.descriptor < 0 && errno != EEXIST)
            return system_error("cannot write '" + file.target + "'");
        if (file.descriptor >= 0 && pending == nullptr) {
            abandon_output_file(file);
            return "too many output files";
        }
    }
    if (file.descriptor < 0) return "cannot make a temporary file beside '" + file.target + "'";
    if (exists) fchmod(file.descriptor, mode);  // the umask applies at creation only
    return "";
}

std::string open_output_files(const std::vector<std::string>& targets, bool special_allowed,
                              std::vector<OutputFile>& files) {
    files.assign(targets.size(), OutputFile{});
    for (std::size_t index = 0; index < targets.size(); ++index)
        if (std::string problem = open_output_file(targets[index], special_allowed, files[index]); !problem.empty()) {
            for (OutputFile& file : files) abandon_output_file(file);
            return problem;
        }
    return "";
}

std::string commit_output_file(OutputFile& file, const std::string& content) {
    std::string problem;
    if (!write_all(file.descriptor, content.data(), content.size()))
        problem = system_error("cannot write '" + file.target + "'");
    if (close(file.descriptor) != 0 && problem.empty())
        problem = system_error("cannot write '" + file.target + "'");
    file.descriptor = -1;
    if (problem.empty() && !file.temporary.empty() &&
        rename(file.temporary.c_str(), file.path.c_str()) != 0)
        problem = system_error("cannot replace '" + file.target + "'");
    if (!problem.empty() && !file.temporary.empty()) unlink(file.temporary.c_str());
    unpend(file.temporary);
    return problem;
}

void abandon_output_file(OutputFile& file) {
    if (file.descriptor < 0) return;
    close(file.descriptor);
    file.descriptor = -1;
    if (file.temporary.empty()) return;
    unlink(file.temporary.c_str());
    unpend(file.temporary);
}

std::string write_output_file(const std::string& target, const std::string& content) {
    OutputFile file;
    if (std::string problem = open_output_file(target, false, file); !problem.empty()) return problem;
    return commit_output_file(file, content);
}

std::string write_standard_output(const std::string& content) {
    if (!write_all(STDOUT_FILENO, content.data(), content.size()))
        return system_error("cannot write standard output");
    return "";
}

bool write_all(int descriptor, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    for (std::size_t done = 0; done < size;) {
        const ssize_t count = write(descriptor, bytes + done, size - done);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return false;
        if (count == 0) {  // nothing taken and no error: never seen, but no endless loop
            errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(count);
    }
    return true;
}
