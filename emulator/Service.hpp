#pragma once
// The open service as the emulator serves it: the thirty operations under
// "/quillbox/ose/v1/", part uploads to the addresses it hands out, downloads
// by link, and the control endpoints under "/_emulator/". It routes each
// request by its area's table (Areas.hpp) to the handler.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/Areas.hpp"
#include "emulator/Core.hpp"
#include "emulator/Http.hpp"
#include "emulator/Router.hpp"

namespace quillbox::emulator {

class FaultRegistry;

class Service final : public HttpHandler {
 public:
  /// Loads the saved state from the data folder when there is one.
  /// Throws std::runtime_error when the saved state cannot be read.
  Service(ServiceConfig config, Storage& storage, FaultRegistry& faults);
  ~Service() override;  // saves the state
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;

  void setBaseUrl(std::string url);
  /// Writes the state to the data folder now (nothing without one).
  void flush();

  BodyPlan plan(const HttpRequest& head) override;
  HttpResponse handle(HttpRequest& request) override;
  bool faultable(std::string_view path) const override;

 private:
  struct Area;
  const Area* areaOf(std::string_view path) const;

  Core core_;
  UsersApi users_;
  FilesApi files_;
  SharesApi shares_;
  JobsApi jobs_;
  TransferApi transfer_;
  ControlApi control_;
  std::vector<std::unique_ptr<Area>> areas_;
};

}  // namespace quillbox::emulator
