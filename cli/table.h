#pragma once

#include "head.h"

#include <cstdio>
#include <optional>
#include <string>

namespace vordanel::cli {

struct TableOptions {
    std::string diameter;
    std::optional<Bracket> bracket;
    std::string flows;  // FROM:TO:STEP, L/min
};

// A rating table for one weir: one CSV row per flow of FROM:TO:STEP (L/min).
int table(const TableOptions& options, std::FILE* out, std::FILE* err);
void addTableOptions(CLI::App& command, TableOptions& options);

}  // namespace vordanel::cli
