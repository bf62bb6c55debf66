#!/bin/sh
# The C sets before and after, on lists of C files: for each list and set, the
# files checked and the files failed (error findings), and the failed files'
# names in OUT/SET.LIST.before and OUT/SET.LIST.after.
#   c_failures.sh OLD_GATE OLD_EXAMPLES NEW_GATE NEW_EXAMPLES OUT LIST...
# OLD_EXAMPLES: the examples folder of the sets as they were (git worktree or
# git archive of the older commit); each LIST a file of paths, one a line.
set -u
old_gate=$1 old_sets=$2 new_gate=$3 new_sets=$4 out=$5
shift 5
mkdir -p "$out"
failed() { # GATE SETS_DIR LIST: the paths of the files with an error, sorted
    "$1" --quiet --jobs 2 --lists "$2" --files-from "$3" 2>/dev/null |
        grep -E ': error: ' | sed -E 's/(:[0-9]+){0,2}: error: .*//' | sort -u
}
printf 'set\tlist\tfiles\tbefore\tafter\n'
for list in "$@"; do
    name=$(basename "$list" .txt)
    for set in c c-braces; do
        failed "$old_gate" "$old_sets/$set" "$list" >"$out/$set.$name.before"
        failed "$new_gate" "$new_sets/$set" "$list" >"$out/$set.$name.after"
        printf '%s\t%s\t%s\t%s\t%s\n' "$set" "$name" "$(wc -l <"$list")" \
            "$(wc -l <"$out/$set.$name.before")" "$(wc -l <"$out/$set.$name.after")"
    done
done
