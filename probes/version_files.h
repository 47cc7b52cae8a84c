// The driver files and version-marker files that GetDriverVersions and
// GetMarkerVersions look up, each with its record field, in record order, and
// the two folders they are looked up in.
#pragma once

#include "probes/driver_table.h"
#include "probes/system_probe.h"

struct DriverFile {
  const char16_t* fileName;
  DriverVersionField field;
};

inline constexpr DriverFile kDriverFiles[] = {
    {u"lp6nds35.sys", &DriverVersions::lp6nds35}, {u"lpxnds.sys", &DriverVersions::lpxnds},
    {u"lpxftr.sys", &DriverVersions::lpxftr},     {u"ELXSTOR.sys", &DriverVersions::elxstor},
    {u"vexa2300.sys", &DriverVersions::vexa2300}, {u"Zolvanta.sys", &DriverVersions::zolvanta},
    {u"Sollin.sys", &DriverVersions::sollin},     {u"ql2300.sys", &DriverVersions::ql2300},
    {u"carnel.sys", &DriverVersions::carnel},     {u"morvet.sys", &DriverVersions::morvet},
};

inline constexpr MarkerFile kMarkerFiles[] = {
    {u"Gallond.exe", &MarkerVersions::Gallond},         {u"Gallond64.exe", &MarkerVersions::Gallond64},
    {u"Morrisk.exe", &MarkerVersions::Morrisk},         {u"Morrisk64.exe", &MarkerVersions::Morrisk64},
    {u"Tavish.exe", &MarkerVersions::Tavish},           {u"Tavish64.exe", &MarkerVersions::Tavish64},
    {u"TavishES64.exe", &MarkerVersions::TavishES64},   {u"Hestrel.exe", &MarkerVersions::Hestrel},
    {u"Hestrel64.exe", &MarkerVersions::Hestrel64},     {u"Ormaby.exe", &MarkerVersions::Ormaby},
    {u"Pellwyn.exe", &MarkerVersions::Pellwyn},         {u"Pellwyn64.exe", &MarkerVersions::Pellwyn64},
    {u"Vardane.exe", &MarkerVersions::Vardane},         {u"Vardane64.exe", &MarkerVersions::Vardane64},
    {u"Quillon.exe", &MarkerVersions::Quillon},         {u"Quillon64.exe", &MarkerVersions::Quillon64},
    {u"VardaneES64.exe", &MarkerVersions::VardaneES64},
};

static_assert(sizeof kDriverFiles / sizeof kDriverFiles[0] == sizeof(DriverVersions) / sizeof(DriverVersions::lpxnds),
              "every DriverVersions field needs its file");
static_assert(sizeof kMarkerFiles / sizeof kMarkerFiles[0] == sizeof(MarkerVersions) / sizeof(MarkerVersions::Gallond),
              "every MarkerVersions field needs its file");

// "<system directory>\Drivers\" (C:\WINDOWS\system32\Drivers\).
void DriversDirectory(char16_t (&directory)[260]);

// The first three characters of the system directory + "Halvorn\Version\"
// (C:\Halvorn\Version\).
void MarkerDirectory(char16_t (&directory)[260]);
