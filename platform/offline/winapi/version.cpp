// Version resources of files in the offline image, read from the PE bytes.
//
// Differences from version.dll, all on the side of safety:
//  - GetFileVersionInfoSizeW reports the resource's own size. Windows asks for
//    more (room for an ANSI copy it builds); any size at least this large is
//    accepted by GetFileVersionInfoW, so callers behave the same.
//  - A buffer smaller than the resource receives a truncated copy, as on
//    Windows, and the copy's root wLength is lowered to the copied size so that
//    a later VerQueryValueW stays inside the buffer. A buffer too small to hold
//    even a node header (6 bytes) fails with ERROR_INSUFFICIENT_BUFFER.
//  - Resources in a language-specific .mui file beside the file are not
//    consulted: driver and marker files carry their own.
//
// Only the headers, the tables on the way and the resource are read, however
// large the file.
//
// A 16-bit (NE) file's block is handed out as the version library hands it
// out: GetFileVersionInfoSizeW asks for (size - 52) * 4 bytes, the block is
// copied as it is, and VerQueryValueW answers a text from it with a UTF-16
// copy in the room past the block (Windows-1252 being the ANSI code page of
// the systems inspected); the fixed file information and the translation
// table are handed out in place.
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codecs.h"
#include "platform/offline/winapi/file_bytes.h"
#include "platform/offline/winapi/image_files.h"
#include "platform/offline/winapi/lookup_cache.h"
#include "platform/offline/winapi/path_map.h"
#include "platform/offline/formats/pe_layout.h"
#include "platform/offline/formats/pe_resource.h"
#include "platform/offline/formats/version_block.h"
#include "platform/os.h"
#include "platform/text.h"
#include "platform/version_reason.h"

namespace os {
namespace {

using ResourceRead = offline::Parsed<offline::VersionResource, offline::PeError>;

// What the version resource of each file read was: a run reads the same
// drivers and markers once per page and again for the report. Kept by the
// file's identity (so a file replaced is read afresh), at most kKept files.
class Resources final : public offline::WriteAware {
 public:
  static Resources& Get() { return offline::RunCache<Resources>(); }
  // Nothing when the file cannot be opened.
  std::optional<ResourceRead> Read(const offline::Found& found) {
    const std::optional<offline::FileIdentity> identity = offline::IdentityOf(found);
    if (identity) {
      const auto it = kept_.find(*identity);
      if (it != kept_.end()) return it->second;
    }
    const std::unique_ptr<offline::DriveFile> file = found.source->Open(found.path);
    if (!file) return std::nullopt;
    ResourceRead read = offline::FindVersionResource(offline::FileBytes(*file));
    if (identity) {
      if (kept_.size() >= kKept) kept_.clear();
      kept_.emplace(*identity, read);
    }
    return read;
  }
  void ForgetPath(const std::string&) override {}  // a file written is another file
  void ForgetWritten() override {}
  void ForgetAll() override { kept_.clear(); }

