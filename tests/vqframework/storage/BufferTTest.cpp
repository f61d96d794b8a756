#include "vqframework/storage/BufferT.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace VQ {
namespace {

// One step of a resize sequence and what the buffer must look like after it.
struct ResizeStep {
    uint32_t size;
    uint32_t capacity;
    bool sameBlock;
};

void RunResizeSteps(IBuffer& buffer, const std::vector<ResizeStep>& steps)
{
    for (const ResizeStep& step : steps) {
        SCOPED_TRACE("Resize(" + std::to_string(step.size) + ")");
        const char* before = buffer.GetData();
        EXPECT_EQ(buffer.Resize(step.size), step.size);
        EXPECT_EQ(buffer.GetSize(), step.size);
        EXPECT_EQ(buffer.GetCapacity(), step.capacity);
        if (step.sameBlock) {
            EXPECT_EQ(buffer.GetData(), before);
        }
        EXPECT_EQ(buffer.GetData() == nullptr, step.capacity == 0);
    }
}

TEST(BufferT, GranuleFourRoundsUpAndCutsBackPastThreeSpareBytes)
{
    BufferT<4, 0, 8, char*> buffer;
    RunResizeSteps(buffer, {{5, 8, false}, {6, 8, true}, {8, 8, true}, {5, 8, true}, {4, 4, false}, {9, 12, false}});
}

TEST(BufferT, StringBufferGrowsExactlyAndKeeps128SpareBytes)
{
    BufferT<1, 128, 8, char*> buffer(10);
    RunResizeSteps(buffer, {{200, 200, false}, {72, 200, true}, {71, 71, false}});
}

TEST(BufferT, RecordBufferToleratesFullGranuleOfSpareBytes)
{
    BufferT<512, 512, 8, char*> buffer;
    RunResizeSteps(buffer, {{1, 512, false}, {1025, 1536, false}, {1024, 1536, true}, {1, 512, false}});
}

TEST(BufferT, ResizeToZeroPastTheSlackFreesTheBlock)
{
    BufferT<1, 0, 8, char*> exact(3);
    RunResizeSteps(exact, {{0, 0, false}});

    BufferT<1, 128, 8, char*> slack(100);
    RunResizeSteps(slack, {{0, 100, true}});
}

TEST(BufferT, ResizeKeepsContentsWhenItReallocates)
{
    BufferT<1, 0, 8, char*> buffer(4);
    std::memcpy(buffer.GetData(), "abcd", 4);
    buffer.Resize(4096);
    EXPECT_EQ(std::memcmp(buffer.GetData(), "abcd", 4), 0);
    buffer.Resize(2);
    EXPECT_EQ(std::memcmp(buffer.GetData(), "ab", 2), 0);
}

TEST(BufferT, SetSizeKeepsBlockOnlyWhenRoundedSizeIsUnchanged)
{
    BufferT<4, 0, 8, char*> buffer;
    EXPECT_EQ(buffer.SetSize(6), 6u);
    EXPECT_EQ(buffer.GetCapacity(), 8u);
    std::memcpy(buffer.GetData(), "abcdef", 6);
    const char* block = buffer.GetData();

    EXPECT_EQ(buffer.SetSize(7), 7u);
    EXPECT_EQ(buffer.GetData(), block);
    EXPECT_EQ(std::memcmp(buffer.GetData(), "abcdef", 6), 0);

    EXPECT_EQ(buffer.SetSize(9), 9u);
    EXPECT_EQ(buffer.GetCapacity(), 12u);

    EXPECT_EQ(buffer.SetSize(0), 0u);
    EXPECT_EQ(buffer.GetCapacity(), 0u);
    EXPECT_EQ(buffer.GetData(), nullptr);
}

TEST(BufferT, ConstructionCutsBackAReservationBeyondTheSlack)
{
    struct Case {
        uint32_t size;
        uint32_t reserve;
        uint32_t capacity;
    };
    for (const Case& c : {Case{10, 1000, 10}, Case{10, 100, 100}, Case{0, 0, 0}, Case{0, 128, 128}, Case{5, 3, 5}}) {
        SCOPED_TRACE(std::to_string(c.size) + ", " + std::to_string(c.reserve));
        BufferT<1, 128, 8, char*> buffer(c.size, c.reserve, true);
        EXPECT_EQ(buffer.GetSize(), c.size);
        EXPECT_EQ(buffer.GetCapacity(), c.capacity);
        for (uint32_t i = 0; i < c.size; ++i)
            EXPECT_EQ(buffer.GetData()[i], 0);
    }
}

TEST(BufferT, EmptyBufferHasNoDataAndNoPointer)
{
    BufferT<4, 0, 8, float*> buffer;
    EXPECT_EQ(buffer.GetData(), nullptr);
    EXPECT_EQ(buffer.GetTypedData(), nullptr);
    EXPECT_EQ(buffer.GetPointer(0), nullptr);
    buffer.Resize(8);
    EXPECT_EQ(static_cast<void*>(buffer.GetTypedData()), buffer.GetData());
    EXPECT_EQ(buffer.GetPointer(7), buffer.GetData() + 7);
    EXPECT_EQ(buffer.GetPointer(8), nullptr);
    EXPECT_EQ(buffer.GetPointer(0xFFFFFFFFu), nullptr);
}

struct FillCase {
    const char* name;
    bool sixteen;
    uint32_t offset;
    int32_t count;
    VQRESULT result;
    const char* after; // the five bytes afterwards; '.' stands for an untouched byte
};

class BufferFill : public ::testing::TestWithParam<FillCase> {};

TEST_P(BufferFill, WritesInsideTheSizeOnly)
{
    const FillCase& c = GetParam();
    BufferT<1, 0, 8, char*> buffer(5);
    std::memset(buffer.GetData(), '.', 5);
    const VQRESULT result = c.sixteen ? buffer.Fill16(0x5858, c.offset, c.count) : buffer.Fill('X', c.offset, c.count);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(std::string(buffer.GetData(), 5), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BufferFill,
    ::testing::Values(FillCase{"Middle", false, 1, 3, S_OK, ".XXX."}, FillCase{"ToEnd", false, 2, -1, S_OK, "..XXX"},
                      FillCase{"ZeroAtEnd", false, 5, 0, S_OK, "....."},
                      FillCase{"RestAtEnd", false, 5, -1, S_OK, "....."},
                      FillCase{"RestPastEnd", false, 6, -1, E_INVALIDARG, "....."},
                      FillCase{"PastEnd", false, 3, 3, E_INVALIDARG, "....."},
                      FillCase{"HugeCount", false, 1, 0x7FFFFFFF, E_INVALIDARG, "....."},
                      FillCase{"HugeOffset", false, 0xFFFFFFFF, 1, E_INVALIDARG, "....."},
                      FillCase{"UnitsToEnd", true, 0, -1, S_OK, "XXXX."},
                      FillCase{"UnitsFromOddOffset", true, 1, -1, S_OK, ".XXXX"},
                      FillCase{"UnitsPastEnd", true, 2, 2, E_INVALIDARG, "....."},
                      FillCase{"UnitsZeroAtEnd", true, 5, 0, S_OK, "....."},
                      FillCase{"UnitsHugeCount", true, 0, 0x7FFFFFFF, E_INVALIDARG, "....."}),
    [](const ::testing::TestParamInfo<FillCase>& info) { return std::string(info.param.name); });

TEST(BufferT, Fill16WritesUnitsInMachineOrder)
{
    BufferT<1, 0, 8, char*> buffer(4);
    ASSERT_EQ(buffer.Fill16(0x1234, 0, 2), S_OK);
    uint16_t units[2];
    std::memcpy(units, buffer.GetData(), 4);
    EXPECT_EQ(units[0], 0x1234);
    EXPECT_EQ(units[1], 0x1234);
}

using RecordBuffer = LBufferT<1, 128, 8, char*>;

TEST(LBufferT, CreateSubCopyTakesBytesFromOffsetAndZeroFillsTheRest)
{
    ConstRCPtr<LIBuffer> source = RecordBuffer::Create(10, 0, false);
    std::memcpy(source->GetData(), "0123456789", 10);

    ConstRCPtr<LIBuffer> copy = source->CreateSubCopy(8, 6);
    ASSERT_EQ(copy->GetSize(), 8u);
    EXPECT_EQ(std::memcmp(copy->GetData(), "6789\0\0\0\0", 8), 0);
    EXPECT_EQ(copy->GetRefCount(), 1);

    ConstRCPtr<LIBuffer> beyond = source->CreateSubCopy(3, 10);
    EXPECT_EQ(std::memcmp(beyond->GetData(), "\0\0\0", 3), 0);

    ConstRCPtr<LIBuffer> shorter = source->CreateSubCopy(2, 1);
    EXPECT_EQ(std::memcmp(shorter->GetData(), "12", 2), 0);
}

TEST(LBufferT, CreateCopyIsAnExactShareableCopy)
{
    ConstRCPtr<LIBuffer> source = RecordBuffer::Create(0, 300, false);
    const_cast<LIBuffer*>(source.Get())->Resize(5);
    std::memcpy(source->GetData(), "hello", 5);

    RCPtr<LRefCountedObject> copy = source->CreateCopy();
    const auto* buffer = dynamic_cast<const LIBuffer*>(copy.Get());
    ASSERT_NE(buffer, nullptr);
    EXPECT_NE(buffer, source.Get());
    EXPECT_EQ(buffer->GetSize(), 5u);
    EXPECT_EQ(buffer->GetCapacity(), 5u);
    EXPECT_EQ(std::memcmp(buffer->GetData(), "hello", 5), 0);
    EXPECT_EQ(copy->GetRefCount(), 1);
    EXPECT_TRUE(copy->IsShareable());
}

TEST(LBufferT, LockedBufferIsCopiedWhenASecondHolderTakesIt)
{
    ConstRCPtr<LIBuffer> first = RecordBuffer::Create(3, 0, true);
    const_cast<LIBuffer*>(first.Get())->SetUnshareable(true);
    ConstRCPtr<LIBuffer> second = first;
    EXPECT_NE(second.Get(), first.Get());
    EXPECT_EQ(second->GetSize(), 3u);
    EXPECT_EQ(first->GetRefCount(), 1);
}

TEST(LBufferT, CreateZeroFillsAndStartsWithOneReference)
{
    ConstRCPtr<LIBuffer> buffer = LBufferT<512, 512, 8, char*>::Create(100, 0, true);
    EXPECT_EQ(buffer->GetSize(), 100u);
    EXPECT_EQ(buffer->GetCapacity(), 512u);
    EXPECT_EQ(buffer->GetRefCount(), 1);
    for (uint32_t i = 0; i < 100; ++i)
        EXPECT_EQ(buffer->GetData()[i], 0);
}

// Serves the system heap until told to fail.
class FailingAllocator final : public IAllocator {
public:
    bool failing = false;
    void* Allocate(size_t size) override { return failing ? nullptr : std::malloc(size); }
    void* AllocateZeroed(size_t count, size_t size) override { return failing ? nullptr : std::calloc(count, size); }
    void* Reallocate(void* block, size_t size) override
    {
        if (size == 0) {
            std::free(block);
            return nullptr;
        }
        return failing ? nullptr : std::realloc(block, size);
    }
    void Free(void* block) override { std::free(block); }
};

FailingAllocator g_failingAllocator;
IAllocator& GetFailingAllocator()
{
    return g_failingAllocator;
}

class ExhaustedMemory : public ::testing::Test {
protected:
    void TearDown() override { g_failingAllocator.failing = false; }
};

TEST_F(ExhaustedMemory, LeavesTheBufferUnchangedAndReportsTheOldSize)
{
    BufferT<4, 0, 8, char*, &GetFailingAllocator> buffer(6);
    std::memcpy(buffer.GetData(), "abcdef", 6);
    const char* block = buffer.GetData();
    g_failingAllocator.failing = true;

    EXPECT_EQ(buffer.Resize(100), 6u);
    EXPECT_EQ(buffer.SetSize(100), 6u);
    EXPECT_EQ(buffer.GetSize(), 6u);
    EXPECT_EQ(buffer.GetCapacity(), 8u);
    EXPECT_EQ(buffer.GetData(), block);
    EXPECT_EQ(std::memcmp(buffer.GetData(), "abcdef", 6), 0);

    // Operations that need no memory still work.
    EXPECT_EQ(buffer.Resize(7), 7u);
    EXPECT_EQ(buffer.SetSize(0), 0u);
    EXPECT_EQ(buffer.GetData(), nullptr);
}

TEST_F(ExhaustedMemory, ConstructionGivesAnEmptyBuffer)
{
    g_failingAllocator.failing = true;
    LBufferT<1, 128, 8, char*, &GetFailingAllocator> buffer(10, 20, true);
    EXPECT_EQ(buffer.GetSize(), 0u);
    EXPECT_EQ(buffer.GetCapacity(), 0u);
    EXPECT_EQ(buffer.GetData(), nullptr);
}

TEST(BufferT, SizesBeyondFourGibibytesAfterRoundingAreRefused)
{
    BufferT<512, 512, 8, char*> buffer(1);
    EXPECT_EQ(buffer.Resize(0xFFFFFFFFu), 1u);
    EXPECT_EQ(buffer.SetSize(0xFFFFFF01u), 1u);
    EXPECT_EQ(buffer.GetCapacity(), 512u);
}

} // namespace
} // namespace VQ
