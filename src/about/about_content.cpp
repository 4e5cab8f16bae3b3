#include "about/about_content.h"

#include "kasumido/texts.h"

namespace kasumido {

AboutContent MakeAboutContent(const VersionRecord& record) {
  AboutContent content;
  content.caption = texts::kAboutCaption;
  content.title = record.ProductName();
  content.version = std::string(texts::kAboutVersionPrefix) + record.FileVersion();
  content.copy_left = std::string(texts::kAboutAuthorPrefix) + record.AuthorLine();
  content.latest_version_note = texts::kAboutLatestVersion;
  content.home_page = kMakerHomePage;
  content.contact_note = texts::kAboutContact;
  content.board = kMakerBoard;
  content.link_hint = texts::kHintOpenHomePage;
  content.ok_caption = "OK";
  return content;
}

AboutContent ReadAboutContent(const std::string& program_path) {
  VersionRecord record;
  GetVersionInfo(program_path, record);
  return MakeAboutContent(record);
}

}  // namespace kasumido
