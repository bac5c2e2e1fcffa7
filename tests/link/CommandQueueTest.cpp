#include "link/CommandQueue.h"

#include <gtest/gtest.h>

#include "LinkTestSupport.h"

namespace kelvan::link::test {
namespace {

using Calls = std::vector<std::string>;

class CommandQueueTest : public ::testing::Test {
  protected:
    FakeView view;
    CommandQueue queue{view};
};

TEST_F(CommandQueueTest, OneEntryKeepsTheWindowHiddenTheSecondShowsIt) {
    queue.enqueue(Bytes{0xFE});
    EXPECT_EQ(view.calls, (Calls{"progress 1 1"}));
    queue.enqueue(Bytes{0xFD});
    EXPECT_EQ(view.calls, (Calls{"progress 1 1", "progress 2 2", "showProgress"}));
}

TEST_F(CommandQueueTest, RemovalLowersThePositionAndTheLastOneClosesTheWindow) {
    queue.enqueue(Bytes{1});
    queue.enqueue(Bytes{2});
    queue.enqueue(Bytes{3});
    const std::size_t mark = view.calls.size();
    queue.removeHead();
    queue.enqueue(Bytes{4});  // the maximum follows the count again
    queue.removeHead();
    queue.removeHead();
    queue.removeHead();
    EXPECT_EQ(view.logFrom(mark),
              (Calls{"progress 3 2", "progress 3 3", "showProgress", "progress 3 2", "progress 3 1",
                     "progress 3 0", "closeProgress"}));
    EXPECT_TRUE(queue.empty());
}

TEST_F(CommandQueueTest, KeepsFirstInFirstOutOrderAndCopiesThePayload) {
    Bytes payload{9, 0, 0, 0, 0, 224};
    queue.enqueue(payload);
    payload[0] = 13;
    queue.enqueue(payload);
    EXPECT_EQ(Bytes(queue.head().begin(), queue.head().end()), (Bytes{9, 0, 0, 0, 0, 224}));
    queue.removeHead();
    EXPECT_EQ(queue.head()[0], 13);
}

TEST_F(CommandQueueTest, EmptyPayloadAndEmptyQueueOperationsChangeNothing) {
    queue.enqueue(Bytes{});
    queue.removeHead();
    queue.clear();
    EXPECT_TRUE(queue.empty());
    EXPECT_TRUE(view.calls.empty());
    EXPECT_EQ(queue.clearCount(), 1u) << "a clear counts even when nothing was queued";
}

TEST_F(CommandQueueTest, ClearRemovesEachEntryAndClosesTheWindow) {
    queue.enqueue(Bytes{1});
    queue.enqueue(Bytes{2});
    const std::size_t mark = view.calls.size();
    queue.clear();
    EXPECT_EQ(view.logFrom(mark), (Calls{"progress 2 1", "progress 2 0", "closeProgress"}));
    queue.enqueue(Bytes{3});
    queue.removeHead();  // an answered command is no clear
    EXPECT_EQ(queue.clearCount(), 1u);
}

TEST_F(CommandQueueTest, RefusesAPayloadNoFrameCanCarry) {
    EXPECT_THROW(queue.enqueue(Bytes(256, 1)), std::length_error);
    EXPECT_TRUE(queue.empty());
    queue.enqueue(Bytes(255, 1));
    EXPECT_EQ(queue.size(), 1u);
}

}  // namespace
}  // namespace kelvan::link::test
