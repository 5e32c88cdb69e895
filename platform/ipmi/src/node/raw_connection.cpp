// Ipmi::Raw::Connection: raw requests to a node's BMC over the node's
// transport, shared with the open node when there is one.

#include "node/node_registry.h"

#include <Ipmi/CmpiStatus.h>
#include <Ipmi/Raw.h>

namespace Ipmi {
namespace Raw {

class Connection::Impl {
 public:
  explicit Impl(std::shared_ptr<marlek::Transport> transport) : transport_(std::move(transport)) {}
  marlek::Transport& Get() { return *transport_; }

 private:
  std::shared_ptr<marlek::Transport> transport_;
};

std::unique_ptr<Connection> Connection::Open(int node) {
  std::shared_ptr<marlek::NodeContext> context = marlek::NodeRegistry::Instance().FindOrKeep(node);
  return std::unique_ptr<Connection>(new Connection(std::make_unique<Impl>(context->transport)));
}

Connection::Connection(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Connection::~Connection() = default;

Response Connection::Send(std::uint8_t netFn, std::uint8_t command, const std::vector<std::uint8_t>& data) {
  marlek::Request request;
  request.netFn = netFn;
  request.command = command;
  request.data = data;
  const marlek::Response answer = impl_->Get().Send(request);
  Response response;
  response.completionCode = answer.completionCode;
  response.data = answer.data;
  return response;
}

}  // namespace Raw
}  // namespace Ipmi
