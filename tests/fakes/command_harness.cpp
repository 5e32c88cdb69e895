#include "command_harness.h"

#include <sstream>

namespace FakeIpmi {

namespace {

using Kelvo::MetaObj::MetaBool;
using Kelvo::MetaObj::MetaInt;
using Kelvo::MetaObj::MetaKind;
using Kelvo::MetaObj::MetaList;
using Kelvo::MetaObj::MetaString;
using Kelvo::MetaObj::MetaStruct;
using Kelvo::MetaObj::MetaValue;

void RenderInto(std::ostringstream& out, const std::shared_ptr<MetaValue>& value) {
  if (!value) {
    out << "(null)";
    return;
  }
  switch (value->GetKind()) {
    case MetaKind::Int: {
      const auto& number = static_cast<const MetaInt&>(*value);
      if (number.HasValue()) {
        out << number.GetValue();
      } else {
        out << "null";
      }
      break;
    }
    case MetaKind::Bool: {
      const auto& flag = static_cast<const MetaBool&>(*value);
      out << (flag.HasValue() ? (flag.GetValue() ? "true" : "false") : "null");
      break;
    }
    case MetaKind::String:
      out << '"' << static_cast<const MetaString&>(*value).GetValue() << '"';
      break;
    case MetaKind::Struct: {
      const auto& structure = static_cast<const MetaStruct&>(*value);
      out << structure.GetTypeName() << "{";
      const char* separator = "";
      for (const auto& field : structure.GetFields()) {
        out << separator << field.first << "=";
        RenderInto(out, field.second);
        separator = ", ";
      }
      out << "}";
      break;
    }
    case MetaKind::List: {
      out << "[";
      const char* separator = "";
      for (const auto& item : static_cast<const MetaList&>(*value).GetItems()) {
        out << separator;
        RenderInto(out, item);
        separator = ", ";
      }
      out << "]";
      break;
    }
  }
}

}  // namespace

std::shared_ptr<Kelvo::CallSpec::Input> MakeInput(const Invocation& invocation) {
  std::shared_ptr<Kelvo::CallSpec::Input> input = Kelvo::CallSpec::Input::New();
  for (const std::string& flag : invocation.flags) {
    input->SetFlag(flag);
  }
  for (const auto& parameter : invocation.parameters) {
    input->SetParameter(parameter.first, parameter.second);
  }
  return input;
}

std::shared_ptr<Kelvo::CallSpec::Output> RunCommand(Kelvo::AutoCli::Command& command,
                                                    const Invocation& invocation) {
  std::shared_ptr<Kelvo::CallSpec::Output> output = Kelvo::CallSpec::Output::New();
  command.Execute(MakeInput(invocation), output);
  return output;
}

std::string Render(const std::shared_ptr<MetaValue>& value) {
  std::ostringstream out;
  RenderInto(out, value);
  return out.str();
}

std::string RenderRoot(const Kelvo::CallSpec::Output& output) {
  return output.GetRootObject() ? Render(output.GetRootObject()) : "(none)";
}

std::string RenderField(const std::shared_ptr<MetaValue>& structure, const std::string& field) {
  if (!structure || structure->GetKind() != MetaKind::Struct) {
    return "(not a structure)";
  }
  return Render(static_cast<const MetaStruct&>(*structure).GetField(field));
}

}  // namespace FakeIpmi
