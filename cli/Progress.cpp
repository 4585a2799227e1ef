#include "Progress.hpp"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "Output.hpp"
#include "Terminal.hpp"

namespace quillbox::cli {

namespace {

using namespace std::chrono_literals;

constexpr auto kTerminalInterval = 100ms;  // at most ten redraws a second
constexpr auto kPlainInterval = 1000ms;
constexpr auto kSpeedWindow = 3000ms;
constexpr auto kMinSpeedSpan = 200ms;

// The longest prefix of `text` that fits in `width` columns, marked with "..."
// when it had to be cut.
std::string fitText(const std::string& text, std::size_t width) {
  if (displayWidth(text) <= width) return text;
  if (width <= 3) return std::string(width, '.');
  std::string out;
  std::size_t used = 0;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t next = i + 1;
    while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80) ++next;
    const std::string piece = text.substr(i, next - i);
    const std::size_t w = displayWidth(piece);
    if (used + w > width - 3) break;
    out += piece;
    used += w;
    i = next;
  }
  return out + "...";
}

std::string percentText(double fraction) {
  const int pct = static_cast<int>(std::floor(std::clamp(fraction, 0.0, 1.0) * 100.0));
  std::string text = std::to_string(pct) + "%";
  return std::string(4 - std::min<std::size_t>(4, text.size()), ' ') + text;
}

std::string speedText(double bytesPerSecond) { return humanSize(static_cast<std::int64_t>(bytesPerSecond)) + "/s"; }

}  // namespace

// ---- Console ----------------------------------------------------------------

Console::Console(std::FILE* out, bool terminal) : out_(out), terminal_(terminal) {}

