// Folders, listings with paging, search, renaming, details, paths and
// folder statistics, through the command and its /path names.

#include <set>

#include <gmock/gmock.h>

#include "CliFixture.hpp"

namespace quillbox::e2e {
namespace {

using ::testing::HasSubstr;

std::vector<std::string> names(const boost::json::value& listing, const char* key = "files") {
  std::vector<std::string> out;
  const auto& files = at(listing, key);
  if (!files.is_array()) return out;
  for (const auto& f : files.as_array()) out.push_back(text(f, "fileName"));
  return out;
}

TEST_F(CliTest, FoldersRenameDetailsPathsAndStatistics) {
  signIn();
  const std::string docs = text(qj({"mkdir", "/docs"}), "id");
  ASSERT_FALSE(docs.empty());
  const auto reports = qj({"mkdir", "reports", "--in", "/docs"});
  const std::string reportsId = text(reports, "id");
  EXPECT_EQ(text(reports, "fileName"), "reports");

  // Name clashes: fail, rename (the default), or use the folder that is there.
  const Outcome clash = q({"mkdir", "/docs/reports", "--on-clash", "fail"});
  EXPECT_EQ(clash.status, 1);
  EXPECT_THAT(clash.err, HasSubstr("[409]"));
  const auto renamed = qj({"mkdir", "/docs/reports"});
  EXPECT_NE(text(renamed, "fileName"), "reports");
  EXPECT_NE(text(renamed, "id"), reportsId);
  EXPECT_EQ(text(qj({"mkdir", "/docs/reports", "--on-clash", "overwrite"}), "id"), reportsId);

  EXPECT_THAT(names(qj({"ls"})), ::testing::ElementsAre("docs"));
  EXPECT_THAT(names(qj({"ls", "/docs"})), ::testing::UnorderedElementsAre("reports", text(renamed, "fileName")));
  EXPECT_THAT(names(qj({"ls", docs})), ::testing::UnorderedElementsAre("reports", text(renamed, "fileName")));

  // Renaming, by /path and by id.
  const auto r = qj({"rename", "/docs/reports", "annual"});
  EXPECT_EQ(text(r, "fileId"), reportsId);
  EXPECT_EQ(text(qj({"stat", reportsId}), "fileName"), "annual");
  const Outcome taken = q({"rename", reportsId, text(renamed, "fileName"), "--on-clash", "fail"});
  EXPECT_EQ(taken.status, 1);
  EXPECT_THAT(taken.err, HasSubstr("[409]"));

  const auto detail = qj({"stat", "/docs"});
  EXPECT_EQ(text(detail, "id"), docs);
  EXPECT_EQ(text(detail, "fileName"), "docs");
  const auto path = qj({"path", "/docs/annual"});
  EXPECT_EQ(text(path, "namePath"), "/docs/annual");
  EXPECT_THAT(text(path, "fileIdPath"), HasSubstr("/" + docs + "/" + reportsId));
  const auto stats = qj({"du", "/docs"});
  EXPECT_EQ(text(stats, "data.subDirCount"), "2");
  EXPECT_EQ(text(stats, "data.subFileCount"), "0");

  const Outcome table = q({"ls", "/docs"});
  ASSERT_EQ(table.status, 0) << table.err;
  EXPECT_THAT(table.out, HasSubstr("annual/"));
  EXPECT_THAT(table.out, HasSubstr(reportsId));

  const Outcome missing = q({"ls", "/docs/nothing-here"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_THAT(missing.err, HasSubstr("no such file or folder: /docs/nothing-here"));
  const Outcome unknownId = q({"stat", "f-unknown"});
  EXPECT_EQ(unknownId.status, 1);
  EXPECT_THAT(unknownId.err, HasSubstr("[404]"));
}

TEST_F(CliTest, ListingPagesAndSearch) {
  signIn();
  ASSERT_FALSE(text(qj({"mkdir", "/many"}), "id").empty());
  for (const char* n : {"p1", "p2", "p3", "p4", "p5"}) qj({"mkdir", n, "--in", "/many"});
  qj({"mkdir", "/many/p3/deep-p6"});

  const auto first = qj({"ls", "/many", "--page-size", "2"});
  EXPECT_THAT(names(first), ::testing::ElementsAre("p1", "p2"));
  const std::string cursor = text(first, "nextCursor");
  ASSERT_FALSE(cursor.empty());
  const auto second = qj({"ls", "/many", "--page-size", "2", "--cursor", cursor});
  EXPECT_THAT(names(second), ::testing::ElementsAre("p3", "p4"));
  const auto all = qj({"ls", "/many", "--page-size", "2", "--all"});
  EXPECT_THAT(names(all), ::testing::ElementsAre("p1", "p2", "p3", "p4", "p5"));
  EXPECT_TRUE(at(all, "nextCursor").is_null());
  const auto backwards = qj({"ls", "/many", "--desc", "--all"});
  EXPECT_THAT(names(backwards), ::testing::ElementsAre("p5", "p4", "p3", "p2", "p1"));
  const Outcome table = q({"ls", "/many", "--page-size", "2"});
  EXPECT_THAT(table.out, HasSubstr("--cursor " + cursor));

  const auto everywhere = qj({"search", "p", "--all", "--page-size", "2"});
  EXPECT_EQ(at(everywhere, "total").as_int64(), 6);
  EXPECT_EQ(names(everywhere).size(), 6u);
  const auto shallow = names(qj({"search", "p", "--in", "/many", "--shallow"}));
  EXPECT_EQ(std::set<std::string>(shallow.begin(), shallow.end()),
            (std::set<std::string>{"p1", "p2", "p3", "p4", "p5"}));
  const auto deep = qj({"search", "deep"});
  ASSERT_EQ(names(deep).size(), 1u);
  EXPECT_EQ(text(deep, "files.0.namePath"), "/many/p3/deep-p6");
  EXPECT_EQ(at(qj({"search", "no-such-name"}), "total").as_int64(), 0);
}

}  // namespace
}  // namespace quillbox::e2e
