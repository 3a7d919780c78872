#include "job_metadata.h"

#include <climits>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <system_error>

namespace {

std::optional<int> intOf(const nlohmann::json& value) {
    if (!value.is_number_integer()) return std::nullopt;
    if (value.is_number_unsigned()) {
        const auto v = value.get<std::uint64_t>();
        if (v > static_cast<std::uint64_t>(INT_MAX)) return std::nullopt;
        return static_cast<int>(v);
    }
    const auto v = value.get<std::int64_t>();
    if (v < INT_MIN || v > INT_MAX) return std::nullopt;
    return static_cast<int>(v);
}

}  // namespace

JobMetadataOutcome parseJobJson(std::string_view text) {
    JobMetadataOutcome out;
    nlohmann::json doc;
    try {
        doc = nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception& e) {
        out.warnings.push_back(std::string("job.json is not valid JSON: ") + e.what());
        return out;
    }
    if (!doc.is_object()) {
        out.warnings.push_back("job.json is not a JSON object");
        return out;
    }
    if (const auto version = doc.find("schema_version");
        version == doc.end() || !version->is_number_integer() || *version != 1) {
        out.warnings.push_back("job.json: schema_version is not 1; reading it anyway");
    }
    if (const auto program = doc.find("program"); program != doc.end() && program->is_string())
        out.metadata.program = program->get<std::string>();
    if (const auto ranks = doc.find("ranks"); ranks != doc.end()) {
        out.metadata.ranks = intOf(*ranks);
        if (!out.metadata.ranks) out.warnings.push_back("job.json: \"ranks\" is not an integer");
    }
    const auto displays = doc.find("displays");
    if (displays == doc.end()) return out;
    if (!displays->is_array()) {
        out.warnings.push_back("job.json: \"displays\" is not an array");
        return out;
    }
    std::size_t index = 0;
    for (const nlohmann::json& entry : *displays) {
        const std::string where = "job.json: displays[" + std::to_string(index++) + "]";
        if (!entry.is_object()) {
            out.warnings.push_back(where + " is not an object");
            continue;
        }
        const auto rank = entry.find("rank");
        const std::optional<int> rankValue = rank == entry.end() ? std::nullopt : intOf(*rank);
        if (!rankValue) {
            out.warnings.push_back(where + " has no integer \"rank\"");
            continue;
        }
        DisplayInfo display;
        display.rank = *rankValue;
        if (const auto host = entry.find("host"); host != entry.end() && host->is_string())
            display.host = host->get<std::string>();
        const std::pair<const char*, std::string*> texts[] = {
            {"gl_renderer", &display.glRenderer},
            {"gl_vendor", &display.glVendor},
            {"gl_version", &display.glVersion},
            {"fill_path", &display.fillPath},
            {"workload_digest", &display.workloadDigest}};
        for (const auto& [key, field] : texts) {
            if (const auto value = entry.find(key); value != entry.end() && value->is_string())
                *field = value->get<std::string>();
        }
        out.metadata.displays.push_back(std::move(display));
    }
    return out;
}

std::optional<JobMetadataOutcome> readJobJson(const std::filesystem::path& dir) {
    const std::filesystem::path path = dir / "job.json";
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        JobMetadataOutcome out;
        out.warnings.push_back(path.string() + ": cannot be read");
        return out;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    JobMetadataOutcome out = parseJobJson(text);
    for (std::string& warning : out.warnings) {
        if (warning.starts_with("job.json")) warning.replace(0, 8, path.string());
    }
    return out;
}

const DisplayInfo* displayOf(const JobMetadata& metadata, int rank) {
    for (const DisplayInfo& display : metadata.displays) {
        if (display.rank == rank) return &display;
    }
    return nullptr;
}

std::optional<std::string> rendererOf(const JobMetadata& metadata, int rank) {
    const DisplayInfo* display = displayOf(metadata, rank);
    if (display == nullptr || display->glRenderer.empty()) return std::nullopt;
    return display->glRenderer;
}
