// The command tree as a plug-in builds it and the program walks it.

#include <Kelvo/AutoCli.h>

#include <gtest/gtest.h>

#include <list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Kelvo::AutoCli::Command;
using Kelvo::AutoCli::Namespace;
using Kelvo::AutoCli::NamespaceNode;
using Kelvo::AutoCli::NodeType;
namespace CallSpec = Kelvo::CallSpec;

// A command shaped like a plug-in's: a virtual base, no data of its own
// beyond a run counter the tests read.
class CountingCommand : public virtual Command {
 public:
  static std::shared_ptr<CountingCommand> New() {
    return std::shared_ptr<CountingCommand>(new CountingCommand());
  }
  int runs = 0;

 protected:
  CountingCommand() {
    SetDescription("Counts its runs.");
    SetDefaultOutputFormatter("simple");
    SetDefaultOutputParameter("show-header", "false");
    SetDefaultOutputParameter("fields:Thing", "A,B");
    SetDefaultOutputParameter("show-header", "true");
  }
  std::shared_ptr<CallSpec::InputSpec> GetInputSpecInternal() override {
    auto spec = CallSpec::InputSpec::New();
    spec->AddParameter(CallSpec::ParameterSpec::New("verbose", 3));
    return spec;
  }
  std::shared_ptr<CallSpec::OutputSpec> GetOutputSpecInternal() override {
    auto spec = CallSpec::OutputSpec::New();
    spec->SetRootObject(Kelvo::MetaObj::MetaBool::New());
    return spec;
  }
  void ExecuteInternal(const std::shared_ptr<CallSpec::Input>& input,
                       const std::shared_ptr<CallSpec::Output>& output) override {
    ++runs;
    output->SetRootObject(Kelvo::MetaObj::MetaBool::New(input->IsFlagSet("verbose")));
  }
};

// Same as above but inheriting the command base as an ordinary base.
class PlainCommand : public Command {
 public:
  static std::shared_ptr<PlainCommand> New() { return std::shared_ptr<PlainCommand>(new PlainCommand()); }

 protected:
  PlainCommand() = default;
  std::shared_ptr<CallSpec::InputSpec> GetInputSpecInternal() override { return CallSpec::InputSpec::New(); }
  std::shared_ptr<CallSpec::OutputSpec> GetOutputSpecInternal() override {
    return CallSpec::OutputSpec::New();
  }
  void ExecuteInternal(const std::shared_ptr<CallSpec::Input>&,
                       const std::shared_ptr<CallSpec::Output>& output) override {
    output->AddErrorMessage("plain");
  }
};

std::vector<std::string> ChildNames(const NamespaceNode& node) {
  std::vector<std::string> names;
  for (const auto& child : node.GetChildren()) {
    names.push_back(child.first);
  }
  return names;
}

TEST(KelvoTree, ChildrenKeepRegistrationOrderAndKnowTheirParent) {
  std::shared_ptr<NamespaceNode> root = Namespace::New();
  auto ns = Namespace::New();
  ns->SetDescription("Things.");
  ns->RegisterNamespaceNode(CountingCommand::New(), "zeta");
  ns->RegisterNamespaceNode(PlainCommand::New(), std::string("alpha"));
  ns->RegisterNamespaceNode(Namespace::New(), "mid");
  root->RegisterNamespaceNode(ns, "things");

  EXPECT_EQ(ChildNames(*ns), (std::vector<std::string>{"zeta", "alpha", "mid"}));
  EXPECT_EQ(ns->GetParent(), root);
  EXPECT_EQ(ns->GetNamespaceNode("alpha")->GetParent(), ns);
  EXPECT_EQ(root->GetParent(), nullptr);
  EXPECT_TRUE(ns->HasNamespaceNode("mid"));
  EXPECT_FALSE(ns->HasNamespaceNode("Mid"));
  EXPECT_EQ(ns->GetNamespaceNode("missing"), nullptr);
  EXPECT_EQ(root->GetNamespaceNode("things")->GetDescription(), "Things.");
}

TEST(KelvoTree, NodeTypesAndDispatchers) {
  auto ns = Namespace::New();
  auto virt = CountingCommand::New();
  auto plain = PlainCommand::New();
  EXPECT_EQ(ns->GetType(), NodeType::Namespace);
  EXPECT_EQ(ns->GetDispatcher(), nullptr);
  EXPECT_EQ(virt->GetType(), NodeType::Command);
  EXPECT_EQ(plain->GetType(), NodeType::Command);
  // Through the node base, as the program sees them.
  std::shared_ptr<NamespaceNode> asNode = virt;
  ASSERT_NE(asNode->GetDispatcher(), nullptr);
  EXPECT_EQ(asNode->GetDispatcher().get(), static_cast<Command*>(virt.get()));
  std::shared_ptr<NamespaceNode> plainNode = plain;
  EXPECT_EQ(plainNode->GetDispatcher().get(), static_cast<Command*>(plain.get()));
}

TEST(KelvoTree, WeakSelfReferenceIsBoundByTheFirstOwner) {
  auto command = CountingCommand::New();
  std::shared_ptr<NamespaceNode> node = command;
  EXPECT_EQ(node->GetThis(), node);
  EXPECT_EQ(node->GetThis().use_count(), 3);  // command, node, the result
  std::weak_ptr<NamespaceNode> weak = node->GetThis();
  command.reset();
  node.reset();
  EXPECT_TRUE(weak.expired()) << "the self-reference must not keep the node alive";
}

