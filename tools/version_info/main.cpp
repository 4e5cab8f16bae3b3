// Prints the eleven version strings of each file named on the command line, one
// "Key: value" line each, converted from Shift_JIS to UTF-8 for the terminal.
// Exit code 1 when no file is named, else 0 (an unreadable file prints empty values).
#include <cstdio>
#include <string>

#include "about/version_info.h"
#include "platform/utf8.h"

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
                  kasumido::kVersionKeys[field].data(),
                  kasumido::Utf8FromSjis(record.fields[field]).c_str());
    }
  }
  return 0;
}
