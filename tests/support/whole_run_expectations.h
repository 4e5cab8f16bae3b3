// What a whole run over the sample site must leave in the host's files, for the runs of
// the real program on either platform: the hand-written master-file lines, the plan's
// lines in the run log, the saved copies of the listing pages, and the host's SHV.INI
// with the window's placement added and every other byte kept.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "support/host_layout.h"

namespace kasumido::test {

// The host settings of a run over the whole site: every category, the edited-page check.
extern const std::map<std::string, std::string> kWholeSiteSettings;

// The twelve listing pages in the plan's order ("/lnovel/kongetsu.html", ...).
extern const std::vector<std::string> kPlanPages;

// The hand-written master-file lines of a first run over samples/site (or, with
// "edge.csv.utf8", samples/edge), with {ORIGIN} and {TEMP} filled in (the temporary
// folder then the platform's separator), keeping only the lines whose detail URL lies in
// one of `folders` ("/lnovel/", "/book/", ...); all when `folders` is empty.
std::vector<std::string> ExpectedMasterLines(std::string_view file, const std::string& origin,
                                             const std::string& temp,
                                             const std::vector<std::string>& folders = {});

// The lines whose detail page is one of `codes` (pcd=...), in file order.
std::vector<std::string> WithCodes(const std::vector<std::string>& lines,
                                   const std::set<int>& codes);

// The cover field (field 17, the last) of the last line of `master`, the master file's
// Shift_JIS bytes; "(no line)" when it holds no whole line.
std::string LastCoverField(const std::string& master);

// The plan's lines of one run as HostLayout::PlanLines gives them: "*** 霞堂書店DLL ***",
// then "<origin><page> <word>" for each of the twelve pages whose word is not empty, each
// followed by the lines `after` holds for its index (0 to 11) with the origin before
// them, then "END". `words` holds twelve words.
std::vector<std::string> PlanLog(const std::string& origin, const std::vector<std::string>& words,
                                 const std::map<std::size_t, std::vector<std::string>>& after = {});

// What a run over the sample site logs of its missing cover (in the step of
// /bunko/sengetsu.html, index 10) and its missing detail page (in the step of
// /comic/sengetsu.html, index 11; tried again on the next runs after
// /comic/kongetsu.html, index 3), without the origin.
extern const std::string kSiteCoverFailed;
extern const std::string kSiteDetailFailed;
extern const std::string kSiteDetailRetried;

// The saved copies in "old" that differ from the listing pages a run over the whole site
// leaves there (next and last month's book pages overwrite the light-novel pages of the
// same names); empty when all are right.
std::vector<std::string> WrongSavedCopies(const HostLayout& host);

// What is wrong with the host's files after runs over the sample site's comic pages, any
// of which may have been killed at any moment: a master-file line that is not one of the
// site's (a cut or glued record), a retry list that is not whole, a Shelvio.ini that is
// not `settings` byte for byte; and, when `complete` (the last run ran to its end), a
// comic book that is not in the master file. Empty when all is right.
std::string ComicRunsProblems(const HostLayout& host, const std::string& origin,
                              const std::string& settings, bool complete);

// A host's SHV.INI before a run: two sections of its own, a comment, Shift_JIS.
std::string HostShvIni();
// What is wrong with `ini`, the host's SHV.INI after a run that started from
// HostShvIni(): the section [TFormDLL] must hold the seven placement keys, and without
// that section (and the blank line before it) the file must be the host's, byte for
// byte. Empty when it is right.
std::string ShvIniProblems(const std::string& ini);

}  // namespace kasumido::test
