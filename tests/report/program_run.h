// Running the benchreport program in the report's tests: exit status, stdout and stderr.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string quotedArg(const std::string& arg) {
    std::string out = "'";
    for (char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// One folder per test in the build tree, so that what a failed test left stays to be seen.
inline fs::path scratch() {
    const fs::path dir =
        fs::path(SCRATCH_DIR) / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(dir);
    return dir;
}

inline ProgramRun benchreport(const std::vector<std::string>& args, const std::string& environment = "") {
    const fs::path dir = scratch();
    std::string command = environment + " " + quotedArg(BENCHREPORT_PATH);
    for (const std::string& arg : args) command += " " + quotedArg(arg);
    command += " >" + quotedArg((dir / "out").string()) + " 2>" + quotedArg((dir / "err").string());
    ProgramRun run;
    const int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = readAll(dir / "out");
    run.err = readAll(dir / "err");
    return run;
}

inline bool contains(const std::string& text, const std::string& piece) {
    return text.find(piece) != std::string::npos;
}
