#pragma once
// The SDK pointed at an in-process emulator.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

#include "EmulatorFixture.hpp"
#include "quillbox/facade/CloudInstance.hpp"
#include "quillbox/request/NetworkResult.hpp"
#include "quillbox/services/carrier/ICarrier.hpp"
#include "quillbox/services/favor/IFavor.hpp"
#include "quillbox/services/file/IFile.hpp"
#include "quillbox/services/job/IJob.hpp"
#include "quillbox/services/share/IShare.hpp"
#include "quillbox/services/user/IUser.hpp"
#include "quillbox/util/Log.hpp"

namespace quillbox::test {

/// Waits for the one callback of a service call.
template <class T>
class Awaiter {
 public:
  std::function<void(NetworkResult<T>)> callback() {
    return [s = state_](NetworkResult<T> r) {
      std::lock_guard lock(s->mutex);
      s->result.emplace(std::move(r));
      s->done.notify_all();
    };
  }
  NetworkResult<T> wait(std::chrono::seconds timeout = std::chrono::seconds(15)) {
    std::unique_lock lock(state_->mutex);
    if (!state_->done.wait_for(lock, timeout, [&] { return state_->result.has_value(); })) {
      return NetworkResult<T>::failure(-999, "test: no callback within the time-out");
    }
    return *state_->result;
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<NetworkResult<T>> result;
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

/// Runs `start(callback)` and returns what the callback received.
template <class T, class Start>
NetworkResult<T> sdk(Start&& start) {
  Awaiter<T> awaiter;
  start(awaiter.callback());
  return awaiter.wait();
}

/// Quick waits, for faults cured by the next attempt rather than by time;
/// eight attempts are enough that a part struck at random is never struck at
/// every one of them.
inline RetryPolicy quickRetries(int attempts = 8) {
  return RetryPolicy{attempts, std::chrono::milliseconds(2), std::chrono::milliseconds(20)};
}

class SdkTest : public EmulatorTest {
 protected:
  void SetUp() override {
    setLogSink([](std::string_view) {});
    EmulatorTest::SetUp();
    cloud().setHost(emu_->url());
    cloud().setToken(std::nullopt);
    token_ = signInWithSdk("sdk-user");
    cloud().setToken(token_);
  }
  void TearDown() override {
    cloud().setToken(std::nullopt);
    cloud().setHost(std::nullopt);
    resetLogSink();
  }

  static CloudInstance& cloud() { return CloudInstance::shared(); }

  /// A client of its own against the emulator, signed in as the shared one.
  static std::unique_ptr<CloudInstance> ownClient(CloudInstance::Options options) {
    auto client = std::make_unique<CloudInstance>(std::move(options));
    client->setHost(cloud().host());
    client->setToken(cloud().token());
    return client;
  }
  static std::unique_ptr<CloudInstance> ownClient(RetryPolicy retry) {
    CloudInstance::Options options;
    options.retry = retry;
    return ownClient(std::move(options));
  }

  /// The root folder's entries as `client` lists them.
  static std::vector<FileListMetadata> rootFiles(CloudInstance& client = cloud()) {
    FilesListBean list;
    list.type = "list";
    auto r = sdk<FilesListResponse>([&](auto cb) { client.getFileImpl().filesList(list, cb); });
    EXPECT_TRUE(r.isSuccess()) << r.message();
    return r.isSuccess() ? r.value().files.value_or(std::vector<FileListMetadata>{}) : std::vector<FileListMetadata>{};
  }
  /// A file's details as `client` reads them.
  static NetworkResult<GetFileDetailResponse> fileDetail(std::optional<std::string> fileId,
                                                         CloudInstance& client = cloud()) {
    GetFileDetailBean bean;
    bean.fileId = fileId;
    return sdk<GetFileDetailResponse>([&](auto cb) { client.getFileImpl().getFileDetail(bean, cb); });
  }

  std::string signInWithSdk(const std::string& code) {
    AuthCodeBean bean;
    bean.authCode = code;
    auto r = sdk<UserAuthResp>([&](auto cb) { cloud().getUserImpl().getToken(bean, cb); });
    EXPECT_TRUE(r.isSuccess()) << r.message();
    return r.isSuccess() && r.value().accessToken ? *r.value().accessToken : std::string();
  }

  std::string token_;
};

}  // namespace quillbox::test
