#include "rc_dialogs.h"

#include <cctype>
#include <cstddef>
#include <set>

namespace tessavue {
namespace {

enum class Kind { Word, Number, String, Comma, Bar, End };

struct Token {
  Kind kind;
  std::string text;
  int line;
};

[[noreturn]] void Fail(int line, const std::string& what) {
  throw RcParseError("line " + std::to_string(line) + ": " + what);
}

// A string literal from its opening quote; "" and \" stand for a quote.
std::string ReadString(std::string_view s, std::size_t& i, int line) {
  std::string text;
  for (++i; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '\n') break;
    if (c == '"' && i + 1 < s.size() && s[i + 1] == '"') {
      text += '"';
      ++i;
    } else if (c == '"') {
      ++i;
      return text;
    } else if (c == '\\' && i + 1 < s.size()) {
      const char e = s[++i];
      text += e == 'n' ? '\n' : e == 't' ? '\t' : e == '0' ? '\0' : e;
    } else {
      text += c;
    }
  }
  Fail(line, "unterminated string");
}

void SkipBlockComment(std::string_view s, std::size_t& i, int& line) {
  const int start = line;
  for (i += 2; i + 1 < s.size(); ++i) {
    if (s[i] == '\n') ++line;
    if (s[i] == '*' && s[i + 1] == '/') {
      i += 2;
      return;
    }
  }
  Fail(start, "unterminated comment");
}

bool WordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// A name (IDC_REFRESH, WS_TABSTOP) or a number (12, -1, 0x0).
Token ReadWord(std::string_view s, std::size_t& i, int line) {
  const std::size_t start = i++;
  while (i < s.size() && WordChar(s[i])) ++i;
  const std::string word(s.substr(start, i - start));
  const bool number = std::isdigit(static_cast<unsigned char>(word[word[0] == '-' ? 1 : 0]));
  return {number ? Kind::Number : Kind::Word, word, line};
}

std::vector<Token> Tokenize(std::string_view s) {
  std::vector<Token> tokens;
  int line = 1;
  bool lineStart = true;
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '\n') {
      ++line;
      lineStart = true;
      ++i;
    } else if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if ((c == '#' && lineStart) || s.substr(i, 2) == "//") {
      // A preprocessor line (windres has run the preprocessor; we need not)
      // or a comment, to the end of the line.
      while (i < s.size() && s[i] != '\n') ++i;
    } else if (s.substr(i, 2) == "/*") {
      SkipBlockComment(s, i, line);
    } else if (c == '"') {
      lineStart = false;
      tokens.push_back({Kind::String, ReadString(s, i, line), line});
    } else if (c == ',' || c == '|') {
      lineStart = false;
      tokens.push_back({c == ',' ? Kind::Comma : Kind::Bar, std::string(1, c), line});
      ++i;
    } else if (WordChar(c) || c == '-') {
      lineStart = false;
      tokens.push_back(ReadWord(s, i, line));
    } else {
      // Parentheses, NOT, arithmetic: what this program's templates never need.
      lineStart = false;
      tokens.push_back({Kind::Word, std::string(1, c), line});
      ++i;
    }
  }
  tokens.push_back({Kind::End, "", line});
  return tokens;
}

