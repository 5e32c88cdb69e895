#pragma once
// hardware ipmi fru list: one record per set of FRU information areas of
// every selected node.

#include <Kelvo/AutoCli.h>
#include <Kelvo/CallSpec.h>
#include <Kelvo/MetaObj.h>

#include <memory>

namespace OstrelCli {
namespace Hardware {

class IpmiFruList : public virtual Kelvo::AutoCli::Command {
 public:
  IpmiFruList();
  ~IpmiFruList() override;
  static std::shared_ptr<IpmiFruList> New();

  std::shared_ptr<Kelvo::CallSpec::InputSpec> GetInputSpecInternal() override;
  std::shared_ptr<Kelvo::CallSpec::OutputSpec> GetOutputSpecInternal() override;
  void ExecuteInternal(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                       const std::shared_ptr<Kelvo::CallSpec::Output>& output) override;

  // A fresh "IpmiFRU" record with every field present and empty.
  std::shared_ptr<Kelvo::MetaObj::MetaStruct> GetOutputStructure();

  // Appends one record per FRU area set of the node. Throws IpmiException
  // when the node's FRU data cannot be read.
  void LoadFruDetails(int node, std::shared_ptr<Kelvo::MetaObj::MetaList> list, bool includeRaw,
                      bool includePrettyRaw);
};

}  // namespace Hardware
}  // namespace OstrelCli
