#include "analysis/series_table.h"

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "support/encoding.h"

namespace kasumido {
namespace {

TEST(SeriesTable, FirstRowContainedInTheSourceGivesTheLabel) {
  const std::pair<const char*, const char*> cases[] = {
      {"/image/ma_sb-bunko11.gif", "霞堂文庫(日本)"},
      {"/image/ma_sb-bunko16.gif", "霞堂ランナー文庫"},
      {"ma_sb-bunko19.gif", "霞堂petit文庫"},
      {"/image/ma_sb-book15.gif?v=2", "カスミドウエンタテイメント NEXT"},
      {"/image/ma_sb-book17.gif", "選書・叢書"},
      {"/image/ma_sb-book19.gif", "ブックス/ノベルズ"},
      {"/image/ma_sb-book20.gif", "その他(CD-ROMなど)"},
      {"/image/ma_sb-comic11.gif", "女性向けコミック"},
      {"/image/ma_sb-comic18.gif", "グッズ・ニューメディア商品"},
      {"/image/ma_sb-mook.gif", "ムック"},
      {"/image/ma_sb-mook2.gif", "ムック"},
      {"/image/ma_sb.gif", "ムック"},
  };
  for (const auto& [source, label] : cases) {
    const std::optional<std::string_view> found = LookupSeries(source);
    ASSERT_TRUE(found.has_value()) << source;
    EXPECT_EQ(*found, test::Sjis(label)) << source;
  }
}

TEST(SeriesTable, SourcesOfNoRowLeaveTheSeriesAlone) {
  for (const char* source : {"/image/ma_sb-bunko23.gif", "/image/MA_SB.GIF", "/image/ma_sb-.gif",
                             "/image/ma_line2-330.gif", ""}) {
    EXPECT_FALSE(LookupSeries(source).has_value()) << source;
  }
}

TEST(SeriesTable, EveryRowIsReachableUnderItsOwnImageName) {
  for (size_t row = 0; row < kSeriesTable.size(); ++row) {
    const std::string source = "/image/" + std::string(kSeriesTable[row].image_piece);
    EXPECT_EQ(LookupSeries(source), kSeriesTable[row].label) << source;
  }
}

}  // namespace
}  // namespace kasumido
