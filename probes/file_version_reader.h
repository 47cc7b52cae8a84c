// Reads what one file's version resource says about it (file and product
// version, company and internal name) together with its size and local
// last-write date and time. The lookups take only the file-version text.
#pragma once

#include <cstdint>
#include <string>

class CFileVersionReader {
 public:
  CFileVersionReader() = default;

  void SetPath(const char16_t* path);
  // 0 when the path is empty or the file has no version resource, else 1.
  int Read();
  // True when any version number or last-write half is non-zero.
  bool HasData() const;
  // The file version ("7.1.12.0") when HasData(), else an empty text.
  std::u16string GetFileVersionText() const;

  std::u16string path;
  std::u16string productVersion;
  std::u16string fileVersion;
  std::u16string companyName;
  std::u16string internalName;
  std::u16string dateText;
  std::u16string timeText;
  std::uint32_t fileVersionMS = 0;
  std::uint32_t fileVersionLS = 0;
  std::uint32_t productVersionMS = 0;
  std::uint32_t productVersionLS = 0;
  std::uint32_t lastWriteHigh = 0;
  std::uint32_t lastWriteLow = 0;
  std::uint32_t fileSize = 0;

 private:
  void FormatTexts();
};