TEST(KelvoTree, ResolveNodeConsumesWhatItFinds) {
  struct Case {
    std::list<std::string> path;
    std::string reached;  // description of the reached node
    std::list<std::string> left;
  };
  std::shared_ptr<NamespaceNode> root = Namespace::New();
  root->SetDescription("root");
  auto a = root->SubNamespace("a");
  a->SetDescription("a");
  auto b = a->SubNamespace("b");
  b->SetDescription("b");
  auto cmd = CountingCommand::New();
  b->RegisterNamespaceNode(cmd, "run");
  const std::vector<Case> cases = {
      {{}, "root", {}},
      {{"a"}, "a", {}},
      {{"a", "b"}, "b", {}},
      {{"a", "b", "run"}, "Counts its runs.", {}},
      {{"a", "b", "run", "--verbose"}, "Counts its runs.", {"--verbose"}},
      {{"a", "x", "b"}, "a", {"x", "b"}},
      {{"b"}, "root", {"b"}},
  };
  for (const auto& c : cases) {
    auto path = c.path;
    auto reached = root->ResolveNode(path);
    ASSERT_NE(reached, nullptr);
    EXPECT_EQ(reached->GetDescription(), c.reached);
    EXPECT_EQ(path, c.left);
  }
}

TEST(KelvoTree, SubNamespaceCreatesOnceAndReturnsTheSameNode) {
  std::shared_ptr<NamespaceNode> root = Namespace::New();
  auto first = root->SubNamespace("hardware");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetParent(), root);
  EXPECT_EQ(root->SubNamespace("hardware"), first);
  EXPECT_EQ(root->GetChildren().size(), 1u);
}

TEST(KelvoTree, RegisteringANameAgainReplacesTheChildInPlace) {
  std::shared_ptr<NamespaceNode> root = Namespace::New();
  auto old = Namespace::New();
  root->RegisterNamespaceNode(old, "one");
  root->RegisterNamespaceNode(Namespace::New(), "two");
  auto replacement = PlainCommand::New();
  root->RegisterNamespaceNode(replacement, "one");
  EXPECT_EQ(ChildNames(*root), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(root->GetNamespaceNode("one").get(), static_cast<NamespaceNode*>(replacement.get()));
  EXPECT_EQ(old->GetParent(), nullptr);
  EXPECT_EQ(old.use_count(), 1) << "the tree must drop the replaced node";
}

TEST(KelvoTree, TreeOwnsWhatIsRegisteredAndFreesItWithTheRoot) {
  std::shared_ptr<NamespaceNode> root = Namespace::New();
  std::weak_ptr<NamespaceNode> leaf;
  {
    auto ns = Namespace::New();
    auto cmd = CountingCommand::New();
    leaf = cmd;
    ns->RegisterNamespaceNode(std::move(cmd), "cmd");
    root->SubNamespace("hardware")->RegisterNamespaceNode(ns, "ns");
  }
  EXPECT_FALSE(leaf.expired());
  root.reset();
  EXPECT_TRUE(leaf.expired()) << "parent links must be weak so the tree frees itself";
}

TEST(KelvoTree, RejectsNullNamelessAndCyclicRegistration) {
  std::shared_ptr<NamespaceNode> root = Namespace::New();
  auto child = root->SubNamespace("child");
  EXPECT_THROW(root->RegisterNamespaceNode(nullptr, "x"), std::invalid_argument);
  EXPECT_THROW(root->RegisterNamespaceNode(Namespace::New(), ""), std::invalid_argument);
  EXPECT_THROW(root->RegisterNamespaceNode(Namespace::New(), static_cast<const char*>(nullptr)),
               std::invalid_argument);
  EXPECT_THROW(child->RegisterNamespaceNode(root, "loop"), std::invalid_argument);
  EXPECT_THROW(child->RegisterNamespaceNode(child, "self"), std::invalid_argument);
  EXPECT_EQ(child->GetChildren().size(), 0u);
}

TEST(KelvoCommandSpec, DefaultsKeepFirstOrderAndReplaceValues) {
  auto cmd = CountingCommand::New();
  EXPECT_EQ(cmd->GetDescription(), "Counts its runs.");
  EXPECT_EQ(cmd->GetDefaultOutputFormatter(), "simple");
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(cmd->GetDefaultOutputParameters(), (Pairs{{"show-header", "true"}, {"fields:Thing", "A,B"}}));
  EXPECT_EQ(PlainCommand::New()->GetDefaultOutputFormatter(), "");
}

TEST(KelvoCommand, ExecuteEndsInExecuteInternalAndSpecsComeFromInternals) {
  auto cmd = CountingCommand::New();
  auto spec = cmd->GetInputSpec();
  ASSERT_NE(spec, nullptr);
  ASSERT_EQ(spec->GetParameters().size(), 1u);
  EXPECT_TRUE(spec->Find("verbose")->IsFlag());
  ASSERT_NE(cmd->GetOutputSpec()->GetRootObject(), nullptr);

  auto input = CallSpec::Input::New();
  input->SetFlag("verbose");
  auto output = CallSpec::Output::New();
  cmd->Execute(input, output);
  EXPECT_EQ(cmd->runs, 1);
  auto root = std::dynamic_pointer_cast<Kelvo::MetaObj::MetaBool>(output->GetRootObject());
  ASSERT_NE(root, nullptr);
  EXPECT_TRUE(root->GetValue());
  EXPECT_THROW(cmd->Execute(nullptr, output), std::invalid_argument);
  EXPECT_EQ(cmd->runs, 1);
}

}  // namespace
