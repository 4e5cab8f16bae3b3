#include "analysis/challenge_page.h"

#include <string>

#include "kasumido/texts.h"
#include "platform/ascii.h"
#include "text/euc.h"
#include "text/sjis.h"

namespace kasumido {
namespace {

constexpr std::string_view kEnglishWords[] = {
    "captcha",       "are you a robot",   "not a robot", "are you human",   "verify you are",
    "access denied", "too many requests", "rate limit",  "unusual traffic", "request blocked",
};

constexpr std::string_view kJapaneseWords[] = {
    texts::kChallengeAccessLimited,
    texts::kChallengeAccessCrowded,
    texts::kChallengeNotRobot,
    texts::kChallengeImageAuth,
};

}  // namespace

bool LooksLikeChallengePage(std::string_view page) {
  const std::string lower = AsciiLower(page);
  for (std::string_view word : kEnglishWords) {
    if (lower.find(word) != std::string::npos) return true;
  }
  const std::string sjis = EucToSjis(page);
  for (std::string_view word : kJapaneseWords) {
    if (SjisContains(sjis, word)) return true;
  }
  return false;
}

}  // namespace kasumido
