// CStringArray and CMap.
#include <afxcoll.h>
#include <afxtempl.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace
{
TEST(CStringArrayTest, KeepsInsertionOrderFromIndexZero)
{
    CStringArray array;
    EXPECT_TRUE(array.IsEmpty());
    EXPECT_EQ(array.GetUpperBound(), -1);
    EXPECT_EQ(array.Add("Standard"), 0);
    EXPECT_EQ(array.Add(CString("Open G")), 1);
    EXPECT_EQ(array.Add("Drop D"), 2);
    EXPECT_FALSE(array.IsEmpty());
    EXPECT_EQ(array.GetSize(), 3);
    EXPECT_EQ(array.GetCount(), 3);

    array.SetAt(0, "Ré");
    array.ElementAt(1) += "2";
    const CStringArray& view = array;
    EXPECT_EQ(view.GetAt(0), "Ré");
    EXPECT_EQ(view[1], "Open G2");
    EXPECT_EQ(array[2], "Drop D");

    array.RemoveAll();
    EXPECT_EQ(array.GetSize(), 0);
    EXPECT_EQ(array.Add("z"), 0); // usable again
}

TEST(CStringArrayTest, AddingAnElementOfItsOwnSurvivesGrowth)
{
    CStringArray array;
    array.Add("first");
    for (int i = 0; i < 100; ++i)
        array.Add(array[0]); // may move the storage while reading from it
    for (int i = 0; i < 100; ++i)
        array.Add(static_cast<LPCSTR>(array[i]));
    ASSERT_EQ(array.GetSize(), 201);
    for (int i = 0; i < array.GetSize(); ++i)
        ASSERT_EQ(array[i], "first") << "element " << i;
}

TEST(CStringArrayDeathTest, AnIndexOutsideTheArrayStopsTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    CStringArray array;
    array.Add("only");
    EXPECT_DEATH(array.GetAt(1), "CStringArray::GetAt: index 1 outside 0..0");
    EXPECT_DEATH(array.GetAt(-1), "CStringArray::GetAt: index -1");
    EXPECT_DEATH(array.ElementAt(5), "CStringArray::ElementAt: index 5");
    EXPECT_DEATH(array.SetAt(1, "no"), "CStringArray::ElementAt: index 1");
}

using NoteMap = CMap<int, int, CString, LPCSTR>;

// Walks the map and returns what it visited, failing on a pair seen twice.
std::map<int, std::string> Walk(const NoteMap& map)
{
    std::map<int, std::string> seen;
    POSITION pos = map.GetStartPosition();
    while (pos != nullptr)
    {
        int key = 0;
        CString value;
        map.GetNextAssoc(pos, key, value);
        EXPECT_TRUE(seen.emplace(key, std::string(value)).second) << "key " << key << " twice";
    }
    return seen;
}

TEST(CMapTest, SetLookupOverwriteAndSubscript)
{
    NoteMap map;
    EXPECT_TRUE(map.IsEmpty());
    map.SetAt(6, "MI");
    map.SetAt(13, "LA");
    map.SetAt(6, "MIb"); // the same key again replaces the value
    EXPECT_EQ(map.GetCount(), 2);

    CString value("untouched");
    EXPECT_TRUE(map.Lookup(6, value));
    EXPECT_EQ(value, "MIb");
    EXPECT_FALSE(map.Lookup(7, value));
    EXPECT_EQ(value, "MIb"); // a failed lookup leaves the output alone

    EXPECT_TRUE(map[3].IsEmpty()); // created with an empty value
    map[3] += "RE#";
    EXPECT_TRUE(map.Lookup(3, value));
    EXPECT_EQ(value, "RE#");
    EXPECT_EQ(map.GetCount(), 3);
}

TEST(CMapTest, AWalkVisitsEveryPairOnce)
{
    struct Case
    {
        int first;
        int count;
        int step;
        UINT tableSize; // 0 keeps the default
    };
    const Case cases[] = {
        /* 0 */ {0, 18, 1, 0},      // the note table's keys
        /* 1 */ {0, 1, 1, 0},       // a single pair
        /* 2 */ {-500, 1000, 1, 0}, // long chains, negative keys
        /* 3 */ {0, 40, 17, 0},     // every key in one bucket of the default table
        /* 4 */ {0, 50, 1, 1},      // a table of one bucket
        /* 5 */ {7, 30, 3, 101},    // a table larger than the map
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        const Case& c = cases[i];
        NoteMap map;
        if (c.tableSize != 0)
            map.InitHashTable(c.tableSize);
        std::map<int, std::string> expected;
        for (int n = 0; n < c.count; ++n)
        {
            const int key = c.first + n * c.step;
            const std::string value = "v" + std::to_string(key);
            map.SetAt(key, value.c_str());
            expected[key] = value;
        }
        EXPECT_EQ(map.GetCount(), c.count) << "case " << i;
        EXPECT_EQ(Walk(map), expected) << "case " << i;
    }
}

TEST(CMapTest, AnEmptyMapHasNoWalk)
{
    NoteMap map;
    EXPECT_EQ(map.GetStartPosition(), nullptr);
    map.SetAt(1, "DO#");
    map.RemoveAll();
    EXPECT_EQ(map.GetStartPosition(), nullptr);
    EXPECT_EQ(map.GetCount(), 0);
    CString value;
    EXPECT_FALSE(map.Lookup(1, value));

    map.SetAt(2, "REb"); // usable again after RemoveAll
    EXPECT_EQ(Walk(map), (std::map<int, std::string>{{2, "REb"}}));
}

TEST(CMapTest, RemoveKeyTakesOutOnlyThatPair)
{
    NoteMap map;
    map.InitHashTable(1); // one chain: removal from its head, middle and tail
    for (int key = 0; key < 5; ++key)
        map.SetAt(key, CString(static_cast<char>('a' + key), 1));
    EXPECT_TRUE(map.RemoveKey(2));
    EXPECT_TRUE(map.RemoveKey(0));
    EXPECT_TRUE(map.RemoveKey(4));
    EXPECT_FALSE(map.RemoveKey(4));
    EXPECT_FALSE(map.RemoveKey(9));
    EXPECT_EQ(map.GetCount(), 2);
    EXPECT_EQ(Walk(map), (std::map<int, std::string>{{1, "b"}, {3, "d"}}));
}

TEST(CMapTest, StringKeysAreExactAndCaseSensitive)
{
    CMap<CString, LPCSTR, int, int> map;
    map.SetAt("MI", 6);
    map.SetAt("mi", 99);
    map.SetAt("Ré", 3);
    int value = 0;
    EXPECT_TRUE(map.Lookup("MI", value));
    EXPECT_EQ(value, 6);
    EXPECT_TRUE(map.Lookup("mi", value));
    EXPECT_EQ(value, 99);
    EXPECT_TRUE(map.Lookup("Ré", value));
    EXPECT_EQ(value, 3);
    EXPECT_FALSE(map.Lookup("MI ", value));
    EXPECT_FALSE(map.Lookup("Re", value));
    EXPECT_EQ(map.GetCount(), 3);
}
} // namespace
