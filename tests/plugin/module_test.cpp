// The built module as the program meets it: what it exports, and that it
// loads and registers its commands.

#include <Kelvo/AutoCli.h>
#include <dlfcn.h>

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>

// The host program's fatal-error hook, which the module's string functions call.
extern "C" __attribute__((visibility("default"))) void Panic(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::abort();
}

namespace {

const char kModule[] = OSTREL_PLUGIN_MODULE;

// Name and type letter of every defined dynamic symbol.
std::map<std::string, char> DefinedDynamicSymbols() {
  std::map<std::string, char> symbols;
  const std::string command = std::string("nm -D --defined-only '") + kModule + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot run " << command;
    return symbols;
  }
  char line[512];
  while (std::fgets(line, sizeof(line), pipe) != nullptr) {
    std::istringstream fields(line);
    std::string address, type, name;
    fields >> address >> type >> name;
    if (name.empty()) {  // no address column
      name = type;
      type = address;
    }
    symbols[name] = type[0];
  }
  EXPECT_EQ(pclose(pipe), 0) << command;
  return symbols;
}

TEST(PluginModule, ExportsOnlyTheEntryPointAndTheStringFunctions) {
  const std::set<std::string> expected = {"AutoCli_RegisterNamespaces",
                                          "Str_Snprintf",
                                          "Str_Vsnprintf",
                                          "Str_Sprintf",
                                          "Str_Sprintf_C_Locale",
                                          "Str_Strcpy",
                                          "Str_Strncpy",
                                          "Str_Strcat",
                                          "Str_Strncat",
                                          "Str_Strlen",
                                          "Str_Strnstr",
                                          "Str_ToLower",
                                          "Str_ToUpper",
                                          "Str_Vasprintf",
                                          "Str_Asprintf",
                                          "Str_SafeVasprintf",
                                          "Str_SafeAsprintf",
                                          "bsd_vsnprintf",
                                          "bsd_vsnprintf_c_locale",
                                          "bsd_vsnprintf_core",
                                          "bsd_btowc",
                                          "dtoa",
                                          "ldtoa",
                                          "freedtoa",
                                          "ConvertUTF8toUTF16",
                                          "ConvertUTF16toUTF8",
                                          "ConvertUTF8toUTF32",
                                          "ConvertUTF32toUTF8",
                                          "ConvertUTF16toUTF32",
                                          "ConvertUTF32toUTF16",
                                          "isLegalUTF8Sequence"};
  const std::map<std::string, char> symbols = DefinedDynamicSymbols();
  std::set<std::string> names;
  for (const auto& symbol : symbols) {
    names.insert(symbol.first);
    EXPECT_EQ(symbol.second, 'T') << symbol.first << " is not a function";
  }
  EXPECT_EQ(names, expected);
}

TEST(PluginModule, LoadsAndRegistersItsNamespace) {
  void* handle = dlopen(kModule, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  using Entry = void (*)(std::shared_ptr<Kelvo::AutoCli::NamespaceNode>&);
  auto entry = reinterpret_cast<Entry>(dlsym(handle, "AutoCli_RegisterNamespaces"));
  ASSERT_NE(entry, nullptr) << dlerror();
  {
    std::shared_ptr<Kelvo::AutoCli::NamespaceNode> root = Kelvo::AutoCli::Namespace::New();
    root->SubNamespace("hardware");
    entry(root);
    auto ipmi = root->GetNamespaceNode("hardware")->GetNamespaceNode("ipmi");
    ASSERT_NE(ipmi, nullptr);
    std::string areas;
    for (const auto& child : ipmi->GetChildren()) {
      areas += child.first + " ";
    }
    EXPECT_EQ(areas, "sel sdr fru bmc ");
    // The tree, which holds objects of the module, goes before the module.
  }
  dlclose(handle);
}

}  // namespace
