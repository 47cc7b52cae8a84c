// Feeds arbitrary bytes to the PE version-resource reader as a file of the
// image, copies the resource into a buffer as GetFileVersionInfoW does, and
// queries it the way the file version reader does.
// Replay: fuzz_pe_version fuzz/corpus/pe_version/*
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/offline/pe_resource.h"
#include "platform/offline/version_block.h"
#include "platform/os.h"

namespace {

enum class Kind { Fixed, Text, Binary };

void Query(const std::uint8_t* block, std::size_t size, const char16_t* path, Kind kind) {
  void* value = nullptr;
  os::UINT length = 0;
  if (!os::VerQueryValueW(block, path, &value, &length)) {
    if (length != 0) __builtin_trap();
    return;
  }
  const auto* p = static_cast<const std::uint8_t*>(value);
  if (p < block || p >= block + size) __builtin_trap();
  // Read what a caller would: the sanitizer sees any byte outside the buffer.
  volatile std::uint8_t sink = 0;
  if (kind == Kind::Fixed) {
    for (std::size_t i = 0; i < sizeof(os::VS_FIXEDFILEINFO); ++i) sink = sink ^ p[i];
  } else if (kind == Kind::Text) {
    for (const std::uint8_t* c = p; c[0] != 0 || c[1] != 0; c += 2) sink = sink ^ c[0];
  } else {
    for (os::UINT i = 0; i < length; ++i) sink = sink ^ p[i];
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto resource = offline::FindVersionResource(offline::ByteView(data, size));
  if (!resource) return 0;
  const offline::ByteView bytes(resource->bytes.data(), resource->bytes.size());
  // Once with room for the whole resource, once cut short; exact-size
  // allocations make any overread visible.
  for (std::size_t room : {bytes.size(), bytes.size() / 2}) {
    if (room == 0) continue;
    std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[room]);
    if (!offline::CopyVersionBlock(bytes, block.get(), room)) continue;
    Query(block.get(), room, u"\\", Kind::Fixed);
    Query(block.get(), room, u"\\StringFileInfo\\040904B0\\CompanyName", Kind::Text);
    Query(block.get(), room, u"\\StringFileInfo\\040904B0\\InternalName", Kind::Text);
    Query(block.get(), room, u"\\VarFileInfo\\Translation", Kind::Binary);
  }
  return 0;
}
