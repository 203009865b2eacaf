#include "vordanel/record_words.h"

#include "vordanel/calculation.h"
#include "vordanel/catalogue.h"
#include "vordanel/numtext.h"

#include <string>

namespace vordanel::words {

std::string seriesNoColumns(std::string_view found)
{
    return word(Word::series_no_columns, {found.empty() ? word(Word::series_empty) : word(Word::series_first_row, {found})});
}

std::string seriesReadFailed(long long line) { return word(Word::series_read_failed, {std::to_string(line)}); }

std::string seriesTooLong(long long line, std::string_view at, std::string_view first, long long days)
{
    return word(Word::series_too_long, {std::to_string(line), at, first, std::to_string(days)});
}

std::string seriesBadDayStart(std::string_view text) { return word(Word::series_bad_day_start, {text}); }

const char* seriesBadMaxGap() { return word(Word::series_bad_max_gap); }

std::string dailyCaption(std::string_view key, FlowUnit unit)
{
    const std::string u = names(unit).key, flow = flowCaption(unit);
    if (key == "day") return word(Word::daily_day);
    if (key == "start") return word(Word::daily_start);
    if (key == "volume_m3") return word(Word::daily_volume);
    if (key == "volume_uncertainty_m3") return word(Word::daily_volume_u);
    if (key == "max_flow_" + u) return word(Word::daily_max, {flow});
    if (key == "max_at") return word(Word::daily_max_at);
    if (key == "min_flow_" + u) return word(Word::daily_min, {flow});
    if (key == "mean_flow_" + u) return word(Word::daily_mean, {flow});
    if (key == "readings") return word(Word::daily_readings);
    if (key == "covered_h") return word(Word::daily_covered);
    if (key == "missing_h") return word(Word::daily_missing);
    if (key == "notes") return std::string(noteCaption());
    return {};
}

const char* dailyTotal() { return word(Word::daily_total); }
const char* dailyComplete() { return word(Word::daily_complete); }

std::string recordRules(std::string_view dayStart, double maxGapMinutes, bool defaulted, double head, double zero, double coefficient)
{
    std::string rules = word(Word::record_rules, {dayStart, displayText(maxGapMinutes), defaulted ? word(Word::record_gap_default) : ""});
    if (head > 0 || zero > 0 || coefficient > 0)
        rules += word(Word::record_uncertainty, {displayText(head), displayText(zero), displayText(coefficient)});
    return rules;
}

std::string recordSummary(std::string_view file, long long days, long long readings, double seconds)
{
    return word(Word::record_summary, {file, std::to_string(days), std::to_string(readings), roundedText(seconds, 2)});
}

std::string volumeAxis() { return word(Word::daily_volume); }
const char* recordStale() { return word(Word::record_stale); }

}  // namespace vordanel::words
