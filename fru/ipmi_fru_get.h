#pragma once
// hardware ipmi fru get: the FRU inventory device header of every selected
// node, one list entry per node.

#include <Kelvo/AutoCli.h>
#include <Kelvo/CallSpec.h>
#include <Kelvo/MetaObj.h>

#include <memory>
#include <string>
#include <vector>

namespace OstrelCli {
namespace Hardware {

// The entries gathered while the nodes are read, one list per output field.
struct FruHeader {
  std::vector<std::string> deviceIds;
  std::vector<long> sizes;
  std::vector<std::string> features;
  std::vector<std::string> raw;
  std::vector<std::string> formattedRaw;
};

class IpmiFruGet : public virtual Kelvo::AutoCli::Command {
 public:
  IpmiFruGet();
  ~IpmiFruGet() override;
  static std::shared_ptr<IpmiFruGet> New();

  std::shared_ptr<Kelvo::CallSpec::InputSpec> GetInputSpecInternal() override;
  std::shared_ptr<Kelvo::CallSpec::OutputSpec> GetOutputSpecInternal() override;
  void ExecuteInternal(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                       const std::shared_ptr<Kelvo::CallSpec::Output>& output) override;

  // A fresh "IpmiFRUConfig" structure of empty lists.
  std::shared_ptr<Kelvo::MetaObj::MetaStruct> GetOutputStructure();
};

}  // namespace Hardware
}  // namespace OstrelCli
