#pragma once

#include <string>
#include <string_view>

// Names and file names are bytes. For messages that stay one line and valid
// UTF-8, every byte that is not printable ASCII or part of a well-formed UTF-8
// character (controls excepted) is written as \xHH.
std::string printable_bytes(std::string_view bytes);

// A JSON string literal, quotes included, of text that is valid UTF-8.
std::string json_string(std::string_view text);

// The same without the quotes, for text that goes inside a literal.
std::string json_string_content(std::string_view text);

// A file name as a URI reference: relative where the name is, "file://" and
// the path where it is absolute; every byte but letters, digits, "-._~" and
// "/" percent-encoded.
std::string uri_reference(std::string_view name);

// GitHub workflow command escapes: for the message, and for a property value.
std::string github_message(std::string_view text);
std::string github_property(std::string_view text);
