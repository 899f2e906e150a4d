// CAccord: note lists into targets and labels, the wrong-tuning message, string lookup, and the
// publication of the targets to another thread. Every note of the table, and the targets and
// message of any list, are checked by fuzz_accord against its own copy of the table.
#include "StdAfx.h"
#include "Accord.h"

#include <RecordingMessageBox.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace
{
using afx::testing::RecordingMessageBox;
using Six = std::array<double, 6>;

// Targets are a power of two times a two-decimal table value: scaling by 2^k is exact, so each
// expected target is the nearest double to its decimal value and compares exactly.
const char* const kStandardNotes = "MI1LA1RE2SOL2SI2MI3";
const char* const kLowDoNotes = "DO1DO1DO1DO1DO1DO1";

Six TargetsOf(const CAccord& tuning)
{
    Six six;
    for (int i = 0; i < 6; ++i)
        six[i] = tuning.GetTarget(i);
    return six;
}

// The labels parsed, separated by spaces.
std::string LabelsOf(const CAccord& tuning)
{
    std::string labels;
    for (int i = 0; i < 6; ++i)
    {
        const CString label = tuning.GetLabel(i);
        if (!label.IsEmpty())
            labels += (labels.empty() ? "" : " ") + std::string(label);
    }
    return labels;
}

TEST(AccordTest, StartsValidWithZeroTargetsAndNoLabels)
{
    const CAccord tuning;
    EXPECT_EQ(tuning.IsValid(), 1);
    EXPECT_EQ(TargetsOf(tuning), (Six{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(LabelsOf(tuning), "");
    EXPECT_TRUE(tuning.GetName().IsEmpty());
}

TEST(AccordTest, ParsesNoteListsIntoTargetsAndLabels)
{
    const char* const kStandardLabels = "MI1 LA1 RE2 SOL2 SI2 MI3";
    const char* const kStandardTargets = "82.4 110 146.8 196 247 329.6";
    struct Case
    {
        const char* what;
        const char* before; // notes set first, as the previous tuning (nullptr: none)
        const char* notes;
        int valid;
        const char* labels;
        const char* targets; // six decimals, read as a literal would be
    };
    const Case cases[] = {
        {"standard", nullptr, kStandardNotes, 1, kStandardLabels, kStandardTargets},
        {"a bad third note keeps the old targets from there on", kLowDoNotes, "MI1LA1XX2SOL2SI2MI3",
         0, "MI1 LA1", "82.4 110.0 65.4 65.4 65.4 65.4"},
        {"a last name without its octave", kLowDoNotes, "MI1LA1RE2SOL2SI2MI", 0,
         "MI1 LA1 RE2 SOL2 SI2", "82.4 110.0 146.8 196.0 247.0 65.4"},
        {"a valid tuning after a wrong one", "MI1LA1", kStandardNotes, 1, kStandardLabels,
         kStandardTargets},
        {"a wrong one after a wrong one still reports", "xx", "MI1LA1", 0, "MI1 LA1",
         "82.4 110.0 0 0 0 0"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        CAccord tuning;
        RecordingMessageBox box;
        if (c.before != nullptr)
            tuning.Set("Avant", c.before);
        box.calls.clear();

        tuning.Set("Ré ouvert", c.notes);

        EXPECT_EQ(tuning.IsValid(), c.valid);
        EXPECT_EQ(LabelsOf(tuning), c.labels);
        Six targets;
        std::istringstream(c.targets) >> targets[0] >> targets[1] >> targets[2] >> targets[3] >>
            targets[4] >> targets[5];
        EXPECT_EQ(TargetsOf(tuning), targets);
        EXPECT_EQ(tuning.GetName(), "Ré ouvert");
        for (int outside : {-1, 6})
        {
            EXPECT_EQ(tuning.GetTarget(outside), 0.0);
            EXPECT_EQ(tuning.GetTargets()[outside], 0.0);
        }
        if (c.valid == 1)
            EXPECT_TRUE(box.calls.empty());
        else
        {
            ASSERT_EQ(box.calls.size(), 1u);
            EXPECT_EQ(box.calls[0].text, "Votre accord Ré ouvert est erroné");
            EXPECT_EQ(box.calls[0].type, MB_OKCANCEL);
        }
    }
}

TEST(AccordTest, UpperAndLowerStringsBracketAFrequency)
{
    struct Case
    {
        const char* notes;
        double f;
        int upper;
    };
    const Case cases[] = {
        /* 0: at the lowest target */ {kStandardNotes, 82.4, 0},
        /* 1: just above it */ {kStandardNotes, std::nextafter(82.4, 1e9), 1},
        /* 2: at the highest target */ {kStandardNotes, 329.6, 5},
        /* 3: above every target */ {kStandardNotes, 400.0, 6},
        /* 4: zero, below every target */ {kStandardNotes, 0.0, 0},
        /* 5: equal targets: the first of them */ {kLowDoNotes, 65.4, 0},
        /* 6: above equal targets */ {kLowDoNotes, 70.0, 6},
        /* 7: descending targets stop at the first not below f */
        {"MI3SI2SOL2RE2LA1MI1", 150.0, 0},
    };
    RecordingMessageBox box;
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        CAccord tuning;
        tuning.Set("t", cases[i].notes);
        EXPECT_EQ(tuning.GetUpperString(cases[i].f), cases[i].upper) << "case " << i;
        EXPECT_EQ(tuning.GetLowerString(cases[i].f), cases[i].upper - 1) << "case " << i;
        const CAccord::Targets targets = tuning.GetTargets();
        EXPECT_EQ(targets.GetUpperString(cases[i].f), cases[i].upper) << "case " << i;
        EXPECT_EQ(targets.GetLowerString(cases[i].f), cases[i].upper - 1) << "case " << i;
    }
    EXPECT_TRUE(box.calls.empty());
}

// While Set is still parsing, another thread must see the whole previous set of targets, and
// after it the whole new one (a partial one after a failed parse): the targets are built aside
// and published at once. The wrong-tuning box pops up in the middle of the parse, after two
// notes have been read, so it is the place to look from.
class PeekingMessageBox : public RecordingMessageBox
{
public:
    explicit PeekingMessageBox(const CAccord& tuning) : m_tuning(tuning) {}

    int Show(const char*, const char*, UINT) override
    {
        std::thread reader(
            [this]
            {
                const CAccord::Targets targets = m_tuning.GetTargets();
                seen.assign(std::begin(targets.freq), std::end(targets.freq));
            });
        reader.join();
        return IDOK;
    }

    std::vector<double> seen;

private:
    const CAccord& m_tuning;
};

TEST(AccordTest, AFailedParseIsPublishedOnlyWhenSetEnds)
{
    CAccord tuning;
    {
        RecordingMessageBox quiet;
        tuning.Set("Do", kLowDoNotes);
    }
    PeekingMessageBox peek(tuning);
    tuning.Set("Bizarre", "MI1LA1XX2SOL2SI2MI3");
    EXPECT_EQ(peek.seen, std::vector<double>(6, 65.4));
    EXPECT_EQ(TargetsOf(tuning), (Six{82.4, 110.0, 65.4, 65.4, 65.4, 65.4}));
}

} // namespace
