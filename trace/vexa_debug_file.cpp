#include "trace/vexa_debug_file.h"

#include "platform/text.h"

CTextFile& CVexaDebugFile::TraceFile() {
  static CTextFile traceFile;
  return traceFile;
}

CVexaDebugFile::CVexaDebugFile() {
  char16_t systemDir[260] = {};
  os::GetSystemDirectoryW(systemDir, 260);
  char16_t path[260] = {};
  text::Copy(path, std::u16string_view(systemDir, text::Length(systemDir, 2)));
  text::Append(path, u"\\Korvane.log");
  CTextFile& file = TraceFile();
  opened = file.Create(path);
  file.Append(u"CVexaDebugFile::CVexaDebugFile()\r\n");
}

CVexaDebugFile::~CVexaDebugFile() {
  if (!opened) return;
  CTextFile& file = TraceFile();
  file.Append(u"CVexaDebugFile::~CVexaDebugFile()\r\n");
  file.Close();
}
