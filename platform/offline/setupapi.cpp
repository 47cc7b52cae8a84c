// SetupAPI INF calls over the offline image.
#include <map>
#include <memory>
#include <mutex>

#include "platform/offline/image_files.h"
#include "platform/offline/inf_parser.h"
#include "platform/os.h"
#include "platform/text.h"

namespace os {
namespace {

// Open INF files by handle; an unknown handle is refused, never dereferenced.
std::mutex g_lock;
std::map<std::uintptr_t, std::shared_ptr<const offline::InfFile>> g_infs;
std::uintptr_t g_next = 0x1000;

std::shared_ptr<const offline::InfFile> Lookup(HINF inf) {
  std::lock_guard<std::mutex> lock(g_lock);
  auto it = g_infs.find(reinterpret_cast<std::uintptr_t>(inf));
  return it == g_infs.end() ? nullptr : it->second;
}

std::u16string_view View(const WCHAR* s) {
  return s ? std::u16string_view(reinterpret_cast<const char16_t*>(s)) : std::u16string_view();
}

// Index of the section (in file order) and of its first line matching key.
bool FindLine(const offline::InfFile& f, std::u16string_view section, const WCHAR* key, UINT& sectionIndex,
              UINT& lineIndex) {
  for (std::size_t s = 0; s < f.sections.size(); ++s) {
    if (!text::EqualsNoCaseAZ(f.sections[s].name, section)) continue;
    const auto& lines = f.sections[s].lines;
    for (std::size_t l = 0; l < lines.size(); ++l) {
      if (!key || (lines[l].hasKey && text::EqualsNoCaseAZ(f.Substitute(lines[l].key), View(key)))) {
        sectionIndex = static_cast<UINT>(s);
        lineIndex = static_cast<UINT>(l);
        return true;
      }
    }
    return false;
  }
  return false;
}

}  // namespace

HINF SetupOpenInfFileW(const WCHAR* fileName, const WCHAR*, DWORD infStyle, UINT* errorLine) {
  if (!fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  auto bytes = offline::ReadImageFile(View(fileName), offline::kInfMaxBytes);
  if (!bytes) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto parsed = offline::ParseInf(*bytes, (infStyle & INF_STYLE_WIN4) != 0);
  if (!parsed) {
    if (parsed.reason().reason == offline::InfError::kWrongStyle) {
      SetLastError(ERROR_WRONG_INF_STYLE);
    } else {
      if (errorLine) *errorLine = parsed.reason().line;
      SetLastError(ERROR_GENERAL_SYNTAX);
    }
    return INVALID_HANDLE_VALUE;
  }
  auto file = std::make_shared<const offline::InfFile>(std::move(*parsed));
  std::lock_guard<std::mutex> lock(g_lock);
  std::uintptr_t id = g_next;
  g_next += 0x10;
  g_infs[id] = std::move(file);
  if (errorLine) *errorLine = 0;
  return reinterpret_cast<HINF>(id);
}

BOOL SetupFindFirstLineW(HINF inf, const WCHAR* section, const WCHAR* key, INFCONTEXT* context) {
  auto f = Lookup(inf);
  if (!f || !section || !context) {
    SetLastError(f ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  UINT s = 0, l = 0;
  if (!FindLine(*f, View(section), key, s, l)) {
    SetLastError(ERROR_LINE_NOT_FOUND);
    return FALSE;
  }
  context->Inf = inf;
  context->CurrentInf = inf;
  context->Section = s;
  context->Line = l;
  SetLastError(0);
  return TRUE;
}

BOOL SetupGetLineTextW(INFCONTEXT* context, HINF inf, const WCHAR* section, const WCHAR* key, WCHAR* buffer,
                       DWORD size, DWORD* required) {
  HINF handle = context ? context->CurrentInf : inf;
  auto f = Lookup(handle);
  if (!f) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  UINT s = 0, l = 0;
  if (context) {
    s = context->Section;
    l = context->Line;
    if (s >= f->sections.size() || l >= f->sections[s].lines.size()) {
      SetLastError(ERROR_LINE_NOT_FOUND);
      return FALSE;
    }
  } else if (!section || !FindLine(*f, View(section), key, s, l)) {
    SetLastError(ERROR_LINE_NOT_FOUND);
    return FALSE;
  }
  std::u16string text;
  const offline::InfLine& line = f->sections[s].lines[l];
  for (std::size_t i = 0; i < line.fields.size(); ++i) {
    if (i) text.push_back(u',');
    text += f->Substitute(line.fields[i]);
  }
  DWORD need = static_cast<DWORD>(text.size() + 1);
  if (required) *required = need;
  if (buffer) {
    if (size < need) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    for (std::size_t i = 0; i < text.size(); ++i) buffer[i] = static_cast<WCHAR>(text[i]);
    buffer[text.size()] = 0;
  }
  SetLastError(0);
  return TRUE;
}

void SetupCloseInfFile(HINF inf) {
  std::lock_guard<std::mutex> lock(g_lock);
  g_infs.erase(reinterpret_cast<std::uintptr_t>(inf));
}

}  // namespace os
