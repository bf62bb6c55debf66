#include "gate/format_parts.h"

#include <cstring>

#include "gate/edit_body_start.h"

const char* severity_word(Severity severity) {
    return severity == Severity::error ? "error" : "warning";
}

namespace {

void put_crossing_message(OutputBuffer& out, const FileCheck& check, const Finding& finding,
                          const NameTexts& names) {
    const PendingClose& close = crossing_of(check, finding);
    put_bytes(out, names.quoted_cls[finding.pair]);
    put_bytes(out, " closes ");
    put_bytes(out, names.quoted_opn[finding.pair]);
    put_bytes(out, " of line ");
    put_decimal(out, close.open_line);
    put_bytes(out, " while ");
    put_bytes(out, names.quoted_opn[close.crossed_pair]);
    put_bytes(out, " of line ");
    put_decimal(out, close.crossed_line);
    put_bytes(out, " is still open");
}

// A region without an END is a definition, which its groups' braces end.
void put_region_message(OutputBuffer& out, const FileCheck& check, const NameTexts& names) {
    bool definition = !check.ended_in_tag && check.region_end.empty();
    put_bytes(out, check.ended_in_tag ? "the text ends inside the tag "
                   : definition       ? "the text ends inside the definition "
                                      : "the text ends inside the region ");
    put_bytes(out, quoted_text(names, check.region_start));
    if (definition) {
        put_bytes(out, " that starts here, before its braces close");
        return;
    }
    put_bytes(out, " that starts here, before its ");
    put_bytes(out, quoted_text(names, check.region_end));
}

void put_broken_tag_message(OutputBuffer& out, const FileCheck& check, const Finding& finding,
                            const NameTexts& names) {
    bool is_close = finding.record & 1;
    put_bytes(out, (is_close ? names.quoted_cls : names.quoted_opn)[finding.pair]);
    put_bytes(out, " has no ");
    put_bytes(out, quoted_text(names, check.tag_end));
    put_bytes(out, " before the next ");
    put_bytes(out, quoted_text(names, check.tag_break));
}

}  // namespace

void put_message(OutputBuffer& out, const FileCheck& check, const Finding& finding,
                 const NameTexts& names) {
    const std::string& opn = names.quoted_opn[finding.pair];
    const std::string& cls = names.quoted_cls[finding.pair];
    switch (finding.kind) {
        case FindingKind::closes_nothing:
            put_bytes(out, cls);
            put_bytes(out, " closes nothing");
            return;
        case FindingKind::never_closed:
            put_bytes(out, opn);
            put_bytes(out, " is never closed");
            return;
        case FindingKind::crosses:
            return put_crossing_message(out, check, finding, names);
        case FindingKind::ends_in_region:
            return put_region_message(out, check, names);
        case FindingKind::broken_tag:
            return put_broken_tag_message(out, check, finding, names);
        case FindingKind::branches_differ:
            put_bytes(out, "this branch ends at another nesting than the first branch, at line ");
            put_decimal(out, check.branch_warnings[finding.record].first_line);
            return;
        case FindingKind::counts_differ:
            put_bytes(out, "counts differ: ");
            put_bytes(out, opn);
            put_bytes(out, " ");
            put_decimal(out, check.tally.opn_num[finding.pair]);
            put_bytes(out, ", ");
            put_bytes(out, cls);
            put_bytes(out, " ");
            put_decimal(out, check.tally.cls_num[finding.pair]);
            return;
        case FindingKind::no_name:
            put_bytes(out, "no listed name occurs");
            return;
    }
}

void put_severity_message(OutputBuffer& out, const FileCheck& check, const Finding& finding,
                          const NameTexts& names, const char* between) {
    put_bytes(out, severity_word(finding.severity));
    put_bytes(out, between);
    put_message(out, check, finding, names);
}

void put_note_message(OutputBuffer& out, const FindingNote& note, const NameTexts& names) {
    switch (note.kind) {
        case NoteKind::enclosing_close:
            put_bytes(out, "the enclosing ");
            put_bytes(out, names.quoted_opn[note.pair]);
            put_bytes(out, " closes here");
            return;
    }
}

void put_note_with_place(OutputBuffer& out, const FindingNote& note, const NameTexts& names) {
    switch (note.kind) {
        case NoteKind::enclosing_close:
            put_bytes(out, "the enclosing ");
            put_bytes(out, names.quoted_opn[note.pair]);
            put_place(out, note.place, " closes at line ", ", column ");
            return;
    }
}

