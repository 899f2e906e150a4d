// Collection templates of the framework: the hash map.
#pragma once

#include "afx.h"

// Bucket hash of a key: the program's maps have integer keys.
template <class ARG_KEY> inline UINT HashKey(ARG_KEY key)
{
    return static_cast<UINT>(static_cast<std::uintptr_t>(key));
}

// A chained hash table from KEY to VALUE; keys and values are passed in as ARG_KEY and ARG_VALUE.
// A walk from GetStartPosition with GetNextAssoc visits every pair once, in no particular order;
// changing the map during a walk ends the walk's meaning.
template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE> class CMap
{
public:
    CMap() = default;
    ~CMap()
    {
        if (m_pHashTable == nullptr)
            return;
        for (UINT bucket = 0; bucket < m_nHashTableSize; ++bucket)
        {
            for (CAssoc* assoc = m_pHashTable[bucket]; assoc != nullptr;)
            {
                CAssoc* next = assoc->pNext;
                delete assoc;
                assoc = next;
            }
        }
        delete[] m_pHashTable;
    }
    CMap(const CMap&) = delete;
    CMap& operator=(const CMap&) = delete;

    // The same key again replaces the value.
    void SetAt(ARG_KEY key, ARG_VALUE newValue)
    {
        const UINT bucket = HashKey(key) % m_nHashTableSize;
        CAssoc* assoc = Find(key, bucket);
        if (assoc == nullptr)
        {
            if (m_pHashTable == nullptr)
                m_pHashTable = new CAssoc*[m_nHashTableSize]();
            assoc = new CAssoc(key, bucket, m_pHashTable[bucket]);
            m_pHashTable[bucket] = assoc;
            ++m_nCount;
        }
        assoc->value = newValue;
    }

    // nullptr for an empty map, else the position before the first pair.
    POSITION GetStartPosition() const { return m_nCount == 0 ? nullptr : BEFORE_START_POSITION; }

    // Reads the pair at rNextPosition and moves it on; it becomes nullptr after the last pair.
    // A null position reads nothing.
    void GetNextAssoc(POSITION& rNextPosition, KEY& rKey, VALUE& rValue) const
    {
        const CAssoc* assoc = nullptr;
        if (rNextPosition == BEFORE_START_POSITION)
            assoc = FirstFrom(0);
        else
            assoc = reinterpret_cast<const CAssoc*>(rNextPosition);
        if (assoc == nullptr)
        {
            rNextPosition = nullptr;
            return;
        }
        rKey = assoc->key;
        rValue = assoc->value;
        const CAssoc* next = assoc->pNext != nullptr ? assoc->pNext : FirstFrom(assoc->bucket + 1);
        rNextPosition = reinterpret_cast<POSITION>(const_cast<CAssoc*>(next));
    }

private:
    struct CAssoc
    {
        CAssoc(ARG_KEY k, UINT b, CAssoc* next) : pNext(next), bucket(b), key(k), value() {}
        CAssoc* pNext;
        UINT bucket;
        KEY key;
        VALUE value;
    };

    const CAssoc* FirstFrom(UINT bucket) const
    {
        if (m_pHashTable == nullptr)
            return nullptr;
        for (; bucket < m_nHashTableSize; ++bucket)
        {
            if (m_pHashTable[bucket] != nullptr)
                return m_pHashTable[bucket];
        }
        return nullptr;
    }

    CAssoc* Find(ARG_KEY key, UINT bucket) const
    {
        if (m_pHashTable == nullptr)
            return nullptr;
        for (CAssoc* assoc = m_pHashTable[bucket]; assoc != nullptr; assoc = assoc->pNext)
        {
            if (assoc->key == key)
                return assoc;
        }
        return nullptr;
    }

    CAssoc** m_pHashTable = nullptr;
    static constexpr UINT m_nHashTableSize = 17;
    int m_nCount = 0;
};
