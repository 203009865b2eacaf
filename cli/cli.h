#pragma once

// The command line: run() parses argv into one command's options struct (options.h) and runs that
// command (commands/) on the streams it is given. The process (main.cpp) and the page's workers
// (web/glue/glue_commands.cpp) both go through it, so that the page's commands are the companion's.
#include "batch.h"
#include "series.h"
#include "table.h"
#include "words.h"

#include <cstdio>
#include <string>
#include <vector>

namespace vordanel::cli {

// What the last command went through, for a front end that shows it in its own words (the page):
// the command's name, and a table's or a batch's report.
struct Reports {
    std::string command;
    TableReport table;
    BatchCount batch;
    SeriesReport series;  // its onReading outlives run()'s reset: the front end sets it once
    std::string refusal;  // a command line that could not be parsed, in Japanese
};

// The whole command line (argv[0] first), parsed and run; what a process would print goes to
// out and err, what it would read comes from in; `reports`, where given, is filled in.
int run(const std::vector<std::string>& args, std::FILE* in, std::FILE* out, std::FILE* err, Reports* reports = nullptr);

}  // namespace vordanel::cli
