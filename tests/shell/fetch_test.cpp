#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "http/document_stream.h"
#include "platform/qt/qt_event_loop.h"
#include "shell/fake_download_view.h"
#include "shell/form_dll.h"
#include "site_server/hostile_answers.h"
#include "support/host_layout.h"
#include "support/loopback_peer.h"
#include "support/scratch_dir.h"
#include "support/scripted_http_server.h"
#include "support/test_event_loop.h"

namespace kasumido {
namespace {

using namespace std::chrono_literals;
using test::Script;

// The page fetch on the Qt loop against the scripted loopback server.
class FetchUrlTest : public ::testing::Test {
 protected:
  explicit FetchUrlTest(std::unique_ptr<EventLoop> loop = MakeEventLoop())
      : loop_(std::move(loop)) {
    layout_.WriteSettings({{"TimeOut_Text", "1"}});
    form_ = std::make_unique<TFormDLL>(*loop_, view_, layout_.Setup(server_.Origin()));
  }

  int Fetch(const std::string& path, const std::string& file = "GetKasumido.html",
            DocumentKind kind = DocumentKind::kPage) {
    return form_->FetchUrl(server_.Origin() + path, layout_.Temp(file), kind);
  }
  // Runs `call` from the loop after `delay`, while a fetch waits.
  void After(Milliseconds delay, std::function<void()> call) {
    timers_.push_back(loop_->CreateTimer());
    Timer& timer = *timers_.back();
    timer.OnTimer = [&timer, call = std::move(call)] {
      timer.SetEnabled(false);
      call();
    };
    timer.SetInterval(delay);
    timer.SetEnabled(true);
  }
  bool Exists(const std::string& file) const { return std::filesystem::exists(layout_.Temp(file)); }
  // Records, as each request starts, the start the run's spacing gave it and the time.
  void RecordRequestStarts() {
    form_->HttpClient1.OnStateChange = [this] {
      if (form_->HttpClient1.State() != HttpState::Resolving) return;
      starts_.push_back({form_->LastRequestTime().value(), loop_->Now()});
    };
  }
  // The recorded requests that went out before their slot or less than the spacing
  // after the one before.
  std::vector<std::string> SpacingFaults() const {
    std::vector<std::string> faults;
    for (std::size_t i = 0; i < starts_.size(); ++i) {
      if (starts_[i].second < starts_[i].first) faults.push_back(std::to_string(i) + " early");
      if (i > 0 && starts_[i].first - starts_[i - 1].first < kRequestSpacing) {
        faults.push_back(std::to_string(i) + " too close");
      }
    }
    return faults;
  }

