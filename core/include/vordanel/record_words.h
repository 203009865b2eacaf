#pragma once

#include "vordanel/series.h"
#include "vordanel/units.h"

#include <string>
#include <string_view>

// The words of the operator's record as the Japanese front ends show it: why a logger's file gave
// no record, the days' captions and the rules a record was made by (UTF-8).
namespace vordanel::words {

// Why a logger's file gave no days, naming the row and the column where the fault is one.
std::string seriesNoColumns(std::string_view found);            // the cells of the file's first row, or empty
std::string seriesReadFailed(long long line);                   // the input stopped after this line
std::string seriesTooLong(long long line, std::string_view at, std::string_view first, long long days);
std::string seriesBadDayStart(std::string_view text);
const char* seriesBadMaxGap();
// The caption of a column of `series --daily` (day, volume_m3, max_flow_lpm, ...); empty for one
// it does not know.
std::string dailyCaption(std::string_view key, FlowUnit unit);
const char* dailyTotal();       // 合計, the total's row
const char* dailyComplete();    // 欠測・注記なし, a day whole and clean, said beside its notes
// The rules a record was made by, in one sentence: the day's start, the gap bridged (and whether
// it is the default), and the uncertainties given (mm, mm, percent; 0: not given).
std::string recordRules(std::string_view dayStart, double maxGapMinutes, bool defaulted, double head, double zero, double coefficient);
// What a record holds: its days, readings and how long it took.
std::string recordSummary(std::string_view file, long long days, long long readings, double seconds);
std::string volumeAxis();       // 日量(m³)
const char* recordStale();      // a record shown while the one for the inputs on screen is made

}  // namespace vordanel::words
