#include "Json.h"

#include <cstdio>

void JsonObject::Key(const std::string &key) {
  if (!body_.empty()) body_ += ",";
  body_ += Quote(key) + ":";
}

JsonObject &JsonObject::Add(const std::string &key, const std::string &text) {
  Key(key);
  body_ += Quote(text);
  return *this;
}

JsonObject &JsonObject::Add(const std::string &key, long long number) {
  Key(key);
  body_ += std::to_string(number);
  return *this;
}

JsonObject &JsonObject::Add(const std::string &key, bool flag) {
  Key(key);
  body_ += flag ? "true" : "false";
  return *this;
}

JsonObject &JsonObject::AddRaw(const std::string &key, const std::string &json) {
  Key(key);
  body_ += json;
  return *this;
}

JsonObject &JsonObject::Add(const std::string &key, const std::vector<std::string> &texts) {
  std::string list = "[";
  for (size_t i = 0; i < texts.size(); ++i) list += (i ? "," : "") + Quote(texts[i]);
  return AddRaw(key, list + "]");
}

std::string JsonObject::Quote(const std::string &text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string JsonObject::Hex32(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", value);
  return text;
}

std::string JsonObject::HexBytes(const std::vector<unsigned char> &bytes) {
  std::string out;
  char pair[3];
  for (unsigned char b : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", b);
    out += pair;
  }
  return out;
}
