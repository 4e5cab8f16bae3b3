#include "http/http_reply_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace kasumido {
namespace {

// Feeds `bytes` in pieces of `piece` bytes and collects the lines.
std::vector<std::string> Lines(const std::string& bytes, std::size_t piece, std::string* rest) {
  HttpReplyReader reader;
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    const std::size_t size = std::min(piece, bytes.size() - at);
    std::memcpy(reader.FreeSpace(), bytes.data() + at, size);
    reader.Commit(size);
    while (const auto line = reader.NextLine()) lines.emplace_back(*line);
  }
  *rest = std::string(reader.Rest());
  return lines;
}

TEST(HttpReplyReader, CutsLinesAcrossReadsAndKeepsTheUnfinishedRest) {
  const std::string bytes = "HTTP/1.1 200 OK\r\nA: 1\nB: 2\r\r\n\r\nbody";
  const std::vector<std::string> expected = {"HTTP/1.1 200 OK", "A: 1", "B: 2\r", ""};
  for (const std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{7}, bytes.size()}) {
    SCOPED_TRACE(piece);
    std::string rest;
    EXPECT_EQ(Lines(bytes, piece, &rest), expected);
    EXPECT_EQ(rest, "body");
  }
}

TEST(HttpReplyReader, IsFullOnlyWhenAWholeBufferHoldsNoLineEnd) {
  HttpReplyReader reader;
  const std::string first = "X: 1\r\n";
  std::memcpy(reader.FreeSpace(), first.data(), first.size());
  reader.Commit(first.size());
  ASSERT_TRUE(reader.NextLine().has_value());
  // The rest of the buffer: one long line without an end.
  const std::string filler(HttpReplyReader::kCapacity - first.size(), 'a');
  std::memcpy(reader.FreeSpace(), filler.data(), filler.size());
  reader.Commit(filler.size());
  EXPECT_FALSE(reader.NextLine().has_value());
  EXPECT_FALSE(reader.Full()) << "the line taken frees its room";
  EXPECT_EQ(reader.FreeSize(), first.size());
  std::memset(reader.FreeSpace(), 'b', reader.FreeSize());
  reader.Commit(reader.FreeSize());
  EXPECT_FALSE(reader.NextLine().has_value());
  EXPECT_TRUE(reader.Full());
}

TEST(HttpReplyReader, GivesTheLastLineWithItsEndAndWhatFollows) {
  HttpReplyReader reader;
  const std::string bytes = "HTTP/1.0 200 OK\r\n<html>\r\n<body>";
  std::memcpy(reader.FreeSpace(), bytes.data(), bytes.size());
  reader.Commit(bytes.size());
  ASSERT_EQ(reader.NextLine(), "HTTP/1.0 200 OK");
  ASSERT_EQ(reader.NextLine(), "<html>");
  EXPECT_EQ(reader.FromLastLine(), "<html>\r\n<body>");
  EXPECT_EQ(reader.Rest(), "<body>");
}

}  // namespace
}  // namespace kasumido
