// The tokenizer against the literal reading of its rules: the same lines and the same
// element lists, byte for byte, on pages up to 4 KiB (the reference is quadratic); longer
// pages are only tokenized.
#include <string>

#include "fuzz_input.h"
#include "html/element_dump.h"
#include "html/html_parser.h"
#include "html/naive_tokenizer.h"
#include "html/page_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kasumido;
  const std::string page(reinterpret_cast<const char*>(data), size);
  THTMLParser parser;
  parser.Lines.AssignPage(page);
  parser.Parse();
  if (size > 4096) return 0;
  const std::vector<std::string> lines = test::NaiveSplit(page);
  FUZZ_CHECK(parser.Lines == lines);
  FUZZ_CHECK(SplitPageLines(page) == lines);
  FUZZ_CHECK(test::FullList(parser) == test::NaiveParse(lines));
  return 0;
}
