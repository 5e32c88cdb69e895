#pragma once
// hardware ipmi sel get: the System Event Log properties.

#include <Kelvo/AutoCli.h>
#include <Kelvo/CallSpec.h>
#include <Kelvo/MetaObj.h>

#include <memory>
#include <string>
#include <vector>

namespace OstrelCli {
namespace Hardware {

// One reading of the SEL properties, one list per output field.
struct SelHeader {
  std::vector<std::string> selClock;
  std::vector<bool> enabled;
  std::vector<std::string> version;
  std::vector<long> totalRecords;
  std::vector<long> maxRecords;
  std::vector<bool> overflow;
  std::vector<std::string> lastCleared;
  std::vector<std::string> lastAdded;
  std::vector<std::string> raw;
  std::vector<std::string> formattedRaw;
};

// Reads the SEL clock, then, holding Ipmi::IpmiDevGuard, the SEL properties
// and the raw dumps asked for. Throws IpmiException when the controller
// gives no SEL information.
SelHeader LoadSelDetails(bool includeRaw, bool includePrettyRaw);

class IpmiSelGet : public virtual Kelvo::AutoCli::Command {
 public:
  IpmiSelGet();
  ~IpmiSelGet() override;
  static std::shared_ptr<IpmiSelGet> New();

  std::shared_ptr<Kelvo::CallSpec::InputSpec> GetInputSpecInternal() override;
  std::shared_ptr<Kelvo::CallSpec::OutputSpec> GetOutputSpecInternal() override;
  void ExecuteInternal(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                       const std::shared_ptr<Kelvo::CallSpec::Output>& output) override;

  // A fresh "IpmiSELConfig" structure of empty lists.
  std::shared_ptr<Kelvo::MetaObj::MetaStruct> GetOutputStructure();
};

}  // namespace Hardware
}  // namespace OstrelCli
