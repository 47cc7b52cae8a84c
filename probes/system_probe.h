// The stateless probe object: driver file versions, version markers, driver
// registry parameters and the multipath configuration rules. Callers make one
// on the spot, call the operations and drop it.
#pragma once

#include <cstdint>

// Version texts of the known driver files in the drivers directory; an empty
// field means the file is absent or has no version.
struct DriverVersions {
  char16_t lp6nds35[50];
  char16_t lpxnds[50];
  char16_t lpxftr[50];
  char16_t elxstor[50];
  char16_t vexa2300[50];
  char16_t zolvanta[50];
  char16_t sollin[50];
  char16_t ql2300[50];
  char16_t carnel[50];
  char16_t morvet[50];
};

// Version texts of the version-marker executables in "<drive>\Halvorn\Version\".
struct MarkerVersions {
  char16_t Gallond[50];
  char16_t Gallond64[50];
  char16_t Morrisk[50];
  char16_t Morrisk64[50];
  char16_t Tavish[50];
  char16_t Tavish64[50];
  char16_t TavishES64[50];
  char16_t Hestrel[50];
  char16_t Hestrel64[50];
  char16_t Ormaby[50];
  char16_t Pellwyn[50];
  char16_t Pellwyn64[50];
  char16_t Vardane[50];
  char16_t Vardane64[50];
  char16_t Quillon[50];
  char16_t Quillon64[50];
  char16_t VardaneES64[50];
};

// What ReadDriverParameters found for one adapter driver.
struct DriverParamInfo {
  std::int32_t MultiPath;
  std::int32_t SinglePath;
  std::int32_t Transparent;
  std::int32_t InterruptCoalescing;
  char16_t QueueDepth[260];
  char16_t QueueTarget[260];
  std::uint32_t NumberOfRequests;
  std::uint32_t MaximumSGList;
  std::uint32_t NumFcpContext;
  std::int32_t ResetBus;
};

class CSystemProbe {
 public:
  // Fills every field of `versions` from the files in "<system dir>\Drivers\".
  void GetDriverVersions(DriverVersions& versions);
  // Fills every field of `versions` from the files in "<drive>\Halvorn\Version\".
  void GetMarkerVersions(MarkerVersions& versions);
  // Writes the file version of directory+file (or "") into the 50-character
  // field; true when the file exists.
  bool GetFileVersionString(const char16_t* directory, const char16_t* fileName, char16_t (&field)[50]);

  // 1 when the driver's text value was read, else 0 (flags 0, texts empty).
  // The drivers, their keys and values: probes/driver_table.h.
  int ReadDriverParameters(int driverIndex, DriverParamInfo& info);
  // 1 when the ql2300 key holds the QLogic StorPort driver's readable
  // "DriverParameter" value.
  int HasQlStorPortParameter();

  // The configuration rules; each works on its own upper-cased, blank-free copy.
  int IsTransparentConfig(const char16_t* parameters);
  int IsMultiPathConfig(const char16_t* parameters);
  int IsSinglePathConfig(const char16_t* parameters);
};
