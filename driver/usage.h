// The program's banner and the usage text shown by the fatal exit.
#ifndef R7P_DRIVER_USAGE_H_
#define R7P_DRIVER_USAGE_H_

#include <cstdio>

/// Name, version with build date, platform, and the notice of origin.
inline constexpr const char* kBanner =
    "R7P v1.4 BETA 20080930 (Linux)  made by the r7p developers";
/// The program's own web page, named at the end of the usage text.
inline constexpr const char* kHomePage = "https://r7p.example.org/";
/// The page that tells which version is the newest (-upd).
inline constexpr const char* kVersionPage = "https://r7p.example.org/version.html";
/// The LDraw web site, named at the end of the usage text.
inline constexpr const char* kLDrawSite = "https://www.ldraw.org";

/// Writes "%s\n" with the banner on `stream`.
void PrintBanner(FILE* stream);

/// When `key_wait_off` is false: writes "(Press any key to continue) " on
/// `out`, waits for one key from the terminal, then writes "\r". Does
/// nothing otherwise.
void PressAnyKey(FILE* out, bool key_wait_off);

/// Writes the usage text on `out`: banner and usage line, three option
/// blocks each followed by PressAnyKey(out, key_wait_off), the
/// explanations, and with `test_mode` the -test block. The closing banner is
/// the caller's.
void PrintUsage(FILE* out, bool test_mode, bool key_wait_off);

#endif  // R7P_DRIVER_USAGE_H_