  std::unique_ptr<EventLoop> loop_;
  test::ScriptedHttpServer server_;
  test::HostLayout layout_;
  test::FakeDownloadView view_;
  std::vector<std::unique_ptr<Timer>> timers_;
  std::unique_ptr<TFormDLL> form_;
  std::vector<std::pair<TimePoint, TimePoint>> starts_;  // slot given, request started
};

// The same on the deterministic loop, where the spacing's waits move its clock exactly
// (the transfers themselves still take real time).
class FetchUrlOnTestLoop : public FetchUrlTest {
 protected:
  FetchUrlOnTestLoop() : FetchUrlTest(std::make_unique<test::TestEventLoop>()) {}
};

TEST_F(FetchUrlTest, AnswersTheBodySizeOrZeroAndKeepsOnlyWholeBodies) {
  struct Case {
    const char* what;
    Script script;
    int answer;
    std::string status;
  };
  const std::string body(3000, 'x');
  std::vector<Case> cases;
  cases.push_back({"200 with body", Script::Ok(body), 3000, "Received 3000 bytes"});
  cases.push_back({"200 empty", Script::Ok(""), 0, "Received 0 bytes"});
  cases.push_back({"404", Script::NotFound(), 0, "page.html: 404 Not Found"});
  cases.push_back({"500",
                   Script::Bytes(test::ResponseBytes("HTTP/1.0 500 Internal Error", {}, "oops")), 0,
                   "page.html: 500 Internal Error"});
  for (Case& c : cases) {
    // A fresh run state per case: its first fetch does not wait for the request spacing.
    form_ = std::make_unique<TFormDLL>(*loop_, view_, layout_.Setup(server_.Origin()));
    server_.Enqueue(std::move(c.script));
    layout_.scratch.Write("temp/page.html", "stale content");
    EXPECT_EQ(Fetch("/dir/page.html", "page.html"), c.answer) << c.what;
    EXPECT_EQ(view_.status_text, c.status) << c.what;
    EXPECT_EQ(view_.status_hint, server_.Origin() + "/dir/page.html") << c.what;
    EXPECT_EQ(form_->CurrentFileName(), "page.html");
    if (c.answer > 0) {
      EXPECT_EQ(layout_.scratch.Read("temp/page.html"), body) << c.what;
    } else {
      EXPECT_FALSE(Exists("page.html")) << c.what;
    }
    EXPECT_FALSE(form_->Timer1->Enabled()) << c.what;
    EXPECT_EQ(form_->HttpClient1.DocStream, nullptr) << c.what;
  }
}

TEST_F(FetchUrlOnTestLoop, SpacesRequestStartsHalfASecondApartAndStaysResponsive) {
  server_.SetHandler([](const wire::RequestHead&) { return Script::Ok("page"); });
  int ticks = 0;
  const std::unique_ptr<Timer> ticker = loop_->CreateTimer();
  ticker->OnTimer = [&] { ++ticks; };
  ticker->SetInterval(50ms);
  ticker->SetEnabled(true);
  std::vector<TimePoint> connects;  // on the loop's clock
  form_->HttpClient1.OnStateChange = [&] {
    if (form_->HttpClient1.State() == HttpState::Connected) connects.push_back(loop_->Now());
  };
  std::vector<TimePoint> starts;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Fetch("/p.html"), 4);
    starts.push_back(form_->LastRequestTime().value());
  }
  ticker->SetEnabled(false);
  EXPECT_EQ(server_.RequestCount(), 3u);
  ASSERT_EQ(connects.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_GE(connects[i], starts[i]) << "request " << i << " went out before its slot";
    if (i > 0) {
      EXPECT_GE(starts[i] - starts[i - 1], 500ms) << i;
    }
  }
  EXPECT_GE(ticks, 10);  // timers ran during the waits
}

TEST_F(FetchUrlOnTestLoop, SpacesEveryRequestOfARelocationChain) {
  server_.SetHandler([](const wire::RequestHead& head) {
    return head.target == "/last" ? Script::Ok("last") : Script::Relocate("/again");
  });
  RecordRequestStarts();
  EXPECT_EQ(Fetch("/loop"), 0);
  EXPECT_EQ(form_->LastFetchFailure(), "Too many relocations");
  EXPECT_EQ(Fetch("/last"), 4);
  EXPECT_EQ(SpacingFaults(), std::vector<std::string>{});
  EXPECT_EQ(starts_.size(), 22u);
}

TEST_F(FetchUrlTest, FollowsARelocationChainAtTheRequestSpacingOnTheRealLoop) {
  layout_.WriteSettings({{"TimeOut_Text", "10"}});
  server_.Enqueue(Script::Relocate("/b"));
  server_.Enqueue(Script::Relocate("/c"));
  server_.Enqueue(Script::Ok("end"));
  RecordRequestStarts();
  EXPECT_EQ(Fetch("/a"), 3);
  EXPECT_EQ(SpacingFaults(), std::vector<std::string>{});
  EXPECT_EQ(starts_.size(), 3u);
}

TEST_F(FetchUrlTest, KeepsEachDocumentWithinItsSizeAndTime) {
  constexpr std::int64_t kMiB = 1024 * 1024;
  const std::string cut_body(1000, 'c');
  struct Case {
    const char* what;
    Script script;
    DocumentKind kind;
    int answer;
    std::string reason;
  };
  std::vector<Case> cases;
  cases.push_back({"a page of 5 MB", wire::HugeBody(5 * kMiB, wire::Length::kSent, "text/html"),
                   DocumentKind::kPage, 0, "more than 4 MB"});
  cases.push_back({"a page of 5 MB without a length",
                   wire::HugeBody(5 * kMiB, wire::Length::kNotSent, "text/html"),
                   DocumentKind::kPage, 0, "more than 4 MB"});
  cases.push_back({"a cover of 5 MB", wire::HugeBody(5 * kMiB, wire::Length::kSent, "image/jpeg"),
                   DocumentKind::kCover, 5 * kMiB, ""});
  cases.push_back({"a cover of 300 MB",
                   wire::HugeBody(300 * kMiB, wire::Length::kSent, "image/jpeg"),
                   DocumentKind::kCover, 0, "more than 32 MB"});
  cases.push_back(
      {"a body cut short",
       wire::CutBody(test::ResponseBytes("HTTP/1.0 200 OK", {"Content-Length: 1000"}, cut_body),
                     400, wire::Ending::kClose),
       DocumentKind::kPage, 0, "the body ended after 400 of 1000 bytes"});
  // A trickle that the time-out, switched off, would never end.
  cases.push_back({"a trickle",
                   wire::Trickle(test::ResponseBytes("HTTP/1.0 200 OK", {}, cut_body), 1, 100ms),
                   DocumentKind::kPage, 0, "took longer than 2 s"});
  layout_.WriteSettings({{"TimeOut_Text", "0"}});
  RunSetup setup = layout_.Setup(server_.Origin());
  setup.document_deadline = 2s;
  for (Case& c : cases) {
    form_ = std::make_unique<TFormDLL>(*loop_, view_, setup);
    server_.Enqueue(std::move(c.script));
    EXPECT_EQ(Fetch("/doc", "doc.bin", c.kind), c.answer) << c.what;
    EXPECT_EQ(form_->LastFetchFailure(), c.reason) << c.what;
    EXPECT_EQ(Exists("doc.bin"), c.answer > 0) << c.what;
    if (c.answer == 0) {
      EXPECT_EQ(view_.status_text, "doc.bin: 404 " + c.reason) << c.what;
    }
  }
}

