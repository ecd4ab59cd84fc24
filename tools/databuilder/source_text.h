#pragma once
// Reading the builder's text sources: lines of blank-separated words with '#'
// comments, numbers, and key=value options, each failure naming its place.

#include <string>
#include <vector>

namespace databuilder {

struct SourceLine {
  int number = 0;  // 1-based line number in the file
  std::vector<std::string> words;
};

// The lines that hold words, comments and blank lines left out.
std::vector<SourceLine> splitLines(const std::string& text);

bool readTextFile(const std::string& path, std::string& text, std::string& why);

// A finite number, the whole word.
bool parseNumber(const std::string& word, float& value);
// A non-negative whole number, the whole word.
bool parseIndex(const std::string& word, long& value);

// The key=value and flag words after a line's fixed words. Each getter takes
// its key when present; done() is false while words are left unused.
class Options {
 public:
  Options(const std::vector<std::string>& words, size_t first);
  bool number(const std::string& key, float& value);
  bool flag(const std::string& key, bool& value);
  bool done();
  const std::string& error() const { return error_; }

 private:
  std::vector<std::string> words_;
  std::vector<bool> used_;
  std::string error_;
};

}  // namespace databuilder
