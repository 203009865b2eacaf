#include "words.h"

#include "vordanel/numtext.h"

#include <cerrno>
#include <cmath>
#include <cstring>

namespace vordanel::cli {

const char* faultKey(Fault fault) { return names(fault).key; }
const char* inputKey(Input input) { return names(input).key; }

int exitFor(const Calculation& c)
{
    switch (c.outcome) {
    case Calculation::Outcome::Converged:
        return Answer;
    case Calculation::Outcome::NoSolution:
        return NoSolution;
    default:
        return Failure;
    }
}

std::string faultText(Fault fault, std::optional<Input> input)
{
    return input ? std::string("--") + inputKey(*input) + ": " + describe(fault) : describe(fault);
}

void reportFault(std::FILE* err, Fault fault, std::optional<Input> input)
{
    std::fprintf(err, "vordanel-cli: %s\n", faultText(fault, input).c_str());
}

int lostOutput(std::FILE* err)
{
    std::fprintf(err, "vordanel-cli: the output could not be written: %s\n", std::strerror(errno ? errno : EIO));
    return Failure;
}

int finish(std::FILE* out, std::FILE* err, int status)
{
    if (std::fflush(out) != 0 || std::ferror(out)) return lostOutput(err);
    return status;
}

void putNote(Output& o, const Calculation& c, bool twoHeads, std::string_view faultEntry)
{
    bool any = false;
    const auto add = [&](std::string_view note) {
        if (any) o << ';';
        o << note;
        any = true;
    };
    switch (c.outcome) {
    case Calculation::Outcome::Incomplete:
        add("empty_entry");
        break;
    case Calculation::Outcome::Converged:
        if (c.aboveWeir) add("above_weir");
        if (!c.search.toleranceMet) add("stalled");
        break;
    case Calculation::Outcome::NoSolution:
        add("no_solution");
        break;
    case Calculation::Outcome::Fault:
        add(faultKey(c.fault));
        if (!faultEntry.empty()) o << ':' << faultEntry;
        break;
    }
    if (twoHeads) add("two_heads");
}

}  // namespace vordanel::cli
