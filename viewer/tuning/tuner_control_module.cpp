#include "vd/tuning/tuner_control_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>

#include "vd/trace.h"

VD_DEFINE_TRACE(TraceModule, "tuning")

#ifndef VD_INSTALL_LIBDIR
#define VD_INSTALL_LIBDIR "/usr/local/lib"
#endif
#ifndef VD_MODULE_DIR_FROM_BIN
#define VD_MODULE_DIR_FROM_BIN "../lib"
#endif

namespace vd {

std::vector<std::string> TunerModule::SearchPaths() {
  std::vector<std::string> paths;
  if (const char* dir = std::getenv("VIEWDECK_MODULE_DIR"); dir != nullptr && *dir != '\0') {
    paths.push_back(std::string(dir) + "/" + kFileName);
  }
  char exe[4096];
  ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    std::string self(exe, static_cast<size_t>(n));
    if (size_t slash = self.rfind('/'); slash != std::string::npos) {
      paths.push_back(self.substr(0, slash) + "/" VD_MODULE_DIR_FROM_BIN "/" + kFileName);
    }
  }
  paths.push_back(std::string(VD_INSTALL_LIBDIR) + "/" + kFileName);
  return paths;
}

std::unique_ptr<TunerModule> TunerModule::Load() {
  for (const std::string& path : SearchPaths()) {
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) continue;
    auto factory = reinterpret_cast<NewKXTunerFn>(::dlsym(handle, KXTUNER_FACTORY_NAME));
    if (factory == nullptr) {
      TraceModule("%s has no %s\n", path.c_str(), KXTUNER_FACTORY_NAME);
      ::dlclose(handle);
      return nullptr;
    }
    return std::unique_ptr<TunerModule>(new TunerModule(handle, factory));
  }
  TraceModule("no %s found\n", kFileName);
  return nullptr;
}

TunerModule::~TunerModule() {
  ::dlclose(handle_);
}

}  // namespace vd
