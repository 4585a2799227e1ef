// Share links (create, list, show, change, cancel, and the files behind a
// link as a visitor sees them) and starred files.

#include "Codes.hpp"
#include "Commands.hpp"
#include "Output.hpp"
#include "Profile.hpp"
#include "Terminal.hpp"

namespace quillbox::cli {

namespace {

constexpr const char* kShareArgHelp = "The share's id, its short code or its link";

// The server's keys in messages, and the options the user typed.
const std::initializer_list<std::pair<std::string_view, std::string_view>> kShareKeys = {
    {"expireTime", "--expire"}, {"validDays", "--days"}, {"extractCode", "--code"}, {"fileIds", "FILE"}};
const std::initializer_list<std::pair<std::string_view, std::string_view>> kVisitorKeys = {
    {"qbstoken", "--code"}, {"shortUrl", "LINK"}};

std::string yesNo(const std::optional<bool>& v) { return v ? (*v ? "yes" : "no") : "-"; }

std::string permissionText(const std::optional<SharePermission>& p) {
  if (!p) return "-";
  std::string out;
  auto add = [&](const char* name, const std::optional<bool>& flag) {
    if (!flag.value_or(false)) return;
    if (!out.empty()) out += ", ";
    out += name;
  };
  add("preview", p->preview);
  add("download", p->download);
  add("edit", p->edit);
  return out.empty() ? "none" : out;
}

std::string levelText(const std::optional<CommonShareLink::SharePermission>& level) {
  if (!level) return "-";
  switch (*level) {
    case CommonShareLink::SharePermission::read:
      return "READ";
    case CommonShareLink::SharePermission::write:
      return "WRITE";
    case CommonShareLink::SharePermission::admin:
      return "ADMIN";
  }
  return "-";
}

std::optional<std::vector<std::string>> listOrAbsent(const std::vector<std::string>& v) {
  if (v.empty()) return std::nullopt;
  return v;
}

// Summary of per-item failures, or empty when everything went through;
// `status` is the exit status they share (1 when they differ).
template <class Items, class Code, class Id, class Message>
std::string failuresOf(const Items& items, Code code, Id id, Message message, std::size_t& failed, int& status) {
  std::string text;
  failed = 0;
  for (const auto& item : items) {
    const std::string c = code(item);
    if (c == "0") continue;
    const int itemStatus = exitCodeForItemCode(c);
    status = failed == 0 || status == itemStatus ? itemStatus : kExitFailure;
    ++failed;
    if (!text.empty()) text += "; ";
    text += id(item) + " [" + c + "] " + message(item);
  }
  return text;
}

void addShareCreate(CLI::App* share, Client& client, Action& action) {
  struct Opts {
    std::vector<std::string> files, users, depts, groups;
    std::optional<std::int64_t> days;
    std::optional<std::string> expire, code, comment;
    std::int64_t scope = 0;
    bool noDownload = false, edit = false;
  };
  auto o = std::make_shared<Opts>();
  CLI::App* cmd = share->add_subcommand("create", "Share files through a new link");
  cmd->add_option("FILE", o->files, "File or folder ids or /paths")->required();
  auto* days =
      cmd->add_option("--days", o->days, "Days the link stays valid (0: no end)")->check(CLI::NonNegativeNumber);
  cmd->add_option("--expire", o->expire, "End of validity, e.g. 2030-01-31T23:59:59Z")->excludes(days);
  cmd->add_option("--code", o->code,
                  std::string("Extract code visitors must give (default: the server picks one)") + kShareCodeHelp);
  cmd->add_option("--comment", o->comment, "A note shown with the link");
  cmd->add_flag("--no-download", o->noDownload, "Visitors may look but not download");
  cmd->add_flag("--edit", o->edit, "Visitors may change the files");
  cmd->add_option("--scope", o->scope, "Who may open the link, as the server numbers it")->capture_default_str();
  cmd->add_option("--user", o->users, "Share with these users");
  cmd->add_option("--dept", o->depts, "Share with these departments");
  cmd->add_option("--group", o->groups, "Share with these groups");
  cmd->callback([&client, &action, o] {
    action = [&client, o] {
      std::vector<std::string> ids;
      for (const auto& f : o->files) ids.push_back(client.resolve(f).id);
      CreateShareBean bean;
      bean.scope = o->scope;
      bean.fileIds = ids;
      bean.userIds = listOrAbsent(o->users);
      bean.deptIds = listOrAbsent(o->depts);
      bean.groupIds = listOrAbsent(o->groups);
      bean.permission = SharePermission(true, o->edit, !o->noDownload);
      bean.extractCode = readSecret(o->code, "QUILLBOX_SHARE_CODE", std::cin);
      bean.expireTime = o->expire;
      bean.comment = o->comment;
      bean.validDays = o->days;
      const auto resp = namingOptions(kShareKeys, [&] {
        return client.call(client.cloud().getShareImpl(), &IShare::createShare, bean, "share create");
      });
      if (client.json()) {
        printJson(client.out(), toJson(resp));
        return kExitOk;
      }
      const ShareLink l = resp.shareLink.value_or(ShareLink{});
      printFields(client.out(), {{"Link", l.linkUrl},
                                 {"Short code", l.shortUrl},
                                 {"Extract code", l.extractCode},
                                 {"Share id", l.shareId},
                                 {"Expires", client.time(l.expireTime)},
                                 {"Comment", l.comment}});
      return kExitOk;
    };
  });
}

void addShareLs(CLI::App* share, Client& client, Action& action) {
  struct Opts {
    std::optional<std::string> name, cursor, sort;
    std::int64_t pageSize = 20;
    bool all = false, desc = false;
  };
  auto o = std::make_shared<Opts>();
  CLI::App* cmd = share->add_subcommand("ls", "List your share links");
  cmd->add_option("--name", o->name, "Only links whose name contains this");
  cmd->add_option("--page-size", o->pageSize, "Links per page")->check(CLI::Range(1, 1000))->capture_default_str();
  cmd->add_option("--cursor", o->cursor, "Start at this page");
  cmd->add_flag("--all", o->all, "Follow the pages to the end");
  cmd->add_option("--sort", o->sort, "Order: time or name")->check(CLI::IsMember({"time", "name"}));
  cmd->add_flag("--desc", o->desc, "Descending order");
  cmd->callback([&client, &action, o] {
    action = [&client, o] {
      const GetShareResponse merged = collectPages(
          o->all, o->cursor,
          [&](const std::optional<std::string>& cursor) {
            std::optional<std::int64_t> sortType;
            if (o->sort) sortType = *o->sort == "name" ? 2 : 1;
            const GetShareBean bean(o->pageSize, cursor, sortType,
                                    o->sort || o->desc ? std::optional<std::int64_t>(o->desc ? 2 : 1) : std::nullopt,
                                    o->name, std::nullopt);
            return client.call(client.cloud().getShareImpl(), &IShare::getShares, bean, "share ls");
          },
          &GetShareResponse::shareLinks, &GetShareResponse::nextCursor);
      const std::vector<ShareByMeLink>& links = *merged.shareLinks;
      if (client.json()) {
        printJson(client.out(), toJson(merged));
        return kExitOk;
      }
      Table t{{"SHARE ID", "NAME", "LINK", "STATUS", "EXPIRES", "VIEWS", "DOWNLOADS"},
              {},
              {false, false, false, false, false, true, true}};
      for (const auto& l : links) {
        t.add({orDash(l.shareId), orDash(l.displayName), orDash(l.linkUrl), nameOf(kShareStatuses, l.status),
               client.time(orDash(l.expireTime)), orDash(l.viewCnt), orDash(l.downloadCnt)});
      }
      printTable(client.out(), t);
      printNextPage(client, merged.nextCursor);
      return kExitOk;
    };
  });
}

void addShareShow(CLI::App* share, Client& client, Action& action) {
  auto id = std::make_shared<std::string>();
  CLI::App* cmd = share->add_subcommand("show", "Show one of your share links");
  cmd->add_option("SHARE", *id, kShareArgHelp)->required();
  cmd->callback([&client, &action, id] {
    action = [&client, id] {
      const auto resp = client.call(client.cloud().getShareImpl(), &IShare::getShareDetail,
                                    GetShareDetailBean(client.shareIdOf(*id)), "share show");
      if (client.json()) {
        printJson(client.out(), toJson(resp));
        return kExitOk;
      }
      const ShareByMeLinkDetail l = resp.shareLink.value_or(ShareByMeLinkDetail{});
      std::string with;
      for (const auto& u : l.users.value_or(std::vector<BaseUserInfo>{})) {
        if (!with.empty()) with += ", ";
        with += u.name.value_or(u.id.value_or("?"));
      }
      printFields(client.out(), {{"Share id", l.shareId},
                                 {"Name", l.displayName},
                                 {"Link", l.linkUrl},
                                 {"Short code", l.shortUrl},
                                 {"Extract code", l.extractCode},
                                 {"Permission", permissionText(l.permission)},
                                 {"Shared", client.time(l.shareTime)},
                                 {"Expires", client.time(l.expireTime)},
                                 {"Status", l.status ? std::optional(nameOf(kShareStatuses, l.status)) : std::nullopt},
                                 {"Comment", l.comment},
                                 {"Users", with.empty() ? std::nullopt : std::optional(with)}});
      return kExitOk;
    };
  });
}

void addShareModify(CLI::App* share, Client& client, Action& action) {
  struct Opts {
    std::string id;
    std::vector<std::string> users, depts, groups;
    std::optional<std::int64_t> days;
    std::optional<std::string> expire, code, comment;
    bool download = false, noDownload = false, edit = false, noEdit = false;
  };
  auto o = std::make_shared<Opts>();
  CLI::App* cmd = share->add_subcommand("modify", "Change one of your share links");
  cmd->add_option("SHARE", o->id, kShareArgHelp)->required();
  auto* days = cmd->add_option("--days", o->days, "Valid for this many days from now (0: no end)")
                   ->check(CLI::NonNegativeNumber);
  cmd->add_option("--expire", o->expire, "End of validity (empty: no end)")->excludes(days);
  cmd->add_option("--code", o->code, std::string("New extract code") + kShareCodeHelp);
  cmd->add_option("--comment", o->comment, "New note");
  auto* dl = cmd->add_flag("--download", o->download, "Allow downloads");
  cmd->add_flag("--no-download", o->noDownload, "Forbid downloads")->excludes(dl);
  auto* ed = cmd->add_flag("--edit", o->edit, "Allow changes");
  cmd->add_flag("--no-edit", o->noEdit, "Forbid changes")->excludes(ed);
  cmd->add_option("--user", o->users, "Share with exactly these users");
  cmd->add_option("--dept", o->depts, "Share with exactly these departments");
  cmd->add_option("--group", o->groups, "Share with exactly these groups");
  cmd->callback([&client, &action, o] {
    action = [&client, o] {
      const std::string shareId = client.shareIdOf(o->id);
      ModifyShareDetailBean bean;
      bean.shareId = shareId;
      bean.validDays = o->days;
      bean.expireTime = o->expire;
      bean.extractCode = readSecret(o->code, "QUILLBOX_SHARE_CODE", std::cin);
      bean.comment = o->comment;
      bean.userIds = listOrAbsent(o->users);
      bean.deptIds = listOrAbsent(o->depts);
      bean.groupIds = listOrAbsent(o->groups);
      if (o->download || o->noDownload || o->edit || o->noEdit) {
        // The permission travels whole: start from the link's current one.
        const auto current = client.call(client.cloud().getShareImpl(), &IShare::getShareDetail,
                                         GetShareDetailBean(shareId), "share modify");
        SharePermission p = current.shareLink && current.shareLink->permission ? *current.shareLink->permission
                                                                               : SharePermission(true, false, true);
        if (o->download) p.download = true;
        if (o->noDownload) p.download = false;
        if (o->edit) p.edit = true;
        if (o->noEdit) p.edit = false;
        bean.permission = p;
      }
      const auto resp = namingOptions(kShareKeys, [&] {
        return client.call(client.cloud().getShareImpl(), &IShare::modifyShareDetail, bean, "share modify");
      });
      if (client.json()) {
        printJson(client.out(), toJson(resp));
        return kExitOk;
      }
      const ShareLinkModify l = resp.shareLink.value_or(ShareLinkModify{});
      printFields(client.out(), {{"Share id", l.shareId},
                                 {"Link", l.linkUrl},
                                 {"Extract code", l.extractCode},
                                 {"Expires", client.time(l.expireTime)},
                                 {"Comment", l.comment},
                                 {"Updated", client.time(l.updateTime)}});
      return kExitOk;
    };
  });
}

void addShareCancel(CLI::App* share, Client& client, Action& action) {
  auto ids = std::make_shared<std::vector<std::string>>();
  CLI::App* cmd = share->add_subcommand("cancel", "Cancel share links");
  cmd->add_option("SHARE", *ids, "Share ids, short codes or links")->required();
  cmd->callback([&client, &action, ids] {
    action = [&client, ids] {
      std::vector<std::string> shareIds;
      for (const auto& s : *ids) shareIds.push_back(client.shareIdOf(s));
      const auto resp = client.call(client.cloud().getShareImpl(), &IShare::cancelShare, CancelShareBean(shareIds),
                                    "share cancel");
      const auto results = resp.subResponseList.value_or(std::vector<ShareSubResponse>{});
      std::size_t failed = 0;
      int status = kExitFailure;
      const std::string failures = failuresOf(
          results, [](const ShareSubResponse& r) { return std::to_string(r.code.value_or(0)); },
          [](const ShareSubResponse& r) { return orDash(r.shareId); },
          [](const ShareSubResponse& r) { return r.msg.value_or(""); }, failed, status);
      if (client.json()) {
        printJson(client.out(), toJson(resp));
      } else {
        for (const auto& r : results) {
          if (r.code.value_or(0) == 0 && !client.quiet()) {
            client.out() << "Cancelled " << forTerminal(orDash(r.shareId)) << "\n";
          }
        }
      }
      if (failed > 0) {
        throw CliError("share cancel: " + std::to_string(failed) + " of " + std::to_string(results.size()) +
                       " links not cancelled: " + failures,
                       status);
      }
      return kExitOk;
    };
  });
}

void addShareFiles(CLI::App* share, Client& client, Action& action) {
  struct Opts {
    std::string link;
    std::optional<std::string> code, folder, name, cursor;
    std::int64_t pageSize = 100;
    bool all = false, count = false;
  };
  auto o = std::make_shared<Opts>();
  CLI::App* cmd = share->add_subcommand("files", "List the files behind a link, as a visitor sees them");
  cmd->add_option("LINK", o->link, "The link, or its short code")->required();
  cmd->add_option("--code", o->code, std::string("The link's extract code") + kShareCodeHelp);
  cmd->add_option("--folder", o->folder, "A shared folder's id, to list inside it");
  cmd->add_option("--name", o->name, "Only files whose name contains this");
  cmd->add_option("--page-size", o->pageSize, "Files per page")->check(CLI::Range(1, 1000))->capture_default_str();
  cmd->add_option("--cursor", o->cursor, "Start at this page");
  cmd->add_flag("--all", o->all, "Follow the pages to the end");
  cmd->add_flag("--count-view", o->count, "Count this as a visit");
  cmd->callback([&client, &action, o] {
    action = [&client, o] {
      const std::optional<std::string> code = readSecret(o->code, "QUILLBOX_SHARE_CODE", std::cin);
      const GetShareFilesResponse merged = collectPages(
          o->all, o->cursor,
          [&](const std::optional<std::string>& cursor) {
            GetShareFilesBean bean;
            bean.shortUrl = shortCodeOf(o->link);
            bean.parentFolder = o->folder;
            bean.pageSize = o->pageSize;
            bean.pageCursor = cursor;
            bean.qbstoken = code;
            bean.refreshCount = o->count;
            bean.fileName = o->name;
            return namingOptions(kVisitorKeys, [&] {
              return client.call(client.visitorCloud(o->link).getShareImpl(), &IShare::getShareFiles, bean,
                                 "share files");
            });
          },
          &GetShareFilesResponse::files, &GetShareFilesResponse::nextCursor);
      const std::vector<ShareFile>& files = *merged.files;
      if (client.json()) {
        printJson(client.out(), toJson(merged));
        return kExitOk;
      }
      if (merged.link) {
        const CommonShareLink& l = *merged.link;
        client.out() << "Shared by " << forTerminal(orDash(l.ownerName)) << ", access " << levelText(l.permission);
        if (l.expireTime) client.out() << ", expires " << forTerminal(client.time(*l.expireTime));
        client.out() << "\n";
      }
      Table t{{"NAME", "SIZE", "DOWNLOAD", "ID"}, {}, {false, true}};
      for (const auto& f : files) {
        const bool folder = isFolder(f.fileType, std::nullopt);
        const bool link = f.downloadLinks && !f.downloadLinks->empty();
        t.add({orDash(f.fileName) + (folder ? "/" : ""), folder || !f.size ? "-" : humanSize(*f.size),
               folder ? "-" : yesNo(link), orDash(f.id)});
      }
      printTable(client.out(), t);
      printNextPage(client, merged.nextCursor);
      return kExitOk;
    };
  });
}

void addStar(CLI::App& app, Client& client, Action& action) {
  CLI::App* star = app.add_subcommand("star", "Starred files");
  star->require_subcommand(1);

  for (const bool on : {true, false}) {
    auto targets = std::make_shared<std::vector<std::string>>();
    CLI::App* cmd = star->add_subcommand(on ? "add" : "rm", on ? "Star files" : "Unstar files");
    cmd->add_option("FILE", *targets, "File or folder ids or /paths")->required();
    cmd->callback([&client, &action, targets, on] {
      action = [&client, targets, on] {
        std::vector<StarFileRequest> items;
        for (const auto& t : *targets) items.emplace_back(client.resolve(t).id, std::nullopt);
        const char* what = on ? "star add" : "star rm";
        const auto resp =
            client.call(client.cloud().getFavorImpl(), &IFavor::getStarBatch, GetStarBatchBean(on, items), what);
        const auto results = resp.subResponseList.value_or(std::vector<SubResponse>{});
        std::size_t failed = 0;
        int status = kExitFailure;
        const std::string failures = failuresOf(
            results, [](const SubResponse& r) { return r.code.value_or("0"); },
            [](const SubResponse& r) { return orDash(r.fileId); },
            [](const SubResponse& r) { return r.message.value_or(""); }, failed, status);
        if (client.json()) {
          printJson(client.out(), toJson(resp));
        } else {
          for (const auto& r : results) {
            if (r.code.value_or("0") == "0" && !client.quiet())
              client.out() << (on ? "Starred " : "Unstarred ") << forTerminal(orDash(r.fileId)) << "\n";
          }
        }
        if (failed > 0 || resp.status == GetStarBatchResponse::BatchStatus::allFailed) {
          throw CliError(std::string(what) + ": " + std::to_string(failed) + " of " + std::to_string(results.size()) +
                         " files failed: " + failures,
                         status);
        }
        return kExitOk;
      };
    });
  }

  struct Opts {
    std::optional<std::string> cursor, sort;
    std::int64_t pageSize = 100;
    bool all = false, desc = false;
  };
  auto o = std::make_shared<Opts>();
  CLI::App* ls = star->add_subcommand("ls", "List starred files");
  ls->add_option("--page-size", o->pageSize, "Files per page")->check(CLI::Range(1, 1000))->capture_default_str();
  ls->add_option("--cursor", o->cursor, "Start at this page");
  ls->add_flag("--all", o->all, "Follow the pages to the end");
  ls->add_option("--sort", o->sort, "Order: time (starred), name or size")
      ->check(CLI::IsMember({"time", "name", "size"}));
  ls->add_flag("--desc", o->desc, "Descending order");
  ls->callback([&client, &action, o] {
    action = [&client, o] {
      const GetStarFilesResponse merged = collectPages(
          o->all, o->cursor,
          [&](const std::optional<std::string>& cursor) {
            GetStarFilesBean bean;
            bean.pageSize = o->pageSize;
            bean.pageCursor = cursor;
            if (o->sort) bean.sortType = *o->sort == "name" ? 2 : *o->sort == "size" ? 3 : 1;
            if (o->sort || o->desc) bean.sortDirection = o->desc ? 2 : 1;
            return client.call(client.cloud().getFavorImpl(), &IFavor::getStarFiles, bean, "star ls");
          },
          &GetStarFilesResponse::starFileList, &GetStarFilesResponse::nextCursor);
      const std::vector<StarFileInfo>& list = *merged.starFileList;
      if (client.json()) {
        printJson(client.out(), toJson(merged));
        return kExitOk;
      }
      Table t{{"NAME", "SIZE", "STARRED", "ID"}, {}, {false, true}};
      for (const auto& f : list) {
        const bool folder = isFolder(f.fileType, f.mimeType);
        t.add({orDash(f.fileName) + (folder ? "/" : ""), folder || !f.size ? "-" : humanSize(*f.size),
               client.time(orDash(f.starredTime)), orDash(f.id)});
      }
      printTable(client.out(), t);
      printNextPage(client, merged.nextCursor);
      return kExitOk;
    };
  });
}

}  // namespace

void addShareCommands(CLI::App& app, Client& client, Action& action) {
  CLI::App* share = app.add_subcommand("share", "Share links");
  share->require_subcommand(1);
  addShareCreate(share, client, action);
  addShareLs(share, client, action);
  addShareShow(share, client, action);
  addShareModify(share, client, action);
  addShareCancel(share, client, action);
  addShareFiles(share, client, action);
  addStar(app, client, action);
}

}  // namespace quillbox::cli
