// The command tree: namespaces own their children, children know their
// parent only weakly, so the tree is freed from the root down.

#include <Kelvo/AutoCli.h>

#include <stdexcept>

namespace Kelvo {
namespace AutoCli {

NamespaceNode::~NamespaceNode() = default;

std::shared_ptr<NamespaceNode> NamespaceNode::GetThis() {
  return weak_from_this().lock();
}

bool NamespaceNode::HasNamespaceNode(const std::string& name) const {
  return GetNamespaceNode(name) != nullptr;
}

std::shared_ptr<NamespaceNode> NamespaceNode::GetNamespaceNode(const std::string& name) const {
  for (const auto& child : children_) {
    if (child.first == name) {
      return child.second;
    }
  }
  return nullptr;
}

void NamespaceNode::RegisterNamespaceNode(std::shared_ptr<NamespaceNode> child, std::string name) {
  if (!child) {
    throw std::invalid_argument("cannot register a null node as '" + name + "'");
  }
  if (name.empty()) {
    throw std::invalid_argument("cannot register a node without a name");
  }
  for (const NamespaceNode* node = this; node; node = node->GetParent().get()) {
    if (node == child.get()) {
      throw std::invalid_argument("registering '" + name + "' here would make the tree a cycle");
    }
  }
  child->SetParent(GetThis());
  for (auto& existing : children_) {
    if (existing.first == name) {
      if (existing.second != child && existing.second->GetParent().get() == this) {
        existing.second->SetParent(nullptr);
      }
      existing.second = std::move(child);
      return;
    }
  }
  children_.emplace_back(std::move(name), std::move(child));
}

void NamespaceNode::RegisterNamespaceNode(std::shared_ptr<NamespaceNode> child, const char* name) {
  RegisterNamespaceNode(std::move(child), std::string(name ? name : ""));
}

std::shared_ptr<NamespaceNode> NamespaceNode::ResolveNode(std::list<std::string>& path) {
  std::shared_ptr<NamespaceNode> node = GetThis();
  while (node && !path.empty()) {
    auto next = node->GetNamespaceNode(path.front());
    if (!next) {
      break;
    }
    path.pop_front();
    node = std::move(next);
  }
  return node;
}

std::shared_ptr<Command> NamespaceNode::GetDispatcher() {
  return nullptr;
}

void NamespaceNode::SetParent(std::shared_ptr<NamespaceNode> parent) {
  parent_ = parent;
}

std::shared_ptr<NamespaceNode> NamespaceNode::GetParent() const {
  return parent_.lock();
}

NodeType NamespaceNode::GetType() const {
  return NodeType::Namespace;
}

std::shared_ptr<NamespaceNode> NamespaceNode::SubNamespace(const std::string& name) {
  if (auto existing = GetNamespaceNode(name)) {
    return existing;
  }
  std::shared_ptr<NamespaceNode> created = Namespace::New();
  RegisterNamespaceNode(created, name);
  return created;
}

void NamespaceNode::SetDescription(const char* description) {
  description_ = description ? description : "";
}

void NamespaceNode::SetDescription(const std::string& description) {
  description_ = description;
}

std::shared_ptr<Namespace> Namespace::New() {
  return std::shared_ptr<Namespace>(new Namespace());
}

CommandSpec::~CommandSpec() = default;

std::shared_ptr<CallSpec::InputSpec> CommandSpec::GetInputSpec() {
  return GetInputSpecInternal();
}

std::shared_ptr<CallSpec::OutputSpec> CommandSpec::GetOutputSpec() {
  return GetOutputSpecInternal();
}

void CommandSpec::SetDefaultOutputFormatter(const std::string& name) {
  defaultFormatter_ = name;
}

void CommandSpec::SetDefaultOutputParameter(const std::string& key, const std::string& value) {
  for (auto& parameter : defaultParameters_) {
    if (parameter.first == key) {
      parameter.second = value;
      return;
    }
  }
  defaultParameters_.emplace_back(key, value);
}

NodeType CommandSpec::GetType() const {
  return NodeType::Command;
}

Command::~Command() = default;

std::shared_ptr<Command> Command::GetDispatcher() {
  return std::dynamic_pointer_cast<Command>(GetThis());
}

void Command::Execute(const std::shared_ptr<CallSpec::Input>& input,
                      const std::shared_ptr<CallSpec::Output>& output) {
  if (!input || !output) {
    throw std::invalid_argument("a command runs with both an input and an output");
  }
  ExecuteInternal(input, output);
}

}  // namespace AutoCli
}  // namespace Kelvo
