// The page's way into the core: one call per press of 計算, texts in, one JSON object out. Plain C
// exports, called through emscripten's ccall, keep the boundary to strings and nothing else.
#include "vordanel/calculation.h"
#include "vordanel/numtext.h"

#include <string>

namespace {

const char* inputId(vordanel::Input input)
{
    switch (input) {
    case vordanel::Input::Diameter:
        return "Text6";
    case vordanel::Input::Flow:
        return "Text1";
    case vordanel::Input::Min:
        return "Text2";
    case vordanel::Input::Max:
        return "Text3";
    }
    return "";
}

// Texts that reach JSON come from the core's own wording, which holds no quote or backslash.
std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace

extern "C" {

// The entries as typed (UTF-8, each with its length in bytes, so that a NUL typed or pasted is part
// of the text), read with a decimal point. The answer, valid until the next call:
// {"outcome":"incomplete"|"converged"|"no_solution"|"fault", "head":"47.1", "trials":"12",
//  "aboveWeir":false, "message":"…", "entry":"Text6"}
const char* vordanel_calculate(const char* diameter, std::size_t diameterSize, const char* flow, std::size_t flowSize,
                               const char* min, std::size_t minSize, const char* max, std::size_t maxSize)
{
    static std::string answer;
    const vordanel::Calculation c = vordanel::calculate(
        {{diameter, diameterSize}, {flow, flowSize}, {min, minSize}, {max, maxSize}}, ".");
    switch (c.outcome) {
    case vordanel::Calculation::Outcome::Incomplete:
        answer = R"({"outcome":"incomplete"})";
        break;
    case vordanel::Calculation::Outcome::Converged:
        answer = R"({"outcome":"converged","head":)" + quoted(vordanel::displayText(c.headMillimetres))
                 + R"(,"trials":)" + quoted(vordanel::displayText(c.search.trialCount))
                 + R"(,"aboveWeir":)" + (c.aboveWeir ? "true" : "false") + "}";
        break;
    case vordanel::Calculation::Outcome::NoSolution:
        answer = R"({"outcome":"no_solution"})";
        break;
    case vordanel::Calculation::Outcome::Fault:
        answer = R"({"outcome":"fault","message":)" + quoted(vordanel::userMessage(c.fault))
                 + R"(,"entry":)" + quoted(c.faultInput ? inputId(*c.faultInput) : "") + "}";
        break;
    }
    return answer.c_str();
}

}  // extern "C"
