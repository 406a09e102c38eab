// What the layers below the console say, kept for a test to look at.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/report.h"

class RecordedReport : public Report {
 public:
  void log(std::string_view format, std::string_view text) override {
    log_.append(format.substr(0, format.find("%s"))).append(text);
    log_.append(format.substr(format.find("%s") + 2));
  }
  void log_shown(std::string_view format, std::string_view shown) override { log(format, shown); }
  void log(std::string_view line) override { log_.append(line); }
  void print(std::string_view format, std::string_view text) override { log(format, text); }
  void warn(const std::string& message) override { warnings_.push_back(message); }

  const std::string& log() const { return log_; }
  const std::vector<std::string>& warnings() const { return warnings_; }

 private:
  std::string log_;
  std::vector<std::string> warnings_;
};
