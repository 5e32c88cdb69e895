#pragma once
// hardware ipmi bmc set: the OS name, version and host name the BMC reports.

#include <Kelvo/AutoCli.h>
#include <Kelvo/CallSpec.h>

#include <memory>

namespace OstrelCli {
namespace Hardware {

class IpmiBmcSet : public Kelvo::AutoCli::Command {
 public:
  IpmiBmcSet();
  ~IpmiBmcSet() override;
  static std::shared_ptr<IpmiBmcSet> New();

  std::shared_ptr<Kelvo::CallSpec::InputSpec> GetInputSpecInternal() override;
  std::shared_ptr<Kelvo::CallSpec::OutputSpec> GetOutputSpecInternal() override;
  void ExecuteInternal(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                       const std::shared_ptr<Kelvo::CallSpec::Output>& output) override;
};

}  // namespace Hardware
}  // namespace OstrelCli
