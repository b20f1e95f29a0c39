#pragma once
// The display settings in the registry: HKEY_CURRENT_USER\Software\Tarnel\vextral, value "ver" (the
// version text, REG_SZ) guarding value "datas" (the 140-byte record of app/SettingsRecord.h). And the
// glue between that record, the screen's display values and the main window's placement.
//
// All of it runs on the user-interface thread.
#include <windows.h>

#include "app/SettingsRecord.h"

class CScreenWnd;

// The registry key under HKEY_CURRENT_USER.
inline constexpr char kSettingsKey[] = "Software\\Tarnel\\vextral";

// Reads the stored record into `record`, which the caller has filled with zero bytes. TRUE only when
// "ver" holds exactly the version text (NUL included) and "datas" is at most 140 bytes; a shorter
// "datas" leaves the rest of `record` as it was. The stored types are not looked at. On FALSE the record
// is zero again, whatever a refused read may have put there.
BOOL LoadSettings(unsigned char record[kSettingsSize]);

// Writes "ver" (14 bytes, REG_SZ) and then "datas" (140 bytes, REG_BINARY). FALSE when the key cannot be
// created or opened or either value cannot be written; "datas" is not written when "ver" failed.
BOOL SaveSettings(const unsigned char record[kSettingsSize]);

// Applies a loaded record: the view values and colours first, then the font (a font that cannot be
// made leaves the screen with its default font), then the window placement.
void ApplySettingsRecord(const unsigned char record[kSettingsSize], CScreenWnd& screen, HWND mainWnd);

// Fills `record` (all 140 bytes) from the main window's placement and the screen's display values and
// font, ready for SaveSettings.
void FillSettingsRecord(unsigned char record[kSettingsSize], const CScreenWnd& screen, HWND mainWnd);

// The screen's display defaults, and the main window as a normal window of 600 x 400 pixels from its
// current top-left corner.
void ApplyDefaultSettings(CScreenWnd& screen, HWND mainWnd);
