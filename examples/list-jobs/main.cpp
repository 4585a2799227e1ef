// Lists the caller's background jobs:  list-jobs HOST TOKEN
#include <quillbox/quillbox.hpp>

#include <cstdio>
#include <future>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s HOST TOKEN\n", argv[0]);
    return 2;
  }
  quillbox::setLogSink({});  // quiet: print only the answer
  auto& cloud = quillbox::CloudInstance::shared();
  cloud.setHost(argv[1]);
  cloud.setToken(argv[2]);

  std::promise<int> done;
  quillbox::GetJobsBean query;
  query.limit = 20;
  cloud.getJobImpl().getJobs(query, [&](quillbox::NetworkResult<quillbox::GetJobsResponse> result) {
    if (!result.isSuccess()) {
      std::fprintf(stderr, "error %lld: %s\n", static_cast<long long>(result.code()), result.message().c_str());
      done.set_value(1);
      return;
    }
    for (const auto& job : result.value().data.value_or(std::vector<quillbox::JobInfo>{})) {
      std::printf("%s\tstatus %lld\n", job.taskId.value_or("?").c_str(), static_cast<long long>(job.status.value_or(-1)));
    }
    done.set_value(0);
  });
  return done.get_future().get();
}
