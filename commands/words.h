#pragma once

#include "output.h"

#include "vordanel/calculation.h"

#include <cstdio>
#include <map>
#include <string>
#include <string_view>

// What every command says the same way: exit statuses, the note column, the keys of faults and
// entries, and the one-line reports on standard error.
namespace vordanel::cli {

// Exit statuses; a run over many rows exits with the worst of its rows.
enum Exit : int {
    Answer = 0,      // every calculation found its head
    NoSolution = 1,  // some bracket showed no sign change, or a flow has no head; nothing failed
    Failure = 2,     // a usage error, a bad entry, a fault of the formula, or output that was lost
};

// The shape of the curve, for --help.
inline constexpr const char* curveNote =
    "Without --min and --max the head is sought on the rising side of the discharge curve. By this formula\n"
    "a weir passes at most about 6.43 D^1.5 m^3/min, at a head of about 1.49 D: every smaller flow has two\n"
    "heads, one on each side of that peak, and a bracket spanning both answers with either (`head -d 100\n"
    "-q 40 --min 1 --max 250` gives 205.81 mm and names 47.1 mm, the rising-side head, as the other).";

// The machine-readable name of a fault (not_a_number, division_by_zero, invalid_argument,
// overflow), as notes and JSON give it.
const char* faultKey(Fault fault);
// The option name of an entry without its dashes (diameter, flow, min, max, head).
const char* inputKey(Input input);

int exitFor(const Calculation& c);

// "--min: division by zero", or without the entry where none can be told.
std::string faultText(Fault fault, std::optional<Input> input);
// The same on its own line of standard error, after "vordanel-cli: ".
void reportFault(std::FILE* err, Fault fault, std::optional<Input> input);
// The one line for output that did not reach its destination; returns Failure.
int lostOutput(std::FILE* err);
// Text as it is, to a stream (a flush or finish() tells whether it arrived).
void putText(std::FILE* file, std::string_view text);
// Flushes standard output; a failure there overrides the status.
int finish(std::FILE* out, std::FILE* err, int status);

// The note cell of a table or batch row: what the window would add to the numbers, then what the
// companion knows besides; several join with ';'. A fault's note is its key, followed by
// `:faultEntry` when one is given (a batch names the column at fault). A sheet headed in Japanese
// gets the same notes in the core's words (noteWords).
std::string noteOf(const Calculation& c, bool twoHeads, std::string_view faultEntry = {});
inline void putNote(Output& o, const Calculation& c, bool twoHeads, std::string_view faultEntry = {})
{
    o << noteOf(c, twoHeads, faultEntry);
}

// The rows of a table or a batch as they went: how many, how many failed (a fault, an empty entry,
// a malformed row) and how many have no answer (no head, or no flow), each by its reason, the key
// that leads its note. Standard error and the page tell these counts.
struct RowCounts {
    long long rows = 0, failed = 0, noAnswer = 0;
    std::map<std::string, long long> failedBy, noAnswerBy;  // reason key -> rows
    // The command went through its input and wrote every row: the counts are its last word. A run
    // that stopped on the way (its output lost, its input unreadable) made no result, whatever
    // rows it wrote before.
    bool whole = false;
    // Counts one row by its status (Failure or NoSolution) and the key of its reason.
    void count(int status, std::string_view reason);
    void count(const Calculation& c);
};
// The key that leads a calculation's note where it has no answer: the fault, empty_entry,
// no_solution or why the flow has no head; empty for an answer.
std::string_view reasonOf(const Calculation& c);
// One line for the rows without an answer and one for the failed ones, with how many and why:
// "vordanel-cli: batch: 2 row(s) without a head (above_peak: 1, no_solution: 1); see the note column".
// A table adds which entry its first failed row blames (firstFailure, as faultText words it).
void reportRows(std::FILE* err, std::string_view command, const RowCounts& counts, std::string_view missing = "a head",
                std::string_view firstFailure = {});

}  // namespace vordanel::cli
