// The tuner module libkxtuner.so, opened with dlopen for the life of a tuner control.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "kxtuner.h"

namespace vd {

class TunerModule {
 public:
  static constexpr const char* kFileName = "libkxtuner.so";

  // Searches VIEWDECK_MODULE_DIR, then the module folder relative to the running program (../lib
  // unless the install layout puts it elsewhere), then the install module folder. Null when no
  // candidate opens or none exports the factory.
  static std::unique_ptr<TunerModule> Load();
  // The candidate paths in search order (for messages and tests).
  static std::vector<std::string> SearchPaths();

  ~TunerModule();
  TunerModule(const TunerModule&) = delete;
  TunerModule& operator=(const TunerModule&) = delete;

  NewKXTunerFn Factory() const { return factory_; }

 private:
  TunerModule(void* handle, NewKXTunerFn factory) : handle_(handle), factory_(factory) {}

  void* handle_;
  NewKXTunerFn factory_;
};

}  // namespace vd
