#include "app/version_listing.h"

#include "pages/page_lines.h"
#include "platform/text.h"
#include "probes/system_probe.h"
#include "probes/version_files.h"

namespace app {
namespace {

template <std::size_t N>
void Row(std::string& out, const char16_t* name, const char16_t (&field)[N]) {
  const std::u16string_view version = pages::FieldText(field);
  out += text::ToUtf8(name) + ": " + (version.empty() ? std::string("-") : text::ToUtf8(version)) + "\n";
}

}  // namespace

std::string VersionListing() {
  CSystemProbe probe;
  DriverVersions d{};
  probe.GetDriverVersions(d);
  MarkerVersions m{};
  probe.GetMarkerVersions(m);

  std::string out = "[Driver files]\n";
  for (const DriverFile& file : kDriverFiles) Row(out, file.fileName, d.*file.field);
  out += "\n[Version markers]\n";
  for (const MarkerFile& file : kMarkerFiles) Row(out, file.fileName, m.*file.field);
  return out;
}

}  // namespace app
