#include "results_parser.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "line_texts.h"
#include "triangle_texts.h"
#include "vertex_texts.h"

namespace {

struct Line {
    std::string_view text;
    bool terminated = true;  // false only for a last line without its newline
};

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const bool terminated = end != std::string_view::npos;
        if (!terminated) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back({line, terminated});
        start = end + 1;
    }
    return lines;
}

// The part of line between prefix and suffix, when line has both.
std::optional<std::string_view> between(std::string_view line, std::string_view prefix,
                                        std::string_view suffix) {
    if (line.size() < prefix.size() + suffix.size() || !line.starts_with(prefix) ||
        !line.ends_with(suffix))
        return std::nullopt;
    return line.substr(prefix.size(), line.size() - prefix.size() - suffix.size());
}

std::string filledText(LineText text, std::string_view value) {
    return std::string(text.prefix) + std::string(value) + std::string(text.suffix);
}

std::string quoted(std::string_view text) {
    constexpr std::size_t shown = 80;
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size() && i < shown; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c >= 0x7f || c == '"' || c == '\\') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += text.size() > shown ? "\"..." : "\"";
    return out;
}

std::optional<int> readRank(std::string_view token) {
    const std::optional<std::int64_t> value = readInteger(token);
    if (!value || *value < 0 || *value > INT_MAX) return std::nullopt;
    return static_cast<int>(*value);
}

struct NameFields {
    Program program;
    int rank;
    std::string host;
};

// "results_<program>_windows_mac_mx @ <rank> of <host> @ local date ..."
std::optional<NameFields> fieldsFromName(std::string_view name) {
    const auto slash = name.find_last_of('/');
    if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    Program program;
    const std::string shardfallName = std::string(shardfallResultsPrefix) + std::string(resultsNameRank);
    const std::string lanternisName = std::string(lanternisResultsPrefix) + std::string(resultsNameRank);
    if (name.starts_with(shardfallName)) {
        program = Program::Shardfall;
        name.remove_prefix(shardfallName.size());
    } else if (name.starts_with(lanternisName)) {
        program = Program::Lanternis;
        name.remove_prefix(lanternisName.size());
    } else {
        return std::nullopt;
    }
    const std::string_view dateFormat = resultsNameDateFormat;
    const std::string dateMark =
        std::string(resultsNameDate) + std::string(dateFormat.substr(0, dateFormat.find('%')));
    const auto of = name.find(resultsNameHost);
    const auto date = name.rfind(dateMark);
    if (of == std::string_view::npos || date == std::string_view::npos || date < of)
        return std::nullopt;
    const std::optional<int> rank = readRank(name.substr(0, of));
    if (!rank) return std::nullopt;
    const std::size_t host = of + resultsNameHost.size();
    return NameFields{program, *rank, std::string(name.substr(host, date - host))};
}

struct Parse {
    std::vector<Line> lines;
    std::size_t next = 0;  // index of the line to read
    ParseOutcome out;

    bool atEnd() const { return next >= lines.size(); }
    std::string_view current() const { return lines[next].text; }

    // A last line without its newline that still begins like the expected line was cut off
    // by the end of the process, not written wrong.
    bool cutOff(std::string_view expectedStart) const {
        if (atEnd()) return true;
        const Line& line = lines[next];
        if (next + 1 != lines.size() || line.terminated) return false;
        return line.text.starts_with(expectedStart) || expectedStart.starts_with(line.text);
    }

    void fail(std::string expected) {
        std::string found = atEnd()                    ? "the end of the file"
                            : lines[next].text.empty() ? "an empty line"
                                                       : quoted(lines[next].text);
        out.error = ParseError{next + 1, std::move(expected), std::move(found)};
    }
};

std::string rankText(int rank) { return std::to_string(rank); }

// A frame block is dropped when the file stops inside it.
enum class BlockResult { Read, CutOff, Malformed };

