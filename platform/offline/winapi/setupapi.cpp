// SetupAPI INF calls over the offline image. The files themselves are read
// and remembered by inf_cache; these calls keep Windows' arguments, results
// and error codes.
#include <memory>

#include "platform/offline/winapi/handle_table.h"
#include "platform/offline/winapi/inf_cache.h"
#include "platform/os.h"
#include "platform/text.h"

namespace os {
namespace {

std::shared_ptr<offline::OpenInf> Lookup(HINF inf) {
  const offline::InfObject* open = offline::Handles().Get<offline::InfObject>(offline::HandleId(inf));
  return open ? open->inf : nullptr;
}

std::u16string_view View(const WCHAR* s) {
  return s ? std::u16string_view(reinterpret_cast<const char16_t*>(s)) : std::u16string_view();
}

}  // namespace

HINF SetupOpenInfFileW(const WCHAR* fileName, const WCHAR*, DWORD infStyle, UINT* errorLine) {
  if (!fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  offline::InfOpening opened = offline::OpenInfFile(View(fileName), (infStyle & INF_STYLE_WIN4) != 0);
  if (!opened.inf) {
    // A syntax error names its line; a file of the wrong style has none (0).
    if (errorLine && opened.error != ERROR_FILE_NOT_FOUND) *errorLine = opened.errorLine;
    SetLastError(opened.error);
    return INVALID_HANDLE_VALUE;
  }
  if (errorLine) *errorLine = 0;
  SetLastError(ERROR_SUCCESS);
  return offline::AsHandle<HINF>(offline::Handles().Add(offline::InfObject{std::move(opened.inf)}));
}

BOOL SetupFindFirstLineW(HINF inf, const WCHAR* section, const WCHAR* key, INFCONTEXT* context) {
  auto f = Lookup(inf);
  if (!f || !section || !context) {
    SetLastError(f ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const auto place = f->FindLine(View(section), key);
  if (!place) {
    SetLastError(ERROR_LINE_NOT_FOUND);
    return FALSE;
  }
  context->Inf = inf;
  context->CurrentInf = inf;
  context->Section = place->section;
  context->Line = place->line;
  SetLastError(0);
  return TRUE;
}

BOOL SetupGetLineTextW(INFCONTEXT* context, HINF inf, const WCHAR* section, const WCHAR* key, WCHAR* buffer, DWORD size,
                       DWORD* required) {
  auto f = Lookup(context ? context->CurrentInf : inf);
  if (!f) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::optional<offline::OpenInf::Place> place;
  if (context) {
    place = offline::OpenInf::Place{context->Section, context->Line};
  } else if (section) {
    place = f->FindLine(View(section), key);
  }
  const std::optional<std::u16string> text = place ? f->LineText(*place) : std::nullopt;
  if (!text) {
    SetLastError(ERROR_LINE_NOT_FOUND);
    return FALSE;
  }
  DWORD need = static_cast<DWORD>(text->size() + 1);
  if (required) *required = need;
  if (buffer) {
    if (size < need) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    for (std::size_t i = 0; i < text->size(); ++i) buffer[i] = static_cast<WCHAR>((*text)[i]);
    buffer[text->size()] = 0;
  }
  SetLastError(0);
  return TRUE;
}

void SetupCloseInfFile(HINF inf) { offline::Handles().Remove<offline::InfObject>(offline::HandleId(inf)); }

}  // namespace os
