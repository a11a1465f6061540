#include "scenec/scene_text.h"

namespace {

struct Token {
  enum Kind { kWord, kString, kOpen, kClose, kEndOfLine, kEnd } kind;
  std::string text;
  int line;
};

std::vector<Token> Tokenize(const std::string& text) {
  std::vector<Token> tokens;
  int line = 1;
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '\n') {
      tokens.push_back({Token::kEndOfLine, "", line});
      ++line;
      ++i;
    } else if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      while (i < text.size() && text[i] != '\n') ++i;
    } else if (c == '{') {
      tokens.push_back({Token::kOpen, "{", line});
      ++i;
    } else if (c == '}') {
      tokens.push_back({Token::kClose, "}", line});
      ++i;
    } else if (c == '"') {
      size_t end = i + 1;
      while (end < text.size() && text[end] != '"' && text[end] != '\n') ++end;
      if (end >= text.size() || text[end] != '"') throw SceneTextError(line, "unterminated string");
      tokens.push_back({Token::kString, text.substr(i + 1, end - i - 1), line});
      i = end + 1;
    } else {
      size_t end = i;
      while (end < text.size() && std::string(" \t\r\n{}\"#").find(text[end]) == std::string::npos) ++end;
      tokens.push_back({Token::kWord, text.substr(i, end - i), line});
      i = end;
    }
  }
  tokens.push_back({Token::kEnd, "", line});
  return tokens;
}

// Statements up to the matching "}" (nested) or the end of the text (top level).
std::vector<SceneNode> ParseBlock(const std::vector<Token>& t, size_t* pos, bool nested, int openLine) {
  std::vector<SceneNode> nodes;
  while (true) {
    const Token& tok = t[*pos];
    switch (tok.kind) {
      case Token::kEndOfLine:
        ++*pos;
        continue;
      case Token::kEnd:
        if (nested) throw SceneTextError(openLine, "block opened here is not closed");
        return nodes;
      case Token::kClose:
        if (!nested) throw SceneTextError(tok.line, "'}' without a block");
        ++*pos;
        return nodes;
      case Token::kOpen:
        throw SceneTextError(tok.line, "'{' without a statement");
      case Token::kString:
        throw SceneTextError(tok.line, "a statement starts with a keyword, not a string");
      case Token::kWord:
        break;
    }
    SceneNode node;
    node.keyword = tok.text;
    node.line = tok.line;
    ++*pos;
    while (t[*pos].kind == Token::kWord || t[*pos].kind == Token::kString) node.args.push_back(t[(*pos)++].text);
    if (t[*pos].kind == Token::kOpen) {
      ++*pos;
      node.hasBlock = true;
      node.children = ParseBlock(t, pos, true, node.line);
    }
    nodes.push_back(std::move(node));
  }
}

}  // namespace

std::vector<SceneNode> ParseSceneText(const std::string& text) {
  std::vector<Token> tokens = Tokenize(text);
  size_t pos = 0;
  return ParseBlock(tokens, &pos, false, 0);
}
