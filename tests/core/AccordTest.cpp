// CAccord: note lists into targets and labels, the wrong-tuning message, string lookup, and the
// publication of the targets to another thread.
#include "StdAfx.h"
#include "Accord.h"

#include <RecordingMessageBox.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
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
const Six kStandard = {82.4, 110.0, 146.8, 196.0, 247.0, 329.6};
const Six kLowDo = {65.4, 65.4, 65.4, 65.4, 65.4, 65.4};
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

std::string WrongTuningText(const char* name)
{
    return std::string("Votre accord ") + name + " est erroné";
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
    const char* const kLowDoTargets = "65.4 65.4 65.4 65.4 65.4 65.4";
    const char* const kLowMi = "82.4 65.4 65.4 65.4 65.4 65.4";
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
        {"DOb2 is SI2's frequency", nullptr, "MI1LA1RE2SOL2DOb2MI3", 1, "MI1 LA1 RE2 SOL2 DOb2 MI3",
         kStandardTargets},
        {"octaves 0 and 9, sharps and flats", nullptr, "DO0SI9LA4LA#3SIb3FA#2", 1,
         "DO0 SI9 LA4 LA#3 SIb3 FA#2", "32.7 31616.0 880.0 466.0 466.0 185.0"},
        {"lower case is unknown", kLowDoNotes, "mi1LA1RE2SOL2SI2MI3", 0, "", kLowDoTargets},
        {"a bad third note keeps the old targets from there on", kLowDoNotes, "MI1LA1XX2SOL2SI2MI3",
         0, "MI1 LA1", "82.4 110.0 65.4 65.4 65.4 65.4"},
        {"only the first six notes count", nullptr, "MI1LA1RE2SOL2SI2MI3LA3xx", 1, kStandardLabels,
         kStandardTargets},
        {"a space belongs to the next name", kLowDoNotes, "MI1 LA1RE2SOL2SI2MI3", 0, "MI1", kLowMi},
        {"one octave digit; the next name is then empty", kLowDoNotes, "MI10LA1RE2SOL2SI2MI3", 0,
         "MI1", kLowMi},
        {"a list that runs out", kLowDoNotes, "MI1LA1RE2", 0, "MI1 LA1 RE2",
         "82.4 110.0 146.8 65.4 65.4 65.4"},
        {"a last name without its octave", kLowDoNotes, "MI1LA1RE2SOL2SI2MI", 0,
         "MI1 LA1 RE2 SOL2 SI2", "82.4 110.0 146.8 196.0 247.0 65.4"},
        {"an empty list", kLowDoNotes, "", 0, "", kLowDoTargets},
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
            EXPECT_TRUE(tuning.GetLabel(outside).IsEmpty());
        }
        if (c.valid == 1)
            EXPECT_TRUE(box.calls.empty());
        else
        {
            ASSERT_EQ(box.calls.size(), 1u);
            EXPECT_EQ(box.calls[0].text, WrongTuningText("Ré ouvert"));
            EXPECT_EQ(box.calls[0].type, MB_OKCANCEL);
        }
    }
}

