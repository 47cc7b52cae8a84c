// Version resources found in PE bytes: files made by the fixture builder,
// files with several languages, and damaged or hostile files, each refused
// with its own reason and without reading outside their bytes.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/offline/formats/pe_layout.h"
#include "platform/offline/formats/pe_resource.h"
#include "platform/offline/formats/version_block.h"
#include "tests/offline/version_samples.h"
#include "tools/lib/pe_builder.h"

namespace {

using namespace offline_test;
using offline::PeError;
namespace pe = offline::pe;
namespace rs = offline::pe::resource;

std::u16string VersionText(std::uint32_t ms, std::uint32_t ls) {
  std::string s = std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." + std::to_string(ls >> 16) + "." +
                  std::to_string(ls & 0xFFFF);
  return std::u16string(s.begin(), s.end());
}

// The reason the reader gives, or nothing when it finds a resource.
std::optional<PeError> Rejection(const Bytes& file) {
  const auto r = offline::FindVersionResource(View(file));
  if (r) return std::nullopt;
  return r.reason();
}

// Where a builder image keeps its headers, found as the reader finds them.
struct HeaderOffsets {
  std::size_t fileHeader, optionalHeader, sectionTable, resourceDirectory;
  explicit HeaderOffsets(const Bytes& image) {
    fileHeader = Get32(image, pe::kDosNewHeaderOffset) + pe::kNtSignatureSize;
    optionalHeader = fileHeader + pe::file_header::kSize;
    sectionTable = optionalHeader + Get16(image, fileHeader + pe::file_header::kSizeOfOptionalHeader);
    const bool pe64 = Get16(image, optionalHeader) == pe::optional_header::kMagicPe32Plus;
    resourceDirectory =
        optionalHeader + pe::optional_header::DataDirectory(pe::optional_header::NumberOfRvaAndSizes(pe64),
                                                            pe::optional_header::kResourceDirectoryIndex);
  }
};

// --- hand-made resource sections, placed into a builder image -------------

// A builder image whose .rsrc section holds `rsrc` instead.
Bytes WithResourceSection(const Bytes& rsrc) {
  tools::VersionSpec versionSpec;
  versionSpec.withVersionResource = false;
  Bytes image = tools::BuildVersionedPe(versionSpec);
  const HeaderOffsets at(image);
  namespace sh = pe::section_header;
  const std::uint32_t raw = static_cast<std::uint32_t>((rsrc.size() + 0x1FF) & ~std::size_t{0x1FF});
  const std::uint32_t rawOffset = Get32(image, at.sectionTable + sh::kPointerToRawData);
  Put32(image, at.resourceDirectory + pe::optional_header::kDirectorySize, static_cast<std::uint32_t>(rsrc.size()));
  Put32(image, at.sectionTable + sh::kVirtualSize, static_cast<std::uint32_t>(rsrc.size()));
  Put32(image, at.sectionTable + sh::kSizeOfRawData, raw);
  image.resize(rawOffset);
  image.insert(image.end(), rsrc.begin(), rsrc.end());
  image.resize(rawOffset + raw, 0);
  return image;
}

struct RsrcWriter {
  Bytes b;
  std::size_t Dir(std::uint16_t named, std::uint16_t ids) {
    const std::size_t at = b.size();
    b.resize(at + rs::kDirectorySize, 0);
    Put16(b, at + rs::kNumberOfNamedEntries, named);
    Put16(b, at + rs::kNumberOfIdEntries, ids);
    return at;
  }
  void U32(std::uint32_t v) {
    b.resize(b.size() + 4);
    Put32(b, b.size() - 4, v);
  }
};

// Offsets in MultiLanguageSection: three directories, each followed by its entries.
constexpr std::size_t kTypes = 0;
constexpr std::size_t kNames = rs::kDirectorySize + rs::kEntrySize;
constexpr std::size_t kLanguages = 2 * kNames;
constexpr std::size_t DataEntries(std::size_t languages) {
  return kLanguages + rs::kDirectorySize + rs::kEntrySize * languages;
}

// types -> RT_VERSION -> name 1 -> one entry per language, each with its block.
Bytes MultiLanguageSection(const std::vector<std::pair<std::uint16_t, Bytes>>& langs) {
  RsrcWriter w;
  const auto n = static_cast<std::uint16_t>(langs.size());
  w.Dir(0, 1);
  w.U32(rs::kTypeVersion);
  w.U32(rs::kSubdirectory | kNames);
  w.Dir(0, 1);
  w.U32(rs::kVersionInfoId);
  w.U32(rs::kSubdirectory | kLanguages);
  w.Dir(0, n);
  const std::size_t dataEntries = DataEntries(n);
  for (std::size_t i = 0; i < n; ++i) {
    w.U32(langs[i].first);
    w.U32(static_cast<std::uint32_t>(dataEntries + rs::kDataEntrySize * i));
  }
  std::size_t blockAt = dataEntries + rs::kDataEntrySize * n;
  for (const auto& [lang, block] : langs) {
    w.U32(static_cast<std::uint32_t>(tools::kResourceSectionRva + blockAt));  // RVA, size, code page, reserved
    w.U32(static_cast<std::uint32_t>(block.size()));
    w.U32(0);
    w.U32(0);
    blockAt += (block.size() + 3) & ~std::size_t{3};
  }
  for (const auto& [lang, block] : langs) {
    w.b.insert(w.b.end(), block.begin(), block.end());
    while (w.b.size() % 4) w.b.push_back(0);
  }
  return w.b;
}

Bytes BlockFor(std::uint16_t language, std::uint16_t major) {
  tools::VersionSpec versionSpec = SampleVersion();
  versionSpec.language = language;
  versionSpec.fileVersion[0] = major;
  return *Resource(tools::BuildVersionedPe(versionSpec));
}

// --- files from the builder -------------------------------------------------

TEST(PeVersion, ReadsVersionsAndStringsFromPe32AndPe32Plus) {
  for (bool pe64 : {false, true}) {
    SCOPED_TRACE(pe64 ? "PE32+" : "PE32");
    const Bytes file = tools::BuildVersionedPe(SampleVersion(pe64));
    EXPECT_EQ(file.size() % 0x200, 0u);
    const auto block = Resource(file);
    ASSERT_TRUE(block);
    const auto fixed = Fixed(*block);
    ASSERT_TRUE(fixed);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(VersionText(fixed->dwFileVersionMS, fixed->dwFileVersionLS), u"7.1.12.0");
    EXPECT_EQ(VersionText(fixed->dwProductVersionMS, fixed->dwProductVersionLS), u"2.5.0.9");
    EXPECT_EQ(Text(*block, u"\\StringFileInfo\\040904B0\\CompanyName"), u"Halvorn Storage");
    EXPECT_EQ(Text(*block, u"\\StringFileInfo\\040904B0\\InternalName"), u"elxstor.sys");
  }
}

TEST(PeVersion, LargestVersionNumbers) {
  tools::VersionSpec versionSpec = SampleVersion();
  for (auto& v : versionSpec.fileVersion) v = 65535;
  const auto fixed = Fixed(*Resource(tools::BuildVersionedPe(versionSpec)));
  ASSERT_TRUE(fixed);
  EXPECT_EQ(VersionText(fixed->dwFileVersionMS, fixed->dwFileVersionLS), u"65535.65535.65535.65535");
}

TEST(PeVersion, GermanStringTableIsNotTheUsEnglishOne) {
  tools::VersionSpec versionSpec = SampleVersion();
  versionSpec.language = 0x0407;
  const auto block = Resource(tools::BuildVersionedPe(versionSpec));
  ASSERT_TRUE(block);  // the only language there is, although not the preferred one
  EXPECT_TRUE(Fixed(*block));
  EXPECT_FALSE(Text(*block, u"\\StringFileInfo\\040904B0\\CompanyName"));
  EXPECT_EQ(Text(*block, u"\\StringFileInfo\\040704B0\\CompanyName"), u"Halvorn Storage");
}

TEST(PeVersion, FilesWithoutAVersionResource) {
  tools::VersionSpec stripped = SampleVersion();
  stripped.withVersionResource = false;
  tools::VersionSpec stripped64 = SampleVersion(true);
  stripped64.withVersionResource = false;
  const std::string text = "This is not a program.\r\n";
  const struct {
    const char* name;
    Bytes file;
    PeError reason;
  } cases[] = {
      {"empty resource directory, PE32", tools::BuildVersionedPe(stripped), PeError::kNoVersionResource},
      {"empty resource directory, PE32+", tools::BuildVersionedPe(stripped64), PeError::kNoVersionResource},
      {"text file", Bytes(text.begin(), text.end()), PeError::kNotPe},
      {"empty file", Bytes(), PeError::kNotPe},
      {"MZ alone", Bytes{'M', 'Z'}, PeError::kTruncated},
  };
  for (const auto& c : cases) EXPECT_EQ(Rejection(c.file), c.reason) << c.name;
  // An empty resource directory is still one: Windows reports the missing type.
  EXPECT_TRUE(offline::HasResourceDirectory(PeError::kNoVersionResource));
  EXPECT_FALSE(offline::HasResourceDirectory(PeError::kNotPe));
}

TEST(PeVersion, LanguageChoice) {
  using L = std::vector<std::uint16_t>;
  EXPECT_FALSE(offline::ChooseLanguage(L{}, 0x0409));
  EXPECT_EQ(offline::ChooseLanguage(L{0x0407, 0x0409, 0x0000}, 0x0409), 2u);  // neutral first
  EXPECT_EQ(offline::ChooseLanguage(L{0x0407, 0x040C, 0x0409}, 0x040C), 1u);  // then the preferred one
  EXPECT_EQ(offline::ChooseLanguage(L{0x0409, 0x0807, 0x0007}, 0x0807), 1u);
  EXPECT_EQ(offline::ChooseLanguage(L{0x0409, 0x0007, 0x0407}, 0x0807), 1u);  // its neutral sublanguage
  EXPECT_EQ(offline::ChooseLanguage(L{0x0409, 0x0407}, 0x0807), 1u);          // its default sublanguage
  EXPECT_EQ(offline::ChooseLanguage(L{0x0407, 0x0409}, 0x040C), 1u);          // US English
  EXPECT_EQ(offline::ChooseLanguage(L{0x0411, 0x0407}, 0x040C), 0u);          // else the first

  // The same rule on a file with three languages, each with its own version.
  const Bytes file = WithResourceSection(MultiLanguageSection(
      {{0x0407, BlockFor(0x0407, 7)}, {0x0409, BlockFor(0x0409, 9)}, {0x040C, BlockFor(0x040C, 12)}}));
  auto major = [&](std::uint16_t preferred) {
    const auto r = offline::FindVersionResource(View(file), preferred);
    return r ? Fixed(r->bytes)->dwFileVersionMS >> 16 : 0u;
  };
  EXPECT_EQ(major(offline::kOfflineDefaultLanguage), 9u);
  EXPECT_EQ(major(0x040C), 12u);
  EXPECT_EQ(major(0x0407), 7u);
  EXPECT_EQ(major(0x0411), 9u);
}

// --- damaged and hostile files ----------------------------------------------

TEST(PeVersion, EveryTruncationOfARealFile) {
  for (bool pe64 : {false, true}) {
    const Bytes file = tools::BuildVersionedPe(SampleVersion(pe64));
    // The image is only whole when every section's raw data is in the file.
    for (std::size_t len = 0; len <= file.size(); ++len) {
      // An exact-size heap copy lets the address sanitizer see any overread.
      const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(len));
      const auto r = offline::FindVersionResource(View(cut));
      if (len == file.size()) {
        ASSERT_TRUE(r);
        EXPECT_TRUE(Fixed(r->bytes));
      } else {
        ASSERT_FALSE(r) << "length " << len;
        ASSERT_EQ(r.reason(), len < 2 ? PeError::kNotPe : PeError::kTruncated) << "length " << len;
      }
    }
  }
}

