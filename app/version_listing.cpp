#include "app/version_listing.h"

#include "pages/page_lines.h"
#include "platform/text.h"
#include "probes/system_probe.h"

namespace app {
namespace {

template <std::size_t N>
void Row(std::string& out, const char* name, const char16_t (&field)[N]) {
  const std::u16string_view version = pages::FieldText(field);
  out += std::string(name) + ": " + (version.empty() ? std::string("-") : text::ToUtf8(version)) + "\n";
}

}  // namespace

std::string VersionListing() {
  CSystemProbe probe;
  DriverVersions d{};
  probe.GetDriverVersions(d);
  MarkerVersions m{};
  probe.GetMarkerVersions(m);

  std::string out = "[Driver files]\n";
  Row(out, "lp6nds35.sys", d.lp6nds35);
  Row(out, "lpxnds.sys", d.lpxnds);
  Row(out, "lpxftr.sys", d.lpxftr);
  Row(out, "ELXSTOR.sys", d.elxstor);
  Row(out, "vexa2300.sys", d.vexa2300);
  Row(out, "Zolvanta.sys", d.zolvanta);
  Row(out, "Sollin.sys", d.sollin);
  Row(out, "ql2300.sys", d.ql2300);
  Row(out, "carnel.sys", d.carnel);
  Row(out, "morvet.sys", d.morvet);
  out += "\n[Version markers]\n";
  Row(out, "Gallond.exe", m.Gallond);
  Row(out, "Gallond64.exe", m.Gallond64);
  Row(out, "Morrisk.exe", m.Morrisk);
  Row(out, "Morrisk64.exe", m.Morrisk64);
  Row(out, "Tavish.exe", m.Tavish);
  Row(out, "Tavish64.exe", m.Tavish64);
  Row(out, "TavishES64.exe", m.TavishES64);
  Row(out, "Hestrel.exe", m.Hestrel);
  Row(out, "Hestrel64.exe", m.Hestrel64);
  Row(out, "Ormaby.exe", m.Ormaby);
  Row(out, "Pellwyn.exe", m.Pellwyn);
  Row(out, "Pellwyn64.exe", m.Pellwyn64);
  Row(out, "Vardane.exe", m.Vardane);
  Row(out, "Vardane64.exe", m.Vardane64);
  Row(out, "Quillon.exe", m.Quillon);
  Row(out, "Quillon64.exe", m.Quillon64);
  Row(out, "VardaneES64.exe", m.VardaneES64);
  return out;
}

}  // namespace app
