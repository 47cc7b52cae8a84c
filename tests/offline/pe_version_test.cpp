// Version resources read from PE bytes: files made by the fixture builder,
// files with several languages, and damaged or hostile files, which must all
// read as "no version" without reading outside their bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/offline/pe_resource.h"
#include "platform/offline/version_block.h"
#include "platform/os.h"
#include "tools/lib/pe_builder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using offline::ByteView;

ByteView View(const Bytes& b) { return ByteView(b.data(), b.size()); }

tools::VersionSpec SampleVersion(bool pe64 = false) {
  tools::VersionSpec versionSpec;
  versionSpec.fileVersion[0] = 7;
  versionSpec.fileVersion[1] = 1;
  versionSpec.fileVersion[2] = 12;
  versionSpec.fileVersion[3] = 0;
  versionSpec.productVersion[0] = 2;
  versionSpec.productVersion[1] = 5;
  versionSpec.productVersion[2] = 0;
  versionSpec.productVersion[3] = 9;
  versionSpec.strings = {{u"CompanyName", u"Halvorn Storage"}, {u"InternalName", u"elxstor.sys"}};
  versionSpec.pe64 = pe64;
  return versionSpec;
}

std::optional<Bytes> Resource(const Bytes& file) {
  auto r = offline::FindVersionResource(View(file));
  if (!r) return std::nullopt;
  return r->bytes;
}

// The block as a caller's buffer holds it, queried through VerQueryValueW.
std::optional<os::VS_FIXEDFILEINFO> Fixed(const Bytes& block) {
  void* p = nullptr;
  os::UINT len = 99;
  if (!os::VerQueryValueW(block.data(), u"\\", &p, &len)) {
    EXPECT_EQ(len, 0u);
    return std::nullopt;
  }
  EXPECT_GE(len, sizeof(os::VS_FIXEDFILEINFO));
  os::VS_FIXEDFILEINFO info;
  std::memcpy(&info, p, sizeof info);
  return info;
}

std::optional<std::u16string> Text(const Bytes& block, const char16_t* path) {
  void* p = nullptr;
  os::UINT len = 99;
  if (!os::VerQueryValueW(block.data(), path, &p, &len)) {
    EXPECT_EQ(len, 0u);
    return std::nullopt;
  }
  const auto* begin = block.data();
  const auto* at = static_cast<const std::uint8_t*>(p);
  EXPECT_TRUE(at >= begin && at < begin + block.size());
  std::u16string s;
  for (std::size_t off = static_cast<std::size_t>(at - begin); off + 2 <= block.size(); off += 2) {
    char16_t c;
    std::memcpy(&c, begin + off, 2);
    if (c == 0) return s;
    s.push_back(c);
  }
  ADD_FAILURE() << "text not terminated inside the block";
  return std::nullopt;
}

std::u16string VersionText(std::uint32_t ms, std::uint32_t ls) {
  std::string s = std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." + std::to_string(ls >> 16) + "." +
                  std::to_string(ls & 0xFFFF);
  return std::u16string(s.begin(), s.end());
}

// --- hand-made resource sections, placed into a builder image -------------

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t Get32(const Bytes& b, std::size_t at) { return *ByteView(b.data(), b.size()).u32At(at); }
std::uint16_t Get16(const Bytes& b, std::size_t at) { return *ByteView(b.data(), b.size()).u16At(at); }

// A builder image whose .rsrc section (RVA 0x1000) holds `rsrc` instead.
Bytes WithResourceSection(const Bytes& rsrc, bool pe64 = false) {
  tools::VersionSpec versionSpec;
  versionSpec.pe64 = pe64;
  versionSpec.withVersionResource = false;
  Bytes pe = tools::BuildVersionedPe(versionSpec);
  const std::size_t fh = Get32(pe, 0x3C) + 4;
  const std::size_t oh = fh + 20;
  const std::size_t sh = oh + Get16(pe, fh + 16);
  const std::size_t dir = oh + (pe64 ? 112 : 96) + 2 * 8;
  const std::uint32_t raw = static_cast<std::uint32_t>((rsrc.size() + 0x1FF) & ~std::size_t{0x1FF});
  const std::uint32_t rawOffset = Get32(pe, sh + 20);
  Put32(pe, dir + 4, static_cast<std::uint32_t>(rsrc.size()));
  Put32(pe, sh + 8, static_cast<std::uint32_t>(rsrc.size()));
  Put32(pe, sh + 16, raw);
  pe.resize(rawOffset);
  pe.insert(pe.end(), rsrc.begin(), rsrc.end());
  pe.resize(rawOffset + raw, 0);
  return pe;
}