struct Patch {
  const char* name;
  std::size_t at;
  std::uint32_t value;
  std::optional<PeError> reason;  // nothing: still read
};

TEST(PeVersion, HostileResourceDirectories) {
  // The type directory names itself as the subdirectory for every level.
  RsrcWriter cycle;
  cycle.Dir(0, 2);
  cycle.U32(rs::kVersionInfoId);
  cycle.U32(rs::kSubdirectory | kTypes);
  cycle.U32(rs::kTypeVersion);
  cycle.U32(rs::kSubdirectory | kTypes);
  EXPECT_EQ(Rejection(WithResourceSection(cycle.b)), PeError::kBadVersionEntry);

  RsrcWriter huge;  // entry counts far beyond the section
  huge.Dir(0xFFFF, 0xFFFF);
  huge.U32(rs::kTypeVersion);
  huge.U32(rs::kSubdirectory | kNames);
  EXPECT_EQ(Rejection(WithResourceSection(huge.b)), PeError::kBadResourceDirectory);

  // Subdirectory offsets and data RVAs past the end, data sizes near 4 GB.
  const Bytes section = MultiLanguageSection({{0x0409, BlockFor(0x0409, 1)}});
  ASSERT_TRUE(Resource(WithResourceSection(section)));
  const std::size_t typeTarget = rs::Entry(kTypes, 0) + rs::kEntryTarget;
  const std::size_t nameTarget = rs::Entry(kNames, 0) + rs::kEntryTarget;
  const std::size_t languageTarget = rs::Entry(kLanguages, 0) + rs::kEntryTarget;
  const std::size_t dataRva = DataEntries(1) + rs::kDataRva;
  const std::size_t dataSize = DataEntries(1) + rs::kDataSize;
  const Patch patches[] = {
      {"names far away", typeTarget, 0xFFFFFFFFu, PeError::kBadVersionEntry},
      {"names near 2 GB", typeTarget, rs::kSubdirectory | 0x7FFFFFF0u, PeError::kBadVersionEntry},
      {"RT_VERSION is a leaf", typeTarget, kNames, PeError::kBadVersionEntry},
      {"languages past the section", nameTarget, rs::kSubdirectory | 0x1000u, PeError::kBadVersionEntry},
      {"data entry far away", languageTarget, 0x7FFFFFFFu, PeError::kBadVersionEntry},
      {"language points back at its directory", languageTarget, rs::kSubdirectory | kLanguages,
       PeError::kBadVersionEntry},
      {"data at the top of the address space", dataRva, 0xFFFFFFF0u, PeError::kBadVersionEntry},
      {"data at RVA 0", dataRva, 0u, PeError::kBadVersionEntry},
      {"size 4 GB", dataSize, 0xFFFFFFFFu, PeError::kBadVersionSize},
      {"size near 4 GB", dataSize, 0xFFFFFFF0u, PeError::kBadVersionSize},
      {"size over 64 KB", dataSize, 0x00010001u, PeError::kBadVersionSize},
      {"size 0", dataSize, 0u, PeError::kBadVersionSize},
  };
  for (const Patch& p : patches) {
    Bytes s = section;
    Put32(s, p.at, p.value);
    EXPECT_EQ(Rejection(WithResourceSection(s)), p.reason) << p.name;
  }
  RsrcWriter noVersion;  // a resource directory with only an icon type
  noVersion.Dir(0, 1);
  noVersion.U32(3);
  noVersion.U32(rs::kSubdirectory | kNames);
  noVersion.Dir(0, 0);
  EXPECT_EQ(Rejection(WithResourceSection(noVersion.b)), PeError::kNoVersionResource);
}

