#include "profile/tool_text.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "kernels/samples.hpp"

#define LAYOUT(name, kernel, stop, purpose)              \
    extern "C" const unsigned char name##_text_entry[];  \
    extern "C" const unsigned char name##_text_exit[];   \
    extern "C" const std::uint32_t name##_text_code_bytes;
#include "kernels/layouts.def"
#undef LAYOUT

const BenchCase text_copies[LAYOUT_COUNT] = {
#define LAYOUT(name, kernel, stop, purpose) \
    {nullptr, #name "/long", nullptr, &name##_text_code_bytes, name##_text_entry, name##_text_exit},
#include "kernels/layouts.def"
#undef LAYOUT
};

namespace {

// The buffer holds the text, its terminator and zero bytes after it.
ToolText lay_text(std::string name, const unsigned char* bytes, std::size_t length) {
    std::memset(tool_text, 0, TOOL_TEXT_MAX_BYTES + 2);
    std::memcpy(tool_text, bytes, length);
    return {std::move(name), length, text_hash(bytes, length)};
}

}  // namespace

std::uint64_t text_hash(const unsigned char* bytes, std::size_t length) {
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (std::size_t index = 0; index < length; ++index) {
        hash ^= bytes[index];
        hash *= 0x100000001b3u;
    }
    return hash;
}

ToolText use_long_sample() {
    return lay_text("the long sample", reinterpret_cast<const unsigned char*>(long_sample),
                    std::strlen(long_sample));
}

bool use_text_file(const char* path, ToolText& text, std::string& error) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        error = std::string("cannot open the text ") + path + ": " + std::strerror(errno);
        return false;
    }
    // One byte more than the most the buffer takes tells a text that is too long.
    std::vector<unsigned char> bytes(TOOL_TEXT_MAX_BYTES + 1);
    std::size_t length = 0;  // the text's bytes, before a NUL
    std::size_t read = 0;    // the file's bytes read
    bool ended = false;      // a NUL byte met
    while (read < bytes.size()) {
        const std::size_t got = std::fread(bytes.data() + read, 1, bytes.size() - read, file);
        if (got == 0) break;
        const void* nul = std::memchr(bytes.data() + read, 0, got);
        read += got;
        if (nul != nullptr) {
            length = static_cast<const unsigned char*>(nul) - bytes.data();
            ended = true;
            break;
        }
        length = read;
    }
    // Past a NUL the bytes are only counted, for the context line's file size.
    if (ended) {
        char rest[65536];
        std::size_t got = 0;
        while ((got = std::fread(rest, 1, sizeof rest, file)) > 0) read += got;
    }
    const bool failed = std::ferror(file);
    const int read_errno = errno;
    std::fclose(file);
    if (failed) {
        error = std::string("cannot read the text ") + path + ": " + std::strerror(read_errno);
        return false;
    }
    if (length > TOOL_TEXT_MAX_BYTES) {
        error = std::string("the text ") + path + " is longer than the " +
                std::to_string(TOOL_TEXT_MAX_BYTES) + " bytes the tools take";
        return false;
    }
    if (length == 0) {
        error = std::string("the text ") + path +
                (ended ? " starts with a NUL byte: no text to scan" : " is empty");
        return false;
    }
    text = lay_text(path, bytes.data(), length);
    text.from_file = true;
    text.stopped_at_nul = ended;
    text.file_bytes = read;
    return true;
}

std::string describe_text(const ToolText& text) {
    std::string line = "text: " + text.name + ", " + std::to_string(text.length) + " bytes";
    if (text.stopped_at_nul)
        line += " (stopped at a NUL at byte " + std::to_string(text.length) + " of " +
                std::to_string(text.file_bytes) + ")";
    return line;
}

std::string text_label(const ToolText& text) {
    if (!text.from_file) return "long";
    const std::size_t slash = text.name.find_last_of("/\\");
    return slash == std::string::npos ? text.name : text.name.substr(slash + 1);
}
