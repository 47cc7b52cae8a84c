#include "app/dialog_templates.h"

namespace app {
namespace {

using ui::ControlKind;
using ui::kNoControlId;
using ui::TemplateControl;

const TemplateControl kMain[] = {
    {1, ControlKind::DefPushButton, u"YES", 48, 82, 50, 14},
    {2, ControlKind::PushButton, u"NO", 157, 82, 50, 14},
    {kNoControlId, ControlKind::StaticText,
     u"Would you like to print out more detailed information about your system to a text file?", 27, 43, 202, 17},
    {kNoControlId, ControlKind::GroupBox, u"", 0, 66, 255, 9},
    {kNoControlId, ControlKind::GroupBox, u"", 0, 19, 255, 9},
    {kNoControlId, ControlKind::Bitmap, u"Fairlock  Fibre Channel driver information", 0, 0, 337, 26, kIdBannerBitmap},
};

const TemplateControl kAbout[] = {
    {kNoControlId, ControlKind::Icon, u"[F]", 11, 17, 20, 20, kIdMainIcon},
    {kNoControlId, ControlKind::StaticText, u"Fairlock Version 1.0", 40, 10, 119, 8, 0, ui::kControlNoPrefix},
    {kNoControlId, ControlKind::StaticText, u"Read-only driver information", 40, 25, 119, 8},
    {1, ControlKind::DefPushButton, u"OK", 178, 7, 50, 14, 0, ui::kControlGroup},
};

const ui::DialogTemplate kMainTemplate{kIdMainDialog,
                                       u"Fairlock",
                                       256,
                                       104,
                                       kMain,
                                       sizeof kMain / sizeof kMain[0],
                                       ui::kDialogExtended | ui::kDialogVisible | ui::kDialogAppWindow};
const ui::DialogTemplate kAboutTemplate{
    kIdAboutBox, u"About Fairlock", 235, 55, kAbout, sizeof kAbout / sizeof kAbout[0], 0};

const ui::StringResource kStrings[] = {
    {kIdsAboutBox, u"&About Fairlock..."},
};

}  // namespace

const ui::StringResource* StringTable(std::size_t* count) {
  *count = sizeof kStrings / sizeof kStrings[0];
  return kStrings;
}

const ui::DialogTemplate& MainDialogTemplate() { return kMainTemplate; }
const ui::DialogTemplate& AboutDialogTemplate() { return kAboutTemplate; }

}  // namespace app
