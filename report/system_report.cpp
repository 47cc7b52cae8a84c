#include "report/system_report.h"

#include <climits>
#include <cstdint>

#include "platform/diagnostics.h"
#include "platform/text.h"
#include "probes/driver_table.h"
#include "probes/oem_inf.h"
#include "probes/system_paths.h"
#include "probes/system_probe.h"
#include "probes/token_list.h"
#include "report/driver_listing.h"
#include "report/parameter_details.h"
#include "report/adapter_sections.h"
#include "report/piece_sink.h"
#include "files/text_file.h"

namespace report {
namespace {

constexpr char16_t kStars[] =
    u"********************************************************************************************************";

// One row of the Korvane versions list: the marker's version text and its two pieces.
struct MarkerRow {
  const char16_t* version;
  const char16_t* found;
  const char16_t* missing;
};

// "\r\n\r\n\r\n" + dashes, the title, "\r\n" + dashes + "\r\n".
void WriteFrame(PieceSink& out, int dashes, const char16_t* title) {
  char16_t line[64] = {};
  for (int i = 0; i < dashes && i < 63; ++i) line[i] = u'-';
  out.Append(u"\r\n\r\n\r\n%s", line);
  out.Append(title);
  out.Append(u"\r\n%s\r\n", line);
}

// _wtoi's reading of a component: leading blanks, an optional sign, then the
// decimal digits up to the first other character; out-of-range values saturate.
std::uint32_t ComponentValue(const char16_t* token) {
  if (token == nullptr) return 0;
  while (*token == u' ' || *token == u'\t') ++token;
  bool negative = false;
  if (*token == u'+' || *token == u'-') negative = *token++ == u'-';
  std::int64_t value = 0;
  for (; *token >= u'0' && *token <= u'9'; ++token) {
    value = value * 10 + (*token - u'0');
    if (value > INT_MAX) {
      value = negative ? static_cast<std::int64_t>(INT_MAX) + 1 : INT_MAX;
      break;
    }
  }
  return static_cast<std::uint32_t>(negative ? -value : value);
}

void WriteHeader(PieceSink& out, bool append, const os::SYSTEMTIME& now) {
  if (append) {
    out.Append(u"\r\n\r\n%s", kStars);
  } else {
    out.Write(u"%s", kStars);
  }
  auto piece = [&](std::u16string_view format, auto... args) {
    if (append) {
      out.Append(format, args...);
    } else {
      out.Write(format, args...);
    }
  };
  piece(u"\r\nVexa Halvorn");
  piece(u"Date:  %d/%d/%d \r\nTime:  %d:%2d:%2d\r\n", int{now.wMonth}, int{now.wDay}, int{now.wYear}, int{now.wHour},
        int{now.wMinute}, int{now.wSecond});
  piece(u"%s\r\n", kStars);
}

void WriteOperatingSystem(PieceSink& out) {
  int code = GetOsVersionCode();
  if (code == 6) {
    out.Append(u"\r\nOperating System: \"Microsoft Windows 2003\"\r\n");
  } else if (code == 5) {
    out.Append(u"\r\nOperating System: \"Microsoft Windows 2000\"\r\n");
  }
}

void WriteKorvaneVersions(PieceSink& out, const MarkerVersions& markers) {
  const MarkerRow k64[] = {
      {markers.Hestrel64, u"\r\nHestrel64.exe:               Version \"%s\" of the version file was found. ",
       u"\r\nHestrel64.exe Version:       --- Fibre Channel Korvane Not Installed ---"},
      {markers.Morrisk64, u"\r\nMorrisk64.exe:                 Version \"%s\" of the version file was found. ",
       u"\r\nMorrisk64.exe Version:         --- Qlogic ScsiPort Korvane Not Installed ---"},
      {markers.Tavish64, u"\r\nTavish64.exe:                 Version \"%s\" of the version file was found. ",
       u"\r\nTavish64.exe Version:         --- Qlogic StorPort Korvane Not Installed ---"},
      {markers.TavishES64, u"\r\nTavishES64.exe:                 Version \"%s\" of the version file was found. ",
       u"\r\nTavishES64.exe Version:         --- Qlogic StorPort Korvane for ES Not Installed ---"},
      {markers.Pellwyn64, u"\r\nPellwyn64.exe:                   Version \"%s\" of the version file was found. ",
       u"\r\nPellwyn64.exe Version:           --- Zolvanta ScsiPort Korvane Not Installed ---"},
      {markers.Quillon64, u"\r\nQuillon64.exe:                Version \"%s\" of the version file was found. ",
       u"\r\nQuillon64.exe Version:        --- Emulex ScsiPort Korvane Not Installed ---"},
      {markers.Vardane64, u"\r\nVardane64.exe:                Version \"%s\" of the version file was found. ",
       u"\r\nVardane64.exe Version:        --- Emulex StorPort Korvane Not Installed ---"},
      {markers.VardaneES64, u"\r\nVardaneES64.exe:                Version \"%s\" of the version file was found. ",
       u"\r\nVardaneES64.exe Version:        --- Emulex StorPort Korvane for ES Not Installed ---"},
  };
  const MarkerRow k32[] = {
      {markers.Hestrel, u"\r\nHestrel.exe:               Version \"%s\" of the version file was found. ",
       u"\r\nHestrel.exe Version:       --- Fibre Channel Korvane Not Installed ---"},
      {markers.Gallond, u"\r\nGallond.exe:                     Version \"%s\" of the version file was found. ",
       u"\r\nGallond.exe Version:             --- vexa2300 Korvane Not Installed ---"},
      {markers.Morrisk, u"\r\nMorrisk.exe:                 Version \"%s\" of the version file was found. ",
       u"\r\nMorrisk.exe Version:         --- Qlogic ScsiPort Korvane Not Installed ---"},
      {markers.Tavish, u"\r\nTavish.exe:                 Version \"%s\" of the version file was found. ",
       u"\r\nTavish.exe Version:         --- Qlogic StorPort Korvane Not Installed ---"},
      {markers.Pellwyn, u"\r\nPellwyn.exe:                   Version \"%s\" of the version file was found. ",
       u"\r\nPellwyn.exe Version:           --- Zolvanta ScsiPort Korvane Not Installed ---"},
      {markers.Quillon, u"\r\nQuillon.exe:                Version \"%s\" of the version file was found. ",
       u"\r\nQuillon.exe Version:        --- Emulex ScisPort Korvane Not Installed ---"},
      {markers.Vardane, u"\r\nVardane.exe:                Version \"%s\" of the version file was found. ",
       u"\r\nVardane.exe Version:        --- Emulex StorPort Korvane Not Installed ---"},
  };

  out.Append(u"\r\n-------------------------------------");
  out.Append(u"\r\n* Korvane Versions Detected *");
  out.Append(u"\r\n-------------------------------------\r\n");
  auto writeRows = [&](const MarkerRow* rows, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      const char16_t* version = rows[i].version;
      if (version[0] != 0) {
        out.Append(rows[i].found, version);
      } else {
        out.Append(rows[i].missing);
      }
    }
  };
  if (Is64BitWindows()) {
    writeRows(k64, sizeof k64 / sizeof k64[0]);
  } else {
    writeRows(k32, sizeof k32 / sizeof k32[0]);
  }
}

void WriteFoundOrMissing(PieceSink& out, const char16_t* version, const char16_t* found, const char16_t* missing) {
  if (version[0] != 0) {
    out.Append(found, version);
  } else {
    out.Append(missing);
  }
}

static_assert(CoversEveryDriver(kAdapterSections), "every adapter driver needs its report section");

// One adapter driver's section: the frame, the found or missing line as the
// section's gate decides, and with the found line the listing and details.
void WriteAdapterSection(PieceSink& out, const AdapterDriver& driver, const DriverVersions& drivers) {
  const AdapterSection& section = *FindDriverEntry(kAdapterSections, driver.index);
  const char16_t* version = drivers.*driver.driverFile;
  CSystemProbe probe;
  DriverParamInfo info{};

  WriteFrame(out, section.dashes, section.title);
  switch (section.gate) {
    case SectionGate::kFile:
    case SectionGate::kFileThenParameters:
      if (version[0] == 0) {
        out.Append(section.missing);
        return;
      }
      out.Append(section.found, version);
      if (section.gate == SectionGate::kFileThenParameters && !probe.ReadDriverParameters(driver.index, info)) return;
      break;
    case SectionGate::kParametersThenFile:
      if (!probe.ReadDriverParameters(driver.index, info)) {
        out.Append(section.missing);
        return;
      }
      if (version[0] == 0) return;
      out.Append(section.found, version);
      break;
  }
  const DriverListing& listing = driver.listing;
  out.Note(WriteDriverListing(out.file(), driver.index, listing.name, listing.companion));
  out.Note(WriteParameterDetails(out.file(), driver.index));
}

void WriteAdapterSections(PieceSink& out, const DriverVersions& drivers) {
  for (const AdapterDriver& driver : kAdapterDrivers) WriteAdapterSection(out, driver, drivers);
}

void WriteTandrel(PieceSink& out, const DriverVersions& drivers) {
  WriteFrame(out, 22, u"\r\n* Tandrel Section *");
  if (drivers.sollin[0] == 0) {
    out.Append(u"\r\nSollin.sys Version:                --- No Version of Sollin.sys Found ---");
    return;
  }
  out.Append(u"\r\nSollin.sys Version:                Version \"%s\" of the driver was found. ", drivers.sollin);
  out.Append(u"\r\nTandrel Version:                %s", TandrelRelease(drivers.sollin));
}

// Searches the OEM INF files and lists the matches, or writes `none`.
void WriteInfSearch(PieceSink& out, const char16_t* match, const char16_t* section, const char16_t* key,
                    const char16_t* none) {
  CTokenList names;
  unsigned count = FindOemInfs(u"Oem*.inf", match, names, section, key, 1);
  if (count != 0) {
    out.Note(WriteInfList(out.file(), names, count));
  } else {
    out.Append(none);
  }
}

void WriteTevoCcl(PieceSink& out) {
  WriteFrame(out, 18, u"\r\n* TevoCCL Section *");
  out.Append(u"\r\nTandrel's TevoCCL Inf(s) Found: \r\n");
  WriteInfSearch(out, u"TEVOCCL", u"TEVOCCL_INST", u"AddReg", u"\r\n\t- No Tandrel TevoCCL inf(s) detected -\r\n");
  if (Is64BitWindows()) {
    out.Append(u"\r\n\r\nDefault CCL Inf(s) Found: \r\n");
    WriteInfSearch(out, u"CCL", u"version", u"CatalogFile", u"\r\n\t- No default CCL inf(s) detected -\r\n");
  } else {
    out.Append(u"\r\n\r\nDefault TevoCCL Inf(s) Found: \r\n");
    WriteInfSearch(out, u"TEVOCCL", u"version", u"CatalogFile", u"\r\n\t- No default TevoCCL inf(s) detected -\r\n");
  }
}

void WriteCarnel(PieceSink& out, const DriverVersions& drivers) {
  WriteFrame(out, 23, u"\r\n* Carnel.sys Section *");
  WriteFoundOrMissing(out, drivers.carnel,
                      u"\r\nCarnel.sys Version:               Version \"%s\" of the driver was found. \r\n",
                      u"\r\nCarnel.sys Version:               --- No Version of Carnel.sys Found ---\r\n");
  out.Append(u"\r\n\r\nCarnel Inf(s) Found: \r\n");
  WriteInfSearch(out, u"CARNEL", u"CARNEL_Inst", u"AddReg", u"\r\n\t- Driver is not loaded for this device -\r\n");
}

void WriteOvra(PieceSink& out, const char16_t* systemDirectory) {
  WriteFrame(out, 15, u"\r\n* OVRA Section *");
  char16_t path[260] = {};
  text::Format(path, u"%s%s", systemDirectory, u"\\drivers\\zolfcac.sys");
  if (out.file().FileExists(path)) {
    out.Append(u"\r\nZolfcac Driver:                    --- Zolfcac.sys found on system ---\r\n");
  } else {
    out.Append(u"\r\nZolfcac Driver:                    --- Zolfcac.sys not found on system ---\r\n");
  }
  out.Note(WriteDriverListing(out.file(), driver_index::kZolvanta, u"zolfcac", u"zolc8sw"));
}

// CreateDirectoryW, whose result the report ignores (an existing folder is the
// normal case); another failure is kept to explain a report that then cannot
// be created.
void CreateFolder(const char16_t* path, TextFileFailure* failure) {
  if (os::CreateDirectoryW(path, nullptr) || !failure->step.empty()) return;
  const os::DWORD error = os::GetLastError();
  if (error != os::ERROR_ALREADY_EXISTS)
    *failure = TextFileFailure{"creating the folder", path, error, diag::ErrorWords(error)};
}

}  // namespace

