#include "words.h"

#include "vordanel/numtext.h"

#include <algorithm>
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
    if (!input) return describe(fault);
    std::string option = std::string("--") + inputKey(*input);  // gauge_zero is --gauge-zero
    std::replace(option.begin(), option.end(), '_', '-');
    return option + ": " + describe(fault);
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

void putText(std::FILE* file, std::string_view text) { std::fwrite(text.data(), 1, text.size(), file); }

int finish(std::FILE* out, std::FILE* err, int status)
{
    if (std::fflush(out) != 0 || std::ferror(out)) return lostOutput(err);
    return status;
}

std::string_view reasonOf(const Calculation& c)
{
    switch (c.outcome) {
    case Calculation::Outcome::Incomplete:
        return names(Note::EmptyEntry).key;
    case Calculation::Outcome::Converged:
        return {};
    case Calculation::Outcome::NoSolution:
        return c.noHead ? names(*c.noHead).key : names(Note::NoSolution).key;
    case Calculation::Outcome::Fault:
        return faultKey(c.fault);
    }
    return {};
}

std::string noteOf(const Calculation& c, bool twoHeads, std::string_view faultEntry)
{
    std::string note;
    const auto add = [&](std::string_view key) {
        if (!note.empty()) note += ';';
        note += key;
    };
    switch (c.outcome) {
    case Calculation::Outcome::Incomplete:
        add(names(Note::EmptyEntry).key);
        break;
    case Calculation::Outcome::Converged:
        if (c.aboveWeir) add(names(Note::AboveWeir).key);
        if (!c.search.toleranceMet) add(names(Note::Stalled).key);
        break;
    case Calculation::Outcome::NoSolution:
        add(c.noHead ? names(*c.noHead).key : names(Note::NoSolution).key);
        break;
    case Calculation::Outcome::Fault:
        add(faultKey(c.fault));
        if (!faultEntry.empty()) note.append(":").append(faultEntry);
        break;
    }
    if (twoHeads) add(names(Note::TwoHeads).key);
    return note;
}

void RowCounts::count(int status, std::string_view reason)
{
    ++rows;
    if (status == Answer) return;
    if (status == Failure) ++failed, ++failedBy[std::string(reason)];
    else ++noAnswer, ++noAnswerBy[std::string(reason)];
}

void RowCounts::count(const Calculation& c) { count(exitFor(c), reasonOf(c)); }

void reportRows(std::FILE* err, std::string_view command, const RowCounts& counts, std::string_view missing,
                std::string_view firstFailure)
{
    // "2 row(s) failed (division_by_zero: 1, not_a_number: 1)", the reasons in the order of their keys.
    const auto line = [&](long long howMany, const std::string& what, const std::map<std::string, long long>& by,
                          std::string_view first) {
        if (howMany == 0) return;
        std::string why;
        for (const auto& [reason, n] : by) why += (why.empty() ? "" : ", ") + reason + ": " + std::to_string(n);
        const std::string blame = first.empty() ? std::string() : ", the first with " + std::string(first);
        std::fprintf(err, "vordanel-cli: %.*s: %lld row(s) %s (%s)%s; see the note column\n",
                     static_cast<int>(command.size()), command.data(), howMany, what.c_str(), why.c_str(), blame.c_str());
    };
    line(counts.noAnswer, "without " + std::string(missing), counts.noAnswerBy, {});
    line(counts.failed, "failed", counts.failedBy, firstFailure);
}

}  // namespace vordanel::cli