TEST_F(FetchUrlTest, TimeOutCutsASilentServer) {
  server_.Enqueue(Script().HoldOpen());
  const TimePoint start = loop_->Now();
  EXPECT_EQ(Fetch("/silent.html"), 0);
  const auto took = loop_->Now() - start;
  EXPECT_GE(took, 900ms);
  EXPECT_LT(took, 6s);  // cut by the time-out, however late its timer fires on a busy machine
  EXPECT_EQ(view_.status_text, "GetKasumido.html: 404 Connection aborted on request");
  EXPECT_FALSE(Exists("GetKasumido.html"));
}

TEST_F(FetchUrlTest, ASlowButSteadyTransferIsNeverCut) {
  // A chunk every 0.5 s, 3.5 s in all: longer than the time-out of 3 s, which only a
  // countdown restarted by every chunk survives, with 2.5 s to spare for each chunk.
  layout_.WriteSettings({{"TimeOut_Text", "3"}});
  const std::string body(2000, 'd');
  server_.Enqueue(Script()
                      .Send("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n")
                      .Dribble(body, 250, 500ms));
  EXPECT_EQ(Fetch("/slow.html"), 2000);
  EXPECT_EQ(layout_.scratch.Read("temp/GetKasumido.html"), body);
  // Progress texts count up to the whole body.
  std::vector<std::string> progress;
  for (const std::string& text : view_.status_texts) {
    if (text.find(" Bytes") != std::string::npos) progress.push_back(text);
  }
  ASSERT_GE(progress.size(), 4u);
  EXPECT_EQ(progress.back(), "GetKasumido.html: 2000 Bytes");
}

TEST_F(FetchUrlTest, TimeOutZeroSwitchesItOff) {
  layout_.WriteSettings({{"TimeOut_Text", "0"}});
  server_.Enqueue(Script().Pause(1500ms).Send(test::ResponseBytes("HTTP/1.0 200 OK", {}, "late")));
  EXPECT_EQ(Fetch("/late.html"), 4);
}

TEST_F(FetchUrlTest, SkipStopAndClosingAbortTheTransferInProgress) {
  using Handler = void (TFormDLL::*)();
  const std::vector<Handler> handlers = {&TFormDLL::ButtonSkipClick, &TFormDLL::ButtonStopClick,
                                         &TFormDLL::FormClose};
  layout_.WriteSettings({});  // time-out 60 s: only the button can end the transfer
  for (Handler handler : handlers) {
    form_ = std::make_unique<TFormDLL>(*loop_, view_, layout_.Setup(server_.Origin()));
    server_.Enqueue(Script().Send("HTTP/1.0 200 OK\r\n\r\npartial").HoldOpen());
    After(300ms, [this, handler] { (form_.get()->*handler)(); });
    const TimePoint start = loop_->Now();
    EXPECT_EQ(Fetch("/held.html"), 0);
    EXPECT_LT(loop_->Now() - start, 5s);
    EXPECT_EQ(view_.status_text, "GetKasumido.html: 404 Connection aborted on request");
    EXPECT_FALSE(Exists("GetKasumido.html"));
  }
}