struct RsrcWriter {
  Bytes b;
  std::size_t Dir(std::uint16_t named, std::uint16_t ids) {
    const std::size_t at = b.size();
    b.resize(at + 16, 0);
    b[at + 12] = static_cast<std::uint8_t>(named);
    b[at + 13] = static_cast<std::uint8_t>(named >> 8);
    b[at + 14] = static_cast<std::uint8_t>(ids);
    b[at + 15] = static_cast<std::uint8_t>(ids >> 8);
    return at;
  }
  void U32(std::uint32_t v) {
    b.resize(b.size() + 4);
    Put32(b, b.size() - 4, v);
  }
};

// types -> RT_VERSION -> name 1 -> one entry per language, each with its block.
Bytes MultiLanguageSection(const std::vector<std::pair<std::uint16_t, Bytes>>& langs) {
  RsrcWriter w;
  const auto n = static_cast<std::uint16_t>(langs.size());
  w.Dir(0, 1);
  w.U32(16);
  w.U32(0x80000000u | 0x18);
  w.Dir(0, 1);
  w.U32(1);
  w.U32(0x80000000u | 0x30);
  w.Dir(0, n);
  const std::size_t dataEntries = 0x30 + 16 + 8 * std::size_t{n};
  for (std::size_t i = 0; i < n; ++i) {
    w.U32(langs[i].first);
    w.U32(static_cast<std::uint32_t>(dataEntries + 16 * i));
  }
  std::size_t blockAt = dataEntries + 16 * std::size_t{n};
  for (const auto& [lang, block] : langs) {
    w.U32(static_cast<std::uint32_t>(0x1000 + blockAt));
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

TEST(PeVersion, PathRules) {
  const Bytes block = *Resource(tools::BuildVersionedPe(SampleVersion()));
  EXPECT_TRUE(Fixed(block));
  void* p = nullptr;
  os::UINT len = 0;
  EXPECT_TRUE(os::VerQueryValueW(block.data(), u"", &p, &len));          // empty path is the root
  EXPECT_EQ(len, sizeof(os::VS_FIXEDFILEINFO));
  EXPECT_EQ(Text(block, u"\\stringfileinfo\\040904b0\\COMPANYNAME"), u"Halvorn Storage");
  EXPECT_EQ(Text(block, u"\\\\StringFileInfo\\\\040904B0\\CompanyName\\"), u"Halvorn Storage");
  EXPECT_EQ(Text(block, u"StringFileInfo\\040904B0\\CompanyName"), u"Halvorn Storage");
  EXPECT_FALSE(Text(block, u"\\StringFileInfo\\040904B0\\CompanyNam"));   // exact length
  EXPECT_FALSE(Text(block, u"\\StringFileInfo\\040904B0\\CompanyNameX"));
  EXPECT_FALSE(Text(block, u"\\StringFileInfo\\040904B0\\ProductName"));
  EXPECT_FALSE(Text(block, u"\\StringFileInfo\\0409\\CompanyName"));
  // The translation list is a binary value: language, then code page.
  ASSERT_TRUE(os::VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &p, &len));
  EXPECT_EQ(len, 4u);
  std::uint8_t t[4];
  std::memcpy(t, p, 4);
  EXPECT_EQ(t[0] | (t[1] << 8), 0x0409);
  EXPECT_EQ(t[2] | (t[3] << 8), 1200);
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

TEST(PeVersion, NoVersionResource) {
  bool hasResources = false;
  for (bool pe64 : {false, true}) {
    tools::VersionSpec versionSpec = SampleVersion(pe64);
    versionSpec.withVersionResource = false;
    const Bytes file = tools::BuildVersionedPe(versionSpec);
    EXPECT_FALSE(offline::FindVersionResource(View(file), 0x0409, &hasResources));
    EXPECT_TRUE(hasResources);  // an empty resource directory is still one
  }
  const std::string textFile = "This is not a program.\r\n";
  const Bytes text(textFile.begin(), textFile.end());
  EXPECT_FALSE(offline::FindVersionResource(View(text), 0x0409, &hasResources));
  EXPECT_FALSE(hasResources);
  EXPECT_FALSE(Resource(Bytes()));
}

TEST(PeVersion, LanguageChoice) {
  using L = std::vector<std::uint16_t>;
  EXPECT_FALSE(offline::ChooseLanguage(L{}, 0x0409));
  EXPECT_EQ(offline::ChooseLanguage(L{0x0407, 0x0409, 0x0000}, 0x0409), 2u);    // neutral first
  EXPECT_EQ(offline::ChooseLanguage(L{0x0407, 0x040C, 0x0409}, 0x040C), 1u);    // then the preferred one
  EXPECT_EQ(offline::ChooseLanguage(L{0x0409, 0x0807, 0x0007}, 0x0807), 1u);
  EXPECT_EQ(offline::ChooseLanguage(L{0x0409, 0x0007, 0x0407}, 0x0807), 1u);    // its neutral sublanguage
  EXPECT_EQ(offline::ChooseLanguage(L{0x0409, 0x0407}, 0x0807), 1u);            // its default sublanguage
  EXPECT_EQ(offline::ChooseLanguage(L{0x0407, 0x0409}, 0x040C), 1u);            // US English
  EXPECT_EQ(offline::ChooseLanguage(L{0x0411, 0x0407}, 0x040C), 0u);            // else the first

  // The same rule on a file with three languages, each with its own version.
  const Bytes file = WithResourceSection(
      MultiLanguageSection({{0x0407, BlockFor(0x0407, 7)}, {0x0409, BlockFor(0x0409, 9)}, {0x040C, BlockFor(0x040C, 12)}}));
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
    const std::size_t end = file.size();
    for (std::size_t len = 0; len <= file.size(); ++len) {
      // An exact-size heap copy lets the address sanitizer see any overread.
      const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(len));
      const auto r = Resource(cut);
      ASSERT_EQ(r.has_value(), len >= end) << "length " << len;
      if (r) {
        EXPECT_TRUE(Fixed(*r));
      }
    }
  }
}

