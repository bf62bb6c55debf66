// The example sets with their rules files, as the gate reads them: their names
// cannot meet under the rules, the constructs that used to fail their formats'
// real files pass, and the real errors still fail.

#include <gtest/gtest.h>

#include <string>

#include "check_support.h"
#include "gate/findings.h"
#include "gate/gate_engine.h"
#include "reference_rules.h"
#include "rules/rules_collision.h"
#include "tags/load_tag_table.h"
#include "text/file_reader.h"
#include "text/line_reader.h"

namespace {

struct SetCase {
    const char* set;
    const char* what;
    const char* text;
    bool ok;
};

TagTable read_lists(const std::string& dir) {
    TagTable table;
    std::string opn, cls;
    EXPECT_EQ(read_whole_file(list_file_path(dir, kOpnListFile), opn), WholeFileStatus::read);
    EXPECT_EQ(read_whole_file(list_file_path(dir, kClsListFile), cls), WholeFileStatus::read);
    table.opn_tag = split_lines(opn);
    table.cls_tag = split_lines(cls);
    table.n = table.opn_tag.size();
    return table;
}

TEST(ExampleSets, JudgeTheirFormats) {
    const SetCase cases[] = {
        {"html", "XHTML tags that close themselves", "<a name=\"x\"/><td class=\"y\" />", true},
        {"html", "attributes on short names", "<em class=\"p\">x</em><i id=\"q\">y</i>", true},
        {"html", "longer elements", "<embed src=x><b>x</b><br><body><img src=y>", true},
        {"html", "names in a comment", "<!-- <div> </pre> -->", true},
        {"html", "an arrow in text", "&lt;--- JS stacktrace ---> <div></div>", true},
        {"html", "end tags in capitals", "<title>T</TITLE><DIV></div>", true},
        {"html", "script and style", "<script>a<b; '</div>'</script><style>p>b{}</style>", true},
        {"html", "CDATA", "<![CDATA[ <div> ]]>", true},
        {"html", "a name inside a tag", "<a title=\"<b\">x</a>", true},
        {"html", "optional end tags left out", "<ul><li>a<li>b</ul><p>x<dl><dt>t<dd>d</dl>", true},
        {"html", "a quoted '>' and '<'", "<a title=\"1 > 0 <b\">x</a><b title='>'>y</b>", true},
        {"html", "a slash at the end of a URL", "<a href=https://x.org/>X</a>", true},
        {"html", "a second </pre>", "<pre>x</pre></pre>", false},
        {"html", "elements that cross", "<small><i>x</small></i>", false},
        {"html", "a tag broken by the next", "<b>x</b<i>y</i>", false},
        {"html", "<code>x<code>", "<code>x<code>", false},
        {"html", "</ol</blockquote>", "<blockquote><ol><li>x</ol</blockquote>", false},
        {"html", "<h5> closed by </h3>", "<h5>T</h3>", false},
        {"html", "a close in capitals too many", "<b>x</B></B>", false},
        {"html", "an unclosed comment", "<div></div><!-- x", false},
        {"c", "brackets in comments, strings and characters",
         "/* ( */ int x[2] = {'{', '}'}; // )\nchar *s = \"(\\\")\";", true},
        {"c", "an unclosed parenthesis", "int f() { return (1; }", false},
        {"c", "brackets that cross", "int f() { g(1 }; )", false},
        {"c-braces", "group markers in comments", "/** @{ */ struct s { int a; }; /** @} */", true},
        {"c-braces", "a brace left open", "void f() { if (x) { }", false},
        {"latex", "comments, verb and verbatim",
         "50\\% % \\begin{itemize}\n\\verb|\\end{itemize}|\n\\begin{verbatim}\n\\end{center}\n"
         "\\end{verbatim}",
         true},
        {"latex", "one end too many", "\\begin{itemize}\\end{itemize}\\end{center}", false},
        {"latex-generic", "a comment in a macro", "\\begin{proof}% \\end{proof}\n\\end{proof}",
         true},
        {"c", "a bracket in a macro's body", "# define BEGIN_NS namespace x {\nint y;\n", true},
        {"c", "a macro on continued lines, a comment over two",
         "#define M(x) \\\n  do { f(x); /* (see\n  g) */ \\\n  } while (0\nint z[2];\n", true},
        {"c", "a bracket left open after a macro", "#define A 1\nint f() { return (1; }", false},
        {"c-braces", "a namespace opened in a macro",
         "#  define QT_BEGIN_NAMESPACE namespace Qt {\n", true},
        {"latex", "environments in definitions and hooks",
         "\\renewcommand*{\\and}{\\end{tabular}\\hskip 1em\\begin{tabular}[t]{l}}\n"
         "\\newcommand\\AEND{\\end{minipage}}\n\\def\\scan#1\\end{#1}\n"
         "\\AtBeginDocument{\\begin{center}}\n\\newenvironment{x}%\n {\\begin{quote}}\n"
         " {\\end{quote}}\n\\typeout{\\string\\begin{document}}\n",
         true},
        {"latex", "a definition does not hide what follows",
         "\\newcommand\\x{y}\\begin{itemize}\\end{center}", false},
        {"latex", "a blank after \\begin", "\\begin {itemize}\\end{itemize}", true},
        {"latex", "nothing after \\endinput", "\\begin{center}\\end{center}\n\\endinput\n\\end{x}",
         true},
        {"latex-generic", "an end in a definition", "\\newcommand\\AEND{\\end{minipage}}\n", true},
        {"latex", "short verbs of the class",
         "\\documentclass[a4paper]{ltxdoc}\n\\begin{document}\n|\\end{center}|\n\\end{document}\n",
         true},
        {"latex", "the class named in the text", "\\textsf{ltxdoc}\\begin{itemize}\\end{center}",
         false},
        {"latex", "an end before the class's short verbs",
         "\\end{center}\n\\documentclass{ltxguide}\n", false},
        {"latex", "a verbatim environment the document declares",
         "\\lstnewenvironment{code}{}{}\n\\begin{document}\n\\begin{code}\n\\end{itemize}\n"
         "\\end{code}\n\\end{document}\n",
         true},
        {"latex-generic", "the listings of documentation packages",
         "\\begin{macrocode}\n\\end{center}\n\\end{macrocode}\\begin{dispListing}\\begin{x}"
         "\\end{dispListing}\\verbcode=\\end{y}=",
         true},
        {"latex-generic", "code around the title",
         "\\pretitle{\\begin{center}\\LARGE}\\posttitle{\\par\\end{center}}\n", true},
        {"jinja", "whitespace control, comments and raw",
         "{%- if a -%}{%  if b %}{% endif %}{% endif %}{# {% if #}"
         "{% raw %}{% for{% endraw %}",
         true},
        {"jinja", "the i18n block", "{% trans %}Hello{% endtrans %}", true},
        {"jinja", "an i18n block left open", "{% trans %}Hello", false},
        {"jinja", "a for closed by endif", "{% for x in y %}{% endif %}", false},
        {"django", "trans and translate have no end",
         "{% block b %}{% trans \"Home\" %}{% translate 'Log in' %}{% endblock %}", true},
        {"django", "blocktrans beside block, a run of blanks",
         "{% block b %}{% blocktrans %}x{% endblocktrans %}{%  if a %}{%  endif %}"
         "{% endblock %}",
         true},
        {"django", "comments and verbatim",
         "{# {% if #}{% comment %}{% for {% endcomment %}"
         "{% verbatim %}{% if{% endverbatim %}",
         true},
        {"django", "a blocktranslate left open", "{% blocktranslate %}x{% endblock %}", false},
        {"django", "a for closed by endif", "{% for x in y %}{% endif %}", false},
    };
    ScratchFile file;
    FileReader reader;
    for (const SetCase& c : cases) {
        std::string dir = std::string(TAMBERLOX_SOURCE_DIR "/examples/") + c.set;
        TagTable table = read_lists(dir);
        RulesLoad load = load_rules(dir, table);
        ASSERT_TRUE(load.ok) << c.set << ": " << rules_rejection_text(load.rejection);
        ASSERT_TRUE(load.rules.present) << c.set;
        EXPECT_EQ(find_first_rules_collision(table, load.rules).place, CollisionPlace::none)
            << c.set;
        EXPECT_EQ(reference_rules_check(c.text, table, load.rules).ok, c.ok)
            << c.set << ": " << c.what;
        // The gate itself, its lists and rules loaded from the set's folder.
        GateEngine engine;
        SetupError error = load_gate_engine(dir, engine);
        ASSERT_FALSE(failed(error)) << setup_error_message(error);
        ASSERT_TRUE(engine.has_rules);
        fill_scratch_file(file, c.text);
        FileCheck check = check_one_file(engine, file.path, reader);
        EXPECT_EQ(!file_fails(check, false), c.ok) << c.set << ": " << c.what << " (gate)";
    }
}

}  // namespace
