#include "emulator/Router.hpp"

#include <algorithm>

namespace quillbox::emulator {

Segments splitPath(std::string_view rest) {
  Segments out;
  std::size_t start = 0;
  while (true) {
    const auto slash = rest.find('/', start);
    out.emplace_back(rest.substr(start, slash == std::string_view::npos ? rest.npos : slash - start));
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  return out;
}

void RouteTable::add(Route route) {
  Entry e{std::move(route), {}};
  e.parts = splitPath(e.route.pattern);
  entries_.push_back(std::move(e));
}

int RouteTable::rank(const std::string& part) {
  if (part == "**") return 0;
  if (part == "*" || part == "+") return 1;
  return 2;
}

bool RouteTable::matches(const std::vector<std::string>& parts, const Segments& segments) {
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string& p = parts[i];
    if (p == "**") return true;
    if (i >= segments.size()) return false;
    if (p == "*") continue;
    if (p == "+") {
      if (segments[i].empty()) return false;
      continue;
    }
    if (p != segments[i]) return false;
  }
  return parts.size() == segments.size();
}

int RouteTable::compare(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    if (const int d = rank(a[i]) - rank(b[i]); d != 0) return d;
  }
  return 0;
}

RouteTable::Match RouteTable::find(std::string_view method, const Segments& segments) const {
  const Entry* best = nullptr;
  for (const Entry& e : entries_) {
    if (!matches(e.parts, segments)) continue;
    if (!best || compare(e.parts, best->parts) > 0) best = &e;
  }
  if (!best) return {};
  // Every route of the winning pattern, for the method.
  bool literal = false;
  for (const Entry& e : entries_) {
    if (e.parts != best->parts) continue;
    if (e.route.method.empty() || e.route.method == method) return {Outcome::found, &e.route};
  }
  for (const std::string& p : best->parts) literal = literal || rank(p) == 2;
  return {literal ? Outcome::noMethod : Outcome::noPath, nullptr};
}

}  // namespace quillbox::emulator
