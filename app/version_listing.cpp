#include "app/version_listing.h"

#include "pages/page_lines.h"
#include "platform/os.h"
#include "platform/text.h"
#include "platform/version_reason.h"
#include "probes/fs_redirection.h"
#include "probes/system_probe.h"
#include "probes/version_files.h"

namespace app {
namespace {

// "name: version", or "name: -" with the reason in brackets when one is known.
template <std::size_t N>
void Row(std::string& out, const char16_t* directory, const char16_t* name, const char16_t (&field)[N]) {
  const std::u16string_view version = pages::FieldText(field);
  out += text::ToUtf8(name) + ": ";
  if (!version.empty()) {
    out += text::ToUtf8(version) + "\n";
    return;
  }
  const std::u16string why = os::WhyNoFileVersion((std::u16string(directory) + name).c_str());
  out += why.empty() ? std::string("-\n") : "- (" + text::ToUtf8(why) + ")\n";
}

}  // namespace

std::string VersionListing() {
  CSystemProbe probe;
  DriverVersions d{};
  probe.GetDriverVersions(d);
  MarkerVersions m{};
  probe.GetMarkerVersions(m);

  char16_t directory[260] = {};
  DriversDirectory(directory);
  std::string out = "[Driver files]\n";
  {
    CFileSystemRedirectionOff realDriversFolder;
    for (const DriverFile& file : kDriverFiles) Row(out, directory, file.fileName, d.*file.field);
  }
  MarkerDirectory(directory);
  out += "\n[Version markers]\n";
  for (const MarkerFile& file : kMarkerFiles) Row(out, directory, file.fileName, m.*file.field);
  return out;
}

}  // namespace app
