#include "MidiTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace VQ {
namespace {

using test::Text;
using String = LMidiComm::String;
using StringArray = LMidiComm::StringArray;

StringArray Names(const std::vector<const char16_t*>& names)
{
    StringArray out;
    for (const char16_t* name : names)
        out.Add(Text(name));
    return out;
}

std::vector<std::string> Utf8(const StringArray& names)
{
    std::vector<std::string> out;
    for (const String& name : names)
        out.emplace_back(name.ToUTF8().GetString());
    return out;
}

struct SuffixCase {
    const char16_t* name;
    const char* base;
    int32_t number;
};

class SplitPortNameSuffixTest : public ::testing::TestWithParam<SuffixCase> {};

TEST_P(SplitPortNameSuffixTest, GivesBaseAndDeviceNumber)
{
    const SuffixCase& c = GetParam();
    String base;
    int32_t number = -1;
    LMidiComm::SplitPortNameSuffix(Text(c.name), base, number);
    EXPECT_EQ(std::string(base.ToUTF8().GetString()), c.base);
    EXPECT_EQ(number, c.number);
}

INSTANTIATE_TEST_SUITE_P(Names, SplitPortNameSuffixTest,
                         ::testing::Values(SuffixCase{u"RKT4 (2)", "RKT4", 2}, SuffixCase{u"RKT4 (12)", "RKT4", 12},
                                           SuffixCase{u"RKT4", "RKT4", 0},
                                           // A non-digit means the first match of the base.
                                           SuffixCase{u"RKT4 (x)", "RKT4", 0},
                                           // Only the suffix's shape counts, not the blank before it.
                                           SuffixCase{u"Pad(3)", "Pa", 3},
                                           SuffixCase{u"MIDIOUT2 (RKT4)", "MIDIOUT2 (RKT4)", 0},
                                           SuffixCase{u"RKT4 (2", "RKT4 (2", 0}, SuffixCase{u"(1)", "(1)", 0},
                                           SuffixCase{u"", "", 0}));

TEST(NumberDuplicatePortNamesTest, EqualNamesAreNumberedTogetherAtTheirFirstPlace)
{
    StringArray numbered;
    LMidiComm::NumberDuplicatePortNames(Names({u"RKT4", u"Synth", u"RKT4", u"rkt4", u"Other", u"RKT4"}), numbered);
    EXPECT_EQ(Utf8(numbered),
              (std::vector<std::string>{"RKT4 (1)", "RKT4 (2)", "RKT4 (3)", "Synth", "rkt4", "Other"}));
}

TEST(NumberDuplicatePortNamesTest, UniqueNamesStayAsTheyAre)
{
    StringArray numbered = Names({u"stale"});
    LMidiComm::NumberDuplicatePortNames(Names({u"A", u"B"}), numbered);
    EXPECT_EQ(Utf8(numbered), (std::vector<std::string>{"A", "B"}));
}

struct FindCase {
    std::vector<const char16_t*> names;
    const char16_t* name;
    int32_t count;
    int32_t index;
};

class FindPortNameTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindPortNameTest, CountsContainingEntriesAndAnEqualOneWins)
{
    const FindCase& c = GetParam();
    int32_t index = -2;
    EXPECT_EQ(LMidiComm::FindPortName(Names(c.names), Text(c.name), index), c.count);
    EXPECT_EQ(index, c.index);
}

INSTANTIATE_TEST_SUITE_P(
    Names, FindPortNameTest,
    ::testing::Values(FindCase{{u"RKT4"}, u"rkt4", 1, 0}, FindCase{{u"Synth", u"RKT4 Mk2"}, u"rkt4", 1, 1},
                      // The equal entry wins over one that only contains the name, before or after it.
                      FindCase{{u"MIDIIN2 (RKT4)", u"RKT4"}, u"RKT4", 1, 1},
                      FindCase{{u"RKT4", u"MIDIIN2 (RKT4)"}, u"RKT4", 1, 0},
                      FindCase{{u"RKT4 (1)", u"RKT4 (2)"}, u"RKT4", 2, 0},
                      FindCase{{u"RKT4 (1)", u"RKT4 (2)"}, u"rkt4 (2)", 1, 1},
                      FindCase{{u"Synth", u"Other"}, u"RKT4", 0, -1}, FindCase{{}, u"RKT4", 0, -1}));

} // namespace
} // namespace VQ
