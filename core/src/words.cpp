#include "vordanel/words.h"

#include "vordanel/catalogue.h"
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

const char* side(bool rising) { return word(rising ? Word::side_rising : Word::side_falling); }

const char* outOfMemory() { return word(Word::out_of_memory); }

std::string fault(Fault fault, std::optional<Input> input)
{
    return input ? std::string(names(*input).caption) + ": " + userMessage(fault) : std::string(userMessage(fault));
}

std::string entriesNeeded(const std::vector<Input>& empty)
{
    std::vector<std::string> captions;
    for (const Input input : empty) captions.emplace_back(names(input).caption);
    return word(Word::entries_needed, {joined(captions, word(Word::list_separator))});
}

std::string answer(const Calculation& c)
{
    switch (c.outcome) {
    case Calculation::Outcome::Converged: {
        std::string said = word(Word::answer_said, {headCaption(), displayText(c.headMillimetres), trialsCaption(),
                                                    std::to_string(c.search.trialCount)});
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
    if (!flowGiven) return word(Word::rising_needs_flow, {flowCaption(FlowUnit::LitresPerMinute)});
    switch (rising.outcome) {
    case Calculation::Outcome::Converged:
        return word(Word::rising_head, {displayText(rising.headMillimetres), trialsCaption(), std::to_string(rising.search.trialCount)})
               + (rising.aboveWeir ? std::string(" ") + names(Note::AboveWeir).japanese : "");
    case Calculation::Outcome::NoSolution: {
        const NoHead why = rising.noHead.value_or(whyNoHead(curve, rising.Q));
        std::string said = word(Word::rising_none, {names(why).japanese});
        if (why == NoHead::AbovePeak)
            said += word(Word::rising_none_peak, {flowText(toLitresPerMinute(curve.peakFlow), unit), names(unit).symbol});
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
    return word(Word::other_head, {displayText(other.headMillimetres), side(other.onRisingSide), displayText(c.headMillimetres),
                                   side(answerRising), hundredthsText(curve.peakHead * 1000),
                                   word(answerRising ? Word::other_head_below : Word::other_head_above)})
           + (answerRising ? "" : word(Word::other_head_usual));
}

std::string flowAtHead(const Discharge& d, const std::string& flowText, FlowUnit unit)
{
    if (d.fault) return fault(*d.fault, d.faultInput);
    if (d.beyondZero) return word(Word::flow_none, {names(Note::NoFlow).japanese});
    return word(Word::flow_at_head, {flowText, names(unit).symbol, side(!d.fallingSide)})
           + (d.fallingSide ? std::string(" ") + names(Note::FallingSide).japanese : "")
           + (d.aboveWeir ? std::string(" ") + names(Note::AboveWeir).japanese : "");
}

std::string gaugeJoin(const GaugeJoin& join)
{
    return "◆" + std::to_string(join.number) + " " + displayText(join.reading) + " mm";
}

const char* gaugeCut() { return word(Word::gauge_cut); }

std::string gaugePrintNote()
{
    return word(Word::gauge_print_note, {gaugeCut(), displayText(gaugeOverlap)});
}

std::string largeNumber(long long n)
{
    constexpr long long hundredMillion = 100'000'000, tenThousand = 10'000;
    if (n != 0 && n % hundredMillion == 0) return std::to_string(n / hundredMillion) + word(Word::hundred_million);
    if (n != 0 && n % tenThousand == 0) return std::to_string(n / tenThousand) + word(Word::ten_thousand);
    return std::to_string(n);
}

std::string cardSpread(double spread)
{
    return word(Word::card_spread, {displayText(std::round(spread * 1000) / 10), displayText(std::round(spread * 100) / 10)});
}

}  // namespace vordanel::words