BlockResult readBlock(Parse& p, const std::string& headExpected) {
    ResultsRun& run = p.out.run;
    FrameBlock frame;
    frame.line = p.next + 1;
    const std::string head =
        std::string(windowLineStart) + rankText(run.rank) + std::string(windowLineHost) + run.host;
    if (p.current() != head) {
        if (p.cutOff(head)) return BlockResult::CutOff;
        p.fail(headExpected);
        return BlockResult::Malformed;
    }
    ++p.next;

    enum class Kind { Count, Seconds, Angles, Rate };
    struct Field {
        LineText text;
        Kind kind;
    };
    std::vector<Field> fields;
    if (run.program == Program::Shardfall) {
        fields = {{trianglesDrawnText, Kind::Count},
                  {triangleFrameTimeText, Kind::Seconds},
                  {anglesText, Kind::Angles},
                  {trianglesRateText, Kind::Rate}};
    } else {
        fields = {{vertexFrameTimeText, Kind::Seconds},
                  {anglesText, Kind::Angles},
                  {verticesRateText, Kind::Rate}};
    }
    for (const Field& field : fields) {
        if (p.atEnd()) return BlockResult::CutOff;
        const LineText text = field.text;
        std::string_view line = p.current();
        std::optional<std::string_view> token = between(line, text.prefix, text.suffix);
        // An editor may have trimmed the trailing blank of the time line.
        if (!token && text.suffix.ends_with(' '))
            token = between(line, text.prefix, text.suffix.substr(0, text.suffix.size() - 1));
        bool good = token.has_value();
        if (good && field.kind == Kind::Count) {
            const std::optional<std::int64_t> count = readInteger(*token);
            good = count && *count >= 0;
            if (good) frame.triangles = *count;
        } else if (good) {
            const std::optional<double> value = readDouble(*token);
            good = value.has_value();
            if (good && field.kind == Kind::Seconds) {
                good = std::isfinite(*value) && *value >= 0;
                frame.frameTime = *value;
            } else if (good && field.kind == Kind::Angles)
                frame.anglesPerSec = *value;
            else if (good)
                frame.rate = *value;
        }
        if (!good) {
            if (p.cutOff(text.prefix)) return BlockResult::CutOff;
            const std::string_view placeholder = field.kind == Kind::Count     ? "<count>"
                                                 : field.kind == Kind::Seconds ? "<seconds>"
                                                                               : "<number>";
            p.fail("\"" + filledText(text, placeholder) + "\"" +
                   (field.kind == Kind::Seconds ? " (seconds finite and not negative)" : ""));
            return BlockResult::Malformed;
        }
        ++p.next;
    }
    run.frames.push_back(frame);
    if (p.atEnd()) return BlockResult::Read;  // killed before the block's empty line
    if (!p.current().empty()) {
        p.fail("an empty line");
        return BlockResult::Malformed;
    }
    ++p.next;
    return BlockResult::Read;
}

// Reads the three summary lines and what may follow them; sets run.summary only when all
// three are there.
void readSummary(Parse& p) {
    ResultsRun& run = p.out.run;
    const bool shardfall = run.program == Program::Shardfall;
    const std::size_t start = p.next + 1;
    RunSummary summary;

    const std::string totalSuffix = std::string(totalTimeText.suffix) + rankText(run.rank);
    struct Field {
        std::string_view prefix;
        std::string_view suffix;
        std::string expected;
        double* value;
    };
    auto field = [](LineText text, std::string_view placeholder, double* value) {
        return Field{text.prefix, text.suffix, "\"" + filledText(text, placeholder) + "\"", value};
    };
    const std::vector<Field> fields{
        {totalTimeText.prefix, totalSuffix,
         "\"" + std::string(totalTimeText.prefix) + "<seconds>" + totalSuffix + "\"",
         &summary.totalTime},
        field(averageAnglesText, "<number>", &summary.averageAngles),
        field(shardfall ? averageTrianglesText : averageVerticesText, "<number>",
              &summary.averageRate)};
    for (const Field& field : fields) {
        const std::optional<std::string_view> token =
            p.atEnd() ? std::nullopt : between(p.current(), field.prefix, field.suffix);
        const std::optional<double> value = token ? readDouble(*token) : std::nullopt;
        if (!value) {
            if (p.cutOff(field.prefix)) {
                run.notes.push_back("summary at line " + std::to_string(start) + " cut short");
                run.end = RunEnd::Incomplete;
                p.next = p.lines.size();
                return;
            }
            p.fail(field.expected);
            return;
        }
        *field.value = *value;
        ++p.next;
    }
    run.summary = summary;
    while (!p.atEnd() && p.current().empty()) ++p.next;
    if (!p.atEnd()) p.fail("the end of the file");
}

}  // namespace

std::optional<double> readDouble(std::string_view token) {
    if (token.empty()) return std::nullopt;
    double value = 0;
    const char* last = token.data() + token.size();
    const auto [ptr, ec] = std::from_chars(token.data(), last, value);
    if (ec != std::errc() || ptr != last) return std::nullopt;
    return value;
}

std::optional<std::int64_t> readInteger(std::string_view token) {
    if (token.empty()) return std::nullopt;
    std::int64_t value = 0;
    const char* last = token.data() + token.size();
    const auto [ptr, ec] = std::from_chars(token.data(), last, value);
    if (ec != std::errc() || ptr != last) return std::nullopt;
    return value;
}

std::string asPrinted(double value) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << value;
    return out.str();
}

std::string_view programName(Program program) {
    return program == Program::Shardfall ? "shardfall" : "lanternis";
}

std::string_view runEndName(RunEnd end) {
    switch (end) {
        case RunEnd::Quit: return "quit";
        case RunEnd::Limit: return "limit";
        case RunEnd::Incomplete: break;
    }
    return "incomplete";
}

