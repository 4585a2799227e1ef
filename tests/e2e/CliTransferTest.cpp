// Uploads (multipart, rapid, already there, name clashes, interrupted),
// downloads (by id, by /path, by link, interrupted and continued) and whole
// folder trees both ways, always checked byte for byte.

#include <sys/stat.h>

#include <fstream>

#include <gmock/gmock.h>

#include "CliFixture.hpp"
#include "Trees.hpp"

namespace quillbox::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr std::int64_t kMiB = 1 << 20;

std::vector<std::string> partialFiles(const fs::path& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().native();
    if (name.ends_with(".qbpart")) out.push_back(name);
  }
  return out;
}

using CliTransferTest = CliTest;

TEST_F(CliTransferTest, UploadsRapidUploadsAndByteExactDownloads) {
  signIn();
  qj({"mkdir", "/in"});
  const fs::path data = randomFile("data.bin", 20 * kMiB + 123, 7);  // three parts
  const std::string original = readFile(data);

  const Outcome first = q({"--json", "upload", data.native(), "--to", "/in"});
  ASSERT_EQ(first.status, 0) << first.err;
  const auto uploaded = at(first.json(), "uploads.0");
  EXPECT_EQ(text(uploaded, "result"), "success");
  EXPECT_EQ(text(uploaded, "fileName"), "data.bin");
  const std::string fileId = text(uploaded, "fileId");
  ASSERT_FALSE(fileId.empty());
  EXPECT_THAT(first.err, HasSubstr("data.bin: 20.0 MiB of 20.0 MiB (100%)"));
  const auto detail = qj({"stat", fileId});
  EXPECT_EQ(at(detail, "size").as_int64(), 20 * kMiB + 123);
  EXPECT_EQ(text(detail, "sha256"), text(uploaded, "sha256"));

  // The same content elsewhere is a rapid upload; in the same folder under
  // the same name it is already there.
  const auto rapid = upload(data, "/");
  EXPECT_EQ(text(rapid, "result"), "rapid success");
  EXPECT_TRUE(at(rapid, "rapid").as_bool());
  EXPECT_NE(text(rapid, "fileId"), fileId);
  const auto exist = upload(data, "/in");
  EXPECT_EQ(text(exist, "result"), "exist success");
  EXPECT_EQ(text(exist, "fileId"), fileId);

  // Several files at once; an empty one among them.
  const fs::path small = dir() / "small.txt", empty = dir() / "empty.txt";
  writeRandomFile(small, 1000, 8);
  writeRandomFile(empty, 0, 9);
  const auto both = qj({"upload", small.native(), empty.native(), "--to", "/in"});
  ASSERT_EQ(at(both, "uploads").as_array().size(), 2u);
  EXPECT_EQ(text(both, "uploads.1.fileName"), "empty.txt");

  // Downloads: by id, by /path into a folder, and by link.
  const auto byId = qj({"download", fileId, "-o", (dir() / "out.bin").native()});
  EXPECT_TRUE(at(byId, "verified").as_bool());
  EXPECT_FALSE(at(byId, "resumed").as_bool());
  EXPECT_EQ(text(byId, "sha256"), text(uploaded, "sha256"));
  EXPECT_TRUE(readFile(dir() / "out.bin") == original);
  fs::create_directories(dir() / "into");
  const auto byPath = qj({"download", "/in/data.bin", "-o", (dir() / "into").native()});
  EXPECT_EQ(text(byPath, "path"), (dir() / "into" / "data.bin").native());
  EXPECT_TRUE(readFile(dir() / "into" / "data.bin") == original);
  const auto links = qj({"link", "/in/small.txt"});
  const std::string link = text(links, "downloads.0.url");
  ASSERT_FALSE(link.empty());
  const auto byLink = qj({"download", "--url", link, "-o", (dir() / "small.copy").native()});
  EXPECT_FALSE(at(byLink, "verified").as_bool());  // a bare link brings no checksum
  EXPECT_EQ(readFile(dir() / "small.copy"), readFile(small));
  const auto emptyCopy = qj({"download", "/in/empty.txt", "-o", (dir() / "empty.copy").native()});
  EXPECT_EQ(at(emptyCopy, "size").as_int64(), 0);
  EXPECT_TRUE(fs::exists(dir() / "empty.copy"));
  EXPECT_TRUE(partialFiles(dir()).empty());
}

