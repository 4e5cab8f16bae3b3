// A page that arrived in a detail page's place but holds a challenge the site puts in
// front of its pages (a check that a person is reading, a notice that access is limited)
// instead of a book. Such a page tells that the site is limiting us, not that its layout
// changed, so the run counts it apart.
#pragma once

#include <string_view>

namespace kasumido {

// Whether `page` (the page's bytes, EUC-JP as the site sends them) holds one of the
// words such challenges use: in English, case-insensitive ("captcha", "are you a robot",
// "access denied", "too many requests", ...), or in Japanese (アクセス制限, ...).
// Meant for pages that gave no book: a book page may use these words in its text.
bool LooksLikeChallengePage(std::string_view page);

}  // namespace kasumido
