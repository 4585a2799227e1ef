// Background jobs: list, start (copy or move files), show and cancel.

#include "Codes.hpp"
#include "Commands.hpp"
#include "Output.hpp"
#include "Terminal.hpp"

namespace quillbox::cli {

namespace {

void addJobsLs(CLI::App* jobs, Client& client, Action& action) {
  struct Opts {
    std::int64_t type = -1, status = -1, offset = 0, limit = 100;
  };
  auto o = std::make_shared<Opts>();
  CLI::App* cmd = jobs->add_subcommand("ls", "List your jobs, newest first");
  cmd->add_option("--type", o->type, "Only jobs of this type: " + acceptedNames(kJobTypes) + "; -1: all")
      ->transform(codeOf(kJobTypes, "job type"))
      ->capture_default_str();
  cmd->add_option("--status", o->status, "Only jobs in this status: " + acceptedNames(kJobStatuses) + "; -1: all")
      ->transform(codeOf(kJobStatuses, "job status"))
      ->capture_default_str();
  cmd->add_option("--offset", o->offset, "Jobs to skip")->check(CLI::NonNegativeNumber);
  cmd->add_option("--limit", o->limit, "Jobs to show")->check(CLI::NonNegativeNumber)->capture_default_str();
  cmd->callback([&client, &action, o] {
    action = [&client, o] {
      GetJobsBean bean;
      bean.type = o->type;
      bean.status = o->status;
      bean.offset = o->offset;
      bean.limit = o->limit;
      const auto resp = client.call(client.cloud().getJobImpl(), &IJob::getJobs, bean, "jobs ls");
      if (client.json()) {
        printJson(client.out(), toJson(resp));
        return kExitOk;
      }
      Table t{{"JOB ID", "TYPE", "STATUS", "RESULT", "ITEMS", "CREATED", "ENDED"}, {}, {false, true, true, true, true}};
      for (const auto& j : resp.data.value_or(std::vector<JobInfo>{})) {
        t.add({orDash(j.taskId), nameOf(kJobTypes, j.taskType), nameOf(kJobStatuses, j.status), orDash(j.resultCode),
               orDash(j.contentNum),
               client.time(orDash(j.createTime)), client.time(orDash(j.endTime))});
      }
      printTable(client.out(), t);
      return kExitOk;
    };
  });
}

void addJobsCreate(CLI::App* jobs, Client& client, Action& action) {
  struct Opts {
    std::string kind;
    std::vector<std::string> files;
    std::string to;
    std::string onClash = "rename";
  };
  auto o = std::make_shared<Opts>();
  CLI::App* cmd = jobs->add_subcommand("create", "Start a job that copies or moves files into a folder");
  cmd->add_option("KIND", o->kind, "copy or move")->required()->check(CLI::IsMember({"copy", "move"}));
  cmd->add_option("FILE", o->files, "File or folder ids or /paths")->required();
  cmd->add_option("--to", o->to, "Destination folder (id or /path)")->required();
  cmd->add_option("--on-clash", o->onClash, "When a name is taken: rename, fail or overwrite")
      ->check(CLI::IsMember({"rename", "fail", "overwrite"}))
      ->capture_default_str();
  cmd->callback([&client, &action, o] {
    action = [&client, o] {
      std::vector<FileInfo> infos;
      for (const auto& f : o->files) infos.emplace_back(client.resolve(f).id, std::nullopt);
      CreateJobBean bean;
      bean.taskType = o->kind == "copy" ? kJobTypes[0].code : kJobTypes[1].code;
      bean.actionType = clashCode(o->onClash);
      bean.taskInfo = CreateTaskInfoReq(infos, client.resolveFolder(o->to), std::nullopt, std::nullopt);
      const auto resp = client.call(client.cloud().getJobImpl(), &IJob::createJobs, bean, "jobs create");
      if (client.json()) {
        printJson(client.out(), toJson(resp));
        return kExitOk;
      }
      client.out() << "Started job " << forTerminal(orDash(resp.data)) << "\n";
      return kExitOk;
    };
  });
}

void addJobsShow(CLI::App* jobs, Client& client, Action& action) {
  auto id = std::make_shared<std::string>();
  CLI::App* cmd = jobs->add_subcommand("show", "Show a job and what it did with each file");
  cmd->add_option("JOB_ID", *id, "Job id")->required();
  cmd->callback([&client, &action, id] {
    action = [&client, id] {
      GetJobDetailByIdBean bean;
      bean.jobId = *id;
      const auto resp = client.call(client.cloud().getJobImpl(), &IJob::getJobDetailById, bean, "jobs show");
      if (client.json()) {
        printJson(client.out(), toJson(resp));
        return kExitOk;
      }
      const JobDetailData d = resp.data.value_or(JobDetailData{});
      const JobDetailInfo j = d.jobInfo.value_or(JobDetailInfo{});
      auto num = [](const std::optional<std::int64_t>& v) {
        return v ? std::optional(std::to_string(*v)) : std::nullopt;
      };
      printFields(client.out(),
                  {{"Job id", j.taskId},
                   {"Name", j.taskName},
                   {"Type", j.taskType ? std::optional(nameOf(kJobTypes, j.taskType)) : std::nullopt},
                   {"Status", j.status ? std::optional(nameOf(kJobStatuses, j.status)) : std::nullopt},
                   {"Progress", j.progress ? std::optional(std::to_string(*j.progress) + "%") : std::nullopt},
                   {"Result", num(j.resultCode)},
                   {"Created", client.time(j.createTime)},
                   {"Ended", client.time(j.endTime)},
                   {"Output", j.downloadUrl}});
      const auto tasks = d.taskInfos.value_or(std::vector<TaskInfo>{});
      if (!tasks.empty()) {
        client.out() << "\n";
        Table t{{"FILE", "STATUS", "RESULT", "NEW PATH", "NEW ID"}, {}, {}};
        for (const auto& task : tasks) {
          std::string result = orDash(task.resultCode);
          if (task.resultDesc) result += " " + *task.resultDesc;
          t.add({orDash(task.filePath), nameOf(kJobStatuses, task.status), result, orDash(task.newFilePath),
                 orDash(task.newFileId)});
        }
        printTable(client.out(), t);
      }
      return kExitOk;
    };
  });
}

void addJobsCancel(CLI::App* jobs, Client& client, Action& action) {
  auto id = std::make_shared<std::string>();
  CLI::App* cmd = jobs->add_subcommand("cancel", "Cancel a job");
  cmd->add_option("JOB_ID", *id, "Job id")->required();
  cmd->callback([&client, &action, id] {
    action = [&client, id] {
      CancelJobsBean bean;
      bean.jobId = *id;
      const auto resp = client.call(client.cloud().getJobImpl(), &IJob::cancelJobs, bean, "jobs cancel");
      if (client.json()) {
        printJson(client.out(), toJson(resp));
        return kExitOk;
      }
      client.out() << "Cancelled job " << forTerminal(resp.data.value_or(*id)) << "\n";
      return kExitOk;
    };
  });
}

}  // namespace

void addJobCommands(CLI::App& app, Client& client, Action& action) {
  CLI::App* jobs = app.add_subcommand("jobs", "Background jobs");
  jobs->require_subcommand(1);
  addJobsLs(jobs, client, action);
  addJobsCreate(jobs, client, action);
  addJobsShow(jobs, client, action);
  addJobsCancel(jobs, client, action);
}

}  // namespace quillbox::cli
