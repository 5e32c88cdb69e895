#pragma once
// The command tree: namespaces and commands hung under names.

#include <Kelvo/CallSpec.h>
#include <Kelvo/Export.h>

#include <list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Kelvo {
namespace AutoCli {

enum class NodeType { Namespace, Command };

class Command;

// A node of the tree. The weak self-reference (shared-from-this) is bound
// when the first std::shared_ptr takes ownership of the node.
class KELVO_API NamespaceNode : public std::enable_shared_from_this<NamespaceNode> {
 public:
  virtual ~NamespaceNode();

  virtual std::shared_ptr<NamespaceNode> GetThis();
  virtual bool HasNamespaceNode(const std::string& name) const;
  // The child of that name, or null.
  virtual std::shared_ptr<NamespaceNode> GetNamespaceNode(const std::string& name) const;
  // Hangs a child under a name and makes this node its parent. A second
  // child of the same name replaces the first.
  virtual void RegisterNamespaceNode(std::shared_ptr<NamespaceNode> child, std::string name);
  virtual void RegisterNamespaceNode(std::shared_ptr<NamespaceNode> child, const char* name);
  // Walks the path from this node, consuming the names it resolves from the
  // front of the list. Returns the deepest node reached.
  virtual std::shared_ptr<NamespaceNode> ResolveNode(std::list<std::string>& path);
  // The command this node runs, or null for a namespace.
  virtual std::shared_ptr<Command> GetDispatcher();
  virtual void SetParent(std::shared_ptr<NamespaceNode> parent);
  virtual std::shared_ptr<NamespaceNode> GetParent() const;
  virtual NodeType GetType() const;

  // The named child namespace; created empty when it does not exist yet.
  std::shared_ptr<NamespaceNode> SubNamespace(const std::string& name);
  void SetDescription(const char* description);
  void SetDescription(const std::string& description);
  const std::string& GetDescription() const { return description_; }
  // Children in the order they were first registered.
  const std::vector<std::pair<std::string, std::shared_ptr<NamespaceNode>>>& GetChildren() const {
    return children_;
  }

 protected:
  NamespaceNode() = default;

 private:
  std::string description_;
  std::weak_ptr<NamespaceNode> parent_;
  std::vector<std::pair<std::string, std::shared_ptr<NamespaceNode>>> children_;
};

class KELVO_API Namespace : public virtual NamespaceNode {
 public:
  static std::shared_ptr<Namespace> New();

 protected:
  Namespace() = default;
};

class KELVO_API CommandSpec : public virtual NamespaceNode {
 public:
  ~CommandSpec() override;

  virtual std::shared_ptr<CallSpec::InputSpec> GetInputSpec();
  virtual std::shared_ptr<CallSpec::OutputSpec> GetOutputSpec();

  void SetDefaultOutputFormatter(const std::string& name);
  void SetDefaultOutputParameter(const std::string& key, const std::string& value);
  // The empty text when no default formatter was set.
  const std::string& GetDefaultOutputFormatter() const { return defaultFormatter_; }
  // In the order they were first set; setting a key again replaces its value.
  const std::vector<std::pair<std::string, std::string>>& GetDefaultOutputParameters() const {
    return defaultParameters_;
  }

  NodeType GetType() const override;

 protected:
  CommandSpec() = default;
  virtual std::shared_ptr<CallSpec::InputSpec> GetInputSpecInternal() = 0;
  virtual std::shared_ptr<CallSpec::OutputSpec> GetOutputSpecInternal() = 0;

 private:
  std::string defaultFormatter_;
  std::vector<std::pair<std::string, std::string>> defaultParameters_;
};

class KELVO_API Command : public virtual CommandSpec {
 public:
  ~Command() override;

  std::shared_ptr<Command> GetDispatcher() override;
  virtual void Execute(const std::shared_ptr<CallSpec::Input>& input,
                       const std::shared_ptr<CallSpec::Output>& output);

 protected:
  Command() = default;
  virtual void ExecuteInternal(const std::shared_ptr<CallSpec::Input>& input,
                               const std::shared_ptr<CallSpec::Output>& output) = 0;
};

}  // namespace AutoCli
}  // namespace Kelvo
