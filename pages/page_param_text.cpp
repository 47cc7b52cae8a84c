#include "pages/page_param_text.h"

#include "platform/text.h"
#include "probes/driver_table.h"
#include "probes/system_probe.h"

namespace pages {
namespace {

void FormatUnavailable(int driverIndex, PageParamText& text) {
  text::Format(text.szConfiguration, u"Configuration:     \"%s\"", ConfigurationWord(driverIndex, nullptr));
  if (IsQLogicFamily(driverIndex)) {
    text::Copy(text.szQueueDepth, u"ExecutionThrottle:  \"N/A\"");
  } else {
    text::Copy(text.szQueueDepth, u"QueueDepth:         \"N/A\"");
    text::Copy(text.szQueueTarget, u"QueueTarget:        \"N/A\"");
  }
  text::Copy(text.szRequests,
             CountsFcpContexts(driverIndex) ? u"NumFcpContext:     \"N/A\"" : u"NumberOfRequests:  \"N/A\"");
  text::Copy(text.szMaximumSGList, u"MaximumSGList:        \"N/A\"");
}

void FormatRead(int driverIndex, const DriverParamInfo& info, PageParamText& text) {
  const bool qlogic = IsQLogicFamily(driverIndex);
  text::Format(text.szConfiguration, u"Configuration:     \"%s\"", ConfigurationWord(driverIndex, &info));

  const std::u16string_view depth(info.QueueDepth, text::Length(info.QueueDepth, sizeof info.QueueDepth / 2));
  if (depth.empty()) {
    text::Copy(text.szQueueDepth, qlogic ? u"ExecutionThrottle:  \"N/A\"" : u"QueueDepth:         \"N/A\"");
  } else {
    text::Format(text.szQueueDepth, qlogic ? u"ExecutionThrottle:  \"%s\"" : u"QueueDepth:         \"%s\"", depth);
  }

  if (!qlogic) {
    const std::u16string_view target(info.QueueTarget, text::Length(info.QueueTarget, sizeof info.QueueTarget / 2));
    if (target.empty()) {
      text::Copy(text.szQueueTarget, u"QueueTarget:        \"N/A\"");
    } else {
      text::Format(text.szQueueTarget, u"QueueTarget:        \"%s\"", target);
    }
  }

  if (CountsFcpContexts(driverIndex)) {
    text::Format(text.szRequests, u"NumFcpContext:     \"%d\"", static_cast<int>(info.NumFcpContext));
    return;
  }
  text::Format(text.szMaximumSGList, u"MaximumSGList:        \"%d\"", static_cast<int>(info.MaximumSGList));
  text::Format(text.szRequests, u"NumberOfRequests:  \"%d\"", static_cast<int>(info.NumberOfRequests));
  if (qlogic) text::Format(text.szResetBus, u"ResetBus:               \"%d\"", static_cast<int>(info.ResetBus));
}

}  // namespace

const char16_t* ConfigurationWord(int driverIndex, const DriverParamInfo* info) {
  if (info == nullptr) return u"N/A";
  if (IsQLogicFamily(driverIndex)) return u"All Modes Supported";
  if (info->MultiPath) return u"Best Configured For Multi Path";
  if (info->SinglePath) return u"Best Configured For Single Path";
  if (info->Transparent) return u"Best Configured For Transparent";
  return u"Unknown";
}

void FormatPageParameters(int driverIndex, PageParamText& text) {
  text.szQueueDepth[0] = text.szQueueTarget[0] = text.szRequests[0] = 0;
  text.szMaximumSGList[0] = text.szConfiguration[0] = text.szResetBus[0] = 0;

  CSystemProbe probe;
  DriverParamInfo info{};
  if (probe.ReadDriverParameters(driverIndex, info) == 0) {
    FormatUnavailable(driverIndex, text);
    return;
  }
  FormatRead(driverIndex, info, text);
}

}  // namespace pages
