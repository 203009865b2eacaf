#include "vordanel/record_words.h"

#include "vordanel/calculation.h"
#include "vordanel/numtext.h"

#include <string>

namespace vordanel::words {

std::string seriesNoColumns(std::string_view found)
{
    return "時刻の列 (日時、または日付と時刻) と水位の列 (水位(mm)・水位(cm)・水位(m)、または越流高さ(mm)) を名付ける行がありません。"
           + std::string(found.empty() ? "ファイルが空です。" : "1 行目の列: " + std::string(found) + "。")
           + "列名は「時刻の列」「水位の列」で指定できます。";
}

std::string seriesReadFailed(long long line) { return "ファイルを " + std::to_string(line) + " 行目の後で読めなくなりました。"; }

std::string seriesTooLong(long long line, std::string_view at, std::string_view first, long long days)
{
    return std::to_string(line) + " 行目、時刻の列: " + std::string(at) + " は流量のある最初の読み (" + std::string(first) + ") から "
           + std::to_string(days) + " 日より後です。年の誤りではありませんか。";
}

std::string seriesBadDayStart(std::string_view text)
{
    return "日の始まり: 「" + std::string(text) + "」は HH:MM の時刻ではありません。";
}

const char* seriesBadMaxGap() { return "つなぐ最大の間隔: 0 分より大きい数を入力して下さい。"; }

std::string dailyCaption(std::string_view key, FlowUnit unit)
{
    const std::string u = names(unit).key;
    if (key == "day") return "日";
    if (key == "start") return "開始";
    if (key == "volume_m3") return "日量(m³)";
    if (key == "volume_uncertainty_m3") return "日量の不確かさ(m³)";
    if (key == "max_flow_" + u) return "最大" + flowCaption(unit);
    if (key == "max_at") return "最大の時刻";
    if (key == "min_flow_" + u) return "最小" + flowCaption(unit);
    if (key == "mean_flow_" + u) return "平均" + flowCaption(unit);
    if (key == "readings") return "読み数";
    if (key == "covered_h") return "記録(時間)";
    if (key == "missing_h") return "欠測(時間)";
    if (key == "notes") return "注記";
    return {};
}

const char* dailyTotal() { return "合計"; }
const char* dailyComplete() { return "欠測・注記なし"; }

std::string recordRules(std::string_view dayStart, double maxGapMinutes, bool defaulted, double head, double zero, double coefficient)
{
    std::string rules = "1 日は " + std::string(dayStart) + " から翌日の " + std::string(dayStart) + " まで。流量のある読みの間が "
                        + displayText(maxGapMinutes) + " 分" + (defaulted ? " (最も多い間隔の 2 倍)" : "")
                        + "を超えるところは欠測とし、補いません。日量は読みの間の台形で積み、日の境では両側の読みを結ぶ直線の流量をとります。";
    if (head > 0 || zero > 0 || coefficient > 0) {
        rules += "不確かさ (拡張): 読み ±" + displayText(head) + " mm、零点 ±" + displayText(zero) + " mm、係数 ±" + displayText(coefficient)
                 + " %。";
    }
    return rules;
}

std::string recordSummary(std::string_view file, long long days, long long readings, double seconds)
{
    return std::string(file) + ": " + std::to_string(days) + " 日、流量のある読み " + std::to_string(readings) + " 件 ("
           + roundedText(seconds, 2) + " 秒)";
}

std::string volumeAxis() { return "日量(m³)"; }
const char* recordStale() { return "設定が変わりました。表示は前の設定での記録です (計算し直しています)。"; }

}  // namespace vordanel::words
