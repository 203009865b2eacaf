#pragma once

// The companion's commands, each an options struct and a function that writes to streams, and
// run(), which parses a command line into one of them.
#include "batch.h"
#include "flow.h"
#include "gauge.h"
#include "head.h"
#include "table.h"
#include "words.h"

#include <cstdio>
#include <string>
#include <vector>

namespace vordanel::cli {

// The whole command line (argv[0] first), parsed and run; what a process would print goes to
// out and err, what it would read comes from in.
int run(const std::vector<std::string>& args, std::FILE* in, std::FILE* out, std::FILE* err);

}  // namespace vordanel::cli
