// Picks the fill path for the processor and runs it; the loop itself is number_fill_kernel.cpp.
#include "number_fill.h"

#include <cmath>

#include "number_fill_kernel.h"

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

// A fresh buffer's pages are mapped in at the first write to each. Asking for the whole range
// at once costs the kernel less than one fault per page; where the request is unknown (older
// kernels) the writes fault the pages in as before.
void mapInForWriting(double* numbers, std::int64_t count) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(numbers);
    const auto end = begin + static_cast<std::uintptr_t>(count) * sizeof(double);
    const std::uintptr_t first = (begin + page - 1) / page * page;
    const std::uintptr_t last = end / page * page;
    if (first < last) {
        madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
    }
#else
    (void)numbers;
    (void)count;
#endif
}

}  // namespace

bool fillPathSupported(FillPath path) {
    switch (path) {
    case FillPath::Portable:
        return true;
#if NUMBER_FILL_X86_PATHS
    case FillPath::Avx512:
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f");
    case FillPath::Avx2:
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2");
    case FillPath::Sse2:
        return true;
#else
    case FillPath::Avx512:
    case FillPath::Avx2:
    case FillPath::Sse2:
        return false;
#endif
    }
    return false;
}

FillPath bestFillPath() {
    static const FillPath best = chooseFillPath(nullptr, fillPathSupported).path;
    return best;
}

std::string_view fillPathName(FillPath path) {
    switch (path) {
    case FillPath::Avx512: return "avx512";
    case FillPath::Avx2: return "avx2";
    case FillPath::Sse2: return "sse2";
    case FillPath::Portable: return "portable";
    }
    return "unknown";
}

std::optional<FillPath> fillPathNamed(std::string_view name) {
    for (FillPath path : allFillPaths) {
        if (fillPathName(path) == name) {
            return path;
        }
    }
    return std::nullopt;
}

void fillNumbers(double* numbers, std::int64_t count, FillPath path) {
    if (count <= 0) {
        return;
    }
    mapInForWriting(numbers, count);
    switch (path) {
#if NUMBER_FILL_X86_PATHS
    case FillPath::Avx512: fillNumbersAvx512(numbers, count); return;
    case FillPath::Avx2: fillNumbersAvx2(numbers, count); return;
    case FillPath::Sse2: fillNumbersSse2(numbers, count); return;
#endif
    default: fillNumbersPortable(numbers, count); return;
    }
}

void fillNumbersCLibrary(double* numbers, std::int64_t count) {
    for (std::int64_t i = 0; i < count; ++i) {
        const double x = static_cast<double>(i);
        numbers[i] = (std::sin(x) + std::cos(x)) * std::tan(x);
    }
}

FillPathChoice chooseFillPath(const char* requested, bool (*supported)(FillPath)) {
    FillPath best = FillPath::Portable;
    for (FillPath path : allFillPaths) {
        if (supported(path)) {
            best = path;
            break;
        }
    }
    if (requested == nullptr || *requested == '\0') {
        return {best, {}};
    }
    const std::optional<FillPath> named = fillPathNamed(requested);
    if (named && supported(*named)) {
        return {*named, {}};
    }
    std::string accepted;
    for (FillPath path : allFillPaths) {
        accepted += accepted.empty() ? "" : ", ";
        accepted += fillPathName(path);
    }
    return {best, std::string(FillPathVariable) + "=" + requested +
                      (named ? " cannot run on this processor" : " names no fill path") +
                      " (accepted: " + accepted + "); using " + std::string(fillPathName(best))};
}