// The statements of one control, by their argument order.
enum class Form { TextIdRect, IdRect, Control };

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : t_(std::move(tokens)) {}

  std::vector<RcDialog> Dialogs() {
    std::vector<RcDialog> dialogs;
    std::set<std::string> names;
    while (Peek().kind != Kind::End) {
      if (Peek().kind == Kind::Word && Peek(1).kind == Kind::Word &&
          (Peek(1).text == "DIALOG" || Peek(1).text == "DIALOGEX")) {
        const int line = Peek().line;
        dialogs.push_back(Dialog());
        if (!names.insert(dialogs.back().name).second)
          Fail(line, "dialog " + dialogs.back().name + " defined twice");
      } else {
        SkipStatement();
      }
    }
    return dialogs;
  }

 private:
  const Token& Peek(std::size_t ahead = 0) const {
    return t_[std::min(pos_ + ahead, t_.size() - 1)];
  }
  const Token& Next() {
    const Token& token = Peek();
    if (token.kind != Kind::End) ++pos_;
    return token;
  }
  bool Accept(Kind kind) {
    if (Peek().kind != kind) return false;
    Next();
    return true;
  }
  void Expect(Kind kind, const char* what) {
    if (!Accept(kind)) Fail(Peek().line, std::string("expected ") + what);
  }
  int Number() {
    const Token& token = Next();
    if (token.kind != Kind::Number) Fail(token.line, "expected a number, not '" + token.text + "'");
    try {
      std::size_t used = 0;
      const int value = std::stoi(token.text, &used, 0);
      if (used != token.text.size()) throw std::invalid_argument(token.text);
      return value;
    } catch (const std::exception&) {
      Fail(token.line, "not a number: " + token.text);
    }
  }
  std::string Text() {
    const Token& token = Next();
    if (token.kind != Kind::String && token.kind != Kind::Word && token.kind != Kind::Number)
      Fail(token.line, "expected a text or a name");
    return token.text;
  }
  std::string Name() {
    const Token& token = Next();
    if (token.kind != Kind::Word && token.kind != Kind::Number)
      Fail(token.line, "expected an identifier");
    return token.text;
  }
  // A style: names and numbers joined by '|', kept as written.
  std::string Style() {
    std::string style = Name();
    while (Accept(Kind::Bar)) style += " | " + Name();
    return style;
  }
  void Rect(int& x, int& y, int& cx, int& cy) {
    x = Number();
    Expect(Kind::Comma, "','");
    y = Number();
    Expect(Kind::Comma, "','");
    cx = Number();
    Expect(Kind::Comma, "','");
    cy = Number();
  }

  // A token of another resource; a BEGIN ... END block (a string table,
  // version information) goes as a whole.
  void SkipStatement() {
    const Token& first = Next();
    if (first.text == "END" || first.text == "}") Fail(first.line, "END without BEGIN");
    if (first.text != "BEGIN" && first.text != "{") return;
    for (int depth = 1; depth > 0;) {
      const Token& token = Next();
      if (token.kind == Kind::End) Fail(first.line, "BEGIN without END");
      if (token.kind != Kind::Word) continue;
      if (token.text == "BEGIN" || token.text == "{") ++depth;
      if (token.text == "END" || token.text == "}") --depth;
    }
  }

  RcDialog Dialog() {
    RcDialog dialog;
    dialog.name = Next().text;
    Next();  // DIALOG or DIALOGEX
    Rect(dialog.x, dialog.y, dialog.cx, dialog.cy);
    while (Peek().text != "BEGIN" && Peek().text != "{") {
      const Token& option = Next();
      if (option.kind == Kind::End) Fail(option.line, "missing BEGIN of " + dialog.name);
      if (option.text == "CAPTION") {
        dialog.caption = Text();
      } else if (option.text == "FONT") {
        dialog.fontPoints = Number();
        Expect(Kind::Comma, "','");
        dialog.fontFace = Text();
        while (Accept(Kind::Comma)) Number();
      } else if (option.text == "STYLE" || option.text == "EXSTYLE") {
        Style();
      } else if (option.text == "LANGUAGE") {
        Name();
        Expect(Kind::Comma, "','");
        Name();
      } else {
        Fail(option.line, "unknown dialog option " + option.text);
      }
    }
    Next();  // BEGIN
    std::set<std::string> ids;
    while (Peek().text != "END" && Peek().text != "}") {
      if (Peek().kind == Kind::End) Fail(Peek().line, "missing END of " + dialog.name);
      const int line = Peek().line;
      dialog.controls.push_back(Control());
      const std::string& id = dialog.controls.back().id;
      if (id != "IDC_STATIC" && id != "-1" && !ids.insert(id).second)
        Fail(line, id + " used twice in " + dialog.name);
    }
    Next();  // END
    return dialog;
  }

  static Form FormOf(const Token& keyword) {
    static const std::set<std::string> textIdRect = {
        "LTEXT",      "RTEXT",    "CTEXT",        "PUSHBUTTON",  "DEFPUSHBUTTON",
        "GROUPBOX",   "CHECKBOX", "AUTOCHECKBOX", "RADIOBUTTON", "AUTORADIOBUTTON",
        "AUTO3STATE", "STATE3",   "ICON",         "PUSHBOX"};
    static const std::set<std::string> idRect = {"EDITTEXT", "COMBOBOX", "LISTBOX", "SCROLLBAR"};
    if (keyword.text == "CONTROL") return Form::Control;
    if (textIdRect.count(keyword.text)) return Form::TextIdRect;
    if (idRect.count(keyword.text)) return Form::IdRect;
    Fail(keyword.line, "unknown control statement " + keyword.text);
  }

  RcControl Control() {
    const Token& keyword = Next();
    RcControl control;
    control.kind = keyword.text;
    const Form form = FormOf(keyword);
    if (form != Form::IdRect) {
      control.text = Text();
      Expect(Kind::Comma, "','");
    }
    control.id = Name();
    Expect(Kind::Comma, "','");
    if (form == Form::Control) {
      control.className = Text();
      Expect(Kind::Comma, "','");
      control.style = Style();
      Expect(Kind::Comma, "','");
    }
    Rect(control.x, control.y, control.cx, control.cy);
    if (Accept(Kind::Comma)) {
      std::string style = Style();
      if (form != Form::Control) control.style = std::move(style);
      if (Accept(Kind::Comma)) Style();  // extended style
    }
    if (Peek().kind == Kind::Comma || Peek().kind == Kind::Bar || Peek().kind == Kind::Number)
      Fail(Peek().line, "too many arguments to " + control.kind);
    return control;
  }

  std::vector<Token> t_;
  std::size_t pos_ = 0;
};

