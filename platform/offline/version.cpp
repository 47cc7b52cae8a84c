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
//  - Only files up to kMaxImageFileSize are read; larger ones have no version.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/offline/image_files.h"
#include "platform/offline/pe_layout.h"
#include "platform/offline/pe_resource.h"
#include "platform/offline/version_block.h"
#include "platform/os.h"
#include "platform/text.h"
#include "platform/version_reason.h"

namespace os {
namespace {

constexpr std::size_t kMaxImageFileSize = 256u * 1024 * 1024;

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
  const auto bytes = offline::ReadImageFile(name, kMaxImageFileSize);
  if (!bytes) return fail(ERROR_FILE_NOT_FOUND, why && offline::MapExisting(name) ? "cannot be read" : "file not found");
  auto resource = offline::FindVersionResource(offline::ByteView(bytes->data(), bytes->size()));
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

// A query on a caller's copy of the block, whose root wLength is the only
// extent it carries.
offline::Parsed<offline::VersionValue, offline::VersionQueryError> Query(const std::uint8_t* block,
                                                                        std::u16string_view path) {
  std::uint8_t head[2];
  std::memcpy(head, block + offline::pe::version_node::kLength, sizeof head);
  const std::size_t extent = offline::ByteView(head, sizeof head).u16At(0).value_or(0);
  return offline::QueryVersionValue(offline::ByteView(block, extent), path);
}

}  // namespace

DWORD GetFileVersionInfoSizeW(const WCHAR* fileName, DWORD* handle) {
  if (handle) *handle = 0;
  const auto resource = LoadVersionResource(fileName);
  if (!resource) return 0;
  SetLastError(ERROR_SUCCESS);
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
  if (!offline::CopyVersionBlock(bytes, static_cast<std::uint8_t*>(data), size)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL VerQueryValueW(const void* block, const WCHAR* subBlock, void** buffer, UINT* length) {
  if (length) *length = 0;
  if (!block || !buffer) return FALSE;
  const auto* bytes = static_cast<const std::uint8_t*>(block);
  const std::u16string_view path = subBlock ? std::u16string_view(subBlock, text::Length(subBlock)) : u"";
  const auto value = Query(bytes, path);
  if (!value) return FALSE;
  *buffer = const_cast<std::uint8_t*>(bytes + value->offset);
  if (length) *length = value->length;
  return TRUE;
}

// The reader's own steps (size, copy, fixed file information), each failure
// with the reason the readers give.
std::u16string WhyNoFileVersion(const char16_t* path) {
  std::string why;
  const auto resource = LoadVersionResource(path, &why);
  if (!resource) return text::FromUtf8(why);
  std::vector<std::uint8_t> block(resource->bytes.size());
  const offline::ByteView bytes(resource->bytes.data(), resource->bytes.size());
  if (!offline::CopyVersionBlock(bytes, block.data(), block.size())) return u"version resource too small";
  const auto fixed = Query(block.data(), u"\\");
  if (!fixed) return text::FromUtf8(offline::Describe(fixed.reason()));
  return u"";
}

}  // namespace os
