#include "command_line.h"

#include <algorithm>

#include <charconv>

#include "plot.h"

namespace {

// The value of an option given as "--name VALUE" or "--name=VALUE"; i moves past a separate
// value. Absent (with error set) when it is missing.
std::optional<std::string> optionValue(const std::vector<std::string>& args, std::size_t& i,
                                       const std::string& name, const std::string& needs,
                                       std::optional<std::string>& error) {
    const std::string& arg = args[i];
    if (arg != name) return arg.substr(name.size() + 1);
    if (i + 1 == args.size()) {
        error = name + " needs " + needs;
        return std::nullopt;
    }
    return args[++i];
}

bool isOption(const std::string& arg, const std::string& name) {
    return arg == name || arg.starts_with(name + "=");
}

std::optional<std::string> plotOption(const std::vector<std::string>& args, std::size_t& i,
                                      std::optional<std::string>& error) {
    const auto file = optionValue(args, i, "--plot", "a file name ending in .svg or .png", error);
    if (file && !plotFormatOf(*file)) {
        error = "the plot file must end in .svg or .png: " + *file;
        return std::nullopt;
    }
    return file;
}

}  // namespace

ArgumentsOutcome parseArguments(const std::vector<std::string>& args) {
    ArgumentsOutcome out;
    Options& options = out.options;
    bool formatChosen = false;
    bool optionsEnded = false;
    auto chooseFormat = [&](OutputFormat format, const std::string& arg) {
        if (formatChosen && options.format != format) {
            out.error = "choose one of --csv and --json, not both (" + arg + ")";
        }
        options.format = format;
        formatChosen = true;
    };
    for (std::size_t i = 0; i < args.size() && !out.error; ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            options.inputs.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--csv") {
            chooseFormat(OutputFormat::Csv, arg);
        } else if (arg == "--json") {
            chooseFormat(OutputFormat::Json, arg);
        } else if (isOption(arg, "--plot")) {
            options.plot = plotOption(args, i, out.error);
        } else {
            out.error = "unknown option " + arg;
        }
    }
    if (!out.error && !options.help && options.inputs.empty())
        out.error = "no job folder or results file given";
    return out;
}

std::string usageText() {
    return R"(Usage: benchreport [--csv | --json] [--plot FILE.svg|FILE.png] DIR-or-results-files...
       benchreport compare [options] BASE NEW    (see benchreport compare --help)

Merges the results files of a shardfall or lanternis job into one report. A DIR argument
stands for every results_*.txt file in it. A job.json beside the files (written by the
launcher) adds the GL renderer of each rank; a malformed one is only a warning.

  (default)    an aligned table per rank, then the job's figures and notes
  --csv        one row per rank after a header row
  --json       {"schema_version": 1, "ranks": [...], "job": {...}, "failures": [...]}
  --plot FILE  also write a plot through gnuplot (SVG or PNG by the extension): frame time per
               frame for every rank and, for shardfall, triangles/sec against triangles per
               frame on log axes; set BENCHREPORT_GNUPLOT to use another gnuplot
  -h, --help   this text

Per rank: frames, total time (the sum of the frame times, checked against the summary),
the first frame's time, and the distribution of the frame times after it (the first frame
is the warm-up and is left out): min, median, P95, P99, max, and the coefficient of
variation. Percentiles use the nearest-rank method: Pn is the value at position
ceil(n/100 * count) of the times sorted ascending. The median is the middle value (the mean of
the two middle values for an even count). CV is the sample standard deviation (divisor
count - 1) over the mean. Average rates are the summary's printed values; a run without a
summary gets them from its frames as the programs compute them (frames / total time;
triangles / total time; points per frame * frames / total time).

Job: the sum of the ranks' average rates (aggregate triangles/s or vertices/s), their min,
median and max, the imbalance (the fastest rank's rate divided by the slowest rank's, 1 when
all ran alike) and the slowest rank.

End of a run: quit (Esc), limit (shardfall's size limit), incomplete (no summary: killed or
closed; a partial last frame block is left out).

Exit status: 0 all files reported; 1 a file was malformed or unreadable, or the plot failed
(the other files are still reported); 2 usage error or no results file.
)";
}

