#include "support/test_event_loop.h"
#include "platform/waits.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kasumido {
namespace {

using namespace std::chrono_literals;

class TestEventLoopTest : public testing::Test {
 protected:
  Milliseconds Elapsed() const {
    return std::chrono::duration_cast<Milliseconds>(loop_.Now() - start_);
  }
  std::unique_ptr<Timer> MakeTimer(const std::string& name, Milliseconds interval) {
    auto timer = loop_.CreateTimer();
    timer->OnTimer = [this, name] {
      fired_.push_back(name + "@" + std::to_string(Elapsed().count()));
    };
    timer->SetInterval(interval);
    timer->SetEnabled(true);
    return timer;
  }

  test::TestEventLoop loop_;
  const TimePoint start_ = loop_.Now();
  std::vector<std::string> fired_;
};

TEST_F(TestEventLoopTest, AdvanceFiresEachTimerAtItsOwnDueTimeInOrder) {
  auto a = MakeTimer("a", 30ms);
  auto b = MakeTimer("b", 50ms);
  loop_.Advance(100ms);
  EXPECT_EQ(fired_, (std::vector<std::string>{"a@30", "b@50", "a@60", "a@90", "b@100"}));
  EXPECT_EQ(Elapsed(), 100ms);
}

TEST_F(TestEventLoopTest, WaitJumpsToTheNextDueTimerOrToTheEndOfItsTimeout) {
  auto a = MakeTimer("a", 250ms);
  loop_.WaitForEvents(1000ms);
  EXPECT_EQ(fired_, std::vector<std::string>{"a@250"});
  a->SetEnabled(false);
  loop_.WaitForEvents(100ms);
  EXPECT_EQ(Elapsed(), 350ms);
  EXPECT_FALSE(PumpUntil(
      loop_, [] { return false; }, loop_.Now() + 5s))
      << "deadline, no hang";
  EXPECT_EQ(Elapsed(), 5350ms);
}

TEST_F(TestEventLoopTest, ScriptedLookupsAnswerOnTheNextPass) {
  loop_.AddHost("www.kasumido-shoten.example", "127.0.0.1");
  loop_.AddHostError("down.example", 11002);
  struct Case {
    const char* host;
    int error;
    const char* address;
  };
  for (const Case& c :
       {Case{"www.kasumido-shoten.example", 0, "127.0.0.1"}, Case{"localhost", 0, "127.0.0.1"},
        Case{"down.example", 11002, ""}, Case{"unknown.example", 11001, ""}, Case{"", 11001, ""}}) {
    SCOPED_TRACE(c.host);
    auto lookup = loop_.CreateHostLookup();
    std::vector<std::pair<int, std::string>> answers;
    lookup->OnDone = [&](int error, const std::string& address) {
      answers.emplace_back(error, address);
    };
    lookup->Start(c.host);
    EXPECT_TRUE(answers.empty());
    loop_.ProcessPendingEvents();
    EXPECT_EQ(answers, (std::vector<std::pair<int, std::string>>{{c.error, c.address}}));
  }
}

TEST_F(TestEventLoopTest, HeldLookupsWaitForRelease) {
  auto lookup = loop_.CreateHostLookup();
  int answers = 0;
  lookup->OnDone = [&](int, const std::string&) { ++answers; };
  loop_.HoldLookups(true);
  lookup->Start("localhost");
  loop_.Advance(10'000ms);
  EXPECT_TRUE(lookup->Running());
  loop_.HoldLookups(false);
  loop_.ProcessPendingEvents();
  EXPECT_EQ(answers, 1);
  EXPECT_EQ(loop_.LookupsStarted(), 1);
}

}  // namespace
}  // namespace kasumido
