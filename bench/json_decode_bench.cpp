// Typed decoding of a 1000-entry folder listing (every entry with its whole
// attachment chain) against a raw Boost.JSON parse of the same bytes into an
// arena, in the same run. Prints both throughputs and their ratio.

#include <benchmark/benchmark.h>

#include <boost/json.hpp>

#include <cstdio>
#include <map>
#include <string>

#include "quillbox/request/Json.hpp"
#include "quillbox/services/file/FileServiceRecords.hpp"

namespace {

std::string entry(int i) {
  const std::string id = "f" + std::to_string(100000 + i);
  const std::string sha = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
  std::string url = "https://cdn.example.com/objects/" + id + "?sig=0123456789abcdef&expires=1767225600";
  std::string e;
  e += R"({"id":")" + id + R"(","fileName":"Holiday photo )" + std::to_string(i) +
       R"(.jpg","fileType":"file","mimeType":"image/jpeg","favorite":false,"recycled":false,)";
  e += R"("parentFolder":["root","d12"],"properties":{"origin":"camera","tag":"2026"},)";
  e += R"("owners":[{"category":"user","me":true,"permissionId":"p1","userId":"u42","displayName":"Ada"}],)";
  e += R"("lastEditor":{"category":"user","me":true,"userId":"u42","displayName":"Ada"},"fileSuffix":"jpg",)";
  e += R"("downloadLinks":[{"usage":"content","downloadLink":")" + url + R"(","version":3}],)";
  e += R"("sha256":")" + sha + R"(","userCapabilities":{"addChildNodePermission":false,"copyPermission":true,)";
  e += R"("deletePermission":true,"downloadPermission":true,"editPermission":true,"listChildNodePermission":false,)";
  e += R"("removeChildNodePermission":false,"renameFilePermission":true,"shareFilePermission":true,)";
  e += R"("uploadPermission":false,"viewPermission":true},"idPath":"/root/d12/)" + id + R"(",)";
  e += R"("recycledTime":"","containers":["c1"],"createdTime":"2026-11-01T10:00:00Z","editedTime":"2026-11-02T11:30:00Z",)";
  e += R"("hidden":false,"directlyRecycled":false,"size":)" + std::to_string(1048576 + i * 17) + ",";
  e += R"("attachments":[{"usage":"content","hash":"h)" + std::to_string(i) + R"(","sha256":")" + sha + R"(",)";
  e += R"("asset":{"mimeType":"image/jpeg","resource":{"object":{"id":"o)" + std::to_string(i) +
       R"(","start":0,"downloadUrl":{"url":")" + url + R"(","method":"GET"},)";
  e += R"("images":[{"process":"thumbnail,w_256","downloadUrl":{"url":")" + url +
       R"(&p=t","method":"GET"}}]}}}}],)";
  e += R"("userProperties":{"attributes":{"rating":5,"label":"trip","score":0.75,"tags":["sea","sun"]},)";
  e += R"("properties":{"color":"blue"}}})";
  return e;
}

std::string listing() {
  std::string text = R"({"code":0,"msg":"success","httpCode":200,"category":"drive","nextCursor":"cur-1000",)"
                     R"("searchCompleted":true,"files":[)";
  for (int i = 0; i < 1000; ++i) {
    if (i) text += ',';
    text += entry(i);
  }
  text += "]}";
  return text;
}

const std::string& document() {
  static const std::string text = listing();
  return text;
}

void RawParseIntoArena(benchmark::State& state) {
  const std::string& text = document();
  for (auto _ : state) {
    boost::json::monotonic_resource arena;
    boost::json::value v = boost::json::parse(text, &arena);
    benchmark::DoNotOptimize(v);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(RawParseIntoArena)->Unit(benchmark::kMillisecond);

void TypedDecode(benchmark::State& state) {
  const std::string& text = document();
  for (auto _ : state) {
    auto decoded = quillbox::fromJson<quillbox::FilesListResponse>(text);
    if (!decoded) state.SkipWithError(decoded.error().description().c_str());
    benchmark::DoNotOptimize(decoded);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(TypedDecode)->Unit(benchmark::kMillisecond);

/// Keeps each benchmark's throughput so main() can report the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs) {
      auto it = run.counters.find("bytes_per_second");
      if (it != run.counters.end()) rates[run.benchmark_name()] = it->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double raw = reporter.rates["RawParseIntoArena"];
  const double typed = reporter.rates["TypedDecode"];
  std::printf("\ndocument: %zu bytes, 1000 entries\n", document().size());
  std::printf("raw parse into arena: %.1f MB/s\ntyped decode:         %.1f MB/s\nratio typed/raw:      %.2f\n",
              raw / 1e6, typed / 1e6, raw > 0 ? typed / raw : 0.0);
  benchmark::Shutdown();
  return 0;
}
