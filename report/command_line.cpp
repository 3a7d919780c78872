#include "command_line.h"

#include "plot.h"

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
        } else if (arg == "--plot" || arg.starts_with("--plot=")) {
            std::string file;
            if (arg == "--plot") {
                if (i + 1 == args.size()) {
                    out.error = "--plot needs a file name ending in .svg or .png";
                    break;
                }
                file = args[++i];
            } else {
                file = arg.substr(7);
            }
            if (!plotFormatOf(file)) {
                out.error = "the plot file must end in .svg or .png: " + file;
                break;
            }
            options.plot = file;
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
