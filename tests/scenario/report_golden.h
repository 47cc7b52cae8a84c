// Expected SysInfo.log texts for the report tests, as UTF-8 with "\n" standing
// for the file's "\r\n" and real tab characters. Lines keep their trailing
// blanks: a setting or INF name is padded to 30 columns, and several pieces end
// in a blank before their line end.
//
// {OS} stands for the operating-system line, which depends on the Windows
// version the test machine reports (none at all for NT 4 and for releases
// after 2003).
#pragma once

namespace report_golden {

// A 32-bit machine with no driver, marker, key or INF of ours, reported on
// 8 December 2026 at 9:05:03.
inline constexpr char kNothingInstalled32[] =
    R"(********************************************************************************************************
Vexa HalvornDate:  12/8/2026 
Time:  9: 5: 3
********************************************************************************************************
{OS}

-------------------------------------
* Korvane Versions Detected *
-------------------------------------

Hestrel.exe Version:       --- Fibre Channel Korvane Not Installed ---
Gallond.exe Version:             --- vexa2300 Korvane Not Installed ---
Morrisk.exe Version:         --- Qlogic ScsiPort Korvane Not Installed ---
Tavish.exe Version:         --- Qlogic StorPort Korvane Not Installed ---
Pellwyn.exe Version:           --- Zolvanta ScsiPort Korvane Not Installed ---
Quillon.exe Version:        --- Emulex ScisPort Korvane Not Installed ---
Vardane.exe Version:        --- Emulex StorPort Korvane Not Installed ---


--------------------
* ZOLVANTA Section *
--------------------

ZOLVANTA.sys:                      --- No Version of ZOLVANTA.sys Found ---



---------------------------
* Emulex ScsiPort Section *
---------------------------

Lpxnds.sys:                         --- No Version of Lpxnds.sys Found ---



---------------------------
* Emulex StorPort Section *
---------------------------

ELXSTOR.sys:                        --- No Version of ELXSTOR.sys Found ---



------------------
* vexa2300 Section *
------------------

vexa2300.sys:                         --- No Version of vexa2300.sys Found ---



---------------------------
* Qlogic ScsiPort Section *
---------------------------

Qlogic ScsiPort:                    --- No Version of the Qlogic ScsiPort Driver Found ---



---------------------------
* Qlogic StorPort Section *
---------------------------

Qlogic StorPort:                    --- No Version of the Qlogic StorPort Driver Found ---



----------------------
* Tandrel Section *
----------------------

Sollin.sys Version:                --- No Version of Sollin.sys Found ---


------------------
* TevoCCL Section *
------------------

Tandrel's TevoCCL Inf(s) Found: 

	- No Tandrel TevoCCL inf(s) detected -


Default TevoCCL Inf(s) Found: 

	- No default TevoCCL inf(s) detected -



-----------------------
* Carnel.sys Section *
-----------------------

Carnel.sys Version:               --- No Version of Carnel.sys Found ---


Carnel Inf(s) Found: 

	- Driver is not loaded for this device -



---------------
* OVRA Section *
---------------

Zolfcac Driver:                    --- Zolfcac.sys not found on system ---



zolfcac Inf(s) Found: 

	- Driver is not loaded for this device - 

)";

// A 64-bit machine with every adapter driver, most 64-bit markers, parameter
// keys for every driver and twelve OEM INF files (see EveryDriverMachine in
// report_test.cpp), reported on 8 December 2026 at 9:05:03.
inline constexpr char kEveryDriver64[] =
    R"(********************************************************************************************************
Vexa HalvornDate:  12/8/2026 
Time:  9: 5: 3
********************************************************************************************************
{OS}

-------------------------------------
* Korvane Versions Detected *
-------------------------------------

Hestrel64.exe:               Version "1.0.0.1" of the version file was found. 
Morrisk64.exe:                 Version "1.0.0.2" of the version file was found. 
Tavish64.exe:                 Version "1.0.0.3" of the version file was found. 
TavishES64.exe Version:         --- Qlogic StorPort Korvane for ES Not Installed ---
Pellwyn64.exe:                   Version "1.0.0.5" of the version file was found. 
Quillon64.exe:                Version "1.0.0.6" of the version file was found. 
Vardane64.exe:                Version "1.0.0.7" of the version file was found. 
VardaneES64.exe Version:        --- Emulex StorPort Korvane for ES Not Installed ---


