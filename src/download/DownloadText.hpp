#pragma once

#include <string>
#include <string_view>

namespace quillbox::download {

/// A fraction as the progress log line shows it: the shortest text that reads
/// back as the same double, always with a fraction part or an exponent
/// ("0.5", "1.0", "-0.25", "1e-05").
std::string formatFraction(double value);

/// The last segment of the URL's path, percent-decoded ("report.pdf" for
/// "https://h/a/report.pdf?sig=x"); "/" for an empty path.
std::string lastPathComponent(std::string_view url);

/// The URL up to its query or fragment.
std::string_view withoutQuery(std::string_view url);

}  // namespace quillbox::download
