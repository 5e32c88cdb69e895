// A plug-in whose registration fails half way: it hangs one namespace and
// then throws.

#include <Kelvo/AutoCli.h>

#include <stdexcept>

extern "C" __attribute__((visibility("default"))) void AutoCli_RegisterNamespaces(
    std::shared_ptr<Kelvo::AutoCli::NamespaceNode>& root) {
  auto half = Kelvo::AutoCli::Namespace::New();
  half->SetDescription("Registered before the failure.");
  root->SubNamespace("hardware")->RegisterNamespaceNode(half, "half");
  throw std::runtime_error("out of sensors");
}
