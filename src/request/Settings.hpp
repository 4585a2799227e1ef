#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "quillbox/request/RetryPolicy.hpp"

namespace quillbox::transport {
class Transport;
}

namespace quillbox::request {

/// What the request pipeline needs of its client: the connection settings,
/// read when each request starts, and the transport requests go out on. The
/// facade owns one per client and exposes the settings to the host; every
/// access is under one lock, so a request always sees a consistent host and
/// token.
class Settings {
 public:
  explicit Settings(transport::Transport& transport) : transport_(transport) {}
  Settings(const Settings&) = delete;
  Settings& operator=(const Settings&) = delete;

  transport::Transport& transport() const { return transport_; }

  /// What one request reads when it starts.
  struct Connection {
    std::optional<std::string> host;
    std::optional<std::string> token;
    RetryPolicy retry;
  };

  std::optional<std::string> authCode() const { return read(&Settings::authCode_); }
  std::optional<std::string> token() const {
    std::lock_guard lock(mutex_);
    return connection_->token;
  }
  std::optional<std::string> contentId() const { return read(&Settings::contentId_); }
  std::optional<std::string> host() const {
    std::lock_guard lock(mutex_);
    return connection_->host;
  }
  std::optional<std::string> innerUser() const { return read(&Settings::innerUser_); }
  std::string userAgent() const {
    std::lock_guard lock(mutex_);
    return userAgent_;
  }

  void setAuthCode(std::optional<std::string> v) { write(&Settings::authCode_, std::move(v)); }
  void setToken(std::optional<std::string> v) {
    change([&](Connection& c) { c.token = std::move(v); });
  }
  void setContentId(std::optional<std::string> v) { write(&Settings::contentId_, std::move(v)); }
  void setHost(std::optional<std::string> v) {
    change([&](Connection& c) { c.host = std::move(v); });
  }
  void setInnerUser(std::optional<std::string> v) { write(&Settings::innerUser_, std::move(v)); }
  void setUserAgent(std::string v) {
    std::lock_guard lock(mutex_);
    userAgent_ = std::move(v);
  }

  RetryPolicy retryPolicy() const {
    std::lock_guard lock(mutex_);
    return connection_->retry;
  }
  void setRetryPolicy(RetryPolicy v) {
    change([&](Connection& c) { c.retry = v; });
  }

  /// Host, token and retry policy read together, as one request needs them:
  /// shared and never changed, so a request reads them without a copy.
  std::shared_ptr<const Connection> connection() const {
    std::lock_guard lock(mutex_);
    return connection_;
  }

 private:
  using Field = std::optional<std::string> Settings::*;
  std::optional<std::string> read(Field f) const {
    std::lock_guard lock(mutex_);
    return this->*f;
  }
  void write(Field f, std::optional<std::string> v) {
    std::lock_guard lock(mutex_);
    this->*f = std::move(v);
  }
  /// A new Connection with one change; requests under way keep the old one.
  template <class F>
  void change(F&& f) {
    std::lock_guard lock(mutex_);
    auto next = std::make_shared<Connection>(*connection_);
    f(*next);
    connection_ = std::move(next);
  }

  transport::Transport& transport_;
  mutable std::mutex mutex_;
  std::optional<std::string> authCode_;
  std::optional<std::string> contentId_;
  std::optional<std::string> innerUser_;
  std::string userAgent_ = "Your-App-Name";
  std::shared_ptr<const Connection> connection_ = std::make_shared<const Connection>();
};

}  // namespace quillbox::request
