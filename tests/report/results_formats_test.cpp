// The shape of the table, CSV and JSON outputs.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "report_fixtures.h"
#include "report_formats.h"

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// RFC 4180 fields of one CSV line.
std::vector<std::string> csvFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::map<std::string, std::string> csvRow(const std::vector<std::string>& header,
                                          const std::string& line) {
    const auto fields = csvFields(line);
    std::map<std::string, std::string> row;
    for (std::size_t i = 0; i < header.size() && i < fields.size(); ++i) row[header[i]] = fields[i];
    return row;
}

}  // namespace

TEST(ReportFormats, CsvHasOneRowPerRankUnderItsHeader) {
    const std::vector<std::string> lines = linesOf(formatCsv(fixtureReport("shardfall-job")));
    ASSERT_EQ(lines.size(), 1u + 5);
    const auto header = csvFields(lines[0]);
    for (const std::string& line : lines) EXPECT_EQ(csvFields(line).size(), header.size()) << line;

    const auto rank1 = csvRow(header, lines[1]);
    EXPECT_EQ(rank1.at("rank"), "1");
    EXPECT_EQ(rank1.at("host"), "node-a");
    EXPECT_EQ(rank1.at("end"), "quit");
    EXPECT_EQ(rank1.at("frames"), "6");
    EXPECT_EQ(rank1.at("first_frame_s"), "0.05");
    EXPECT_EQ(rank1.at("p95_s"), "0.04");
    EXPECT_EQ(rank1.at("average_rate_per_s"), "123.529");
    EXPECT_EQ(rank1.at("rates_from"), "summary");
    // The renderer holds a comma: quoted, and read back whole.
    EXPECT_EQ(rank1.at("gl_renderer"), "llvmpipe (LLVM 15.0.6, 256 bits)");

    const auto rank4 = csvRow(header, lines[4]);
    EXPECT_EQ(rank4.at("end"), "incomplete");
    EXPECT_EQ(rank4.at("rates_from"), "frames");
    EXPECT_EQ(rank4.at("summary_total_s"), "");
    EXPECT_NE(rank4.at("notes").find("partial frame block at line 31 ignored"), std::string::npos);

    // Each row carries its host's figures.
    EXPECT_EQ(rank1.at("host_ranks"), "2");
    EXPECT_EQ(rank1.at("host_aggregate_rate_per_s"), "230.672");
    EXPECT_EQ(rank1.at("host_min_rate_per_s"), "107.143");
    EXPECT_EQ(rank1.at("host_max_rate_per_s"), "123.529");
    EXPECT_EQ(rank1.at("host_is_slowest"), "true");
    EXPECT_EQ(rank4.at("host_ranks"), "3");
    EXPECT_EQ(rank4.at("host_min_rate_per_s"), "80");
    EXPECT_EQ(rank4.at("host_is_slowest"), "false");

    // No frames: the -nan averages become empty fields.
    const std::vector<std::string> lanternis = linesOf(formatCsv(fixtureReport("lanternis-job")));
    const auto rank3 = csvRow(csvFields(lanternis[0]), lanternis[3]);
    EXPECT_EQ(rank3.at("frames"), "0");
    EXPECT_EQ(rank3.at("average_rate_per_s"), "");
    EXPECT_EQ(rank3.at("median_s"), "");
    EXPECT_EQ(rank3.at("rate_unit"), "vertices/s");
}

TEST(ReportFormats, JsonHasRanksAJobAndTheFailures) {
    const nlohmann::json doc = nlohmann::json::parse(formatJson(fixtureReport("shardfall-job")));
    EXPECT_EQ(doc.at("schema_version"), 1);
    ASSERT_EQ(doc.at("ranks").size(), 5u);

    const nlohmann::json& rank1 = doc.at("ranks").at(0);
    EXPECT_EQ(rank1.at("rank"), 1);
    EXPECT_EQ(rank1.at("program"), "shardfall");
    EXPECT_EQ(rank1.at("frames"), 6);
    EXPECT_EQ(rank1.at("frame_time_s").at("count"), 5);
    EXPECT_EQ(rank1.at("frame_time_s").at("median"), 0.02);
    EXPECT_EQ(rank1.at("triangles_total"), 21);
    EXPECT_EQ(rank1.at("end"), "quit");

    const nlohmann::json& rank4 = doc.at("ranks").at(3);
    EXPECT_TRUE(rank4.at("summary_total_s").is_null());
    EXPECT_EQ(rank4.at("rates_from"), "frames");
    EXPECT_EQ(rank4.at("notes").size(), 1u);

    const nlohmann::json& job = doc.at("job");
    EXPECT_EQ(job.at("program"), "shardfall");
    EXPECT_EQ(job.at("rate_unit"), "triangles/s");
    EXPECT_EQ(job.at("ranks_with_rate"), 5);
    EXPECT_EQ(job.at("slowest"), (nlohmann::json{{"rank", 6}, {"host", "node-b"}}));
    EXPECT_EQ(job.at("rank_rate_per_s").at("max"), 3.79583e+06);
    EXPECT_EQ(job.at("notes").size(), 1u);
    EXPECT_EQ(job.at("hosts"), nlohmann::json::parse(R"([
        {"host": "node-a", "ranks": 2, "aggregate_rate": 230.672, "min_rate": 107.143,
         "max_rate": 123.529},
        {"host": "node-b", "ranks": 3, "aggregate_rate": 3796000.909, "min_rate": 80,
         "max_rate": 3795830}])"));
    EXPECT_EQ(job.at("slowest_host"), "node-a");

    ASSERT_EQ(doc.at("failures").size(), 1u);
    EXPECT_EQ(doc.at("failures").at(0).at("line"), 16);

    // A rank without frames: nulls, never NaN (which JSON cannot hold).
    const nlohmann::json lanternis =
        nlohmann::json::parse(formatJson(fixtureReport("lanternis-job")));
    const nlohmann::json& rank3 = lanternis.at("ranks").at(2);
    EXPECT_TRUE(rank3.at("average_rate_per_s").is_null());
    EXPECT_TRUE(rank3.at("frame_time_s").is_null());
    EXPECT_EQ(lanternis.at("ranks").at(0).at("vertices_per_frame"), 16777216);
}

TEST(ReportFormats, TableAlignsTheRanksAndListsNotesAndFailures) {
    const std::vector<std::string> lines = linesOf(formatTable(fixtureReport("shardfall-job")));
    ASSERT_GE(lines.size(), 6u);
    EXPECT_TRUE(lines[0].starts_with("rank  host"));
    // Numbers right-aligned: the frames column ends at the same place in every row.
    const std::size_t framesEnd = lines[0].find("frames") + 6;
    for (std::size_t i = 1; i <= 5; ++i) {
        EXPECT_NE(lines[i][framesEnd - 1], ' ') << lines[i];
        EXPECT_EQ(lines[i][framesEnd], ' ') << lines[i];
    }
    const std::string text = formatTable(fixtureReport("shardfall-job"));
    for (const std::string piece :
         {"Job: shardfall, 5 ranks", "aggregate triangles/s", "slowest rank", "6 @ node-b",
          "rank 4 @ node-b: partial frame block at line 31 ignored",
          "job: job.json counts 8 processes; no results for rank 7",
          "Not reported:", ".txt:16: expected", "Hosts: 2",
          "slowest host  node-a  (lowest mean rate of its ranks)"})
        EXPECT_NE(text.find(piece), std::string::npos) << piece;
}
