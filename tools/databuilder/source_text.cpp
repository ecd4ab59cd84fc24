#include "tools/databuilder/source_text.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace databuilder {

std::vector<SourceLine> splitLines(const std::string& text) {
  std::vector<SourceLine> lines;
  std::istringstream in(text);
  std::string raw;
  int number = 0;
  while (std::getline(in, raw)) {
    ++number;
    const size_t hash = raw.find('#');
    if (hash != std::string::npos) raw.erase(hash);
    std::istringstream words(raw);
    SourceLine line;
    line.number = number;
    for (std::string w; words >> w;) line.words.push_back(w);
    if (!line.words.empty()) lines.push_back(line);
  }
  return lines;
}

bool readTextFile(const std::string& path, std::string& text, std::string& why) {
  std::ifstream in(path);
  if (!in) {
    why = path + ": cannot open";
    return false;
  }
  std::ostringstream all;
  all << in.rdbuf();
  text = all.str();
  return true;
}

bool parseNumber(const std::string& word, float& value) {
  if (word.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(word.c_str(), &end);
  if (errno != 0 || end != word.c_str() + word.size() || !std::isfinite(v)) return false;
  value = float(v);
  return std::isfinite(value);
}

bool parseIndex(const std::string& word, long& value) {
  if (word.empty() || word.size() > 9) return false;
  for (char c : word)
    if (c < '0' || c > '9') return false;
  value = std::strtol(word.c_str(), nullptr, 10);
  return true;
}

Options::Options(const std::vector<std::string>& words, size_t first)
    : words_(words.begin() + long(std::min(first, words.size())), words.end()), used_(words_.size()) {}

bool Options::number(const std::string& key, float& value) {
  const std::string prefix = key + "=";
  for (size_t i = 0; i < words_.size(); ++i) {
    if (used_[i] || words_[i].compare(0, prefix.size(), prefix) != 0) continue;
    used_[i] = true;
    if (!parseNumber(words_[i].substr(prefix.size()), value)) {
      error_ = key + " is not a number: '" + words_[i] + "'";
      return false;
    }
  }
  return true;
}

bool Options::flag(const std::string& key, bool& value) {
  for (size_t i = 0; i < words_.size(); ++i) {
    if (!used_[i] && words_[i] == key) {
      used_[i] = true;
      value = true;
    }
  }
  return true;
}

bool Options::done() {
  for (size_t i = 0; i < words_.size(); ++i) {
    if (!used_[i]) {
      error_ = "unknown word '" + words_[i] + "'";
      return false;
    }
  }
  return true;
}

}  // namespace databuilder
