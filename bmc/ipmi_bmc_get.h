#pragma once
// hardware ipmi bmc get: the BMC's identity and LAN settings.

#include <Kelvo/AutoCli.h>
#include <Kelvo/CallSpec.h>
#include <Kelvo/MetaObj.h>

#include <memory>

namespace OstrelCli {
namespace Hardware {

class IpmiBmcGet : public virtual Kelvo::AutoCli::Command {
 public:
  IpmiBmcGet();
  static std::shared_ptr<IpmiBmcGet> New();

  std::shared_ptr<Kelvo::CallSpec::InputSpec> GetInputSpecInternal() override;
  std::shared_ptr<Kelvo::CallSpec::OutputSpec> GetOutputSpecInternal() override;
  void ExecuteInternal(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                       const std::shared_ptr<Kelvo::CallSpec::Output>& output) override;
  ~IpmiBmcGet() override;

  // A fresh "IpmiBmcConfig" structure with every field present and empty.
  std::shared_ptr<Kelvo::MetaObj::MetaStruct> GetOutputStructure();
};

}  // namespace Hardware
}  // namespace OstrelCli
