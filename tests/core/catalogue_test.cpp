#include "vordanel/catalogue.h"
#include "vordanel/words.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>

using namespace vordanel;

namespace {

// The window's Designer file, its captions by widget (the form's own title under its name).
std::map<std::string, std::string> designerCaptions()
{
    std::ifstream file(VORDANEL_UI_FILE);
    std::stringstream text;
    text << file.rdbuf();
    const std::string ui = text.str();
    std::map<std::string, std::string> captions;
    const std::regex widget(R"re(<widget class="\w+" name="(\w+)">)re");
    const std::regex caption(R"re(<property name="(?:text|windowTitle)"><string>([^<]*)</string>)re");
    std::string current;
    for (std::size_t at = 0; at < ui.size();) {
        std::smatch w, c;
        const std::string rest = ui.substr(at);
        const bool hasWidget = std::regex_search(rest, w, widget), hasCaption = std::regex_search(rest, c, caption);
        if (!hasCaption) break;
        if (hasWidget && w.position(0) < c.position(0)) {
            current = w[1];
            at += w.position(0) + w.length(0);
            continue;
        }
        captions[current] = c[1];
        at += c.position(0) + c.length(0);
    }
    return captions;
}

}  // namespace

// Designer needs the captions in the .ui, the page and the companion take them from the catalogue:
// the two are the same words, each caption of the window in the table.
TEST(Catalogue, WindowCaptionsAreTheCataloguesWords)
{
    const std::map<std::string, Word> keyOf = {
        {"VORDANEL", Word::window_title},       {"Label11", Word::window_caveat},     {"Label7", Word::caption_diameter},
        {"Label2", Word::caption_flow_lpm},     {"Label3", Word::caption_min},        {"Label4", Word::caption_max},
        {"Command1", Word::window_calculate},   {"Command2", Word::window_clear},     {"Label5", Word::caption_head},
        {"Label6", Word::window_range_unknown}, {"Label1", Word::caption_trials},     {"Label10", Word::window_formula},
        {"Label9", Word::note_no_solution},     {"Label8", Word::note_above_weir},
    };
    const auto captions = designerCaptions();
    ASSERT_FALSE(captions.empty()) << "no captions read from " << VORDANEL_UI_FILE;
    for (const auto& [widget, caption] : captions) {
        const auto key = keyOf.find(widget);
        ASSERT_NE(key, keyOf.end()) << widget << " has a caption (" << caption << ") that the catalogue does not hold";
        EXPECT_EQ(caption, word(key->second)) << widget << " vs " << wordKey(key->second);
    }
    EXPECT_EQ(captions.size(), keyOf.size()) << "a widget of the table has no caption in the .ui";
}

TEST(Catalogue, BlanksAreFilledInOrderAndThePagesKept)
{
    struct Row {
        const char* name;
        Word key;
        std::vector<std::string_view> fills;
        std::string expected;
    };
    const Row rows[] = {
        {"two blanks", Word::rising_none_peak, {"203.26", "L/min"}, "(最大流量 203.26 L/min)"},
        {"one blank used twice", Word::gauge_foot_step, {"L/min", "10"}, "流量の単位 L/min、目盛 10 L/min ごと（太線は 5 目盛ごと）"},
        {"a blank not given is left empty", Word::day_note_count, {"日時を読めません"}, "日時を読めません  件"},
        {"the page's named blanks stay", Word::page_job_failed, {"x"}, "計算できませんでした: {why}"},
        {"no blanks", Word::file_empty, {"x"}, "ファイルが空です。"},
    };
    for (const Row& row : rows) {
        std::string filled;
        switch (row.fills.size()) {
        case 1: filled = word(row.key, {row.fills[0]}); break;
        case 2: filled = word(row.key, {row.fills[0], row.fills[1]}); break;
        }
        EXPECT_EQ(filled, row.expected) << row.name;
    }
}

TEST(Catalogue, CountsInTheUnitsASentenceUses)
{
    const std::pair<long long, const char*> rows[] = {
        {100'000'000, "1億"}, {300'000'000, "3億"}, {50'000, "5万"}, {1'200'000'000, "12億"}, {12'345, "12345"}, {0, "0"}, {10'001, "10001"},
    };
    for (const auto& [n, text] : rows) EXPECT_EQ(words::largeNumber(n), text) << n;
}

// A sentence that states a limit states the constant that decides it, whatever it is set to.
TEST(Catalogue, LimitsAreWordedFromTheirConstants)
{
    const struct { const char* name; std::string words; std::vector<std::string> holds; } rows[] = {
        {"RecordCaps", noteWords(names(Note::OversizedRow).key),
         {std::to_string(recordCaps.fieldBytes >> 20) + " MB", std::to_string(recordCaps.recordBytes >> 20) + " MB",
          words::largeNumber(static_cast<long long>(recordCaps.fields))}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.words.find('{'), std::string::npos) << row.name << ": " << row.words;
        for (const auto& part : row.holds) EXPECT_NE(row.words.find(part), std::string::npos) << row.name << ": " << row.words;
    }
}
