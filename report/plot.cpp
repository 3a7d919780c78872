#include "plot.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

extern char** environ;

namespace {

std::string plotList(const std::vector<PlotSeries>& series, bool shardfallOnly,
                     const std::string& columns) {
    std::string out = "plot ";
    bool first = true;
    for (const PlotSeries& s : series) {
        if (shardfallOnly && !s.shardfall) continue;
        out += first ? "" : ", \\\n     ";
        out += quotedForGnuplot(s.dataFile) + " using " + columns + " with linespoints title " +
               quotedForGnuplot(s.title);
        first = false;
    }
    return out + "\n";
}

std::optional<std::filesystem::path> makeTempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/benchreport-XXXXXX";
    if (!mkdtemp(pattern.data())) return std::nullopt;
    return std::filesystem::path(pattern);
}

// The exit status of the program, or the reason it could not run.
std::optional<std::string> runGnuplot(const std::string& program, const std::string& script) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Keep our standard output for the report itself.
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    std::vector<std::string> args{program, script};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned =
        posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return "cannot run " + program + " (" + std::strerror(spawned) +
               "); install gnuplot or set BENCHREPORT_GNUPLOT to its path";
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return "lost track of " + program + " (" + std::strerror(errno) + ")";
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return std::nullopt;
    if (WIFEXITED(status))
        return program + " failed with exit status " + std::to_string(WEXITSTATUS(status));
    return program + " ended by signal " + std::to_string(WTERMSIG(status));
}

}  // namespace

std::string quotedForGnuplot(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += '\'';
        if (c == '\n' || c == '\r') c = ' ';
        out += c;
    }
    return out + "'";
}

std::optional<PlotFormat> plotFormatOf(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".svg") return PlotFormat::Svg;
    if (extension == ".png") return PlotFormat::Png;
    return std::nullopt;
}

std::string plotData(const ResultsRun& run) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.precision(17);
    for (std::size_t i = 0; i < run.frames.size(); ++i) {
        const FrameBlock& frame = run.frames[i];
        out << i + 1 << ' ' << frame.frameTime << ' ' << frame.triangles << ' ' << frame.rate
            << '\n';
    }
    return out.str();
}

std::string plotHead(const std::string& output, PlotFormat format, int height) {
    std::string out;
    if (format == PlotFormat::Svg) {
        out += "set terminal svg size 1000," + std::to_string(height) +
               " noenhanced font 'sans,11' background '#ffffff'\n";
    } else {
        out += "set terminal pngcairo size 1000," + std::to_string(height) +
               " noenhanced font 'sans,10' background '#ffffff'\n";
    }
    out += "set output " + quotedForGnuplot(output) + "\n";
    return out + "set grid\nset key outside right top\n";
}

std::string plotScript(const std::vector<PlotSeries>& series, const std::string& output,
                       PlotFormat format) {
    const bool anyShardfall =
        std::any_of(series.begin(), series.end(), [](const PlotSeries& s) { return s.shardfall; });
    const int height = anyShardfall ? 1100 : 600;
    std::string out = plotHead(output, format, height);
    std::size_t mostFrames = 0;
    for (const PlotSeries& s : series) mostFrames = std::max(mostFrames, s.frames);
    // Whole frame numbers only when there are few of them.
    if (mostFrames <= 20) out += "set xtics 1\n";
    if (anyShardfall) out += "set multiplot layout 2,1\n";
    out +=
        "set title 'Frame time per measured frame'\n"
        "set xlabel 'measured frame'\nset ylabel 'frame time (s)'\n";
    // shardfall's frames grow by a factor each step; only a log axis shows them all.
    if (anyShardfall) out += "set logscale y\n";
    out += plotList(series, false, "1:2");
    if (anyShardfall) {
        out +=
            "unset logscale\nset xtics autofreq\nset logscale xy\n"
            "set title 'Triangles/sec against triangles per frame (shardfall)'\n"
            "set xlabel 'triangles per frame'\nset ylabel 'triangles/sec'\n";
        out += plotList(series, true, "3:4");
        out += "unset multiplot\n";
    }
    out += "set output\n";
    return out;
}

std::optional<std::string> renderPlot(const std::vector<PlotDataFile>& data,
                                      const std::function<std::string(const std::string&)>& script,
                                      const std::string& output) {
    const std::optional<std::filesystem::path> dir = makeTempDir();
    if (!dir) return std::string("cannot make a temporary folder (") + std::strerror(errno) + ")";
    std::optional<std::string> error;
    for (std::size_t i = 0; i < data.size() && !error; ++i) {
        const std::string path = (*dir / data[i].name).string();
        std::ofstream file(path);
        file << data[i].text;
        if (!file.flush()) error = "cannot write " + path;
    }
    if (!error) {
        const std::string scriptPath = (*dir / "plot.gp").string();
        std::ofstream file(scriptPath);
        file << script(dir->string());
        if (!file.flush()) error = "cannot write " + scriptPath;
        file.close();
        if (!error) {
            const char* program = std::getenv("BENCHREPORT_GNUPLOT");
            error = runGnuplot(program && *program ? program : "gnuplot", scriptPath);
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(*dir, ec);
    if (!error) {
        const auto size = std::filesystem::file_size(output, ec);
        if (ec || size == 0) error = "gnuplot wrote no plot to " + output;
    }
    return error;
}

std::optional<std::string> writePlot(const Report& report, const std::string& output) {
    const std::optional<PlotFormat> format = plotFormatOf(output);
    if (!format) return "the plot file must end in .svg or .png: " + output;
    std::vector<PlotSeries> series;
    std::vector<PlotDataFile> data;
    for (std::size_t i = 0; i < report.ranks.size(); ++i) {
        const RankReport& rank = report.ranks[i];
        if (rank.run.frames.empty()) continue;
        PlotSeries s;
        s.title = "rank " + std::to_string(rank.run.rank) + " @ " + rank.run.host;
        s.dataFile = "rank-" + std::to_string(i) + ".dat";
        s.shardfall = rank.run.program == Program::Shardfall;
        s.frames = rank.run.frames.size();
        data.push_back({s.dataFile, plotData(rank.run)});
        series.push_back(std::move(s));
    }
    if (series.empty()) return "no rank has a measured frame: nothing to plot";
    return renderPlot(
        data,
        [&](const std::string& dir) {
            std::vector<PlotSeries> placed = series;
            for (PlotSeries& s : placed) s.dataFile = dir + "/" + s.dataFile;
            return plotScript(placed, output, *format);
        },
        output);
}
