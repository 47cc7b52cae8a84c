// Driver file and version-marker lookups of CSystemProbe.
#include "platform/os.h"
#include "platform/text.h"
#include "probes/file_version_reader.h"
#include "probes/fs_redirection.h"
#include "probes/system_probe.h"
#include "probes/version_files.h"
#include "files/text_file.h"

bool CSystemProbe::GetFileVersionString(const char16_t* directory, const char16_t* fileName, char16_t (&field)[50]) {
  char16_t path[260] = {};
  text::Format(path, u"%s%s", directory, fileName);
  CTextFile probe;
  if (probe.FileExists(path) == 0) {
    field[0] = 0;
    return false;
  }
  CFileVersionReader reader;
  reader.SetPath(path);
  reader.Read();
  text::Copy(field, reader.GetFileVersionText());
  return true;
}

void DriversDirectory(char16_t (&directory)[260]) {
  directory[0] = 0;
  os::GetSystemDirectoryW(directory, 260);
  text::Append(directory, u"\\Drivers\\");
}

void MarkerDirectory(char16_t (&directory)[260]) {
  char16_t systemDir[260] = {};
  os::GetSystemDirectoryW(systemDir, 260);
  text::Copy(directory, std::u16string_view(systemDir, text::Length(systemDir, 3)));
  text::Append(directory, u"Halvorn\\Version\\");
}

void CSystemProbe::GetDriverVersions(DriverVersions& v) {
  char16_t directory[260] = {};
  DriversDirectory(directory);
  CFileSystemRedirectionOff realDriversFolder;
  GetFileVersionString(directory, u"lp6nds35.sys", v.lp6nds35);
  GetFileVersionString(directory, u"ELXSTOR.sys", v.elxstor);
  GetFileVersionString(directory, u"lpxnds.sys", v.lpxnds);
  GetFileVersionString(directory, u"lpxftr.sys", v.lpxftr);
  GetFileVersionString(directory, u"Zolvanta.sys", v.zolvanta);
  GetFileVersionString(directory, u"Sollin.sys", v.sollin);
  GetFileVersionString(directory, u"vexa2300.sys", v.vexa2300);
  GetFileVersionString(directory, u"ql2300.sys", v.ql2300);
  GetFileVersionString(directory, u"morvet.sys", v.morvet);
  GetFileVersionString(directory, u"carnel.sys", v.carnel);
}

void CSystemProbe::GetMarkerVersions(MarkerVersions& v) {
  char16_t directory[260] = {};
  MarkerDirectory(directory);
  GetFileVersionString(directory, u"Ormaby.exe", v.Ormaby);
  GetFileVersionString(directory, u"Pellwyn.exe", v.Pellwyn);
  GetFileVersionString(directory, u"Pellwyn64.exe", v.Pellwyn64);
  GetFileVersionString(directory, u"Gallond.exe", v.Gallond);
  GetFileVersionString(directory, u"Gallond64.exe", v.Gallond64);
  GetFileVersionString(directory, u"Morrisk.exe", v.Morrisk);
  GetFileVersionString(directory, u"Morrisk64.exe", v.Morrisk64);
  GetFileVersionString(directory, u"Tavish.exe", v.Tavish);
  GetFileVersionString(directory, u"Tavish64.exe", v.Tavish64);
  GetFileVersionString(directory, u"TavishES64.exe", v.TavishES64);
  GetFileVersionString(directory, u"Hestrel.exe", v.Hestrel);
  GetFileVersionString(directory, u"Hestrel64.exe", v.Hestrel64);
  GetFileVersionString(directory, u"Vardane.exe", v.Vardane);
  GetFileVersionString(directory, u"Vardane64.exe", v.Vardane64);
  GetFileVersionString(directory, u"VardaneES64.exe", v.VardaneES64);
  GetFileVersionString(directory, u"Quillon.exe", v.Quillon);
  GetFileVersionString(directory, u"Quillon64.exe", v.Quillon64);
}