 private:
  static constexpr std::size_t kKept = 1024;
  std::map<offline::FileIdentity, ResourceRead> kept_;
};

// The version resource of the file, or nothing with the last error set and,
// when `why` is given, the reason in a few words.
std::optional<offline::VersionResource> LoadVersionResource(const WCHAR* fileName, std::string* why = nullptr) {
  auto fail = [why](DWORD error, const char* reason) {
    SetLastError(error);
    if (why) *why = reason;
    return std::nullopt;
  };
  if (!fileName || !*fileName) return fail(ERROR_INVALID_PARAMETER, "no file name");
  const std::u16string_view name(fileName, text::Length(fileName));
  const std::optional<offline::Found> found = offline::MapForRead(name);
  if (!found || !found->exists() || !S_ISREG(found->path.mode)) {
    return fail(ERROR_FILE_NOT_FOUND, found && found->exists() ? "cannot be read" : "file not found");
  }
  std::optional<ResourceRead> read = Resources::Get().Read(*found);
  if (!read) return fail(ERROR_FILE_NOT_FOUND, "cannot be read");
  ResourceRead& resource = *read;
  if (!resource) {
    // As Windows: an image with resources but no version resource reports the
    // missing type; anything else (not an image, no resource section) the
    // missing resource data. Wine reports the latter for both.
    const offline::PeError error = resource.reason();
    return fail(offline::HasResourceDirectory(error) ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_RESOURCE_DATA_NOT_FOUND,
                offline::Describe(error));
  }
  return std::move(*resource);
}

// A caller's copy of a block, whose root wLength is the only extent it carries.
offline::ByteView Block(const std::uint8_t* block) {
  std::uint8_t head[2];
  std::memcpy(head, block + offline::pe::version_node::kLength, sizeof head);
  return offline::ByteView(block, offline::ByteView(head, sizeof head).u16At(0).value_or(0));
}

std::string Ansi(std::u16string_view path) {
  std::string out;
  for (char16_t c : path) out.push_back(static_cast<char>(codecs::ToWindows1252(c).value_or('?')));
  return out;
}

// A query on a caller's copy of a block. A text of a 16-bit block is copied
// as UTF-16 to the room past the block (at twice its offset), which the
// caller's buffer holds when it is as large as GetFileVersionInfoSizeW said.
offline::Parsed<offline::VersionValue, offline::VersionQueryError> Query(std::uint8_t* buffer,
                                                                         std::u16string_view path) {
  const offline::ByteView block = Block(buffer);
  if (!offline::IsVersionBlock16(block)) return offline::QueryVersionValue(block, path);
  auto value = offline::QueryVersionValue16(block, Ansi(path));
  if (!value || text::EqualsNoCaseAZ(path, u"\\") || text::EqualsNoCaseAZ(path, u"\\VarFileInfo\\Translation")) {
    return value;
  }
  std::uint64_t end = value->offset;
  while (end < value->nodeEnd && buffer[end] != 0) ++end;
  if (end >= value->nodeEnd) return offline::VersionQueryError::kUnterminatedText;
  const std::uint64_t chars = end - value->offset + 1;
  const std::uint64_t to = block.size() + 2 * value->offset;
  if (to + 2 * chars > offline::VersionBlock16BufferSize(block.size()))
    return offline::VersionQueryError::kValueOutsideNode;
  for (std::uint64_t i = 0; i < chars; ++i) {
    const char16_t c = codecs::FromWindows1252(buffer[value->offset + i]);
    buffer[to + 2 * i] = static_cast<std::uint8_t>(c & 0xFF);
    buffer[to + 2 * i + 1] = static_cast<std::uint8_t>(c >> 8);
  }
  return offline::VersionValue{to, static_cast<std::uint32_t>(chars), to + 2 * chars};
}

}  // namespace

DWORD GetFileVersionInfoSizeW(const WCHAR* fileName, DWORD* handle) {
  if (handle) *handle = 0;
  const auto resource = LoadVersionResource(fileName);
  if (!resource) return 0;
  SetLastError(ERROR_SUCCESS);
  if (resource->sixteenBit) return static_cast<DWORD>(offline::VersionBlock16BufferSize(resource->bytes.size()));
  return static_cast<DWORD>(resource->bytes.size());
}

BOOL GetFileVersionInfoW(const WCHAR* fileName, DWORD, DWORD size, void* data) {
  if (!data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto resource = LoadVersionResource(fileName);
  if (!resource) return FALSE;
  const offline::ByteView bytes(resource->bytes.data(), resource->bytes.size());
  auto* out = static_cast<std::uint8_t*>(data);
  if (!(resource->sixteenBit ? offline::CopyVersionBlock16(bytes, out, size)
                             : offline::CopyVersionBlock(bytes, out, size))) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL VerQueryValueW(const void* block, const WCHAR* subBlock, void** buffer, UINT* length) {
  if (length) *length = 0;
  if (!block || !buffer) return FALSE;
  // As the version library, it writes the UTF-16 copy of a 16-bit text into the block's buffer.
  auto* bytes = const_cast<std::uint8_t*>(static_cast<const std::uint8_t*>(block));
  const std::u16string_view path = subBlock ? std::u16string_view(subBlock, text::Length(subBlock)) : u"";
  const auto value = Query(bytes, path);
  if (!value) return FALSE;
  *buffer = bytes + value->offset;
  if (length) *length = value->length;
  return TRUE;
}

// The reader's own steps (size, copy, fixed file information), each failure
// with the reason the readers give.
std::u16string WhyNoFileVersion(const char16_t* path) {
  std::string why;
  const auto resource = LoadVersionResource(path, &why);
  if (!resource) return text::FromUtf8(why);
  std::vector<std::uint8_t> block(resource->sixteenBit ? offline::VersionBlock16BufferSize(resource->bytes.size())
                                                       : resource->bytes.size());
  const offline::ByteView bytes(resource->bytes.data(), resource->bytes.size());
  const bool copied = resource->sixteenBit ? offline::CopyVersionBlock16(bytes, block.data(), block.size())
                                           : offline::CopyVersionBlock(bytes, block.data(), block.size());
  if (!copied) return u"version resource too small";
  const auto fixed = Query(block.data(), u"\\");
  if (!fixed) return text::FromUtf8(offline::Describe(fixed.reason()));
  return u"";
}

}  // namespace os
