#pragma once
// Walking every entry of a listing, page after page.
//
//   FilesListBean bean;
//   bean.type = "list";
//   bean.parentFileId = folderId;
//   PagingOutcome outcome = forEachEntry(cloud.getFileImpl(), &IFile::filesList, bean,
//                                        [](FileListMetadata& entry) { ...; return true; });
//
// The listings that page: filesList, fileSearch, getShares and getStarFiles
// follow the cursor each answer gives; getJobs and getUserList move their
// offset by the entries received. The first request is the caller's record
// as given (its page size, filters and starting position are kept); each
// further request is that record with the position moved on.
//
// A walk ends with one outcome: done (the listing's end), stopped (the
// caller's callback returned false) or failed (the failure of the page that
// failed, a 2xx answer whose envelope carries a non-zero code included). A
// server that hands out a cursor it already gave, or keeps answering empty
// pages with a cursor, fails the walk rather than sending it round for ever.

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <utility>

#include "quillbox/request/NetworkResult.hpp"
#include "quillbox/services/favor/IFavor.hpp"
#include "quillbox/services/file/IFile.hpp"
#include "quillbox/services/job/IJob.hpp"
#include "quillbox/services/share/IShare.hpp"
#include "quillbox/services/user/IUser.hpp"
#include "quillbox/util/Blocking.hpp"

namespace quillbox {

/// How a walk through a listing ended.
struct PagingOutcome {
  /// How the walk ended.
  enum class Status {
    done,     ///< the listing's last page was handed over
    stopped,  ///< the caller's callback returned false
    failed    ///< a page failed (code and message say why) or the server paged badly
  };
  /// How the walk ended.
  Status status = Status::done;
  std::int64_t code = 0;    ///< the failure's code; 0 unless failed
  std::string message;      ///< the failure's message; empty unless failed
  std::size_t pages = 0;    ///< pages received and handed to the caller
  std::size_t entries = 0;  ///< entries on those pages
  /// The failure's kind: the failed page's (see NetworkResult), `other` for
  /// a 2xx page whose envelope carries a non-zero code or a page callback
  /// that threw, `undecodable` for a server that paged badly; `none` unless
  /// failed.
  FailureKind kind = FailureKind::none;
  /// The HTTP status of the failed page's answer; 0 when none arrived or
  /// unless failed.
  long httpStatus = 0;
};

/// Where each listing keeps its position and its entries: `entries` is the
/// answer's list, `position` the request's starting point (as text),
/// `next` the position of the following page or nothing at the end, and
/// `seek` moves a request to a position.
template <class Response>
struct PageTraits;

namespace detail {

/// Listings that follow an opaque cursor; an absent or empty cursor ends them.
template <class BeanT, class EntryT>
struct CursorPaging {
  using Bean = BeanT;
  using Entry = EntryT;
  static std::optional<std::string> cursorOrEnd(const std::optional<std::string>& cursor) {
    return cursor && !cursor->empty() ? cursor : std::nullopt;
  }
};

/// The cursor of the listings that keep it in a PageInfo.
template <class BeanT, class EntryT>
struct PageInfoPaging : CursorPaging<BeanT, EntryT> {
  static std::optional<std::string> position(const BeanT& b) {
    return b.pageInfo ? b.pageInfo->pageCursor : std::nullopt;
  }
  static void seek(BeanT& b, const std::string& cursor) {
    if (!b.pageInfo) b.pageInfo.emplace();
    b.pageInfo->pageCursor = cursor;
  }
};

/// The cursor of the listings that keep it as `pageCursor`.
template <class BeanT, class EntryT>
struct PageCursorPaging : CursorPaging<BeanT, EntryT> {
  static std::optional<std::string> position(const BeanT& b) { return b.pageCursor; }
  static void seek(BeanT& b, const std::string& cursor) { b.pageCursor = cursor; }
};

inline std::int64_t offsetOf(const std::optional<std::string>& text) {
  std::int64_t v = 0;
  if (text) std::from_chars(text->data(), text->data() + text->size(), v);
  return v;
}

}  // namespace detail

/// A folder's listing follows `nextCursor` through its PageInfo.
template <>
struct PageTraits<FilesListResponse> : detail::PageInfoPaging<FilesListBean, FileListMetadata> {
  /// The page's entries.
  static auto& entries(FilesListResponse& r) { return r.files; }
  /// The cursor of the next page; none at the end.
  static std::optional<std::string> next(const Bean&, const FilesListResponse& r) { return cursorOrEnd(r.nextCursor); }
};

/// A search follows `nextPageCursor` through its PageInfo.
template <>
struct PageTraits<FileSearchResponse> : detail::PageInfoPaging<FilesSearchBean, FileBean> {
  /// The page's entries.
  static auto& entries(FileSearchResponse& r) { return r.files; }
  /// The cursor of the next page; none at the end.
  static std::optional<std::string> next(const Bean&, const FileSearchResponse& r) {
    return cursorOrEnd(r.nextPageCursor);
  }
};

/// My share links follow `nextCursor` through `pageCursor`.
template <>
struct PageTraits<GetShareResponse> : detail::PageCursorPaging<GetShareBean, ShareByMeLink> {
  /// The page's entries.
  static auto& entries(GetShareResponse& r) { return r.shareLinks; }
  /// The cursor of the next page; none at the end.
  static std::optional<std::string> next(const Bean&, const GetShareResponse& r) { return cursorOrEnd(r.nextCursor); }
};

/// Starred files follow `nextCursor` through `pageCursor`.
template <>
struct PageTraits<GetStarFilesResponse> : detail::PageCursorPaging<GetStarFilesBean, StarFileInfo> {
  /// The page's entries.
  static auto& entries(GetStarFilesResponse& r) { return r.starFileList; }
  /// The cursor of the next page; none at the end.
  static std::optional<std::string> next(const Bean&, const GetStarFilesResponse& r) {
    return cursorOrEnd(r.nextCursor);
  }
};

/// Jobs page by offset and limit; an empty page ends the listing (a server
/// may answer fewer than `limit` entries before the end).
template <>
struct PageTraits<GetJobsResponse> {
  using Bean = GetJobsBean;  ///< the request record
  using Entry = JobInfo;     ///< one entry of a page
  /// The page's entries.
  static auto& entries(GetJobsResponse& r) { return r.data; }
  /// The request's offset, as text.
  static std::optional<std::string> position(const Bean& b) { return std::to_string(b.offset); }
  /// Moves the request to the offset `at`.
  static void seek(Bean& b, const std::string& at) { b.offset = detail::offsetOf(at); }
  /// The offset after this page's entries; none after an empty page.
  static std::optional<std::string> next(const Bean& sent, const GetJobsResponse& r) {
    const std::size_t n = r.data ? r.data->size() : 0;
    if (n == 0) return std::nullopt;
    return std::to_string(sent.offset + static_cast<std::int64_t>(n));
  }
};

/// Users page by offset and limit (decimal text); the answer's total, or an
/// empty page, ends the listing.
template <>
struct PageTraits<GetuserListResponse> {
  using Bean = GetUserListBean;  ///< the request record
  using Entry = UserInfo;        ///< one entry of a page
  /// The page's entries.
  static auto& entries(GetuserListResponse& r) { return r.list; }
  /// The request's offset (absent counts as 0).
  static std::optional<std::string> position(const Bean& b) { return std::to_string(detail::offsetOf(b.offset)); }
  /// Moves the request to the offset `at`.
  static void seek(Bean& b, const std::string& at) { b.offset = at; }
  /// The offset after this page's entries; none at the total or after an empty page.
  static std::optional<std::string> next(const Bean& sent, const GetuserListResponse& r) {
    const auto n = static_cast<std::int64_t>(r.list ? r.list->size() : 0);
    const std::int64_t following = detail::offsetOf(sent.offset) + n;
    if (n == 0 || (r.total && following >= *r.total)) return std::nullopt;
    return std::to_string(following);
  }
};

namespace detail {

/// Consecutive empty pages that still carry a cursor before a walk gives up.
inline constexpr int kMaxEmptyPagesInARow = 10;

/// The position of one walk and the decisions after each page; the
/// asynchronous and the blocking walks share it.
template <class Response>
class PageWalk {
 public:
  using Traits = PageTraits<Response>;
  using Bean = typename Traits::Bean;

