#include "html/element_store.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "html/block_pool.h"
#include "html/html_parser.h"

namespace kasumido {
namespace {

struct Piece {
  StoreOffset offset;
  const char* address;
  size_t size;
  char fill;
};

TEST(ElementStore, HandsOutPiecesThatNeverOverlapOrMove) {
  BlockPool pool;
  ElementStore store(pool);
  std::vector<Piece> pieces;
  // Small pieces across many blocks, with pieces bigger than a block in between.
  const size_t sizes[] = {1, 7, 100, 3000, 15, 70000, 2, 4096, 513, 300000, 9, 0};
  const size_t alignments[] = {1, 2, 4, 8};
  for (int round = 0; round < 20; ++round) {
    for (const size_t size : sizes) {
      const char fill = static_cast<char>('A' + pieces.size() % 26);
      const size_t alignment = alignments[pieces.size() % 4];
      const StoreOffset offset = store.Allocate(size, alignment);
      EXPECT_EQ(offset % alignment, 0u);
      if (size > 0) std::memset(store.At(offset), fill, size);
      pieces.push_back({offset, size > 0 ? store.At(offset) : nullptr, size, fill});
    }
  }
  for (const Piece& piece : pieces) {
    ASSERT_EQ(store.View(piece.offset, piece.size), std::string(piece.size, piece.fill));
    if (piece.size > 0) {
      ASSERT_EQ(store.At(piece.offset), piece.address);
    }
  }
}

TEST(ElementStore, ShrinkingTheLatestPieceLetsTheNextOneFollowIt) {
  BlockPool pool;
  ElementStore store(pool);
  const StoreOffset first = store.Allocate(100);
  store.ShrinkLast(first, 40);
  const StoreOffset second = store.Allocate(10);
  EXPECT_EQ(second, first + 40);

  // An older piece is left as it is.
  store.ShrinkLast(first, 1);
  EXPECT_EQ(store.Allocate(1), second + 10);
  const StoreOffset own = store.Allocate(1 << 20);
  std::memset(store.At(own), 'x', 1 << 20);
  const StoreOffset after = store.Allocate(5);
  store.ShrinkLast(own, 0);
  std::memset(store.At(store.Allocate(5)), 'y', 5);
  EXPECT_NE(after, own);
  EXPECT_EQ(store.View(own, 1 << 20), std::string(1 << 20, 'x'));
}

TEST(ElementStore, UpperCasesNamesAndSharesTheCopies) {
  BlockPool pool;
  ElementStore store(pool);
  struct Case {
    std::string name;
    std::string upper;
  };
  const Case cases[] = {
      {"td", "TD"},       {"TD", "TD"},
      {"Href", "HREF"},   {"a\xb4\xc1z", "A\xb4\xc1Z"},
      {"!--", "!--"},     {"", ""},
      {"x-1_y", "X-1_Y"}, {std::string(40, 'q'), std::string(40, 'Q')},
  };
  for (const Case& c : cases) {
    const StoreOffset name = store.Copy(c.name);
    const StoreOffset upper = store.UpperCase(name, c.name.size());
    EXPECT_EQ(store.View(upper, c.name.size()), c.upper) << c.name;
    EXPECT_EQ(upper == name, c.name == c.upper) << "a name without lower case is its own";
  }
  const StoreOffset once = store.UpperCase(store.Copy("href"), 4);
  EXPECT_EQ(store.UpperCase(store.Copy("hReF"), 4), once);
  EXPECT_NE(store.UpperCase(store.Copy("hrefs"), 5), once);
}

TEST(BlockPool, GivesBackWhatItKeptAndFreesTheRest) {
  BlockPool pool;
  PoolBlock unit = pool.Take(1);
  PoolBlock large = pool.Take(3 * BlockPool::kUnit + 1);
  EXPECT_EQ(unit.size, BlockPool::kUnit);
  EXPECT_EQ(large.size, 4 * BlockPool::kUnit);
  const char* const unit_bytes = unit.bytes.get();
  const char* const large_bytes = large.bytes.get();
  pool.Give(std::move(unit));
  pool.Give(std::move(large));
  EXPECT_EQ(pool.KeptBytes(), 5 * BlockPool::kUnit);
  EXPECT_EQ(pool.Take(2 * BlockPool::kUnit).bytes.get(), large_bytes);
  EXPECT_EQ(pool.Take(BlockPool::kUnit).bytes.get(), unit_bytes);
  EXPECT_EQ(pool.KeptBytes(), 0u);
  EXPECT_EQ(pool.BlocksMade(), 2u);

  // A larger block too small for a request is freed; no more than kKeptBytes is kept.
  pool.Give(pool.Take(2 * BlockPool::kUnit));
  pool.Give(pool.Take(BlockPool::kUnit));
  EXPECT_EQ(pool.KeptBytes(), 3 * BlockPool::kUnit);
  PoolBlock larger = pool.Take(3 * BlockPool::kUnit);
  EXPECT_EQ(pool.KeptBytes(), BlockPool::kUnit);
  std::vector<PoolBlock> many;
  for (size_t i = 0; i <= BlockPool::kKeptBytes / BlockPool::kUnit; ++i) {
    many.push_back(pool.Take(BlockPool::kUnit));
  }
  for (PoolBlock& block : many) pool.Give(std::move(block));
  EXPECT_EQ(pool.KeptBytes(), BlockPool::kKeptBytes);
}

TEST(THTMLParser, TakesTheBlocksOfTheParserBeforeIt) {
  std::vector<std::string> lines;
  for (int i = 0; i < 20000; ++i) {
    lines.push_back("<td class=\"c\">cell&nbsp;" + std::to_string(i) + "</td><a href=x" +
                    std::to_string(i) + ">");
  }
  const auto parse = [&lines] {
    THTMLParser parser;
    parser.Lines = lines;
    parser.Parse();
    return parser.Elements.size();
  };
  const size_t elements = parse();
  const size_t made = BlockPool::ForThisThread().BlocksMade();
  EXPECT_EQ(parse(), elements);
  EXPECT_EQ(BlockPool::ForThisThread().BlocksMade(), made);
}

}  // namespace
}  // namespace kasumido
