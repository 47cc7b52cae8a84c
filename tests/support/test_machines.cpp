#include "tests/support/test_machines.h"

#include <string>

namespace testing_support {
namespace {

using tools::FileVersion;

const char16_t kServices[] = u"SYSTEM\\CurrentControlSet\\Services\\";

void WriteInf(Scenario& s, const std::u16string& name, const std::string& body) {
  s.WriteText(s.WindowsDir() + u"\\inf\\" + name, "[Version]\r\nSignature=\"$Windows NT$\"\r\n" + body);
}

void WriteCatalogInf(Scenario& s, const std::u16string& name, const std::string& catalog) {
  WriteInf(s, name, "CatalogFile=" + catalog + "\r\n");
}

}  // namespace

void EveryDriverMachine(Scenario& s) {
  s.CreateKey(u"SOFTWARE\\WOW6432Node");
  const std::u16string drivers = s.DriversDir();
  s.WritePe(drivers + u"Zolvanta.sys", FileVersion(5, 1, 0, 2));
  s.WritePe(drivers + u"lpxnds.sys", FileVersion(6, 0, 1, 1));
  s.WritePe(drivers + u"ELXSTOR.sys", FileVersion(7, 1, 12, 0));
  s.WritePe(drivers + u"vexa2300.sys", FileVersion(9, 1, 2, 3));
  s.WritePe(drivers + u"ql2300.sys", FileVersion(9, 1, 4, 10));
  s.WritePe(drivers + u"Sollin.sys", FileVersion(3, 6, 2, 465));
  s.WritePe(drivers + u"carnel.sys", FileVersion(2, 0, 0, 1));

  const std::u16string markers = s.MarkerDir();
  s.WritePe(markers + u"Hestrel64.exe", FileVersion(1, 0, 0, 1));
  s.WritePe(markers + u"Morrisk64.exe", FileVersion(1, 0, 0, 2));
  s.WritePe(markers + u"Tavish64.exe", FileVersion(1, 0, 0, 3));
  s.WritePe(markers + u"Pellwyn64.exe", FileVersion(1, 0, 0, 5));
  s.WritePe(markers + u"Quillon64.exe", FileVersion(1, 0, 0, 6));
  s.WritePe(markers + u"Vardane64.exe", FileVersion(1, 0, 0, 7));
  s.WritePe(markers + u"Hestrel.exe", FileVersion(2, 0, 0, 0));  // 32-bit marker: not listed on 64-bit Windows

  const std::u16string device = u"\\Parameters\\Device";
  s.SetString(kServices + std::u16string(u"ZOLVANTA") + device, u"DriverParameter",
              u"NodeTimeOut=60;LinkTimeOut=60;CrFIntrpt=1;");
  s.SetDword(kServices + std::u16string(u"ZOLVANTA") + device, u"NumberOfRequests", 200);
  s.SetString(kServices + std::u16string(u"Lpxnds") + device, u"DriverParameter",
              u"NodeTimeOut=255;LinkTimeOut=500;QueueDepth=32;CrFIntrpt=0");
  s.SetDword(kServices + std::u16string(u"Lpxnds") + device, u"MaximumSGList", 129);
  s.SetString(kServices + std::u16string(u"elxstor") + device, u"DriverParameter", u"QueueDepth=64; CoalesceMsCnt=0");
  s.SetDword(kServices + std::u16string(u"elxstor") + device, u"NumFcpContext", 1024);
  s.SetString(kServices + std::u16string(u"vexa2300") + device, u"DriverParameter", u"Throttle=16");
  s.SetDword(kServices + std::u16string(u"vexa2300") + device, u"NumberOfRequests", 64);
  s.SetString(kServices + std::u16string(u"ql2300") + device, u"DriverParameters", u"Throttle=32;RstBus=1");
  s.SetString(kServices + std::u16string(u"ql2300") + device, u"DriverParameter", u"Throttle=64;RstBus=2");
  s.SetDword(kServices + std::u16string(u"ql2300") + device, u"MaximumSGList", 128);

  // Two-digit names only, so that the listing order is the same by name and by number.
  WriteCatalogInf(s, u"oem10.inf", "Zolvanta.cat");
  WriteCatalogInf(s, u"oem11.inf", "lpsimdev.cat");
  WriteCatalogInf(s, u"oem12.inf", "LPXNDS.CAT");
  WriteCatalogInf(s, u"oem13.inf", "elxstor.cat");
  WriteCatalogInf(s, u"oem14.inf", "elxstor.cat");
  WriteCatalogInf(s, u"oem15.inf", "elxstor.cat");
  WriteCatalogInf(s, u"oem16.inf", "ql2300.cat");
  WriteCatalogInf(s, u"oem17.inf", "qlpseudo.cat");
  WriteInf(s, u"oem18.inf", "CatalogFile=tevoccl.cat\r\n\r\n[TEVOCCL_INST]\r\nAddReg=TevoCcl.AddReg\r\n");
  WriteInf(s, u"oem19.inf", "CatalogFile=carnel.cat\r\n\r\n[CARNEL_Inst]\r\nAddReg=Carnel.AddReg\r\n");
  WriteCatalogInf(s, u"oem20.inf", "zolfcac.cat");
  WriteCatalogInf(s, u"oem21.inf", "zolc8sw.cat");
}

void AllPagesMachine(Scenario& s) {
  for (const char16_t* file : {u"Zolvanta.sys", u"ELXSTOR.sys", u"lpxnds.sys", u"vexa2300.sys", u"ql2300.sys"}) {
    s.WritePe(s.DriversDir() + file, FileVersion(7, 1, 12, 0));
  }
  s.WritePe(s.DriversDir() + u"Sollin.sys", FileVersion(3, 5, 0, 13));
  for (const char16_t* file :
       {u"Pellwyn.exe", u"Vardane.exe", u"Quillon.exe", u"Gallond.exe", u"Morrisk.exe", u"Tavish.exe"}) {
    s.WritePe(s.MarkerDir() + file, FileVersion(1, 0, 2, 4));
  }
  const std::u16string device = u"\\Parameters\\Device";
  s.SetString(std::u16string(kServices) + u"ZOLVANTA" + device, u"DriverParameter",
              u"NodeTimeout=60;QueueDepth=32;QueueTarget=1");
  s.SetDword(std::u16string(kServices) + u"ZOLVANTA" + device, u"MaximumSGList", 129);
  s.SetDword(std::u16string(kServices) + u"ZOLVANTA" + device, u"NumberOfRequests", 64);
  s.SetString(std::u16string(kServices) + u"elxstor" + device, u"DriverParameter",
              u"LinkTimeout=40;NodeTimeout=10;QUEUEDEPTH=20");
  s.SetDword(std::u16string(kServices) + u"elxstor" + device, u"NumFcpContext", 1024);
  s.SetString(std::u16string(kServices) + u"Lpxnds" + device, u"DriverParameter",
              u"linktimeout = 500; nodetimeout = 255");
  s.SetString(std::u16string(kServices) + u"vexa2300" + device, u"DriverParameter", u"Throttle=32;RstBus=2");
  s.SetString(std::u16string(kServices) + u"ql2300" + device, u"DriverParameters", u"THROTTLE=64;RSTBUS=1");
  s.SetString(std::u16string(kServices) + u"ql2300" + device, u"DriverParameter", u"throttle = 8");
  s.SetDword(std::u16string(kServices) + u"ql2300" + device, u"MaximumSGList", 255);
  s.CreateKey(std::u16string(kServices) + u"Tarn_Service");
  s.WriteText(s.WindowsDir() + u"\\inf\\oem3.inf",
              "[Version]\r\nSignature=\"$Windows NT$\"\r\nCatalogFile=tevoccl.cat\r\n\r\n"
              "[TEVOCCL_INST]\r\nAddReg=TevoCCL_AddReg\r\n");
}

}  // namespace testing_support
