#include "effectc/effect_source.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>

namespace effectc {
namespace {

using namespace fxbin;

struct Token {
  enum Kind { kEnd, kIdent, kNumber, kString, kPunct } kind = kEnd;
  std::string text;
  size_t begin = 0, end = 0;  // byte range in the source
  int line = 1, column = 1;
};

std::vector<Token> Tokenize(const std::string& s) {
  std::vector<Token> out;
  size_t i = 0;
  int line = 1;
  size_t line_start = 0;
  auto fail = [&](const std::string& why) { throw SourceError(line, static_cast<int>(i - line_start) + 1, why); };
  while (i < s.size()) {
    char c = s[i];
    if (c == '\n') {
      ++i;
      ++line;
      line_start = i;
      continue;
    }
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
      continue;
    }
    if (c == '/' && i + 1 < s.size() && s[i + 1] == '/') {
      while (i < s.size() && s[i] != '\n') ++i;
      continue;
    }
    if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      size_t close = s.find("*/", i + 2);
      if (close == std::string::npos) fail("unterminated comment");
      for (size_t k = i; k < close; ++k)
        if (s[k] == '\n') ++line, line_start = k + 1;
      i = close + 2;
      continue;
    }
    if (c == '#') fail("the preprocessor is not supported");
    Token t;
    t.begin = i;
    t.line = line;
    t.column = static_cast<int>(i - line_start) + 1;
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      t.kind = Token::kIdent;
      while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_')) ++i;
    } else if (std::isdigit(static_cast<unsigned char>(c)) ||
               (c == '.' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
      t.kind = Token::kNumber;
      if (c == '0' && i + 1 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        i += 2;
        while (i < s.size() && std::isxdigit(static_cast<unsigned char>(s[i]))) ++i;
      } else {
        while (i < s.size() && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.')) ++i;
        if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
          ++i;
          if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
          while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
        }
        if (i < s.size() && (s[i] == 'f' || s[i] == 'F' || s[i] == 'h' || s[i] == 'H')) ++i;
      }
    } else if (c == '"') {
      t.kind = Token::kString;
      ++i;
      while (i < s.size() && s[i] != '"' && s[i] != '\n') ++i;
      if (i >= s.size() || s[i] != '"') fail("unterminated string");
      ++i;
    } else {
      t.kind = Token::kPunct;
      ++i;
    }
    t.end = i;
    t.text = s.substr(t.begin, t.end - t.begin);
    out.push_back(t);
  }
  Token end;
  end.begin = end.end = s.size();
  end.line = line;
  end.column = static_cast<int>(s.size() - line_start) + 1;
  out.push_back(end);
  return out;
}

uint32_t FloatBits(float f) {
  uint32_t w;
  std::memcpy(&w, &f, 4);
  return w;
}

// Symbolic values of the states that take enumerations, by state name (lower case).
using Enum = std::map<std::string, uint32_t>;
const Enum kBlend = {{"zero", 1},         {"one", 2},           {"srccolor", 3},     {"invsrccolor", 4},
                     {"srcalpha", 5},     {"invsrcalpha", 6},   {"destalpha", 7},    {"invdestalpha", 8},
                     {"destcolor", 9},    {"invdestcolor", 10}, {"srcalphasat", 11}, {"bothsrcalpha", 12},
                     {"bothinvsrcalpha", 13}, {"blendfactor", 14}, {"invblendfactor", 15}};
const Enum kBlendOp = {{"add", 1}, {"subtract", 2}, {"revsubtract", 3}, {"min", 4}, {"max", 5}};
const Enum kCull = {{"none", 1}, {"cw", 2}, {"ccw", 3}};
const Enum kCompare = {{"never", 1},   {"less", 2},     {"equal", 3},        {"lessequal", 4},
                       {"greater", 5}, {"notequal", 6}, {"greaterequal", 7}, {"always", 8}};
const Enum kFill = {{"point", 1}, {"wireframe", 2}, {"solid", 3}};
const Enum kShade = {{"flat", 1}, {"gouraud", 2}, {"phong", 3}};
const Enum kStencilOp = {{"keep", 1}, {"zero", 2},  {"replace", 3}, {"incrsat", 4},
                         {"decrsat", 5}, {"invert", 6}, {"incr", 7},    {"decr", 8}};
const Enum kColorWrite = {{"red", 1}, {"green", 2}, {"blue", 4}, {"alpha", 8}};
const Enum kZEnable = {{"usew", 2}};
const Enum kAddress = {{"wrap", 1}, {"mirror", 2}, {"clamp", 3}, {"border", 4}, {"mirroronce", 5}};
const Enum kFilter = {{"none", 0}, {"point", 1}, {"linear", 2}, {"anisotropic", 3}};

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

