// Runs arbitrary bytes through `vordanel-cli series` as a logger's file, per reading and by day,
// and checks what it promises whatever the file: a status of 0, 1 or 2 that agrees with what
// standard error tells; per reading, one output record for every input record but blank lines,
// the byte-order mark as it came; by day, JSON that closes, and days whose hours add up.
#include "captured.h"
#include "series.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

using vordanel::fuzz::Captured;
using vordanel::fuzz::require;

constexpr std::size_t maxInput = 16 * 1024;

struct Pass {
    int status;
    std::string out, err;
};
Pass series(std::string_view file, vordanel::cli::SeriesOptions options)
{
    // A scratch file, as a file named on the command line is: seekable, read twice for the days.
    std::FILE* in = std::tmpfile();
    require(in != nullptr, "the input opens");
    std::fwrite(file.data(), 1, file.size(), in);
    std::rewind(in);
    Captured out, err;
    Pass pass;
    pass.status = vordanel::cli::series(options, in, out.file, err.file);
    std::fclose(in);
    pass.out = out.close();
    pass.err = err.close();
    return pass;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > maxInput) return 0;
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    vordanel::cli::SeriesOptions options;
    options.diameter = "100";
    options.gaugeZero = size > 0 && data[0] % 2 ? "100" : "";
    options.headUncertainty = 1;

    const Pass rows = series(file, options);
    require(rows.status >= 0 && rows.status <= 2, "the status is 0, 1 or 2");
    const bool toldNoFlow = rows.err.find("without a flow") != std::string::npos;
    if (rows.status == 1) require(toldNoFlow, "status 1 is told on standard error");
    if (rows.status == 0) require(rows.err.empty(), "status 0 tells nothing");
    require(rows.out.starts_with("\xEF\xBB\xBF") == file.starts_with("\xEF\xBB\xBF") || rows.out.empty(),
            "the byte-order mark comes back as it came");

    options.daily = true;
    options.json = true;
    const Pass days = series(file, options);
    const bool century = days.err.find("is more than 36525 days after") != std::string::npos;
    require(days.status == rows.status || (century && days.status == 2), "by day the status is the one per reading");
    if (days.status != 2 && !century) {
        require(days.out.starts_with("{\"unit\":") && days.out.ends_with("}}\n"), "the days' JSON is whole");
        // Every day put out is 24 hours, covered or missing. The total follows the days; found once,
        // since a file may span a century of days.
        const auto totalAt = days.out.find("\"total\":");
        for (std::size_t at = days.out.find("\"covered_h\":"); at != std::string::npos; at = days.out.find("\"covered_h\":", at + 1)) {
            const double covered = std::strtod(days.out.c_str() + at + 12, nullptr);
            const auto missingAt = days.out.find("\"missing_h\":", at);
            require(missingAt != std::string::npos, "a day says its missing hours");
            const double missing = std::strtod(days.out.c_str() + missingAt + 12, nullptr);
            const bool total = totalAt < at;
            require(covered >= 0 && missing >= -1e-9, "no hours below zero");
            if (!total) require(std::abs(covered + missing - 24) < 1e-6, "a day's hours add up to 24");
        }
    }
    return 0;
}
