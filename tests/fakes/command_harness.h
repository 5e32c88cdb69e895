#pragma once
// Running a command the way the framework does, and reading what it produced.

#include <Kelvo/AutoCli.h>
#include <Kelvo/CallSpec.h>
#include <Kelvo/MetaObj.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace FakeIpmi {

struct Invocation {
  std::set<std::string> flags;
  std::map<std::string, std::string> parameters;
};

std::shared_ptr<Kelvo::CallSpec::Input> MakeInput(const Invocation& invocation);

// Runs the command through the framework's Execute with a fresh output.
std::shared_ptr<Kelvo::CallSpec::Output> RunCommand(Kelvo::AutoCli::Command& command,
                                                    const Invocation& invocation = {});

// One line of text for a value: Type{Field=value, ...}, [a, b], "text", 5,
// true; a scalar without a value is null.
std::string Render(const std::shared_ptr<Kelvo::MetaObj::MetaValue>& value);

// The root object rendered, or "(none)".
std::string RenderRoot(const Kelvo::CallSpec::Output& output);

// A field of a structure rendered, for tests that look at one field.
std::string RenderField(const std::shared_ptr<Kelvo::MetaObj::MetaValue>& structure,
                        const std::string& field);

}  // namespace FakeIpmi