TEST(AccordTest, KnowsEachOfTheEighteenNotes)
{
    struct Note
    {
        const char* name;
        double base;
    };
    const Note notes[] = {
        /* 0 */ {"DO", 32.7},    /* 1 */ {"DO#", 34.65}, /* 2 */ {"REb", 34.65},
        /* 3 */ {"RE", 36.7},    /* 4 */ {"RE#", 38.9},  /* 5 */ {"MIb", 38.9},
        /* 6 */ {"MI", 41.2},    /* 7 */ {"FA", 43.65},  /* 8 */ {"FA#", 46.25},
        /* 9 */ {"SOLb", 46.25}, /* 10 */ {"SOL", 49.0}, /* 11 */ {"SOL#", 51.95},
        /* 12 */ {"LAb", 51.95}, /* 13 */ {"LA", 55.0},  /* 14 */ {"LA#", 58.25},
        /* 15 */ {"SIb", 58.25}, /* 16 */ {"SI", 61.75}, /* 17 */ {"DOb", 61.75},
    };
    RecordingMessageBox box;
    CAccord tuning;
    for (std::size_t i = 0; i < std::size(notes); ++i)
    {
        // The note at every position, octaves 0 to 5: target = 2^octave x base.
        std::string list;
        for (int octave = 0; octave < 6; ++octave)
            list += notes[i].name + std::to_string(octave);
        tuning.Set("n", list.c_str());
        ASSERT_EQ(tuning.IsValid(), 1) << "note " << notes[i].name;
        for (int octave = 0; octave < 6; ++octave)
        {
            EXPECT_EQ(tuning.GetTarget(octave), std::ldexp(notes[i].base, octave))
                << "note " << notes[i].name << octave;
            EXPECT_EQ(tuning.GetLabel(octave), (notes[i].name + std::to_string(octave)).c_str());
        }
    }
    EXPECT_TRUE(box.calls.empty());

    const char* const unknown[] = {"MI#", "FAb", "SI#", "Do", "DOB", "sol", ""};
    for (const char* name : unknown)
    {
        tuning.Set("u", (std::string(name) + "1LA1RE2SOL2SI2MI3").c_str());
        EXPECT_EQ(tuning.IsValid(), 0) << "note '" << name << "'";
    }
    EXPECT_EQ(box.calls.size(), std::size(unknown));
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
        /* 0: below every target */ {kStandardNotes, 50.0, 0},
        /* 1: at the lowest target */ {kStandardNotes, 82.4, 0},
        /* 2: just above it */ {kStandardNotes, std::nextafter(82.4, 1e9), 1},
        /* 3: between strings 1 and 2 */ {kStandardNotes, 120.0, 2},
        /* 4: at a middle target */ {kStandardNotes, 196.0, 3},
        /* 5: at the highest target */ {kStandardNotes, 329.6, 5},
        /* 6: above every target */ {kStandardNotes, 400.0, 6},
        /* 7: zero */ {kStandardNotes, 0.0, 0},
        /* 8: equal targets: the first of them */ {kLowDoNotes, 65.4, 0},
        /* 9: above equal targets */ {kLowDoNotes, 70.0, 6},
        /* 10: descending targets stop at the first not below f */
        {"MI3SI2SOL2RE2LA1MI1", 150.0, 0},
        /* 11: descending, above the first */ {"MI3SI2SOL2RE2LA1MI1", 330.0, 6},
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
    EXPECT_EQ(peek.seen, std::vector<double>(kLowDo.begin(), kLowDo.end()));
    EXPECT_EQ(TargetsOf(tuning), (Six{82.4, 110.0, 65.4, 65.4, 65.4, 65.4}));
}

// A reader that snapshots the targets while the other thread switches between two tunings must
// only ever see one of the two complete sets. This catches targets that change one by one while
// the note list is parsed; the publication itself is too brief a window to be hit reliably. The
// writer goes on until the reader has seen the tuning change often enough, so that the two
// threads really ran side by side.
TEST(AccordTest, SnapshotsNeverMixTwoTunings)
{
    RecordingMessageBox quiet;
    CAccord tuning;
    tuning.Set("Standard", kStandardNotes);
    std::atomic<bool> done{false};
    std::atomic<int> changesSeen{0};
    std::atomic<int> mixed{0};
    std::thread reader(
        [&]
        {
            bool lastWasStandard = true;
            while (!done.load())
            {
                const CAccord::Targets t = tuning.GetTargets();
                const Six six = {t[0], t[1], t[2], t[3], t[4], t[5]};
                if (six != kStandard && six != kLowDo)
                {
                    mixed.fetch_add(1);
                    continue;
                }
                if ((six == kStandard) != lastWasStandard)
                {
                    lastWasStandard = !lastWasStandard;
                    changesSeen.fetch_add(1);
                }
            }
        });
    for (int i = 0; i < 400000 && (i < 2000 || changesSeen.load() < 10); ++i)
        tuning.Set("x", (i % 2) != 0 ? kStandardNotes : kLowDoNotes);
    done.store(true);
    reader.join();
    EXPECT_GE(changesSeen.load(), 10);
    EXPECT_EQ(mixed.load(), 0);
    EXPECT_TRUE(quiet.calls.empty());
}
} // namespace
