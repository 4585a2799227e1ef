#pragma once
// Text from the server or the file system on its way to a terminal. A file
// name or an error message may carry control characters or bidirectional
// overrides that would move the cursor, recolour the screen, set the window
// title or reorder what the user reads; they are shown as escapes instead.

#include <string>
#include <string_view>

namespace quillbox::cli {

/// `text` with every character a terminal would act on made visible:
/// C0 controls (tab and newline included) and DEL as "\x1b", C1 controls
/// (U+0080–U+009F) and the bidirectional marks, embeddings, overrides and
/// isolates as "\u202e", and each byte that is not valid UTF-8 as "\xff".
/// Printable text, backslashes included, is unchanged, so applying it twice
/// changes nothing more.
std::string forTerminal(std::string_view text);

}  // namespace quillbox::cli