TEST_F(CliTransferTest, AClashIsRenamedAndSaidSoRefusedOrReplacedAsAsked) {
  signIn();
  const fs::path file = randomFile("a.txt", 3000, 31);
  upload(file, "/");
  struct Case {
    std::string policy;
    int status;
    std::string storedAs;     // empty: refused
    std::string saidOnError;  // what standard error says
  };
  std::uint32_t seed = 40;
  for (const auto& c : std::vector<Case>{
           {"rename", 0, "a (1).txt", "a.txt: stored as a (1).txt: a.txt exists; use --on-clash replace to overwrite"},
           {"fail", 1, "", "409"},
           {"replace", 0, "a.txt", ""},
       }) {
    SCOPED_TRACE(c.policy);
    writeRandomFile(file, 3000, ++seed);  // other content
    const Outcome r = q({"--json", "upload", file.native(), "--to", "/", "--on-clash", c.policy});
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_THAT(r.err, HasSubstr(c.saidOnError));
    if (c.storedAs.empty()) {
      // One line naming the command, the file, the step and the server's reason.
      EXPECT_THAT(r.errLines().back(), HasSubstr("quillbox: upload " + file.native() + ": create failed: "));
      EXPECT_THAT(r.errLines().back(), HasSubstr("already exists"));
      continue;
    }
    EXPECT_EQ(text(r.json(), "uploads.0.fileName"), c.storedAs);
    EXPECT_EQ(at(r.json(), "uploads.0.renamed").as_bool(), c.storedAs != "a.txt");
    const auto got = dir() / "got.txt";
    EXPECT_EQ(q({"download", "/" + c.storedAs, "-o", got.native()}).status, 0);
    EXPECT_TRUE(readFile(got) == readFile(file));
  }
}

