#include "stats/chart.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <iomanip>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

constexpr char PNG_SIGNATURE[] = "\x89PNG\r\n\x1a\n";

std::string system_error(const std::string& what) { return what + ": " + std::strerror(errno); }

// The distinct values of `field` over the points, in the order they first appear.
template <typename Field>
std::vector<std::string> distinct(const std::vector<ChartPoint>& points, Field field) {
    std::vector<std::string> values;
    for (const ChartPoint& point : points)
        if (std::find(values.begin(), values.end(), point.*field) == values.end())
            values.push_back(point.*field);
    return values;
}

std::size_t position(const std::vector<std::string>& values, const std::string& value) {
    return std::find(values.begin(), values.end(), value) - values.begin();
}

// One panel: the sample's layouts along x, one colour per placement beside each other,
// and a grey bar from each layout's lowest to its highest figure.
// The right axis shows estimated core cycles where ticks_per_cycle is above 0; both axes'
// ranges are set from the figures, so that their tics are each axis's own round numbers.
void write_panel(std::ostringstream& script, const std::vector<ChartPoint>& panel,
                 const std::string& sample, const std::vector<std::string>& placements,
                 double ticks_per_cycle) {
    const std::vector<std::string> layouts = distinct(panel, &ChartPoint::layout);
    const double spacing = 0.6 / static_cast<double>(placements.size());

    script << "$points_" << sample << " << EOD\n";
    for (const ChartPoint& point : panel) {
        const double x = static_cast<double>(position(layouts, point.layout)) + 1 +
                         (static_cast<double>(position(placements, point.placement)) -
                          static_cast<double>(placements.size() - 1) / 2) * spacing;
        script << x << ' ' << position(placements, point.placement) << ' ' << point.ticks << '\n';
    }
    script << "EOD\n$range_" << sample << " << EOD\n";
    for (std::size_t index = 0; index < layouts.size(); ++index) {
        double low = 0, high = 0;
        bool first = true;
        for (const ChartPoint& point : panel) {
            if (point.layout != layouts[index]) continue;
            low = first ? point.ticks : std::min(low, point.ticks);
            high = first ? point.ticks : std::max(high, point.ticks);
            first = false;
        }
        script << index + 1 << ' ' << low << ' ' << high << '\n';
    }
    script << "EOD\n";

    double lowest = panel.front().ticks, highest = lowest;
    for (const ChartPoint& point : panel) {
        lowest = std::min(lowest, point.ticks);
        highest = std::max(highest, point.ticks);
    }
    const double margin = std::max((highest - lowest) * 0.15, std::abs(highest) * 0.02 + 0.5);
    lowest -= margin;
    highest += margin;
    script << "set yrange [" << lowest << ':' << highest << "]\n";
    if (ticks_per_cycle > 0)
        script << "set y2range [" << lowest / ticks_per_cycle << ':' << highest / ticks_per_cycle
               << "]\nset y2tics\nset y2label \"estimated core cycles per scan\"\n";

    script << "set title \"" << sample << " sample\"\n"
           << "set xrange [0.4:" << layouts.size() + 0.6 << "]\n"
           << "set xtics (";
    for (std::size_t index = 0; index < layouts.size(); ++index)
        script << (index ? ", " : "") << '"' << layouts[index] << "\" " << index + 1;
    script << ")\n"
           << "plot $range_" << sample
           << " using 1:2:(0):($3-$2) with vectors nohead lw 12 lc rgb \"#dddddd\" notitle";
    for (std::size_t index = 0; index < placements.size(); ++index)
        script << ", \\\n     $points_" << sample << " using 1:($2 == " << index
               << " ? $3 : NaN) with points pt 7 ps 1.4 title \"" << placements[index] << '"';
    script << '\n';
}

}  // namespace