const Enum* EnumFor(const std::string& state) {
  static const std::map<std::string, const Enum*> table = {
      {"srcblend", &kBlend},        {"destblend", &kBlend},       {"srcblendalpha", &kBlend},
      {"destblendalpha", &kBlend},  {"blendop", &kBlendOp},       {"blendopalpha", &kBlendOp},
      {"cullmode", &kCull},         {"zfunc", &kCompare},         {"alphafunc", &kCompare},
      {"stencilfunc", &kCompare},   {"ccw_stencilfunc", &kCompare}, {"fillmode", &kFill},
      {"shademode", &kShade},       {"stencilfail", &kStencilOp}, {"stencilzfail", &kStencilOp},
      {"stencilpass", &kStencilOp}, {"ccw_stencilfail", &kStencilOp}, {"ccw_stencilzfail", &kStencilOp},
      {"ccw_stencilpass", &kStencilOp}, {"colorwriteenable", &kColorWrite}, {"colorwriteenable1", &kColorWrite},
      {"colorwriteenable2", &kColorWrite}, {"colorwriteenable3", &kColorWrite}, {"zenable", &kZEnable},
      {"addressu", &kAddress},      {"addressv", &kAddress},      {"addressw", &kAddress},
      {"magfilter", &kFilter},      {"minfilter", &kFilter},      {"mipfilter", &kFilter},
  };
  auto it = table.find(Lower(state));
  return it == table.end() ? nullptr : it->second;
}

class Parser {
 public:
  explicit Parser(const std::string& text) : text_(text), tokens_(Tokenize(text)) { blanked_ = text; }

  ParsedEffect Parse() {
    while (Peek().kind != Token::kEnd) TopLevel();
    ParsedEffect out;
    out.effect = effect_;
    out.shaders = shaders_;
    out.shader_source = blanked_;
    return out;
  }

 private:
  const Token& Peek(size_t ahead = 0) const {
    size_t i = pos_ + ahead;
    return tokens_[i < tokens_.size() ? i : tokens_.size() - 1];
  }
  const Token& Next() {
    const Token& t = Peek();
    if (pos_ < tokens_.size() - 1) ++pos_;
    return t;
  }
  [[noreturn]] void Fail(const Token& at, const std::string& why) const { throw SourceError(at.line, at.column, why); }
  bool IsPunct(const char* p, size_t ahead = 0) const {
    return Peek(ahead).kind == Token::kPunct && Peek(ahead).text == p;
  }
  bool IsWord(const char* w) const { return Peek().kind == Token::kIdent && Peek().text == w; }
  void Expect(const char* p) {
    if (!IsPunct(p)) Fail(Peek(), std::string("expected '") + p + "'" + Found());
    Next();
  }
  std::string Found() const {
    return Peek().kind == Token::kEnd ? " at the end of the file" : " before '" + Peek().text + "'";
  }
  const Token& Ident(const char* what) {
    if (Peek().kind != Token::kIdent) Fail(Peek(), std::string("expected ") + what + Found());
    return Next();
  }
  // Skips a balanced group that starts at the current token (one of ( { [ <).
  void SkipGroup() {
    const std::string open = Peek().text;
    const std::string close = open == "(" ? ")" : open == "{" ? "}" : open == "[" ? "]" : ">";
    const Token start = Next();
    int depth = 1;
    while (depth > 0) {
      if (Peek().kind == Token::kEnd) Fail(start, "'" + open + "' is never closed");
      const Token& t = Next();
      if (t.kind == Token::kPunct && t.text == open) ++depth;
      if (t.kind == Token::kPunct && t.text == close) --depth;
    }
  }
  void Blank(size_t begin, size_t end) {
    for (size_t i = begin; i < end && i < blanked_.size(); ++i)
      if (blanked_[i] != '\n') blanked_[i] = ' ';
  }
  size_t PrevEnd() const { return tokens_[pos_ - 1].end; }

