// Which pair of a set holds a document: a close spelled `\end{document}`, or
// `\end{` with the word `document` after it; none in other sets.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gate/edit_body_start.h"
#include "gate/line_shapes.h"

namespace {

struct BodyCase {
    std::vector<std::string> opens;
    std::vector<std::string> closes;
    bool known;
    uint32_t pair;
    bool with_word;
};

TEST(EditBodyStart, FindsThePairThatHoldsADocument) {
    const BodyCase cases[] = {
        {{"\\begin{"}, {"\\end{"}, true, 0, true},
        {{"\\begin{itemize}", "\\begin{document}"},
         {"\\end{itemize}", "\\end{document}"},
         true,
         1,
         false},
        {{"{", "("}, {"}", ")"}, false, 0, false},
        {{"\\begin{documents}"}, {"\\end{documents}"}, false, 0, false},
        {{}, {}, false, 0, false},
    };
    for (const BodyCase& c : cases) {
        TagTable table{c.opens.size(), c.opens, c.closes};
        BodyStart body = body_start_of(table);
        EXPECT_EQ(body.known, c.known) << c.closes.size();
        if (!c.known)
            continue;
        EXPECT_EQ(body.pair, c.pair);
        EXPECT_EQ(body.word, c.with_word ? word_hash("document") : 0u);
    }
}

TEST(EditBodyStart, LeadsAreCommands) {
    const std::vector<std::string>& leads = body_leads();
    for (const std::string& lead : leads) {
        ASSERT_FALSE(lead.empty());
        EXPECT_EQ(lead[0], '\\') << lead;
    }
}

}  // namespace
