// The command tree as the framework sees it after the plug-in registered.

#include "bmc/ipmi_bmc_get.h"
#include "bmc/ipmi_bmc_set.h"
#include "fru/ipmi_fru_get.h"
#include "fru/ipmi_fru_list.h"
#include "plugin/register_namespaces.h"
#include "sdr/ipmi_sdr_get.h"
#include "sdr/ipmi_sdr_list.h"
#include "sel/ipmi_sel_clear.h"
#include "sel/ipmi_sel_get.h"
#include "sel/ipmi_sel_list.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <type_traits>

namespace {

using Kelvo::AutoCli::Command;
using Kelvo::AutoCli::CommandSpec;
using Kelvo::AutoCli::Namespace;
using Kelvo::AutoCli::NamespaceNode;
using Kelvo::AutoCli::NodeType;
using Kelvo::MetaObj::MetaKind;
using Kelvo::MetaObj::MetaList;
using Kelvo::MetaObj::MetaStruct;
using Kelvo::MetaObj::MetaValue;
using namespace OstrelCli::Hardware;

// A static_cast from a base down to the class is possible only when the base
// is not virtual.
template <typename Derived, typename Base, typename = void>
struct HasNonVirtualBase : std::false_type {};
template <typename Derived, typename Base>
struct HasNonVirtualBase<Derived, Base, std::void_t<decltype(static_cast<Derived*>(std::declval<Base*>()))>>
    : std::true_type {};

static_assert(HasNonVirtualBase<IpmiSdrList, Command>::value, "sdr list derives from Command directly");
static_assert(HasNonVirtualBase<IpmiBmcSet, Command>::value, "bmc set derives from Command directly");
static_assert(!HasNonVirtualBase<IpmiSdrGet, Command>::value, "virtual base");
static_assert(!HasNonVirtualBase<IpmiSelList, Command>::value, "virtual base");
static_assert(!HasNonVirtualBase<IpmiSelGet, Command>::value, "virtual base");
static_assert(!HasNonVirtualBase<IpmiSelClear, Command>::value, "virtual base");
static_assert(!HasNonVirtualBase<IpmiFruList, Command>::value, "virtual base");
static_assert(!HasNonVirtualBase<IpmiFruGet, Command>::value, "virtual base");
static_assert(!HasNonVirtualBase<IpmiBmcGet, Command>::value, "virtual base");

std::string Shape(const std::shared_ptr<MetaValue>& value) {
  if (!value) {
    return "none";
  }
  switch (value->GetKind()) {
    case MetaKind::Int:
      return "int";
    case MetaKind::Bool:
      return "bool";
    case MetaKind::String:
      return "string";
    case MetaKind::List: {
      const auto& list = static_cast<const MetaList&>(*value);
      return "list<" + std::to_string(list.GetElementType()) + ">" +
             (list.GetPrototype() ? " of " + Shape(list.GetPrototype()) : "");
    }
    case MetaKind::Struct: {
      const auto& structure = static_cast<const MetaStruct&>(*value);
      std::string text = structure.GetTypeName() + "{";
      for (std::size_t i = 0; i < structure.GetFields().size(); ++i) {
        const auto& field = structure.GetFields()[i];
        text += (i ? ", " : "") + field.first + ": " + Shape(field.second);
      }
      return text + "}";
    }
  }
  return "?";
}

void Describe(std::ostringstream& out, const std::string& name, const std::shared_ptr<NamespaceNode>& node,
              const std::string& indent) {
  out << indent << name << " - " << node->GetDescription() << "\n";
  if (node->GetType() == NodeType::Command) {
    auto command = std::dynamic_pointer_cast<CommandSpec>(node);
    out << indent << "  formatter: " << command->GetDefaultOutputFormatter() << "\n";
    for (const auto& parameter : command->GetDefaultOutputParameters()) {
      out << indent << "  default " << parameter.first << " = " << parameter.second << "\n";
    }
    const auto inputSpec = command->GetInputSpec();
    for (const auto& parameter : inputSpec->GetParameters()) {
      out << indent << "  --" << parameter->GetName() << " -" << parameter->GetShortName() << " "
          << (parameter->IsFlag() ? "flag" : "text") << (parameter->IsRequired() ? " required" : "") << ": "
          << parameter->GetDescription() << "\n";
    }
    out << indent << "  output: " << Shape(command->GetOutputSpec()->GetRootObject()) << "\n";
    EXPECT_EQ(node->GetDispatcher(), node);
    EXPECT_EQ(node->GetThis(), node);
  }
  for (const auto& child : node->GetChildren()) {
    EXPECT_EQ(child.second->GetParent(), node) << child.first;
    Describe(out, child.first, child.second, indent + "  ");
  }
}

std::string DescribeTree(const std::string& name, const std::shared_ptr<NamespaceNode>& node) {
  std::ostringstream out;
  Describe(out, name, node, "");
  return out.str();
}

const char kCommon[] =
    "--include-raw -r flag: Include a hex dump where the value of each byte is presented as hexidecimal "
    "characters "
    "joined without spaces\n"
    "--include-pretty-raw -p flag: Include a hex dump where each byte is separated by a space and its value "
    "is "
    "presented with two hexidecimal characters using a leading zero if needed\n"
    "--include-all-sensors -a flag: Include all SDR entries including those for entities that do not exist, "
    "or have "
    "no health state.\n"
    "--ignore-missing -i flag: Do not fail command if ipmi device is not present\n"
    "--node -n text: Specify which IPMI device (0..3) to query, defaults to 'all' for all ipmi nodes\n";

// The whole subtree, indentation stripped from the common parameter lines so
// that they can be shared.
std::string ExpectedTree() {
  const std::string common = kCommon;
  auto indented = [&common](const std::string& indent) {
    std::string text;
    std::istringstream lines(common);
    for (std::string line; std::getline(lines, line);) {
      text += indent + line + "\n";
    }
    return text;
  };
  const std::string c = indented("      ");
  return "ipmi - IPMI information.\n"
         "  sel - Information from IPMI System Event Log (SEL).\n"
         "    list - List IPMI System Event Log.\n"
         "      formatter: simple\n"
         "      default header:IpmiSEL = Record:%Record Id%\n"
         "      default fields:IpmiSEL = Record Id,When,Event Type,SEL Type,Message,Sensor "
         "Number,Raw,Formatted-Raw\n" +
         c +
         "      output: list<3> of IpmiSEL{Record Id: int, When: string, Event Type: string, SEL Type: "
         "string, "
         "Message: string, Sensor Number: string, Raw: string, Formatted-Raw: string}\n"
         "    get - Get IPMI System Event Log (SEL) properties.\n"
         "      formatter: simple\n"
         "      default fields:IpmiSel = Enabled,Version,Total Records,Max Records,Overflow,Last Cleared\n"
         "      default show-header = false\n" +
         c +
         "      output: IpmiSELConfig{Enabled: list<1>, Sel-Clock: list<2>, Version: list<2>, Total Records: "
         "list<0>, "
         "Maximum Records: list<0>, Overflow: list<1>, Last Cleared: list<2>, Last Added: list<2>, Raw: "
         "list<2>, "
         "Formatted-Raw: list<2>}\n"
         "    clear - Clear IPMI System Event Log.\n"
         "      formatter: \n" +
         c +
         "      output: bool\n"
         "  sdr - Information from IPMI Sensor Data Respository (SDR).\n"
         "    list - List IPMI Sensor Data Repository.\n"
         "      formatter: table\n"
         "      default fields:IpmiSDR = Node-Sensor,Description,Entity-Instance,Computed Reading,Base "
         "Unit,Raw "
         "Reading,Sensor Type,Timestamp/Comment,Raw,Formatted-Raw\n" +
         c +
         "      --formatter -f text: Override the formatter to use for a given command. Available formatter: "
         "simple "
         ",table.\n"
         "      output: list<3> of IpmiSDR{Node-Sensor: string, Description: string, Entity-Instance: "
         "string, "
         "Computed Reading: string, Base Unit: string, Raw Reading: string, Sensor Type: string, "
         "Timestamp/Comment: "
         "string, Raw: string, Formatted-Raw: string}\n"
         "    get - Get IPMI Sensor Data Repository (SDR) properties.\n"
         "      formatter: simple\n"
         "      default show-header = false\n" +
         c +
         "      output: IpmiSDRConfig{Version: list<2>, Total Records: list<0>, Free Space: list<0>, Last "
         "Cleared: "
         "list<2>, Last Added: list<2>, Feature: list<2>, Raw: list<2>, Formatted-Raw: list<2>}\n"
         "  fru - Information from IPMI Field Replaceable Unit inventory (FRU).\n"
         "    list - List IPMI Field Replaceable Unit (FRU) inventory.\n"
         "      formatter: simple\n"
         "      default header:IpmiFRU = Record:%Type%\n"
         "      default fields:IpmiFRU = Type,Entity-Instance,Part Name,Version,Manufacturer Name,Part "
         "Number,Serial "
         "Number,Asset Tag,Manufacturer TimeStamp,Chassis Name,Board Serial Number,Raw,Formatted-Raw\n" +
         c +
         "      output: list<3> of IpmiFRU{Entity-Instance: string, Type: string, Part Name: string, Part "
         "Number: "
         "string, Version: string, Manufacturer Name: string, Serial Number: string, Asset Tag: string, "
         "Manufacturer "
         "TimeStamp: string, Raw: string, Formatted-Raw: string, Chassis Name: string, Board Serial Number: "
         "string}\n"
         "    get - Get IPMI Field Replaceable Unit (FRU) device details.\n"
         "      formatter: simple\n"
         "      default show-header = true\n" +
         c +
         "      output: IpmiFRUConfig{Device IDs: list<2>, Size-bytes: list<0>, Features: list<2>, Raw: "
         "list<2>, "
         "Formatted-Raw: list<2>}\n"
         "  bmc - Manage information from IPMI for Baseboard Management Controller (BMC).\n"
         "    get - Get IPMI Baseboard Management Controller (BMC) properties.\n"
         "      formatter: simple\n"
         "      default fields:IpmiBmc = Manufacturer,BMC Firmware Version,IPMI Version,OS Name "
         "Reported,Hostname "
         "Reported,MAC Address,LAN ifAdminStatus,IPv4 Address,IPv4 Subnet,IPv4 Gateway,IPv6 Addresses\n"
         "      default show-header = false\n"
         "      output: IpmiBmcConfig{Manufacturer: string, BMC Firmware Version: string, IPMI Version: "
         "string, OS "
         "Name Reported: string, Hostname Reported: string, MAC Address: string, LAN ifAdminStatus: bool, "
         "IPv4 "
         "Address: string, IPv4 Subnet: string, IPv4 Gateway: string, IPv6 Addresses: list<2>}\n"
         "    set - Set IPMI Baseboard Management Controller (BMC) properties. Changes take effect "
         "immediately.\n"
         "      formatter: \n"
         "      --os-name -n text: OS name that BMC will report.\n"
         "      --os-version -v text: OS system version that BMC will report.\n"
         "      --os-hostname -H text: OS hostname that BMC will report.\n"
         "      output: bool\n";
}

// A "hardware" namespace that records what each child looked like at the
// moment it was attached.
class WatchingNamespace : public Namespace {
 public:
  static std::shared_ptr<WatchingNamespace> New() {
    return std::shared_ptr<WatchingNamespace>(new WatchingNamespace);
  }
  using NamespaceNode::RegisterNamespaceNode;
  void RegisterNamespaceNode(std::shared_ptr<NamespaceNode> child, const char* name) override {
    attached.push_back(DescribeTree(name, child));
    Namespace::RegisterNamespaceNode(std::move(child), name);
  }
  std::vector<std::string> attached;
};

TEST(PluginTree, MatchesTheTableAndIsAttachedWhole) {
  std::shared_ptr<NamespaceNode> root = Namespace::New();
  auto hardware = WatchingNamespace::New();
  root->RegisterNamespaceNode(hardware, "hardware");
  AutoCli_RegisterNamespaces(root);

  ASSERT_EQ(hardware->GetChildren().size(), 1u);
  EXPECT_EQ(DescribeTree("ipmi", hardware->GetNamespaceNode("ipmi")), ExpectedTree());
  // One attachment, of the finished subtree.
  EXPECT_EQ(hardware->attached, (std::vector<std::string>{ExpectedTree()}));
}

TEST(PluginTree, TheFrameworkTreeOwnsEveryNode) {
  std::shared_ptr<NamespaceNode> root = Namespace::New();
  root->SubNamespace("hardware");
  AutoCli_RegisterNamespaces(root);
  auto ipmi = root->GetNamespaceNode("hardware")->GetNamespaceNode("ipmi");
  EXPECT_EQ(ipmi.use_count(), 2);  // the tree's reference and this one
  for (const auto& area : ipmi->GetChildren()) {
    EXPECT_EQ(area.second.use_count(), 1) << area.first;
    for (const auto& command : area.second->GetChildren()) {
      EXPECT_EQ(command.second.use_count(), 1) << area.first << " " << command.first;
    }
  }
  // A second registration replaces the subtree and leaves one of each.
  AutoCli_RegisterNamespaces(root);
  EXPECT_EQ(root->GetNamespaceNode("hardware")->GetChildren().size(), 1u);
}

TEST(PluginTree, SpecificationsAreFreshOnEveryRequest) {
  auto list = IpmiSdrList::New();
  EXPECT_NE(list->GetInputSpec(), list->GetInputSpec());
  EXPECT_NE(list->GetOutputSpec()->GetRootObject(), list->GetOutputSpec()->GetRootObject());
  EXPECT_NE(list->GetOutputStructure(), list->GetOutputStructure());
}

}  // namespace
