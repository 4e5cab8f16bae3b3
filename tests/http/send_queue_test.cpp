#include "http/send_queue.h"

#include <gtest/gtest.h>

#include <string>

#include "support/loopback_peer.h"

namespace kasumido {
namespace {

TEST(SendQueue, FillsBlocksOf1460BytesInOrder) {
  struct Case {
    std::vector<std::size_t> appends;
    std::size_t blocks;
  };
  const Case cases[] = {
      {{1}, 1}, {{1460}, 1}, {{1461}, 2}, {{1000, 460}, 1}, {{1000, 461}, 2}, {{3 * 1460 + 1}, 4},
  };
  for (const Case& c : cases) {
    SendQueue queue;
    std::size_t total = 0;
    for (const std::size_t size : c.appends) {
      queue.Append(test::PatternBytes(size));
      total += size;
    }
    EXPECT_EQ(queue.BlockCount(), c.blocks) << total;
    EXPECT_EQ(queue.Size(), total);
    EXPECT_LE(queue.Front().size(), TBuffer::kSize);
  }
}

TEST(SendQueue, DrainsEveryByteOnceInOrderWhateverTheChunkSizes) {
  const std::string bytes = test::PatternBytes(10 * 1460 + 77);
  for (const std::size_t chunk : {std::size_t{1}, std::size_t{100}, std::size_t{1459},
                                  std::size_t{1460}, std::size_t{5000}}) {
    SendQueue queue;
    // Appends interleaved with partial sends, as a busy connection sees them.
    std::string drained;
    std::size_t appended = 0;
    while (appended < bytes.size() || !queue.Empty()) {
      if (appended < bytes.size()) {
        const std::size_t size = std::min<std::size_t>(3000, bytes.size() - appended);
        queue.Append(std::string_view(bytes).substr(appended, size));
        appended += size;
      }
      const std::string_view front = queue.Front();
      const std::size_t taken = std::min(chunk, front.size());
      drained.append(front.substr(0, taken));
      queue.Consume(taken);
    }
    EXPECT_TRUE(drained == bytes) << "chunk " << chunk;
    EXPECT_EQ(queue.Size(), 0u);
  }
}

TEST(SendQueue, PartlySentBlockKeepsItsRest) {
  SendQueue queue;
  queue.Append("abcdef");
  queue.Consume(2);
  EXPECT_EQ(queue.Front(), "cdef");
  queue.Append("gh");
  EXPECT_EQ(queue.Front(), "cdefgh");
  queue.Clear();
  EXPECT_TRUE(queue.Empty());
  EXPECT_EQ(queue.Front(), "");
}

}  // namespace
}  // namespace kasumido
