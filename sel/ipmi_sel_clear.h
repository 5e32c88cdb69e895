#pragma once
// hardware ipmi sel clear: empties the System Event Log of every selected node.

#include <Kelvo/AutoCli.h>
#include <Kelvo/CallSpec.h>

#include <memory>

namespace OstrelCli {
namespace Hardware {

class IpmiSelClear : public virtual Kelvo::AutoCli::Command {
 public:
  IpmiSelClear();
  ~IpmiSelClear() override;
  static std::shared_ptr<IpmiSelClear> New();

  std::shared_ptr<Kelvo::CallSpec::InputSpec> GetInputSpecInternal() override;
  std::shared_ptr<Kelvo::CallSpec::OutputSpec> GetOutputSpecInternal() override;
  void ExecuteInternal(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                       const std::shared_ptr<Kelvo::CallSpec::Output>& output) override;
};

}  // namespace Hardware
}  // namespace OstrelCli
