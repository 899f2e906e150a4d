// CAccord::Set over any tuning name and note list. The input is the name, a line feed, then the
// notes (no line feed: all notes, no name). Each text sits at the very end of an allocation of its
// own size, so a read past its terminator stops the run.
#include "StdAfx.h"
#include "Accord.h"

#include <RecordingMessageBox.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace
{
// The note table written out apart from the parser's own, so that a slip in either shows.
struct Note
{
    const char* name;
    double base; // in the table's own octave
};
const Note kTable[] = {
    {"DO", 32.7},   {"DO#", 34.65}, {"REb", 34.65}, {"RE", 36.7},    {"RE#", 38.9}, {"MIb", 38.9},
    {"MI", 41.2},   {"FA", 43.65},  {"FA#", 46.25}, {"SOLb", 46.25}, {"SOL", 49.0}, {"SOL#", 51.95},
    {"LAb", 51.95}, {"LA", 55.0},   {"LA#", 58.25}, {"SIb", 58.25},  {"SI", 61.75}, {"DOb", 61.75},
};

const char* const kPreviousNotes = "MI1LA1RE2SOL2SI2MI3";

[[noreturn]] void Fail(const char* what, const std::string& name, const std::string& notes)
{
    std::fprintf(stderr, "fuzz_accord: %s\n  name: \"%s\"\n  notes: \"%s\"\n", what, name.c_str(),
                 notes.c_str());
    std::abort();
}

const Note* Lookup(std::string_view name)
{
    for (const Note& note : kTable)
        if (name == note.name)
            return &note;
    return nullptr;
}

// What a note list should give: the notes read before the first fault (6 when there is none),
// with their labels and targets. A note is the text after the previous octave digit up to the
// next digit; what follows the sixth octave is not read.
struct Expected
{
    int parsed = 0;
    std::string labels[6];
    double targets[6] = {};
};

Expected Reference(std::string_view notes)
{
    Expected e;
    std::size_t from = 0;
    for (int i = 0; i < 6; ++i)
    {
        const std::size_t digit = notes.find_first_of("0123456789", from);
        if (digit == std::string_view::npos)
            break;
        const std::string_view name = notes.substr(from, digit - from);
        const Note* note = Lookup(name);
        if (note == nullptr)
            break;
        const int octave = notes[digit] - '0';
        e.labels[i] = std::string(name) + notes[digit];
        e.targets[i] = std::ldexp(note->base, octave);
        e.parsed = i + 1;
        from = digit + 1;
    }
    return e;
}

// The text with its terminator as the last byte of its own allocation.
std::unique_ptr<char[]> ExactCopy(const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<char[]> copy(new char[size + 1]);
    std::memcpy(copy.get(), data, size);
    copy[size] = '\0';
    return copy;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const void* feed = std::memchr(data, '\n', size);
    const std::size_t nameSize = feed ? static_cast<const std::uint8_t*>(feed) - data : 0;
    const std::size_t notesFrom = feed ? nameSize + 1 : 0;
    const std::unique_ptr<char[]> nameText = ExactCopy(data, nameSize);
    const std::unique_ptr<char[]> notesText = ExactCopy(data + notesFrom, size - notesFrom);
    // As CString takes them: up to the first NUL.
    const std::string name = nameText.get();
    const std::string notes = notesText.get();

    afx::testing::RecordingMessageBox boxes;
    CAccord tuning;
    tuning.Set("Standard", kPreviousNotes);
    const Expected previous = Reference(kPreviousNotes);
    if (tuning.IsValid() != 1 || !boxes.calls.empty())
        Fail("the standard tuning is refused", "Standard", kPreviousNotes);

    tuning.Set(nameText.get(), notesText.get());
    const Expected expected = Reference(notes);
    const bool valid = expected.parsed == 6;

    if (tuning.IsValid() != (valid ? 1 : 0))
        Fail(valid ? "a valid list is refused" : "an invalid list is accepted", name, notes);
    if (boxes.calls.size() != (valid ? 0u : 1u))
        Fail(valid ? "a message for a valid list" : "not exactly one message for an invalid list",
             name, notes);
    if (!valid && boxes.calls[0].text != "Votre accord " + name + " est erroné")
        Fail("wrong message text", name, notes);
    if (std::string(tuning.GetName()) != name)
        Fail("the name is not kept", name, notes);

    const CAccord::Targets targets = tuning.GetTargets();
    for (int i = 0; i < 6; ++i)
    {
        // Strings from the first wrong note on keep the previous tuning's targets.
        const double target = i < expected.parsed ? expected.targets[i] : previous.targets[i];
        if (targets[i] != target || tuning.GetTarget(i) != target)
            Fail("a target is not 2^octave times its note's table frequency", name, notes);
        if (valid && std::string(tuning.GetLabel(i)) != expected.labels[i])
            Fail("a label is not its note and octave", name, notes);
    }
    if (!tuning.GetLabel(6).IsEmpty() || !tuning.GetLabel(-1).IsEmpty())
        Fail("a label outside the six strings", name, notes);
    return 0;
}
