#include "http/document_stream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/faulty_file_system.h"
#include "support/scratch_dir.h"

namespace kasumido {
namespace {

using test::ReadFile;

TEST(FileDocumentStream, TruncatesAnOldFileAndKeepsEveryByteWritten) {
  test::ScratchDir dir;
  const std::filesystem::path path = dir.Path() / "GetKasumido.html";
  std::ofstream(path) << "an older and longer page";
  FileDocumentStream stream(path.string());
  stream.Write("ab\0c", 4);
  stream.Write("", 0);
  stream.Write("d", 1);
  stream.Close();
  EXPECT_EQ(stream.Size(), 5);
  EXPECT_EQ(ReadFile(path), std::string("ab\0cd", 5));
}

TEST(FileDocumentStream, ThrowsWhenTheFileCannotBeCreatedOrWritten) {
  test::ScratchDir dir;
  std::filesystem::create_directory(dir.Path() / "folder");
  std::ofstream(dir.Path() / "plain") << "x";
  for (const auto& path : {dir.Path() / "folder", dir.Path() / "plain" / "below"}) {
    SCOPED_TRACE(path);
    EXPECT_THROW(FileDocumentStream stream(path.string()), EDocumentStreamError);
  }
  // A full disk: the write takes what fits and throws with the system's reason.
  test::FaultyFileSystem faults;
  faults.FillDiskAfter(2);
  FileDocumentStream full(dir.File("GetKasumido.html"));
  try {
    full.Write("abc", 3);
    ADD_FAILURE() << "no error from a full disk";
  } catch (const EDocumentStreamError& error) {
    EXPECT_NE(std::string(error.what()).find(test::FaultyFileSystem::kDiskFull), std::string::npos)
        << error.what();
  }
}

}  // namespace
}  // namespace kasumido
