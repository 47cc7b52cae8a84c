#include "app/version_listing.h"

#include "pages/page_lines.h"
#include "platform/os.h"
#include "platform/text.h"
#include "platform/version_reason.h"
#include "probes/fs_redirection.h"
#include "probes/system_probe.h"

namespace app {
namespace {

// "name: version", or "name: -" with the reason in brackets when one is known.
template <std::size_t N>
void Row(std::string& out, std::u16string_view directory, const char* name, const char16_t (&field)[N]) {
  const std::u16string_view version = pages::FieldText(field);
  out += std::string(name) + ": ";
  if (!version.empty()) {
    out += text::ToUtf8(version) + "\n";
    return;
  }
  const std::u16string why = os::WhyNoFileVersion((std::u16string(directory) + text::FromUtf8(name)).c_str());
  out += why.empty() ? std::string("-\n") : "- (" + text::ToUtf8(why) + ")\n";
}

// The folders the probes read: "<system dir>\Drivers\" and "<drive>\Halvorn\Version\".
std::u16string SystemDirectory() {
  char16_t directory[260] = {};
  os::GetSystemDirectoryW(directory, 260);
  return std::u16string(directory, text::Length(directory, 260));
}

}  // namespace

std::string VersionListing() {
  CSystemProbe probe;
  DriverVersions d{};
  probe.GetDriverVersions(d);
  MarkerVersions m{};
  probe.GetMarkerVersions(m);
  const std::u16string system = SystemDirectory();
  const std::u16string drivers = system + u"\\Drivers\\";
  const std::u16string markers = system.substr(0, 3) + u"Halvorn\\Version\\";

  std::string out = "[Driver files]\n";
  {
    CFileSystemRedirectionOff realDriversFolder;
    Row(out, drivers, "lp6nds35.sys", d.lp6nds35);
    Row(out, drivers, "lpxnds.sys", d.lpxnds);
    Row(out, drivers, "lpxftr.sys", d.lpxftr);
    Row(out, drivers, "ELXSTOR.sys", d.elxstor);
    Row(out, drivers, "vexa2300.sys", d.vexa2300);
    Row(out, drivers, "Zolvanta.sys", d.zolvanta);
    Row(out, drivers, "Sollin.sys", d.sollin);
    Row(out, drivers, "ql2300.sys", d.ql2300);
    Row(out, drivers, "carnel.sys", d.carnel);
    Row(out, drivers, "morvet.sys", d.morvet);
  }
  out += "\n[Version markers]\n";
  Row(out, markers, "Gallond.exe", m.Gallond);
  Row(out, markers, "Gallond64.exe", m.Gallond64);
  Row(out, markers, "Morrisk.exe", m.Morrisk);
  Row(out, markers, "Morrisk64.exe", m.Morrisk64);
  Row(out, markers, "Tavish.exe", m.Tavish);
  Row(out, markers, "Tavish64.exe", m.Tavish64);
  Row(out, markers, "TavishES64.exe", m.TavishES64);
  Row(out, markers, "Hestrel.exe", m.Hestrel);
  Row(out, markers, "Hestrel64.exe", m.Hestrel64);
  Row(out, markers, "Ormaby.exe", m.Ormaby);
  Row(out, markers, "Pellwyn.exe", m.Pellwyn);
  Row(out, markers, "Pellwyn64.exe", m.Pellwyn64);
  Row(out, markers, "Vardane.exe", m.Vardane);
  Row(out, markers, "Vardane64.exe", m.Vardane64);
  Row(out, markers, "Quillon.exe", m.Quillon);
  Row(out, markers, "Quillon64.exe", m.Quillon64);
  Row(out, markers, "VardaneES64.exe", m.VardaneES64);
  return out;
}

}  // namespace app