TEST(PeVersion, HostileHeaders) {
  const Bytes file = tools::BuildVersionedPe(SampleVersion());
  const HeaderOffsets at(file);
  namespace fh = pe::file_header;
  namespace oh = pe::optional_header;
  namespace sh = pe::section_header;
  const Patch patches[] = {
      {"e_lfanew past the end", pe::kDosNewHeaderOffset, 0xFFFFFFF0u, PeError::kTruncated},
      {"no PE signature", at.fileHeader - pe::kNtSignatureSize, 0x00004551u, PeError::kNotPe},
      // a 16-bit field: the upper half spills harmlessly into the time stamp
      {"65535 sections", at.fileHeader + fh::kNumberOfSections, 0xFFFFu, PeError::kBadSectionTable},
      {"no sections", at.fileHeader + fh::kNumberOfSections, 0u, PeError::kBadSectionTable},
      {"optional header size sends the section table away", at.fileHeader + fh::kSizeOfOptionalHeader, 0xFFFFu,
       PeError::kTruncated},
      {"no resource directory slot", at.optionalHeader + oh::kNumberOfRvaAndSizes32, 2u, PeError::kNoResources},
      {"resource directory slot beyond the optional header", at.fileHeader + fh::kSizeOfOptionalHeader, 0x70u,
       PeError::kNoResources},
      {"empty resource directory entry", at.resourceDirectory + oh::kDirectorySize, 0u, PeError::kNoResources},
      {"unknown optional header magic", at.optionalHeader + oh::kMagic, 0x0107u, PeError::kUnknownFormat},
      {"virtual size near 4 GB only adds zeros", at.sectionTable + sh::kVirtualSize, 0xFFFFFFFFu, std::nullopt},
      {"raw size near 4 GB", at.sectionTable + sh::kSizeOfRawData, 0xFFFFFFF0u, PeError::kTruncated},
      {"raw data past the end", at.sectionTable + sh::kPointerToRawData, 0xFFFFFF00u, PeError::kTruncated},
      {"section at the top of the address space", at.sectionTable + sh::kVirtualAddress, 0xFFFFF000u,
       PeError::kBadResourceDirectory},
  };
  for (const Patch& p : patches) {
    Bytes f = file;
    Put32(f, p.at, p.value);
    EXPECT_EQ(Rejection(f), p.reason) << p.name;
  }
}