CompareArgumentsOutcome parseCompareArguments(const std::vector<std::string>& args) {
    CompareArgumentsOutcome out;
    CompareOptions& options = out.options;
    std::vector<std::string> inputs;
    bool optionsEnded = false;
    std::optional<OutputFormat> chosen;
    for (std::size_t i = 0; i < args.size() && !out.error; ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            inputs.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--csv" || arg == "--json") {
            const OutputFormat format = arg == "--csv" ? OutputFormat::Csv : OutputFormat::Json;
            if (chosen && *chosen != format)
                out.error = "choose one of --csv and --json, not both (" + arg + ")";
            chosen = format;
            options.format = format;
        } else if (arg == "--force") {
            options.force = true;
        } else if (isOption(arg, "--alpha")) {
            const auto text = optionValue(args, i, "--alpha", "a level between 0 and 1", out.error);
            if (!text) break;
            double alpha = 0;
            const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), alpha);
            if (ec != std::errc() || end != text->data() + text->size() || !(alpha > 0) ||
                !(alpha < 1)) {
                out.error = "--alpha needs a level between 0 and 1, not " + *text;
                break;
            }
            options.alpha = alpha;
        } else if (isOption(arg, "--plot")) {
            options.plot = plotOption(args, i, out.error);
        } else {
            out.error = "unknown option " + arg;
        }
    }
    if (out.error || options.help) return out;
    const auto split = std::find(inputs.begin(), inputs.end(), "vs");
    if (split != inputs.end()) {
        options.base.assign(inputs.begin(), split);
        options.next.assign(split + 1, inputs.end());
    } else if (inputs.size() == 2) {
        options.base = {inputs[0]};
        options.next = {inputs[1]};
    }
    if (options.base.empty() || options.next.empty())
        out.error = "give BASE and NEW: two job folders or files, or two lists split by vs";
    return out;
}

std::string compareUsageLine() {
    return "Usage: benchreport compare [--json | --csv] [--alpha P] [--force] "
           "[--plot FILE.svg|FILE.png] BASE NEW\n";
}

std::string compareUsageText() {
    return compareUsageLine() + R"(       benchreport compare [options] BASE-FILES... vs NEW-FILES...

Compares two jobs of the same program: is NEW faster than BASE? BASE and NEW are each a job
folder (every results_*.txt in it) or results files. Ranks are matched by number; the first
measured frame of every rank (the warm-up) is left out.

  shardfall  frames are matched by batch size (triangles per frame, the same step); per rank
             the rate is the triangles over the time of the matched frames, and the test is
             a Wilcoxon signed-rank test on the log rate ratios of the matched steps
  lanternis  frames are matched frame for frame (every frame draws the same points); per
             rank the rate is the points over the time of the compared frames, and the test
             is a Mann-Whitney U test on the per-frame rates

The job's rate is the sum of the ranks' rates; its test takes, at every step (frame) that
all ranks drew in both jobs, the sum of the ranks' rates there. With several ranks the
geometric mean of the per-rank ratios is shown too. Tests are two-sided: exact for small
samples without ties, else the normal approximation with tie and continuity corrections.
A change is significant when p < alpha; the table shows ~ in place of one that is not.
Fewer than 3 compared frames give no p-value.

  (default)    a table per rank, then the job, context and notes
  --csv        one row per rank, then a job row (and a geomean row)
  --json       {"schema_version": 1, "program", "metric", "alpha", "test", "job", "ranks",
               "context", "notes"}, null where a value does not exist
  --alpha P    significance level (default 0.05)
  --force      compare even different work
  --plot FILE  also write a plot through gnuplot (SVG or PNG): rate against batch size for
               shardfall, the frame-time distributions for lanternis
  -h, --help   this text

Refused (exit status 2, one line naming the difference) unless --force: another program,
another number of points per frame (lanternis at another colour depth), another workload
digest in job.json. Differences of host, GL renderer, vendor or version are shown as context.

Exit status: 0 compared; 1 a file was malformed or unreadable, or the plot failed; 2 usage
error, no results files, or a refusal.
)";
}