namespace {

// Words, then a line's number.
void put_words_line(OutputBuffer& out, const char* words, uint64_t line) {
    put_bytes(out, words);
    put_decimal(out, line);
}

void put_name_of_line(OutputBuffer& out, const std::string& name, uint64_t line) {
    put_bytes(out, name);
    put_words_line(out, " of line ", line);
}

void put_body_sign(OutputBuffer& out, const EditNote& note, const NameTexts& names) {
    switch (note.body_sign) {
        case BodySign::command:
            put_bytes(out, ", before ");
            put_bytes(out, quoted_text(names, body_leads()[note.lead]));
            return;
        case BodySign::paragraph:
            put_bytes(out, ", before the paragraph of text on this line");
            return;
        case BodySign::environment:
        case BodySign::none:
            put_bytes(out, ", before the line with ");
            put_bytes(out, names.quoted_opn[note.pair]);
            put_bytes(out, " of another environment");
            return;
    }
}

void put_edit_basis(OutputBuffer& out, const EditNote& note, const NameTexts& names) {
    switch (note.basis) {
        case EditBasis::indented_block_ends:
            put_words_line(out, ", where the lines indented under line ", note.basis_line);
            put_bytes(out, " end");
            return;
        case EditBasis::labelled_block_ends:
            put_words_line(out, ", where the lines from line ", note.basis_line);
            put_bytes(out, " on at its indentation or deeper end");
            return;
        case EditBasis::indented_block_starts:
            put_words_line(out, ": the lines below it are indented as a block that closes at line ",
                           note.basis_line);
            return;
        case EditBasis::labelled_block_starts:
            put_words_line(out,
                           ": the lines below it are labels and lines indented under them, up "
                           "to the close at line ",
                           note.basis_line);
            return;
        case EditBasis::close_nests:
        case EditBasis::open_nests:
            put_bytes(out, ": ");
            put_name_of_line(out, names.quoted_opn[note.pair], note.basis_line);
            put_bytes(out, " and ");
            put_name_of_line(out, names.quoted_cls[note.pair], note.other_line);
            if (note.basis == EditBasis::close_nests)
                put_words_line(out, " name different things, and the next name after line ",
                               note.basis_line);
            else
                put_words_line(out, " name different things, and the last name before line ",
                               note.other_line);
            put_words_line(out, " stands on line ", note.next_line);
            return;
        case EditBasis::sibling_opens:
            put_words_line(out, ": line ", note.other_line);
            put_words_line(out, " opens the same as line ", note.basis_line);
            put_bytes(out, ", at its indentation");
            return;
        case EditBasis::sibling_closes:
            put_words_line(out, ": line ", note.other_line);
            put_words_line(out, " closes the same as line ", note.basis_line);
            put_bytes(out, ", at its indentation");
            return;
        case EditBasis::closes_enclosing:
            put_words_line(out, ": line ", note.other_line);
            put_words_line(out, " closes the same as line ", note.next_line);
            put_words_line(out, ", which holds line ", note.basis_line);
            return;
        case EditBasis::after_names:
            put_words_line(out, ": the names before line ", note.other_line);
            put_words_line(out, " end on line ", note.basis_line);
            return;
        case EditBasis::open_on_line:
            put_words_line(out, ": line ", note.basis_line);
            put_bytes(out, " opens ");
            put_bytes(out, names.quoted_opn[note.pair]);
            put_bytes(out, ", and no line after it is indented under it");
            return;
        case EditBasis::close_on_line:
            put_words_line(out, ": line ", note.basis_line);
            put_bytes(out, " closes ");
            put_bytes(out, names.quoted_cls[note.pair]);
            put_bytes(out, " after text, with no ");
            put_bytes(out, names.quoted_opn[note.pair]);
            put_bytes(out, " before it");
            return;
        case EditBasis::branch_ends:
            put_words_line(out, ": the branch that holds line ", note.basis_line);
            put_words_line(out, " ends at line ", note.other_line);
            return;
        case EditBasis::text_ends:
            put_words_line(out, ": nothing after line ", note.basis_line);
            put_bytes(out, " closes it, and the text ends here");
            return;
        case EditBasis::body_starts:
            put_body_sign(out, note, names);
            put_bytes(out, ", the first of what only a document's body holds");
            return;
    }
}

}  // namespace

void put_edit_note_message(OutputBuffer& out, const EditNote& note, const NameTexts& names) {
    put_bytes(out, "a missing ");
    if (note.basis == EditBasis::body_starts)
        put_bytes(out, quoted_text(names, kBodyOpenText));
    else
        put_bytes(out,
                  note.missing_close ? names.quoted_cls[note.pair] : names.quoted_opn[note.pair]);
    put_bytes(out, " most likely belongs here");
    put_edit_basis(out, note, names);
}

namespace {

const char* failure_words(FileStatus status) {
    switch (status) {
        case FileStatus::cannot_open:
            return "can't open: ";
        case FileStatus::cannot_read:
            return "can't read: ";
        case FileStatus::out_of_memory:
        case FileStatus::checked:
            return "can't check: ";
    }
    return "can't check: ";
}

}  // namespace

std::string file_error_text(FileStatus status, int error_number) {
    return std::string(failure_words(status)) +
           (error_number != 0 ? std::strerror(error_number) : "read error");
}

void put_place(OutputBuffer& out, const NamePlace& place, const char* before_line,
               const char* before_column) {
    put_bytes(out, before_line);
    put_decimal(out, place.line);
    put_bytes(out, before_column);
    put_decimal(out, place.column);
}

void put_left_out_count(OutputBuffer& out, uint64_t left_out) {
    put_decimal(out, left_out);
    put_bytes(out, " more findings not shown (--max-findings)\n");
}
