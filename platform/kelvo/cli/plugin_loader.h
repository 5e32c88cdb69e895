#pragma once
// Loading plug-in modules and letting them register their namespaces.

#include <Kelvo/AutoCli.h>

#include <sys/stat.h>
#include <sys/types.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace Kelvo {
namespace Cli {

// The entry point every plug-in module exports with C linkage.
constexpr const char kPluginEntryPoint[] = "AutoCli_RegisterNamespaces";
using PluginEntryPoint = void (*)(std::shared_ptr<AutoCli::NamespaceNode>&);

// A loaded module; unloaded when the last owner lets go. The tree holds
// objects whose code lives in the module, so it must go first.
class PluginModule {
 public:
  PluginModule(std::string path, void* handle);
  ~PluginModule();
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;

  const std::string& Path() const { return path_; }
  // The file's name without ".so".
  std::string Name() const;
  // What the module states in its version note (see PluginVersion), or the
  // empty text.
  const std::string& Version() const { return version_; }
  // Whether its entry point ended in an exception.
  bool Failed() const { return failed_; }
  void MarkFailed() { failed_ = true; }

 private:
  std::string path_;
  void* handle_;
  std::string version_;
  bool failed_ = false;
};

// A module states its version in an ELF note of owner "ostrelcli" and type
// 1 whose descriptor is the version text (cmake/PluginVersion.cmake makes
// one). The version noted by the loaded object handle, or the empty text.
std::string PluginVersion(void* handle);

// Why a file with this status may not be loaded by the user invoker, or
// the empty text when it may: it must be a regular file, writable by its
// owner alone, and owned by root or by the invoker.
std::string RefusalReason(const struct stat& status, uid_t invoker);

// Why the plug-ins of directory may not be loaded by the user invoker, or
// the empty text when they may: the directory and every one above it must
// be owned by root or the invoker and writable by their owner alone, up to
// the root or to a sticky directory (such as /tmp) above it, in which
// others cannot replace what they do not own.
std::string DirectoryRefusal(const std::string& directory, uid_t invoker);

// The plug-in directory of the layout the program runs from: the
// configured path relative to the directory from which the framework
// library was loaded, which holds in the build tree, under any installation
// prefix and in the package alike.
std::string DefaultPluginDirectory();
// That configured path, relative to the framework library's directory.
std::string PluginSubdirectory();

// Loads every "*.so" of the directory in name order and calls its entry
// point with root. Nothing is loaded from a directory DirectoryRefusal
// refuses; symbolic links are not followed to a module. A file that is refused or fails to load is reported
// on diagnostics, one line each, and skipped; a module whose entry point throws is reported and kept, with
// whatever it registered. With verbose, loaded modules are reported too. A missing directory is reported only
// when reportMissing is set.
std::vector<std::unique_ptr<PluginModule>> LoadPlugins(const std::string& directory,
                                                       std::shared_ptr<AutoCli::NamespaceNode>& root,
                                                       std::ostream& diagnostics, bool verbose,
                                                       bool reportMissing);

}  // namespace Cli
}  // namespace Kelvo
