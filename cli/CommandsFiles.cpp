// Browsing and organising: listings, search, details, folder statistics,
// paths, new folders, renaming, download links and recent files.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>

#include <boost/json/array.hpp>
#include <boost/json/object.hpp>

#include "Codes.hpp"
#include "Commands.hpp"
#include "Interrupt.hpp"
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

std::string entrySize(const std::optional<std::int64_t>& size, bool folder, bool exact) {
  return folder || !size ? std::string("-") : sizeText(*size, exact);
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

struct LsOpts {
  std::optional<std::string> folder, fileType, cursor;
  std::int64_t pageSize = 100;
  std::optional<std::int64_t> max;
  std::string sort = "name";
  bool desc = false, recursive = false, hidden = false, bytes = false, all = false;
};

// A listing entry and its path from the folder listed.
struct Listed {
  FileListMetadata entry;
  std::string path;
};

FilesListBean listBean(const LsOpts& o, const std::string& folderId, const std::optional<std::string>& cursor) {
  FilesListBean bean;
  bean.type = "list";
  bean.parentFileId = folderId;
  bean.pageInfo = PageInfo(o.max ? std::min(o.pageSize, *o.max) : o.pageSize, cursor);
  FileSortInfo sort;
  sort.sortType = sortCode(o.sort);
  sort.sortDirection = o.desc ? 2 : 1;
  bean.sortInfo = sort;
  bean.hidden = o.hidden;
  return bean;
}

// The files below `folderId`, folder by folder in the listing's order, each
// with its path from the folder first listed; false once --max is reached.
bool walkTree(Client& client, const LsOpts& o, const std::string& folderId, const std::string& prefix,
              std::vector<Listed>& out) {
  std::vector<FileListMetadata> entries;
  client.check(forEachEntry(client.cloud().getFileImpl(), &IFile::filesList, listBean(o, folderId, std::nullopt),
                             [&entries](FileListMetadata& e) {
                               entries.push_back(std::move(e));
                               return true;
                             }),
                "ls");
  for (auto& e : entries) {
    const std::string path = prefix + e.fileName.value_or(e.id.value_or("?"));
    if (isFolder(e.fileType, e.mimeType)) {
      if (e.id && !walkTree(client, o, *e.id, path + "/", out)) return false;
      continue;
    }
    if (o.fileType && e.fileType != o.fileType) continue;
    if (o.max && static_cast<std::int64_t>(out.size()) >= *o.max) return false;
    out.push_back({std::move(e), path});
  }
  return true;
}

int runLs(Client& client, const LsOpts& o) {
  const std::string folderId = client.resolveFolder(o.folder);
  std::vector<Listed> listed;
  std::optional<std::string> resumeAt;  // where the next page starts, when --max stopped the listing
  bool more = false;
  if (o.recursive) {
    more = !walkTree(client, o, folderId, "", listed);
  } else {
    FilesListBean bean = listBean(o, folderId, o.cursor);
    bean.fileType = o.fileType;
    client.check(forEachPage(client.cloud().getFileImpl(), &IFile::filesList, bean,
                              [&](FilesListResponse& page) {
                                for (auto& e : page.files.value_or(std::vector<FileListMetadata>{})) {
                                  if (o.max && static_cast<std::int64_t>(listed.size()) >= *o.max) {
                                    more = true;
                                    return false;
                                  }
                                  listed.push_back({std::move(e), {}});
                                }
                                const bool atEnd = !page.nextCursor || page.nextCursor->empty();
                                if (o.max && static_cast<std::int64_t>(listed.size()) >= *o.max && !atEnd) {
                                  more = true;
                                  resumeAt = page.nextCursor;
                                  return false;
                                }
                                return true;
                              }),
                  "ls");
  }
  if (client.json()) {
    boost::json::array files;
    for (const auto& l : listed) {
      boost::json::value v = recordValue(l.entry);
      if (o.recursive) v.as_object()["path"] = l.path;
      files.push_back(std::move(v));
    }
    boost::json::object j;
    j["files"] = std::move(files);
    if (resumeAt) j["nextCursor"] = *resumeAt;
    if (more) j["truncated"] = true;
    printJson(client.out(), j);
  } else {
    Table t{{o.recursive ? "PATH" : "NAME", "SIZE", "MODIFIED", "ID"}, {}, {false, true}};
    for (const auto& [f, path] : listed) {
      const bool folder = isFolder(f.fileType, f.mimeType);
      std::string name = o.recursive ? path : entryName(f.fileName, folder);
      if (f.favorite.value_or(false)) name += " *";
      t.add({name, entrySize(f.size, folder, o.bytes), client.time(orDash(f.editedTime)), orDash(f.id)});
    }
    printTable(client.out(), t);
  }
  if (resumeAt) {
    client.console().line("quillbox: stopped after " + std::to_string(listed.size()) +
                          " entries; the rest: add --cursor " + forTerminal(*resumeAt));
  } else if (more) {
    client.console().line("quillbox: stopped after " + std::to_string(listed.size()) + " entries; there are more");
  }
  return kExitOk;
}

void addLs(CLI::App& app, Client& client, Action& action) {
  auto o = std::make_shared<LsOpts>();
  CLI::App* cmd = app.add_subcommand("ls", "List a folder, every page (an id or a /path; default: your root folder)");
  cmd->add_option("FOLDER", o->folder, "Folder id or /path");
  cmd->add_option("--max", o->max, "Stop after this many entries (a note on standard error says where the rest starts)")
      ->check(CLI::PositiveNumber);
  cmd->add_option("--page-size", o->pageSize, "Entries asked for per request")
      ->check(CLI::Range(1, 1000))
      ->capture_default_str();
  cmd->add_flag("--all", o->all, "Every page (what ls does anyway; kept for scripts)")->group("");
  cmd->add_option("--sort", o->sort, "Order: name, time or size")
      ->check(CLI::IsMember(kSortNames))
      ->capture_default_str();
  cmd->add_flag("--desc", o->desc, "Descending order");
  auto* recursive =
      cmd->add_flag("--recursive,-r", o->recursive,
                    "Every file below the folder, by its path from the folder (folders themselves are not listed)");
  cmd->add_option("--cursor", o->cursor, "Start where a listing stopped by --max left off")->excludes(recursive);
  cmd->add_option("--file-type", o->fileType, fileTypeHelp("Only files of this type"))
      ->transform(fileTypeCodeOf());
  cmd->add_flag("--hidden", o->hidden, "Include hidden entries");
  cmd->add_flag("--bytes", o->bytes, "Sizes in bytes, exactly");
  cmd->callback([&client, &action, o] { action = [&client, o] { return runLs(client, *o); }; });
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
  cmd->add_option("--file-type", o->fileType, fileTypeHelp("Only files of this type"))->transform(fileTypeCodeOf());
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
                                 {"Created", client.time(d.createdTime)},
                                 {"Modified", client.time(d.editedTime)},
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
    std::string onClash = "reuse";
  };
  auto o = std::make_shared<Opts>();
  CLI::App* cmd = app.add_subcommand(
      "mkdir", "Create a folder and any missing folders above it; a folder that exists is used as it is");
  cmd->add_option("NAME", o->name, "The new folder: a name, a/b, or a /path")->required();
  cmd->add_option("--in", o->in, "Create it in this folder (id or /path; default: your root folder)");
  cmd->add_option("--on-clash", o->onClash,
                  "When the folder exists: reuse it, fail, or rename (make another, e.g. \"name (1)\")")
      ->check(CLI::IsMember({"reuse", "fail", "rename", "overwrite"}))
      ->capture_default_str();
  cmd->callback([&client, &action, o] {
    action = [&client, o] {
      if (o->in && !o->name.empty() && o->name.front() == '/') {
        throw CliError("mkdir: give either a /path or --in, not both", kExitUsage);
      }
      std::vector<std::string> names;
      for (std::size_t at = 0; at <= o->name.size();) {
        const std::size_t slash = std::min(o->name.find('/', at), o->name.size());
        if (slash > at) names.push_back(o->name.substr(at, slash - at));
        at = slash + 1;
      }
      if (names.empty()) throw CliError("mkdir: the folder needs a name", kExitUsage);
      std::string id = client.resolveFolder(o->in);
      // Shown as a /path, or as "ID:/a/b" below a folder given by id.
      std::string shownPath = !o->in ? "" : o->in->front() == '/' ? *o->in : *o->in + ":";
      while (!shownPath.empty() && shownPath.back() == '/') shownPath.pop_back();
      bool created = false;
      std::string storedName;
      for (std::size_t i = 0; i < names.size(); ++i) {
        const bool last = i + 1 == names.size();
        const FolderFound found = client.folderIn(id, names[i], last ? o->onClash : "reuse");
        id = found.id;
        storedName = found.name;
        created = found.created;
        shownPath += "/" + found.name;
        if (found.created && !last) client.console().line("quillbox: created " + forTerminal(shownPath));
      }
      if (client.json()) {
        boost::json::object j;
        j["id"] = id;
        j["fileName"] = storedName;
        j["path"] = shownPath;
        j["created"] = created;
        printJson(client.out(), j);
        return kExitOk;
      }
      client.out() << (created ? "Created " : "Exists, reused: ") << forTerminal(shownPath) << "  id "
                   << forTerminal(id) << "\n";
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
  CLI::App* cmd = app.add_subcommand("rename", "Rename a file or folder; says the name the drive stored");
  cmd->add_option("FILE", o->target, "File or folder id or /path")->required();
  cmd->add_option("NEW_NAME", o->name, "The new name")->required();
  cmd->add_option("--on-clash", o->onClash,
                  "When the name is taken: rename (store a free name such as \"name (1)\"), fail or overwrite")
      ->check(CLI::IsMember(kClashNames))
      ->capture_default_str();
  cmd->callback([&client, &action, o] {
    action = [&client, o] {
      FilesRenameBean bean;
      bean.fileId = client.resolve(o->target).id;
      bean.name = o->name;
      bean.renameMode = clashCode(o->onClash);
      client.call(client.cloud().getFileImpl(), &IFile::fileRename, bean, "rename");
      // The answer does not say which name was stored: a taken name may have
      // become "name (1)".
      GetFileDetailBean detail;
      detail.fileId = bean.fileId;
      const std::string stored =
          client.call(client.cloud().getFileImpl(), &IFile::getFileDetail, detail, "rename").fileName.value_or(o->name);
      if (client.json()) {
        boost::json::object j;
        j["fileId"] = *bean.fileId;
        j["name"] = stored;
        j["requestedName"] = o->name;
        printJson(client.out(), j);
        return kExitOk;
      }
      if (stored == o->name) {
        if (!client.quiet()) {
          client.out() << "Renamed " << forTerminal(*bean.fileId) << " to " << forTerminal(stored) << "\n";
        }
      } else {
        client.out() << "Renamed " << forTerminal(*bean.fileId) << ": stored as " << forTerminal(stored) << " ("
                     << forTerminal(o->name) << " is taken; use --on-clash overwrite to replace it)\n";
      }
      return kExitOk;
    };
  });
}

// A folder of the user's own for a download on its way to standard output.
struct PrivateTempDir {
  std::filesystem::path path;
  PrivateTempDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillbox-cat-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw CliError("cat: cannot make a temporary folder in " + pattern);
    path = pattern;
  }
  ~PrivateTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  PrivateTempDir(const PrivateTempDir&) = delete;
  PrivateTempDir& operator=(const PrivateTempDir&) = delete;
};

void addCat(CLI::App& app, Client& client, Action& action) {
  struct Opts {
    std::string target;
    bool noVerify = false;
  };
  auto o = std::make_shared<Opts>();
  CLI::App* cmd =
      app.add_subcommand("cat", "Write a file's content to standard output, once it is complete and checked");
  cmd->add_option("FILE", o->target, "File id or /path")->required();
  cmd->add_flag("--no-verify", o->noVerify, "Do not check the SHA-256 the drive reports");
  cmd->callback([&client, &action, o] {
    action = [&client, o] {
      GetFileDetailBean detailBean;
      detailBean.fileId = client.resolve(o->target).id;
      const auto detail = client.call(client.cloud().getFileImpl(), &IFile::getFileDetail, detailBean, "cat");
      if (isFolder(detail.fileType, detail.mimeType)) throw CliError("cat: " + o->target + " is a folder");
      GetDownloadUrlBean linkBean;
      linkBean.fileIds = std::vector<std::string>{*detailBean.fileId};
      const auto links = client.call(client.cloud().getFileImpl(), &IFile::getDownloadUrl, linkBean, "cat");
      const auto entries = links.downloads.value_or(std::vector<DownloadInfoResponse>{});
      if (entries.empty() || !entries.front().url || entries.front().code.value_or("0") != "0") {
        const std::string code = entries.empty() ? "?" : entries.front().code.value_or("?");
        const std::string why = entries.empty() ? "" : entries.front().msg.value_or("");
        throw CliError("cat: [" + code + "] " + (why.empty() ? "no download link" : why), exitCodeForItemCode(code));
      }
      std::optional<std::string> sha;
      if (!o->noVerify && detail.sha256 && !detail.sha256->empty()) sha = detail.sha256;
      return writeToStandardOutput(client, *entries.front().url, detail.fileName.value_or(o->target), detail.size, sha);
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
      int status = kExitFailure;
      for (const auto& d : downloads) {
        if (d.code.value_or("0") != "0" || !d.url) {
          const int itemStatus = exitCodeForItemCode(d.code.value_or(""));
          status = failed == 0 || status == itemStatus ? itemStatus : kExitFailure;
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
                       " files have no link: " + failures,
                       status);
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
        t.add({client.time(orDash(a.operateTime)), nameOf(kAccessActions, a.operateType), orDash(f.name),
               orDash(f.id)});
      }
      printTable(client.out(), t);
      return kExitOk;
    };
  });
}

}  // namespace

int writeToStandardOutput(Client& client, const std::string& url, const std::string& name,
                          const std::optional<std::int64_t>& size, const std::optional<std::string>& expectedSha256) {
  PrivateTempDir dir;
  const std::filesystem::path file = dir.path / "content";
  ResumableDownloader downloader(url, file, "quillbox-cli");
  if (expectedSha256) {
    std::string lower = *expectedSha256;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (auto problem = downloader.setExpectedSha256(lower)) {
      throw CliError("cannot check the SHA-256 the drive reports (" + problem->message + "); --no-verify skips it");
    }
  }
  auto done = std::make_shared<std::promise<DownloadResult>>();
  auto outcome = done->get_future();
  auto meter = std::make_shared<ProgressMeter>(client.console(), name, size);
  InterruptScope interrupt;
  downloader.start([meter](double fraction) { meter->updateFraction(fraction); },
                   [done](DownloadResult r) {
                     done->set_value(std::move(r));
                     InterruptScope::wake();
                   });
  while (outcome.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
    interrupt.wait(std::chrono::milliseconds(100));
    meter->tick();
    if (interrupt.interrupted()) {
      downloader.cancel();
      meter->finish("interrupted");
      throw CliError("interrupted; nothing was written", kExitInterrupted);
    }
  }
  const DownloadResult result = outcome.get();
  meter->finish(result.isSuccess() ? "done" : "failed");
  if (!result.isSuccess()) {
    const DownloadError& e = result.error();
    const int status = e.kind == DownloadError::Kind::transport    ? kExitTemporary
                       : e.kind == DownloadError::Kind::httpStatus ? exitCodeForHttpStatus(e.code)
                                                                   : kExitFailure;
    throw CliError("download: [" + std::to_string(e.code) + "] " + e.message + "; nothing was written", status);
  }
  std::ifstream in(result.value(), std::ios::binary);
  std::cout.flush();
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    const auto n = static_cast<std::size_t>(in.gcount());
    if (std::fwrite(buffer, 1, n, stdout) != n) throw CliError("cannot write to standard output");
  }
  if (in.bad()) throw CliError("cannot read the downloaded content back");
  if (std::fflush(stdout) != 0) throw CliError("cannot write to standard output");
  return kExitOk;
}

void addFileCommands(CLI::App& app, Client& client, Action& action) {
  addLs(app, client, action);
  addSearch(app, client, action);
  addStat(app, client, action);
  addDu(app, client, action);
  addPath(app, client, action);
  addMkdir(app, client, action);
  addRename(app, client, action);
  addLink(app, client, action);
  addCat(app, client, action);
  addRecent(app, client, action);
}

}  // namespace quillbox::cli
