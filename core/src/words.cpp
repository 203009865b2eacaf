#include "vordanel/words.h"

#include "vordanel/numtext.h"

#include <cmath>

namespace vordanel::words {

namespace {

std::string joined(const std::vector<std::string>& pieces, std::string_view between)
{
    std::string text;
    for (const std::string& piece : pieces) text += (text.empty() ? "" : std::string(between)) + piece;
    return text;
}

}  // namespace

const char* side(bool rising) { return rising ? "上昇側" : "下降側"; }

const char* outOfMemory() { return "メモリが足りなくなり、最後まで計算できませんでした。途中までの結果は使えません。"; }

std::string fault(Fault fault, std::optional<Input> input)
{
    return input ? std::string(names(*input).caption) + ": " + userMessage(fault) : std::string(userMessage(fault));
}

std::string entriesNeeded(const std::vector<Input>& empty)
{
    std::vector<std::string> captions;
    for (const Input input : empty) captions.emplace_back(names(input).caption);
    return joined(captions, "、") + " が空です。入れてから計算を押してください。";
}

std::string answer(const Calculation& c)
{
    switch (c.outcome) {
    case Calculation::Outcome::Converged: {
        std::string said = std::string(headCaption()) + " " + displayText(c.headMillimetres) + "、"
                           + std::string(trialsCaption()) + " " + std::to_string(c.search.trialCount) + "。";
        if (c.aboveWeir) said += std::string(" ") + names(Note::AboveWeir).japanese;
        return said;
    }
    case Calculation::Outcome::NoSolution:
        return names(Note::NoSolution).japanese;
    case Calculation::Outcome::Fault:
        return fault(c.fault, c.faultInput);
    case Calculation::Outcome::Incomplete:
        break;
    }
    return "";
}

std::string risingHead(const Calculation& rising, const Curve& curve, FlowUnit unit, bool flowGiven)
{
    if (!flowGiven) return flowCaption(FlowUnit::LitresPerMinute) + "を入れてください";
    switch (rising.outcome) {
    case Calculation::Outcome::Converged:
        return displayText(rising.headMillimetres) + " mm（" + std::string(trialsCaption()) + " " + std::to_string(rising.search.trialCount) + "）"
               + (rising.aboveWeir ? std::string(" ") + names(Note::AboveWeir).japanese : "");
    case Calculation::Outcome::NoSolution: {
        const NoHead why = rising.noHead.value_or(whyNoHead(curve, rising.Q));
        std::string said = std::string("なし: ") + names(why).japanese;
        if (why == NoHead::AbovePeak)
            said += "(最大流量 " + flowText(toLitresPerMinute(curve.peakFlow), unit) + " " + names(unit).symbol + ")";
        return said;
    }
    case Calculation::Outcome::Fault:
        return fault(rising.fault, rising.faultInput);
    case Calculation::Outcome::Incomplete:
        break;
    }
    return "—";
}

std::string otherHead(const OtherHead& other, const Calculation& c, const Curve& curve)
{
    const bool answerRising = !other.onRisingSide;
    return displayText(other.headMillimetres) + " mm（" + side(other.onRisingSide) + "）— 窓の答え " + displayText(c.headMillimetres)
           + " mm は曲線の" + side(answerRising) + "、最大流量の越流高さ " + hundredthsText(curve.peakHead * 1000) + " mm より"
           + (answerRising ? "下" : "上") + "にあります。" + (answerRising ? "" : "ふつう求めるのは上昇側の越流高さです。");
}

std::string flowAtHead(const Discharge& d, const std::string& flowText, FlowUnit unit)
{
    if (d.fault) return fault(*d.fault, d.faultInput);
    if (d.beyondZero) return std::string("流量なし: ") + names(Note::NoFlow).japanese;
    return "流量 " + flowText + " " + names(unit).symbol + "（" + side(!d.fallingSide) + "）"
           + (d.fallingSide ? std::string(" ") + names(Note::FallingSide).japanese : "")
           + (d.aboveWeir ? std::string(" ") + names(Note::AboveWeir).japanese : "");
}

std::string gaugeJoin(const GaugeJoin& join)
{
    return "◆" + std::to_string(join.number) + " " + displayText(join.reading) + " mm";
}

const char* gaugeCut() { return "切り取り線"; }

std::string gaugePrintNote()
{
    return "倍率 100 % で印刷してください(ページに合わせない)。各ページを" + std::string(gaugeCut())
           + "で切り、上のページの下端を次のページの上端に " + displayText(gaugeOverlap)
           + " mm 重ねて、同じ番号と読みの ◆ の線がぴったり重なるように貼り合わせます。";
}

std::string cardSpread(double spread)
{
    return "隣の行との流量の差は " + displayText(std::round(spread * 1000) / 10) + " % 以内か、最大の流量の "
           + displayText(std::round(spread * 100) / 10) + " % 以内(1 mm ごとの行を除く)。読みは 1 mm 単位です。";
}

}  // namespace vordanel::words
