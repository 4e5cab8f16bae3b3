// Download runs in the real window, steered as a user would: button states, captions,
// status texts and hints, the title list, closing and activating during the run.
#include <QWindow>

#include "platform/waits.h"
#include "window_run_fixture.h"

namespace kasumido {
namespace {

using namespace std::chrono_literals;
using test::Buttons;
using test::kComicLast;
using test::kComicNext;
using test::kComicNow;
using test::kComicOnly;
using test::Script;
using WindowRunTest = test::WindowRunTest;

TEST_F(WindowRunTest, ButtonsFollowTheRunThroughPauseResumeSkipAndStop) {
  site_.Hold(kComicNow);
  site_.Hold(kComicNext);
  Create(kComicOnly);
  RunThrough({
      {"the first listing in transfer", [&] { return site_.Count(kComicNow) == 1; },
       [&] {
         EXPECT_EQ(ButtonStates(), (Buttons{false, true, true, true}));
         Click("ButtonPause");
       }},
      {"paused", [&] { return form_->Paused(); },
       [&] {
         EXPECT_EQ(ButtonStates(), (Buttons{true, true, true, false}));
         Click("ButtonPlay");
       }},
      {"resumed", [&] { return !form_->Paused() && ButtonStates()[3]; },
       [&] {
         EXPECT_EQ(ButtonStates(), (Buttons{false, true, true, true}));
         Click("ButtonSkip");
       }},
      {"the next listing in transfer", [&] { return site_.Count(kComicNext) == 1; },
       [&] {
         EXPECT_EQ(ButtonStates(), (Buttons{false, true, true, true}));
         Click("ButtonPause");
       }},
      {"paused again", [&] { return form_->Paused(); }, [&] { Click("ButtonStop"); }},
      {"stopped during the pause", [&] { return form_->StopRequested() && !form_->Paused(); },
       [&] {
         EXPECT_EQ(ButtonStates(), (Buttons{false, false, false, false}));
       }},
  });
  EXPECT_EQ(ButtonStates(), (Buttons{false, false, false, false}));
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(site_.Targets(), (std::vector<std::string>{kComicNow, kComicNext}));
  form_.reset();
  EXPECT_EQ(PlanLines(), (std::vector<std::string>{"*** 霞堂書店DLL ***", "スキップボタン押下",
                                                   Url(kComicNow) + " 失敗", "停止ボタン押下",
                                                   Url(kComicNext) + " 失敗", "END"}));
}

TEST_F(WindowRunTest, SkipPressedTwiceMarksTheCaptionOnceAndIsLoggedTwice) {
  site_.Hold(kComicNow);
  site_.Answer(kComicNext, Script::NotFound());
  site_.Answer(kComicLast, Script::NotFound());
  Create(kComicOnly);
  RunThrough({{"the listing in transfer", [&] { return site_.Count(kComicNow) == 1; },
               [&] {
                 QPushButton* skip = window_->findChild<QPushButton*>("ButtonSkip");
                 QTimer::singleShot(0, skip, [skip] {
                   QTest::mouseClick(skip, Qt::LeftButton);
                   QTest::mouseClick(skip, Qt::LeftButton);
                 });
               }}});
  const std::vector<std::string> expected_captions = {
      "霞堂書店ダウンロード",     "ラノベ今月ダウンロード",   "書籍今月ダウンロード",
      "文庫今月ダウンロード",     "コミック今月ダウンロード", "コミック今月ダウンロードスキップ...",
      "ラノベ来月ダウンロード",   "書籍来月ダウンロード",     "文庫来月ダウンロード",
      "コミック来月ダウンロード", "ラノベ先月ダウンロード",   "書籍先月ダウンロード",
      "文庫先月ダウンロード",     "コミック先月ダウンロード"};
  EXPECT_EQ(window_->captions, expected_captions);
  form_.reset();
  EXPECT_EQ(PlanLines(), (std::vector<std::string>{"*** 霞堂書店DLL ***", "スキップボタン押下",
                                                   "スキップボタン押下", Url(kComicNow) + " 失敗",
                                                   Url(kComicNext) + " 失敗",
                                                   Url(kComicLast) + " 失敗", "END"}));
}

TEST_F(WindowRunTest, StatusBarShowsEachTransferWithItsUrlAsTheHint) {
  const std::string body(120, 'x');
  const struct {
    const char* what;
    Script answer;
    std::vector<std::string> texts;  // shown while the listing's URL is the hint
  } cases[] = {
      {"a body in three pieces",
       Script()
           .Send(test::ResponseBytes("HTTP/1.0 200 OK", {"Content-Length: 120"}, ""))
           .Dribble(body, 40, 150ms),
       {"GetKasumido.html: 40 Bytes", "GetKasumido.html: 80 Bytes", "GetKasumido.html: 120 Bytes",
        "Received 120 bytes"}},
      {"an error status",
       Script::Bytes(test::ResponseBytes("HTTP/1.0 404 Not Found", {"Content-Length: 0"}, "")),
       {"GetKasumido.html: 404 Not Found"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    site_.Answer(kComicNow, c.answer);
    site_.Answer(kComicNext, Script::NotFound());
    site_.Answer(kComicLast, Script::NotFound());
    form_.reset();
    window_.reset();
    run_returned_ = false;
    Create(kComicOnly);
    RunThrough({});
    std::vector<std::string> texts;
    for (const auto& [text, hint] : window_->statuses) {
      if (hint == Url(kComicNow)) texts.push_back(text);
    }
    EXPECT_EQ(texts, c.texts);
    ASSERT_GE(window_->statuses.size(), 2u);
    // The last listing's failure stays until the end, which says how the site's check went.
    EXPECT_EQ(window_->statuses[window_->statuses.size() - 2],
              std::make_pair(std::string("GetKasumido.html: 404 Not Found"), Url(kComicLast)));
    EXPECT_EQ(window_->statuses.back(),
              std::make_pair(std::string("サイト点検: 指摘なし"), Url(kComicLast)));
  }
}

TEST_F(WindowRunTest, TheMemoShowsTheTitleOfEachAnalysedPage) {
  site_.Listing(kComicNow, {"detail/bk_detail.php?pcd=4001", "detail/bk_detail.php?pcd=4002"});
  site_.Answer(kComicNext, Script::NotFound());
  site_.Answer(kComicLast, Script::NotFound());
  Create(kComicOnly);
  RunThrough({});
  EXPECT_EQ(MemoLines(),
            QStringList({test::Q("花冠のレイディ 3"), test::Q("鉄と硝煙のブルース 5")}));
  EXPECT_EQ(window_->TitleCount(), 2);
}

TEST_F(WindowRunTest, ClosingTheWindowDuringATransferEndsTheRunWithItsEndLine) {
  site_.Hold(kComicNow);
  Create(kComicOnly);  // a time-out of 20 s: only the close can end the transfer early
  RunThrough({{"the listing in transfer", [&] { return site_.Count(kComicNow) == 1; },
               [&] { window_->windowHandle()->close(); }}});
  EXPECT_LT(run_millis_, 10000);
  EXPECT_FALSE(window_->isVisible());
  EXPECT_TRUE(form_->StopRequested());
  EXPECT_EQ(site_.Targets(), std::vector<std::string>{kComicNow});
  form_.reset();
  EXPECT_EQ(PlanLines(),
            (std::vector<std::string>{"*** 霞堂書店DLL ***", Url(kComicNow) + " 失敗", "END"}));
}

TEST_F(WindowRunTest, LaterActivationsStartNoSecondRun) {
  site_.Hold(kComicNow);
  Create(kComicOnly);
  RunThrough({
      {"the listing in transfer", [&] { return site_.Count(kComicNow) == 1; },
       [&] {
         Activate();
         Activate();
       }},
      {"both activations returned inside the run", [&] { return nested_returns_ >= 2; },
       [&] {
         EXPECT_EQ(site_.Targets().size(), 1u);
         Click("ButtonStop");
       }},
  });
  // After the run: shown and activated again, the window starts nothing.
  const int before = activations_;
  window_->show();
  Activate();
  ASSERT_TRUE(test::PumpUntil([&] { return activations_ > before; }));
  test::PumpPending();
  EXPECT_EQ(site_.Targets(), std::vector<std::string>{kComicNow});
  form_.reset();
  EXPECT_EQ(layout_.Runs(), 1);
  EXPECT_EQ(PlanLines().back(), "END");
}

}  // namespace
}  // namespace kasumido
