#include "gate/escape.h"

#include <cstdint>

#include "gate/utf8.h"

namespace {

void put_hex_byte(std::string& out, unsigned char byte, const char* prefix) {
    static const char kDigits[] = "0123456789ABCDEF";
    out += prefix;
    out += kDigits[byte >> 4];
    out += kDigits[byte & 15];
}

// The length of the well-formed UTF-8 character at `at` that is printable
// (U+00A0 and above), or 0.
size_t printable_utf8_length(std::string_view bytes, size_t at) {
    uint32_t code = 0;
    size_t length = utf8_character(bytes, at, code);
    return code >= 0xa0 ? length : 0;
}

}  // namespace

std::string printable_bytes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t at = 0; at < bytes.size();) {
        unsigned char byte = static_cast<unsigned char>(bytes[at]);
        if (byte >= 0x20 && byte < 0x7f) {
            out += static_cast<char>(byte);
            ++at;
        } else if (size_t length = byte >= 0x80 ? printable_utf8_length(bytes, at) : 0) {
            out.append(bytes.substr(at, length));
            at += length;
        } else {
            put_hex_byte(out, byte, "\\x");
            ++at;
        }
    }
    return out;
}

std::string json_string(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            put_hex_byte(out, byte, "\\u00");
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

std::string json_string_content(std::string_view text) {
    std::string literal = json_string(text);
    return literal.substr(1, literal.size() - 2);
}

namespace {

bool stays_in_uri(unsigned char byte) {
    bool letter = (byte | 0x20) >= 'a' && (byte | 0x20) <= 'z';
    bool digit = byte >= '0' && byte <= '9';
    return letter || digit || byte == '-' || byte == '.' || byte == '_' || byte == '~' ||
           byte == '/';
}

}  // namespace

std::string uri_reference(std::string_view name) {
    std::string out = name.starts_with('/') ? "file://" : "";
    for (char c : name) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (stays_in_uri(byte))
            out += c;
        else
            put_hex_byte(out, byte, "%");
    }
    return out;
}

namespace {

std::string percent_escape(std::string_view text, std::string_view special) {
    std::string out;
    for (char c : text) {
        if (special.find(c) != std::string_view::npos)
            put_hex_byte(out, static_cast<unsigned char>(c), "%");
        else
            out += c;
    }
    return out;
}

}  // namespace

std::string github_message(std::string_view text) {
    return percent_escape(text, "%\r\n");
}

std::string github_property(std::string_view text) {
    return percent_escape(text, "%\r\n:,");
}
