#include "analysis/series_table.h"

#include "kasumido/texts.h"
#include "text/sjis.h"

namespace kasumido {

const std::array<SeriesRow, kSeriesRowCount> kSeriesTable = {{
    {"ma_sb-bunko11.gif", texts::kSeriesBunko11},
    {"ma_sb-bunko12.gif", texts::kSeriesBunko12},
    {"ma_sb-bunko13.gif", texts::kSeriesBunko13},
    {"ma_sb-bunko14.gif", texts::kSeriesBunko14},
    {"ma_sb-bunko15.gif", texts::kSeriesBunko15},
    {"ma_sb-bunko16.gif", texts::kSeriesBunko16},
    {"ma_sb-bunko17.gif", texts::kSeriesBunko17},
    {"ma_sb-bunko18.gif", texts::kSeriesBunko18},
    {"ma_sb-bunko19.gif", texts::kSeriesBunko19},
    {"ma_sb-bunko20.gif", texts::kSeriesBunko20},
    {"ma_sb-bunko21.gif", texts::kSeriesBunko21},
    {"ma_sb-bunko22.gif", texts::kSeriesBunko22},
    {"ma_sb-book11.gif", texts::kSeriesBook11},
    {"ma_sb-book12.gif", texts::kSeriesBook12},
    {"ma_sb-book13.gif", texts::kSeriesBook13},
    {"ma_sb-book14.gif", texts::kSeriesBook14},
    {"ma_sb-book15.gif", texts::kSeriesBook15},
    {"ma_sb-book16.gif", texts::kSeriesBook16},
    {"ma_sb-book17.gif", texts::kSeriesBook17},
    {"ma_sb-book18.gif", texts::kSeriesBook18},
    {"ma_sb-book19.gif", texts::kSeriesBook19},
    {"ma_sb-book20.gif", texts::kSeriesBook20},
    {"ma_sb-comic11.gif", texts::kSeriesComic11},
    {"ma_sb-comic12.gif", texts::kSeriesComic12},
    {"ma_sb-comic13.gif", texts::kSeriesComic13},
    {"ma_sb-comic14.gif", texts::kSeriesComic14},
    {"ma_sb-comic15.gif", texts::kSeriesComic15},
    {"ma_sb-comic16.gif", texts::kSeriesComic16},
    {"ma_sb-comic17.gif", texts::kSeriesComic17},
    {"ma_sb-comic18.gif", texts::kSeriesComic18},
    {"ma_sb-mook", texts::kSeriesMook},  // any mook heading, whatever follows
    {"ma_sb.gif", texts::kSeriesMook},   // the heading without a series suffix
}};

std::optional<std::string_view> LookupSeries(std::string_view image_source) {
  for (const SeriesRow& row : kSeriesTable) {
    if (SjisContains(image_source, row.image_piece)) return row.label;
  }
  return std::nullopt;
}

}  // namespace kasumido
