// Prints the eleven version strings of each file named on the command line, one
// "Key: value" line each, converted from Shift_JIS to UTF-8 for the terminal.
// Exit code 1 when no file is named, else 0 (an unreadable file prints empty values).
#include <iconv.h>

#include <cstdio>
#include <string>
#include <vector>

#include "text/version_info.h"

namespace {

std::string Utf8FromSjis(const std::string& sjis) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return sjis;
  std::vector<char> in(sjis.begin(), sjis.end());
  std::string out(sjis.size() * 3 + 1, '\0');
  char* in_ptr = in.data();
  char* out_ptr = out.data();
  std::size_t in_left = in.size();
  std::size_t out_left = out.size();
  const bool ok = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<size_t>(-1);
  iconv_close(cd);
  if (!ok) return sjis;
  out.resize(out.size() - out_left);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE...\n", argv[0]);
    return 1;
  }
  for (int i = 1; i < argc; ++i) {
    kasumido::VersionRecord record;
    kasumido::GetVersionInfo(argv[i], record);
    if (argc > 2) std::printf("%s\n", argv[i]);
    for (std::size_t field = 0; field < kasumido::kVersionFieldCount; ++field) {
      std::printf("%.*s: %s\n", static_cast<int>(kasumido::kVersionKeys[field].size()),
                  kasumido::kVersionKeys[field].data(), Utf8FromSjis(record.fields[field]).c_str());
    }
  }
  return 0;
}
