#include "host/atomic_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

std::string system_error(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

std::string open_pending_file(const std::string& target, PendingFile& file) {
    file = PendingFile{};
    file.target = target;
    if (target.empty()) return "no file name given";
    // Renaming over a symbolic link would replace the link, not the file it names.
    file.path = target;
    struct stat status;
    const bool exists = stat(target.c_str(), &status) == 0;
    if (exists && !S_ISREG(status.st_mode)) return "'" + target + "' is not a regular file";
    if (exists) {
        if (char* resolved = realpath(target.c_str(), nullptr)) {
            file.path = resolved;
            std::free(resolved);
        }
    }
    const std::size_t slash = file.path.rfind('/');
    file.temporary = slash == std::string::npos
                         ? "." + file.path + ".XXXXXX"
                         : file.path.substr(0, slash + 1) + "." + file.path.substr(slash + 1) + ".XXXXXX";
    file.descriptor = mkostemp(file.temporary.data(), O_CLOEXEC);
    if (file.descriptor < 0) {
        file.temporary.clear();
        return system_error("cannot write '" + target + "'");
    }
    // mkstemp makes the file 0600; a result file gets the usual mode, or the old file's.
    if (exists) {
        fchmod(file.descriptor, status.st_mode & 07777);
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(file.descriptor, 0666 & ~mask);
    }
    return "";
}

std::string commit_pending_file(PendingFile& file, const std::string& content) {
    std::string problem;
    for (std::size_t done = 0; problem.empty() && done < content.size();) {
        const ssize_t count = write(file.descriptor, content.data() + done, content.size() - done);
        if (count < 0 && errno != EINTR) problem = system_error("cannot write '" + file.target + "'");
        if (count > 0) done += static_cast<std::size_t>(count);
    }
    if (close(file.descriptor) != 0 && problem.empty())
        problem = system_error("cannot write '" + file.target + "'");
    file.descriptor = -1;
    if (problem.empty() && rename(file.temporary.c_str(), file.path.c_str()) != 0)
        problem = system_error("cannot replace '" + file.target + "'");
    if (!problem.empty()) unlink(file.temporary.c_str());
    file.temporary.clear();
    return problem;
}

void abandon_pending_file(PendingFile& file) {
    if (file.descriptor >= 0) close(file.descriptor);
    file.descriptor = -1;
    if (!file.temporary.empty()) unlink(file.temporary.c_str());
    file.temporary.clear();
}

std::string write_file_atomically(const std::string& target, const std::string& content) {
    PendingFile file;
    if (const std::string problem = open_pending_file(target, file); !problem.empty()) return problem;
    return commit_pending_file(file, content);
}
