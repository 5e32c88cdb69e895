#pragma once
// hardware ipmi sdr get: the Sensor Data Repository properties of every
// selected node, one list entry per node.

#include <Kelvo/AutoCli.h>
#include <Kelvo/CallSpec.h>
#include <Kelvo/MetaObj.h>

#include <memory>
#include <string>
#include <vector>

namespace OstrelCli {
namespace Hardware {

// The values gathered while the nodes are read, one list per output field.
struct SdrHeader {
  std::vector<std::string> version;
  std::vector<long> totalRecords;
  std::vector<long> freeSpace;
  std::vector<std::string> lastCleared;
  std::vector<std::string> lastAdded;
  std::vector<std::string> feature;
  std::vector<std::string> raw;
  std::vector<std::string> formattedRaw;
};

class IpmiSdrGet : public virtual Kelvo::AutoCli::Command {
 public:
  IpmiSdrGet();
  ~IpmiSdrGet() override;
  static std::shared_ptr<IpmiSdrGet> New();

  std::shared_ptr<Kelvo::CallSpec::InputSpec> GetInputSpecInternal() override;
  std::shared_ptr<Kelvo::CallSpec::OutputSpec> GetOutputSpecInternal() override;
  void ExecuteInternal(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                       const std::shared_ptr<Kelvo::CallSpec::Output>& output) override;

  // A fresh "IpmiSDRConfig" structure of empty lists.
  std::shared_ptr<Kelvo::MetaObj::MetaStruct> GetOutputStructure();
};

}  // namespace Hardware
}  // namespace OstrelCli
