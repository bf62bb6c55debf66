// How names and messages are escaped: printable bytes, JSON strings and
// GitHub's workflow commands.

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "gate/escape.h"

namespace {

TEST(Escape, ShowsUnprintableBytesAsHex) {
    const std::pair<std::string, std::string> cases[] = {
        {"<li>", "<li>"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"\t\x7f", "\\x09\\x7F"},
        {"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"},
        {"\xc3", "\\xC3"},                    // cut short
        {"\xc0\xaf", "\\xC0\\xAF"},           // overlong
        {"\xc2\x85", "\\xC2\\x85"},           // a control of the upper half
        {"\xed\xa0\x80", "\\xED\\xA0\\x80"},  // a surrogate
        {"\xff", "\\xFF"},
    };
    for (const auto& [bytes, shown] : cases)
        EXPECT_EQ(printable_bytes(bytes), shown);
    EXPECT_EQ(json_string("a\"\\\n"), "\"a\\\"\\\\\\u000A\"");
    EXPECT_EQ(github_property("a:b,c%"), "a%3Ab%2Cc%25");
}

TEST(Escape, GithubMessagesEscapePercentAndLineEnds) {
    const std::pair<std::string, std::string> cases[] = {
        {"50%", "50%25"},   {"%25", "%2525"},      {"a\r\nb", "a%0D%0Ab"},
        {"a:b,c", "a:b,c"}, {"%\n%", "%25%0A%25"},
    };
    for (const auto& [text, escaped] : cases)
        EXPECT_EQ(github_message(text), escaped) << text;
    EXPECT_EQ(github_property("50%,a:b"), "50%25%2Ca%3Ab");
}

// A SARIF artifact's URI: relative names stay relative, absolute ones become
// file URIs; every byte that could end or change the reference is encoded.
TEST(Escape, FileNamesAsUriReferences) {
    const std::pair<std::string, std::string> cases[] = {
        {"page.html", "page.html"},
        {"./a/b-c_d~e.html", "./a/b-c_d~e.html"},
        {"../up.html", "../up.html"},
        {"/abs/x.html", "file:///abs/x.html"},
        {"a b%.html", "a%20b%25.html"},
        {"c:x", "c%3Ax"},  // no scheme
        {"q?x#y", "q%3Fx%23y"},
        {"\xc3\xa9\xff", "%C3%A9%FF"},
        {std::string("n\0l\n", 4), "n%00l%0A"},
    };
    for (const auto& [name, uri] : cases)
        EXPECT_EQ(uri_reference(name), uri) << name;
    EXPECT_EQ(json_string_content("'a\"b'"), "'a\\\"b'");
}

}  // namespace
