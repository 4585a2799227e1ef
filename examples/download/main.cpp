// Downloads a file of the drive; Ctrl-C pauses and saves a resume token, and
// the next run with the same arguments carries on from there.
//
//   QUILLBOX_HOST=https://drive.example.com QUILLBOX_TOKEN=... download FILE_ID DEST
//
// The token is kept in DEST.resume until the download completes. Exit
// status: 0 downloaded, 1 failed, 130 paused.
#include <quillbox/quillbox.hpp>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <vector>

namespace {
std::atomic<bool> interrupted{false};
void onInterrupt(int) { interrupted = true; }

std::vector<std::uint8_t> readAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
}  // namespace

int main(int argc, char** argv) {
  const char* host = std::getenv("QUILLBOX_HOST");
  const char* token = std::getenv("QUILLBOX_TOKEN");
  if (argc != 3 || !host || !token) {
    std::fprintf(stderr, "usage: QUILLBOX_HOST=URL QUILLBOX_TOKEN=TOKEN %s FILE_ID DEST\n", argv[0]);
    return 2;
  }
  quillbox::setLogSink({});
  auto& cloud = quillbox::CloudInstance::shared();
  cloud.setHost(host);
  cloud.setToken(token);

  // A fresh link each run: links expire, the resume token does not depend on one.
  quillbox::GetDownloadUrlBean request;
  request.fileIds = std::vector<std::string>{argv[1]};
  auto links = quillbox::callBlocking(cloud.getFileImpl(), &quillbox::IFile::getDownloadUrl, request);
  if (!links.isSuccess() || !links.value().downloads || links.value().downloads->empty() ||
      !links.value().downloads->front().url) {
    std::fprintf(stderr, "no download link: %lld %s\n", static_cast<long long>(links.code()), links.message().c_str());
    return 1;
  }
  const std::filesystem::path dest = argv[2];
  const std::filesystem::path tokenFile = dest.string() + ".resume";
  quillbox::ResumableDownloader downloader(*links.value().downloads->front().url, dest, "example");
  if (std::filesystem::exists(tokenFile)) {
    const std::vector<std::uint8_t> saved = readAll(tokenFile);
    if (auto error = downloader.setResumeData(saved)) {
      std::fprintf(stderr, "cannot resume (%s), starting over\n", error->message.c_str());
    } else {
      std::fprintf(stderr, "resuming\n");
    }
  }

  // Progress and completion run on the downloader's own thread.
  std::promise<quillbox::DownloadResult> finished;
  std::signal(SIGINT, onInterrupt);
  downloader.start([](double fraction) { std::fprintf(stderr, "\r%5.1f %%", fraction * 100); },
                   [&](quillbox::DownloadResult r) { finished.set_value(std::move(r)); });
  auto done = finished.get_future();
  while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
    if (!interrupted) continue;
    downloader.pause();  // reports nothing; the resume token is ready when it returns
    if (auto data = downloader.resumeData()) {
      std::ofstream(tokenFile, std::ios::binary).write(reinterpret_cast<const char*>(data->data()),
                                                       static_cast<std::streamsize>(data->size()));
      std::fprintf(stderr, "\npaused; run again to resume\n");
    } else {
      std::fprintf(stderr, "\nstopped before any byte arrived\n");
    }
    return 130;
  }
  const quillbox::DownloadResult result = done.get();
  std::fprintf(stderr, "\n");
  if (!result.isSuccess()) {
    std::fprintf(stderr, "download failed: %s\n", result.error().message.c_str());
    return 1;
  }
  std::filesystem::remove(tokenFile);
  std::printf("saved %s\n", result.value().c_str());
  return 0;
}