TEST(PeVersion, HostileResourceDirectories) {
  // The type directory names itself as the subdirectory for every level.
  RsrcWriter cycle;
  cycle.Dir(0, 2);
  cycle.U32(1);
  cycle.U32(0x80000000u);
  cycle.U32(16);
  cycle.U32(0x80000000u);
  EXPECT_FALSE(Resource(WithResourceSection(cycle.b)));

  // Entry counts far beyond the section.
  RsrcWriter huge;
  huge.Dir(0xFFFF, 0xFFFF);
  huge.U32(16);
  huge.U32(0x80000000u | 0x18);
  EXPECT_FALSE(Resource(WithResourceSection(huge.b)));

  // Subdirectory offsets and data RVAs past the end, data sizes near 4 GB.
  const Bytes good = BlockFor(0x0409, 1);
  Bytes section = MultiLanguageSection({{0x0409, good}});
  ASSERT_TRUE(Resource(WithResourceSection(section)));
  struct Patch {
    std::size_t at;
    std::uint32_t value;
  } patches[] = {
      {0x14, 0xFFFFFFFFu}, {0x14, 0x80000000u | 0x7FFFFFF0u}, {0x2C, 0x80001000u}, {0x44, 0x7FFFFFFFu},
      {0x44, 0x80000000u | 0x30},  // the language entry points back at its own directory
      {0x48, 0xFFFFFFF0u}, {0x48, 0x00000000u}, {0x4C, 0xFFFFFFFFu}, {0x4C, 0xFFFFFFF0u}, {0x4C, 0x00010001u},
      {0x4C, 0u},
  };
  for (const Patch& p : patches) {
    Bytes s = section;
    Put32(s, p.at, p.value);
    EXPECT_FALSE(Resource(WithResourceSection(s))) << std::hex << p.at << " = " << p.value;
  }
}

TEST(PeVersion, HostileHeaders) {
  const Bytes file = tools::BuildVersionedPe(SampleVersion());
  const std::size_t fh = Get32(file, 0x3C) + 4;
  const std::size_t oh = fh + 20;
  const std::size_t sh = oh + Get16(file, fh + 16);
  struct Patch {
    std::size_t at;
    std::uint32_t value;
  } patches[] = {
      {0x3C, 0xFFFFFFF0u},            // e_lfanew past the end
      {fh + 2, 0xFFFFu},              // section count (16-bit field; upper half spills harmlessly)
      {fh + 16, 0xFFFFu},             // optional header size sends the section table away
      {oh + 92, 2u},                  // no resource directory slot
      {oh, 0x0107u},                  // unknown optional header magic
      {sh + 8, 0xFFFFFFFFu},          // virtual size near 4 GB (resource still inside the raw data)
      {sh + 16, 0xFFFFFFF0u},         // raw size near 4 GB
      {sh + 20, 0xFFFFFF00u},         // raw data past the end
      {sh + 12, 0xFFFFF000u},         // section at the top of the address space
  };
  for (const Patch& p : patches) {
    Bytes f = file;
    Put32(f, p.at, p.value);
    const auto r = Resource(f);
    if (p.at == sh + 8) {
      // A larger virtual size only adds zeros past the raw data.
      EXPECT_TRUE(r);
    } else {
      EXPECT_FALSE(r) << std::hex << p.at << " = " << p.value;
    }
  }
}