  explicit PageWalk(Bean first) : request_(std::move(first)) {
    if (auto at = Traits::position(request_)) seen_.insert(*at);
  }

  const Bean& request() const { return request_; }
  const PagingOutcome& outcome() const { return outcome_; }

  /// Takes the answer to request(). True when the next page is to be asked
  /// for (request() has moved on to it); false when outcome() is final.
  bool take(NetworkResult<Response>& result, const std::function<bool(Response&)>& onPage) {
    if (!result.isSuccess()) return fail(result.code(), result.message(), result.kind(), result.httpStatus());
    Response& page = result.value();
    if (page.code && *page.code != 0) return fail(*page.code, page.msg.value_or(""));
    const auto& list = Traits::entries(page);
    const std::size_t count = list ? list->size() : 0;
    const auto next = Traits::next(request_, page);  // before the caller may take the entries
    ++outcome_.pages;
    outcome_.entries += count;
    if (!onPage(page)) return finish(PagingOutcome::Status::stopped);
    if (!next) return finish(PagingOutcome::Status::done);
    if (!seen_.insert(*next).second) {
      return fail(-1, "paging stopped: the server gave a page position it had already given",
                  FailureKind::undecodable);
    }
    emptyRun_ = count == 0 ? emptyRun_ + 1 : 0;
    if (emptyRun_ >= kMaxEmptyPagesInARow) {
      return fail(-1, "paging stopped: " + std::to_string(emptyRun_) + " empty pages in a row, each with a cursor",
                  FailureKind::undecodable);
    }
    Traits::seek(request_, *next);
    return true;
  }

