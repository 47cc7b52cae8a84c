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
#include <string_view>

#include "platform/offline/image_files.h"
#include "platform/offline/pe_resource.h"
#include "platform/offline/version_block.h"
#include "platform/os.h"
#include "platform/text.h"

namespace os {
namespace {

constexpr std::size_t kMaxImageFileSize = 256u * 1024 * 1024;

// The version resource of the file, or nothing with the last error set.
std::optional<offline::VersionResource> LoadVersionResource(const WCHAR* fileName) {
  if (!fileName || !*fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return std::nullopt;
  }
  const auto bytes = offline::ReadImageFile(std::u16string_view(fileName, text::Length(fileName)), kMaxImageFileSize);
  if (!bytes) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return std::nullopt;
  }
  bool hasResources = false;
  auto resource = offline::FindVersionResource(offline::ByteView(bytes->data(), bytes->size()),
                                               offline::kOfflineDefaultLanguage, &hasResources);
  if (!resource) {
    // As Windows: an image with resources but no version resource reports the
    // missing type; anything else (not an image, no resource section) the
    // missing resource data. Wine reports the latter for both.
    SetLastError(hasResources ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_RESOURCE_DATA_NOT_FOUND);
    return std::nullopt;
  }
  return resource;
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
  // The root's wLength is the only extent a version block carries.
  std::uint8_t head[2];
  std::memcpy(head, block, 2);
  const std::size_t extent = static_cast<std::size_t>(head[0] | (head[1] << 8));
  const auto* bytes = static_cast<const std::uint8_t*>(block);
  const offline::ByteView view(bytes, extent);
  const std::u16string_view path = subBlock ? std::u16string_view(subBlock, text::Length(subBlock)) : u"";
  const auto value = offline::QueryVersionValue(view, path);
  if (!value) return FALSE;
  *buffer = const_cast<std::uint8_t*>(bytes + value->offset);
  if (length) *length = value->length;
  return TRUE;
}

}  // namespace os