TEST_F(FetchUrlTest, SaysWhyAFetchFailedInPlainWords) {
  enum class During { kNothing, kSkip, kStop };
  struct Case {
    const char* what;
    Script script;
    std::string reason;
    During during = During::kNothing;
  };
  std::vector<Case> cases;
  cases.push_back({"404", Script::NotFound(), "404 Not Found"});
  cases.push_back({"a reason with a line break and bytes beyond ASCII",
                   Script::Bytes("HTTP/1.0 503 Busy\rnow \x82\xa0\x01\r\n\r\n"),
                   "503 Busy?now ???"});
  cases.push_back({"empty", Script::Ok(""), "empty document (200 OK)"});
  cases.push_back({"closed without a byte", Script::Bytes(""), "no reply"});
  cases.push_back({"broken reply", Script::Bytes("HTTP/1.0 2x0 OK\r\n\r\n"), "Invalid HTTP reply"});
  cases.push_back({"silent", Script().HoldOpen(), "no data for 1 s"});
  cases.push_back({"skipped", Script().HoldOpen(), "skipped", During::kSkip});
  cases.push_back({"stopped", Script().HoldOpen(), "stopped", During::kStop});
  for (Case& c : cases) {
    form_ = std::make_unique<TFormDLL>(*loop_, view_, layout_.Setup(server_.Origin()));
    server_.Enqueue(std::move(c.script));
    if (c.during == During::kSkip) After(200ms, [this] { form_->ButtonSkipClick(); });
    if (c.during == During::kStop) After(200ms, [this] { form_->ButtonStopClick(); });
    EXPECT_EQ(Fetch("/page.html"), 0) << c.what;
    EXPECT_EQ(form_->LastFetchFailure(), c.reason) << c.what;
  }
  // A stopped run refuses at once; a success keeps the reason of the last failure.
  EXPECT_EQ(Fetch("/page.html"), 0);
  EXPECT_EQ(form_->LastFetchFailure(), "stopped");
  form_ = std::make_unique<TFormDLL>(*loop_, view_, layout_.Setup(server_.Origin()));
  EXPECT_EQ(form_->LastFetchFailure(), "");
  EXPECT_EQ(form_->FetchUrl("http://127.0.0.1:" + test::UnusedLoopbackPort() + "/",
                            layout_.Temp("page.html"), DocumentKind::kPage),
            0);
  EXPECT_EQ(form_->LastFetchFailure(), "Connection refused (Error #10061)");
  server_.Enqueue(Script::Ok("fine"));
  EXPECT_EQ(Fetch("/page.html"), 4);
  EXPECT_EQ(form_->LastFetchFailure(), "Connection refused (Error #10061)");
  // A file that cannot be created: the exception's text.
  layout_.scratch.Write("temp/plain", "a file");
  EXPECT_THROW(Fetch("/page.html", "plain/page.html"), EDocumentStreamError);
  EXPECT_NE(form_->LastFetchFailure().find("plain/page.html"), std::string::npos)
      << form_->LastFetchFailure();
}

TEST_F(FetchUrlOnTestLoop, AStopRequestStartsNoRequestAndCreatesNoFile) {
  // A first fetch whose name lookup fails at once: it starts the spacing, and no time
  // passes on the loop's clock before the next fetch waits for its request slot.
  EXPECT_EQ(form_->FetchUrl("http://unknown.test/first.html", layout_.Temp("first.html"),
                            DocumentKind::kPage),
            0);
  const TimePoint first = form_->LastRequestTime().value();
  // Stop pressed while the next fetch waits for its request slot.
  After(100ms, [this] { form_->ButtonStopClick(); });
  EXPECT_EQ(Fetch("/second.html", "second.html"), 0);
  EXPECT_TRUE(form_->StopRequested());
  EXPECT_EQ(loop_->Now() - first, 500ms) << "the stop came during the spacing wait";
  // And a fetch that starts with the stop already set.
  EXPECT_EQ(Fetch("/third.html", "third.html"), 0);
  EXPECT_EQ(server_.RequestCount(), 0u);
  EXPECT_FALSE(Exists("second.html"));
  EXPECT_FALSE(Exists("third.html"));
}

TEST_F(FetchUrlTest, AFileThatCannotBeCreatedThrowsAndSendsNothing) {
  layout_.scratch.Write("temp/plain", "a file");
  EXPECT_THROW(Fetch("/page.html", "plain/page.html"), EDocumentStreamError);
  EXPECT_EQ(server_.RequestCount(), 0u);
}

}  // namespace
}  // namespace kasumido
