// The three multipath configuration rules of CSystemProbe: substring tests on
// an upper-cased, blank-free copy of the driver's parameter text.
#include "platform/text.h"
#include "probes/param_text.h"
#include "probes/system_probe.h"

namespace {

struct NormalisedText {
  explicit NormalisedText(const char16_t* parameters) {
    text::Copy(buffer, parameters ? std::u16string_view(parameters, text::Length(parameters)) : u"");
    text::UpperCaseAZInPlace(buffer);
    RemoveBlanks(buffer);
  }
  bool Has(std::u16string_view what) const { return text::Contains(buffer, what); }
  char16_t buffer[260];
};

}  // namespace

int CSystemProbe::IsTransparentConfig(const char16_t* parameters) {
  NormalisedText t(parameters);
  return ((t.Has(u"LINKTIMEOUT=60") || !t.Has(u"LINKTIMEOUT")) && t.Has(u"NODETIMEOUT=60")) ? 1 : 0;
}

int CSystemProbe::IsMultiPathConfig(const char16_t* parameters) {
  NormalisedText t(parameters);
  DriverVersions versions;
  GetDriverVersions(versions);
  return (t.Has(u"LINKTIMEOUT=40") && t.Has(u"NODETIMEOUT=10") && versions.carnel[0] == 0) ? 1 : 0;
}

int CSystemProbe::IsSinglePathConfig(const char16_t* parameters) {
  NormalisedText t(parameters);
  return (t.Has(u"LINKTIMEOUT=500") && t.Has(u"NODETIMEOUT=255")) ? 1 : 0;
}
