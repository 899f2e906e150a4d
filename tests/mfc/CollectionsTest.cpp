// CStringArray and CMap.
#include <afxcoll.h>
#include <afxtempl.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace
{
TEST(CStringArrayTest, KeepsInsertionOrderAndSurvivesAddingItsOwnElements)
{
    CStringArray array;
    EXPECT_EQ(array.Add("Standard"), 0);
    EXPECT_EQ(array.Add(CString("Open G")), 1);
    EXPECT_EQ(array[1], "Open G");
    // Adding an element of its own may move the storage while reading from it.
    for (int i = 0; i < 100; ++i)
        array.Add(array[0]);
    for (int i = 0; i < 100; ++i)
        array.Add(static_cast<LPCSTR>(array[i + 2]));
    ASSERT_EQ(array.GetSize(), 202);
    EXPECT_EQ(array.GetAt(1), "Open G");
    for (int i = 2; i < array.GetSize(); ++i)
        ASSERT_EQ(array[i], "Standard") << "element " << i;
    array.RemoveAll();
    EXPECT_EQ(array.GetSize(), 0);
    EXPECT_EQ(array.Add("Drop D"), 0) << "indexes start again from 0";
}

TEST(CStringArrayDeathTest, AnIndexOutsideTheArrayStopsTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    CStringArray array;
    array.Add("only");
    EXPECT_DEATH(array.GetAt(1), "CStringArray::GetAt: index 1 outside 0..0");
    EXPECT_DEATH(array[-1], "CStringArray::GetAt: index -1");
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

TEST(CMapTest, AWalkVisitsEveryPairOnceWithItsLatestValue)
{
    struct Case
    {
        int first;
        int count;
        int step;
    };
    const Case cases[] = {
        /* 0 */ {0, 0, 1},       // empty: no walk at all
        /* 1 */ {0, 1, 1},       // a single pair
        /* 2 */ {-500, 1000, 1}, // long chains, negative keys
        /* 3 */ {0, 40, 17},     // every key in one bucket
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        const Case& c = cases[i];
        NoteMap map;
        std::map<int, std::string> expected;
        for (int n = 0; n < c.count; ++n)
        {
            const int key = c.first + n * c.step;
            map.SetAt(key, "old");
            const std::string value = "v" + std::to_string(key);
            map.SetAt(key, value.c_str()); // the same key again replaces the value
            expected[key] = value;
        }
        EXPECT_EQ(map.GetStartPosition() == nullptr, c.count == 0) << "case " << i;
        EXPECT_EQ(Walk(map), expected) << "case " << i;
    }
}
} // namespace
