#include "gate/edit_body_start.h"

#include "gate/line_shapes.h"

const char* const kBodyOpenText = "\\begin{document}";

BodyStart body_start_of(const TagTable& table) {
    BodyStart body;
    for (size_t pair = 0; pair < table.n; ++pair) {
        const std::string& close = table.cls_tag[pair];
        if (close == "\\end{document}" || close == "\\end{") {
            body.known = true;
            body.pair = static_cast<uint32_t>(pair);
            body.word = close == "\\end{" ? word_hash("document") : 0;
            return body;
        }
    }
    return body;
}

const std::vector<std::string>& body_leads() {
    // Typesetting commands and environments a preamble cannot hold; setup
    // commands (`\title`, `\author`, `\date`) may stand on either side.
    static const std::vector<std::string> leads = {
        "\\maketitle",
        "\\tableofcontents",
        "\\listoffigures",
        "\\listoftables",
        "\\frontmatter",
        "\\mainmatter",
        "\\backmatter",
        "\\appendix",
        "\\part",
        "\\chapter",
        "\\section",
        "\\subsection",
        "\\subsubsection",
        "\\paragraph",
        "\\item",
        "\\includegraphics",
        "\\printbibliography",
        "\\bibliography",
        "\\begin{abstract}",
        "\\begin{titlepage}",
        "\\begin{itemize}",
        "\\begin{enumerate}",
        "\\begin{description}",
        "\\begin{figure}",
        "\\begin{table}",
        "\\begin{tabular}",
        "\\begin{center}",
        "\\begin{quote}",
        "\\begin{verbatim}",
        "\\begin{thebibliography}",
    };
    return leads;
}
