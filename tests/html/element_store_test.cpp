#include "html/element_store.h"

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "html/html_element.h"

namespace kasumido {
namespace {

struct Piece {
  char* bytes;
  size_t size;
  char fill;
};

TEST(ElementStore, HandsOutPiecesThatNeverOverlapOrMove) {
  ElementStore store;
  std::vector<Piece> pieces;
  // Small pieces across many blocks, with pieces bigger than a block in between.
  const size_t sizes[] = {1, 7, 100, 3000, 15, 70000, 2, 4096, 513, 300000, 9};
  for (int round = 0; round < 20; ++round) {
    for (const size_t size : sizes) {
      const char fill = static_cast<char>('A' + pieces.size() % 26);
      char* bytes = store.AllocateBytes(size);
      std::memset(bytes, fill, size);
      pieces.push_back({bytes, size, fill});
    }
  }
  for (const Piece& piece : pieces) {
    ASSERT_EQ(std::string(piece.bytes, piece.size), std::string(piece.size, piece.fill));
  }
}

TEST(ElementStore, ShrinkingTheLatestPieceLetsTheNextOneFollowIt) {
  ElementStore store;
  char* first = store.AllocateBytes(100);
  store.ShrinkLastBytes(first, 40);
  char* second = store.AllocateBytes(10);
  EXPECT_EQ(second, first + 40);

  // An older piece, or a piece with a block of its own, is left as it is.
  store.ShrinkLastBytes(first, 1);
  EXPECT_EQ(store.AllocateBytes(1), second + 10);
  char* own = store.AllocateBytes(1 << 20);
  std::memset(own, 'x', 1 << 20);
  store.ShrinkLastBytes(own, 0);
  char* after = store.AllocateBytes(5);
  std::memset(after, 'y', 5);
  EXPECT_EQ(std::string(own, 1 << 20), std::string(1 << 20, 'x'));
}

TEST(ElementStore, HandsOutSeparateAttributeLists) {
  ElementStore store;
  std::vector<std::span<THTMLParam>> lists;
  std::deque<std::string> labels;  // the views below point into these
  const size_t counts[] = {0, 1, 3, 40, 2, 5000, 1};
  for (int round = 0; round < 10; ++round) {
    for (const size_t count : counts) {
      std::span<THTMLParam> list = store.AllocateParams(count);
      ASSERT_EQ(list.size(), count);
      const std::string& label = labels.emplace_back("list " + std::to_string(lists.size()));
      for (THTMLParam& param : list) {
        EXPECT_TRUE(param.Raw.empty());
        param.Raw = label;
      }
      lists.push_back(list);
    }
  }
  for (size_t i = 0; i < lists.size(); ++i) {
    for (const THTMLParam& param : lists[i]) ASSERT_EQ(param.Raw, "list " + std::to_string(i));
  }
}

}  // namespace
}  // namespace kasumido
