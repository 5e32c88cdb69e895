// Plug-in modules: which files may be loaded, loading them, and calling
// their entry point.

#include "plugin_loader.h"

#include "usage_error.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

// Set by the build from the installation layout (see platform/kelvo/CMakeLists.txt).
#ifndef OSTRELCLI_PLUGIN_DIR_FROM_LIBDIR
#define OSTRELCLI_PLUGIN_DIR_FROM_LIBDIR "ostrelcli/plugins"
#endif
#ifndef OSTRELCLI_FRAMEWORK_LIBRARY
#define OSTRELCLI_FRAMEWORK_LIBRARY "libkelvo.so"
#endif

namespace Kelvo {
namespace Cli {

namespace {

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string OctalMode(mode_t mode) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%04o", static_cast<unsigned>(mode & 07777));
  return buffer;
}

// Closes a directory stream (and the descriptor it owns) on every way out.
struct DirectoryCloser {
  void operator()(DIR* directory) const { closedir(directory); }
};
using Directory = std::unique_ptr<DIR, DirectoryCloser>;

// Closes a descriptor on every way out.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0)
      close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

std::vector<std::string> ModuleNames(DIR* stream) {
  std::vector<std::string> names;
  while (const dirent* entry = readdir(stream)) {
    std::string name = entry->d_name;
    if (EndsWith(name, ".so") && name != ".so") {
      names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

void Refuse(std::ostream& diagnostics, const std::string& path, const std::string& reason) {
  diagnostics << kProgramName << ": skipping plug-in '" << path << "': " << reason << '\n';
}

// Loads one module of the open directory; null when it is refused or
// fails. The file is judged on an open descriptor, and loaded by its name
// in that same open directory (a path through /proc/self/fd, which keeps
// $ORIGIN meaningful for the module's own libraries): since no one but
// root and the invoker can change the directory, what was checked is what
// runs.
std::unique_ptr<PluginModule> LoadOne(int directory, const std::string& name, const std::string& path,
                                      std::shared_ptr<AutoCli::NamespaceNode>& root,
                                      std::ostream& diagnostics) {
  Fd file(openat(directory, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
  struct stat status {};
  if (file.Get() < 0 || fstat(file.Get(), &status) != 0) {
    Refuse(diagnostics, path,
           errno == ELOOP ? "it is a symbolic link" : std::string("cannot open it: ") + std::strerror(errno));
    return nullptr;
  }
  std::string reason = RefusalReason(status, getuid());
  if (!reason.empty()) {
    Refuse(diagnostics, path, reason);
    return nullptr;
  }
  dlerror();
  const std::string self = "/proc/self/fd/" + std::to_string(directory) + "/" + name;
  void* handle = dlopen(self.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* error = dlerror();
    Refuse(diagnostics, path, std::string("it cannot be loaded: ") + (error ? error : "unknown error"));
    return nullptr;
  }
  auto module = std::make_unique<PluginModule>(path, handle);
  void* symbol = dlsym(handle, kPluginEntryPoint);
  if (!symbol) {
    Refuse(diagnostics, path, std::string("it has no entry point ") + kPluginEntryPoint);
    return nullptr;
  }
  auto entry = reinterpret_cast<PluginEntryPoint>(symbol);
  std::string failure;
  try {
    entry(root);
  } catch (const std::exception& error) {
    failure = error.what();
  } catch (...) {
    failure = "an unknown exception";
  }
  if (!failure.empty()) {
    // The module stays loaded: part of its tree may already be in place.
    diagnostics << kProgramName << ": plug-in '" << path << "' failed while registering: " << failure << '\n';
    module->MarkFailed();
  }
  return module;
}

constexpr char kNoteOwner[] = "ostrelcli";
constexpr ElfW(Word) kVersionNote = 1;

struct NoteSearch {
  ElfW(Addr) base;
  std::string version;
};

// Walks the note segments of the object loaded at search->base.
int SearchNotes(dl_phdr_info* object, std::size_t, void* data) {
  auto* search = static_cast<NoteSearch*>(data);
  if (object->dlpi_addr != search->base) {
    return 0;
  }
  for (ElfW(Half) i = 0; i < object->dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = object->dlpi_phdr[i];
    if (segment.p_type != PT_NOTE) {
      continue;
    }
    const std::size_t align = segment.p_align == 8 ? 8 : 4;
    auto padded = [align](std::size_t size) { return (size + align - 1) / align * align; };
    const char* at = reinterpret_cast<const char*>(object->dlpi_addr + segment.p_vaddr);
    std::size_t left = segment.p_memsz;
    ElfW(Nhdr) note;
    while (left >= sizeof note) {
      std::memcpy(&note, at, sizeof note);
      const std::size_t nameSize = padded(note.n_namesz);
      const std::size_t size = sizeof note + nameSize + padded(note.n_descsz);
      if (nameSize > left || size > left) {
        break;
      }
      const char* name = at + sizeof note;
      if (note.n_type == kVersionNote && note.n_namesz == sizeof kNoteOwner &&
          std::memcmp(name, kNoteOwner, sizeof kNoteOwner) == 0) {
        const char* text = name + nameSize;
        search->version.assign(text, strnlen(text, note.n_descsz));
      }
      at += size;
      left -= size;
    }
  }
  return 1;
}

}  // namespace

std::string PluginVersion(void* handle) {
  link_map* map = nullptr;
  if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map) {
    return std::string();
  }
  NoteSearch search{map->l_addr, std::string()};
  dl_iterate_phdr(SearchNotes, &search);
  return search.version;
}

PluginModule::PluginModule(std::string path, void* handle)
    : path_(std::move(path)), handle_(handle), version_(handle ? PluginVersion(handle) : std::string()) {}

std::string PluginModule::Name() const {
  std::string name = std::filesystem::path(path_).filename().string();
  return EndsWith(name, ".so") ? name.substr(0, name.size() - 3) : name;
}

PluginModule::~PluginModule() {
  if (handle_) {
    dlclose(handle_);
  }
}

std::string RefusalReason(const struct stat& status, uid_t invoker) {
  if (!S_ISREG(status.st_mode)) {
    return "it is not a regular file";
  }
  if (status.st_mode & S_IWOTH) {
    return "it is world-writable (mode " + OctalMode(status.st_mode) + ")";
  }
  if (status.st_mode & S_IWGRP) {
    return "it is group-writable (mode " + OctalMode(status.st_mode) + ")";
  }
  if (status.st_uid != 0 && status.st_uid != invoker) {
    return "it is owned by user id " + std::to_string(status.st_uid) + ", neither root nor the invoking user";
  }
  return std::string();
}

std::string DirectoryRefusal(const std::string& directory, uid_t invoker) {
  char resolved[PATH_MAX];
  if (!realpath(directory.c_str(), resolved)) {
    return std::string("cannot resolve it: ") + std::strerror(errno);
  }
  // From the directory itself up to the root; once a directory passes
  // only because it is sticky, those above it need not be examined: no one
  // else can replace what it holds.
  for (std::filesystem::path at(resolved);; at = at.parent_path()) {
    struct stat status {};
    if (lstat(at.c_str(), &status) != 0) {
      return "cannot examine '" + at.string() + "': " + std::strerror(errno);
    }
    const bool ours = status.st_uid == 0 || status.st_uid == invoker;
    const bool closed = (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
    if (!ours) {
      return "'" + at.string() + "' is owned by user id " + std::to_string(status.st_uid) +
             ", neither root nor the invoking user";
    }
    if (!closed && (!(status.st_mode & S_ISVTX) || at == resolved)) {
      return "'" + at.string() + "' is writable by group or others (mode " + OctalMode(status.st_mode) + ")";
    }
    if (!closed || at == at.root_path()) {
      return std::string();
    }
  }
}

std::string PluginSubdirectory() {
  return OSTRELCLI_PLUGIN_DIR_FROM_LIBDIR;
}

std::string DefaultPluginDirectory() {
  // Where the dynamic loader found the framework library for this process.
  if (void* framework = dlopen(OSTRELCLI_FRAMEWORK_LIBRARY, RTLD_LAZY | RTLD_NOLOAD)) {
    link_map* map = nullptr;
    std::string library;
    if (dlinfo(framework, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && map->l_name[0] == '/') {
      library = map->l_name;
    }
    dlclose(framework);
    if (!library.empty()) {
      return (std::filesystem::path(library).parent_path() / OSTRELCLI_PLUGIN_DIR_FROM_LIBDIR)
          .lexically_normal()
          .string();
    }
  }
  char buffer[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) {
    return "lib/ostrelcli/plugins";
  }
  std::filesystem::path program(std::string(buffer, static_cast<std::size_t>(length)));
  return (program.parent_path() / ".." / "lib" / "ostrelcli" / "plugins").lexically_normal().string();
}

std::vector<std::unique_ptr<PluginModule>> LoadPlugins(const std::string& directory,
                                                       std::shared_ptr<AutoCli::NamespaceNode>& root,
                                                       std::ostream& diagnostics, bool verbose,
                                                       bool reportMissing) {
  std::vector<std::unique_ptr<PluginModule>> modules;
  if (verbose) {
    diagnostics << kProgramName << ": plug-in directory '" << directory << "'\n";
  }
  Directory stream(opendir(directory.c_str()));
  if (!stream) {
    if (reportMissing || errno != ENOENT) {
      diagnostics << kProgramName << ": cannot read the plug-in directory '" << directory
                  << "': " << std::strerror(errno) << '\n';
    }
    return modules;
  }
  const std::string refusal = DirectoryRefusal(directory, getuid());
  if (!refusal.empty()) {
    diagnostics << kProgramName << ": skipping the plug-in directory '" << directory << "': " << refusal
                << '\n';
    return modules;
  }
  for (const auto& name : ModuleNames(stream.get())) {
    auto module = LoadOne(dirfd(stream.get()), name, directory + "/" + name, root, diagnostics);
    if (module) {
      if (verbose && !module->Failed()) {
        diagnostics << kProgramName << ": loaded plug-in '" << module->Path() << "'\n";
      }
      modules.push_back(std::move(module));
    }
  }
  return modules;
}

}  // namespace Cli
}  // namespace Kelvo