  void TopLevel() {
    if (IsPunct(";")) {
      Next();
      return;
    }
    if (IsWord("struct")) {
      Next();
      Ident("a struct name");
      if (!IsPunct("{")) Fail(Peek(), "expected '{'" + Found());
      SkipGroup();
      Expect(";");
      return;
    }
    if (IsWord("technique") || IsWord("technique9")) return ParseTechnique();

    bool is_static = false;
    while (IsWord("static") || IsWord("const") || IsWord("uniform") || IsWord("extern") || IsWord("shared")) {
      if (Peek().text == "static") is_static = true;
      if (Peek().text == "shared") Fail(Peek(), "shared parameters are not supported");
      Next();
    }
    const Token type = Ident("a declaration");
    const Token name = Ident("a name");
    if (IsPunct("(")) {  // a function: the shader compiler's business
      SkipGroup();
      if (IsPunct(":")) {
        Next();
        Ident("a semantic");
      }
      if (!IsPunct("{")) Fail(Peek(), "expected a function body" + Found());
      SkipGroup();
      return;
    }
    if (is_static) {  // a shader-only constant
      while (!IsPunct(";")) {
        if (Peek().kind == Token::kEnd) Fail(name, "declaration without ';'");
        Next();
      }
      Next();
      return;
    }
    Declaration(type, name);
  }

  // Numeric type by name: class, base type, rows, columns; false when it is none of ours.
  static bool NumericType(const std::string& n, TypeDesc* t) {
    auto set = [t](uint32_t type, uint32_t klass, uint32_t rows, uint32_t cols) {
      t->type = type, t->klass = klass, t->rows = rows, t->columns = cols;
      return true;
    };
    if (n == "float") return set(kFloat, kScalar, 1, 1);
    if (n == "int") return set(kInt, kScalar, 1, 1);
    if (n == "bool") return set(kBool, kScalar, 1, 1);
    if (n.size() == 6 && n.compare(0, 5, "float") == 0 && n[5] >= '1' && n[5] <= '4')
      return set(kFloat, kVector, 1, static_cast<uint32_t>(n[5] - '0'));
    if (n.size() == 8 && n.compare(0, 5, "float") == 0 && n[5] >= '1' && n[5] <= '4' && n[6] == 'x' &&
        n[7] >= '1' && n[7] <= '4')
      return set(kFloat, kMatrixRows, static_cast<uint32_t>(n[5] - '0'), static_cast<uint32_t>(n[7] - '0'));
    return false;
  }

  void Declaration(const Token& type, const Token& name) {
    Parameter p;
    TypeDesc& t = p.value.type;
    t.name = name.text;
    if (effect_.FindParameter(t.name)) Fail(name, "'" + t.name + "' is declared twice");
    bool sampler = false;
    if (NumericType(type.text, &t)) {
    } else if (type.text == "texture" || type.text == "texture2D" || type.text == "Texture") {
      t.type = type.text == "texture2D" ? kTexture2D : kTexture;
      t.klass = kObject;
    } else if (type.text == "sampler" || type.text == "sampler2D") {
      t.type = type.text == "sampler2D" ? kSampler2D : kSampler;
      t.klass = kObject;
      sampler = true;
    } else {
      Fail(type, "unsupported parameter type '" + type.text + "'");
    }
    if (IsPunct("[")) Fail(Peek(), "arrays are not supported");
    if (IsPunct(":")) {
      Next();
      const Token& semantic = Ident("a semantic");
      if (semantic.text == "register") Fail(semantic, "register bindings are not supported");
      t.semantic = semantic.text;
    }
    if (IsPunct("<")) p.annotations = Annotations();
    if (IsPunct("=")) {
      size_t from = Peek().begin;
      Next();
      if (sampler) {
        if (!IsWord("sampler_state")) Fail(Peek(), "a sampler is initialised with sampler_state" + Found());
        Next();
        Expect("{");
        while (!IsPunct("}")) p.sampler.push_back(StateAssignment(/*in_sampler=*/true));
        Next();
        Blank(from, PrevEnd());
      } else if (t.klass == kObject) {
        Fail(Peek(), "a texture has no initialiser");
      } else {
        p.value.numbers = Initialiser(t);
      }
    } else if (t.klass != kObject) {
      p.value.numbers.assign(t.ValueDwords(), 0);
    }
    Expect(";");
    effect_.parameters.push_back(p);
  }

  // A number, true/false, or a list of them in braces or a constructor such as float4(...).
  std::vector<double> Numbers() {
    std::vector<double> out;
    int depth = 0;
    for (;;) {
      if (Peek().kind == Token::kIdent && IsPunct("(", 1) && Peek().text != "true" && Peek().text != "false") {
        Next();  // constructor name
        continue;
      }
      if (IsPunct("{") || IsPunct("(")) {
        ++depth;
        Next();
        continue;
      }
      if ((IsPunct("}") || IsPunct(")")) && depth > 0) {
        --depth;
        Next();
        if (depth == 0) break;
        continue;
      }
      if (IsPunct(",") && depth > 0) {
        Next();
        continue;
      }
      bool negative = false;
      if (IsPunct("-")) {
        negative = true;
        Next();
      }
      const Token& v = Peek();
      double sign = negative ? -1.0 : 1.0;
      if (v.kind == Token::kNumber) {
        bool hex = v.text.size() > 2 && (v.text[1] == 'x' || v.text[1] == 'X');
        out.push_back(sign * (hex ? static_cast<double>(std::strtoul(v.text.c_str(), nullptr, 16))
                                  : std::strtod(v.text.c_str(), nullptr)));
      } else if (v.kind == Token::kIdent && (v.text == "true" || v.text == "false")) {
        out.push_back(v.text == "true" ? 1 : 0);
      } else {
        Fail(v, "expected a number" + Found());
      }
      Next();
      if (depth == 0) break;
    }
    return out;
  }

