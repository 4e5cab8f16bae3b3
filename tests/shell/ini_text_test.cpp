// Settings files saved as UTF-8 or UTF-16 LE with a byte order mark: read as Shift_JIS
// text without best fit, written back in their own encoding with every other byte kept.
#include "shell/ini_text.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/text_encoding.h"
#include "shell/host_settings.h"
#include "shell/ini_file.h"
#include "support/encoding.h"
#include "support/scratch_dir.h"

namespace kasumido {
namespace {

using namespace std::string_literals;
using test::Sjis;

const std::string kUtf8Mark = "\xEF\xBB\xBF";
const std::string kUtf16Mark = "\xFF\xFE";

// UTF-8 text as UTF-16 LE, without a mark.
std::string Utf16(std::string_view utf8) {
  return ConvertText(utf8, TextEncoding::kUtf8, TextEncoding::kUtf16Le).value();
}

TEST(IniText, ReadsUtf8AndUtf16WithTheirMarkAsShiftJisWithoutBestFit) {
  const std::string lines = "[TSetup]\r\nキー=値\r\n";
  const std::string sjis = Sjis(lines);
  const struct {
    const char* name;
    std::string bytes;
    IniEncoding encoding;
    std::string text;
  } cases[] = {
      {"Shift_JIS", sjis, IniEncoding::kShiftJis, sjis},
      {"UTF-8 without a mark is taken as Shift_JIS", lines, IniEncoding::kShiftJis, lines},
      {"UTF-8 with its mark", kUtf8Mark + lines, IniEncoding::kUtf8, sjis},
      {"UTF-16 LE with its mark", kUtf16Mark + Utf16(lines), IniEncoding::kUtf16Le, sjis},
      {"LF line ends kept", kUtf16Mark + Utf16("a=1\nb=2"), IniEncoding::kUtf16Le, "a=1\nb=2"},
      {"characters Shift_JIS lacks", kUtf8Mark + "x=Zoë😀¥\r\n", IniEncoding::kUtf8,
       "x=Zo\0\0\0\r\n"s},
      {"no character", kUtf8Mark + "x=\xC3\r\n\xFFy", IniEncoding::kUtf8, "x=\0\r\n\0y"s},
      {"a lone surrogate and a cut unit",
       kUtf16Mark + Utf16("x=") + "\x00\xD8"s + Utf16("\n") + "a", IniEncoding::kUtf16Le,
       "x=\0\n\0"s},
  };
  for (const auto& c : cases) {
    const IniText text = IniText::Decode(c.bytes);
    EXPECT_EQ(text.Encoding(), c.encoding) << c.name;
    EXPECT_EQ(text.Text(), c.text) << c.name;
    EXPECT_EQ(text.Encode(text.Text()), c.bytes) << c.name;  // unchanged: byte for byte
  }
}

TEST(IniText, WritesChangedAndAddedLinesInTheFilesEncodingKeepingEveryOtherByte) {
  const struct {
    const char* name;
    std::string before;  // UTF-8, a line holding characters Shift_JIS lacks
    std::string edited;  // the Shift_JIS text after the edit, as UTF-8
    std::string after;   // UTF-8
  } cases[] = {
      {"a section added", "; 😀 Zoë\r\n[A]\r\nx=1\r\n", "; \0 Zo\0\r\n[A]\r\nx=1\r\n[B]\r\ny=2\r\n"s,
       "; 😀 Zoë\r\n[A]\r\nx=1\r\n[B]\r\ny=2\r\n"},
      {"a value changed", "[A]\r\nx=😀\r\n; ë\r\n", "[A]\r\nx=表\r\n; \0\r\n"s,
       "[A]\r\nx=表\r\n; ë\r\n"},
      {"a last line given its end", "[A]\r\n; ë", "[A]\r\n; \0\r\nx=1"s, "[A]\r\n; ë\r\nx=1"},
  };
  for (const auto& c : cases) {
    for (const bool utf16 : {false, true}) {
      const auto encoded = [utf16](const std::string& utf8) {
        return utf16 ? kUtf16Mark + Utf16(utf8) : kUtf8Mark + utf8;
      };
      const IniText text = IniText::Decode(encoded(c.before));
      const std::string edited = Sjis(c.edited);
      EXPECT_EQ(text.Encode(edited), encoded(c.after)) << c.name << (utf16 ? " UTF-16" : " UTF-8");
    }
  }
  // A line that stands for characters the text could not hold is never written anew.
  const IniText text = IniText::Decode(kUtf8Mark + "[A]\r\nx=😀\r\n");
  EXPECT_EQ(text.Encode("[A]\r\nx=\0!\r\n"s), std::nullopt);
  EXPECT_EQ(text.Encode("[A]\r\nx=\x81\r\n"), std::nullopt);  // no Shift_JIS character
}

TEST(IniText, HostSettingsAndTheWindowPlacementReadAndWriteEitherEncoding) {
  for (const bool utf16 : {false, true}) {
    const auto encoded = [utf16](const std::string& utf8) {
      return utf16 ? kUtf16Mark + Utf16(utf8) : kUtf8Mark + utf8;
    };
    test::ScratchDir dir;
    std::filesystem::create_directories(dir.Path() / "host/plugin");
    dir.Write("host/Shelvio.ini", encoded("[TSetup]\r\nDLLComic_Checked=True\r\n"
                                          "ProxyServer_Text=プロキシ\r\nProxyPort_Text=😀\r\n"));
    const HostSettings settings(dir.File("host/plugin"));
    EXPECT_TRUE(settings.SwitchOn("DLLComic_Checked")) << utf16;
    EXPECT_EQ(settings.ReadHostSetting("ProxyServer_Text"), Sjis("プロキシ")) << utf16;
    EXPECT_EQ(settings.ReadHostSetting("ProxyPort_Text"), "") << utf16;  // never a stand-in

    const std::string host = "[TFormMain]\r\nCaption=シェルヴィオ 😀\r\n";
    dir.Write("host/SHV.INI", encoded(host));
    ASSERT_TRUE(WriteIniStrings(dir.File("host/SHV.INI"), "TFormDLL", {{"NormPos", "1,2,3,4"}}));
    EXPECT_EQ(dir.Read("host/SHV.INI"), encoded(host + "[TFormDLL]\r\nNormPos=1,2,3,4\r\n"));
    EXPECT_EQ(IniFile::Load(dir.File("host/SHV.INI")).Value("TFormDLL", "NormPos"), "1,2,3,4");
  }
}

}  // namespace
}  // namespace kasumido
