// The pieces folder transfers and sync stand on: globs, the include/exclude
// filter over a local tree, and the hash cache's rule for trusting a hash.

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "HashCache.hpp"
#include "Tree.hpp"
#include "support/TestFiles.hpp"

namespace quillbox::cli {
namespace {

namespace fs = std::filesystem;

TEST(GlobTest, MatchesAsDocumented) {
  struct Case {
    const char* pattern;
    const char* text;
    bool match;
  };
  for (const auto& c : std::vector<Case>{
           {"*.txt", "a.txt", true},          {"*.txt", "dir/a.txt", false},     {"**/*.txt", "a.txt", true},
           {"**/*.txt", "x/y/a.txt", true},   {"docs/**", "docs/a/b", true},     {"docs/**", "doc/a", false},
           {"a?c", "abc", true},              {"a?c", "a/c", false},             {"a?c", "a\xc3\xa9" "c", true},
           {"[a-c]x", "bx", true},            {"[!a-c]x", "bx", false},          {"[!a-c]x", "dx", true},
           {"[ab", "[ab", true},              {"\\*", "*", true},                {"\\*", "a", false},
           {"*", "", true},                   {"a*b*c", "aXbYbZc", true},        {"a*b*c", "aXbYbZ", false},
       }) {
    EXPECT_EQ(globMatch(c.pattern, c.text), c.match) << c.pattern << " ~ " << c.text;
  }
}

TEST(PathFilterTest, ScanTakesWhatTheFilterTakesAndLeavesOutLinkedFolders) {
  test::TempDir dir;
  const fs::path root = dir.path();
  for (const char* f : {"a.txt", "b.log", "cache/x.txt", "src/cache/y.txt", "src/z.txt", "src/deep/w.txt"}) {
    fs::create_directories((root / f).parent_path());
    std::ofstream(root / f) << f;
  }
  fs::create_directories(root / "empty");
  fs::create_directory_symlink(root / "src", root / "loop");
  struct Case {
    PathFilter filter;
    std::vector<std::string> expected;  // files and folders ("/" at the end)
  };
  for (const auto& c : std::vector<Case>{
           {{}, {"a.txt", "b.log", "cache/", "cache/x.txt", "empty/", "src/", "src/cache/", "src/cache/y.txt",
                 "src/deep/", "src/deep/w.txt", "src/z.txt"}},
           {{{}, {"cache", "*.log"}}, {"a.txt", "empty/", "src/", "src/deep/", "src/deep/w.txt", "src/z.txt"}},
           {{{"*.txt"}, {"src/deep"}}, {"a.txt", "cache/", "cache/x.txt", "empty/", "src/", "src/cache/",
                                        "src/cache/y.txt", "src/z.txt"}},
       }) {
    const LocalTree tree = scanLocal(root, c.filter);
    std::vector<std::string> got;
    for (const auto& e : tree.entries) got.push_back(e.rel + (e.folder ? "/" : ""));
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, c.expected);
    ASSERT_EQ(tree.skipped.size(), 1u);
    EXPECT_EQ(tree.skipped[0], "loop: a symbolic link to a folder is not followed");
  }
}

TEST(HashCacheTest, AHashIsTrustedOnlyForTheSameSizeAndMtimeAndSurvivesARestart) {
  test::TempDir dir;
  const fs::path file = dir.path() / "cache" / "hashes.json";
  const std::string sha(64, 'a'), other(64, 'b');
  {
    HashCache cache(file);
    cache.record("/d/x", 10, 111, sha);
    cache.record("/d/y", 20, 222, other);
    cache.record("/e/z", 30, 333, other);
    cache.record("/d/bad", 1, 1, "not a hash");
    ASSERT_TRUE(cache.save());
  }
  HashCache cache(file);
  EXPECT_EQ(cache.lookup("/d/x", 10, 111), sha);
  EXPECT_EQ(cache.lookup("/d/x", 11, 111), std::nullopt);
  EXPECT_EQ(cache.lookup("/d/x", 10, 112), std::nullopt);
  EXPECT_EQ(cache.lookup("/d/bad", 1, 1), std::nullopt);
  // Pruning drops what this run did not see below the folder, only there.
  cache.pruneBelow("/d");
  ASSERT_TRUE(cache.save());
  HashCache reread(file);
  EXPECT_EQ(reread.lookup("/d/x", 10, 111), sha);
  EXPECT_EQ(reread.lookup("/d/y", 20, 222), std::nullopt);
  EXPECT_EQ(reread.lookup("/e/z", 30, 333), other);

  std::ofstream(file, std::ios::trunc) << "{not json";
  EXPECT_EQ(HashCache(file).lookup("/d/x", 10, 111), std::nullopt);
}

}  // namespace
}  // namespace quillbox::cli
