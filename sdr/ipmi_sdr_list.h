#pragma once
// hardware ipmi sdr list: every sensor of every selected node with its reading.

#include <Kelvo/AutoCli.h>
#include <Kelvo/CallSpec.h>
#include <Kelvo/MetaObj.h>

#include <memory>

namespace Ipmi {
class IpmiSensor;
}

namespace OstrelCli {
namespace Hardware {

class IpmiSdrList : public Kelvo::AutoCli::Command {
 public:
  IpmiSdrList();
  ~IpmiSdrList() override;
  static std::shared_ptr<IpmiSdrList> New();

  std::shared_ptr<Kelvo::CallSpec::InputSpec> GetInputSpecInternal() override;
  std::shared_ptr<Kelvo::CallSpec::OutputSpec> GetOutputSpecInternal() override;
  void ExecuteInternal(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                       const std::shared_ptr<Kelvo::CallSpec::Output>& output) override;

  // A fresh "IpmiSDR" row with every field present and empty.
  std::shared_ptr<Kelvo::MetaObj::MetaStruct> GetOutputStructure();

  // Appends one row per shown sensor of the node, in the reverse of the
  // library's order. Throws IpmiException when the node cannot be read.
  void LoadSdrDetails(int node, std::shared_ptr<Kelvo::MetaObj::MetaList> list, bool includeRaw,
                      bool includePrettyRaw, bool includeAllSensors);

 private:
  void ApplyFormatter(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                      const std::shared_ptr<Kelvo::CallSpec::Output>& output);
};

}  // namespace Hardware
}  // namespace OstrelCli
