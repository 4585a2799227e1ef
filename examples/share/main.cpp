// Shares a file of the drive through a link with an extract code.
//
//   QUILLBOX_HOST=https://drive.example.com QUILLBOX_TOKEN=... share FILE_ID CODE [DAYS]
//
// Prints the link. Exit status: 0 shared, 1 failed.
#include <quillbox/quillbox.hpp>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>

int main(int argc, char** argv) {
  const char* host = std::getenv("QUILLBOX_HOST");
  const char* token = std::getenv("QUILLBOX_TOKEN");
  if (argc < 3 || argc > 4 || !host || !token) {
    std::fprintf(stderr, "usage: QUILLBOX_HOST=URL QUILLBOX_TOKEN=TOKEN %s FILE_ID CODE [DAYS]\n", argv[0]);
    return 2;
  }
  quillbox::setLogSink({});
  auto& cloud = quillbox::CloudInstance::shared();
  cloud.setHost(host);
  cloud.setToken(token);

  quillbox::CreateShareBean share;
  share.fileIds = std::vector<std::string>{argv[1]};
  share.extractCode = argv[2];  // visitors of the link need it
  share.validDays = argc == 4 ? std::stoll(argv[3]) : 7;
  share.permission = quillbox::SharePermission(/*preview*/ true, /*edit*/ false, /*download*/ true);
  share.comment = "shared by the example";

  // The callback runs on an SDK callback thread; this one waits for it.
  std::promise<int> status;
  cloud.getShareImpl().createShare(share, [&](quillbox::NetworkResult<quillbox::CreateShareResponse> r) {
    if (!r.isSuccess()) {  // a transport failure, an HTTP status or a refusal in the answer's envelope
      std::fprintf(stderr, "share failed: %lld %s\n", static_cast<long long>(r.code()), r.message().c_str());
      status.set_value(1);
      return;
    }
    const quillbox::ShareLink link = r.value().shareLink.value_or(quillbox::ShareLink{});
    std::printf("%s\texpires %s\n", link.linkUrl.value_or("?").c_str(), link.expireTime.value_or("never").c_str());
    status.set_value(0);
  });
  return status.get_future().get();
}