std::size_t Console::width() const {
  winsize size{};
  if (terminal_ && ::ioctl(::fileno(out_), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

void Console::eraseLocked() {
  if (terminal_ && !status_.empty()) std::fputs("\r\033[K", out_);
}

void Console::line(std::string_view raw) {
  const std::string text = forTerminal(raw);
  std::lock_guard lock(mutex_);
  eraseLocked();
  std::fwrite(text.data(), 1, text.size(), out_);
  std::fputc('\n', out_);
  if (terminal_ && !status_.empty()) std::fputs(status_.c_str(), out_);
  std::fflush(out_);
}

void Console::status(std::string_view raw) {
  const std::string text = forTerminal(raw);
  std::lock_guard lock(mutex_);
  if (terminal_) {
    std::fputs("\r\033[K", out_);
    std::fwrite(text.data(), 1, text.size(), out_);
    status_ = text;
  } else {
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fputc('\n', out_);
  }
  std::fflush(out_);
}

void Console::keepStatus() {
  std::lock_guard lock(mutex_);
  if (terminal_ && !status_.empty()) std::fputc('\n', out_);
  status_.clear();
  std::fflush(out_);
}

void Console::clearStatus() {
  std::lock_guard lock(mutex_);
  eraseLocked();
  status_.clear();
  std::fflush(out_);
}

// ---- rendering ----------------------------------------------------------------

std::string renderBar(const ProgressSnapshot& s, std::size_t width) {
  std::vector<std::string> tail;
  if (s.fraction) tail.push_back(percentText(*s.fraction));
  if (s.bytes) tail.push_back(s.total ? humanSize(*s.bytes) + " / " + humanSize(*s.total) : humanSize(*s.bytes));
  if (s.bytesPerSecond) tail.push_back(speedText(*s.bytesPerSecond));
  if (s.elapsed) {
    tail.push_back("in " + clockDuration(*s.elapsed));
  } else if (s.total || s.fraction) {
    tail.push_back("ETA " + (s.secondsLeft ? clockDuration(*s.secondsLeft) : "--:--"));
  }
  std::string rest;
  for (const auto& part : tail) rest += "  " + part;

  // One column is left free: writing into the last one makes some
  // terminals wrap.
  const std::size_t avail = width > 1 ? width - 1 : 0;
  const std::size_t restWidth = displayWidth(rest);
  if (!s.fraction) {
    const std::size_t room = avail > restWidth ? avail - restWidth : 0;
    return fitText(fitText(s.label, room) + rest, avail);
  }
  constexpr std::size_t kMinBar = 12, kMaxBar = 32;
  const std::size_t labelWidth = displayWidth(s.label);
  std::size_t bar = kMinBar;
  std::string label = s.label;
  if (avail >= restWidth + labelWidth + 2 + kMinBar) {
    bar = std::min(kMaxBar, avail - restWidth - labelWidth - 2);
  } else if (avail >= restWidth + kMinBar + 2) {
    label = fitText(s.label, avail - restWidth - kMinBar - 2);
  } else {
    return fitText(s.label + rest, avail);
  }
  const std::size_t inner = bar - 2;
  const auto filled =
      static_cast<std::size_t>(std::floor(std::clamp(*s.fraction, 0.0, 1.0) * static_cast<double>(inner)));
  std::string out = label;
  if (!out.empty()) out += "  ";
  out += "[" + std::string(filled, '#') + std::string(inner - filled, '.') + "]" + rest;
  return out;
}

std::string renderPlain(const ProgressSnapshot& s) {
  std::string out = s.label + ":";
  if (s.bytes) {
    out += " " + humanSize(*s.bytes);
    if (s.total) out += " of " + humanSize(*s.total);
  }
  if (s.fraction) {
    std::string pct = percentText(*s.fraction);
    pct.erase(0, pct.find_first_not_of(' '));
    out += s.bytes ? " (" + pct + ")" : " " + pct;
  }
  if (s.bytesPerSecond) out += ", " + speedText(*s.bytesPerSecond);
  if (s.elapsed)
    out += ", in " + clockDuration(*s.elapsed);
  else if (s.secondsLeft)
    out += ", " + clockDuration(*s.secondsLeft) + " left";
  return out;
}

// ---- ProgressMeter ----------------------------------------------------------------

ProgressMeter::ProgressMeter(Console& console, std::string label, std::optional<std::int64_t> total,
                             Clock::time_point start)
    : console_(console), label_(forTerminal(label)), total_(total.value_or(-1)), start_(start) {}

void ProgressMeter::update(std::int64_t bytes, Clock::time_point now) {
  {
    std::lock_guard lock(firstMutex_);
    if (!first_) first_.emplace(now, bytes);
  }
  bytes_.store(bytes);
}

void ProgressMeter::updateFraction(double fraction, Clock::time_point now) {
  if (!(fraction >= 0)) return;  // the size is not known yet (negative), or there is none (NaN)
  fraction = std::min(fraction, 1.0);
  fraction_.store(fraction);
  const std::int64_t total = total_.load();
  if (total >= 0) update(static_cast<std::int64_t>(std::llround(fraction * static_cast<double>(total))), now);
}

void ProgressMeter::setTotal(std::int64_t total) { total_.store(total); }

void ProgressMeter::setLabel(std::string_view label) {
  std::string text = forTerminal(label);
  if (text == label_) return;
  label_ = std::move(text);
  drawnBytes_ = -2;  // something to show
}

ProgressSnapshot ProgressMeter::snapshot(Clock::time_point now) {
  ProgressSnapshot s;
  s.label = label_;
  const std::int64_t bytes = bytes_.load();
  const std::int64_t total = total_.load();
  const double fraction = fraction_.load();
  if (total >= 0) s.total = total;
  if (bytes >= 0) {
    s.bytes = bytes;
    if (total > 0)
      s.fraction = static_cast<double>(bytes) / static_cast<double>(total);
    else if (total == 0)
      s.fraction = 1.0;
  }
  if (!s.fraction && fraction >= 0) s.fraction = fraction;

  if (bytes >= 0) {
    if (samples_.empty() || samples_.back().second != bytes || now - samples_.back().first >= kTerminalInterval) {
      samples_.emplace_back(now, bytes);
    }
    while (samples_.size() > 2 && now - samples_.front().first > kSpeedWindow) samples_.pop_front();
    const auto& [t0, b0] = samples_.front();
    const auto span = now - t0;
    if (span >= kMinSpeedSpan && bytes >= b0) {
      s.bytesPerSecond = static_cast<double>(bytes - b0) / std::chrono::duration<double>(span).count();
      if (total >= bytes && *s.bytesPerSecond > 0) {
        s.secondsLeft = static_cast<double>(total - bytes) / *s.bytesPerSecond;
      } else if (total >= 0 && total == bytes) {
        s.secondsLeft = 0.0;
      }
    }
  }
  return s;
}

void ProgressMeter::tick(Clock::time_point now) {
  const bool terminal = console_.terminal();
  const ProgressSnapshot s = snapshot(now);
  if (lastDraw_ && now - *lastDraw_ < (terminal ? kTerminalInterval : kPlainInterval)) return;
  const std::int64_t bytes = s.bytes.value_or(-1);
  const double fraction = s.fraction.value_or(-1.0);
  const bool changed = bytes != drawnBytes_ || fraction != drawnFraction_;
  // Nothing to show before the first byte: the caller says what is going on.
  if (bytes < 0 && fraction < 0) return;
  if (!terminal && !changed) return;
  console_.status(terminal ? renderBar(s, console_.width()) : renderPlain(s));
  lastDraw_ = now;
  drawnBytes_ = bytes;
  drawnFraction_ = fraction;
}

void ProgressMeter::finish(std::string_view note, Clock::time_point now) {
  ProgressSnapshot s = snapshot(now);
  if (!s.bytes && !s.fraction) {  // it never got going: no numbers to show
    if (console_.terminal()) console_.clearStatus();
    console_.line(label_ + ": " + std::string(note));
    return;
  }
  // The average over the whole transfer says more at the end than the last
  // few seconds do.
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  if (s.bytes && elapsed > 0) s.bytesPerSecond = static_cast<double>(*s.bytes) / elapsed;
  if (fromFirstUpdate_) {
    std::lock_guard lock(firstMutex_);
    s.bytesPerSecond.reset();
    if (s.bytes && first_ && *s.bytes > first_->second && now > first_->first) {
      s.bytesPerSecond =
          static_cast<double>(*s.bytes - first_->second) / std::chrono::duration<double>(now - first_->first).count();
    }
  }
  s.secondsLeft.reset();
  s.elapsed = elapsed;
  std::string text = console_.terminal()
                         ? renderBar(s, console_.width() > note.size() + 2 ? console_.width() - note.size() - 2 : 0)
                         : renderPlain(s);
  if (!note.empty()) text += "  " + std::string(note);
  if (console_.terminal()) {
    console_.status(text);
    console_.keepStatus();
  } else {
    console_.line(text);
  }
}

}  // namespace quillbox::cli
