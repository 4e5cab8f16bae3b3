// kasumido.exe over HTTPS: the comic pages of the sample site from the TLS peers' nginx
// (tests/support/tls_peers.sh), its certificate from the run's test authority, which is
// trusted in the prefix's Root store before the program starts.
#include "e2e/win32/whole_run_fixture.h"
#include "support/tls_peers.h"
#include "support/whole_run_expectations.h"

namespace kasumido::test {
namespace {

using namespace std::chrono_literals;

TEST_F(WholeRun, OverHttpsGivesTheSameLinesAsOverHttp) {
  const TlsPeers peers;
  TrustTestAuthority(peers.Authority());
  const std::string origin = peers.Origin("site");
  host_.WriteSettings(ComicsOnly(10));
  program_ = host_.Start(origin, {}, {}, "program-https.txt");
  ASSERT_EQ(Finish(120s), 0) << "the run ends by itself with exit code 0";
  EXPECT_EQ(host_.MasterLines(),
            ExpectedMasterLines("master.csv.utf8", origin, host_.Temp(), {"/comic/"}));
  const std::string load = "ダウンロード";
  EXPECT_EQ(host_.PlanLines(0),
            PlanLog(origin, {"", "", "", load, "", "", "", load, "", "", "", load},
                    {{11, {kSiteDetailFailed}}}));
}

}  // namespace
}  // namespace kasumido::test
