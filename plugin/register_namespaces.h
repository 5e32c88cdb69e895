#pragma once
// The plug-in's one entry point: the framework calls it once after loading
// the module, with its root namespace.

#include <Kelvo/AutoCli.h>

#include <memory>

#define OSTREL_PLUGIN_API __attribute__((visibility("default")))

extern "C" OSTREL_PLUGIN_API void AutoCli_RegisterNamespaces(
    std::shared_ptr<Kelvo::AutoCli::NamespaceNode>& root);
