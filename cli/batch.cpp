// The options of `vordanel-cli batch` and its help, filling the command's options struct.
#include "batch.h"
#include "options.h"

#include "vordanel/units.h"

#include "csv.h"
#include "words.h"
#include "vordanel/calculation.h"
#include "vordanel/catalogue.h"
#include "vordanel/numtext.h"
#include "vordanel/search.h"

#include <CLI/CLI.hpp>

namespace vordanel::cli {

void addBatchOptions(CLI::App& command, BatchOptions& options)
{
    command.add_option("file", options.file, "CSV file; standard input when absent or -");
    command.add_option("-o,--output", options.output, "the result file, replaced whole once the batch is done (default:\n"
                                                       "standard output); never the input itself");
    command.add_option_function<std::string>(
               "--separator",
               [&options](const std::string& value) { options.separator = value == "tab" ? '\t' : value.at(0); },
               "field separator: ',', ';' or tab (default: the one that splits one of the first lines most)")
        ->check(CLI::IsMember({",", ";", "tab"}));
    command.add_option_function<std::string>(
               "--decimal", [&options](const std::string& value) { options.decimal = value.at(0); },
               "decimal separator of the entries and results: '.' or ',' (default: '.' in a ','-separated file,\n"
               "else the one the first rows show, ',' for ';' and '.' for tab when they show none)")
        ->check(CLI::IsMember({".", ","}));
    const auto caption = [](Input input) { return std::string(names(input).caption); };
    command.footer("Examples:\n"
                   "  $ printf 'diameter_mm,flow_lpm,min_mm,max_mm\\n100,40,1,99\\n0,40,1,99\\n' | vordanel-cli batch\n"
                   "  diameter_mm,flow_lpm,min_mm,max_mm,head_mm,trials,note\n"
                   "  100,40,1,99,47.1,12,\n"
                   "  0,40,1,99,,,division_by_zero:diameter_mm\n"
                   "  $ printf 'diameter_mm,flow_m3h\\n100,2.4\\n' | vordanel-cli batch\n"
                   "  diameter_mm,flow_m3h,head_mm,trials,note\n"
                   "  100,2.4,47.1,11,\n"
                   "A header row names the columns, in any order: diameter_mm, flow_lpm (or flow_lps, flow_m3s,\n"
                   "flow_m3min, flow_m3h, flow_m3d for a flow in L/s, m3/s, m3/min, m3/h, m3/d), and min_mm, max_mm\n"
                   "or neither; or the window's captions " + caption(Input::Diameter) + ", " + caption(Input::Flow)
                   + " (or another unit in the parentheses),\n" + caption(Input::Min) + ", " + caption(Input::Max)
                   + ": such a sheet gets its results under " + caption(Input::Head) + ",\n" + std::string(trialsCaption())
                   + " and " + std::string(noteCaption()) + ", with notes in Japanese words. Other columns pass through in their place, and\n"
                   "the result columns, when the file already has them, are refreshed in place. Title lines above\n"
                   "the header pass through as they came. Without a header the first columns are the entries; a row\n"
                   "shorter than the header has its missing cells empty. Rows without a bracket (two columns, or both bracket cells blank)\n"
                   "are solved on the rising side. The file comes back as it came: its separators, byte-order mark,\n"
                   "line ends and quoted cells; a cell that holds the separator, a quote or a line break is quoted.\n"
                   "A failed row is noted and the rest go on; a fault's note names its column, as in\n"
                   "not_a_number:flow_lpm. Rows without a head and failed rows are counted, by reason, on standard\n"
                   "error. Entries are never read with digit grouping: 1,200 in a file of decimal points is not a\n"
                   "number. A sheet without a byte-order mark whose header is not UTF-8 but Shift_JIS (CP932, as\n"
                   "Japanese Excel saves plain CSV) is read so, and its result written in Shift_JIS too.\n"
                   "A record may hold " + describe(CsvLimits()) + ": one over a cap is noted\n"
                   "oversized_row, its line told on standard error, and reading goes on at the next line.");
}

}  // namespace vordanel::cli