// 16-bit (NE) files: the builder's file, then its resource table and its
// block damaged, each refused with its reason; and every truncation.
TEST(PeVersion, HostileSixteenBitFiles) {
  tools::VersionSpec wanted = SampleVersion();
  wanted.sixteenBit = true;
  wanted.codePage = 1252;
  const Bytes file = tools::BuildVersionedPe(wanted);
  const auto good = offline::FindVersionResource(View(file));
  ASSERT_TRUE(good);
  EXPECT_TRUE(good->sixteenBit);
  // The builder's layout: NE header at 0x40, resource table at 0x80, the
  // RT_VERSION type at 0x82, its one resource at 0x8A.
  namespace ne = pe::ne;
  const std::size_t header = 0x40, table = 0x80, type = 0x82, name = 0x8A;
  struct Patch16 {
    const char* name;
    std::size_t at;
    std::uint16_t value;
    PeError reason;
  } patches[] = {
      {"resource table running past the end", header + ne::kResidentNameTable, 0xFFF0, PeError::kTruncated},
      {"resource table ending before it starts", header + ne::kResidentNameTable, 0x0040, PeError::kNoResources},
      {"alignment shift of 17", table, 17, PeError::kBadResourceDirectory},
      {"65535 resources of the type", type + ne::kTypeCount, 0xFFFF, PeError::kBadResourceDirectory},
      {"only other types", type + ne::kTypeId, 0x8003, PeError::kNoVersionResource},
      {"a named type", type + ne::kTypeId, 0x0010, PeError::kNoVersionResource},
      {"only other ids", name + ne::kNameId, 0x8002, PeError::kNoVersionResource},
      {"table cut inside the type's resources", header + ne::kResidentNameTable, 0x4A, PeError::kBadResourceDirectory},
      {"resource past the end", name + ne::kNameOffset, 0xFFFF, PeError::kBadVersionEntry},
      {"resource of 1 MB", name + ne::kNameLength, 0xFFFF, PeError::kBadVersionSize},
      {"resource of 16 bytes", name + ne::kNameLength, 1, PeError::kBadVersionSize},
  };
  for (const Patch16& p : patches) {
    Bytes f = file;
    Put16(f, p.at, p.value);
    EXPECT_EQ(Rejection(f), std::optional<PeError>(p.reason)) << p.name;
  }
  for (std::size_t len = 0; len < file.size(); ++len) {
    ASSERT_TRUE(Rejection(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(len)))) << len;
  }
  // Queries on damaged 16-bit blocks fail instead of reading past them.
  const Bytes block = good->bytes;
  ASSERT_TRUE(offline::QueryVersionValue16(View(block), "\\StringFileInfo\\040904E4\\CompanyName"));
  const struct {
    const char* name;
    std::size_t at;
    std::uint16_t value;
  } damage[] = {{"root longer than the block", 0, 0xFFFF},
                {"root shorter than its key", 0, 6},
                {"first child longer than the root", 0x5C, 0xFFF0},
                {"value longer than its node", 2, 0xFFFF}};
  for (const auto& d : damage) {
    Bytes b = block;
    Put16(b, d.at, d.value);
    EXPECT_FALSE(offline::QueryVersionValue16(View(b), "\\StringFileInfo\\040904E4\\CompanyName")) << d.name;
  }
}

