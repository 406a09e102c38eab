// What the library pass and the writer say as they work: progress lines for the log, and
// diagnostics, one line each. The program's console says it; a walk that only looks says
// nothing.
#pragma once

#include <string>
#include <string_view>

class Report {
 public:
  virtual ~Report() = default;

  // One progress line: format holds one %s, which receives text (code-page bytes, shown as the
  // log shows them).
  virtual void log(std::string_view format, std::string_view text) = 0;
  // As log, with text already as the log shows it: UTF-8 without control characters.
  virtual void log_shown(std::string_view format, std::string_view shown) = 0;
  // A progress line as it is.
  virtual void log(std::string_view line) = 0;
  // As log, for what the user asked to see (a dry run's answer), quiet or not.
  virtual void print(std::string_view format, std::string_view text) = 0;
  // One diagnostic: what went wrong or was left out, and why.
  virtual void warn(const std::string& message) = 0;
};

// Says nothing: for a walk that only looks.
class SilentReport : public Report {
 public:
  void log(std::string_view /*format*/, std::string_view /*text*/) override {}
  void log_shown(std::string_view /*format*/, std::string_view /*shown*/) override {}
  void log(std::string_view /*line*/) override {}
  void print(std::string_view /*format*/, std::string_view /*text*/) override {}
  void warn(const std::string& /*message*/) override {}
};
