// An inf folder made to cost time or memory: the OEM INF search still finds
// the real copies, and every search of the run ends with that answer (the
// bench runs the same cases at full size: bench/README.md).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/offline/formats/inf_parser.h"
#include "probes/oem_inf.h"
#include "probes/token_list.h"
#include "tests/offline/temp_image.h"

namespace {

namespace fs = std::filesystem;
using offline_test::TempImage;

const std::string kCatalog = "[Version]\r\nSignature=\"$Windows NT$\"\r\nCatalogFile=elxstor.cat\r\n";

// A file of `size` bytes that takes no room: a hole, read as NUL bytes.
void Sparse(const fs::path& path, off_t size) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, size), 0);
  close(fd);
}

std::vector<std::u16string> Search() {
  CTokenList list;
  const unsigned count = FindOemInfs(u"Oem*.inf", u"ELXSTOR.CAT", list, u"version", u"CatalogFile", 1);
  std::vector<std::u16string> names;
  for (int i = 0; list.TokenAt(i); ++i) names.push_back(list.TokenAt(i));
  EXPECT_EQ(count, names.size());
  return names;
}

TEST(HostileInfFolderTest, RealCopiesAreFoundAmongHostileOnes) {
  const struct {
    const char* name;
    std::function<void(const fs::path&)> fill;
    std::vector<std::u16string> found;
    int searches;  // the later ones answer from what the first one read
  } cases[] = {
      {"20,500 long-named copies around the real ones (more than a listing once kept in read order)",
       [](const fs::path& inf) {
         // Names of one empty file: a folder entry each, no new inode (quick to make on any file system).
         TempImage::Write(inf / "oem1000.inf", "");
         for (int i = 1001; i < 21500; ++i)
           fs::create_hard_link(inf / "oem1000.inf", inf / ("oem" + std::to_string(i) + ".inf"));
         TempImage::Write(inf / "oem1.inf", kCatalog);
         TempImage::Write(inf / "oem999.inf", kCatalog);
       },
       {u"oem1.", u"oem999."},
       1},
      {"sparse INFs: 1 MB, and one past the largest size read",
       [](const fs::path& inf) {
         Sparse(inf / "oem2.inf", off_t{1} << 20);
         Sparse(inf / "oem3.inf", static_cast<off_t>(offline::kInfMaxBytes) + 1);
         TempImage::Write(inf / "oem4.inf", kCatalog);
       },
       {u"oem4."},
       3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempImage image;
    const fs::path inf = image.Root() / "WINDOWS" / "inf";
    fs::create_directories(inf);
    c.fill(inf);
    ASSERT_TRUE(image.Configure());
    for (int i = 0; i < c.searches; ++i) EXPECT_EQ(Search(), c.found);
  }
}

}  // namespace
