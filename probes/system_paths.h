// The lowest layer of the probes: OS release code, Windows root, 64-bit test.
#pragma once

// 4 NT 4.0, 5 Windows 2000, 6 XP / Server 2003, 0 anything else.
int GetOsVersionCode();

// The system directory cut at its second backslash (C:\WINDOWS\system32 gives
// C:\WINDOWS) into a 260-character buffer; 0 when the system directory cannot
// be obtained (the buffer is then left as it was).
int GetWindowsRoot(char16_t (&path)[260]);

// 1 when the key "software\WOW6432Node" opens or "<root>\SysWow64" exists.
int Is64BitWindows();
