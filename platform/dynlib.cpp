#include "platform/dynlib.h"

#include <dlfcn.h>
#include <fenv.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace tavrel {
namespace {

// Candidate file names for a Windows-style library name.
std::vector<std::string> CandidateNames(const std::string& name) {
  std::vector<std::string> names{name};
  const std::string dll = ".dll";
  if (name.size() > dll.size() && name.compare(name.size() - dll.size(), dll.size(), dll) == 0) {
    std::string stem = name.substr(0, name.size() - dll.size());
    names.push_back("lib" + stem + ".so");
  }
  return names;
}

void* OpenQuietly(const std::string& path) {
  void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) dlerror();  // clear the error text; absence is not reported
  return h;
}

}  // namespace

std::string ProgramFolder() {
  std::vector<char> buf(4096);
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return "./";
  std::string path(buf.data(), static_cast<size_t>(n));
  auto slash = path.rfind('/');
  return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

LibraryHandle LoadLibrary(const std::string& name) {
  if (name.empty()) return nullptr;
  fenv_t saved;
  fegetenv(&saved);
  void* handle = nullptr;
  const std::string folder = ProgramFolder();
  for (const auto& candidate : CandidateNames(name)) {
    if (candidate.find('/') == std::string::npos) handle = OpenQuietly(folder + candidate);
    if (!handle) handle = OpenQuietly(candidate);
    if (handle) break;
  }
  fesetenv(&saved);
  return handle;
}

void* GetProcAddress(LibraryHandle library, const char* symbol) {
  if (!library || !symbol) return nullptr;
  void* p = dlsym(library, symbol);
  if (!p) dlerror();
  return p;
}

bool FreeLibrary(LibraryHandle library) {
  if (!library) return false;
  fenv_t saved;
  fegetenv(&saved);
  bool ok = dlclose(library) == 0;
  fesetenv(&saved);
  return ok;
}

std::string GetEnvironmentVariable(const std::string& name) {
  const char* v = std::getenv(name.c_str());
  return v ? std::string(v) : std::string();
}

bool SetEnvironmentVariable(const std::string& name, const std::string& value) {
  return setenv(name.c_str(), value.c_str(), 1) == 0;
}

}  // namespace tavrel
