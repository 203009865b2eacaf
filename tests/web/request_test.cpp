// How the page's modules read a call's arguments: the JSON that JSON.stringify writes of the
// script's texts and numbers, each text read back as the UTF-8 the script meant.
#include "request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vordanel::glue {
namespace {

struct RequestRow {
    const char* name;
    const char* json;
    std::vector<std::string> texts;  // each argument as a text ("" for a number or null)
    std::vector<double> numbers;     // each argument as a number (0 for a text or null)
    friend void PrintTo(const RequestRow& r, std::ostream* os) { *os << r.name; }
};

class Requests : public testing::TestWithParam<RequestRow> {};

TEST_P(Requests, ReadEachArgumentAsTheScriptWroteIt)
{
    const auto& row = GetParam();
    const Request r(row.json);
    ASSERT_EQ(r.size(), row.texts.size());
    for (std::size_t i = 0; i < r.size(); ++i) {
        EXPECT_EQ(r.text(i), row.texts[i]) << i;
        EXPECT_EQ(r.number(i), row.numbers[i]) << i;
    }
    // Past the last argument: none.
    EXPECT_EQ(r.text(r.size()), "");
    EXPECT_TRUE(r.isNull(r.size()));
}

using namespace std::string_literals;
INSTANTIATE_TEST_SUITE_P(
    Glue, Requests,
    testing::Values(RequestRow{"NoArguments", "[]", {}, {}},
                    RequestRow{"TextsThenNumbers", R"(["100","40", 480 ,-1.5e2])", {"100", "40", "", ""}, {0, 0, 480, -150}},
                    RequestRow{"EscapesOfJson", R"(["a\"b\\c\/d\n\t\r\b\f"])", {"a\"b\\c/d\n\t\r\b\f"}, {0}},
                    RequestRow{"ANulTypedIsPartOfTheText", R"(["1\u00000"])", {"1\0"s "0"}, {0}},
                    RequestRow{"TextsAsTheyStandInUtf8", R"(["１００ m³/h"])", {"１００ m³/h"}, {0}},
                    RequestRow{"EscapedCharactersInUtf8", R"(["\u00b3\u6d41\ud83d\ude00"])", {"³流😀"}, {0}},
                    RequestRow{"ALoneSurrogateIsTheReplacementCharacter", R"(["\ud800x","\udc00"])", {"\uFFFDx", "\uFFFD"}, {0, 0}},
                    RequestRow{"ANullIsNoText", R"([null,"b"])", {"", "b"}, {0, 0}},
                    RequestRow{"NoArrayIsNoArguments", R"("100")", {}, {}},
                    RequestRow{"AnUnendedTextIsNoArguments", R"(["100)", {}, {}},
                    RequestRow{"AMissingCommaIsNoArguments", R"(["1" "2"])", {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vordanel::glue
