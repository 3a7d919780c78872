// shardfall-workload: prints the fill path and the SHA-256 of the bytes that shardfall's frames
// read (the number buffer's first 67,108,864 bytes: the index list at its longest, and within
// it the 256 vertices), computed by the same fill with the same SHARDFALL_FILL_PATH rules.
// The launcher runs it beside every window rank so that job.json says what each one drew.
#include <openssl/evp.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "number_fill.h"

namespace {

constexpr std::int64_t drawnBytes = 67108864;

std::string sha256Hex(const void* data, std::size_t size) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(data, size, digest, &length, EVP_sha256(), nullptr) != 1) {
        return {};
    }
    static const char hexDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += hexDigits[digest[i] >> 4];
        hex += hexDigits[digest[i] & 0xF];
    }
    return hex;
}

}  // namespace

int main(int argc, char**) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: shardfall-workload   (no arguments; reads %s)\n",
                     FillPathVariable);
        return 2;
    }
    const FillPathChoice fill = chooseFillPath(std::getenv(FillPathVariable), fillPathSupported);
    if (!fill.warning.empty()) {
        std::fprintf(stderr, "shardfall-workload: %s\n", fill.warning.c_str());
    }
    // Left uninitialised, as the program's buffer is: the fill writes every element once.
    constexpr std::int64_t count = drawnBytes / sizeof(double);
    const auto numbers = std::make_unique_for_overwrite<double[]>(count);
    fillNumbers(numbers.get(), count, fill.path);
    const std::string digest = sha256Hex(numbers.get(), drawnBytes);
    if (digest.empty()) {
        std::fprintf(stderr, "shardfall-workload: SHA-256 is not available\n");
        return 1;
    }
    std::printf("fill_path %s\nworkload_digest %s\n", std::string(fillPathName(fill.path)).c_str(),
                digest.c_str());
    return 0;
}
