// A throw-away system drive for the offline file tests: <tmp>/root is the
// image (WINDOWS/system32 inside), <tmp>/out the --output folder when asked
// for, <tmp>/outside a folder that links may point to but nothing may reach.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/offline/winapi/machine.h"
#include "platform/os.h"

namespace offline_test {

class TempImage {
 public:
  TempImage() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillon-files-XXXXXX").string();
    if (mkdtemp(pattern.data())) base_ = pattern;
    std::filesystem::create_directories(Root() / "WINDOWS" / "system32");
    std::filesystem::create_directories(Outside());
  }
  ~TempImage() {
    std::error_code ec;
    std::filesystem::permissions(base_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(base_, ec);
  }
  TempImage(const TempImage&) = delete;
  TempImage& operator=(const TempImage&) = delete;

  std::filesystem::path Root() const { return base_ / "root"; }
  std::filesystem::path Out() const { return base_ / "out"; }
  std::filesystem::path Outside() const { return base_ / "outside"; }

  // Makes this image the machine in force; with `withOutput`, writes go below Out().
  bool Configure(bool withOutput = false, std::string* error = nullptr) {
    offline::MachineOptions options;
    options.root = Root().string();
    if (withOutput) options.output = Out().string();
    std::string ignored;
    return offline::ConfigureMachine(options, error ? error : &ignored);
  }

  static void Write(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  static std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::filesystem::path base_;
};

// Owns a handle from CreateFileW for the length of a test.
class FileHandle {
 public:
  explicit FileHandle(os::HANDLE h) : h_(h) {}
  ~FileHandle() {
    if (valid()) os::CloseHandle(h_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool valid() const { return h_ != os::INVALID_HANDLE_VALUE; }
  os::HANDLE get() const { return h_; }

 private:
  os::HANDLE h_;
};

}  // namespace offline_test
