// Accord.h : a tuning: six notes, their target frequencies and their labels
#pragma once

#include <afxcoll.h>
#include <afxtempl.h>

#include <atomic>
#include <mutex>

class CAccord
{
public:
    // One consistent set of the six target frequencies, string 0 (the lowest) first.
    struct Targets
    {
        double freq[6];

        // 0 outside 0 to 5.
        double operator[](int i) const;
        // Both walk from string 0 to the first target not below f (6 when all are below):
        // GetUpperString gives that index, GetLowerString the one before it (-1 to 5).
        int GetLowerString(double f) const;
        int GetUpperString(double f) const;
    };

    CAccord();
    virtual ~CAccord();

    // Stores the tuning and parses its note list. Any thread may read the targets meanwhile: it
    // sees either the six targets from before the call or the six from after it.
    void Set(CString name, CString notes);

    // Reads from any thread.
    double GetTarget(int i) const;
    Targets GetTargets() const;
    int GetLowerString(double f) const;
    int GetUpperString(double f) const;

    CString GetLabel(int i) const; // empty outside the labels parsed
    CString GetName() const;
    int IsValid() const;

private:
    CAccord(const CAccord&) = delete;
    CAccord& operator=(const CAccord&) = delete;

    int FindNote(const CString& name) const;

    // Note names by key; the key is also the row of the frequency table.
    CMap<int, int, CString, LPCSTR> m_noteNames;

    // Guards the texts and makes Set the targets' only writer at a time. Never held while a
    // message box is up.
    mutable std::mutex m_lock;
    CString m_name;
    CString m_notes;
    CStringArray m_labels;

    std::atomic<int> m_valid;

    // The six targets behind a sequence count that is odd while they are being written: a reader
    // keeps the copy it made between two equal even counts.
    std::atomic<unsigned> m_sequence;
    std::atomic<double> m_targets[6];
};
