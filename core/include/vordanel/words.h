#pragma once

#include "vordanel/calculation.h"
#include "vordanel/curve.h"
#include "vordanel/gauge.h"
#include "vordanel/units.h"

#include <string>
#include <vector>

// The sentences every Japanese front end shows beside the window's own captions and messages:
// what a calculation answered, what the curve knows, what a flow at a head is. Built from the
// core's word tables (calculation.h), so that each word is written once (UTF-8).
namespace vordanel::words {

// The side of the discharge curve a head lies on: 上昇側 (rising) or 下降側 (falling).
const char* side(bool rising);
// A command that ran out of memory on the way, and so made no result.
const char* outOfMemory();
// A fault told after the caption of the entry at fault: "堰の径(mm): 数値を入力して下さい。"
std::string fault(Fault fault, std::optional<Input> input);
// The entries an empty press needs, by their captions.
std::string entriesNeeded(const std::vector<Input>& empty);
// A calculation's answer for a screen reader: the head and trials with the window's captions and
// the window's message, the message alone, or the entries needed; a fault as fault() words it.
std::string answer(const Calculation& c);
// The head on the rising side without a bracket (calculateRising): "47.1 mm（Trial回数 11）", or
// why there is none (naming the greatest flow in the unit where the flow is above it), or the fault.
// Empty flow: the entry it needs.
std::string risingHead(const Calculation& rising, const Curve& curve, FlowUnit unit, bool flowGiven);
// The other head of a bracket that holds two, and where the window's answer lies.
std::string otherHead(const OtherHead& other, const Calculation& c, const Curve& curve);
// The flow at a head, as `flow` answers it: its flow text in the unit, the side and the notes.
std::string flowAtHead(const Discharge& d, const std::string& flowText, FlowUnit unit);

// A staff gauge printed in pieces: the mark of a join, alike on both of its pieces ("◆1 205 mm",
// its number and the staff reading where it lies), the word on a cut line, and how to print and
// lay the pieces.
std::string gaugeJoin(const GaugeJoin& join);
const char* gaugeCut();
std::string gaugePrintNote();

// A count as a sentence writes it: in 億 or 万 where it is a whole number of them (100000000 is
// 1億, 50000 is 5万), else in digits.
std::string largeNumber(long long n);

// What an operator's card says of its rows: how far apart neighbouring flows are at most.
std::string cardSpread(double spread);

}  // namespace vordanel::words
