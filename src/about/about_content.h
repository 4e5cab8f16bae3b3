// What the version dialog (TAboutForm) shows and opens: the program's product name,
// version and author line from its own version record, two fixed notes, and the
// addresses of the maker's home page and support board. Every text is Shift_JIS; the
// dialog converts at its own boundary. Filled once, when the dialog is created.
#pragma once

#include <string>
#include <string_view>

#include "about/version_info.h"

namespace kasumido {

// The maker's pages, opened by the dialog's two links (never fetched by the program).
inline constexpr std::string_view kMakerHomePage = "https://kasumido.example/";
inline constexpr std::string_view kMakerBoard = "https://kasumido.example/bbs/";

struct AboutContent {
  std::string caption;              // the dialog's caption
  std::string title;                // LabelTitle: the product name
  std::string version;              // LabelVersion: "バージョン " and the file version
  std::string copy_left;            // LabelCopyLeft: "作者 " and the author line
  std::string latest_version_note;  // Label2
  std::string home_page;            // Label3: shown and opened
  std::string contact_note;         // Label1
  std::string board;                // Label4: shown and opened
  std::string link_hint;            // the hint of both links
  std::string ok_caption;           // BtnCancel
};

// The dialog's texts for a program whose version record is `record`. A record without
// version information gives an empty title and the bare prefixes.
AboutContent MakeAboutContent(const VersionRecord& record);

// The dialog's texts for the program at `program_path`, read with GetVersionInfo.
AboutContent ReadAboutContent(const std::string& program_path);

}  // namespace kasumido
