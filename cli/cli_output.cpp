#include "cli_output.h"

#include <algorithm>
#include <ostream>
#include <utility>

#include "protocol.h"

namespace tessavue::cli {

std::string DottedList(const std::vector<Ipv4Address>& addresses) {
  std::string text;
  for (const Ipv4Address& a : addresses) text += (text.empty() ? "" : ", ") + DottedText(a);
  return text;
}

std::string Hex(const std::uint8_t* bytes, std::size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (std::size_t i = 0; i < n; ++i) {
    s += digits[bytes[i] >> 4];
    s += digits[bytes[i] & 15];
  }
  return s;
}

void PrintTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> width;
  std::vector<std::vector<std::pair<std::string, std::size_t>>> shown;
  for (const auto& row : rows) {
    auto& cells = shown.emplace_back();
    for (std::size_t c = 0; c < row.size(); ++c) {
      std::size_t columns = 0;
      std::string text = TerminalText(row[c], &columns);
      if (width.size() <= c) width.push_back(0);
      width[c] = std::max(width[c], columns);
      cells.emplace_back(std::move(text), columns);
    }
  }
  for (const auto& cells : shown) {
    std::string line;
    for (std::size_t c = 0; c < cells.size(); ++c) {
      line += cells[c].first;
      if (c + 1 < cells.size()) line += std::string(width[c] - cells[c].second + 2, ' ');
    }
    out << line << '\n';
  }
}

std::string JsonString(const std::string& text) {
  static const char digits[] = "0123456789abcdef";
  std::string s = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': s += "\\\""; break;
      case '\\': s += "\\\\"; break;
      case '\n': s += "\\n"; break;
      case '\r': s += "\\r"; break;
      case '\t': s += "\\t"; break;
      case '\b': s += "\\b"; break;
      case '\f': s += "\\f"; break;
      default:
        if (c < 0x20 || c >= 0x7f) {
          s += "\\u00";
          s += digits[c >> 4];
          s += digits[c & 15];
        } else {
          s += char(c);
        }
    }
  }
  return s + "\"";
}

std::string TerminalText(const std::string& text, std::size_t* columns) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  std::size_t width = 0;
  for (unsigned char c : text) {
    if (c == '\\') {
      s += "\\\\";
      width += 2;
    } else if (c < 0x20 || (c >= 0x7f && c < 0xa0)) {
      s += "\\x";
      s += digits[c >> 4];
      s += digits[c & 15];
      width += 4;
    } else if (c >= 0xa0) {
      s += char(0xc0 | c >> 6);
      s += char(0x80 | (c & 0x3f));
      width += 1;
    } else {
      s += char(c);
      width += 1;
    }
  }
  if (columns) *columns = width;
  return s;
}

}  // namespace tessavue::cli
