// Uploads a file with a progress line; Ctrl-C cancels the upload.
//
//   QUILLBOX_HOST=https://drive.example.com QUILLBOX_TOKEN=... upload FILE [FOLDER_ID]
//
// Prints the id and stored name of the new file. Exit status: 0 uploaded,
// 1 failed, 130 cancelled.
#include <quillbox/quillbox.hpp>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <future>

namespace {
std::atomic<bool> interrupted{false};
void onInterrupt(int) { interrupted = true; }  // only sets a flag: safe in a signal handler
}  // namespace

int main(int argc, char** argv) {
  const char* host = std::getenv("QUILLBOX_HOST");
  const char* token = std::getenv("QUILLBOX_TOKEN");
  if (argc < 2 || argc > 3 || !host || !token) {
    std::fprintf(stderr, "usage: QUILLBOX_HOST=URL QUILLBOX_TOKEN=TOKEN %s FILE [FOLDER_ID]\n", argv[0]);
    return 2;
  }
  quillbox::setLogSink({});  // the SDK's diagnostic lines are not for this program's user
  auto& cloud = quillbox::CloudInstance::shared();
  cloud.setHost(host);
  cloud.setToken(token);

  // The events arrive on the SDK's upload thread: keep the callback short.
  // The last event is exactly one onSuccess or onFailure.
  std::promise<quillbox::UploadProcessResult> outcome;
  auto onEvent = [&](quillbox::UploadProcessResult event) {
    if (auto* p = std::get_if<quillbox::uploadResult::onProgress>(&event)) {
      std::fprintf(stderr, "\ruploaded %lld of %lld bytes", static_cast<long long>(p->bytes),
                   static_cast<long long>(p->total));
    } else if (std::holds_alternative<quillbox::uploadResult::onSuccess>(event) ||
               std::holds_alternative<quillbox::uploadResult::onFailure>(event)) {
      outcome.set_value(std::move(event));
    }
  };
  const std::string folder = argc == 3 ? argv[2] : "root";
  constexpr std::int64_t kRenameOnClash = 2;  // the server's code for "keep both, rename the new one"
  std::signal(SIGINT, onInterrupt);
  std::shared_ptr<quillbox::Cancelable> upload = cloud.getTransferImpl().uploadFile(
      folder, argv[1], "", kRenameOnClash, std::make_shared<quillbox::Sha256SliceFile>(), onEvent);

  auto done = outcome.get_future();
  bool cancelled = false;
  while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
    if (interrupted && !cancelled) {
      std::fprintf(stderr, "\ncancelling\n");
      upload->cancel();  // the upload still reports its one outcome: a failure
      cancelled = true;
    }
  }
  const quillbox::UploadProcessResult result = done.get();
  std::fprintf(stderr, "\n");
  if (auto* ok = std::get_if<quillbox::uploadResult::onSuccess>(&result)) {
    std::printf("%s: %s as %s\n", ok->msg.c_str(), ok->fileName.value_or("?").c_str(), ok->fileId.value_or("?").c_str());
    return 0;
  }
  const auto& failed = std::get<quillbox::uploadResult::onFailure>(result);
  std::fprintf(stderr, "%s (%lld: %s)\n", cancelled ? "cancelled" : "upload failed",
               static_cast<long long>(failed.errCode), failed.errMsg.c_str());
  return cancelled ? 130 : 1;
}
