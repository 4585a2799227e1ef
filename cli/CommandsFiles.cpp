// Browsing and organising: listings, search, details, folder statistics,
// paths, new folders, renaming, download links and recent files.

#include <boost/json/object.hpp>

#include "Commands.hpp"
#include "Output.hpp"
#include "Terminal.hpp"

namespace quillbox::cli {

namespace {

// Sort orders of listings and searches, as the server numbers them.
std::int64_t sortCode(const std::string& by) {
  if (by == "time") return 1;
  if (by == "size") return 3;
  return 2;  // name
}

const std::vector<std::string> kSortNames = {"name", "time", "size"};
const std::vector<std::string> kClashNames = {"rename", "fail", "overwrite"};

std::string sizeText(const std::optional<std::int64_t>& size, bool folder) {
  return folder || !size ? std::string("-") : humanSize(*size);
}

std::string entryName(const std::optional<std::string>& name, bool folder) {
  return orDash(name) + (folder ? "/" : "");
}

// Pages of a listing or search: one page from `cursor`, or all of them.
struct Paging {
  std::int64_t pageSize = 100;
  std::optional<std::string> cursor;
  bool all = false;

  void declare(CLI::App* cmd) {
    cmd->add_option("--page-size", pageSize, "Entries per page")->check(CLI::Range(1, 1000))->capture_default_str();
    cmd->add_option("--cursor", cursor, "Start at this page (the cursor a previous page printed)");
    cmd->add_flag("--all", all, "Follow the pages to the end");
  }
};

void addLs(CLI::App& app, Client& client, Action& action) {
  struct Opts {
    std::optional<std::string> folder, fileType;
    Paging paging;
    std::string sort = "name";
    bool desc = false, recursive = false, hidden = false;
  };
  auto o = std::make_shared<Opts>();
  CLI::App* cmd = app.add_subcommand("ls", "List a folder (an id or a /path; default: your root folder)");
  cmd->add_option("FOLDER", o->folder, "Folder id or /path");
  o->paging.declare(cmd);
  cmd->add_option("--sort", o->sort, "Order: name, time or size")
      ->check(CLI::IsMember(kSortNames))
      ->capture_default_str();
  cmd->add_flag("--desc", o->desc, "Descending order");
  cmd->add_flag("--recursive,-r", o->recursive, "Every file below the folder, without the folders");
  cmd->add_option("--file-type", o->fileType, "Only files of this type code");
  cmd->add_flag("--hidden", o->hidden, "Include hidden entries");
  cmd->callback([&client, &action, o] {
    action = [&client, o] {
      const std::string folderId = client.resolveFolder(o->folder);
      const FilesListResponse merged = collectPages(
          o->paging.all, o->paging.cursor,
          [&](const std::optional<std::string>& cursor) {
            FilesListBean bean;
            bean.type = o->recursive ? "all" : "list";
            bean.parentFileId = folderId;
            bean.pageInfo = PageInfo(o->paging.pageSize, cursor);
            FileSortInfo sort;
            sort.sortType = sortCode(o->sort);
            sort.sortDirection = o->desc ? 2 : 1;
            bean.sortInfo = sort;
            bean.fileType = o->fileType;
            bean.hidden = o->hidden;
            return client.call(client.cloud().getFileImpl(), &IFile::filesList, bean, "ls");
          },
          &FilesListResponse::files, &FilesListResponse::nextCursor);
      const std::vector<FileListMetadata>& files = *merged.files;
      if (client.json()) {
        printJson(client.out(), toJson(merged));
        return kExitOk;
      }
      Table t{{"NAME", "SIZE", "MODIFIED", "ID"}, {}, {false, true}};
      for (const auto& f : files) {
        const bool folder = isFolder(f.fileType, f.mimeType);
        std::string name = entryName(f.fileName, folder);
        if (f.favorite.value_or(false)) name += " *";
        t.add({name, sizeText(f.size, folder), shortTime(orDash(f.editedTime)), orDash(f.id)});
      }
      printTable(client.out(), t);
      printNextPage(client, merged.nextCursor);
      return kExitOk;
    };
  });
}

void addSearch(CLI::App& app, Client& client, Action& action) {
  struct Opts {
    std::string keyword;
    std::optional<std::string> in, fileType;
    Paging paging;
    std::string sort = "name";
    bool desc = false, shallow = false, recycled = false;
  };
  auto o = std::make_shared<Opts>();
  CLI::App* cmd = app.add_subcommand("search", "Find files and folders by name");
  cmd->add_option("KEYWORD", o->keyword, "Part of the name")->required();
  cmd->add_option("--in", o->in, "Search below this folder (id or /path)");
  cmd->add_flag("--shallow", o->shallow, "With --in: only the folder's own entries");
  cmd->add_option("--file-type", o->fileType, "Only files of this type code");
  cmd->add_flag("--recycled", o->recycled, "Search the recycle bin");
  o->paging.declare(cmd);
  cmd->add_option("--sort", o->sort, "Order: name, time or size")
      ->check(CLI::IsMember(kSortNames))
      ->capture_default_str();
  cmd->add_flag("--desc", o->desc, "Descending order");
  cmd->callback([&client, &action, o] {
    action = [&client, o] {
      Filter filter;
      filter.keyWord = o->keyword;
      filter.fileType = o->fileType;
      if (o->in) filter.parentFolder = client.resolveFolder(o->in);
      const FileSearchResponse merged = collectPages(
          o->paging.all, o->paging.cursor,
          [&](const std::optional<std::string>& cursor) {
            FilesSearchBean bean;
            bean.filter = filter;
            bean.pageInfo = PageInfo(o->paging.pageSize, cursor);
            SortInfo sort;
            sort.sortType = std::to_string(sortCode(o->sort));
            sort.sortDirection = o->desc ? "2" : "1";
            bean.sortInfo = sort;
            bean.recycled = o->recycled;
            bean.recursived = !o->shallow;
            return client.call(client.cloud().getFileImpl(), &IFile::fileSearch, bean, "search");
          },
          &FileSearchResponse::files, &FileSearchResponse::nextPageCursor);
      const std::vector<FileBean>& files = *merged.files;
      if (client.json()) {
        printJson(client.out(), toJson(merged));
        return kExitOk;
      }
      Table t{{"NAME", "SIZE", "PATH", "ID"}, {}, {false, true}};
      for (const auto& f : files) {
        const bool folder = isFolder(f.fileType, f.mimeType);
        std::string size = "-";
        if (!folder && f.size) {
          try {
            size = humanSize(std::stoll(*f.size));
          } catch (const std::exception&) {
            size = *f.size;
          }
        }
        t.add({entryName(f.fileName, folder), size, orDash(f.namePath), orDash(f.id)});
      }
      printTable(client.out(), t);
      client.out() << files.size() << " of " << merged.total.value_or(static_cast<std::int64_t>(files.size()))
                   << " matches\n";
      printNextPage(client, merged.nextPageCursor);
      return kExitOk;
    };
  });
}

void addStat(CLI::App& app, Client& client, Action& action) {
  auto target = std::make_shared<std::string>();
  CLI::App* cmd = app.add_subcommand("stat", "Show a file or folder in detail");
  cmd->add_option("FILE", *target, "File id or /path")->required();
  cmd->callback([&client, &action, target] {
    action = [&client, target] {
      GetFileDetailBean bean;
      bean.fileId = client.resolve(*target).id;
      const GetFileDetailResponse d = client.call(client.cloud().getFileImpl(), &IFile::getFileDetail, bean, "stat");
      if (client.json()) {
        printJson(client.out(), toJson(d));
        return kExitOk;
      }
      const bool folder = isFolder(d.fileType, d.mimeType);
      std::optional<std::string> owner;
      if (d.owners && !d.owners->empty()) owner = d.owners->front().displayName;
      std::optional<std::string> size;
      if (d.size) size = humanSize(*d.size) + " (" + std::to_string(*d.size) + " bytes)";
      std::optional<std::string> parent;
      if (d.parentFolder && !d.parentFolder->empty()) parent = d.parentFolder->front();
      printFields(client.out(), {{"Name", d.fileName},
                                 {"Id", d.id},
                                 {"Kind", std::string(folder ? "folder" : "file")},
                                 {"Size", size},
                                 {"SHA-256", d.sha256},
                                 {"MIME type", d.mimeType},
                                 {"Created", d.createdTime ? std::optional(shortTime(*d.createdTime)) : std::nullopt},
                                 {"Modified", d.editedTime ? std::optional(shortTime(*d.editedTime)) : std::nullopt},
                                 {"Parent", parent},
                                 {"Owner", owner}});
      return kExitOk;
    };
  });
}

void addDu(CLI::App& app, Client& client, Action& action) {
  struct Opts {
    std::optional<std::string> folder;
    bool shallow = false;
  };
  auto o = std::make_shared<Opts>();
  CLI::App* cmd = app.add_subcommand("du", "Count the files, folders and bytes in a folder");
  cmd->add_option("FOLDER", o->folder, "Folder id or /path (default: your root folder)");
  cmd->add_flag("--shallow", o->shallow, "Only the folder's own entries, not those of its subfolders");
  cmd->callback([&client, &action, o] {
    action = [&client, o] {
      FilesStatsDirBean bean;
      bean.fileId = client.resolveFolder(o->folder);
      bean.recursive = !o->shallow;
      const auto resp = client.call(client.cloud().getFileImpl(), &IFile::filesStatsDir, bean, "du");
      if (client.json()) {
        printJson(client.out(), toJson(resp));
        return kExitOk;
      }
      const StatsData s = resp.data.value_or(StatsData{});
      std::optional<std::string> total = s.totalSize;
      if (total) {
        try {
          total = humanSize(std::stoll(*total)) + " (" + *total + " bytes)";
        } catch (const std::exception&) {
        }
      }
      printFields(client.out(), {{"Total size", total}, {"Folders", s.subDirCount}, {"Files", s.subFileCount}});
      return kExitOk;
    };
  });
}

void addPath(CLI::App& app, Client& client, Action& action) {
  auto target = std::make_shared<std::string>();
  CLI::App* cmd = app.add_subcommand("path", "Show where a file is: its folders by name and by id");
  cmd->add_option("FILE", *target, "File or folder id or /path")->required();
  cmd->callback([&client, &action, target] {
    action = [&client, target] {
      FilesPathBean bean;
      bean.fileId = client.resolve(*target).id;
      const auto resp = client.call(client.cloud().getFileImpl(), &IFile::filesPath, bean, "path");
      if (client.json()) {
        printJson(client.out(), toJson(resp));
        return kExitOk;
      }
      printFields(client.out(), {{"Path", resp.namePath}, {"Ids", resp.fileIdPath}});
      return kExitOk;
    };
  });
}

void addMkdir(CLI::App& app, Client& client, Action& action) {
  struct Opts {
    std::string name;
    std::optional<std::string> in;
    std::string onClash = "rename";
  };
  auto o = std::make_shared<Opts>();
  CLI::App* cmd = app.add_subcommand("mkdir", "Create a folder");
  cmd->add_option("NAME", o->name, "Name of the new folder, or a /path whose last part is the new folder")->required();
  cmd->add_option("--in", o->in, "Parent folder (id or /path; default: your root folder)");
  cmd->add_option("--on-clash", o->onClash,
                  "When the name is taken: rename, fail or overwrite (use the existing folder)")
      ->check(CLI::IsMember(kClashNames))
      ->capture_default_str();
  cmd->callback([&client, &action, o] {
    action = [&client, o] {
      std::string name = o->name;
      std::optional<std::string> parent = o->in;
      if (const auto slash = name.rfind('/'); slash != std::string::npos) {
        if (parent) throw CliError("mkdir: give either a /path or --in, not both", kExitUsage);
        parent = name.substr(0, slash);
        name = name.substr(slash + 1);
        if (parent->empty()) parent = "/";
      }
      if (name.empty()) throw CliError("mkdir: the folder needs a name", kExitUsage);
      CreateDirectoryBean bean;
      bean.fileName = name;
      bean.parentFolder = std::vector<std::string>{client.resolveFolder(parent)};
      bean.renameMode = clashCode(o->onClash);
      const auto resp = client.call(client.cloud().getFileImpl(), &IFile::createDirectory, bean, "mkdir");
      if (client.json()) {
        printJson(client.out(), toJson(resp));
        return kExitOk;
      }
      client.out() << "Folder " << forTerminal(resp.fileName.value_or(name)) << "  id " << forTerminal(orDash(resp.id))
                   << "\n";
      return kExitOk;
    };
  });
}

void addRename(CLI::App& app, Client& client, Action& action) {
  struct Opts {
    std::string target, name;
    std::string onClash = "rename";
  };
  auto o = std::make_shared<Opts>();
  CLI::App* cmd = app.add_subcommand("rename", "Rename a file or folder");
  cmd->add_option("FILE", o->target, "File or folder id or /path")->required();
  cmd->add_option("NEW_NAME", o->name, "The new name")->required();
  cmd->add_option("--on-clash", o->onClash, "When the name is taken: rename, fail or overwrite")
      ->check(CLI::IsMember(kClashNames))
      ->capture_default_str();
  cmd->callback([&client, &action, o] {
    action = [&client, o] {
      FilesRenameBean bean;
      bean.fileId = client.resolve(o->target).id;
      bean.name = o->name;
      bean.renameMode = clashCode(o->onClash);
      const BaseResponse resp = client.call(client.cloud().getFileImpl(), &IFile::fileRename, bean, "rename");
      if (client.json()) {
        boost::json::value v = recordValue(resp);
        v.as_object()["fileId"] = *bean.fileId;
        v.as_object()["name"] = o->name;
        printJson(client.out(), v);
        return kExitOk;
      }
      client.out() << "Renamed " << forTerminal(*bean.fileId) << " to " << forTerminal(o->name) << "\n";
      return kExitOk;
    };
  });
}

void addLink(CLI::App& app, Client& client, Action& action) {
  auto targets = std::make_shared<std::vector<std::string>>();
  CLI::App* cmd = app.add_subcommand("link", "Print download links of files");
  cmd->add_option("FILE", *targets, "File ids or /paths")->required();
  cmd->callback([&client, &action, targets] {
    action = [&client, targets] {
      GetDownloadUrlBean bean;
      std::vector<std::string> ids;
      for (const auto& t : *targets) ids.push_back(client.resolve(t).id);
      bean.fileIds = ids;
      const auto resp = client.call(client.cloud().getFileImpl(), &IFile::getDownloadUrl, bean, "link");
      const auto downloads = resp.downloads.value_or(std::vector<DownloadInfoResponse>{});
      std::string failures;
      std::size_t failed = 0;
      for (const auto& d : downloads) {
        if (d.code.value_or("0") != "0" || !d.url) {
          ++failed;
          if (!failures.empty()) failures += "; ";
          failures += orDash(d.fileId) + " [" + d.code.value_or("?") + "] " + d.msg.value_or("no link");
        }
      }
      if (client.json()) {
        printJson(client.out(), toJson(resp));
      } else {
        Table t{{"NAME", "LINK"}, {}, {}};
        for (const auto& d : downloads) {
          if (d.url) t.add({orDash(d.fileName), *d.url});
        }
        printTable(client.out(), t);
      }
      if (failed > 0) {
        throw CliError("link: " + std::to_string(failed) + " of " + std::to_string(downloads.size()) +
                       " files have no link: " + failures);
      }
      return kExitOk;
    };
  });
}

void addRecent(CLI::App& app, Client& client, Action& action) {
  CLI::App* cmd = app.add_subcommand("recent", "Files you used lately");
  cmd->callback([&client, &action] {
    action = [&client] {
      const auto resp =
          client.call(client.cloud().getFileImpl(), &IFile::getAccessFiles, GetAccessFilesBean{}, "recent");
      if (client.json()) {
        printJson(client.out(), toJson(resp));
        return kExitOk;
      }
      Table t{{"TIME", "ACTION", "NAME", "ID"}, {}, {false, true}};
      for (const auto& a : resp.list.value_or(std::vector<RecentlyAccess>{})) {
        const AccessiFileInfo f = a.file.value_or(AccessiFileInfo{});
        t.add({shortTime(orDash(a.operateTime)), orDash(a.operateType), orDash(f.name), orDash(f.id)});
      }
      printTable(client.out(), t);
      return kExitOk;
    };
  });
}

}  // namespace

void addFileCommands(CLI::App& app, Client& client, Action& action) {
  addLs(app, client, action);
  addSearch(app, client, action);
  addStat(app, client, action);
  addDu(app, client, action);
  addPath(app, client, action);
  addMkdir(app, client, action);
  addRename(app, client, action);
  addLink(app, client, action);
  addRecent(app, client, action);
}

}  // namespace quillbox::cli
