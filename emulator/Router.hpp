#pragma once
// The table the service routes by: each route is {method, path pattern,
// handler}, listed by its area beside the handlers. The most specific pattern
// that matches a path wins, whatever the order of the table: a literal
// segment beats a wildcard at the first segment where two patterns differ,
// so "files/complete" beats "files/*" and "files/rename/*" beats
// "files/*/detail".

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "emulator/Http.hpp"

namespace quillbox::emulator {

using Query = std::map<std::string, std::string, std::less<>>;
using Segments = std::vector<std::string>;

/// One request as its handler sees it: the path segments after the area's
/// prefix (percent-decoded, in areas that decode) and the query items (in
/// areas that read them).
struct Call {
  HttpRequest& req;
  Segments seg;
  Query query;
};

struct Route {
  using Handler = std::function<HttpResponse(Call&)>;
  using Planner = std::function<BodyPlan(const HttpRequest&)>;

  Route(std::string method, std::string pattern, Handler handle, bool locked = false)
      : method(std::move(method)), pattern(std::move(pattern)), handle(std::move(handle)), locked(locked) {}

  /// The method it answers; empty: every method (the handler checks it).
  std::string method;
  /// Segments after the area's prefix, separated by '/': a literal, "*" any
  /// one segment, "+" one non-empty segment, "**" (last only) the rest.
  std::string pattern;
  Handler handle;
  /// How to take the body, decided from the head; buffered when empty.
  Planner plan;
  /// Handled under the service's lock, counted as an API request.
  bool locked = false;
  /// Handled on the worker pool, off the I/O threads.
  bool heavy = false;
};

class RouteTable {
 public:
  enum class Outcome {
    found,
    noPath,   // no pattern matches the path
    noMethod  // a pattern with a literal segment matches, not for this method
  };
  struct Match {
    Outcome outcome = Outcome::noPath;
    const Route* route = nullptr;
  };

  void add(Route route);
  /// The route for a method and a path. A path that only wildcards match
  /// names no endpoint by itself: a method its route does not take is noPath.
  Match find(std::string_view method, const Segments& segments) const;

 private:
  struct Entry {
    Route route;
    std::vector<std::string> parts;
  };
  // The rank of each pattern segment: higher is more specific.
  static int rank(const std::string& part);
  static bool matches(const std::vector<std::string>& parts, const Segments& segments);
  // <0 when a is less specific than b, 0 when equal, >0 when more.
  static int compare(const std::vector<std::string>& a, const std::vector<std::string>& b);

  std::vector<Entry> entries_;
};

/// "a/b/c" split at every '/', as it is (no decoding).
Segments splitPath(std::string_view rest);

}  // namespace quillbox::emulator
