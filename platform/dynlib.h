#pragma once
// Run-time binding of optional shared libraries by their Windows-style file
// names, in place of LoadLibrary/GetProcAddress/FreeLibrary.
//
//   LibraryHandle h = LoadLibrary("ipps-7.0.dll");   // null when absent
//   if (h) fn = GetProcAddress(h, "ippsAdd_32f");
//   FreeLibrary(h);
//
// A name "x.dll" is looked for as "x.dll" and then "libx.so", each first in
// the program's folder and then on the library path. An absent library gives
// null and prints nothing. The floating-point environment (rounding mode,
// exception masks) is saved before and restored after every load, since a
// library's constructor may change it.
#include <string>

namespace tavrel {

using LibraryHandle = void*;

LibraryHandle LoadLibrary(const std::string& name);
void* GetProcAddress(LibraryHandle library, const char* symbol);
// Returns false for a null handle.
bool FreeLibrary(LibraryHandle library);

// The folder of the running program, with a trailing '/'.
std::string ProgramFolder();

// The process environment.
std::string GetEnvironmentVariable(const std::string& name);  // "" when unset
bool SetEnvironmentVariable(const std::string& name, const std::string& value);

}  // namespace tavrel
