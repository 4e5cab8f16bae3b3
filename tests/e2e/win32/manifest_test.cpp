// The application manifest of the built kasumido.exe, read back from the executable as
// the system reads it (resource 1 of type RT_MANIFEST).
#include <windows.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace kasumido {
namespace {

std::string ManifestOf(const std::wstring& program) {
  HMODULE image = LoadLibraryExW(program.c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (image == nullptr) return {};
  std::string text;
  if (HRSRC found = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(image, found)));
    if (bytes != nullptr) text.assign(bytes, SizeofResource(image, found));
  }
  FreeLibrary(image);
  return text;
}

TEST(Manifest, TheProgramIsDpiAwareUsesCommonControls6AndNamesItsSystems) {
  const std::string manifest =
      ManifestOf(std::filesystem::path(KASUMIDO_BINARY_DIR "/bin/kasumido.exe").wstring());
  ASSERT_FALSE(manifest.empty()) << "kasumido.exe carries no manifest";
  for (const char* wanted : {
           "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
           "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>",  // Windows 7
           "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>",  // 8
           "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>",  // 8.1
           "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",  // 10 and 11
           ">true/pm</dpiAware>",
           ">PerMonitorV2, PerMonitor</dpiAwareness>",
       }) {
    EXPECT_NE(manifest.find(wanted), std::string::npos) << wanted << "\n" << manifest;
  }
  // The 64-bit program asks never to be elevated; the 32-bit one leaves the entry out, so
  // that it is virtualised like the 32-bit host it serves.
  const bool declares_level = manifest.find("<requestedExecutionLevel") != std::string::npos;
  EXPECT_EQ(declares_level, sizeof(void*) == 8);
  if (declares_level) {
    EXPECT_NE(manifest.find("level=\"asInvoker\" uiAccess=\"false\""), std::string::npos);
  }
  EXPECT_NE(manifest.find(sizeof(void*) == 8 ? "processorArchitecture=\"amd64\""
                                              : "processorArchitecture=\"x86\""),
            std::string::npos);
}

}  // namespace
}  // namespace kasumido
