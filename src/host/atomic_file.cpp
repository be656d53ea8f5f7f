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

std::string write_file_atomically(const std::string& target, const std::string& content) {
    if (target.empty()) return "no file name given";
    // Renaming over a symbolic link would replace the link, not the file it names.
    std::string path = target;
    struct stat status;
    const bool exists = stat(target.c_str(), &status) == 0;
    if (exists && !S_ISREG(status.st_mode)) return "'" + target + "' is not a regular file";
    if (exists) {
        if (char* resolved = realpath(target.c_str(), nullptr)) {
            path = resolved;
            std::free(resolved);
        }
    }
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temporary = (slash == std::string::npos ? "" : directory) + "." + base + ".XXXXXX";
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) return system_error("cannot write '" + target + "'");
    // mkstemp makes the file 0600; a result file gets the usual mode, or the old file's.
    if (exists) {
        fchmod(descriptor, status.st_mode & 07777);
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(descriptor, 0666 & ~mask);
    }
    std::string problem;
    for (std::size_t done = 0; problem.empty() && done < content.size();) {
        const ssize_t count = write(descriptor, content.data() + done, content.size() - done);
        if (count < 0 && errno != EINTR) problem = system_error("cannot write '" + target + "'");
        if (count > 0) done += static_cast<std::size_t>(count);
    }
    if (close(descriptor) != 0 && problem.empty()) problem = system_error("cannot write '" + target + "'");
    if (problem.empty() && rename(temporary.c_str(), path.c_str()) != 0)
        problem = system_error("cannot replace '" + target + "'");
    if (!problem.empty()) unlink(temporary.c_str());
    return problem;
}