std::string open_chart_file(const char* path, ChartFile& file) {
    file.path = path;
    file.descriptor = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    file.created = file.descriptor >= 0;
    if (file.descriptor < 0 && errno == EEXIST)
        file.descriptor = open(path, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (file.descriptor < 0) return system_error("cannot write the chart to '" + file.path + "'");
    struct stat chart_status, output_status;
    std::string problem;
    if (fstat(file.descriptor, &chart_status) != 0)
        problem = system_error("cannot examine '" + file.path + "'");
    else if (!S_ISREG(chart_status.st_mode))
        problem = "the chart file '" + file.path + "' is not a regular file";
    else if (fstat(STDOUT_FILENO, &output_status) == 0 && output_status.st_dev == chart_status.st_dev &&
             output_status.st_ino == chart_status.st_ino)
        problem = "the chart file '" + file.path + "' is standard output";
    if (!problem.empty()) abandon_chart_file(file);
    return problem;
}

void abandon_chart_file(ChartFile& file) {
    if (file.descriptor < 0) return;
    if (file.created) unlink(file.path.c_str());
    close(file.descriptor);
    file.descriptor = -1;
}

std::string chart_script(const std::vector<ChartPoint>& points, double ticks_per_cycle) {
    std::ostringstream script;
    script << std::setprecision(10);
    const std::vector<std::string> samples = distinct(points, &ChartPoint::sample);
    const std::vector<std::string> placements = distinct(points, &ChartPoint::placement);
    // One panel per sample, each as wide as its layouts need.
    std::vector<std::vector<ChartPoint>> panels(samples.size());
    for (const ChartPoint& point : points) panels[position(samples, point.sample)].push_back(point);
    double width_units = 0;
    for (const auto& panel : panels)
        width_units += static_cast<double>(distinct(panel, &ChartPoint::layout).size()) + 2;
    script << "set terminal pngcairo noenhanced size " << static_cast<int>(width_units * 90 + 200)
           << ",600 font \"sans,10\"\n"
           << "set multiplot title \"jumpbench-stats: ticks per scan, the headline figure of each"
              " kernel copy (long sample: min; short: mean of the lowest quarter)\"\n"
           << "set key below horizontal\nset grid ytics\nset ylabel \"ticks per scan\"\nset ytics nomirror\n";
    double origin = 0;
    for (std::size_t index = 0; index < samples.size(); ++index) {
        const double width =
            (static_cast<double>(distinct(panels[index], &ChartPoint::layout).size()) + 2) /
            width_units;
        script << "set origin " << origin << ",0\nset size " << width << ",0.94\n";
        write_panel(script, panels[index], samples[index], placements, ticks_per_cycle);
        origin += width;
    }
    script << "unset multiplot\n";
    return script.str();
}

std::string draw_chart(const std::string& script, ChartFile& file) {
    int to_gnuplot[2], from_gnuplot[2];
    if (pipe2(to_gnuplot, O_CLOEXEC) != 0) return system_error("cannot make a pipe");
    if (pipe2(from_gnuplot, O_CLOEXEC) != 0) {
        close(to_gnuplot[0]);
        close(to_gnuplot[1]);
        return system_error("cannot make a pipe");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, to_gnuplot[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, from_gnuplot[1], STDOUT_FILENO);
    // This tool ignores SIGPIPE while it writes the script; gnuplot gets the default.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t default_signals;
    sigemptyset(&default_signals);
    sigaddset(&default_signals, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &default_signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    char program[] = "gnuplot";
    char* arguments[] = {program, nullptr};
    pid_t gnuplot;
    const int spawned = posix_spawnp(&gnuplot, program, &actions, &attributes, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(to_gnuplot[0]);
    close(from_gnuplot[1]);
    if (spawned != 0) {
        close(to_gnuplot[1]);
        close(from_gnuplot[0]);
        abandon_chart_file(file);
        errno = spawned;
        return system_error("cannot start gnuplot (install gnuplot-nox)");
    }

    // Feed the script and take the image at the same time, up to the deadline.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(CHART_TIMEOUT_SECONDS);
    const auto remaining_ms = [&] {
        return static_cast<int>(std::max<long long>(
            0, std::chrono::duration_cast<std::chrono::milliseconds>(
                   deadline - std::chrono::steady_clock::now()).count()));
    };
    void (*old_sigpipe)(int) = signal(SIGPIPE, SIG_IGN);
    fcntl(to_gnuplot[1], F_SETFL, O_NONBLOCK);
    std::string image;
    std::size_t written = 0;
    int input = to_gnuplot[1];
    std::string problem;
    bool timed_out = false;
    bool image_ended = false;
    while (!image_ended && !timed_out && problem.empty()) {
        if (input >= 0 && written == script.size()) {
            close(input);
            input = -1;
        }
        pollfd watched[2] = {{from_gnuplot[0], POLLIN, 0}, {input, POLLOUT, 0}};
        const int ready = poll(watched, input >= 0 ? 2 : 1, remaining_ms());
        if (ready < 0 && errno != EINTR) problem = system_error("cannot wait for gnuplot");
        timed_out = ready == 0;
        if (ready <= 0) continue;
        if (watched[0].revents) {
            char buffer[65536];
            const ssize_t count = read(from_gnuplot[0], buffer, sizeof buffer);
            if (count > 0) image.append(buffer, static_cast<std::size_t>(count));
            image_ended = count == 0 || (count < 0 && errno != EINTR && errno != EAGAIN);
        }
        if (input >= 0 && watched[1].revents) {
            const ssize_t count = write(input, script.data() + written, script.size() - written);
            if (count > 0) written += static_cast<std::size_t>(count);
            // gnuplot closed its input: it will say why on its standard error.
            if (count < 0 && errno == EPIPE) written = script.size();
        }
    }
    if (input >= 0) close(input);
    close(from_gnuplot[0]);
    signal(SIGPIPE, old_sigpipe);

    int status = 0;
    while (!timed_out && problem.empty()) {
        if (waitpid(gnuplot, &status, WNOHANG) == gnuplot) break;
        timed_out = remaining_ms() == 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (timed_out || !problem.empty()) {
        kill(gnuplot, SIGKILL);
        waitpid(gnuplot, &status, 0);
    }
    if (timed_out) {
        problem = "gnuplot did not finish the chart within " +
                  std::to_string(CHART_TIMEOUT_SECONDS) + " s and was stopped; no chart written";
    } else if (problem.empty() && WIFEXITED(status) && WEXITSTATUS(status) == 127) {
        // Where spawning cannot report a failed exec (under an emulator that forks for
        // it), the child's exit code 127 says it.
        problem = "cannot start gnuplot (install gnuplot-nox)";
    } else if (problem.empty() && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
        problem = WIFEXITED(status)
                      ? "gnuplot failed with exit code " + std::to_string(WEXITSTATUS(status))
                      : "gnuplot ended with signal " + std::to_string(WTERMSIG(status));
    } else if (problem.empty() && image.compare(0, 8, PNG_SIGNATURE) != 0) {
        problem = "gnuplot gave no PNG image";
    }
    if (!problem.empty()) {
        abandon_chart_file(file);
        return problem;
    }

    if (ftruncate(file.descriptor, 0) != 0) problem = system_error("cannot write '" + file.path + "'");
    for (std::size_t done = 0; problem.empty() && done < image.size();) {
        const ssize_t count = write(file.descriptor, image.data() + done, image.size() - done);
        if (count < 0 && errno != EINTR) problem = system_error("cannot write '" + file.path + "'");
        if (count > 0) done += static_cast<std::size_t>(count);
    }
    if (!problem.empty()) {
        abandon_chart_file(file);
        return problem;
    }
    close(file.descriptor);
    file.descriptor = -1;
    return "";
}