const char16_t* TandrelRelease(const char16_t* v) {
  std::u16string_view version(v);
  if (text::Contains(version, u"3.5.0.12")) return u"Tandrel 3.1a (Possible SP1)";
  if (text::Contains(version, u"3.5.0.13")) return u"Tandrel 3.1a (SP2 or SR1)";
  if (text::Contains(version, u"3.5.20.8")) return u"Tandrel 3.1B (OVRA1000)";
  if (text::Contains(version, u"3.2.0.17")) return u"Tandrel 3.1A (Possible SP1 for 4xxx)";
  if (text::Contains(version, u"3.5.0.19")) return u"Tandrel 3.1A (SP3)";
  if (text::Contains(version, u"3.6.2.465")) return u"Tandrel v4.0";
  if (text::Contains(version, u"3.6.2.467")) return u"Tandrel 4.0 (SP1)";
  switch (CompareVersions(u"3.6.2.467", v)) {
    case 1:
      return u"Tandrel 4.0(SP1 or greater)";
    case 2:
      return u"Tandrel 3.1a or older.";
    default:
      return u"An unknown version of Tandrel has been found on your system.";
  }
}

int CompareVersions(const char16_t* a, const char16_t* b) {
  if (a == nullptr || b == nullptr || a[0] == 0 || b[0] == 0) return 0;
  CTokenList left;
  CTokenList right;
  left.Split(a, u'.');
  right.Split(b, u'.');
  // A version with fewer than four components reads its missing ones as 0, so
  // "3.6" and "3.6.0.0" are equal and "3.6" is earlier than "3.6.0.1".
  for (int i = 0; i < 4; ++i) {
    std::uint32_t x = ComponentValue(left.TokenAt(i));
    std::uint32_t y = ComponentValue(right.TokenAt(i));
    if (x < y) return 1;
    if (x > y) return 2;
  }
  return 3;
}

