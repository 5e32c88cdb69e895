#include "common/node_command.h"

#include "common/node_session.h"
#include "common/params.h"

#include <exception>
#include <string>

namespace OstrelCli {
namespace Hardware {

void RunNodeCommand(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                    const std::shared_ptr<Kelvo::CallSpec::Output>& output, const NodeCommandRun& run) {
  DevGuardLock lock;
  try {
    std::vector<int> nodes;
    LoadIpmiNodes(input, nodes);
    run.work(nodes);
    lock.Unlock();
  } catch (const std::exception& e) {
    lock.Unlock();
    if (run.ignoreMissing) {
      output->SetRootObject(run.partialResult());
    } else {
      output->AddErrorMessage(std::string(run.errorPrefix) + e.what());
    }
  }
}

void RunListCommand(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                    const std::shared_ptr<Kelvo::CallSpec::Output>& output, bool ignoreMissing,
                    const char* errorPrefix, const std::shared_ptr<Kelvo::MetaObj::MetaList>& list,
                    const std::function<void(int node)>& loadNode) {
  NodeCommandRun run{ignoreMissing, errorPrefix,
                     [&](const std::vector<int>& nodes) {
                       for (int node : nodes) {
                         loadNode(node);
                       }
                       output->SetRootObject(list);
                     },
                     [&]() { return list; }};
  RunNodeCommand(input, output, run);
}

}  // namespace Hardware
}  // namespace OstrelCli
