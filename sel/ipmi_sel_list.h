#pragma once
// hardware ipmi sel list: every System Event Log record of every selected node.

#include <Kelvo/AutoCli.h>
#include <Kelvo/CallSpec.h>
#include <Kelvo/MetaObj.h>

#include <memory>

namespace OstrelCli {
namespace Hardware {

class IpmiSelList : public virtual Kelvo::AutoCli::Command {
 public:
  IpmiSelList();
  ~IpmiSelList() override;
  static std::shared_ptr<IpmiSelList> New();

  std::shared_ptr<Kelvo::CallSpec::InputSpec> GetInputSpecInternal() override;
  std::shared_ptr<Kelvo::CallSpec::OutputSpec> GetOutputSpecInternal() override;
  void ExecuteInternal(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                       const std::shared_ptr<Kelvo::CallSpec::Output>& output) override;

  // A fresh "IpmiSEL" record with every field present and empty.
  std::shared_ptr<Kelvo::MetaObj::MetaStruct> GetOutputStructure();

  // Appends one record per SEL entry of the node, in the library's order.
  // Throws IpmiException when the node's SEL cannot be read.
  void LoadSelDetails(int node, std::shared_ptr<Kelvo::MetaObj::MetaList> list, bool includeRaw,
                      bool includePrettyRaw);
};

}  // namespace Hardware
}  // namespace OstrelCli
