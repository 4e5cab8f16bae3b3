// The wait before another attempt at a detail link when the site asks to slow down, on
// the deterministic loop against the scripted loopback server: the loop's clock moves
// by the waits (and by the little real time that the socket waits take).
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kasumido/texts.h"
#include "shell/fake_download_view.h"
#include "shell/form_dll.h"
#include "support/encoding.h"
#include "support/host_layout.h"
#include "support/scripted_http_server.h"
#include "support/test_event_loop.h"

namespace kasumido {
namespace {

using namespace std::chrono_literals;
using test::Script;

enum class During { kNothing, kStop, kSkip };
// What the wait is counted from: a wait the site asked for runs from its answer, the
// request spacing from the start of the request before (however long its answer took).
enum class Since { kAnswer, kRequest };

struct Case {
  const char* what;
  std::string status_line;
  std::string header;  // one header line, or empty
  During during;       // pressed 3 s into the wait
  Milliseconds wait;   // to the next request
  Since since;
  std::size_t requests;   // detail requests the server saw
  const char* announced;  // seconds in the status text, or null when none is shown
};

TEST(BackOff, NextAttemptWaitsWhatTheSiteAskedForUnlessStopOrSkipEndsTheWait) {
  const Case cases[] = {
      {"429 with Retry-After 7", "HTTP/1.1 429 Too Many Requests", "Retry-After: 7",
       During::kNothing, 7s, Since::kAnswer, 2, "7"},
      {"503 naming no time", "HTTP/1.1 503 Service Unavailable", "", During::kNothing, 5s,
       Since::kAnswer, 2, "5"},
      {"more than the longest wait", "HTTP/1.1 429 Too Many Requests", "Retry-After: 900",
       During::kNothing, 120s, Since::kAnswer, 2, "120"},
      {"stop during the wait", "HTTP/1.1 429 Too Many Requests", "Retry-After: 7", During::kStop,
       3s, Since::kAnswer, 1, "7"},
      {"skip during the wait", "HTTP/1.1 429 Too Many Requests", "Retry-After: 7", During::kSkip,
       3s, Since::kAnswer, 2, "7"},
      {"other errors keep the request spacing", "HTTP/1.1 500 Internal Server Error",
       "Retry-After: 7", During::kNothing, 500ms, Since::kRequest, 2, nullptr},
  };
  for (const Case& c : cases) {
    test::TestEventLoop loop;
    loop.AddHost("127.0.0.1", "127.0.0.1");
    test::ScriptedHttpServer server;
    test::HostLayout layout;
    test::FakeDownloadView view;
    layout.WriteSettings({{"TimeOut_Text", "10"}});
    TFormDLL form(loop, view, layout.Setup(server.Origin()));
    layout.scratch.Write("temp/GetKasumido.html", "<a href=\"detail/bk_detail.php?pcd=1\">1</a>");
    const std::string header_lines = c.header.empty() ? "" : c.header + "\r\n";
    server.Enqueue(Script::Bytes(c.status_line + "\r\n" + header_lines + "\r\nbusy"));
    server.Enqueue(Script::Ok(test::Euc("<!-- *MAIN --><b>題名</b>")));

    std::vector<TimePoint> starts;  // loop time at the start of each fetch
    std::optional<TimePoint> answered;
    std::unique_ptr<Timer> press = loop.CreateTimer();
    press->OnTimer = [&] {
      press->SetEnabled(false);
      if (c.during == During::kStop) form.ButtonStopClick();
      if (c.during == During::kSkip) form.ButtonSkipClick();
    };
    view.OnStatusHint = [&](std::string_view) { starts.push_back(loop.Now()); };
    view.OnStatusText = [&](std::string_view text) {
      if (text.starts_with("GetKasumido2.html: ") && !answered) answered = loop.Now();
      if (text.starts_with(texts::kStatusSlowDownPrefix) && c.during != During::kNothing) {
        press->SetInterval(3s);
        press->SetEnabled(true);
      }
    };
    const TimePoint begin = loop.Now();
    form.AnalyseListing(server.Origin() + "/bunko/", 193);

    EXPECT_EQ(server.RequestCount(), c.requests) << c.what;
    ASSERT_TRUE(answered) << c.what;
    if (c.requests == 2) {
      ASSERT_EQ(starts.size(), 2u) << c.what;
      const TimePoint since = c.since == Since::kAnswer ? *answered : starts[0];
      EXPECT_GE(starts[1] - since, c.wait - 20ms) << c.what;
      EXPECT_LE(starts[1] - since, c.wait + 20ms) << c.what;
      EXPECT_NE(layout.scratch.Read("host/ShelvioMas.csv").find(test::Sjis("題名")),
                std::string::npos)
          << c.what;
    } else {
      EXPECT_EQ(starts.size(), 1u) << c.what;
      EXPECT_LE(loop.Now() - begin, c.wait + 1s) << c.what << ": the stop ended the wait";
    }
    const std::string announcement = std::string(texts::kStatusSlowDownPrefix) +
                                     (c.announced ? c.announced : "") +
                                     std::string(texts::kStatusSlowDownSuffix);
    const int shown = std::count(view.status_texts.begin(), view.status_texts.end(), announcement);
    EXPECT_EQ(shown, c.announced ? 1 : 0) << c.what;
  }
}

}  // namespace
}  // namespace kasumido