ParseOutcome parseResults(std::string_view text, std::string_view fileName) {
    Parse p;
    p.lines = splitLines(text);
    ResultsRun& run = p.out.run;
    run.end = RunEnd::Incomplete;

    // The file stops before the window was ready (killed during start-up): only the name
    // still says whose file it is.
    std::optional<Program> bannerProgram;
    auto endedEarly = [&](std::string expected) {
        const std::optional<NameFields> fields = fieldsFromName(fileName);
        if (!fields) {
            p.fail(std::move(expected));
            return p.out;
        }
        run.program = bannerProgram.value_or(fields->program);
        run.rank = fields->rank;
        run.host = fields->host;
        run.notes.push_back(
            "the file ends before the window was initialised; rank and host from the file name");
        return p.out;
    };

    const std::string bannerExpected = "\"" + std::string(shardfallBannerLine) + "\" or \"" +
                                       std::string(lanternisBannerLine) + "\"";
    if (p.atEnd()) return endedEarly(bannerExpected);
    if (p.current() == shardfallBannerLine) {
        bannerProgram = Program::Shardfall;
    } else if (p.current() == lanternisBannerLine) {
        bannerProgram = Program::Lanternis;
    } else {
        if (p.cutOff(shardfallBannerLine) || p.cutOff(lanternisBannerLine))
            return endedEarly(bannerExpected);
        p.fail(bannerExpected);
        return p.out;
    }
    run.program = *bannerProgram;
    ++p.next;

    const int bannerEmpties = run.program == Program::Shardfall ? 2 : 1;
    for (int k = 0; k < bannerEmpties; ++k, ++p.next) {
        if (p.atEnd()) return endedEarly("an empty line");
        if (!p.current().empty()) {
            p.fail("an empty line");
            return p.out;
        }
    }

    const std::string initExpected = "\"" + std::string(initializationStart) + "<rank>" +
                                     std::string(initializationHost) + "<host>" +
                                     std::string(initializationSpent) + "<seconds>" +
                                     std::string(initializationEnd) + "\"";
    if (p.atEnd()) return endedEarly(initExpected);
    {
        bool good = false;
        if (const auto middle = between(p.current(), initializationStart, initializationEnd)) {
            const auto at = middle->find(initializationHost);
            const auto spent = middle->rfind(initializationSpent);
            const std::size_t host = at + initializationHost.size();
            if (at != std::string_view::npos && spent != std::string_view::npos && spent >= host) {
                const std::optional<int> rank = readRank(middle->substr(0, at));
                const std::optional<double> initTime =
                    readDouble(middle->substr(spent + initializationSpent.size()));
                if (rank && initTime) {
                    run.rank = *rank;
                    run.host = std::string(middle->substr(host, spent - host));
                    run.initTime = *initTime;
                    good = true;
                }
            }
        }
        if (!good) {
            if (p.cutOff(initializationStart)) return endedEarly(initExpected);
            p.fail(initExpected);
            return p.out;
        }
        ++p.next;
    }
    for (int k = 0; k < 2; ++k, ++p.next) {
        if (p.atEnd()) return p.out;
        if (!p.current().empty()) {
            p.fail("an empty line");
            return p.out;
        }
    }

    // A renamed or copied file: the lines win, but say so.
    if (const std::optional<NameFields> fields = fieldsFromName(fileName);
        fields && (fields->rank != run.rank || fields->host != run.host)) {
        run.notes.push_back("the file name says rank " + rankText(fields->rank) + " of " +
                            fields->host + "; its lines say rank " + rankText(run.rank) + " of " +
                            run.host);
    }

    const bool shardfall = run.program == Program::Shardfall;
    const std::string head = "\"" + std::string(windowLineStart) + rankText(run.rank) +
                             std::string(windowLineHost) + run.host + "\"";
    const std::string total =
        "\"" + filledText(totalTimeText, "<seconds>") + rankText(run.rank) + "\"";
    for (;;) {
        const std::size_t firstEmpty = p.next;
        while (!p.atEnd() && p.current().empty()) ++p.next;
        const std::size_t empties = p.next - firstEmpty;
        // No summary: killed, or the window closed by the window manager (one empty line).
        if (p.atEnd()) return p.out;

        const bool summaryNext = p.current().starts_with(totalTimeText.prefix) ||
                                 p.cutOff(totalTimeText.prefix);
        if (empties == 0 && !summaryNext) {
            const std::size_t blockStart = p.next + 1;
            switch (readBlock(p, head + " or " + total)) {
                case BlockResult::Read: continue;
                case BlockResult::Malformed: return p.out;
                case BlockResult::CutOff:
                    run.notes.push_back("partial frame block at line " +
                                        std::to_string(blockStart) + " ignored");
                    return p.out;
            }
        }
        if (summaryNext && (empties == 0 || (empties == 1 && shardfall))) {
            run.end = empties == 0 ? RunEnd::Quit : RunEnd::Limit;
            readSummary(p);
            return p.out;
        }
        if (shardfall && empties >= 1) {
            // Only the limit's summary may follow the one extra empty line.
            if (empties > 1) p.next = firstEmpty + 1;
            p.fail(total + " or the end of the file");
        } else {
            p.next = firstEmpty;
            p.fail(head + " or " + total + " (an empty line here may only end the file)");
        }
        return p.out;
    }
}