  std::vector<uint32_t> Encode(const TypeDesc& t, const std::vector<double>& values, const Token& at) {
    uint32_t n = t.ValueDwords();
    if (values.size() != n && values.size() != 1)
      Fail(at, "'" + t.name + "' needs " + std::to_string(n) + " values, not " + std::to_string(values.size()));
    std::vector<uint32_t> out;
    for (uint32_t i = 0; i < n; ++i) {
      double v = values.size() == 1 ? values[0] : values[i];
      if (t.type == kFloat) out.push_back(FloatBits(static_cast<float>(v)));
      else if (t.type == kInt) out.push_back(static_cast<uint32_t>(static_cast<int32_t>(v)));
      else out.push_back(v != 0 ? 1u : 0u);
    }
    return out;
  }

  std::vector<uint32_t> Initialiser(const TypeDesc& t) {
    const Token at = Peek();
    return Encode(t, Numbers(), at);
  }

  std::vector<Value> Annotations() {
    size_t from = Peek().begin;
    Expect("<");
    std::vector<Value> out;
    while (!IsPunct(">")) {
      Value a;
      const Token type = Ident("an annotation type");
      const Token name = Ident("an annotation name");
      a.type.name = name.text;
      Expect("=");
      if (type.text == "string") {
        if (Peek().kind != Token::kString) Fail(Peek(), "expected a string" + Found());
        const Token& s = Next();
        a.type.type = kString;
        a.type.klass = kObject;
        a.text = s.text.substr(1, s.text.size() - 2);
      } else if (NumericType(type.text, &a.type)) {
        a.numbers = Initialiser(a.type);
      } else {
        Fail(type, "unsupported annotation type '" + type.text + "'");
      }
      Expect(";");
      out.push_back(a);
    }
    Next();
    Blank(from, PrevEnd());
    return out;
  }

  void ParseTechnique() {
    size_t from = Peek().begin;
    Next();
    Technique technique;
    const Token name = Ident("a technique name");
    technique.name = name.text;
    if (effect_.FindTechnique(technique.name)) Fail(name, "technique '" + technique.name + "' is declared twice");
    if (IsPunct("<")) technique.annotations = Annotations();
    Expect("{");
    size_t technique_index = effect_.techniques.size();
    while (!IsPunct("}")) {
      if (!IsWord("pass")) Fail(Peek(), "expected 'pass'" + Found());
      Next();
      Pass pass;
      if (Peek().kind == Token::kIdent) pass.name = Next().text;
      if (IsPunct("<")) pass.annotations = Annotations();
      Expect("{");
      while (!IsPunct("}"))
        pass.states.push_back(
            StateAssignment(/*in_sampler=*/false, technique_index, technique.passes.size(), pass.states.size()));
      Next();
      technique.passes.push_back(pass);
    }
    Next();
    if (IsPunct(";")) Next();
    Blank(from, PrevEnd());
    effect_.techniques.push_back(technique);
  }

