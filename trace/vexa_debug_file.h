// Marks the construction of the first page in "<drive>\Korvane.log": the
// constructor creates the file anew and writes the first line, the destructor
// writes the last line and closes it.
#pragma once

#include "platform/os.h"
#include "files/text_file.h"

class CVexaDebugFile {
 public:
  CVexaDebugFile();
  ~CVexaDebugFile();
  CVexaDebugFile(const CVexaDebugFile&) = delete;
  CVexaDebugFile& operator=(const CVexaDebugFile&) = delete;

  // The one trace file object, alive for the whole program.
  static CTextFile& TraceFile();

 private:
  os::BOOL opened;
};