TEST_F(CliTransferTest, AFolderTreeGoesUpAndComesBackAsItWas) {
  signIn();
  const fs::path tree = dir() / "tree";
  makeTree(tree, {"a.txt", "empty/", "sub dir/\xc3\xbcn\xc3\xaf c\xc3\xb8" "d\xc3\xa9.bin", "sub dir/deeper/x y.txt",
                  "sub dir/deeper/nothing here/", "sub dir/deeper/zero.bin"},
           70'000);
  writeRandomFile(tree / "sub dir/deeper/zero.bin", 0, 1);
  qj({"mkdir", "/dest"});
  const Outcome up = q({"upload", "-r", tree.native(), "--to", "/dest", "--transfers", "3"});
  ASSERT_EQ(up.status, 0) << up.err;
  EXPECT_THAT(up.err, HasSubstr("Uploaded 4 files"));

  // Again: the folders are reused, the files are already there.
  const auto again = qj({"upload", "-r", tree.native() + "/", "--to", "/dest"});
  ASSERT_EQ(at(again, "uploads").as_array().size(), 4u);
  for (const auto& u : at(again, "uploads").as_array()) EXPECT_EQ(text(u, "result"), "exist success");
  EXPECT_EQ(at(qj({"ls", "/dest"}), "files").as_array().size(), 1u);

  const fs::path out = dir() / "out";
  fs::create_directories(out);
  const Outcome down = q({"download", "-r", "/dest/tree", "-o", out.native()});
  ASSERT_EQ(down.status, 0) << down.err;
  EXPECT_TRUE(treeOf(out / "tree") == treeOf(tree));
  // A second download replaces nothing it was not told to.
  const Outcome refused = q({"download", "-r", "/dest/tree", "-o", out.native()});
  expectEnd(refused, 1, "--force");
  EXPECT_EQ(q({"download", "-r", "/dest/tree", "-o", out.native(), "--force"}).status, 0);
  EXPECT_TRUE(treeOf(out / "tree") == treeOf(tree));

  // Without -r a folder is refused with the hint.
  for (const auto& args : std::vector<std::vector<std::string>>{{"upload", tree.native()}, {"download", "/dest/tree"}}) {
    expectEnd(q(args), 2, "add -r");
  }
}

TEST_F(CliTransferTest, OneFailingFileAmongManyFailsTheRunAndIsNamed) {
  signIn();
  const fs::path tree = dir() / "many";
  std::vector<std::string> names;
  for (int i = 0; i < 8; ++i) names.push_back("f" + std::to_string(i) + ".bin");
  makeTree(tree, names, 5000);
  armFault(R"({"path":"/quillbox/ose/v1/files/create","kind":"status","status":403,"msg":"refused here"})");
  const Outcome r = q({"--json", "upload", "-r", tree.native(), "--to", "/"});
  EXPECT_EQ(r.status, 1);
  ASSERT_EQ(at(r.json(), "failed").as_array().size(), 1u);
  const std::string failed = fs::path(text(r.json(), "failed.0.path")).filename().native();
  EXPECT_THAT(r.errLines().back(), HasSubstr("1 of 8 files failed: " + tree.native() + "/" + failed));
  EXPECT_THAT(r.errLines().back(), HasSubstr("refused here"));
  // The others are on the drive, the failed one is not.
  const fs::path out = dir() / "out";
  ASSERT_EQ(q({"download", "-r", "/many", "-o", out.native()}).status, 0);
  auto expected = treeOf(tree);
  expected.erase(failed);
  EXPECT_TRUE(treeOf(out / "many") == expected);

  // One file whose second part keeps failing: the part, how, and what to do.
  const fs::path big = randomFile("big.bin", 20 * kMiB + 123, 12);  // three parts
  armFault(R"({"path":"/_upload/*/2","kind":"status","status":503,"every":1,"count":0})");
  const Outcome one = q({"upload", big.native(), "--to", "/"});
  EXPECT_EQ(one.status, 1);
  // The emulator answers a refused 8 MiB body at once and closes without reading it, so the
  // client meets either the answer or the closed connection, as with any server that does so.
  const std::string line = one.errLines().back();
  const std::string head = "quillbox: upload " + big.native() + ": part 2 of 3 failed: ";
  ASSERT_TRUE(line.starts_with(head)) << line;
  EXPECT_TRUE(line.substr(head.size()).starts_with("HTTP 503 (service unavailable): injected fault;") ||
              line.substr(head.size()).starts_with("connection lost: "))
      << line;
  EXPECT_TRUE(line.ends_with("; run the command again")) << line;
}

TEST_F(CliTransferTest, AnInterruptedOrFailedDownloadOfALongNameKeepsItsTokenAndContinuesByteExact) {
  signIn();
  std::string name;
  for (int i = 0; i < 124; ++i) name += "\xc3\xa9";  // é
  name += "x";                                       // 249 bytes: no room for a suffix
  const fs::path data = randomFile(name, 16 * kMiB, 11);
  const std::string fileId = text(upload(data, "/"), "fileId");
  ASSERT_FALSE(fileId.empty());
  const fs::path got = dir() / "got", out = got / name;
  fs::create_directories(got);
  auto tokens = [&got] {
    std::vector<fs::path> found;
    for (const auto& e : fs::directory_iterator(got)) {
      if (e.path().native().ends_with(".quillbox-resume")) found.push_back(e.path());
    }
    return found;
  };

  // The server stops for a while after 4 MiB: Ctrl-C lands mid-transfer.
  armFault(R"({"path":"/_download/*","kind":"stall","afterBytes":4194304,"ms":30000})");
  expectEnd(interruptOnceUnderway({"download", fileId, "-o", got.native()}), 130, "--continue");
  EXPECT_FALSE(fs::exists(out));
  ASSERT_EQ(tokens().size(), 1u);
  struct stat info {};
  ASSERT_EQ(::stat(tokens()[0].c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(partialFiles(got).size(), 1u);
  clearFaults();

  // Downloaded again without --continue: the old partial file is dropped and
  // the download starts over.
  const Outcome fresh = q({"--json", "download", fileId, "-o", got.native()});
  ASSERT_EQ(fresh.status, 0) << fresh.err;
  EXPECT_FALSE(at(fresh.json(), "resumed").as_bool());
  EXPECT_THAT(fresh.err, HasSubstr("dropping the interrupted download"));
  EXPECT_TRUE(readFile(out) == readFile(data));
  EXPECT_TRUE(tokens().empty());
  EXPECT_TRUE(partialFiles(got).empty());

  // Every attempt breaks off after 1 MiB: the download resumes by itself a few
  // times, then fails and keeps what arrived, with a token, as Ctrl-C does.
  fs::remove(out);
  armFault(R"({"path":"/_download/*","kind":"reset","afterBytes":1048576,"every":1})");
  const Outcome failed = q({"download", fileId, "-o", out.native()});
  EXPECT_EQ(failed.status, 5) << "a network failure: trying later may work; " << failed.err;
  EXPECT_THAT(failed.err, Not(HasSubstr("["))) << "no libcurl number shown as a code";
  EXPECT_THAT(failed.err, HasSubstr("resume with: quillbox download " + fileId + " -o " + out.native() + " --continue"));
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(tokens().size(), 1u);
  EXPECT_EQ(partialFiles(got).size(), 1u);
  clearFaults();

  const Outcome resumed = q({"--json", "download", fileId, "-o", out.native(), "--continue"});
  ASSERT_EQ(resumed.status, 0) << resumed.err;
  EXPECT_THAT(resumed.err, HasSubstr("Resuming"));
  EXPECT_TRUE(at(resumed.json(), "resumed").as_bool());
  EXPECT_TRUE(at(resumed.json(), "verified").as_bool());
  EXPECT_TRUE(readFile(out) == readFile(data));
  EXPECT_TRUE(tokens().empty());
  EXPECT_TRUE(partialFiles(got).empty());

  // Under the drive's name in the current folder too.
  fs::create_directories(dir() / "here");
  EXPECT_EQ(qAt(dir() / "here", {"download", fileId}).status, 0);
  EXPECT_TRUE(readFile(dir() / "here" / name) == readFile(data));
}

TEST_F(CliTransferTest, ANameFromTheDriveReplacesNoLocalFileUnlessForced) {
  signIn("owner");
  const std::string owner = text(boost::json::parse(readFile(dir() / "config" / "quillbox" / "profile.json")), "token");
  const fs::path home = dir() / "home";
  fs::create_directories(home / "up");
  writeRandomFile(home / "up" / ".bashrc", 500, 21);
  const std::string shared = readFile(home / "up" / ".bashrc");
  const std::string fileId = text(upload(home / "up" / ".bashrc", "/"), "fileId");
  const std::string link = text(qj({"share", "create", fileId, "--code", "abcd"}), "shareLink.linkUrl");
  signIn("visitor");
  const std::string mine = "alias ls='ls -la'\n";
  std::ofstream(home / ".bashrc") << mine;

  // As a visitor of the link, by id, by /path, and into a folder: the name is the drive's.
  for (const auto& args : std::vector<std::vector<std::string>>{{"download", "--share", link, "--code", "-"},
                                                                {"--token", owner, "download", fileId},
                                                                {"--token", owner, "download", "/.bashrc"},
                                                                {"--token", owner, "download", fileId, "-o", "."}}) {
    SCOPED_TRACE(joined(args));
    const Outcome r = qAt(home, args, "abcd\n");
    expectEnd(r, 1, "-o FILE");
    EXPECT_THAT(r.err, HasSubstr("--force"));
    EXPECT_EQ(readFile(home / ".bashrc"), mine);
  }
  // Replaced when asked to, or when named with -o.
  EXPECT_EQ(qAt(home, {"download", "--share", link, "--force"}, std::nullopt, {"QUILLBOX_SHARE_CODE=abcd"}).status, 0);
  EXPECT_TRUE(readFile(home / ".bashrc") == shared);
  std::ofstream(home / ".bashrc") << mine;
  EXPECT_EQ(qAt(home, {"--token", owner, "download", fileId, "-o", ".bashrc"}).status, 0);
  EXPECT_TRUE(readFile(home / ".bashrc") == shared);
}

TEST_F(CliTransferTest, ACorruptDownloadLeavesTheDestinationAsItWas) {
  signIn();
  const fs::path data = randomFile("src.bin", 64 * 1024, 51);
  ASSERT_FALSE(text(upload(data, "/"), "fileId").empty());
  const fs::path dest = dir() / "dest.bin";
  fs::copy_file(data, dest);

  armFault(R"({"path":"/_download/*","kind":"corrupt","offset":1000,"length":4})");
  const Outcome r = q({"download", "/src.bin", "-o", dest.native()});
  expectEnd(r, 1, "SHA-256 mismatch");
  EXPECT_THAT(r.err, HasSubstr(dest.native() + " was not changed"));
  EXPECT_TRUE(readFile(dest) == readFile(data));
  EXPECT_FALSE(fs::exists(dest.native() + ".quillbox-resume"));
  EXPECT_TRUE(partialFiles(dir()).empty());
}

TEST_F(CliTransferTest, CtrlCCancelsAnUploadAndKeepsNothing) {
  signIn();
  qj({"mkdir", "/up"});
  const fs::path data = randomFile("slow.bin", 12 * kMiB, 12);
  // Every part upload waits on the server, so the upload is still running
  // when Ctrl-C arrives.
  armFault(R"({"path":"/_upload/*","kind":"delay","ms":30000,"count":100})");
  expectEnd(interruptOnceUnderway({"upload", data.native(), "--to", "/up"}, "%)"), 130, "interrupted");
  clearFaults();
  EXPECT_TRUE(at(qj({"ls", "/up"}), "files").as_array().empty());

  // Afterwards the same upload goes through.
  EXPECT_EQ(text(upload(data, "/up"), "result"), "success");
}

}  // namespace
}  // namespace quillbox::e2e