  bool fail(std::int64_t code, std::string message, FailureKind kind = FailureKind::other, long httpStatus = 0) {
    outcome_.code = code;
    outcome_.message = std::move(message);
    outcome_.kind = kind;
    outcome_.httpStatus = httpStatus;
    return finish(PagingOutcome::Status::failed);
  }

 private:
  bool finish(PagingOutcome::Status status) {
    outcome_.status = status;
    return false;
  }

  Bean request_;
  std::set<std::string> seen_;
  int emptyRun_ = 0;
  PagingOutcome outcome_;
};

template <class Service, class Response>
class AsyncPageWalk : public std::enable_shared_from_this<AsyncPageWalk<Service, Response>> {
 public:
  using Bean = typename PageTraits<Response>::Bean;
  using Op = void (Service::*)(std::optional<Bean>, std::function<void(NetworkResult<Response>)>);

  AsyncPageWalk(Service& service, Op op, Bean first, std::function<bool(Response&)> onPage,
                std::function<void(PagingOutcome)> onDone)
      : service_(service), op_(op), walk_(std::move(first)), onPage_(std::move(onPage)), onDone_(std::move(onDone)) {}

  void step() {
    (service_.*op_)(walk_.request(), [self = this->shared_from_this()](NetworkResult<Response> r) { self->answer(r); });
  }

 private:
  void answer(NetworkResult<Response>& result) {
    bool more = false;
    try {
      more = walk_.take(result, onPage_);
    } catch (const std::exception& e) {
      walk_.fail(-1, std::string("the page callback threw: ") + e.what());
    } catch (...) {
      walk_.fail(-1, "the page callback threw");
    }
    if (more) {
      step();
    } else if (onDone_) {
      onDone_(walk_.outcome());
    }
  }

  Service& service_;
  Op op_;
  PageWalk<Response> walk_;
  std::function<bool(Response&)> onPage_;
  std::function<void(PagingOutcome)> onDone_;
};

}  // namespace detail

/// Walks a listing page by page without blocking: each page is asked for
/// from the callback of the one before. `onPage` gets every page in order
/// and returns whether to go on; `onDone` is then called exactly once with
/// the outcome. Both run on SDK callback threads (or on the calling thread
/// when the first request cannot be built); an exception thrown by `onPage`
/// fails the walk. The service must outlive the walk.
template <class S, class Service, class Bean, class Response>
  requires std::is_base_of_v<Service, S> && std::is_same_v<Bean, typename PageTraits<Response>::Bean>
void walkPages(S& service, void (Service::*op)(std::optional<Bean>, std::function<void(NetworkResult<Response>)>),
               std::type_identity_t<Bean> first, std::type_identity_t<std::function<bool(Response&)>> onPage,
               std::function<void(PagingOutcome)> onDone) {
  std::make_shared<detail::AsyncPageWalk<Service, Response>>(static_cast<Service&>(service), op, std::move(first),
                                                             std::move(onPage), std::move(onDone))
      ->step();
}

/// Walks a listing page by page on the calling thread; `onPage` returns
/// whether to go on. Like callBlocking, refused at once on an SDK callback
/// thread (a failed outcome, nothing sent).
template <class S, class Service, class Bean, class Response>
  requires std::is_base_of_v<Service, S> && std::is_same_v<Bean, typename PageTraits<Response>::Bean>
PagingOutcome forEachPage(S& service,
                          void (Service::*op)(std::optional<Bean>, std::function<void(NetworkResult<Response>)>),
                          std::type_identity_t<Bean> first,
                          const std::type_identity_t<std::function<bool(Response&)>>& onPage) {
  detail::PageWalk<Response> walk(std::move(first));
  if (isSdkCallbackThread()) {
    walk.fail(kBlockingCallRefusedCode, kBlockingCallRefusedMessage);
    return walk.outcome();
  }
  for (;;) {
    auto result = callBlocking(service, op, walk.request());
    if (!walk.take(result, onPage)) return walk.outcome();
  }
}

/// Walks every entry of a listing on the calling thread; `onEntry` returns
/// whether to go on, and no further page is asked for once it said no.
template <class S, class Service, class Bean, class Response>
  requires std::is_base_of_v<Service, S> && std::is_same_v<Bean, typename PageTraits<Response>::Bean>
PagingOutcome forEachEntry(S& service,
                           void (Service::*op)(std::optional<Bean>, std::function<void(NetworkResult<Response>)>),
                           std::type_identity_t<Bean> first,
                           const std::function<bool(typename PageTraits<Response>::Entry&)>& onEntry) {
  return forEachPage(service, op, std::move(first), [&onEntry](Response& page) {
    if (auto& list = PageTraits<Response>::entries(page)) {
      for (auto& entry : *list) {
        if (!onEntry(entry)) return false;
      }
    }
    return true;
  });
}

}  // namespace quillbox
