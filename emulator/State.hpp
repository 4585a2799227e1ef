#pragma once
// Everything the emulator remembers: users and their tokens, the file tree
// of each user, stored content, pending uploads, shares, stars, jobs and
// recent accesses. Plain data guarded by the owner's lock (Service); this
// file adds the tree operations and the on-disk form.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "emulator/Storage.hpp"

namespace quillbox::emulator {

using Millis = std::int64_t;  // milliseconds since 1970-01-01 UTC

struct Order {
  std::string packageId;
  Millis activateTime = 0;
  Millis endTime = 0;
};

struct UserRec {
  std::string userId;
  std::int64_t innerId = 0;
  std::string name;
  std::string authCodeHash;  // empty for directory entries that never signed in
  std::string containerId;
  std::string rootId;
  std::int64_t capacity = 0;
  std::int64_t deptId = 0;
  std::string mobile;
  std::int64_t role = 0;
  std::int64_t status = 0;
  Millis createTime = 0;
  std::vector<Order> orders;
  std::int64_t spaceUsed = 0;  // derived: the sizes of the user's files
};

struct NodeRec {
  std::string id;
  std::string ownerId;
  std::string parentId;  // empty for a root folder
  std::string name;
  bool folder = false;
  std::int64_t size = 0;
  std::string sha256;  // files only
  std::string mimeType;
  std::string fileType;
  std::string description;
  bool hidden = false;
  Millis createdTime = 0;
  Millis editedTime = 0;
};

struct SharePerm {
  std::optional<bool> preview;
  std::optional<bool> edit;
  std::optional<bool> download;
};

struct ShareRec {
  std::string shareId;
  std::string shortUrl;
  std::string ownerId;
  std::vector<std::string> fileIds;
  std::int64_t scope = 0;
  std::vector<std::string> deptIds, groupIds, userIds;
  SharePerm permission;
  std::string extractCode;
  std::string expireTime;  // as the client gave it, or derived from validDays
  Millis expireAt = 0;     // 0: never
  std::string comment;
  std::optional<std::int64_t> validDays;
  std::string expiredType;
  Millis createTime = 0;
  Millis updateTime = 0;
  std::int64_t viewCnt = 0, downloadCnt = 0, saveCnt = 0;
};

struct JobFile {
  std::string fileId;
  std::string filePath;
  std::string newFileId;
  std::string newFilePath;
  std::string status = "0";  // "0" waiting, "1" running, "2" done, "3" failed, "4" cancelled
  std::string resultCode;
  std::string resultDesc;
};

struct JobRec {
  std::string jobId;
  std::string userId;
  std::int64_t taskType = 0;
  std::int64_t actionType = 0;
  std::string destFolderId;
  Millis createTime = 0;
  Millis duration = 0;
  Millis endTime = 0;     // when it finished, was cancelled or applied
  bool cancelled = false;
  bool applied = false;   // its effect on the tree has been made
  std::vector<JobFile> files;
};

struct PartPlan {
  std::int64_t number = 0;
  std::int64_t size = 0;
  std::int64_t offset = 0;
  std::optional<std::vector<std::uint32_t>> hashCtx;
};

struct UploadRec {
  std::string uploadId;
  std::string fileId;
  std::string userId;
  std::string parentId;
  std::string name;
  std::int64_t length = 0;
  std::string sha256;
  std::string mimeType;
  std::string fileType;
  std::string description;
  std::int64_t autoRename = 2;
  bool hidden = false;
  Millis createTime = 0;
  std::vector<PartPlan> parts;
  std::map<std::int64_t, std::shared_ptr<Blob>> received;  // not saved: reopened from storage
  bool completing = false;                                 // not saved
};

struct AccessRec {
  std::string fileId;
  Millis time = 0;
  std::int64_t operateType = 0;  // 1 viewed, 2 download link, 3 uploaded, 4 renamed, 5 created
};

struct Department {
  std::int64_t id = 0;
  std::int64_t parentId = 0;
  std::string name;
};

struct StoredBlob {
  std::shared_ptr<Blob> blob;
  std::int64_t refs = 0;
};

/// Name-clash policies of folder creation, renaming, uploads and jobs.
enum class ClashPolicy { fail, rename, overwrite };
/// 1 fails, 3 replaces (files) or reuses (folders), any other value renames.
ClashPolicy clashPolicy(std::int64_t code);

struct State {
  std::string secret;  // signs part and download addresses
  std::int64_t nextInnerId = 1000;
  std::map<std::string, UserRec> users;
  std::unordered_map<std::string, std::string> tokens;  // access token -> user id
  std::unordered_map<std::string, NodeRec> nodes;
  std::unordered_map<std::string, std::set<std::string>> children;  // derived
  std::unordered_map<std::string, StoredBlob> blobs;                // by SHA-256; refs derived
  std::map<std::string, UploadRec> uploads;                         // by upload id
  std::map<std::string, ShareRec> shares;                           // by share id
  std::map<std::string, std::map<std::string, Millis>> stars;       // user -> file -> starred
  std::map<std::string, JobRec> jobs;
  std::map<std::string, std::vector<AccessRec>> access;  // user -> newest first
  std::vector<Department> departments;
  std::uint64_t partsReceived = 0;  // counter for the control endpoint