// A file of `size` bytes that is the given bytes followed by a hole (zeros),
// counting what a reader fetches.
class HoledFile : public offline::ByteSource {
 public:
  HoledFile(Bytes head, std::uint64_t size) : head_(std::move(head)), size_(size) {}
  std::uint64_t size() const override { return size_; }
  bool read(std::uint64_t offset, void* out, std::size_t length) const override {
    if (!contains(offset, length)) return false;
    fetched_ += length;
    auto* to = static_cast<std::uint8_t*>(out);
    for (std::size_t i = 0; i < length; ++i) to[i] = offset + i < head_.size() ? head_[offset + i] : 0;
    return true;
  }
  std::uint64_t fetched() const { return fetched_; }

 private:
  Bytes head_;
  std::uint64_t size_;
  mutable std::uint64_t fetched_ = 0;
};

// A driver of 255 MB (a sparse file) costs a few kilobytes of reading.
TEST(PeVersion, LargeFilesAreReadOnlyWhereTheResourceIs) {
  tools::VersionSpec sixteen = SampleVersion();
  sixteen.sixteenBit = true;
  const struct {
    const char* name;
    Bytes head;
  } cases[] = {{"PE32", tools::BuildVersionedPe(SampleVersion())},
               {"PE32+", tools::BuildVersionedPe(SampleVersion(true))},
               {"NE", tools::BuildVersionedPe(sixteen)}};
  for (const auto& c : cases) {
    const HoledFile file(c.head, 255ull << 20);
    const auto found = offline::FindVersionResource(file);
    ASSERT_TRUE(found) << c.name;
    EXPECT_LT(file.fetched(), 8192u) << c.name;
  }
}

}  // namespace
