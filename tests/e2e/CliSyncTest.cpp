// sync in both directions: what is sent (read from the emulator's request
// log), what ends up on each side (byte for byte), and what --dry-run,
// --delete and --exclude change.

#include <fstream>

#include <gmock/gmock.h>

#include "CliFixture.hpp"
#include "Trees.hpp"

namespace quillbox::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

class CliSyncTest : public CliTest {
 protected:
  /// The requests since the last call that change the drive: part PUTs,
  /// file creation and completion, folder creation.
  std::vector<std::string> changingRequests() const {
    const HttpAnswer log = http("GET", url() + "/_emulator/requests");
    EXPECT_EQ(http("DELETE", url() + "/_emulator/requests").status, 200);
    std::vector<std::string> found;
    const boost::json::value parsed = boost::json::parse(log.body);
    for (const auto& r : at(parsed, "requests").as_array()) {
      const std::string method = text(r, "method"), path = text(r, "path");
      if (method == "PUT" || path.ends_with("/files/create") || path.ends_with("/files/complete") ||
          path.ends_with("/directory")) {
        found.push_back(method + " " + path);
      }
    }
    return found;
  }

  /// Rewrites a file with other bytes of the same size, a second later.
  static void change(const fs::path& file, std::uint32_t seed) {
    const auto size = static_cast<std::int64_t>(fs::file_size(file));
    const auto when = fs::last_write_time(file) + std::chrono::seconds(1);
    writeRandomFile(file, size, seed);
    fs::last_write_time(file, when);
  }

  const std::vector<std::string> kTree = {"a.txt", "b/c.txt", "b/empty/", "d e/\xc3\xa9t\xc3\xa9.bin", "skip.tmp"};
};

TEST_F(CliSyncTest, AnUnchangedTreeSendsNothingAndAChangedFileIsReplaced) {
  signIn();
  const fs::path tree = dir() / "tree", copy = dir() / "copy";
  makeTree(tree, kTree, 40'000);
  const Outcome first = q({"sync", tree.native(), "/backup/2024", "--exclude", "*.tmp"});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_FALSE(changingRequests().empty());
  auto expected = treeOf(tree);
  expected.erase("skip.tmp");
  const auto pulled = [&] {
    const Outcome down = q({"sync", "drive:/backup/2024", copy.native()});
    EXPECT_EQ(down.status, 0) << down.err;
    return treeOf(copy);
  };
  EXPECT_TRUE(pulled() == expected);

  // The second run compares sizes and hashes only (read afresh here: the
  // cache is gone).
  fs::remove_all(dir() / ".cache");
  changingRequests();
  const Outcome second = q({"sync", tree.native(), "drive:/backup/2024", "--exclude", "*.tmp"});
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_THAT(second.err, HasSubstr("3 unchanged"));
  EXPECT_THAT(changingRequests(), ::testing::IsEmpty());

  // A changed file: --dry-run shows the plan and sends nothing, the real run replaces it.
  change(tree / "a.txt", 77);
  const Outcome dry = q({"sync", tree.native(), "/backup/2024", "--exclude", "*.tmp", "--dry-run"});
  ASSERT_EQ(dry.status, 0) << dry.err;
  EXPECT_THAT(dry.out, HasSubstr("replace  a.txt  content differs"));
  EXPECT_THAT(dry.out, Not(HasSubstr("c.txt")));
  EXPECT_THAT(changingRequests(), ::testing::IsEmpty());
  ASSERT_EQ(q({"sync", tree.native(), "/backup/2024", "--exclude", "*.tmp"}).status, 0);
  EXPECT_EQ(changingRequests().size(), 3u);  // create, one part, complete
  expected["a.txt"] = readFile(tree / "a.txt");
  EXPECT_TRUE(pulled() == expected);

  // The local hashes come from the cache while size and mtime hold: a wrong
  // remembered hash is believed.
  const fs::path cacheFile = dir() / ".cache" / "quillbox" / "hashes.json";
  std::string cache = readFile(cacheFile);
  const std::string sha = text(qj({"stat", "/backup/2024/b/c.txt"}), "sha256");
  const auto entry = cache.find(sha, cache.find((tree / "b" / "c.txt").native()));
  ASSERT_NE(entry, std::string::npos);
  cache.replace(entry, sha.size(), std::string(64, '0'));
  std::ofstream(cacheFile, std::ios::trunc) << cache;
  EXPECT_THAT(q({"sync", tree.native(), "/backup/2024", "--dry-run"}).out, HasSubstr("replace  b/c.txt"));
}

TEST_F(CliSyncTest, FromTheDriveLocalExtrasGoOnlyWithDeleteAndTheDriveIsNeverPruned) {
  signIn();
  const fs::path tree = dir() / "tree", copy = dir() / "copy";
  makeTree(tree, kTree, 3000);
  ASSERT_EQ(q({"sync", tree.native(), "drive:/t"}).status, 0);
  ASSERT_EQ(q({"sync", "drive:/t", copy.native()}).status, 0);
  makeTree(copy, {"extra.txt", "extra/inner.txt", "b/keep.log"}, 10);
  change(copy / "b" / "c.txt", 5);

  expectEnd(q({"sync", "drive:/t", copy.native()}), 0, "--delete removes them");
  EXPECT_TRUE(fs::exists(copy / "extra.txt"));
  EXPECT_TRUE(readFile(copy / "b" / "c.txt") == readFile(tree / "b" / "c.txt"));

  // Excluded files are neither synced nor deleted.
  const Outcome pruned = q({"sync", "drive:/t", copy.native(), "--delete", "--exclude", "*.log"});
  EXPECT_EQ(pruned.status, 0) << pruned.err;
  auto expected = treeOf(tree);
  expected["b/keep.log"] = readFile(copy / "b" / "keep.log");
  EXPECT_TRUE(treeOf(copy) == expected);

  changingRequests();
  for (const auto& args : std::vector<std::vector<std::string>>{{"sync", tree.native(), "drive:/t", "--delete"},
                                                                {"sync", tree.native(), copy.native()}}) {
    const Outcome r = q(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, ::testing::AnyOf(HasSubstr("no delete operation"), HasSubstr("drive:/path")));
  }
  EXPECT_THAT(changingRequests(), ::testing::IsEmpty());
}

}  // namespace
}  // namespace quillbox::e2e
