// Feeds arbitrary bytes to the PE version-resource reader as a file of the
// image, copies the resource into a buffer as GetFileVersionInfoW does, and
// queries the copy the way the file version reader does.
// Replay: fuzz_pe_version fuzz/corpus/pe_version/*
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/offline/formats/pe_layout.h"
#include "platform/offline/formats/pe_resource.h"
#include "platform/offline/formats/version_block.h"

namespace {

enum class Kind { Fixed, Text, Binary };

// A query on a caller's copy, whose root wLength is the only extent it has.
void Query(const std::uint8_t* block, std::size_t size, const char16_t* path, Kind kind) {
  const std::size_t extent = offline::ByteView(block, size).u16At(offline::pe::version_node::kLength).value_or(0);
  if (extent > size) __builtin_trap();  // the copy lowers a root that claims more
  const auto value = offline::QueryVersionValue(offline::ByteView(block, extent), path);
  if (!value) return;
  if (value->offset >= size) __builtin_trap();
  const std::uint8_t* p = block + value->offset;
  // Read what a caller would: the sanitizer sees any byte outside the buffer.
  volatile std::uint8_t sink = 0;
  if (kind == Kind::Fixed) {
    for (std::size_t i = 0; i < offline::pe::fixed_file_info::kSize; ++i) sink = sink ^ p[i];
  } else if (kind == Kind::Text) {
    for (const std::uint8_t* c = p; c[0] != 0 || c[1] != 0; c += 2) sink = sink ^ c[0];
  } else {
    for (std::uint32_t i = 0; i < value->length; ++i) sink = sink ^ p[i];
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto resource = offline::FindVersionResource(offline::ByteView(data, size));
  if (!resource) return 0;
  const offline::ByteView bytes(resource->bytes.data(), resource->bytes.size());
  if (resource->sixteenBit) {  // a 16-bit block: its values must lie inside it
    for (const char* path : {"\\", "\\StringFileInfo\\040904E4\\CompanyName", "\\VarFileInfo\\Translation"}) {
      const auto value = offline::QueryVersionValue16(bytes, path);
      if (value && (value->offset + value->length > bytes.size() || value->nodeEnd > bytes.size())) __builtin_trap();
    }
  }
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
