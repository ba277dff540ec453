#pragma once
// Small differences between the C libraries the tests run on: setting the
// environment, temporary folders and the suffix of built programs.

#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

namespace vz::test {

// The emulator a cross build's programs run under (qemu-aarch64 for the ARM64
// build), or null when they run directly. Tests that start a built program
// start it through this; the host cannot start another processor's program.
#ifdef VZ_TEST_EMULATOR
inline constexpr const char* EMULATOR = VZ_TEST_EMULATOR;
#else
inline constexpr const char* EMULATOR = nullptr;
#endif

#ifdef _WIN32
inline constexpr const char* EXE_SUFFIX = ".exe";
inline void set_env(const char* name, const char* value) { _putenv_s(name, value); }
inline void unset_env(const char* name) { _putenv_s(name, ""); }
inline int current_pid() { return _getpid(); }
inline bool can_run(const std::string& path) { return _access(path.c_str(), 0) == 0; }
inline bool can_read(const std::string& path) { return _access(path.c_str(), 4) == 0; }
#else
inline constexpr const char* EXE_SUFFIX = "";
inline void set_env(const char* name, const char* value) { setenv(name, value, 1); }
inline void unset_env(const char* name) { unsetenv(name); }
inline int current_pid() { return static_cast<int>(getpid()); }
inline bool can_run(const std::string& path) { return access(path.c_str(), X_OK) == 0; }
inline bool can_read(const std::string& path) { return access(path.c_str(), R_OK) == 0; }
#endif

}  // namespace vz::test