  // ---- tree ----
  const NodeRec* node(const std::string& id) const;
  NodeRec* node(const std::string& id);
  /// The folder `id` ("root" names the user's root) if the user owns it.
  NodeRec* folderOf(const UserRec& user, const std::string& id);
  /// The node `id` ("root" names the user's root) if the user owns it.
  NodeRec* ownedNode(const UserRec& user, const std::string& id);
  NodeRec* childNamed(const std::string& parentId, const std::string& name);
  /// A free name in the folder, from `wanted`: "a.txt", "a (1).txt", "a (2).txt", ...;
  /// shortened on character boundaries when it would pass kMaxNameBytes.
  std::string freeName(const std::string& parentId, const std::string& wanted);
  void insert(NodeRec node);
  /// Removes the node and everything below it; frees content and stars.
  void erase(const std::string& id);
  void move(NodeRec& node, const std::string& newParentId);
  bool isInside(const std::string& id, const std::string& ancestorId) const;
  /// Visits every node below the folder `id`, a folder before what it holds,
  /// and goes into a folder when `visit` returns true. Trees may be far
  /// deeper than a thread's stack allows recursion: the walk keeps its own.
  template <class Visit>
  void walkBelow(const std::string& id, Visit&& visit) const;
  /// Ids from the root down to the node, and the names below the root.
  std::vector<const NodeRec*> chain(const NodeRec& node) const;
  std::string namePath(const NodeRec& node) const;
  std::string idPath(const NodeRec& node) const;

  // ---- content ----
  void addRef(const std::string& sha256, std::shared_ptr<Blob> blob);
  std::shared_ptr<Blob> blobOf(const std::string& sha256) const;

  // ---- access ----
  void touch(const std::string& userId, const std::string& fileId, std::int64_t operateType, Millis now);

  /// Rebuilds the derived fields (children, refs, space used).
  void rebuildIndexes();
};

template <class Visit>
void State::walkBelow(const std::string& id, Visit&& visit) const {
  std::vector<const std::string*> pending{&id};
  // A tree visits each node once; more visits than nodes would mean a cycle.
  std::size_t budget = nodes.size();
  while (!pending.empty()) {
    auto it = children.find(*pending.back());
    pending.pop_back();
    if (it == children.end()) continue;
    for (const auto& childId : it->second) {
      const NodeRec* n = node(childId);
      if (!n || budget-- == 0) continue;
      if (visit(*n) && n->folder) pending.push_back(&n->id);
    }
  }
}

/// The state as JSON text (content excluded), and back. Blobs and parts are
/// reopened from `storage`.
std::string saveState(const State& state);
bool loadState(const std::string& text, State& state, Storage& storage, std::string& error);

/// The longest name a folder entry may have, in bytes of UTF-8.
inline constexpr std::size_t kMaxNameBytes = 255;

bool validName(const std::string& name);

}  // namespace quillbox::emulator
