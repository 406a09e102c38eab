#include "platform/console.h"

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
    : program_name_(std::move(program_name)), code_page_(&code_page) {}

// After a call that wrote to standard output, with errno cleared before it. Some C libraries
// report a failed write only through the stream's error flag.
void Console::check_log(bool written) {
  if ((!written || std::ferror(stdout)) && log_error_ == 0) log_error_ = error_or_eio();
}

void Console::print_line(const std::string& line) {
  if (log_error_ != 0) return;
  errno = 0;
  check_log(terminal_.write(stdout, line, *code_page_));
}

void Console::write_error_line(const std::string& line) {
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

int Console::finish(int status) {
  if (log_error_ == 0) check_log(terminal_.flush(stdout));
  if (log_error_ != 0)
    warn("cannot write standard output: " + std::string(std::strerror(log_error_)));
  if (!terminal_.flush(stderr)) warning_lost_ = true;
  bool lost = log_error_ != 0 || warning_lost_;
  return lost && status == 0 ? 1 : status;
}