std::string Literal(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      static const char* digits = "01234567";
      out += '\\';
      out += digits[(c >> 6) & 7];
      out += digits[(c >> 3) & 7];
      out += digits[c & 7];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Quad(int x, int y, int cx, int cy) {
  return std::to_string(x) + ", " + std::to_string(y) + ", " + std::to_string(cx) + ", " +
         std::to_string(cy);
}

}  // namespace

std::vector<RcDialog> ParseRcDialogs(std::string_view script) {
  return Parser(Tokenize(script)).Dialogs();
}

std::string DialogLayoutHeader(const std::vector<RcDialog>& dialogs) {
  std::string out =
      "// Generated from the resource script when the program is built; do not edit.\n"
      "#pragma once\n\nnamespace tessavue::rc {\n";
  for (const RcDialog& d : dialogs) {
    const std::string controls =
        d.controls.empty() ? "std::span<const DialogControl>{}" : d.name + "_controls";
    if (!d.controls.empty()) out += "\ninline constexpr DialogControl " + controls + "[] = {\n";
    for (const RcControl& c : d.controls) {
      out += "    {" + Literal(c.kind) + ", " + Literal(c.text) + ", " + Literal(c.id) + ", " +
             Literal(c.className) + ", " + Literal(c.style) + ", " + Quad(c.x, c.y, c.cx, c.cy) +
             "},\n";
    }
    if (!d.controls.empty()) out += "};";
    out += "\ninline constexpr DialogTemplate " + d.name + "{" + Literal(d.name) + ", " +
           Literal(d.caption) + ", " + Literal(d.fontFace) + ", " + std::to_string(d.fontPoints) +
           ", " + Quad(d.x, d.y, d.cx, d.cy) + ", " + controls + "};\n";
  }
  return out + "\n}  // namespace tessavue::rc\n";
}

}  // namespace tessavue
