// Conditional requests for the listing pages: the validators that came with a page that
// became its saved copy are kept by URL and sent back on the next run; a 304 counts as
// unchanged, only with the edited-page check on.
#include "shell/listing_validators.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shell/fake_plan_run.h"

namespace kasumido {
namespace {

using test::FakePlanRun;
using test::LogLine;
using test::Url;

TEST(ListingValidators, TakesTheFirstPrintableValuesOfAReplyAndKeepsThemByUrl) {
  const std::string long_value(kMaxValidatorLength + 1, 'x');
  const struct {
    std::vector<std::string> header;
    PageValidators validators;
  } cases[] = {
      {{"HTTP/1.1 200 OK", "ETag: \"5f-abc\"", "Last-Modified: Tue, 01 Dec 2026 00:00:00 GMT"},
       {"\"5f-abc\"", "Tue, 01 Dec 2026 00:00:00 GMT"}},
      {{"HTTP/1.1 200 OK", "etag:W/\"1\"  ", "ETag: \"2\""}, {"W/\"1\"", ""}},
      {{"HTTP/1.1 200 OK", "ETag: \"a\tb\"", "Last-Modified: " + long_value}, {}},
      {{"HTTP/1.1 200 OK", "ETag: \"\xA4\xA2\""}, {}},
      {{"ETag: \"status line\"", "Content-Length: 3"}, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ValidatorsOf(c.header), c.validators) << c.header[1];
  EXPECT_EQ(ConditionalRequestLines({"\"1\"", "Tue, 01 Dec 2026 00:00:00 GMT"}),
            (std::vector<std::string>{"If-None-Match: \"1\"",
                                      "If-Modified-Since: Tue, 01 Dec 2026 00:00:00 GMT"}));

  test::ScratchDir scratch;
  const std::string path = scratch.File("kasumidoValidators.txt");
  ListingValidators kept = ListingValidators::Load(path);
  ASSERT_TRUE(kept.Keep("http://a/x.html", {"\"1\"", ""}));
  ASSERT_TRUE(kept.Keep("http://a/y.html", {"", "Tue, 01 Dec 2026 00:00:00 GMT"}));
  ASSERT_TRUE(kept.Keep("http://a/y.html", {}));
  EXPECT_EQ(scratch.Read("kasumidoValidators.txt"),
            "kasumido listing validators 1\r\nhttp://a/x.html\t\"1\"\t\r\n");
  EXPECT_EQ(ListingValidators::Load(path).For("http://a/x.html"), (PageValidators{"\"1\"", ""}));
  scratch.Write("kasumidoValidators.txt", "kasumido listing validators 1\r\nhttp://a/x.html\r\n");
  EXPECT_EQ(ListingValidators::Load(path).For("http://a/x.html"), PageValidators{});
}

class ConditionalListingTest : public ::testing::Test {
 protected:
  ConditionalListingTest() {
    run_.settings = {{"DLLComic_Checked", "True"}};
    test::PutWholeSite(run_);
    for (const char* page : {"/comic/kongetsu.html", "/comic/raigetsu.html"}) {
      run_.page_validators[Url(page)] = {std::string("\"") + page + "\"", "Tue, 01 Dec 2026"};
    }
  }
  test::ScratchDir scratch_;
  FakePlanRun run_{scratch_};
};

TEST_F(ConditionalListingTest, ANotModifiedAnswerCountsAsUnchanged) {
  DownloadPlan(run_);
  EXPECT_TRUE(run_.validators_sent.empty());  // no saved copies yet
  run_.log.clear();
  DownloadPlan(run_);
  EXPECT_EQ(run_.validators_sent,
            (std::vector<std::string>{
                Url("/comic/kongetsu.html") + " \"/comic/kongetsu.html\" Tue, 01 Dec 2026",
                Url("/comic/raigetsu.html") + " \"/comic/raigetsu.html\" Tue, 01 Dec 2026",
                Url("/comic/sengetsu.html") + "  "}));
  EXPECT_EQ(run_.log[1], LogLine("/comic/kongetsu.html", "スキップ"));
  EXPECT_EQ(run_.log[2], LogLine("/comic/raigetsu.html", "スキップ"));
  EXPECT_EQ(run_.log[3], LogLine("/comic/sengetsu.html", "スキップ"));  // compared

  // A changed page comes whole with new validators, which the next run sends.
  run_.page_validators[Url("/comic/kongetsu.html")] = {"\"new\"", ""};
  run_.pages[Url("/comic/kongetsu.html")] = "<html>\nchanged\n</html>\n";
  DownloadPlan(run_);
  EXPECT_EQ(run_.SavedCopy("kasumido3.html"), "<html>\nchanged\n</html>\n");
  run_.validators_sent.clear();
  DownloadPlan(run_);
  EXPECT_EQ(run_.validators_sent[0], Url("/comic/kongetsu.html") + " \"new\" ");
}

TEST_F(ConditionalListingTest, ASiteThatIgnoresThemChangesNothing) {
  run_.answers_not_modified = false;
  DownloadPlan(run_);
  run_.pages[Url("/comic/raigetsu.html")] = "<html>\nchanged\n</html>\n";
  run_.log.clear();
  DownloadPlan(run_);
  EXPECT_EQ(run_.validators_sent.size(), 3u);
  EXPECT_EQ(run_.log[1], LogLine("/comic/kongetsu.html", "スキップ"));  // compared
  EXPECT_EQ(run_.log[2], LogLine("/comic/raigetsu.html", "ダウンロード"));
  EXPECT_EQ(run_.SavedCopy("kasumido6.html"), "<html>\nchanged\n</html>\n");
}

TEST_F(ConditionalListingTest, WithTheCheckOffOrWithoutASavedCopyNothingIsSent) {
  DownloadPlan(run_);
  run_.settings["CheckEdited_Checked"] = "False";
  DownloadPlan(run_);
  EXPECT_TRUE(run_.validators_sent.empty());
  run_.settings.erase("CheckEdited_Checked");
  std::filesystem::remove(scratch_.File("host/old/kasumido3.html"));
  DownloadPlan(run_);
  EXPECT_EQ(run_.validators_sent.size(), 2u);  // the other two comic pages
  EXPECT_EQ(run_.SavedCopy("kasumido3.html"), run_.pages[Url("/comic/kongetsu.html")]);
}

}  // namespace
}  // namespace kasumido
