#include "platform/console.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "core/code_page.h"

namespace {

// A failure that sets no errno is still a failure.
int error_or_eio() { return errno != 0 ? errno : EIO; }

// One line whatever a name or an M3U line in it holds, and no control codes for the terminal:
// C0 controls, DEL, and the C1 controls as UTF-8 spells them (U+0085 ends a line to some
// terminals, U+009B begins their control sequences).
void show_controls_as_question_marks(std::string& text) {
  std::size_t out = 0;
  for (std::size_t in = 0; in < text.size(); ++in, ++out) {
    unsigned char byte = static_cast<unsigned char>(text[in]);
    bool c1 = byte == 0xC2 && in + 1 < text.size() &&
              static_cast<unsigned char>(text[in + 1]) >= 0x80 &&
              static_cast<unsigned char>(text[in + 1]) <= 0x9F;
    if (c1) ++in;
    text[out] = c1 || byte < 0x20 || byte == 0x7F ? '?' : text[in];
  }
  text.resize(out);
}

}  // namespace

Console::Console(std::string program_name, const CodePage& code_page)
    : program_name_(std::move(program_name)),
      code_page_(&code_page),
      output_is_terminal_(terminal_.is_terminal(stdout)),
      error_is_terminal_(terminal_.is_terminal(stderr)) {}

// After a call that wrote to standard output, with errno cleared before it. Some C libraries
// report a failed write only through the stream's error flag.
void Console::check_log(bool written) {
  if ((!written || std::ferror(stdout)) && log_error_ == 0) log_error_ = error_or_eio();
}

void Console::print_line(const std::string& line) {
  if (log_error_ != 0) return;
  if (output_is_terminal_) erase_progress();
  errno = 0;
  check_log(terminal_.write(stdout, line, *code_page_));
}

void Console::write_error_line(const std::string& line) {
  erase_progress();
  // Progress lines already printed belong before the diagnostic when both reach one terminal.
  if (log_error_ == 0) check_log(terminal_.flush(stdout));
  if (!terminal_.write(stderr, line, *code_page_)) warning_lost_ = true;
}

void Console::print(std::string_view format, std::string_view text) {
  std::size_t at = format.find("%s");
  line_.assign(format.substr(0, at));
  code_page_->append_shown(text, line_);
  line_.append(format.substr(at + 2));
  print_line(line_);
}

void Console::print(std::string_view lines) { print_line(std::string(lines)); }

void Console::log(std::string_view format, std::string_view text) {
  if (!quiet_) print(format, text);
}

void Console::log_shown(std::string_view format, std::string_view shown) {
  if (quiet_) return;
  std::size_t at = format.find("%s");
  line_.assign(format.substr(0, at)).append(shown).append(format.substr(at + 2));
  print_line(line_);
}

void Console::log(std::string_view line) {
  if (!quiet_) print(line);
}

void Console::warn(const std::string& message) {
  ++warnings_;
  std::string line = program_name_ + ": " + message;
  show_controls_as_question_marks(line);
  write_error_line(line + "\n");
}

void Console::hint(const std::string& line) { write_error_line(line + "\n"); }

void Console::progress(std::size_t done, std::size_t planned) {
  if (!error_is_terminal_) return;
  auto now = std::chrono::steady_clock::now();
  if (now - started_ < std::chrono::seconds(1) ||
      now - progress_shown_at_ < std::chrono::milliseconds(100))
    return;
  progress_shown_at_ = now;
  std::string line = "\r";
  line.append(program_name_)
      .append(": ")
      .append(std::to_string(done))
      .append(" of ")
      .append(std::to_string(planned))
      .append(" folders done");
  std::size_t width = std::max(line.size() - 1, progress_width_);
  line.resize(width + 1, ' ');
  // A progress line lost is no message lost: no more are tried.
  if (!terminal_.write(stderr, line, *code_page_)) error_is_terminal_ = false;
  progress_width_ = width;
}

void Console::end_progress() { erase_progress(); }

void Console::erase_progress() {
  if (progress_width_ == 0) return;
  std::string blank(progress_width_ + 2, ' ');
  blank.front() = blank.back() = '\r';
  progress_width_ = 0;
  if (!terminal_.write(stderr, blank, *code_page_)) error_is_terminal_ = false;
}

int Console::finish(int status) {
  erase_progress();
  if (log_error_ == 0) check_log(terminal_.flush(stdout));
  if (log_error_ != 0)
    warn("cannot write standard output: " + std::string(std::strerror(log_error_)));
  if (!terminal_.flush(stderr)) warning_lost_ = true;
  bool lost = log_error_ != 0 || warning_lost_;
  return lost && status == 0 ? 1 : status;
}
