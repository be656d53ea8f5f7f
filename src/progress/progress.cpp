#include "progress/progress.hpp"

#include <cstdio>

#include "platform/winapi.hpp"

namespace {

void write_frame(const std::string& frame) {
    std::fwrite(frame.data(), 1, frame.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

Progress progress_on_standard_error() {
    Progress progress;
    progress.enabled = output_is_terminal(GetStdHandle(STD_ERROR_HANDLE));
    return progress;
}

std::string progress_frame(std::string_view line, std::size_t shown) {
    std::string frame = "\r";
    frame += line;
    if (shown > line.size()) {
        // Blanks over the rest of the longer line, then back to the end of this one.
        frame.append(shown - line.size(), ' ');
        frame += "\r";
        frame += line;
    }
    return frame;
}

void show_progress(Progress& progress, std::string_view line, bool now) {
    if (!progress.enabled) return;
    const auto time = std::chrono::steady_clock::now();
    if (!now && progress.shown != 0 && time - progress.last_shown < std::chrono::milliseconds(200))
        return;
    progress.last_shown = time;
    write_frame(progress_frame(line, progress.shown));
    progress.shown = line.size();
}

void show_stepping(void* context, std::uint64_t instructions) {
    const Stepping& stepping = *static_cast<Stepping*>(context);
    char count[32];
    std::snprintf(count, sizeof count, ": %.1f M instructions", static_cast<double>(instructions / 100000) / 10);
    show_progress(*stepping.progress, stepping.line + count);
}

void end_progress(Progress& progress) {
    if (!progress.enabled || progress.shown == 0) return;
    std::string frame(progress.shown + 2, ' ');
    frame.front() = '\r';
    frame.back() = '\r';
    write_frame(frame);
    progress.shown = 0;
}
