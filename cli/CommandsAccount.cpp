// Signing in and out, the user's space, the organisation's users and the
// carrier's packages.

#include <boost/json/object.hpp>

#include "Commands.hpp"
#include "Output.hpp"
#include "Profile.hpp"
#include "Terminal.hpp"

namespace quillbox::cli {

namespace {

std::string capacityText(const std::optional<std::int64_t>& bytes) { return bytes ? humanSize(*bytes) : "-"; }

void addLogin(CLI::App& app, Client& client, Action& action) {
  auto code = std::make_shared<std::optional<std::string>>();
  CLI::App* cmd = app.add_subcommand("login", "Sign in with an authorisation code and save the profile");
  cmd->add_option("--auth-code", *code,
                  "Authorisation code obtained from the drive; - reads it from standard input, and without this "
                  "option QUILLBOX_AUTH_CODE is used. Prefer those: a code on the command line is visible to every "
                  "local user");
  cmd->callback([&client, &action, code] {
    action = [&client, code] {
      const auto secret = readSecret(*code, "QUILLBOX_AUTH_CODE", std::cin);
      if (!secret) {
        throw CliError(
            "login: give the authorisation code on standard input with --auth-code -, or in QUILLBOX_AUTH_CODE",
            kExitUsage);
      }
      CloudInstance& cloud = client.cloud(false);
      AuthCodeBean bean;
      bean.authCode = *secret;
      const UserAuthResp resp = client.call(cloud.getUserImpl(), &IUser::getToken, bean, "sign-in");
      if (!resp.accessToken || resp.accessToken->empty()) throw CliError("sign-in: the answer carries no access token");
      const auto path = profilePath();
      saveProfile(path, Profile{client.host(), *resp.accessToken});
      const OrgUserInfo user = resp.data.value_or(OrgUserInfo{});
      if (client.json()) {
        boost::json::object o;
        o["host"] = client.host();
        o["profile"] = path.native();
        if (resp.innerUserId) o["innerUserId"] = *resp.innerUserId;
        o["user"] = recordValue(user);
        printJson(client.out(), o);
      } else {
        client.out() << "Signed in to " << forTerminal(client.host()) << " as "
                     << forTerminal(user.carrierUserName.value_or("?")) << " ("
                     << forTerminal(user.carrierUserId.value_or("?")) << ").\nProfile saved to "
                     << forTerminal(path.native()) << "\n";
      }
      return kExitOk;
    };
  });
}

void addLogout(CLI::App& app, Client& client, Action& action) {
  CLI::App* cmd = app.add_subcommand("logout", "Forget the saved profile");
  cmd->callback([&client, &action] {
    action = [&client] {
      const auto path = profilePath();
      const bool removed = removeProfile(path);
      if (client.json()) {
        boost::json::object o;
        o["profile"] = path.native();
        o["removed"] = removed;
        printJson(client.out(), o);
      } else {
        const std::string said = removed ? "Signed out; removed " + forTerminal(path.native()) : "No saved profile";
        client.out() << said << "\n";
      }
      return kExitOk;
    };
  });
}

void addSpace(CLI::App& app, Client& client, Action& action) {
  struct Opts {
    std::optional<std::string> owner, type, container;
  };
  auto o = std::make_shared<Opts>();
  CLI::App* cmd = app.add_subcommand("space", "Show the capacity and use of a space");
  cmd->add_option("--owner", o->owner, "Owner of the space (default: you)");
  cmd->add_option("--type", o->type, "Space type");
  cmd->add_option("--container", o->container, "Container of the space");
  cmd->callback([&client, &action, o] {
    action = [&client, o] {
      const GetSpaceBean bean(o->type, o->owner, o->container);
      const GetSpaceResp resp = client.call(client.cloud().getUserImpl(), &IUser::getSpace, bean, "space");
      if (client.json()) {
        printJson(client.out(), toJson(resp));
        return kExitOk;
      }
      const SpaceInfo s = resp.data.value_or(SpaceInfo{});
      std::optional<std::string> used;
      if (s.spaceUsed) {
        used = humanSize(*s.spaceUsed);
        if (s.capacity && *s.capacity > 0) {
          const double pct = 100.0 * static_cast<double>(*s.spaceUsed) / static_cast<double>(*s.capacity);
          char text[32];
          std::snprintf(text, sizeof text, " (%.1f%%)", pct);
          *used += text;
        }
      }
      std::optional<std::string> free;
      if (s.capacity && s.spaceUsed) free = humanSize(std::max<std::int64_t>(0, *s.capacity - *s.spaceUsed));
      printFields(client.out(), {{"Owner", s.ownerId},
                                 {"Capacity", s.capacity ? std::optional(capacityText(s.capacity)) : std::nullopt},
                                 {"Used", used},
                                 {"Free", free},
                                 {"Root folder", s.rootFileId},
                                 {"Container", s.containerId},
                                 {"Created", client.time(s.createTime)}});
      return kExitOk;
    };
  });
}

void addUsers(CLI::App& app, Client& client, Action& action) {
  CLI::App* users = app.add_subcommand("users", "The organisation's users");
  users->require_subcommand(1);

  struct ListOpts {
    std::optional<std::string> dept, keyword;
    bool recursive = false;
    std::int64_t offset = 0, limit = 50;
  };
  auto lo = std::make_shared<ListOpts>();
  CLI::App* ls = users->add_subcommand("ls", "List users, by department and keyword");
  ls->add_option("--dept", lo->dept, "Department id");
  ls->add_flag("--recursive", lo->recursive, "Include the department's sub-departments");
  ls->add_option("--keyword,-k", lo->keyword, "Part of a name, user id or mobile number");
  ls->add_option("--offset", lo->offset, "Users to skip")->check(CLI::NonNegativeNumber);
  ls->add_option("--limit", lo->limit, "Users to show")->check(CLI::NonNegativeNumber)->capture_default_str();
  ls->callback([&client, &action, lo] {
    action = [&client, lo] {
      GetUserListBean bean;
      bean.deptId = lo->dept;
      bean.isDirect = !lo->recursive;
      bean.offset = std::to_string(lo->offset);
      bean.limit = std::to_string(lo->limit);
      bean.keyWord = lo->keyword;
      const GetuserListResponse resp = client.call(client.cloud().getUserImpl(), &IUser::getUserList, bean, "users");
      if (client.json()) {
        printJson(client.out(), toJson(resp));
        return kExitOk;
      }
      Table t{{"USER ID", "NAME", "DEPARTMENT", "MOBILE", "ROLE"}, {}, {}};
      const auto list = resp.list.value_or(std::vector<UserInfo>{});
      for (const auto& u : list) {
        t.add({orDash(u.userId), orDash(u.name), orDash(u.deptName), orDash(u.mobile), orDash(u.role)});
      }
      printTable(client.out(), t);
      client.out() << list.size() << " of " << resp.total.value_or(static_cast<std::int64_t>(list.size()))
                   << " users\n";
      return kExitOk;
    };
  });

  auto id = std::make_shared<std::string>();
  CLI::App* show = users->add_subcommand("show", "Show one user");
  show->add_option("USER_ID", *id, "User id")->required();
  show->callback([&client, &action, id] {
    action = [&client, id] {
      GetUserByIdBean bean;
      bean.userId = *id;
      const GetUsersByIdResponse resp = client.call(client.cloud().getUserImpl(), &IUser::getUserById, bean, "user");
      if (client.json()) {
        printJson(client.out(), toJson(resp));
        return kExitOk;
      }
      const UserInfo u = resp.data.value_or(UserInfo{});
      printFields(client.out(), {{"User id", u.userId},
                                 {"Name", u.name},
                                 {"Number", u.id ? std::optional(std::to_string(*u.id)) : std::nullopt},
                                 {"Department", u.deptName},
                                 {"Department id", u.deptId ? std::optional(std::to_string(*u.deptId)) : std::nullopt},
                                 {"Mobile", u.mobile},
                                 {"Role", u.role ? std::optional(std::to_string(*u.role)) : std::nullopt},
                                 {"Status", u.status ? std::optional(std::to_string(*u.status)) : std::nullopt}});
      return kExitOk;
    };
  });
}

void addPackages(CLI::App& app, Client& client, Action& action) {
  CLI::App* packages = app.add_subcommand("packages", "The carrier's storage packages");
  packages->require_subcommand(1);

  CLI::App* ls = packages->add_subcommand("ls", "Packages on offer");
  ls->callback([&client, &action] {
    action = [&client] {
      const auto resp = client.call(client.cloud().getCarrierImpl(), &ICarrier::standardPackages, "packages");
      if (client.json()) {
        printJson(client.out(), toJson(resp));
        return kExitOk;
      }
      Table t{{"PACKAGE", "NAME", "CAPACITY", "PRICE", "PROMOTION", "CURRENCY"}, {}, {false, false, true, true, true}};
      for (const auto& p : resp.data.value_or(std::vector<DrivePackageInfo>{})) {
        t.add({orDash(p.packageId), orDash(p.name), capacityText(p.capacity), orDash(p.price), orDash(p.promotionPrice),
               orDash(p.currencyCode)});
      }
      printTable(client.out(), t);
      return kExitOk;
    };
  });

  CLI::App* orders = packages->add_subcommand("orders", "Packages you hold");
  orders->callback([&client, &action] {
    action = [&client] {
      const auto resp = client.call(client.cloud().getCarrierImpl(), &ICarrier::standardPackagesOrders, "orders");
      if (client.json()) {
        printJson(client.out(), toJson(resp));
        return kExitOk;
      }
      Table t{{"PACKAGE", "NAME", "CAPACITY", "ACTIVATED", "ENDS", "STATUS"}, {}, {false, false, true}};
      for (const auto& p : resp.data.value_or(std::vector<OrderedPackageInfo>{})) {
        t.add({orDash(p.packageId), orDash(p.name), capacityText(p.capacity), client.time(orDash(p.activateTime)),
               client.time(orDash(p.endTime)), orDash(p.status)});
      }
      printTable(client.out(), t);
      return kExitOk;
    };
  });
}

}  // namespace

void addAccountCommands(CLI::App& app, Client& client, Action& action) {
  addLogin(app, client, action);
  addLogout(app, client, action);
  addSpace(app, client, action);
  addUsers(app, client, action);
  addPackages(app, client, action);
}

}  // namespace quillbox::cli
