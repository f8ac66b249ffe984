#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "engine/ByteQueue.h"

namespace {

using Layout =
    std::vector<std::pair<std::uint32_t, std::uint32_t>>;  // (capacity, unread) per block

Layout LayoutOf(const CByteQueue& queue) {
    Layout layout;
    for (const QueueNode* node = queue.m_pHead; node != nullptr; node = node->m_pNext)
        layout.emplace_back(node->m_nCapacity, node->m_nWrite - node->m_nRead);
    return layout;
}

std::vector<std::uint8_t> Bytes(std::uint32_t length, std::uint8_t first) {
    std::vector<std::uint8_t> bytes(length);
    for (std::uint32_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(first + i * 7);
    return bytes;
}

std::vector<std::uint8_t> PopAll(CByteQueue& queue) {
    std::vector<std::uint8_t> out(queue.GetCount());
    EXPECT_EQ(queue.Pop(out.data(), static_cast<std::uint32_t>(out.size())), out.size());
    return out;
}

struct AppendCase {
    const char* name;
    std::uint32_t before;  // bytes appended first
    std::uint32_t length;  // then this many
    Layout expected;
};

TEST(ByteQueueAppend, FillsTheTailThenMakesOneBlockSizedForTheWholeLength) {
    const AppendCase cases[] = {
        {"small into a new queue", 0, 10, {{1024, 10}}},
        {"large into a new queue", 0, 5000, {{5000, 5000}}},
        {"exactly one chunk", 0, 1024, {{1024, 1024}}},
        {"100 with 30 free", 994, 100, {{1024, 1024}, {1024, 70}}},
        {"3000 with 30 free", 994, 3000, {{1024, 1024}, {3000, 2970}}},
        {"into a full tail", 1024, 1, {{1024, 1024}, {1024, 1}}},
    };
    for (const AppendCase& c : cases) {
        SCOPED_TRACE(c.name);
        CByteQueue queue(1024);
        const auto first = Bytes(c.before, 1);
        const auto second = Bytes(c.length, 99);
        if (c.before != 0) {
            ASSERT_EQ(queue.Append(first.data(), c.before), c.before);
        }
        EXPECT_EQ(queue.Append(second.data(), c.length), c.length);
        EXPECT_EQ(LayoutOf(queue), c.expected);
        EXPECT_EQ(queue.GetCount(), c.before + c.length);

        auto expected = first;
        expected.insert(expected.end(), second.begin(), second.end());
        EXPECT_EQ(PopAll(queue), expected);
    }
}

TEST(ByteQueueAppend, ZeroLengthChangesNothing) {
    CByteQueue queue(1024);
    EXPECT_EQ(queue.Append(nullptr, 0), 0u);
    EXPECT_EQ(queue.m_pHead, nullptr);
    EXPECT_EQ(queue.GetCount(), 0u);
}

TEST(ByteQueueReserve, NeedsMoreFreeSpaceThanTheLengthToUseTheTail) {
    struct Case {
        const char* name;
        std::uint32_t before;
        std::uint32_t length;
        bool inTail;
    };
    const Case cases[] = {
        {"free space equals the length", 1000, 24, false},
        {"free space is one more", 1000, 23, true},
        {"empty queue", 0, 10, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CByteQueue queue(1024);
        const auto filler = Bytes(c.before, 3);
        if (c.before != 0) queue.Append(filler.data(), c.before);
        QueueNode* oldTail = queue.m_pTail;
        std::uint8_t* space = queue.Reserve(c.length);
        ASSERT_NE(space, nullptr);
        if (c.inTail) {
            EXPECT_EQ(queue.m_pTail, oldTail);
            EXPECT_EQ(space, oldTail->Data() + c.before);
        } else {
            EXPECT_NE(queue.m_pTail, oldTail);
            EXPECT_EQ(space, queue.m_pTail->Data());
            EXPECT_EQ(queue.m_pTail->m_nCapacity, 1024u);
        }
        EXPECT_EQ(queue.GetCount(), c.before) << "reserved space is not counted";
        EXPECT_EQ(queue.m_pTail->m_nWrite, c.inTail ? c.before : 0u);
    }
}

TEST(ByteQueueReserve, ZeroLengthPointsAtTheTailsFreeByteOrNowhere) {
    CByteQueue queue(1024);
    EXPECT_EQ(queue.Reserve(0), nullptr);
    queue.Append("abc", 3);
    EXPECT_EQ(queue.Reserve(0), queue.m_pTail->Data() + 3);
    EXPECT_EQ(LayoutOf(queue), (Layout{{1024, 3}}));
}

TEST(ByteQueueCommit, CountsWhatWasWrittenIntoTheReservedSpace) {
    CByteQueue queue(1024);
    queue.Append("ab", 2);
    std::uint8_t* space = queue.Reserve(3);
    std::memcpy(space, "cde", 3);
    EXPECT_EQ(queue.Commit(3), 3u);
    EXPECT_EQ(queue.GetCount(), 5u);
    EXPECT_EQ(PopAll(queue), (std::vector<std::uint8_t>{'a', 'b', 'c', 'd', 'e'}));
}

TEST(ByteQueueCommit, RefusesMoreThanTheTailCanHold) {
    struct Case {
        const char* name;
        std::uint32_t before;
        std::uint32_t commit;
    };
    const Case cases[] = {
        {"beyond the capacity", 0, 1025},
        {"within the capacity but beyond the free space", 1000, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CByteQueue queue(1024);
        const auto filler = Bytes(c.before, 5);
        if (c.before != 0) queue.Append(filler.data(), c.before);
        queue.Reserve(0);
        if (queue.m_pTail == nullptr) queue.Reserve(1);
        const Layout before = LayoutOf(queue);
        EXPECT_EQ(queue.Commit(c.commit), 0u);
        EXPECT_EQ(LayoutOf(queue), before);
        EXPECT_EQ(queue.GetCount(), c.before);
        EXPECT_LE(queue.m_pTail->m_nWrite, queue.m_pTail->m_nCapacity);
    }
    CByteQueue empty(1024);
    EXPECT_EQ(empty.Commit(1), 0u) << "no block to commit into";
}

TEST(ByteQueueCommit, AnUncommittedReservationStaysAsAnEmptyTailForLaterAppends) {
    CByteQueue queue(1024);
    const auto filler = Bytes(1000, 1);
    queue.Append(filler.data(), 1000);
    queue.Reserve(500);
    EXPECT_EQ(LayoutOf(queue), (Layout{{1024, 1000}, {1024, 0}}));
    queue.Append("xyz", 3);
    EXPECT_EQ(LayoutOf(queue), (Layout{{1024, 1000}, {1024, 3}}));
}

TEST(ByteQueuePop, DrainingTheLastBlockKeepsASmallOneAndReleasesALargeOne) {
    struct Case {
        const char* name;
        std::uint32_t length;
        bool kept;
    };
    const Case cases[] = {
        {"capacity 1024", 1024, true},
        {"small fill of a 1024 block", 10, true},
        {"capacity 4096", 4096, true},
        {"capacity 4097", 4097, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CByteQueue queue(1024);
        const auto bytes = Bytes(c.length, 11);
        queue.Append(bytes.data(), c.length);
        QueueNode* block = queue.m_pHead;
        EXPECT_EQ(PopAll(queue), bytes);
        EXPECT_EQ(queue.GetCount(), 0u);
        if (c.kept) {
            EXPECT_EQ(queue.m_pHead, block);
            EXPECT_EQ(queue.m_pTail, block);
            EXPECT_EQ(block->m_nRead, 0u);
            EXPECT_EQ(block->m_nWrite, 0u);
            EXPECT_EQ(block->m_pNext, nullptr);
        } else {
            EXPECT_EQ(queue.m_pHead, nullptr);
            EXPECT_EQ(queue.m_pTail, nullptr);
        }
    }
}

TEST(ByteQueuePop, ADrainedSmallBlockIsReusedForTheNextBytes) {
    CByteQueue queue(1024);
    queue.Append("hello", 5);
    QueueNode* block = queue.m_pHead;
    char out[5];
    queue.Pop(out, 5);
    queue.Append("again", 5);
    EXPECT_EQ(queue.m_pHead, block);
    EXPECT_EQ(LayoutOf(queue), (Layout{{1024, 5}}));
}

TEST(ByteQueuePop, TakesAcrossBlocksAndFreesEachOneItDrains) {
    struct Case {
        const char* name;
        std::uint32_t pop;
        std::uint32_t taken;
        Layout after;
    };
    const Case cases[] = {
        {"into the second block", 1500, 1500, {{1024, 524}}},
        {"exactly the first block", 1024, 1024, {{1024, 1000}}},
        {"more than everything", 5000, 2024, {{1024, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CByteQueue queue(1024);
        const auto first = Bytes(1024, 1);
        const auto second = Bytes(1000, 77);
        queue.Append(first.data(), 1024);
        queue.Append(second.data(), 1000);
        ASSERT_EQ(LayoutOf(queue), (Layout{{1024, 1024}, {1024, 1000}}));

        std::vector<std::uint8_t> out(c.pop);
        EXPECT_EQ(queue.Pop(out.data(), c.pop), c.taken);
        EXPECT_EQ(LayoutOf(queue), c.after);
        EXPECT_EQ(queue.GetCount(), 2024 - c.taken);

        auto all = first;
        all.insert(all.end(), second.begin(), second.end());
        out.resize(c.taken);
        EXPECT_EQ(out, std::vector<std::uint8_t>(all.begin(), all.begin() + c.taken));
    }
}

TEST(ByteQueuePop, WithoutADestinationDiscardsAndCounts) {
    CByteQueue queue(1024);
    const auto bytes = Bytes(2000, 1);
    queue.Append(bytes.data(), 1000);
    queue.Append(bytes.data() + 1000, 1000);
    EXPECT_EQ(queue.Pop(nullptr, 1200), 1200u);
    EXPECT_EQ(queue.GetCount(), 800u);
    EXPECT_EQ(PopAll(queue), std::vector<std::uint8_t>(bytes.begin() + 1200, bytes.end()));
}

TEST(ByteQueuePop, ZeroLengthOrEmptyQueueTakesNothing) {
    CByteQueue queue(1024);
    std::uint8_t out[4] = {};
    EXPECT_EQ(queue.Pop(out, 4), 0u);
    queue.Append("abcd", 4);
    EXPECT_EQ(queue.Pop(out, 0), 0u);
    EXPECT_EQ(LayoutOf(queue), (Layout{{1024, 4}}));
}

TEST(ByteQueuePop, SkipsAnEmptyHeadLeftBeforeAReservedBlock) {
    CByteQueue queue(1024);
    queue.Append("ab", 2);
    queue.Pop(nullptr, 2);                      // the block stays, empty
    std::uint8_t* space = queue.Reserve(1024);  // free space equals the length: new block
    std::memcpy(space, "zz", 2);
    queue.Commit(2);
    ASSERT_EQ(LayoutOf(queue), (Layout{{1024, 0}, {1024, 2}}));
    char out[2];
    EXPECT_EQ(queue.Pop(out, 2), 2u);
    EXPECT_EQ(LayoutOf(queue), (Layout{{1024, 0}}));
}

TEST(ByteQueueFront, ShowsTheHeadBlocksUnreadBytes) {
    CByteQueue queue(1024);
    std::uint32_t length = 99;
    EXPECT_EQ(queue.Front(&length), nullptr);
    EXPECT_EQ(length, 0u);

    const auto bytes = Bytes(1500, 2);
    queue.Append(bytes.data(), 1000);
    queue.Append(bytes.data() + 1000, 500);
    queue.Pop(nullptr, 100);
    const std::uint8_t* front = queue.Front(&length);
    EXPECT_EQ(length, 924u);  // 24 of the second append filled the first block
    EXPECT_EQ(front[0], bytes[100]);
}

TEST(ByteQueueClear, FreesEveryBlockAndDestroyingAFullQueueLeaksNothing) {
    auto queue = std::make_unique<CByteQueue>(1024);
    const auto bytes = Bytes(5000, 1);
    queue->Append(bytes.data(), 100);
    queue->Append(bytes.data(), 5000);
    queue->Reserve(3000);
    queue->Clear();
    EXPECT_EQ(queue->m_pHead, nullptr);
    EXPECT_EQ(queue->m_pTail, nullptr);
    EXPECT_EQ(queue->GetCount(), 0u);
    queue->Append(bytes.data(), 2500);
    queue->Append(bytes.data(), 2500);
    queue.reset();  // the leak checker of the sanitizer build catches blocks left behind
}

// Random mixes of every operation against a plain FIFO: order, count and block invariants.
TEST(ByteQueueModel, RandomOperationsKeepFifoOrderAndBlockInvariants) {
    std::mt19937 rng(12345);
    CByteQueue queue(64);
    std::deque<std::uint8_t> model;
    std::uint8_t next = 0;
    for (int step = 0; step < 20000; ++step) {
        const int op = static_cast<int>(rng() % 4);
        const std::uint32_t length = rng() % 3 == 0 ? rng() % 400 : rng() % 40;
        if (op == 0) {
            std::vector<std::uint8_t> data(length);
            for (auto& b : data) model.push_back(b = next++);
            ASSERT_EQ(queue.Append(data.data(), length), length);
        } else if (op == 1 && length != 0) {
            std::uint8_t* space = queue.Reserve(length);
            ASSERT_NE(space, nullptr);
            const std::uint32_t used = rng() % (length + 1);
            for (std::uint32_t i = 0; i < used; ++i) model.push_back(space[i] = next++);
            ASSERT_EQ(queue.Commit(used), used);
        } else {
            std::vector<std::uint8_t> out(length);
            const bool discard = op == 3 && rng() % 2 == 0;
            const std::uint32_t taken = queue.Pop(discard ? nullptr : out.data(), length);
            ASSERT_EQ(taken, std::min<std::size_t>(length, model.size()));
            for (std::uint32_t i = 0; i < taken; ++i) {
                if (!discard) {
                    ASSERT_EQ(out[i], model.front());
                }
                model.pop_front();
            }
        }
        ASSERT_EQ(queue.GetCount(), model.size());
        std::size_t unread = 0;
        for (const QueueNode* node = queue.m_pHead; node != nullptr; node = node->m_pNext) {
            ASSERT_LE(node->m_nRead, node->m_nWrite);
            ASSERT_LE(node->m_nWrite, node->m_nCapacity);
            ASSERT_GE(node->m_nCapacity, 64u);
            if (node->m_pNext == nullptr) {
                ASSERT_EQ(node, queue.m_pTail);
            }
            unread += node->m_nWrite - node->m_nRead;
        }
        ASSERT_EQ(unread, model.size());
    }
}

}  // namespace
