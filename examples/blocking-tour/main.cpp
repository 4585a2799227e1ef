// The other examples' flow in blocking style: create a folder, upload a file
// into it, list the folder, share the file and download it back, one step
// after the other on this thread.
//
//   QUILLBOX_HOST=https://drive.example.com QUILLBOX_TOKEN=... blocking-tour FILE DEST
//
// Exit status: 0 done, 1 a step failed.
#include <quillbox/quillbox.hpp>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>

namespace {

/// Prints a failed step; true when the result is a success.
template <class T>
bool ok(const char* step, const quillbox::NetworkResult<T>& r) {
  if (!r.isSuccess()) std::fprintf(stderr, "%s failed: %lld %s\n", step, static_cast<long long>(r.code()), r.message().c_str());
  return r.isSuccess();
}

/// Uploads and waits for the one outcome (an upload is not a service call,
/// so it gets a promise of its own).
quillbox::UploadProcessResult uploadBlocking(quillbox::CloudInstance& cloud, const std::string& folder,
                                             const std::filesystem::path& file) {
  auto outcome = std::make_shared<std::promise<quillbox::UploadProcessResult>>();
  cloud.getTransferImpl().uploadFile(folder, file, "", /*rename on clash*/ 2, std::make_shared<quillbox::Sha256SliceFile>(),
                                     [outcome](quillbox::UploadProcessResult e) {
                                       if (std::holds_alternative<quillbox::uploadResult::onSuccess>(e) ||
                                           std::holds_alternative<quillbox::uploadResult::onFailure>(e)) {
                                         outcome->set_value(std::move(e));
                                       }
                                     });
  return outcome->get_future().get();
}

}  // namespace

int main(int argc, char** argv) {
  const char* host = std::getenv("QUILLBOX_HOST");
  const char* token = std::getenv("QUILLBOX_TOKEN");
  if (argc != 3 || !host || !token) {
    std::fprintf(stderr, "usage: QUILLBOX_HOST=URL QUILLBOX_TOKEN=TOKEN %s FILE DEST\n", argv[0]);
    return 2;
  }
  quillbox::setLogSink({});
  auto& cloud = quillbox::CloudInstance::shared();
  cloud.setHost(host);
  cloud.setToken(token);
  quillbox::IFile& files = cloud.getFileImpl();
  using quillbox::callBlocking;

  quillbox::CreateDirectoryBean mkdir;
  mkdir.fileName = "blocking-tour";
  mkdir.renameMode = 2;  // the server's code: rename when the name is taken
  auto folder = callBlocking(files, &quillbox::IFile::createDirectory, mkdir);
  if (!ok("create folder", folder)) return 1;
  const std::string folderId = folder.value().id.value_or("");
  std::printf("folder %s\n", folder.value().fileName.value_or("?").c_str());

  const quillbox::UploadProcessResult up = uploadBlocking(cloud, folderId, argv[1]);
  const auto* uploaded = std::get_if<quillbox::uploadResult::onSuccess>(&up);
  if (!uploaded || !uploaded->fileId) {
    std::fprintf(stderr, "upload failed\n");
    return 1;
  }
  std::printf("uploaded %s\n", uploaded->fileName.value_or("?").c_str());

  quillbox::FilesListBean list;
  list.type = "list";
  list.parentFileId = folderId;
  auto page = callBlocking(files, &quillbox::IFile::filesList, list);
  if (!ok("list", page)) return 1;
  for (const auto& f : page.value().files.value_or(std::vector<quillbox::FileListMetadata>{})) {
    std::printf("  %s\n", f.fileName.value_or("?").c_str());
  }

  quillbox::CreateShareBean share;
  share.fileIds = std::vector<std::string>{*uploaded->fileId};
  share.validDays = 1;
  auto link = callBlocking(cloud.getShareImpl(), &quillbox::IShare::createShare, share);
  if (!ok("share", link)) return 1;
  std::printf("link %s\n", link.value().shareLink.value_or(quillbox::ShareLink{}).linkUrl.value_or("?").c_str());

  quillbox::GetDownloadUrlBean where;
  where.fileIds = std::vector<std::string>{*uploaded->fileId};
  auto url = callBlocking(files, &quillbox::IFile::getDownloadUrl, where);
  if (!ok("download link", url)) return 1;
  std::promise<quillbox::DownloadResult> fetched;
  quillbox::ResumableDownloader download(url.value().downloads.value_or(std::vector<quillbox::DownloadInfoResponse>(1))
                                             .front().url.value_or(""),
                                         argv[2], "blocking-tour");
  download.start(nullptr, [&](quillbox::DownloadResult r) { fetched.set_value(std::move(r)); });
  const quillbox::DownloadResult result = fetched.get_future().get();
  if (!result.isSuccess()) {
    std::fprintf(stderr, "download failed: %s\n", result.error().message.c_str());
    return 1;
  }
  std::printf("downloaded %s\n", result.value().c_str());
  return 0;
}