TEST(PeVersion, HostileVersionBlocks) {
  const Bytes good = *Resource(tools::BuildVersionedPe(SampleVersion()));
  auto sfi = [&](const Bytes& b) {
    const std::u16string key = u"StringFileInfo";
    Bytes k;
    for (char16_t c : key) {
      k.push_back(static_cast<std::uint8_t>(c));
      k.push_back(0);
    }
    return static_cast<std::size_t>(std::search(b.begin(), b.end(), k.begin(), k.end()) - b.begin()) - 6;
  };
  const char16_t* company = u"\\StringFileInfo\\040904B0\\CompanyName";

  Bytes b = good;  // a child with wLength 0 ends the list: strings gone, fixed info kept
  b[sfi(b)] = b[sfi(b) + 1] = 0;
  EXPECT_TRUE(Fixed(b));
  EXPECT_FALSE(Text(b, company));

  b = good;  // root wLength 0 or too short for a header
  b[0] = b[1] = 0;
  EXPECT_FALSE(Fixed(b));
  b[0] = 5;
  EXPECT_FALSE(Fixed(b));
  EXPECT_FALSE(Text(b, company));

  b = good;  // wrong signature
  b[40] ^= 0xFF;
  EXPECT_FALSE(Fixed(b));

  b = good;  // root ends inside the fixed info
  b[0] = 60;
  b[1] = 0;
  EXPECT_FALSE(Fixed(b));

  b = good;  // a child longer than its parent
  b[sfi(b)] = b[sfi(b) + 1] = 0xFF;
  EXPECT_FALSE(Text(b, company));

  // A string whose text has no terminator before its node ends, and whose
  // declared length runs far past it.
  const std::u16string value = u"Halvorn Storage";
  Bytes v;
  for (char16_t c : value) {
    v.push_back(static_cast<std::uint8_t>(c));
    v.push_back(0);
  }
  b = good;
  const std::size_t textAt = static_cast<std::size_t>(std::search(b.begin(), b.end(), v.begin(), v.end()) - b.begin());
  b[textAt + v.size()] = 'x';                 // overwrite the NUL ...
  b[textAt + v.size() + 1] = 0;
  const std::size_t node = textAt - 32;  // header and "CompanyName" + NUL, padded to 4
  ASSERT_EQ(Get16(b, node + 4), 1u);
  Put32(b, node, static_cast<std::uint32_t>(textAt + v.size() + 2 - node) | (0xFFFFu << 16));  // ... and end there
  EXPECT_FALSE(Text(b, company));
  EXPECT_TRUE(Text(b, u"\\StringFileInfo\\040904B0\\InternalName"));
  // The same string claiming to be binary is still only handed out with its NUL.
  for (std::uint16_t type : {0x0000, 0x0201}) {
    Bytes c = b;
    c[node + 4] = static_cast<std::uint8_t>(type);
    c[node + 5] = static_cast<std::uint8_t>(type >> 8);
    Put32(c, node, static_cast<std::uint32_t>(textAt + v.size() + 2 - node) | (8u << 16));
    EXPECT_FALSE(Text(c, company)) << type;
  }
}

TEST(PeVersion, CopyIntoBuffersOfEverySize) {
  const Bytes resource = *Resource(tools::BuildVersionedPe(SampleVersion()));
  const ByteView view = View(resource);
  for (std::size_t size = 0; size <= resource.size() + 8; ++size) {
    Bytes buffer(size);
    const bool copied = offline::CopyVersionBlock(view, buffer.data(), size);
    ASSERT_EQ(copied, size >= 6) << size;
    if (!copied) continue;
    // Queries on a cut copy stay inside it and find only what was copied whole.
    const bool whole = size >= resource.size();
    EXPECT_EQ(Fixed(buffer).has_value(), size >= 40 + 52) << size;  // header, key, fixed info
    if (whole) {
      EXPECT_EQ(Text(buffer, u"\\StringFileInfo\\040904B0\\InternalName"), u"elxstor.sys");
    } else {
      EXPECT_LE(Get16(buffer, 0), size);
    }
  }
}

}  // namespace
