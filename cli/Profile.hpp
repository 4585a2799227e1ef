#pragma once
// The sign-in profile: the server address and access token that
// `quillbox login` keeps in the user's config folder, and the rule that
// picks the settings a command uses.

#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

namespace quillbox::cli {

struct Profile {
  std::string host;
  std::string token;
};

/// $XDG_CONFIG_HOME/quillbox/profile.json, or ~/.config/quillbox/profile.json
/// when XDG_CONFIG_HOME is unset or not absolute. Throws CliError when
/// neither variable gives a folder.
std::filesystem::path profilePath();

/// A profile from the text of its file; `where` names the file in messages.
/// Throws CliError when the text is not a profile.
Profile parseProfile(std::string_view text, const std::string& where);
/// The text of a profile's file, which parseProfile() reads back.
std::string profileText(const Profile& profile);

/// The saved profile; nullopt when there is none. Throws CliError when the
/// file exists but cannot be read or is not a profile.
std::optional<Profile> loadProfile(const std::filesystem::path& file);

/// Replaces the profile. The folder is created with mode 0700 and the file is
/// written to a new file created with mode 0600 and then renamed over the old
/// one, so the token is never readable by others, not even for a moment.
/// Throws CliError on failure.
void saveProfile(const std::filesystem::path& file, const Profile& profile);

/// Writes `text` to `file` through a new file of mode 0600 in the same
/// folder, renamed over `file`: readers see the old or the new content, and
/// nobody but the user can read either. Throws CliError.
void writePrivateFile(const std::filesystem::path& file, std::string_view text);

/// The file beside `file` whose name is `file`'s with `suffix` added. A name
/// that would not fit in NAME_MAX (255 bytes) is cut on a UTF-8 character
/// boundary and followed by "." and 16 hex digits of the SHA-256 of the whole
/// name, so that long names sharing a beginning keep apart.
std::filesystem::path sideFile(const std::filesystem::path& file, std::string_view suffix);

/// The whole content of a file of at most `maxBytes`; nullopt when it does
/// not exist. Throws CliError when it cannot be read or is larger.
std::optional<std::string> readSmallFile(const std::filesystem::path& file, std::size_t maxBytes);

/// Deletes the profile; false when there was none.
bool removeProfile(const std::filesystem::path& file);

/// Where a setting came from, for messages.
enum class Source { flag, environment, profile, none };

struct Setting {
  std::optional<std::string> value;
  Source source = Source::none;
};

/// Flags win over the environment, the environment over the profile. An
/// empty flag or variable counts as not given.
Setting pickSetting(const std::optional<std::string>& flag, const char* environmentVariable,
                    const std::optional<std::string>& fromProfile);

/// A secret (a sign-in or extract code) from where it may come without
/// showing in the process list: for the flag "-" the first line of `input`
/// without its line end; otherwise the flag's own value; without the flag the
/// variable `environmentVariable` when it is set and not empty. Throws
/// CliError (usage) when "-" finds nothing to read.
std::optional<std::string> readSecret(const std::optional<std::string>& flag, const char* environmentVariable,
                                      std::istream& input);

}  // namespace quillbox::cli
