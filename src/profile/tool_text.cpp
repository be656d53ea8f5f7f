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
    std::size_t length = 0;
    bool ended = false;  // a NUL byte met
    while (length < bytes.size()) {
        const std::size_t got = std::fread(bytes.data() + length, 1, bytes.size() - length, file);
        if (got == 0) break;
        const void* nul = std::memchr(bytes.data() + length, 0, got);
        if (nul != nullptr) {
            length = static_cast<const unsigned char*>(nul) - bytes.data();
            ended = true;
            break;
        }
        length += got;
    }
    const bool failed = !ended && std::ferror(file);
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
    return true;
}
