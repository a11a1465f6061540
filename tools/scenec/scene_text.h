// The scene description text: a tree of statements that a person can write and review.
//
//   # a comment runs to the end of the line
//   keyword argument "a quoted argument" 12 0.5 {
//     child statements ...
//   }
//
// A statement is a keyword and its arguments on one line, optionally followed by "{" that opens a block
// of child statements closed by "}". Arguments are bare words (no spaces, quotes, braces or '#') or
// quoted strings, which may hold anything but a double quote and a line break; backslashes stand for
// themselves, so Windows paths are written as they are. The text is UTF-8.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

struct SceneNode {
  std::string keyword;
  std::vector<std::string> args;
  std::vector<SceneNode> children;
  bool hasBlock = false;
  int line = 0;
};

class SceneTextError : public std::runtime_error {
 public:
  SceneTextError(int line, const std::string& message)
      : std::runtime_error("line " + std::to_string(line) + ": " + message), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

// The top-level statements of a text; throws SceneTextError for unbalanced braces or a broken string.
std::vector<SceneNode> ParseSceneText(const std::string& text);