ReportOutcome WriteSystemReport(const ReportOptions& options) {
  ReportOutcome outcome;

  char16_t systemDirectory[260] = {};
  os::GetSystemDirectoryW(systemDirectory, 260);
  char16_t path[260] = {};
  text::Copy(path, std::u16string_view(systemDirectory, text::Length(systemDirectory, 3)));
  TextFileFailure folderFailure;
  text::Append(path, u"Halvorn");
  CreateFolder(path, &folderFailure);
  text::Append(path, u"\\Version");
  CreateFolder(path, &folderFailure);
  text::Append(path, u"\\SysInfo.log");
  outcome.path = path;

  os::SYSTEMTIME now{};
  if (options.localTime) {
    now = options.localTime();
  } else {
    os::GetLocalTime(&now);
  }

  CTextFile file;
  PieceSink out(file);
  bool append = false;
  if (file.FileExists(path)) append = options.askOverwrite ? !options.askOverwrite() : false;
  out.Note((append ? file.OpenAlways(path) : file.Create(path)) != 0);
  WriteHeader(out, append, now);
  WriteOperatingSystem(out);

  CSystemProbe probe;
  DriverVersions drivers{};
  MarkerVersions markers{};
  probe.GetDriverVersions(drivers);
  probe.GetMarkerVersions(markers);

  WriteKorvaneVersions(out, markers);
  WriteAdapterSections(out, drivers);
  WriteTandrel(out, drivers);
  WriteTevoCcl(out);
  WriteCarnel(out, drivers);
  WriteOvra(out, systemDirectory);

  out.Note(file.Close() != 0);
  outcome.complete = out.complete();
  if (!outcome.complete) {
    // A folder that could not be made explains a report that could not be made.
    const std::string& step = file.LastFailure().step;
    const bool notMade = step == "creating" || step == "opening";
    outcome.failure = notMade && !folderFailure.step.empty() ? folderFailure : file.LastFailure();
  }
  if (options.openViewer) file.ShellOpen(path, nullptr);
  return outcome;
}

}  // namespace report
