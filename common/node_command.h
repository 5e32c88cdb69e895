#pragma once
// How the node commands run: take the device lock, select the nodes, work
// through them, and turn a failure into one error message or, with
// ignore-missing, into the result gathered so far.

#include <Kelvo/CallSpec.h>
#include <Kelvo/MetaObj.h>

#include <functional>
#include <memory>
#include <vector>

namespace OstrelCli {
namespace Hardware {

struct NodeCommandRun {
  // Whether ignore-missing was given; read by the command before it made its result.
  bool ignoreMissing;
  // Put before the exception's text in the error message.
  const char* errorPrefix;
  // Works through the selected nodes and sets the output's root object. Runs
  // with the device lock held.
  std::function<void(const std::vector<int>& nodes)> work;
  // The root object that ignore-missing leaves after a failure.
  std::function<std::shared_ptr<Kelvo::MetaObj::MetaValue>()> partialResult;
};

// Locks Ipmi::IpmiDevGuard, selects the nodes and runs the work. An exception
// of the standard family ends the run: the lock is released first, then the
// partial result is set (ignore-missing) or the prefixed message is added.
// Other exceptions pass out after the lock has been released.
void RunNodeCommand(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                    const std::shared_ptr<Kelvo::CallSpec::Output>& output, const NodeCommandRun& run);

// The list commands: each node's worker appends its records to the list, and
// the list is the result, also the partial one.
void RunListCommand(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                    const std::shared_ptr<Kelvo::CallSpec::Output>& output, bool ignoreMissing,
                    const char* errorPrefix, const std::shared_ptr<Kelvo::MetaObj::MetaList>& list,
                    const std::function<void(int node)>& loadNode);

}  // namespace Hardware
}  // namespace OstrelCli