--------------------
* ZOLVANTA Section *
--------------------

ZOLVANTA.sys:                      Version "5.1.0.2" of the driver was found. 


Registry Parameters for  Zolvanta Driver:

	NodeTimeOut=60                LinkTimeOut=60
	CrFIntrpt=1                   


Zolvanta Inf(s) Found: 

	oem10.inf                     


Lpsimdev Inf(s) Found: 

	oem11.inf                     

MaximumSGList:           [33] 
NumberOfRequests:        [200] 
Interrupt Coalescing:    * Enabled *



Configuration Type:      * Best Configured for a Transparent Environment * 




---------------------------
* Emulex ScsiPort Section *
---------------------------

Lpxnds.sys:                         Version "6.0.1.1" of the driver was found. 


Registry Parameters for  Lpxnds Driver:

	NodeTimeOut=255               LinkTimeOut=500
	QueueDepth=32                 CrFIntrpt=0


Lpxnds Inf(s) Found: 

	oem12.inf                     


Lpsimdev Inf(s) Found: 

	oem11.inf                     

MaximumSGList:           [129] 
NumberOfRequests:        [150] 
Interrupt Coalescing:    * Disabled *




Configuration Type:      * Best Configured for a Single Path Environment * 




---------------------------
* Emulex StorPort Section *
---------------------------

ELXSTOR.sys:                        Version "7.1.12.0" of the driver was found. 


Registry Parameters for  elxstor Driver:

	QueueDepth=64                  CoalesceMsCnt=0


elxstor Inf(s) Found: 

	oem13.inf                     oem14.inf
	oem15.inf                     

NumFcpContext:           [1024] 

Interrupt Coalescing:    * Disabled *




Configuration Type:      * Not Available * 




------------------
* vexa2300 Section *
------------------

vexa2300.sys:                         Version "9.1.2.3" of the driver was found. 


Registry Parameters for  vexa2300 Driver:

	Throttle=16                   


vexa2300 Inf(s) Found: 

	oem16.inf                     


qlpseudo Inf(s) Found: 

	oem17.inf                     

ResetBus:                [0] 
MaximumSGList:           [65] 
NumberOfRequests:        [64] 




Configuration Type:      * All Modes Supported * 




---------------------------
* Qlogic ScsiPort Section *
---------------------------

Qlogic ScsiPort::                   Version "9.1.4.10" of the driver was found. 


Registry Parameters for  ql2300 Driver:

	Throttle=32                   RstBus=1


ql2300 Inf(s) Found: 

	oem16.inf                     


qlpseudo Inf(s) Found: 

	oem17.inf                     

ResetBus:                [1] 
MaximumSGList:           [128] 
NumberOfRequests:        [150] 




Configuration Type:      * All Modes Supported * 




---------------------------
* Qlogic StorPort Section *
---------------------------

Qlogic StorPort::                   Version "9.1.4.10" of the driver was found. 


Registry Parameters for  ql2300 Driver:

	Throttle=64                   RstBus=2


ql2300 Inf(s) Found: 

	oem16.inf                     

ResetBus:                [2] 
MaximumSGList:           [128] 
NumberOfRequests:        [150] 




Configuration Type:      * All Modes Supported * 




----------------------
* Tandrel Section *
----------------------

Sollin.sys Version:                Version "3.6.2.465" of the driver was found. 
Tandrel Version:                Tandrel v4.0


------------------
* TevoCCL Section *
------------------

Tandrel's TevoCCL Inf(s) Found: 

	oem18.inf                     

Default CCL Inf(s) Found: 

	oem18.inf                     


-----------------------
* Carnel.sys Section *
-----------------------

Carnel.sys Version:               Version "2.0.0.1" of the driver was found. 


Carnel Inf(s) Found: 

	oem19.inf                     


---------------
* OVRA Section *
---------------

Zolfcac Driver:                    --- Zolfcac.sys not found on system ---



zolfcac Inf(s) Found: 

	oem20.inf                     


zolc8sw Inf(s) Found: 

	oem21.inf                     
)";

}  // namespace report_golden
