// Lists every entry of a folder, page by page, following the server's cursor.
//
//   QUILLBOX_HOST=https://drive.example.com QUILLBOX_TOKEN=... list-folder [FOLDER_ID] [MAX]
//
// Stops after MAX entries when given. Exit status: 0 listed, 1 failed.
#include <quillbox/quillbox.hpp>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  const char* host = std::getenv("QUILLBOX_HOST");
  const char* token = std::getenv("QUILLBOX_TOKEN");
  if (argc > 3 || !host || !token) {
    std::fprintf(stderr, "usage: QUILLBOX_HOST=URL QUILLBOX_TOKEN=TOKEN %s [FOLDER_ID] [MAX]\n", argv[0]);
    return 2;
  }
  quillbox::setLogSink({});
  auto& cloud = quillbox::CloudInstance::shared();
  cloud.setHost(host);
  cloud.setToken(token);

  quillbox::FilesListBean list;
  list.type = "list";  // a code of the server's: a folder's own entries
  list.parentFileId = argc >= 2 ? argv[1] : "root";
  list.pageInfo = quillbox::PageInfo(100, std::nullopt);  // 100 entries a request
  const std::size_t max = argc == 3 ? std::stoul(argv[2]) : 0;

  // Blocks this thread; each page is requested once the previous one is done.
  std::size_t seen = 0;
  const quillbox::PagingOutcome walk =
      quillbox::forEachEntry(cloud.getFileImpl(), &quillbox::IFile::filesList, list, [&](quillbox::FileListMetadata& f) {
        std::printf("%s\t%s\n", f.id.value_or("?").c_str(), f.fileName.value_or("?").c_str());
        return max == 0 || ++seen < max;  // false stops the walk
      });
  if (walk.status == quillbox::PagingOutcome::Status::failed) {
    std::fprintf(stderr, "listing failed: %lld %s\n", static_cast<long long>(walk.code), walk.message.c_str());
    return 1;
  }
  std::fprintf(stderr, "%zu page(s)%s\n", walk.pages,
               walk.status == quillbox::PagingOutcome::Status::stopped ? ", stopped early" : "");
  return 0;
}
