// Builds small, valid PE images (PE32 or PE32+) carrying a version resource,
// for test fixtures and the sample system image; or 16-bit (NE) files.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tools {

// Where the built image maps its one section, .rsrc (the resource directory's RVA).
constexpr std::uint32_t kResourceSectionRva = 0x1000;

struct VersionSpec {
  std::uint16_t fileVersion[4] = {1, 0, 0, 0};
  std::uint16_t productVersion[4] = {1, 0, 0, 0};
  std::uint16_t language = 0x0409;                                 // string table language
  std::uint16_t codePage = 1200;                                   // string table code page
  std::vector<std::pair<std::u16string, std::u16string>> strings;  // CompanyName, InternalName, ...
  bool pe64 = false;                                               // PE32+ instead of PE32
  bool withVersionResource = true;                                 // false: a PE file without any version resource
  // A .text section before .rsrc (then at 0x2000) whose virtual size reaches
  // over all of .rsrc, as some packers leave it; its raw data stays short.
  bool codeBeforeResources = false;
  // A 16-bit (NE) file instead, its version block in 16-bit form (ANSI keys
  // and texts); the string table's code page is then an ANSI one (1252).
  bool sixteenBit = false;
};

std::vector<std::uint8_t> BuildVersionedPe(const VersionSpec& versionSpec);
std::vector<std::uint8_t> BuildVersionedNe(const VersionSpec& versionSpec);

// A description whose file version is a.b.c.d, everything else default.
VersionSpec FileVersion(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d);

}  // namespace tools