  // `Name[index] = value;` in a pass or a sampler_state block.
  State StateAssignment(bool in_sampler, size_t technique = 0, size_t pass = 0, size_t state_index = 0) {
    const Token name = Ident("a state name");
    int op = OperationByName(name.text);
    if (op < 0) Fail(name, "unknown state '" + name.text + "'");
    const StateInfo& info = *StateByOperation(static_cast<uint32_t>(op));
    if (in_sampler && info.kind != StateKind::kSampler && info.kind != StateKind::kTexture)
      Fail(name, "'" + name.text + "' is not a sampler state");
    State s;
    s.operation = static_cast<uint32_t>(op);
    if (IsPunct("[")) {
      if (in_sampler || (info.kind != StateKind::kSampler && info.kind != StateKind::kTexture))
        Fail(Peek(), "'" + name.text + "' takes no index");
      Next();
      if (Peek().kind != Token::kNumber) Fail(Peek(), "expected a sampler index" + Found());
      s.index = static_cast<uint32_t>(std::strtoul(Next().text.c_str(), nullptr, 10));
      if (s.index > 15) Fail(name, "sampler index out of range");
      Expect("]");
    } else if (!in_sampler && (info.kind == StateKind::kSampler || info.kind == StateKind::kTexture)) {
      Fail(Peek(), "'" + name.text + "' in a pass needs a sampler index, as in " + name.text + "[0]");
    }
    Expect("=");
    Value& v = s.value;
    switch (info.kind) {
      case StateKind::kTexture: {
        v.type.type = kTexture;
        v.type.klass = kObject;
        bool angle = IsPunct("<");
        if (!angle && !IsPunct("(")) Fail(Peek(), "expected <texture> or (texture)" + Found());
        Next();
        const Token ref = Ident("a texture parameter");
        const Parameter* target = effect_.FindParameter(ref.text);
        if (!target || !IsTextureType(target->value.type.type))
          Fail(ref, "'" + ref.text + "' is not a texture parameter declared above");
        v.reference = ref.text;
        Expect(angle ? ">" : ")");
        break;
      }
      case StateKind::kPixelShader:
      case StateKind::kVertexShader: {
        v.type.type = info.kind == StateKind::kPixelShader ? kPixelShader : kVertexShader;
        v.type.klass = kObject;
        if (IsWord("NULL") || IsWord("null")) {
          Next();
          break;
        }
        if (!IsWord("compile")) Fail(Peek(), "expected 'compile <profile> <function>()' or NULL" + Found());
        Next();
        const Token profile = Ident("a shader profile");
        const char* want = info.kind == StateKind::kPixelShader ? "ps_" : "vs_";
        if (profile.text.compare(0, 3, want) != 0)
          Fail(profile, "'" + profile.text + "' is not a " + (want[0] == 'p' ? "pixel" : "vertex") + " shader profile");
        const Token entry = Ident("a function name");
        Expect("(");
        if (!IsPunct(")")) Fail(Peek(), "shader arguments are not supported");
        Next();
        ShaderJob job;
        job.technique = technique;
        job.pass = pass;
        job.state = state_index;
        job.profile = profile.text;
        job.entry = entry.text;
        job.line = entry.line;
        job.column = entry.column;
        shaders_.push_back(job);
        break;
      }
      default:
        v = StateValue(name.text);
    }
    Expect(";");
    return s;
  }

  // A render or sampler state value: TRUE/FALSE, a number, or enumeration words joined by '|'.
  Value StateValue(const std::string& state) {
    Value v;
    v.type.klass = kScalar;
    v.type.rows = v.type.columns = 1;
    if (IsWord("TRUE") || IsWord("true") || IsWord("FALSE") || IsWord("false")) {
      v.type.type = kBool;
      v.numbers.push_back(Lower(Next().text) == "true" ? 1 : 0);
      return v;
    }
    if (Peek().kind == Token::kNumber || IsPunct("-")) {
      bool negative = IsPunct("-");
      if (negative) Next();
      const Token number = Next();
      if (number.kind != Token::kNumber) Fail(number, "expected a number");
      bool hex = number.text.size() > 2 && (number.text[1] == 'x' || number.text[1] == 'X');
      if (!hex && number.text.find_first_of(".eE") != std::string::npos) {
        v.type.type = kFloat;
        float f = std::strtof(number.text.c_str(), nullptr);
        v.numbers.push_back(FloatBits(negative ? -f : f));
      } else {
        v.type.type = kInt;
        uint32_t n = static_cast<uint32_t>(std::strtoul(number.text.c_str(), nullptr, hex ? 16 : 10));
        v.numbers.push_back(negative ? 0u - n : n);
      }
      return v;
    }
    const Enum* words = EnumFor(state);
    uint32_t value = 0;
    for (;;) {
      const Token word = Ident("a state value");
      auto it = words ? words->find(Lower(word.text)) : Enum::const_iterator();
      if (!words || it == words->end()) Fail(word, "'" + word.text + "' is not a value of " + state);
      value |= it->second;
      if (!IsPunct("|")) break;
      Next();
    }
    v.type.type = kInt;
    v.numbers.push_back(value);
    return v;
  }

  const std::string& text_;
  std::vector<Token> tokens_;
  size_t pos_ = 0;
  std::string blanked_;
  Effect effect_;
  std::vector<ShaderJob> shaders_;
};

}  // namespace

ParsedEffect ParseEffectSource(const std::string& text) { return Parser(text).Parse(); }

}  // namespace effectc
