// DEBUG_NEW records where each block was allocated, for as long as the block lives.
#include <afx.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#ifdef _DEBUG
#undef THIS_FILE
static char THIS_FILE[] = __FILE__;

namespace
{
struct Site
{
    bool found;
    std::string file;
    int line;
};

Site SiteOf(const void* p)
{
    const char* file = nullptr;
    int line = 0;
    const bool found = AfxGetAllocationSite(p, &file, &line);
    return Site{found, found && file != nullptr ? file : "", line};
}

// With a destructor, an array carries a length prefix: the pointer the program sees lies inside
// the block rather than at its start.
struct Counted
{
    ~Counted() { ++destroyed; }
    static int destroyed;
    int value = 7;
};
int Counted::destroyed = 0;

TEST(DebugAllocationTest, RecordsTheFileAndLineOfEachBlock)
{
    const int scalarLine = __LINE__ + 1;
    double* scalar = DEBUG_NEW double(1.5);
    const int arrayLine = __LINE__ + 1;
    double* array = DEBUG_NEW double[262144];
    const int objectsLine = __LINE__ + 1;
    Counted* objects = DEBUG_NEW Counted[3];

    struct Case
    {
        const void* p;
        int line;
    };
    const Case cases[] = {
        /* 0 */ {scalar, scalarLine},
        /* 1 */ {array, arrayLine},
        /* 2 */ {array + 262143, arrayLine}, // the last element: inside the block
        /* 3 */ {objects, objectsLine},
        /* 4 */ {objects + 2, objectsLine},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        const Site site = SiteOf(cases[i].p);
        EXPECT_TRUE(site.found) << "case " << i;
        EXPECT_EQ(site.file, __FILE__) << "case " << i;
        EXPECT_EQ(site.line, cases[i].line) << "case " << i;
    }
    EXPECT_EQ(*scalar, 1.5);
    EXPECT_EQ(objects[1].value, 7);
    EXPECT_TRUE(AfxGetAllocationSite(scalar, nullptr, nullptr)); // either output may be omitted

    delete scalar;
    delete[] array;
    Counted::destroyed = 0;
    delete[] objects;
    EXPECT_EQ(Counted::destroyed, 3);
}

TEST(DebugAllocationTest, KnowsNothingOfOtherMemory)
{
    int local = 0;
    int* plain = new int(3);
    char* block = DEBUG_NEW char[16];
    EXPECT_FALSE(SiteOf(nullptr).found);
    EXPECT_FALSE(SiteOf(&local).found);
    EXPECT_FALSE(SiteOf(plain).found);
    EXPECT_FALSE(SiteOf(block + 16).found); // one past the end
    EXPECT_FALSE(SiteOf(block - 1).found);
    delete plain;
    delete[] block;
}

TEST(DebugAllocationTest, ForgetsABlockOnceItIsFreed)
{
    char* block = DEBUG_NEW char[64];
    int* single = DEBUG_NEW int(5);
    ASSERT_TRUE(SiteOf(block).found);
    ASSERT_TRUE(SiteOf(single).found);
    delete[] block;
    delete single;
    EXPECT_FALSE(SiteOf(block).found);
    EXPECT_FALSE(SiteOf(single).found);
}

TEST(DebugAllocationTest, ThreadsAllocateAndFreeConcurrently)
{
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t)
    {
        threads.emplace_back(
            [t, &wrong]
            {
                for (int i = 0; i < 500; ++i)
                {
                    const int line = __LINE__ + 1;
                    int* p = DEBUG_NEW int[i % 7 + 1];
                    const Site site = SiteOf(p);
                    if (!site.found || site.line != line)
                        ++wrong[t];
                    delete[] p;
                }
            });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(wrong[t], 0) << "thread " << t;
}
} // namespace
#endif
