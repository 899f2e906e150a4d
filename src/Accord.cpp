// Accord.cpp : a tuning: six notes, their target frequencies and their labels
#include "StdAfx.h"
#include "Accord.h"

#include <cmath>
#include <thread>

namespace
{
const int kStrings = 6;
const int kNotes = 18;

// Row k: the note of key k and its frequency in the table's own octave. Sharps and flats of one
// pitch share a frequency; DOb is the SI of the same octave number.
const char* const kNoteNames[kNotes] = {"DO",  "DO#", "REb", "RE",   "RE#", "MIb",
                                        "MI",  "FA",  "FA#", "SOLb", "SOL", "SOL#",
                                        "LAb", "LA",  "LA#", "SIb",  "SI",  "DOb"};
const double kBaseFrequencies[kNotes] = {32.7,  34.65, 34.65, 36.7,  38.9,  38.9,
                                         41.2,  43.65, 46.25, 46.25, 49.0,  51.95,
                                         51.95, 55.0,  58.25, 58.25, 61.75, 61.75};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

void ReportWrongTuning(const CString& name)
{
    CString message;
    message.Format("Votre accord %s est erroné", static_cast<LPCSTR>(name));
    AfxMessageBox(message, MB_OKCANCEL);
}
} // namespace

double CAccord::Targets::operator[](int i) const
{
    return i >= 0 && i < kStrings ? freq[i] : 0.0;
}

int CAccord::Targets::GetUpperString(double f) const
{
    int i = 0;
    while (i < kStrings && freq[i] < f)
        ++i;
    return i;
}

int CAccord::Targets::GetLowerString(double f) const
{
    return GetUpperString(f) - 1;
}

CAccord::CAccord() : m_valid(1), m_sequence(0)
{
    for (int key = 0; key < kNotes; ++key)
        m_noteNames.SetAt(key, kNoteNames[key]);
    for (std::atomic<double>& target : m_targets)
        target.store(0.0, std::memory_order_relaxed);
}

CAccord::~CAccord() {}

int CAccord::FindNote(const CString& name) const
{
    POSITION pos = m_noteNames.GetStartPosition();
    while (pos != nullptr)
    {
        int key = 0;
        CString candidate;
        m_noteNames.GetNextAssoc(pos, key, candidate);
        if (candidate == name)
            return key;
    }
    return -1;
}

void CAccord::Set(CString name, CString notes)
{
    // The parse works on its own copies and shows its message before anything is published, so
    // readers never see half a tuning and no lock is held while the box is up.
    CStringArray labels;
    double parsed[kStrings] = {};
    int count = 0;
    int valid = 1;

    const int length = notes.GetLength();
    int read = 0;
    int start = 0;
    for (int i = 0; i < kStrings && valid == 1; ++i)
    {
        while (read < length && !IsDigit(notes[read]))
            ++read;
        if (read >= length)
        {
            // The list ran out before six notes, or its last name has no octave.
            ReportWrongTuning(name);
            valid = 0;
            break;
        }
        const CString note = notes.Mid(start, read - start);
        const int octave = notes[read] - '0';
        ++read;
        start = read;

        const int key = FindNote(note);
        if (key < 0)
        {
            ReportWrongTuning(name);
            valid = 0;
            break;
        }
        parsed[i] = std::pow(2.0, octave) * kBaseFrequencies[key];
        count = i + 1;
        CString label;
        label.Format("%s%d", static_cast<LPCSTR>(note), octave);
        labels.Add(label);
    }

    std::lock_guard<std::mutex> guard(m_lock);
    m_name = name;
    m_notes = notes;
    m_labels = labels;
    // Strings from the failed note onwards keep their targets.
    const unsigned sequence = m_sequence.load(std::memory_order_relaxed);
    m_sequence.store(sequence + 1, std::memory_order_relaxed);
    for (int i = 0; i < count; ++i)
        m_targets[i].store(parsed[i], std::memory_order_release);
    m_sequence.store(sequence + 2, std::memory_order_release);
    m_valid.store(valid);
}

CAccord::Targets CAccord::GetTargets() const
{
    Targets copy;
    for (;;)
    {
        const unsigned before = m_sequence.load(std::memory_order_acquire);
        if ((before & 1u) == 0)
        {
            for (int i = 0; i < kStrings; ++i)
                copy.freq[i] = m_targets[i].load(std::memory_order_acquire);
            // Ordered after the acquiring loads above: a target written by a later Set shows
            // here as a changed count.
            if (m_sequence.load(std::memory_order_relaxed) == before)
                return copy;
        }
        std::this_thread::yield();
    }
}

double CAccord::GetTarget(int i) const
{
    if (i < 0 || i >= kStrings)
        return 0.0;
    return m_targets[i].load(std::memory_order_acquire);
}

int CAccord::GetLowerString(double f) const
{
    return GetTargets().GetLowerString(f);
}

int CAccord::GetUpperString(double f) const
{
    return GetTargets().GetUpperString(f);
}

CString CAccord::GetLabel(int i) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (i < 0 || i >= m_labels.GetSize())
        return CString();
    return m_labels[i];
}

CString CAccord::GetName() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_name;
}

int CAccord::IsValid() const
{
    return m_valid.load();
}
